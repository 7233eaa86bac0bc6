#include "sim/devices/magnetic_core.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/inductor.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

double CoreStepFactor = 1e30;

CoreState* AddCore(ModelParams* model) {
    auto* c = new CoreState;
    c->model = model;
    AddDevice(kMagneticCoreList, c);
    return c;
}

void MakeWinding(Inductor* inductor, CoreState* core, double turns) {
    inductor->core = core;
    inductor->turns = turns;
}

namespace {

double Sign(double x) { return x < 0 ? -1.0 : 1.0; }

}  // namespace

void AddWindingField(Inductor& w) {
    if (!w.core || w.winding_field_added) return;
    const double path = ModelReals(*w.core->model)[kCorePath] * 0.01;
    w.core->hw += w.turns * Solution[w.Branch()] / path;
    w.winding_field_added = 1;
}

int CoreNotConverged(double m, double mtest) {
    if (std::fabs(m - mtest) > Options.abstol + 0.001 * Options.reltol * std::max(std::fabs(m), std::fabs(mtest))) {
        ++NonConvergedCount;
        return 1;
    }
    return 0;
}

void SolveCoreMagnetization(CoreState& c, const Coupling* coupling) {
    if (!MatrixSetUp) return;
    const double* x = ModelReals(*c.model);
    const double ms = x[kCoreMs], a = x[kCoreA], cr = x[kCoreC], k = x[kCoreK];
    const bool gap = x[kCoreGap] > 0;
    const double lp = gap ? x[kCorePath] * 0.01 : 1.0;
    const double ratio = gap ? x[kCorePath] / x[kCoreGap] : 0.0;
    const double hx = lp * c.hw, tol = 0.001 * Options.reltol;
    double h = hx, hprev = 0, e = 1, m = c.m, man = c.man, chi = c.chi;
    int i = 1;
    while (Options.itl4 > 0 && e > tol) {
        const double dh = h - c.h_accepted;
        const double hh = std::fabs(h) + a;
        man = ms * h / hh;
        const double dman = ms * (1 / hh - h * Sign(h) / (hh * hh));
        if (k == 0) {
            // Nothing pins the domains: the magnetization is the anhysteretic one.
            m = man;
            chi = dman;
        } else {
            // Pinning: the magnetization trails the anhysteretic one by K in the field;
            // moving against it, only the reversible part follows.
            const double d = Sign(dh) * k * (1 + cr), a2 = dman * cr / (1 + cr);
            m = d + dh == 0 ? man : ((a2 * d + man) * dh + d * c.m_accepted) / (d + dh);
            double dm = (man - m) / d;
            if (dm < 0) {
                m = a2 * dh + c.m_accepted;
                dm = 0;
            }
            chi = a2 + dm;
        }
        e = 0;
        if (!gap || k == 0) break;
        // The magnetic circuit through the gap: the gap carries the core's flux
        // density, so H + M = (PATH / GAP) (Hw - H). Newton on the core field.
        const double den = ratio + chi + 1;
        if (den == 0) break;
        h = h - (m + h - ratio * (hx / lp - h)) / den;
        if (h == 0) break;
        e = std::fabs((hprev - h) / std::max({std::fabs(hprev), std::fabs(h), Options.abstol}));
        hprev = h;
        if (i++ >= Options.itl4) break;
    }
    c.man = man, c.m = m, c.chi = chi;
    if (i >= Options.itl4 || e > tol) {
        ++NonConvergedCount;
        RecordNonConvergentDevice(coupling, kNcInductor, 0);
        return;
    }
    if (IterationCount > 0 || OperatingPointPhase) {
        if (InitMode != kInitFix && CoreNotConverged(m, c.mtest)) RecordNonConvergentDevice(coupling, kNcInductorM, c.mtest);
        const double g = std::fabs((m - c.m_accepted) / ms);
        if (NonConvergedCount == 0 && g != 0) CoreStepFactor = std::min(std::max(CoreTolerance / g, 0.2), CoreStepFactor);
    }
    c.chis = c.hw != c.hw_accepted ? (m - c.m_accepted) / (c.hw - c.hw_accepted) : c.chis_accepted;
    c.mtest = m;
    c.h = h;
}

