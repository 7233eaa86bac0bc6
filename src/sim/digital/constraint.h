#pragma once
// CONSTRAINT parts: checks of the timing of their pins (setup and hold, pulse widths,
// frequencies, general conditions) written as digital warnings; they drive nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "expression/digital_logic.h"
#include "sim/digital/digital_setup.h"
#include "sim/digital/pin_values.h"

namespace ob7 {

enum ConstraintKind : int { kCheckBoolean = 1, kCheckSetupHold, kCheckWidth, kCheckFreq, kCheckGeneral };

// The nine times of a SETUP_HOLD check, in this order.
enum : int {
    kSetupTime, kSetupTimeHi, kSetupTimeLo, kHoldTime, kHoldTimeHi, kHoldTimeLo,
    kReleaseTime, kReleaseTimeLh, kReleaseTimeHl, kSetupHoldTimes
};

// What a check remembers between evaluations; a rejected time point restores it.
struct CheckMemory {
    int clock_level = -1;         // SETUP_HOLD: the clock's last level and change tick
    uint32_t clock_tick = 0;
    struct Data {
        int level = -1;
        uint32_t tick = 0, tick_before = 0;
    };
    std::vector<Data> data;       // per DATA pin
    uint32_t rise = 0, fall = 0;  // WIDTH: last rise and fall
    uint32_t last_like[2] = {0, 0};           // FREQ: changes to 0/R/Z, to 1/F
    bool max_armed = true, min_armed = true;
    int violations = 0;
};

struct ConstraintCheck {
    int kind = 0;
    DigitalProgram when;          // empty: always true
    bool when_edges = false;      // `when` reads the pins' edges (CHANGED and its kin)
    DigitalProgram value;         // BOOLEAN
    int target = -1;              // BOOLEAN: its name
    // SETUP_HOLD
    int clock_edge = 1;           // 1 LH, 0 HL
    int clock_pin = -1;
    std::vector<int> data_pins;
    double times[kSetupHoldTimes] = {};
    uint32_t time_ticks[kSetupHoldTimes] = {};
    // WIDTH and FREQ
    int node_pin = -1;
    double min_hi = 0, min_lo = 0;
    uint32_t min_hi_ticks = 0, min_lo_ticks = 0;
    double minfreq = 0, maxfreq = 0;
    uint32_t min_period = 0, max_period = 0;  // ticks: 1/MAXFREQ and 1/MINFREQ
    // All
    std::string message;
    int error_limit = 20;         // 0: no limit
};

struct ConstraintRecord {
    int primitive = 0;
    std::vector<std::string> names;   // the pins, then temporaries
    std::vector<uint8_t> levels;
    std::vector<ConstraintCheck> checks;
    // The run state: the pin value records and what every check remembers.
    struct Memory {
        PinValues pins;
        std::vector<CheckMemory> checks;
    };
    Memory memory;
    uint32_t kept = 0;                // the undo generation its memory was kept in
};
extern std::vector<ConstraintRecord> ConstraintRecords;

// Parses the CONSTRAINT text: 0 or 15055 after a reported error.
int ParseConstraint(const DigitalPartDesc& part, const std::string& text, int primitive);
// Parses check sections into a record whose names are already set (the first `inputs`
// of them are the pins the checks may watch); 0 or 15055 after a reported error.
int ParseConstraintChecks(const DigitalPartDesc& part, const std::string& text, int inputs, ConstraintRecord* record);
// Before a case: pin value records from the present states, histories forgotten, times
// in ticks, checks armed, counts cleared.
void InitConstraintDevices();
// pin_records: how many names get a pin value record (at least the pins).
void InitConstraintRecord(ConstraintRecord& record, int pin_records);
// Per time point: every pin value record's old fields := its new fields.
void AdvanceConstraintChecks();
void AdvanceConstraintRecord(ConstraintRecord& record);

// Runs the checks of the primitive for a change of changed_node at tick.
int EvaluateConstraint(int changed_node, int primitive, uint32_t tick);
// The same for one record (a pin-delay part's checks); its pins are the first of the
// primitive's pins.
void RunConstraintChecks(ConstraintRecord& record, int changed_node, int primitive, uint32_t tick);

}  // namespace ob7
