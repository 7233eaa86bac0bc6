#include "sim/digital/digital_time_loop.h"

#include <algorithm>

#include "sim/digital/constraint.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/interfaces.h"
#include "sim/digital/pin_delay.h"
#include "sim/digital/timing_checks.h"

namespace ob7 {

namespace {

bool HasDigitalParts() { return DigitalNet.prims.size() > 1; }

// Each logged change at its tick's time, never before `not_before`: a tick taken up from
// an analog time may still lie a rounding error before it.
int EmitTransitions(const DigitalChangeSink& sink, double not_before = -1e300) {
    if (!sink) return 0;
    const std::vector<DigitalTransition>& log = DigitalRun.transitions;
    for (auto t = log.rbegin(); t != log.rend(); ++t) DigitalNet.present[t->node] = t->old_present;
    int result = 0;
    for (const DigitalTransition& t : log) {
        DigitalNet.present[t.node] = t.state;
        if (result == 0) result = sink(t.node, t.state, std::max(DigitalTickTime(t.tick), not_before));
    }
    return result;
}

}  // namespace

void BeginDigitalRun(double tmin, double tmax) {
    if (!HasDigitalParts()) return;
    SetDigitalTickLength(tmin, tmax);
    ComputeDigitalPrimitiveDelays();
    Interfaces.present_time = Interfaces.previous_time = tmin;
}

int BeginDigitalCase(bool first) {
    if (!HasDigitalParts()) return 0;
    if (int e = ResetDigitalCase(first)) return e;
    if (int e = ScheduleStimulusEvents()) return e;
    ApplyInitialDigitalEvents();
    // Applied; the operating point settles what they start. The steps go on from the
    // first later event.
    DigitalEventQueue& queue = DigitalRun.queue;
    if (!queue.Empty() && queue.HeadTick() == 0) queue.PopHead();
    return 0;
}

bool NextDigitalEventTime(double* time) {
    if (!HasDigitalParts()) return false;
    uint32_t tick = 0;
    if (!NextDigitalEventTick(&tick)) return false;
    *time = DigitalTickTime(tick);
    return true;
}

int DigitalBeforeNewton(double time, bool solved_again, const DigitalChangeSink& sink) {
    if (!HasDigitalParts()) return 0;
    // From the first time step on, the interfaces and converters act as in a transient
    // (at the operating point they drive their nodes directly).
    DigitalRun.transient = true;
    Interfaces.present_time = time;
    int result = UpdateAtoDInterfaces();
    if (result == 0 && solved_again) result = DigitalUpdateEvents();
    // What the interfaces changed belongs to the solution already accepted: it is shown
    // now and is not undone with a rejected step.
    const int emitted = EmitTransitions(sink, time);
    // The next step compares with this point.
    AdvancePinDelays();
    AdvanceConstraintChecks();
    ClearDigitalChangeQueue();
    return result ? result : emitted;
}

DigitalStepAdvice DigitalStepLimits() {
    DigitalStepAdvice advice;
    if (!HasDigitalParts()) return advice;
    if (Interfaces.dtoa_limit_active) advice.max_step = Interfaces.dtoa_step_limit;
    advice.cut = Interfaces.atod_step_cut;
    advice.fraction = Interfaces.atod_step_fraction;
    advice.crossed = DigitalRun.atod_changed;
    return advice;
}

int DigitalAcceptPoint(const DigitalChangeSink& sink) {
    if (!HasDigitalParts()) return 0;
    const int result = EmitTransitions(sink);
    ClearDigitalChangeQueue();
    return result;
}

void DigitalRejectPoint(double time) {
    if (!HasDigitalParts()) return;
    RollBackDigitalChanges();
    ClearDigitalChangeQueue();
    RollBackDacOutputs(time);
}

}  // namespace ob7