void UpdateCoreWinding(Inductor& w, double k) {
    if (!w.core || w.core_values_done) return;
    CoreState& c = *w.core;
    const double* x = ModelReals(*c.model);
    const double ac = x[kCoreArea] * 1e-4, lp = x[kCorePath] * 0.01;
    if (TranStartWithIc() && w.ic_given) {
        c.h = c.h_accepted = c.hw = c.hw_accepted = w.turns * w.initial_current / lp;
        c.m = c.m_accepted = w.initial_current * w.inductance / (ac * kMu0);
    } else {
        w.inductance = w.nominal = w.turns * w.turns * (1 + c.chis) * ac * kMu0 / lp;
        const int s = FirstStateIndex(kInductorStates) + (w.ordinal - 1) * kHistorySlots;
        StateValues[s] = w.turns * ac * (c.h + c.m) * k * kMu0;
        w.self_flux = StateValues[s];
    }
    w.core_values_done = 1;
}

int UpdateCoreCouplings() {
    const auto couplings = DevicesOf<Coupling>(kCouplingList);
    for (Coupling* c : couplings) {
        if (!c->first || !c->second) continue;
        for (Inductor* w : {c->first, c->second}) {
            if (!w->core) continue;
            if (w == c->first) w->core->hw = 0;
            w->core->solved = 0;
            w->winding_field_added = w->core_values_done = 0;
        }
    }
    for (Coupling* c : couplings) {
        if (!c->first || !c->second) continue;
        AddWindingField(*c->first);
        AddWindingField(*c->second);
    }
    for (Coupling* c : couplings) {
        if (!c->first || !c->second || !c->first->core) continue;
        Options.itl4 = 50;
        CoreState& core = *c->first->core;
        if (!core.solved) {
            SolveCoreMagnetization(core, c);
            core.solved = 1;
        }
        double k = 0;
        if (int error = EvalCouplingValue(c, &k)) return error;
        UpdateCoreWinding(*c->first, k);
        UpdateCoreWinding(*c->second, k);
    }
    return 0;
}

void SaveRestoreCoreStates(int mode) {
    for (CoreState* c : DevicesOf<CoreState>(kMagneticCoreList)) {
        switch (mode) {
        case 0:
            c->man = c->m = c->h = c->hw = c->chi = c->mtest = 0;
            c->man_accepted = c->m_accepted = c->h_accepted = c->hw_accepted = c->chi_accepted = c->chis_accepted = 0;
            break;
        case 1:
            c->man_accepted = c->man, c->m_accepted = c->m, c->h_accepted = c->h, c->hw_accepted = c->hw;
            c->chi_accepted = c->chi, c->chis_accepted = c->chis;
            c->mtest = c->m;
            break;
        case 2:
            c->man = c->man_accepted, c->m = c->m_accepted, c->h = c->h_accepted, c->hw = c->hw_accepted;
            c->chi = c->chi_accepted, c->chis = c->chis_accepted;
            c->mtest = c->m_accepted;
            break;
        default: break;
        }
    }
}

int ExchangeCoreStateVariables(double* array, int mode) {
    int count = 0;
    double* slot = array + 4 * EquationCount + 1;
    for (Coupling* c : DevicesOf<Coupling>(kCouplingList)) {
        if (!c->first || !c->first->core) continue;
        CoreState& core = *c->first->core;
        double* fields[5] = {&core.man, &core.hw_accepted, &core.h_accepted, &core.m_accepted, &core.chi_accepted};
        for (double* f : fields) {
            if (mode == 0) *slot = *f;
            else if (mode == 1) *f = *slot;
            ++slot;
        }
        count += 5;
    }
    return count;
}

}  // namespace ob7
