#include "sim/devices/tline.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

int NumberTLineBranches(int next) {
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList)) {
        l->branch1 = next++;
        l->branch2 = next++;
    }
    return next;
}

}  // namespace

const DeviceKindHandler kTLineKind{LoadStage::TLines, 0, SetupTLines, LoadTLines};
// The ports load with the independent sources, after the user sources.
const DeviceKindHandler kTLinePortKind{LoadStage::Sources, 4, SetupTLinePorts, LoadTLinePorts,
                                       BranchRank::LosslessLines, NumberTLineBranches};
const AcKindHandler kTLineAcKind{AcStage::LosslessLines, 0, AcLoadTLines};

TLine* AddTLine(ModelParams* model, int p1p, int p1n, int p2p, int p2n, int n1, int n2) {
    auto* l = new TLine;
    l->model = model;
    l->p1p = p1p, l->p1n = p1n, l->p2p = p2p, l->p2n = p2n, l->n1 = n1, l->n2 = n2;
    AddDevice(kLosslessLineList, l);
    return l;
}

double PortWave(int positive, int negative, int internal) {
    return 2 * Solution[positive] - Solution[negative] - Solution[internal];
}

int SetupTLines() {
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList))
        for (auto [a, b] : {std::pair{l->p1p, l->n1}, {l->p2p, l->n2}, {l->p1p, l->p1n}, {l->p2p, l->p2n}})
            if (int error = AllocConductanceEntries(a, b)) return error;
    return 0;
}

int LoadTLines() {
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList)) {
        const double* x = ModelReals(*l->model);
        const double g = 1 / std::max(x[kTrnZo], Options.rmin);
        l->td = x[kTrnTd];
        StampConductance(g);
        StampConductance(g);
        // Each port keeps a path to its reference when it is left open.
        StampConductance(Options.gmin);
        StampConductance(Options.gmin);
    }
    return 0;
}

int SetupTLinePorts() {
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList)) {
        struct Port {
            int k, other_p, other_n, other_internal, internal, negative;
        };
        const Port ports[] = {{l->branch1, l->p2p, l->p2n, l->n2, l->n1, l->p1n},
                              {l->branch2, l->p1p, l->p1n, l->n1, l->n2, l->p2n}};
        for (const Port& p : ports) {
            // At the operating point each source is the other port's wave now. The time
            // steps load the same matrix, so the entries exist in both phases.
            for (int column : {p.other_p, p.other_n, p.other_p, p.other_internal})
                if (int error = AllocMatrixEntry(p.k, column)) return error;
            if (int error = AllocVoltageBranchEntries(p.k, p.internal, p.negative)) return error;
        }
    }
    return 0;
}

int LoadTLinePorts() {
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList)) {
        if (OperatingPointPhase) {
            for (int k = 0; k < 2; ++k) {
                StampNext(-1), StampNext(1), StampNext(-1), StampNext(1);
                StampVoltageBranch(k == 0 ? l->branch1 : l->branch2, 0);
            }
            continue;
        }
        StampNext(0), StampNext(0), StampNext(0), StampNext(0);
        StampVoltageBranch(l->branch1, 0);
        StampNext(0), StampNext(0), StampNext(0), StampNext(0);
        StampVoltageBranch(l->branch2, 0);
        if (Run.time == Run.tmin) {
            l->value1 = PortWave(l->p2p, l->p2n, l->n2);
            l->value2 = PortWave(l->p1p, l->p1n, l->n1);
        }
        RightHandSide[l->branch1] = SourceFactor * l->value1;
        RightHandSide[l->branch2] = SourceFactor * l->value2;
    }
    return 0;
}

void EvaluateTLineSources() {
    const double t = Run.time;
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList)) {
        const auto& h = l->history;
        const auto after = std::find_if(h.begin(), h.end(), [t](const TLineHistoryEntry& e) { return e.time >= t; });
        if (after == h.end() || after == h.begin()) continue;
        const TLineHistoryEntry& b = *after;
        const TLineHistoryEntry& a = *(after - 1);
        const double span = b.time - a.time;
        if (span == 0) {
            l->value1 = (a.wave1 + b.wave1) / 2;
            l->value2 = (a.wave2 + b.wave2) / 2;
            continue;
        }
        const double f = (t - a.time) / (std::fabs(span) < 1e-50 ? std::copysign(1e-50, span) : span);
        // The entry at time t holds the other port's wave of t - TD: port 1's source
        // carries port 2's wave.
        l->value1 = a.wave2 + f * (b.wave2 - a.wave2);
        l->value2 = a.wave1 + f * (b.wave1 - a.wave1);
    }
}

