#include "sim/devices/inductor.h"

#include <algorithm>
#include <cmath>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/magnetic_core.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"

namespace ob7 {

namespace {

// The compiled value becomes the working L0 that stepping and tolerance runs change.
void SaveInductorNominals() {
    for (auto* l : DevicesOf<Inductor>(kInductorList)) l->nominal = l->value;
}

// In a DC analysis an inductor with an initial current belongs to the initial-condition
// ties, not to the matrix.
bool SkippedInDc(const Inductor* l) { return InDcAnalysis() && l->ic_given; }

double AtLeastTiny(double l) {
    if (std::fabs(l) >= 1e-30) return l;
    return l < 0 ? -1e-30 : 1e-30;
}

}  // namespace

const DeviceKindHandler kInductorKind{LoadStage::Inductors, 0, SetupInductors, LoadInductors,
                                      BranchRank::None, nullptr, SaveInductorNominals};

int Inductor::Branch() const { return NodeCount + ordinal; }

Coupling::~Coupling() {
    if (value_expression) {
        FreeExpression(value_expression);
        delete value_expression;
    }
}

Inductor* AddInductor(int a, int b, double value) {
    auto* l = new Inductor;
    InitCompiledExpression(&l->value_expression);
    l->a = a, l->b = b;
    l->value = l->nominal = l->inductance = value;
    AddDevice(kInductorList, l);
    l->ordinal = DeviceListTable[kInductorList].count;
    return l;
}

Coupling* AddCoupling(Inductor* first, Inductor* second, double k) {
    auto* c = new Coupling;
    c->first = first, c->second = second, c->value = k;
    AddDevice(kCouplingList, c);
    return c;
}

int SetupInductors() {
    for (auto* l : DevicesOf<Inductor>(kInductorList)) {
        if (SkippedInDc(l)) continue;
        const int k = l->Branch();
        for (auto [r, c] : {std::pair{k, k}, {l->a, k}, {k, l->a}, {k, l->b}, {l->b, k}})
            if (int error = AllocMatrixEntry(r, c)) return error;
    }
    for (auto* c : DevicesOf<Coupling>(kCouplingList)) {
        if (!c->first || !c->second) continue;
        const int k1 = c->first->Branch(), k2 = c->second->Branch();
        if (int error = AllocMatrixEntry(k1, k2)) return error;
        if (int error = AllocMatrixEntry(k2, k1)) return error;
    }
    return 0;
}

int EvalCouplingValue(Coupling* c, double* k) {
    double value = c->value;
    if (c->value_expression && !IsStepped(&c->value)) {
        ComplexValue result{};
        if (int error = EvaluateExpression(c->value_expression, &result)) return error;
        value = result.re;
    }
    if (value < -1 || value > 1) {
        ReportMessage("EN", kMsgCouplingRange, c->owning_part);
        return kMsgReported;
    }
    *k = value;
    return 0;
}

int LoadInductors() {
    const int first_state = FirstStateIndex(kInductorStates);
    double* q = StateValues.data();
    double* dq = StateDerivatives.data();

    CoreStepFactor = 1e30;
    // Fluxes of the inductors' own currents; a core winding's comes from its core.
    int s = first_state;
    for (auto* l : DevicesOf<Inductor>(kInductorList)) {
        if (l->core) {
            s += kHistorySlots;
            continue;
        }
        const bool has_expression = !l->value_expression.tokens.empty();
        if (has_expression && !IsStepped(&l->nominal)) {
            ComplexValue result{};
            if (int error = EvaluateExpression(&l->value_expression, &result)) return error;
            double v = result.re;
            AvoidZero(v);
            l->value = l->nominal = v;
        }
        const double scale = l->model ? l->model->Real(kIndL) : 1.0;
        const double base = l->temperature_factor * l->nominal * scale;
        const double i = Solution[l->Branch()];
        if (l->linear) {
            l->inductance = base;
            q[s] = (TranStartWithIc() && l->ic_given) ? base * l->initial_current : base * i;
        } else {
            const double il1 = l->model->Real(kIndIl1), il2 = l->model->Real(kIndIl2);
            l->inductance = base * (1 + il1 * i + il2 * i * i);
            q[s] = base * (i + il1 * i * i / 2 + il2 * i * i * i / 3);
        }
        l->self_flux = q[s];
        if (has_expression && StoreAndCheckChange(l->convergence_slot, l->inductance))
            RecordNonConvergentDevice(l, kNcInductorValue, l->inductance);
        s += kHistorySlots;
    }

    // Mutual fluxes.
    for (auto* c : DevicesOf<Coupling>(kCouplingList)) {
        if (!c->first || !c->second || c->first->core || c->second->core) continue;
        double k = 0;
        if (int error = EvalCouplingValue(c, &k)) return error;
        const double l1 = AtLeastTiny(c->first->inductance), l2 = AtLeastTiny(c->second->inductance);
        const int s1 = first_state + (c->first->ordinal - 1) * kHistorySlots;
        const int s2 = first_state + (c->second->ordinal - 1) * kHistorySlots;
        q[s1] += std::sqrt(l1 / l2) * c->second->self_flux * k;
        q[s2] += std::sqrt(l2 / l1) * c->first->self_flux * k;
    }

    if (int error = UpdateCoreCouplings()) return error;

    // Branches.
    s = first_state;
    for (auto* l : DevicesOf<Inductor>(kInductorList)) {
        const int state = s;
        s += kHistorySlots;
        if (SkippedInDc(l)) continue;
        const int k = l->Branch();
        const double i = Solution[k];
        double req = 0, veq = 0;
        if (!InDcAnalysis()) {
            if (InitMode == kInitPredict) q[state] = q[state + 1];
            if (InitMode == kInitTransient) q[state + 1] = q[state];
            IntegrateCharge(req, veq, l->inductance, state);
            if (!l->linear || l->core) veq = veq - req * i + Ag0 * q[state];
            if (InitMode == kInitTransient) dq[state + 1] = dq[state];
        }
        RightHandSide[k] += veq;
        StampNext(-req);
        StampNext(1);
        StampNext(1);
        StampNext(-1);
        StampNext(-1);
        if (l->flag_byte1) {
            l->power = (Solution[l->a] - Solution[l->b]) * i;
            Run.power_stored += l->power;
        }
    }

    // Mutual inductances.
    for (auto* c : DevicesOf<Coupling>(kCouplingList)) {
        if (!c->first || !c->second) continue;
        double k = 0;
        if (int error = EvalCouplingValue(c, &k)) return error;
        // At an operating point the windings are shorts: no mutual term.
        const double ag0 = InDcAnalysis() ? 0 : Ag0;
        const double m = std::sqrt(c->second->inductance * c->first->inductance) * ag0 * k;
        auto current = [](const Inductor* l) {
            return TranStartWithIc() ? l->initial_current : Solution[l->Branch()];
        };
        const double m1 = c->second->linear && !c->second->core ? 0 : m * current(c->second);
        const double m2 = c->first->linear && !c->first->core ? 0 : m * current(c->first);
        StampNext(-m);
        StampNext(-m);
        RightHandSide[c->first->Branch()] -= m1;
        RightHandSide[c->second->Branch()] -= m2;
    }
    return 0;
}

int UpdateInductorTemperatures(double t) {
    for (auto* l : DevicesOf<Inductor>(kInductorList)) {
        ModelParams* m = l->model;
        if (!m) {
            l->temperature_factor = 1;
            l->tc1 = l->tc2 = 0;
            l->linear = 1;
            continue;
        }
        const double td = ModelDeviceTemperature(*m, kIndTMeasured, t);
        double* x = ModelReals(*m);
        for (int slot : {kIndTc1, kIndTc2, kIndIl1, kIndIl2})
            if (!IsGiven(x[slot])) x[slot] = 0;
        if (!l->tc1_given) l->tc1 = x[kIndTc1];
        if (!l->tc2_given) l->tc2 = x[kIndTc2];
        const double dt = td - x[kIndTMeasured];
        l->temperature_factor = 1 + l->tc1 * dt + l->tc2 * dt * dt;
        // One current coefficient alone makes the inductance current-dependent too, as a
        // single voltage coefficient does for a capacitor.
        l->linear = (x[kIndIl1] == 0 && x[kIndIl2] == 0) ? 1 : 0;
    }
    return 0;
}

// --- AC -------------------------------------------------------------------------------------
// Branch row: V(a) - V(b) - j omega L I = 0.
int AcLoadInductors() {
    for (auto* l : DevicesOf<Inductor>(kInductorList)) {
        const int e = l->Branch();
        int error = AcAddReal(l->a, e, 1.0);
        if (!error) error = AcAddReal(e, l->a, 1.0);
        if (!error) error = AcAddReal(e, l->b, -1.0);
        if (!error) error = AcAddReal(l->b, e, -1.0);
        if (!error) error = AcAddImag(e, e, -AcOmega * l->inductance);
        if (error) return error;
    }
    return 0;
}

int AcLoadCouplings() {
    for (auto* c : DevicesOf<Coupling>(kCouplingList)) {
        if (!c->first || !c->second) continue;
        double k = 0;
        if (int error = EvalCouplingValue(c, &k)) return error;
        const double m = -AcOmega * k * std::sqrt(c->first->inductance * c->second->inductance);
        const int b1 = c->first->Branch(), b2 = c->second->Branch();
        int error = AcAddImag(b1, b2, m);
        if (!error) error = AcAddImag(b2, b1, m);
        if (error) return error;
    }
    return 0;
}

const AcKindHandler kInductorAcKind{AcStage::Inductors, 0, AcLoadInductors};
const AcKindHandler kCouplingAcKind{AcStage::Couplings, 0, AcLoadCouplings};

}  // namespace ob7
