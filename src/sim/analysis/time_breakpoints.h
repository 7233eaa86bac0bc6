#pragma once
// The time breakpoints of a transient run: one ordered list of future ticks at which a
// source has an edge the time step must land on, or a digital event is due. The list is
// device list 1; the time loop aims every step at its head.
//
// Ticks count from the run's start TMIN in units of TMAX x 1e-9 seconds, so the run ends
// at tick 1,000,000,000.

#include <cstdint>
#include <functional>

#include "sim/engine/device_lists.h"

namespace ob7 {

inline constexpr uint32_t kEndTick = 1000000000u;

struct TimeBreakpoint : DeviceInstance {
    uint32_t tick = 0;
    int32_t node = 0;     // digital events: the node that changes
    int32_t driver = 0;   // digital events: the output driving it
    int32_t state = 0;    // digital events: the new state
    uint8_t digital = 0;  // a digital event is due at this tick
    uint8_t code_a = 0;   // carried for the digital simulator
    uint8_t code_b = 0;
};

struct TickTimeBase {
    double tick_length = 1e-9;  // seconds
    double origin = 0;          // TMIN
    uint32_t start_tick = 0;    // TMIN / tick length, truncated
};
extern TickTimeBase Ticks;

// Sets the time base of a run from TMAX and TMIN.
void SetTickTimeBase(double tmax, double tmin);
// The tick of a time: by the ceiling or truncated, counted from the origin.
uint32_t TickCeiling(double t);
uint32_t TickTruncated(double t);
double TickTime(uint32_t tick);  // origin + tick x length

// Inserts an entry (analog callers pass digital 0 and zeros). An analog breakpoint within
// 10 ticks of an entry is dropped; a digital event near an entry joins its tick. 0 or 15002.
int AddTimeBreakpoint(uint32_t tick, int code_a = 0, int code_b = 0, int digital = 0, int node = 0,
                      int driver = 0, int state = 0);
// The time loop's at-breakpoint flag: the present step was cut to end on the head entry.
extern int AtBreakpoint;
// Removes the head entry and clears the at-breakpoint flag.
void PopTimeBreakpoint();
const TimeBreakpoint* HeadBreakpoint();
void ClearTimeBreakpoints();

// What the run's owner adds after the circuit's own breakpoints (either may be unset):
// the transitions of the digital waveforms its curves import, then the breakpoints of
// its curves' expressions (STP, IMPULSE). Each returns 0 or AddTimeBreakpoint's code.
// (The digital stimuli are scheduled on the digital simulator's own queue, and the PWL
// index tables are prepared with the operating point, both by the run itself.)
struct BreakpointProducers {
    std::function<int()> imports;
    std::function<int()> expressions;
};

// Empties the list and fills it for a new run from the sources of the compiled circuit:
// tick 0 and the end tick, user sources, pulse sources, SPICE sources; then, unless those
// ended early, the producers' imports and, whatever these gave, the STP and IMPULSE
// breakpoints of the devices' value expressions and the producers' expressions.
// print_step and tmax give the defaults of the SPICE sources' times that their
// statements left out. 0, 15002 or 15056 (the user declined the run of a pulse source
// with too many periods).
int CollectTimeBreakpoints(double tmin, double tmax, double print_step, const BreakpointProducers& producers = {});
// The STP and IMPULSE breakpoints of the value expressions of resistors, capacitors,
// inductors and function sources. 0 or AddTimeBreakpoint's code.
int ScheduleDeviceExpressionBreakpoints();

struct SpiceSource;
// Gives p[position] the value unless the source's statement gave it.
void SetMissingSourceParam(SpiceSource& source, int position, double value);

}  // namespace ob7
