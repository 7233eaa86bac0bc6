// Function sources: the product of two node voltages as a current and as a voltage,
// linearised with derivative expressions and by numeric differentiation.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "devices/device_checks.h"
#include "sim/devices/function_source.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using FunctionSources = DeviceCircuit;

constexpr int16_t kOpMultiply = 100;

ExpressionToken Read(const double* p) {
    ExpressionToken t;
    t.opcode = kOpRealPointer;
    t.pushes = 1;
    t.value.real = p;
    return t;
}

// The variables V(1) and V(2), known to the set-up.
void AddVariables(FunctionSource* s) {
    for (int e : {1, 2}) {
        FunctionVariable v;
        v.equation = e;
        s->variables.push_back(std::move(v));
    }
}

// value = V(1) * V(2), with dV(1) -> V(2) and dV(2) -> V(1) unless numeric; they read the
// solution, which exists once the circuit is prepared.
void MakeProduct(FunctionSource* s, bool with_derivatives) {
    ExpressionToken multiply;
    multiply.opcode = kOpMultiply;
    s->value_expression.tokens = {Read(&Solution[1]), Read(&Solution[2]), multiply};
    s->value_expression.run = &ob7::Run;  // as a compiled expression points at its run values
    if (!with_derivatives) return;
    for (FunctionVariable& v : s->variables) {
        v.derivative = std::make_unique<CompiledExpression>();
        v.derivative->tokens = {Read(&Solution[v.equation == 1 ? 2 : 1])};
        v.derivative->run = &ob7::Run;
    }
}

TEST_F(FunctionSources, ProductOfTwoVoltages) {
    struct Case {
        int form;
        bool numeric;
    } cases[] = {{kFunctionCurrent, false}, {kFunctionCurrent, true}, {kFunctionVoltage, false},
                 {kFunctionVoltage, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "form " << c.form << " numeric " << c.numeric);
        Options.numeric_derivative = c.numeric;
        AddSpiceSource(1, 0, kSpiceVoltageSource, 2);
        AddSpiceSource(2, 0, kSpiceVoltageSource, -1.5);
        FunctionSource* s = AddFunctionSource(c.form, 0, 3);  // current into node 3 / V(0) - V(3)
        AddResistor(3, 0, 10);
        AddVariables(s);
        ASSERT_EQ(Prepare(3), 0);
        MakeProduct(s, !c.numeric);
        ASSERT_EQ(SolveOperatingPoint(), 0);
        const double expected = c.form == kFunctionCurrent ? -3 * 10.0 : 3;
        EXPECT_NEAR(V(3), expected, 1e-9);
        EXPECT_NEAR(s->variables[0].g, -1.5, c.numeric ? 1e-6 : 1e-15);
        EXPECT_NEAR(s->variables[1].g, 2, c.numeric ? 1e-6 : 1e-15);
        EXPECT_TRUE(LoadWalksSetUp(kFunctionSourceKind, Solution));
        if (!c.numeric) {
            EXPECT_TRUE(ConductancesMatchCurrents(kFunctionSourceKind, Solution));
        }
        FreeSimulationState();
    }
    Options.numeric_derivative = 0;
}

// In AC the current form is a transconductance of each control's derivative at the
// operating point.
TEST_F(FunctionSources, SmallSignalUsesTheOperatingPointDerivatives) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 2);
    AddSpiceSource(2, 0, kSpiceVoltageSource, -1.5);
    FunctionSource* s = AddFunctionSource(kFunctionCurrent, 0, 3);
    AddResistor(3, 0, 10);
    AddVariables(s);
    ASSERT_EQ(Prepare(3), 0);
    MakeProduct(s, true);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    AllocateAcVectors();
    ASSERT_EQ(CreateCircuitMatrix(&AcMatrix, 1e-3, 1e-13), 0);
    MatrixElementTrail trail;
    AcTrail = &trail;
    AcFirstLoad = 1;
    ASSERT_EQ(AcLoadFunctionSources(), 0);
    EXPECT_EQ(GetMatrixElement(AcMatrix, 3, 1)->real, 1.5);  // -dI/dV1 into node 3
    EXPECT_EQ(GetMatrixElement(AcMatrix, 3, 2)->real, -2);
    AcSolution[2 * 1] = 1;
    ASSERT_EQ(ComputeFunctionSourceAcCurrents(), 0);
    EXPECT_EQ(s->ac_current, std::complex<double>(-1.5, 0));
    DestroyCircuitMatrix(AcMatrix);
    AcMatrix = nullptr;
    AcTrail = nullptr;
    FreeAcVectors();
}

}  // namespace
}  // namespace ob7
