#pragma once
// Small device kinds for the engine tests, plugged in through the same set-up and load
// protocol as the real device models: a conductance, current and voltage sources, an
// exponential diode, and a probe whose convergence a test scripts.

#include <cmath>
#include <functional>
#include <vector>

#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7::testdev {

// --- Conductance between two nodes (resistor list) ---------------------------------------
struct Conductance : DeviceInstance {
    int a = 0, b = 0;
    double g = 0;
    double nominal = 0;
};
inline int SetupConductances() {
    for (auto* r : DevicesOf<Conductance>(kResistorList))
        if (int e = AllocConductanceEntries(r->a, r->b)) return e;
    return 0;
}
inline int LoadConductances() {
    for (auto* r : DevicesOf<Conductance>(kResistorList)) StampConductance(r->g);
    return 0;
}
inline void SaveConductanceNominals() {
    for (auto* r : DevicesOf<Conductance>(kResistorList)) r->nominal = r->g;
}
inline const DeviceKindHandler kConductanceKind{LoadStage::Resistors, 0, SetupConductances, LoadConductances,
                                                BranchRank::None, nullptr, SaveConductanceNominals};

// --- Independent sources (SPICE source list): I drives current from a through the
// source to b; V holds p - n at its value through branch equation `branch`.
enum SourceKind { kCurrentSource = 1, kVoltageSource = 2 };
struct Source : DeviceInstance {
    int a = 0, b = 0;
    double value = 0;
    int branch = 0;
};
inline int SetupSources() {
    for (auto* s : DevicesOf<Source>(kSpiceSourceList)) {
        if (s->kind != kVoltageSource) continue;
        for (auto [r, c] : {std::pair{s->a, s->branch}, {s->b, s->branch}, {s->branch, s->a}, {s->branch, s->b}})
            if (int e = AllocMatrixEntry(r, c)) return e;
    }
    return 0;
}
inline int LoadSources() {
    for (auto* s : DevicesOf<Source>(kSpiceSourceList)) {
        const double value = s->value * SourceFactor;
        if (s->kind == kCurrentSource) {
            RightHandSide[s->a] -= value;
            RightHandSide[s->b] += value;
        } else {
            StampNext(1);
            StampNext(-1);
            StampNext(1);
            StampNext(-1);
            RightHandSide[s->branch] += value;
        }
    }
    return 0;
}
inline int NumberSourceBranches(int next) {
    for (auto* s : DevicesOf<Source>(kSpiceSourceList))
        s->branch = s->kind == kVoltageSource ? next++ : 0;
    return next;
}
inline const DeviceKindHandler kSourceKind{LoadStage::Sources, 0, SetupSources, LoadSources,
                                          BranchRank::SpiceVoltageSources, NumberSourceBranches};

