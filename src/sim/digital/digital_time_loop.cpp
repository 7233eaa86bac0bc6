#include "sim/digital/digital_time_loop.h"

#include "sim/digital/digital_network.h"
#include "sim/digital/interfaces.h"
#include "sim/digital/timing_checks.h"

namespace ob7 {

namespace {

bool HasDigitalParts() { return DigitalNet.prims.size() > 1; }

void EmitTransitions(const DigitalChangeSink& sink) {
    if (sink)
        for (const DigitalTransition& t : DigitalRun.transitions) sink(t.node, t.state, DigitalTickTime(t.tick));
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
    return 0;
}

bool NextDigitalEventTime(double* time) {
    uint32_t tick = 0;
    if (!NextDigitalEventTick(&tick)) return false;
    *time = DigitalTickTime(tick);
    return true;
}

int DigitalBeforeNewton(double time, bool solved_again, const DigitalChangeSink& sink) {
    if (!HasDigitalParts()) return 0;
    Interfaces.present_time = time;
    int result = UpdateAtoDInterfaces();
    if (result == 0 && solved_again) result = DigitalUpdateEvents();
    // What the interfaces changed belongs to the solution already accepted: it is shown
    // now and is not undone with a rejected step.
    EmitTransitions(sink);
    ClearDigitalChangeQueue();
    return result;
}

DigitalStepAdvice DigitalStepLimits() {
    DigitalStepAdvice advice;
    if (Interfaces.dtoa_limit_active) advice.max_step = Interfaces.dtoa_step_limit;
    advice.cut = Interfaces.atod_step_cut;
    advice.fraction = Interfaces.atod_step_fraction;
    return advice;
}

void DigitalAcceptPoint(const DigitalChangeSink& sink) {
    if (!HasDigitalParts()) return;
    EmitTransitions(sink);
    ClearDigitalChangeQueue();
}

void DigitalRejectPoint(double time) {
    if (!HasDigitalParts()) return;
    RollBackDigitalChanges();
    ClearDigitalChangeQueue();
    RollBackDacOutputs(time);
}

std::string EndDigitalRun(bool batch_mode) { return DigitalWarningNotice(batch_mode); }

}  // namespace ob7
