#pragma once
// Resistors (device list 3): a value, an expression evaluated at every load, or a RES
// model that scales it and gives temperature coefficients.

#include "expression/expression.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;
struct AcKindHandler;
struct ModelParams;

// RES model slots.
enum ResModelSlot : int { kResR, kResTc1, kResTc2, kResTce, kResNm, kResTMeasured };

struct Resistor : DeviceInstance {
    int a = 0, b = 0;
    double base_value = 0;
    CompiledExpression value_expression;     // empty for a plain number
    CompiledExpression ac_value_expression;  // read by the AC stamp
    double working_value = 0;
    double effective_resistance = 0;  // as used by the last load
    double convergence_slot = 0;      // effective resistance of the previous load
    double temperature_factor = 1;
    ModelParams* model = nullptr;
    double tc1 = 0;
    int tc1_given = 0;
    double tc2 = 0;
    int tc2_given = 0;
    double current = 0;  // kept when wanted
    double power = 0;

    int NonConvergenceValues(int kind, double* values) const override {
        values[0] = convergence_slot;
        return 1;
    }
};

// Appends a resistor of value ohms between a and b to list 3.
Resistor* AddResistor(int a, int b, double value);

int SetupResistors();
int LoadResistors();
// Temperature factors at analysis temperature t (device pass).
int UpdateResistorTemperatures(double t);
// AC stamp (1/R) and thermal noise (a resistor built from a part, kind non-zero).
int AcLoadResistors();
int AddResistorNoiseSources(double frequency);

extern const DeviceKindHandler kResistorKind;
extern const AcKindHandler kResistorAcKind;

}  // namespace ob7
