#include "sim/devices/capacitor.h"

#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/junction_temperature.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"

namespace ob7 {

namespace {
void SaveCapacitorNominals() {
    for (auto* c : DevicesOf<Capacitor>(kCapacitorList)) c->working_value = c->base_value;
}
}  // namespace

const DeviceKindHandler kCapacitorKind{LoadStage::Capacitors, 0, SetupCapacitors, LoadCapacitors,
                                       BranchRank::None, nullptr, SaveCapacitorNominals};

Capacitor* AddCapacitor(int a, int b, double value) {
    auto* c = new Capacitor;
    InitCompiledExpression(&c->value_expression);
    InitCompiledExpression(&c->ac_value_expression);
    c->a = a, c->b = b;
    c->base_value = c->working_value = c->effective_capacitance = value;
    AddDevice(kCapacitorList, c);
    c->list_position = DeviceListTable[kCapacitorList].count;
    return c;
}

int SetupCapacitors() {
    for (auto* c : DevicesOf<Capacitor>(kCapacitorList))
        if (int error = AllocConductanceEntries(c->a, c->b)) return error;
    return 0;
}

int LoadCapacitors() {
    // What every capacitor of the pass reads from the modes, taken once.
    const int init_mode = InitMode;
    const bool from_solution = TakeVoltageFromSolution();
    const bool transient = InTransient();
    const bool ic_start = init_mode == kInitTransient && UseInitialConditions;
    const ChargeFormula f = PresentChargeFormula();
    const double ag0 = Ag0;
    const double* solution = Solution.data();
    double* q = StateValues.data();
    double* dq = StateDerivatives.data();
    int s = FirstStateIndex(kCapacitorStates);
    for (auto* c : DevicesOf<Capacitor>(kCapacitorList)) {
        const bool has_expression = !c->value_expression.tokens.empty();
        if (has_expression && !IsStepped(&c->working_value)) {
            ComplexValue value{};
            if (int error = EvaluateExpression(&c->value_expression, &value)) return error;
            double v = value.re;
            AvoidZero(v);
            c->base_value = c->working_value = v;
        }
        const double model_scale = c->model ? c->model->Real(kCapC) : 1.0;
        const double k = c->working_value * c->temperature_factor * model_scale;
        double cap = k;
        const double v = from_solution ? GuardVoltage(solution[c->a] - solution[c->b]) : c->initial_condition;
        const bool linear = c->linear;
        double vc1 = 0, vc2 = 0;
        if (!linear) {
            vc1 = c->model->Real(kCapVc1);
            vc2 = c->model->Real(kCapVc2);
            cap = k * (1 + vc1 * v + vc2 * v * v);
        }
        c->effective_capacitance = cap;

        if (init_mode == kInitPredict) {
            q[s] = q[s + 1];
        } else if (linear) {
            if (init_mode == kInitTransient) {
                // Without initial conditions the first charge is the operating point's.
                if (UseInitialConditions) q[s] = c->initial_condition * cap;
                q[s + 1] = q[s];
            } else {
                q[s] = v * cap;
            }
        } else {
            const double x = ic_start ? c->initial_condition : v;
            q[s] = k * x * (1 + vc1 * x / 2 + vc2 * x * x / 3);
            if (init_mode == kInitTransient) q[s + 1] = q[s];
        }

        // Open at an operating point: only a time point integrates the charge.
        double geq = 0, ceq = 0;
        if (transient) {
            if (f.Usable()) f.Integrate(q + s, dq + s, cap, geq, ceq);
            if (!linear) ceq = ceq - geq * v + ag0 * q[s];
            ceq = LimitCompanionCurrent(ceq);
            if (init_mode == kInitTransient) dq[s + 1] = dq[s];
        }
        AddBranchCurrent(c->a, c->b, ceq);
        if (has_expression && StoreAndCheckChange(c->convergence_slot, cap))
            RecordNonConvergentDevice(c, kNcCapacitorValue, c->convergence_slot);
        StampConductance(geq);
        if (c->flag_byte1) {
            c->stored_power = v * dq[s];
            Run.power_stored += c->stored_power;
        }
        s += kHistorySlots;
    }
    return 0;
}

int UpdateCapacitorTemperatures(double t) {
    for (auto* c : DevicesOf<Capacitor>(kCapacitorList)) {
        ModelParams* m = c->model;
        if (!m) {
            c->temperature_factor = 1;
            c->tc1 = c->tc2 = 0;
            c->linear = 1;
            continue;
        }
        const double td = ModelDeviceTemperature(*m, kCapTMeasured, t);
        double* x = ModelReals(*m);
        for (int slot : {kCapTc1, kCapTc2, kCapVc1, kCapVc2})
            if (!IsGiven(x[slot])) x[slot] = 0;
        if (!c->tc1_given) c->tc1 = x[kCapTc1];
        if (!c->tc2_given) c->tc2 = x[kCapTc2];
        const double dt = td - x[kCapTMeasured];
        c->temperature_factor = 1 + c->tc1 * dt + c->tc2 * dt * dt;
        c->linear = (x[kCapVc1] == 0 && x[kCapVc2] == 0) ? 1 : 0;
    }
    return 0;
}

// --- AC -------------------------------------------------------------------------------------
int AcLoadCapacitors() {
    for (auto* c : DevicesOf<Capacitor>(kCapacitorList)) {
        if (!c->ac_value_expression.tokens.empty() && !IsStepped(&c->working_value)) {
            AcIterationNeeded = 1;
            ComplexValue value{};
            if (int error = EvaluateExpression(&c->ac_value_expression, &value)) return error;
            double v = value.re;
            AvoidZero(v);
            c->working_value = v;
            c->effective_capacitance = v * c->temperature_factor * (c->model ? c->model->Real(kCapC) : 1.0);
        }
        if (int error = AcStampSusceptance(c->a, c->b, AcOmega * c->effective_capacitance)) return error;
    }
    return 0;
}

int ComputeCapacitorAcCurrents() {
    for (auto* c : DevicesOf<Capacitor>(kCapacitorList))
        c->ac_current = SusceptanceCurrent(c->a, c->b, AcOmega * c->effective_capacitance);
    return 0;
}

const AcKindHandler kCapacitorAcKind{AcStage::Capacitors, 0, AcLoadCapacitors, AcCurrentRank::Capacitors,
                                     ComputeCapacitorAcCurrents};

}  // namespace ob7
