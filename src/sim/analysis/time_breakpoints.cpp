#include "sim/analysis/time_breakpoints.h"

#include <cmath>
#include <cstdlib>
#include <new>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "expression/waveform_run_hooks.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/function_source.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/resistor.h"
#include "sim/devices/sample_hold.h"
#include "sim/engine/run_control.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

TickTimeBase Ticks;
int AtBreakpoint = 0;

namespace {

constexpr uint32_t kNearTicks = 10;

// The last insertion point, used while the collection adds ascending ticks.
TimeBreakpoint* InsertionHint = nullptr;
int Collecting = 0;

DeviceList& List() { return DeviceListTable[kBreakpointList]; }
TimeBreakpoint* Next(DeviceInstance* d) { return static_cast<TimeBreakpoint*>(d); }
uint32_t Distance(uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }

void LinkAfter(TimeBreakpoint* previous, TimeBreakpoint* entry) {
    DeviceList& list = List();
    entry->previous = previous;
    entry->next = previous ? previous->next : list.first;
    if (entry->next) entry->next->previous = entry;
    else list.last = entry;
    if (previous) previous->next = entry;
    else list.first = entry;
    ++list.count;
}

}  // namespace

void SetTickTimeBase(double tmax, double tmin) {
    Ticks.tick_length = tmax * 1e-9;
    Ticks.origin = tmin;
    Ticks.start_tick = static_cast<uint32_t>(tmin / Ticks.tick_length);
    Run.tick_length = Ticks.tick_length;
}

uint32_t TickCeiling(double t) {
    const double x = std::ceil((t - Ticks.origin) / Ticks.tick_length);
    return x <= 0 ? 0u : x >= 4294967295.0 ? 4294967295u : static_cast<uint32_t>(x);
}

uint32_t TickTruncated(double t) {
    const double x = std::floor((t - Ticks.origin) / Ticks.tick_length);
    return x <= 0 ? 0u : x >= 4294967295.0 ? 4294967295u : static_cast<uint32_t>(x);
}

double TickTime(uint32_t tick) { return Ticks.origin + tick * Ticks.tick_length; }

int AddTimeBreakpoint(uint32_t tick, int code_a, int code_b, int digital, int node, int driver, int state) {
    if (tick > 2 * kEndTick) {
        InsertionHint = nullptr;
        return 0;
    }
    TimeBreakpoint* at = Next(List().first);
    TimeBreakpoint* previous = nullptr;
    if (Collecting && InsertionHint && tick > InsertionHint->tick) {
        previous = InsertionHint;
        at = Next(InsertionHint->next);
    }
    for (; at; previous = at, at = Next(at->next)) {
        if (!digital && at->tick != Ticks.start_tick && Distance(at->tick, tick) <= kNearTicks) {
            InsertionHint = previous;
            return 0;
        }
        if (at->tick > tick) break;
        if (digital && at->tick == tick && at->node == node && at->driver == driver) {
            at->state = state;
            return 0;
        }
    }
    TimeBreakpoint* next = at;
    if (digital && previous) {
        if (Distance(previous->tick, tick) <= kNearTicks) {
            tick = previous->tick;
            previous->digital = 1;
        } else if (next && Distance(next->tick, tick) <= kNearTicks) {
            tick = next->tick;
            next->digital = 1;
        }
        if (previous->node == node && previous->driver == driver && Distance(previous->tick, tick) <= kNearTicks) {
            previous->tick = tick;
            previous->state = state;
            previous->code_a = static_cast<uint8_t>(code_a);
            previous->code_b = static_cast<uint8_t>(code_b);
            previous->digital = 1;
            InsertionHint = previous;
            return 0;
        }
    }
    auto* entry = new (std::nothrow) TimeBreakpoint;
    if (!entry) return kMsgInsufficientMemory;
    entry->kind = 1;
    entry->tick = tick;
    entry->code_a = static_cast<uint8_t>(code_a);
    entry->code_b = static_cast<uint8_t>(code_b);
    if (digital) {
        entry->node = node;
        entry->driver = driver;
        entry->state = state;
        entry->digital = 1;
    }
    LinkAfter(previous, entry);
    InsertionHint = previous;
    return 0;
}

void PopTimeBreakpoint() {
    AtBreakpoint = 0;
    DeviceList& list = List();
    DeviceInstance* head = list.first;
    if (!head) return;
    list.first = head->next;
    if (list.first) list.first->previous = nullptr;
    else list.last = nullptr;
    --list.count;
    if (InsertionHint == head) InsertionHint = nullptr;
    delete head;
}

const TimeBreakpoint* HeadBreakpoint() { return Next(List().first); }

void ClearTimeBreakpoints() {
    while (List().first) PopTimeBreakpoint();
    InsertionHint = nullptr;
}

