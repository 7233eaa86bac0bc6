#include "sim/devices/sample_hold.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/device_contract.h"
#include "sim/devices/time_breakpoints.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

int NumberSampleHoldBranches(int next) {
    for (auto* s : DevicesOf<SampleHold>(kSampleHoldList)) s->branch = next++;
    return next;
}

// Accepted time points of the present run: the first time point samples.
int AcceptedPoints = 0;

int Evaluate(CompiledExpression& e, double* value) {
    ComplexValue result{};
    if (int error = EvaluateExpression(&e, &result)) return error;
    *value = result.re;
    return 0;
}

}  // namespace

const DeviceKindHandler kSampleHoldKind{LoadStage::SampleHolds, 0, SetupSampleHolds, LoadSampleHolds,
                                        BranchRank::SampleHolds, NumberSampleHoldBranches};

SampleHold* AddSampleHold(int a, int b, double period) {
    auto* s = new SampleHold;
    s->a = a, s->b = b, s->period = period;
    AddDevice(kSampleHoldList, s);
    return s;
}

int SetupSampleHolds() {
    for (auto* s : DevicesOf<SampleHold>(kSampleHoldList))
        if (int error = AllocVoltageBranchEntries(s->branch, s->a, s->b)) return error;
    return 0;
}

int LoadSampleHolds() {
    const double tol = Options.reltol * 0.001;
    for (auto* s : DevicesOf<SampleHold>(kSampleHoldList)) {
        if (!s->clock.tokens.empty()) {
            double clock = 0;
            if (int error = Evaluate(s->clock, &clock)) return error;
            if (clock != 0)
                if (int error = Evaluate(s->input, &s->held)) return error;
        } else {
            const double t = Run.time, near = Run.tmax * tol;
            const double r = s->period > 0 ? std::floor(t / s->period + 0.001) : 0.0;
            const bool due = OperatingPointPhase || AcceptedPoints == 0 ||
                             (s->period > 0 && (std::fabs(t - r * s->period) <= near ||
                                                std::fabs(t - (r + 1) * s->period) <= near));
            if (due && !s->input.tokens.empty()) {
                if (int error = Evaluate(s->input, &s->held)) return error;
                // A new sample moves the output: Newton must see it settle.
                const double v = Solution[s->a] - Solution[s->b];
                if (IterationCount == 0 || std::fabs(s->held - v) > std::max(std::fabs(s->held), std::fabs(v)) * tol) {
                    ++NonConvergedCount;
                    RecordNonConvergentDevice(s, kNcSampleHold, s->held);
                }
            }
        }
        StampVoltageBranch(s->branch, SourceFactor * s->held);
        if (s->flag_byte1) {
            s->power = -((Solution[s->a] - Solution[s->b]) * Solution[s->branch]);
            Run.power_generated += s->power;
        }
    }
    return 0;
}

void SaveSampleHoldStates() {
    for (auto* s : DevicesOf<SampleHold>(kSampleHoldList)) s->saved = s->held;
    ++AcceptedPoints;
}

void RestoreSampleHoldStates() {
    for (auto* s : DevicesOf<SampleHold>(kSampleHoldList)) s->held = s->saved;
}

void InitSampleHolds(int first) {
    if (!first) return;
    AcceptedPoints = 0;
    for (auto* s : DevicesOf<SampleHold>(kSampleHoldList)) {
        if (!OperatingPointPhase && !(s->period > 0)) s->period = 0.001 * Run.tmax;
        s->held = s->saved = 0;
    }
}

int AddSampleHoldBreakpoints() {
    if (!RequestTimeBreakpoint) return 0;
    const double tick = Run.tick_length > 0 ? Run.tick_length : 1e-9;
    const double origin = Run.tmin;
    const double last_tick = std::ceil((Run.tmax - origin) / tick);
    for (auto* s : DevicesOf<SampleHold>(kSampleHoldList)) {
        if (!s->clock.tokens.empty() || !(s->period > 0)) continue;
        for (int n = 1;; ++n) {
            const double d = n * s->period - origin;
            const double before = std::ceil((d - 10 * Options.reltol * s->period) / tick);
            const double at = std::ceil(d / tick);
            if (at > last_tick + 10 || n * s->period > (1 + Options.reltol) * Run.tmax) break;
            if (int error = RequestTimeBreakpoint(origin + before * tick)) return error;
            if (int error = RequestTimeBreakpoint(origin + at * tick)) return error;
        }
    }
    return 0;
}

}  // namespace ob7