int AppendTLineHistory(TLine& l, double t) {
    const double tol = Options.reltol * 100000 / Run.tmax;
    if (t != Run.tmin && (t <= Run.tmin || (!l.history.empty() && t <= l.history.back().time))) return 0;
    const double w1 = GuardVoltage(PortWave(l.p1p, l.p1n, l.n1));
    const double w2 = GuardVoltage(PortWave(l.p2p, l.p2n, l.n2));
    l.history.push_back({t, w1, w2});

    const double step = Run.time_step;
    const double d1 = w1 - l.wave1, d2 = w2 - l.wave2;
    // Without a step yet (the start of the run) there is no slope to take.
    double s1 = 0, s2 = 0, c1 = 0, c2 = 0;
    if (step > 0) {
        s1 = d1 / step, s2 = d2 / step;
        c1 = (s1 - l.slope1) / step, c2 = (s2 - l.slope2) / step;
        c1 = std::copysign(std::max(std::fabs(c1), 0.001), c1);
        c2 = std::copysign(std::max(std::fabs(c2), 0.001), c2);
        if (std::fabs(d1) > Options.vntol || std::fabs(d2) > Options.vntol) {
            const auto relative_change = [](double s, double last) {
                const double m = std::min(std::fabs(s), std::fabs(last));
                return std::fabs(s - last) / (m > 1e-20 ? m : 1e-20);
            };
            const double r1 = relative_change(s1, l.slope1), r2 = relative_change(s2, l.slope2);
            // A kink in a wave reaches the other port TD later: a breakpoint there.
            if (((r1 > tol && std::fabs(c1) > tol) || (r2 > tol && std::fabs(c2) > tol)) && RequestTimeBreakpoint)
                if (int error = RequestTimeBreakpoint(Run.time - step + l.td)) {
                    l.wave1 = w1, l.slope1 = s1, l.curve1 = c1, l.wave2 = w2, l.slope2 = s2, l.curve2 = c2;
                    return error;
                }
        }
    }
    l.wave1 = w1, l.slope1 = s1, l.curve1 = c1;
    l.wave2 = w2, l.slope2 = s2, l.curve2 = c2;
    return 0;
}

int InitTLineHistories(double* max_step) {
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList)) {
        l->td = ModelReals(*l->model)[kTrnTd];
        *max_step = std::min(*max_step, l->td / 2);
        // Until TD has passed, each port source carries the other port's wave of the
        // operating point, also when the first time point lies past the start time.
        l->value1 = PortWave(l->p2p, l->p2n, l->n2);
        l->value2 = PortWave(l->p1p, l->p1n, l->n1);
        if (int error = AppendTLineHistory(*l, Run.tmin)) return error;
    }
    return 0;
}

int UpdateTLineHistories() {
    const double t = Run.time;
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList)) {
        auto& h = l->history;
        const auto past = std::count_if(h.begin(), h.end(), [t](const TLineHistoryEntry& e) { return e.time < t; });
        if (past >= 3) h.pop_front();
        if (int error = AppendTLineHistory(*l, t + l->td)) return error;
    }
    return 0;
}

void ClearTLineHistories() {
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList)) l->history.clear();
}

int AcLoadTLines() {
    for (TLine* l : DevicesOf<TLine>(kLosslessLineList)) {
        const double* x = ModelReals(*l->model);
        const double g = 1 / std::max(x[kTrnZo], Options.rmin);
        const double phase = -AcOmega * x[kTrnTd];
        const double gr = std::cos(phase), gi = std::sin(phase);
        int error = AcStampConductance(l->p1p, l->n1, g);
        if (!error) error = AcStampConductance(l->p2p, l->n2, g);
        // V(I1) - V(M1) = e^(-j w TD) (2 V(P2) - V(M2) - V(I2)), and the mirror.
        if (!error) error = AcStampControlledSource(true, true, 2, l->branch1, l->branch2, l->p2p, l->p2n, l->n1, l->p1n, gr, gi);
        if (!error) error = AcStampControlledSource(true, false, 2, l->branch1, l->branch2, l->p2p, l->n2, l->n1, l->p1n, gr, gi);
        if (!error) error = AcStampControlledSource(true, true, 2, l->branch2, l->branch2, l->p1p, l->p1n, l->n2, l->p2n, gr, gi);
        if (!error) error = AcStampControlledSource(true, false, 2, l->branch2, l->branch2, l->p1p, l->n1, l->n2, l->p2n, gr, gi);
        if (error) return error;
    }
    return 0;
}

}  // namespace ob7
