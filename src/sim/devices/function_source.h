#pragma once
// Function sources (device list 15): a current or voltage source whose value is an
// expression of node voltages and branch currents, linearised at every Newton iteration
// with partial derivatives from derivative expressions or by numeric differentiation.

#include <complex>
#include <memory>
#include <vector>

#include "expression/expression.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct AcKindHandler;
struct DeviceKindHandler;

enum FunctionSourceForm : int { kFunctionCurrent = 35, kFunctionVoltage = 37 };

struct FunctionVariable {
    int equation = 0;  // a node up to the node count, a branch current above it
    double g = 0;      // the partial derivative of this load
    std::unique_ptr<CompiledExpression> derivative;  // null: none found by the compiler
    double last_derivative = 0;
    double previous_derivative = 0;
};

struct FunctionSource : DeviceInstance {
    CompiledExpression value_expression;
    int a = 0, b = 0;  // output nodes
    int form = kFunctionCurrent;
    int branch = 0;    // voltage form
    double value = 0;
    std::vector<FunctionVariable> variables;
    double previous_value = 0;
    double power = 0;
    // Set while the transfer-function analysis names this source as its input: the
    // value is raised by 1e-6.
    bool transfer_input = false;
    CompiledExpression noise_expression;  // a noise current density; empty: noiseless
    // The small-signal form (AC analysis): the function of AC quantities that stands for
    // the source in the AC load, with the equations it reads; empty: the operating
    // point's derivatives.
    CompiledExpression ac_expression;
    std::vector<int> ac_equations;
    std::complex<double> ac_value;        // its value at the last AC load
    std::complex<double> ac_current;      // current form: the AC output current

    int NonConvergenceValues(int kind, double* values) const override {
        values[0] = value;
        return 1;
    }
};

FunctionSource* AddFunctionSource(int form, int a, int b);

int SetupFunctionSources();
int LoadFunctionSources();
// Small signal: the operating point's derivatives as transconductances or gains (or,
// with an AC expression, its complex derivatives and excitation at the present AC
// solution, iterated by the driver), the AC output current, and the noise expression's
// density between the output nodes.
int AcLoadFunctionSources();
int ComputeFunctionSourceAcCurrents();
int AddFunctionSourceNoise(double frequency);

extern const DeviceKindHandler kFunctionSourceKind;
extern const AcKindHandler kFunctionSourceAcKind;

}  // namespace ob7
