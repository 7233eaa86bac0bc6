#include "sim/devices/resistor.h"

#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/junction_temperature.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/newton.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {
void SaveResistorNominals() {
    for (auto* r : DevicesOf<Resistor>(kResistorList)) r->working_value = r->base_value;
}
}  // namespace

const DeviceKindHandler kResistorKind{LoadStage::Resistors, 0, SetupResistors, LoadResistors,
                                      BranchRank::None, nullptr, SaveResistorNominals};

Resistor* AddResistor(int a, int b, double value) {
    auto* r = new Resistor;
    InitCompiledExpression(&r->value_expression);
    InitCompiledExpression(&r->ac_value_expression);
    r->a = a, r->b = b;
    r->base_value = r->working_value = r->effective_resistance = value;
    AddDevice(kResistorList, r);
    return r;
}

int SetupResistors() {
    for (auto* r : DevicesOf<Resistor>(kResistorList))
        if (int error = AllocConductanceEntries(r->a, r->b)) return error;
    return 0;
}

int LoadResistors() {
    for (auto* r : DevicesOf<Resistor>(kResistorList)) {
        const bool has_expression = !r->value_expression.tokens.empty();
        if (has_expression && !IsStepped(&r->working_value)) {
            ComplexValue value{};
            if (int error = EvaluateExpression(&r->value_expression, &value)) return error;
            double v = value.re;
            ClampToRmin(v);
            r->base_value = r->working_value = v;
        } else {
            ClampToRmin(r->working_value);
        }
        double R = r->temperature_factor * r->working_value;
        if (r->model) R *= r->model->Real(kResR);
        // A temperature factor of 0 or below would leave no resistance at all, or one of
        // the other sign: the smallest resistance of the value's own sign instead.
        if (r->temperature_factor <= 0) {
            const double scaled = r->model ? r->working_value * r->model->Real(kResR) : r->working_value;
            R = scaled < 0 ? -Options.rmin : Options.rmin;
        }
        ClampToRmin(R);
        r->effective_resistance = R;
        StampConductance(1 / R);
        if (has_expression && StoreAndCheckChange(r->convergence_slot, R))
            RecordNonConvergentDevice(r, kNcResistorValue, r->convergence_slot);
        if (r->flag_byte0 || r->flag_byte1) {
            const double v = GuardVoltage(Solution[r->a] - Solution[r->b]);
            r->current = v / R;
            r->power = v * v / R;
            Run.power_dissipated += r->power;
        }
    }
    return 0;
}

int UpdateResistorTemperatures(double t) {
    for (auto* r : DevicesOf<Resistor>(kResistorList)) {
        ModelParams* m = r->model;
        if (!m) {
            const double dt = t - Options.tnom;
            r->temperature_factor = 1;
            if (r->tc1_given) r->temperature_factor += r->tc1 * dt;
            if (r->tc2_given) r->temperature_factor += r->tc2 * dt * dt;
            continue;
        }
        const double td = ModelDeviceTemperature(*m, kResTMeasured, t);
        double* x = ModelReals(*m);
        for (int slot : {kResTc1, kResTc2, kResTce})
            if (!IsGiven(x[slot])) x[slot] = 0;
        if (!r->tc1_given) r->tc1 = x[kResTc1];
        if (!r->tc2_given) r->tc2 = x[kResTc2];
        const double dt = td - x[kResTMeasured];
        r->temperature_factor = 1 + r->tc1 * dt + r->tc2 * dt * dt;
        if (!r->tc1_given && !r->tc2_given && x[kResTce] != 0)
            r->temperature_factor = std::pow(1.01, x[kResTce] * dt);
    }
    return 0;
}

// --- AC -------------------------------------------------------------------------------------
namespace {
// The resistance of the AC stamp: the AC value expression when there is one (evaluated on
// AC quantities, so the driver iterates), else the resistance of the operating point.
int AcResistance(Resistor* r, double* resistance) {
    if (!r->ac_value_expression.tokens.empty() && !IsStepped(&r->working_value)) {
        AcIterationNeeded = 1;
        ComplexValue value{};
        if (int error = EvaluateExpression(&r->ac_value_expression, &value)) return error;
        double v = value.re;
        ClampToRmin(v);
        r->working_value = v;
        double R = r->temperature_factor * v;
        if (r->model) R *= r->model->Real(kResR);
        ClampToRmin(R);
        r->effective_resistance = R;
    }
    *resistance = r->effective_resistance;
    return 0;
}
}  // namespace

int AcLoadResistors() {
    for (auto* r : DevicesOf<Resistor>(kResistorList)) {
        double R = 0;
        if (int error = AcResistance(r, &R)) return error;
        if (int error = AcStampConductance(r->a, r->b, 1 / R)) return error;
    }
    return 0;
}

int AddResistorNoiseSources(double) {
    for (auto* r : DevicesOf<Resistor>(kResistorList)) {
        if (r->kind == 0) continue;  // internal resistors of other devices are noiseless
        double t = Run.temp, nm = 1.0;
        if (r->model) {
            const double* x = ModelReals(*r->model);
            // The model's absolute temperature, else its offset from the run's.
            if (IsGiven(x[kResTMeasured + 1])) t = x[kResTMeasured + 1];
            else if (IsGiven(x[kResTMeasured + 2])) t = Run.temp + x[kResTMeasured + 2];
            nm = IsGiven(x[kResNm]) ? x[kResNm] : 1.0;
        }
        const double R = r->effective_resistance;
        if (nm == 0 || !(R > 0)) continue;
        AddNoiseSource(r->a, r->b, nm * std::sqrt(4 * kNoiseBoltzmann * (t + kZeroCelsius) / R));
    }
    return 0;
}

const AcKindHandler kResistorAcKind{AcStage::Resistors, 0, AcLoadResistors, AcCurrentRank::None, nullptr,
                                    NoiseRank::Resistors, AddResistorNoiseSources};

}  // namespace ob7