// --- Exponential diode from anode a to cathode c, with junction voltage limiting -----
struct Diode : DeviceInstance {
    int a = 0, c = 0;
    double is = 1e-14, nvt = 0.025852;
    bool limit = true;
    double vd = 0, id = 0, gd = 0;  // the last linearisation point
    int NonConvergenceValues(int, double* values) const override {
        values[0] = id;
        return 1;
    }
};
// Limits a new junction voltage against the old one (the published pn-junction
// limiting), so that Newton steps never overflow the exponential.
inline double LimitJunction(double vnew, double vold, double nvt, double vcrit) {
    if (vnew > vcrit && std::fabs(vnew - vold) > 2 * nvt) {
        if (vold > 0) {
            const double arg = 1 + (vnew - vold) / nvt;
            return arg > 0 ? vold + nvt * std::log(arg) : vcrit;
        }
        return nvt * std::log(vnew / nvt);
    }
    return vnew;
}
inline int SetupDiodes() {
    for (auto* d : DevicesOf<Diode>(kDiodeList))
        if (int e = AllocConductanceEntries(d->a, d->c)) return e;
    return 0;
}
inline int LoadDiodes() {
    for (auto* d : DevicesOf<Diode>(kDiodeList)) {
        double v = Solution[d->a] - Solution[d->c];
        const double predicted = d->id + d->gd * (v - d->vd);
        bool limited = false;
        if (d->limit) {
            const double vcrit = d->nvt * std::log(d->nvt / (std::sqrt(2.0) * d->is));
            const double v_limited = LimitJunction(v, d->vd, d->nvt, vcrit);
            limited = v_limited != v;
            v = v_limited;
        }
        const double e = std::exp(v / d->nvt);
        const double id = d->is * (e - 1);
        const double gd = d->is * e / d->nvt;
        if (limited) {
            ++NonConvergedCount;  // the junction is not where the nodes put it yet
            RecordNonConvergentDevice(d, 6, 0);
        } else if (CurrentNotConverged(predicted, id)) {
            RecordNonConvergentDevice(d, 7, predicted);
        }
        d->vd = v;
        d->id = id;
        d->gd = gd;
        StampConductance(gd);
        const double ieq = id - gd * v;
        RightHandSide[d->a] -= ieq;
        RightHandSide[d->c] += ieq;
    }
    return 0;
}
inline const DeviceKindHandler kDiodeKind{LoadStage::Diodes, 0, SetupDiodes, LoadDiodes};

// --- Probe: a conductance to ground whose convergence the test decides -----------------
struct Probe : DeviceInstance {
    int node = 0;
    double g = 1e-3;
    std::function<bool()> moving;  // true: report the quantity as not converged
    // One record per Newton call: the source factor, whether GMIN stepping was on, and
    // the node voltage after the call's first solve.
    struct Call {
        double factor;
        bool gmin_stepping;
        double v_after_first_solve = NAN;
    };
    std::vector<Call> calls;
};
inline int SetupProbes() {
    for (auto* p : DevicesOf<Probe>(kTableSourceList))
        if (int e = AllocMatrixEntry(p->node, p->node)) return e;
    return 0;
}
inline int LoadProbes() {
    for (auto* p : DevicesOf<Probe>(kTableSourceList)) {
        if (OperatingPointPhase && IterationCount == 0) p->calls.push_back({SourceFactor, GminSteppingActive});
        else if (IterationCount == 1 && !p->calls.empty()) p->calls.back().v_after_first_solve = Solution[p->node];
        StampNext(p->g);
        if (p->moving && p->moving()) {
            ++NonConvergedCount;
            RecordNonConvergentDevice(p, 29, 0);
        }
    }
    return 0;
}
inline const DeviceKindHandler kProbeKind{LoadStage::TableSources, 0, SetupProbes, LoadProbes};

inline void RegisterAll() {
    RegisterDeviceKind(&kConductanceKind);
    RegisterDeviceKind(&kSourceKind);
    RegisterDeviceKind(&kDiodeKind);
    RegisterDeviceKind(&kProbeKind);
}

// Builders, as the compiler would make the records.
inline Conductance* AddConductance(int a, int b, double g) {
    auto* r = new Conductance;
    r->a = a, r->b = b, r->g = g;
    AddDevice(kResistorList, r);
    return r;
}
inline Source* AddSource(SourceKind kind, int a, int b, double value) {
    auto* s = new Source;
    s->kind = kind;
    s->a = a, s->b = b, s->value = value;
    AddDevice(kSpiceSourceList, s);
    return s;
}
inline Diode* AddDiode(int a, int c, double is, double nvt) {
    auto* d = new Diode;
    d->a = a, d->c = c, d->is = is, d->nvt = nvt;
    AddDevice(kDiodeList, d);
    return d;
}
inline Probe* AddProbe(int node, double g) {
    auto* p = new Probe;
    p->node = node, p->g = g;
    AddDevice(kTableSourceList, p);
    return p;
}

}  // namespace ob7::testdev
