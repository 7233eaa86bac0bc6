#pragma once
// Capacitors (device list 35): a value or an expression, an optional CAP model that
// scales it, gives temperature coefficients and makes it nonlinear through voltage
// coefficients. One charge state each, at the start of the state vector.

#include <complex>

#include "expression/expression.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;
struct AcKindHandler;
struct ModelParams;

// CAP model slots.
enum CapModelSlot : int { kCapC, kCapVc1, kCapVc2, kCapTc1, kCapTc2, kCapTMeasured };

struct Capacitor : DeviceInstance {
    int a = 0, b = 0;
    double base_value = 0;
    CompiledExpression value_expression;
    CompiledExpression ac_value_expression;
    double working_value = 0;
    double effective_capacitance = 0;
    double convergence_slot = 0;
    double temperature_factor = 1;
    ModelParams* model = nullptr;
    double tc1 = 0;
    int tc1_given = 0;
    double tc2 = 0;
    int tc2_given = 0;
    double initial_condition = 0;  // voltage a -> b when not taken from the solution
    int list_position = 0;         // 1-based
    double stored_power = 0;
    int linear = 1;
    std::complex<double> ac_current;  // a -> b, from the AC solution

    int NonConvergenceValues(int kind, double* values) const override {
        values[0] = convergence_slot;
        return 1;
    }
};

// Appends a capacitor of value farads between a and b to list 35.
Capacitor* AddCapacitor(int a, int b, double value);

int SetupCapacitors();
int LoadCapacitors();
int UpdateCapacitorTemperatures(double t);
// AC stamp (j omega C) and its current.
int AcLoadCapacitors();
int ComputeCapacitorAcCurrents();

extern const DeviceKindHandler kCapacitorKind;
extern const AcKindHandler kCapacitorAcKind;

}  // namespace ob7