void SetMissingSourceParam(SpiceSource& source, int position, double value) {
    if (position > source.last_given_parameter) source.p[position] = value;
}

namespace {
// The defaults of the time parameters, set in this order before the source's breakpoints.
void SetSourceTimeDefaults(SpiceSource& s, double tstep, double tmax) {
    switch (s.spec_kind) {
    case kSourcePulse:
        for (int k : {2, 3, 4}) SetMissingSourceParam(s, k, tstep);
        for (int k : {5, 6}) SetMissingSourceParam(s, k, tmax);
        break;
    case kSourceSin: SetMissingSourceParam(s, 2, 1 / tmax); break;
    case kSourceExp:
        SetMissingSourceParam(s, 2, 0);
        SetMissingSourceParam(s, 3, tstep);
        SetMissingSourceParam(s, 4, tstep + s.p[2]);
        SetMissingSourceParam(s, 5, tstep);
        break;
    case kSourceSffm:
        // Carrier and signal frequencies default to one cycle over the run; a missing
        // modulation index stays 0 (defaulting it to 1/TMAX gave thousands of radians).
        for (int k : {2, 4}) SetMissingSourceParam(s, k, 1 / tmax);
        break;
    default: break;
    }
}
}  // namespace

int ScheduleDeviceExpressionBreakpoints() {
    int error = 0;
    auto schedule = [&error](const CompiledExpression& e) {
        if (!error) error = ScheduleTokenBreakpoints(e);
    };
    for (auto* r : DevicesOf<Resistor>(kResistorList)) schedule(r->value_expression);
    for (auto* c : DevicesOf<Capacitor>(kCapacitorList)) schedule(c->value_expression);
    for (auto* l : DevicesOf<Inductor>(kInductorList)) schedule(l->value_expression);
    for (auto* f : DevicesOf<FunctionSource>(kFunctionSourceList)) schedule(f->value_expression);
    return error;
}

int CollectTimeBreakpoints(double tmin, double tmax, double print_step, const BreakpointProducers& producers) {
    InsertionHint = nullptr;
    Collecting = 1;
    ClearTimeBreakpoints();
    const double range = tmax - tmin;
    int error = AddTimeBreakpoint(0);
    if (!error) error = AddTimeBreakpoint(kEndTick);
    if (!error) error = AddSampleHoldBreakpoints();

    auto add_all = [&](const std::vector<double>& times, bool ceiling) {
        for (double t : times) {
            const uint32_t tick = ceiling ? TickCeiling(t) : TickTruncated(t);
            if (tick > kEndTick) break;
            if ((error = AddTimeBreakpoint(tick)) != 0) return;
        }
    };
    for (auto* s : DevicesOf<UserSource>(kUserSourceList)) {
        if (error) break;
        add_all(UserSourceBreakpoints(*s, tmin), false);
    }
    // A pulse with more than a million periods in the run is most likely a mistake in its
    // period or in the time range: the user is asked once before its edges are collected.
    bool asked = false;
    auto tooManyPeriods = [&](double period) {
        if (asked || !(period > 0) || range / period <= 1e6) return false;
        asked = true;
        const int answer = ReportMessage(
            "sSF", 'W', kStyleYesNo | kIconQuestion,
            "This run will require %g periods of at least one Pulse source!\nPlease check the time range.\nDo "
            "you wish to continue?",
            range / period);
        if (answer == kButtonNo) error = kMsgStopped;
        return error != 0;
    };
    bool ended = false;  // Esc during the pulse edges
    for (auto* s : DevicesOf<PulseSource>(kPulseSourceList)) {
        if (error) break;
        if (PollRunKeys(nullptr, 6) == 27) {
            ended = true;
            break;
        }
        if (tooManyPeriods(s->model ? s->model->Real(kPulP5) : 0)) break;
        add_all(PulseSourceBreakpoints(*s, tmax), true);
    }
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList)) {
        if (error) break;
        SetSourceTimeDefaults(*s, print_step, tmax);
        if (s->spec_kind == kSourcePulse && tooManyPeriods(std::max(s->p[6], s->p[3] + s->p[4] + s->p[5]))) break;
        // Pulse edges land by the ceiling, the other kinds' times truncated.
        add_all(SpiceSourceBreakpoints(*s, tmin, tmax), s->spec_kind == kSourcePulse);
    }
    if (!error && !ended) {
        const int imports = producers.imports ? producers.imports() : 0;
        int expressions = ScheduleDeviceExpressionBreakpoints();
        if (!expressions && producers.expressions) expressions = producers.expressions();
        error = imports ? imports : expressions;
    }
    InsertionHint = nullptr;
    Collecting = 0;
    return error;
}

}  // namespace ob7
