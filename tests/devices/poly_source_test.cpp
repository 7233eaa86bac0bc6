// POLY dependent sources: the term order, the derivatives and the convergence rules,
// and one circuit of every form with one to three controls against ngspice 39 (deck:
// data/poly_sources.cir).

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "devices/device_checks.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/newton.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using PolySources = DeviceCircuit;

TEST(PolyTerms, ExponentsFollowTheGradedOrder) {
    struct Case {
        size_t n;
        std::vector<std::vector<int>> order;  // after the constant
    } cases[] = {
        {1, {{1}, {2}, {3}}},
        {2, {{1, 0}, {0, 1}, {2, 0}, {1, 1}, {0, 2}, {3, 0}, {2, 1}}},
        {3, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 0}, {1, 1, 0}, {1, 0, 1}, {0, 2, 0}, {0, 1, 1}, {0, 0, 2},
             {3, 0, 0}, {2, 1, 0}}},
    };
    for (const Case& c : cases) {
        std::vector<int> e(c.n, 0);
        for (const std::vector<int>& expected : c.order) {
            NextPolyExponents(e);
            EXPECT_EQ(e, expected);
        }
    }
}

TEST(PolyTerms, SumsDerivativesAndMagnitudeHold) {
    PolySource s;
    s.controls.resize(2);
    s.controls[0].value = 3, s.controls[1].value = -2;
    s.coefficients = {0, 0, 0, 0, 1};  // x1*x2
    EXPECT_EQ(PolyTermSum(0, s), -6);
    EXPECT_EQ(PolyTermSum(1, s), -2);
    EXPECT_EQ(PolyTermSum(2, s), 3);
    s.coefficients = {0, 0, 0, 0, -1e-40 / 6};
    EXPECT_EQ(PolyTermSum(0, s), 1e-30);
    s.coefficients = {0, 0, 0, 0, 0};
    EXPECT_EQ(PolyTermSum(0, s), 0);
    EXPECT_EQ(PolyTermSum(1, s), 0);
    EXPECT_EQ(PolyPower(0, 0), 1);
    EXPECT_EQ(PolyPower(5, 0), 0);
    EXPECT_DOUBLE_EQ(PolyPower(6, -2), 64);
}

// V1 0.7, V2 -1.3, V3 2.1; 0.7 mA through vs1 and -0.65 mA through vs2. Each source
// drives its own resistor; the node voltages are ngspice's.
TEST_F(PolySources, EveryFormAgainstTheReference) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 0.7);
    AddSpiceSource(2, 0, kSpiceVoltageSource, -1.3);
    AddSpiceSource(3, 0, kSpiceVoltageSource, 2.1);
    AddResistor(1, 4, 1e3);
    SpiceSource* vs1 = AddSpiceSource(4, 0, kSpiceVoltageSource, 0);
    AddResistor(2, 5, 2e3);
    SpiceSource* vs2 = AddSpiceSource(5, 0, kSpiceVoltageSource, 0);
    const auto control = [](int a, int b) { return PolyControl{0, 0, a, b, nullptr, 0}; };
    const auto current = [](SpiceSource* v) { return PolyControl{0, 0, 0, 0, &v->branch, 0}; };
    AddPolySource(kPolyE, 6, 0, {0.5, 2, -0.3, 0.1}, {control(1, 0)});
    AddResistor(6, 0, 1e3);
    AddPolySource(kPolyG, 0, 7, {0.1, 1, 2, 0.5, 0.2, -0.4}, {control(1, 0), control(2, 0)});
    AddResistor(7, 0, 100);
    std::vector<double> cubic = {0.2, 1, -1, 0.5, 0, 0.3, 0, 0, 0.25};
    cubic.resize(20, 0.0);
    cubic[19] = 0.05;  // x3^3
    AddPolySource(kPolyE, 8, 0, cubic, {control(1, 0), control(2, 0), control(3, 0)});
    AddResistor(8, 0, 1e3);
    AddPolySource(kPolyF, 0, 9, {1e-3, 2, 0, 300}, {current(vs1), current(vs2)});
    AddResistor(9, 0, 1e3);
    AddPolySource(kPolyH, 10, 0, {0.1, 1000, 0, 0, 5e6}, {current(vs2)});
    AddResistor(10, 0, 1e3);
    ASSERT_EQ(Prepare(10), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    const double expected[] = {1.787300e+00, -2.41300e+02, 2.757550e+00, 2.547000e+00, -5.49999e-01};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(V(6 + i), expected[i], 1e-6 * std::fabs(expected[i])) << "node " << 6 + i;
    EXPECT_TRUE(LoadWalksSetUp(kPolySourceKind, Solution));
    EXPECT_TRUE(ConductancesMatchCurrents(kPolySourceKind, Solution, 1e-6, 1e-5, 1e-9));
}

// The first pass of an operating point takes the initial conditions and cannot count as
// converged; a predicted control far from the solution moves at most 10% or 0.1.
TEST_F(PolySources, InitialConditionsAndLimitedControls) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 2);
    PolySource* s = AddPolySource(kPolyG, 2, 0, {0, 1}, {PolyControl{0, 0.25, 1, 0, nullptr, 0}});
    AddResistor(2, 0, 1);
    ASSERT_EQ(Prepare(2), 0);
    AnalysisMode = kModeDc;
    InitMode = kInitJunction;
    NonConvergedCount = 0;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_EQ(s->y, 0.25);  // y = x1 at its initial condition
    EXPECT_EQ(s->controls[0].derivative, 1);
    EXPECT_GE(NonConvergedCount, 1);

    LastAcceptedSolution.assign(Solution.size(), 0.0);
    EarlierAcceptedSolution.assign(Solution.size(), 0.0);
    Solution[1] = 2;
    LastAcceptedSolution[1] = 3.5, EarlierAcceptedSolution[1] = 2;  // predicts 5 at ratio 1
    PredictorRatio = 1;
    InitMode = kInitPredict;
    bool limited = false;
    EXPECT_DOUBLE_EQ(PolyControlValue(1, 0, 0, &limited), 2.2);
    EXPECT_TRUE(limited);
    InitMode = kInitFloat;
    limited = false;
    EXPECT_EQ(PolyControlValue(1, 0, 0, &limited), 2);
    EXPECT_FALSE(limited);
}

TEST_F(PolySources, OutputCurrentConvergence) {
    NonConvergedCount = 0;
    EXPECT_EQ(PolyCurrentNotConverged(1e-7, -1e-7), 0);  // both below VNTOL
    EXPECT_EQ(PolyCurrentNotConverged(1e-3, 1.001e-3), 0);
    EXPECT_EQ(PolyCurrentNotConverged(1e-3, 1.1e-3), 1);
    EXPECT_EQ(NonConvergedCount, 1);
}

// The small signal of y = x1 * x2 at x1 = 3, x2 = -2: gains -2 and 3. An E form puts
// them on its branch row, a G form as transconductances, and its AC current follows.
TEST_F(PolySources, SmallSignalGainsAreTheDerivatives) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 3);
    AddSpiceSource(2, 0, kSpiceVoltageSource, -2);
    const auto control = [](int a) { return PolyControl{0, 0, a, 0, nullptr, 0}; };
    PolySource* e = AddPolySource(kPolyE, 3, 0, {0, 0, 0, 0, 1}, {control(1), control(2)});
    AddResistor(3, 0, 1e3);
    PolySource* g = AddPolySource(kPolyG, 4, 0, {0, 0, 0, 0, 1}, {control(1), control(2)});
    AddResistor(4, 0, 1e3);
    ASSERT_EQ(Prepare(4), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(3), -6, 1e-9);
    EXPECT_NEAR(V(4), 6e3, 1e-6);  // -6 A leave node 4: 6 kV on 1 kohm

    AllocateAcVectors();
    ASSERT_EQ(CreateCircuitMatrix(&AcMatrix, 1e-3, 1e-13), 0);
    MatrixElementTrail trail;
    AcTrail = &trail;
    AcFirstLoad = 1;
    ASSERT_EQ(AcLoadPolySources(), 0);
    const auto y = [](int r, int c) { return GetMatrixElement(AcMatrix, r, c)->real; };
    EXPECT_EQ(y(e->branch, 1), 2);   // -dy/dx1
    EXPECT_EQ(y(e->branch, 2), -3);  // -dy/dx2
    EXPECT_EQ(y(e->branch, 3), 1);
    EXPECT_EQ(y(3, e->branch), 1);
    EXPECT_EQ(y(4, 1), -2);
    EXPECT_EQ(y(4, 2), 3);
    AcSolution[2 * 1] = 0.5, AcSolution[2 * 2 + 1] = 0.25;
    ASSERT_EQ(ComputePolyAcCurrents(), 0);
    EXPECT_EQ(g->ac_current, std::complex<double>(-1, 0.75));
    DestroyCircuitMatrix(AcMatrix);
    AcMatrix = nullptr;
    AcTrail = nullptr;
    FreeAcVectors();
}

}  // namespace
}  // namespace ob7
