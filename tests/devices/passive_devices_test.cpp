// Resistors, capacitors, inductors and couplings: values, temperature factors, and small
// circuits through the engine against their closed forms.

#include <gtest/gtest.h>

#include <cmath>

#include "devices/device_checks.h"
#include "foundation/message_codes.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/resistor.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using PassiveDevices = DeviceCircuit;

TEST_F(PassiveDevices, ModelSlotsFollowTheTypeTable) {
    EXPECT_EQ(FindModelParam(kModelRes, "TCE"), kResTce);
    EXPECT_EQ(FindModelParam(kModelRes, "T_MEASURED"), kResTMeasured);
    EXPECT_EQ(FindModelParam(kModelCap, "VC2"), kCapVc2);
    EXPECT_EQ(FindModelParam(kModelCap, "T_MEASURED"), kCapTMeasured);
    EXPECT_EQ(FindModelParam(kModelInd, "IL2"), kIndIl2);
    EXPECT_EQ(FindModelParam(kModelInd, "T_MEASURED"), kIndTMeasured);
}

// A step of 1 V through R into C: v(t) = 1 - exp(-t / RC).
TEST_F(PassiveDevices, RcStepFollowsTheExponential) {
    SpiceSource* source = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    source->spec_kind = kSourcePulse;
    const double p[7] = {0, 1, 0, 1e-9, 1e-9, 1, 2};
    std::copy(p, p + 7, source->p);
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-6);
    ASSERT_EQ(Prepare(2), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(2), 0, 1e-12);
    const double rc = 1e-3, h = 1e-6;
    ASSERT_EQ(BeginTransient(1e-9), 0);
    double worst = 0;
    while (ob7::Run.time < 5 * rc) {
        ASSERT_EQ(Step(h), 0);
        worst = std::max(worst, std::fabs(V(2) - (1 - std::exp(-(ob7::Run.time - 1e-9) / rc))));
    }
    EXPECT_LT(worst, 1e-3);
}

// 1 V across R into L: i(t) = (1 - exp(-t R / L)) / R.
TEST_F(PassiveDevices, RlStepAndCoupledPairMutualVoltage) {
    SpiceSource* source = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    source->spec_kind = kSourcePulse;
    const double p[7] = {0, 1, 0, 1e-9, 1e-9, 1, 2};
    std::copy(p, p + 7, source->p);
    AddResistor(1, 2, 10);
    Inductor* l1 = AddInductor(2, 0, 1e-3);
    // The secondary drives a large resistance: open, so v2 = M di1/dt.
    Inductor* l2 = AddInductor(3, 0, 4e-3);
    AddResistor(3, 0, 1e9);
    AddCoupling(l1, l2, 0.5);
    ASSERT_EQ(Prepare(3), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    const double tau = 1e-3 / 10, h = 1e-7;
    ASSERT_EQ(BeginTransient(1e-9), 0);
    double worst_i = 0, worst_v = 0;
    const double m = 0.5 * std::sqrt(1e-3 * 4e-3);
    while (ob7::Run.time < 3 * tau) {
        ASSERT_EQ(Step(h), 0);
        const double t = ob7::Run.time - 1e-9;
        const double i = Solution[l1->Branch()];
        worst_i = std::max(worst_i, std::fabs(i - (1 - std::exp(-t / tau)) / 10));
        // v2 = M di1/dt = M / L1 * exp(-t / tau)
        if (t > 10 * h) worst_v = std::max(worst_v, std::fabs(V(3) - m / 1e-3 * std::exp(-t / tau)));
    }
    EXPECT_LT(worst_i, 1e-4);
    // v2 is a derivative of the trapezoidal current: a small ripple rides on it.
    EXPECT_LT(worst_v, 5e-3);
}

// Even after a transient left its integration coefficients behind, and with a coupling.
TEST_F(PassiveDevices, InductorIsAShortAtTheOperatingPoint) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 2);
    AddResistor(1, 2, 100);
    Inductor* l = AddInductor(2, 0, 1e-3);
    Inductor* other = AddInductor(3, 0, 1e-3);
    AddResistor(3, 0, 50);
    AddCoupling(l, other, 0.9);
    ASSERT_EQ(Prepare(3), 0);
    AnalysisKind = 2;
    StepHistory[0] = 1e-9;
    IntegrationOrder = 1;
    ComputeIntegrationCoefficients();
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(2), 0, 1e-12);
    EXPECT_NEAR(Solution[l->Branch()], 0.02, 1e-12);
    EXPECT_NEAR(Solution[other->Branch()], 0, 1e-12);
}

TEST_F(PassiveDevices, CapacitorIsOpenAtTheOperatingPoint) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddResistor(1, 2, 1e3);
    Capacitor* c = AddCapacitor(2, 0, 1e-6);
    ASSERT_EQ(Prepare(2), 0);
    StepHistory[0] = 1e-9;  // coefficients a transient left behind
    IntegrationOrder = 1;
    ComputeIntegrationCoefficients();
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(2), 1, 1e-12);
    EXPECT_NEAR(StateValues[0], 1e-6, 1e-18);  // the charge is kept for the transient
    (void)c;
}

// With initial conditions the transient starts from them: a capacitor at 1 V and an
// inductor carrying 10 mA discharge through their resistors.
TEST_F(PassiveDevices, InitialConditionsStartTheTransient) {
    AddResistor(1, 0, 1e3);
    Capacitor* c = AddCapacitor(1, 0, 1e-6);
    c->initial_condition = 1;
    AddResistor(2, 0, 10);
    Inductor* l = AddInductor(2, 0, 1e-3);
    l->initial_current = 0.01, l->ic_given = 1;
    // No operating point: the transient's own matrix, set up at a time point.
    UseInitialConditions = 1;
    AnalysisMode = kModeTransient;
    ASSERT_EQ(Prepare(2), 0);
    ASSERT_EQ(BeginTransient(1e-7), 0);
    double worst_v = 0, worst_i = 0;
    while (ob7::Run.time < 3e-4) {
        ASSERT_EQ(Step(1e-7), 0);
        const double t = ob7::Run.time;
        worst_v = std::max(worst_v, std::fabs(V(1) - std::exp(-t / 1e-3)));
        worst_i = std::max(worst_i, std::fabs(Solution[l->Branch()] - 0.01 * std::exp(-t / 1e-4)));
    }
    EXPECT_LT(worst_v, 1e-3);
    EXPECT_LT(worst_i, 1e-5);
}

TEST_F(PassiveDevices, CouplingOutsideUnitRangeIsRefused) {
    Inductor* a = AddInductor(1, 0, 1e-3);
    Inductor* b = AddInductor(2, 0, 1e-3);
    Coupling* k = AddCoupling(a, b, 1.0);
    double value = 0;
    EXPECT_EQ(EvalCouplingValue(k, &value), 0);
    EXPECT_EQ(value, 1.0);
    k->value = 1.0000001;
    EXPECT_EQ(EvalCouplingValue(k, &value), kMsgReported);
}

TEST_F(PassiveDevices, ValueGuardsAtLoad) {
    Resistor* zero = AddResistor(1, 0, 0);
    Resistor* tiny = AddResistor(1, 0, -1e-9);
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1e-3);
    ASSERT_EQ(Prepare(1), 0);
    EXPECT_EQ(zero->effective_resistance, Options.rmin);
    EXPECT_EQ(tiny->effective_resistance, -Options.rmin);
}

struct TemperatureCase {
    const char* what;
    double tce, tc1;
    int device_tc1_given;
    double t_measured, analysis, expected;
};

TEST_F(PassiveDevices, ResistorTemperatureFactors) {
    const TemperatureCase cases[] = {
        {"TCE 2 at 10 degrees above T_MEASURED", 2, 0, 0, 17, 27, std::pow(1.01, 20)},
        {"model TC1", 0, 0.01, 0, 27, 37, 1.1},
        {"device TC1 overrides TCE", 2, 0, 1, 27, 37, 1 + 0.002 * 10},
    };
    for (const TemperatureCase& tc : cases) {
        SCOPED_TRACE(tc.what);
        auto m = MakeModelParams(kModelRes);
        SetModelParam(*m, "TCE", tc.tce);
        SetModelParam(*m, "TC1", tc.tc1);
        SetModelParam(*m, "T_MEASURED", tc.t_measured);
        Resistor* r = AddResistor(1, 0, 100);
        r->model = m.get();
        r->tc1 = 0.002;
        r->tc1_given = tc.device_tc1_given;
        EXPECT_EQ(UpdateResistorTemperatures(tc.analysis), 0);
        EXPECT_NEAR(r->temperature_factor, tc.expected, 1e-12);
        FreeDeviceLists();
    }
    // Without a model the device's own coefficients count from TNOM.
    Resistor* r = AddResistor(1, 0, 100);
    r->tc1 = 0.01, r->tc1_given = 1;
    UpdateResistorTemperatures(Options.tnom + 10);
    EXPECT_NEAR(r->temperature_factor, 1.1, 1e-12);
}

TEST_F(PassiveDevices, ZeroTemperatureFactorStillLoadsRmin) {
    // A factor of 0 or below leaves the smallest resistance of the value's own sign,
    // never a resistance of the other sign.
    const struct {
        double value, tc1;  // TC1 of the device, at TNOM + 10
        bool model;         // through a RES model with R = 2
        double expected;
    } cases[] = {
        {100, -1.0 / 10, false, Options.rmin},   // factor 0
        {100, -2.0 / 10, false, Options.rmin},   // factor -1
        {-100, -2.0 / 10, false, -Options.rmin},
        {100, -2.0 / 10, true, Options.rmin},
        {100, 1.0 / 10, true, 100 * 2 * 2},      // factor 2, scale 2: unchanged
    };
    for (const auto& c : cases) {
        auto m = MakeModelParams(kModelRes);
        SetModelParam(*m, "R", 2);
        SetModelParam(*m, "T_MEASURED", Options.tnom);
        Resistor* r = AddResistor(1, 0, c.value);
        if (c.model) r->model = m.get();
        r->tc1 = c.tc1, r->tc1_given = 1;
        UpdateResistorTemperatures(Options.tnom + 10);
        AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
        ASSERT_EQ(Prepare(1), 0);
        EXPECT_DOUBLE_EQ(r->effective_resistance, c.expected) << c.value << " " << c.tc1;
        EXPECT_TRUE(std::isfinite(1 / r->effective_resistance));
        FreeDeviceLists();
    }
}

TEST_F(PassiveDevices, CapacitorAndInductorModels) {
    auto cap = MakeModelParams(kModelCap);
    SetModelParam(*cap, "VC2", 0.1);
    Capacitor* c = AddCapacitor(1, 0, 1e-9);
    c->model = cap.get();
    UpdateCapacitorTemperatures(27);
    EXPECT_EQ(c->linear, 0);  // one voltage coefficient makes it nonlinear

    auto ind = MakeModelParams(kModelInd);
    SetModelParam(*ind, "IL1", 0.1);
    SetModelParam(*ind, "IL2", 0.01);
    Inductor* l = AddInductor(1, 0, 1e-3);
    l->model = ind.get();
    l->tc1 = 0.5, l->tc1_given = 1;
    UpdateInductorTemperatures(27);
    EXPECT_EQ(l->linear, 0);
    // Without a model the instance coefficient has no effect.
    Inductor* plain = AddInductor(2, 0, 1e-3);
    plain->tc1 = 0.5, plain->tc1_given = 1;
    UpdateInductorTemperatures(50);
    EXPECT_EQ(plain->temperature_factor, 1);
}

// The current-dependent inductance L (1 + IL1 I + IL2 I^2) through the engine: a DC
// current of 2 A, then the flux L0 (I + IL1 I^2 / 2 + IL2 I^3 / 3).
TEST_F(PassiveDevices, CurrentDependentInductance) {
    auto ind = MakeModelParams(kModelInd);
    SetModelParam(*ind, "IL1", 0.1);
    SetModelParam(*ind, "IL2", 0.01);
    SpiceSource* i = AddSpiceSource(0, 1, 0, 2);  // 2 A into node 1
    (void)i;
    Inductor* l = AddInductor(1, 0, 1e-3);
    l->model = ind.get();
    UpdateInductorTemperatures(27);
    ASSERT_EQ(Prepare(1), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(Solution[l->Branch()], 2, 1e-12);
    EXPECT_NEAR(l->inductance, 1e-3 * (1 + 0.2 + 0.04), 1e-15);
    EXPECT_NEAR(l->self_flux, 1e-3 * (2 + 0.1 * 4 / 2 + 0.01 * 8 / 3), 1e-15);
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

// The nonlinear passive kinds through the generic checks at time points: the companion
// conductance of a voltage-dependent charge and of a current-dependent flux.
TEST_F(PassiveDevices, NonlinearChargesPassTheGenericChecks) {
    auto cap = MakeModelParams(kModelCap);
    SetModelParam(*cap, "VC1", 0.2);
    SetModelParam(*cap, "VC2", 0.05);
    Capacitor* c = AddCapacitor(1, 2, 1e-9);
    c->model = cap.get();
    auto ind = MakeModelParams(kModelInd);
    SetModelParam(*ind, "IL1", 0.1);
    SetModelParam(*ind, "IL2", 0.01);
    Inductor* l = AddInductor(2, 0, 1e-3);
    l->model = ind.get();
    AddResistor(1, 0, 1);
    UpdateCapacitorTemperatures(27);
    UpdateInductorTemperatures(27);
    ASSERT_EQ(Prepare(2), 0);
    // Bias points: node voltages and the inductor's current.
    const double points[][3] = {{0, 0, 0}, {1, -0.5, 0.3}, {-3, 2, -2}, {5, 0.1, 4}};
    for (const auto& p : points) {
        std::vector<double> x(EquationCount + 1, 0.0);
        x[1] = p[0], x[2] = p[1], x[l->Branch()] = p[2];
        for (const DeviceKindHandler* kind : {&kCapacitorKind, &kInductorKind}) {
            EXPECT_TRUE(LoadWalksSetUp(*kind, x, LoadPoint::Time));
            EXPECT_TRUE(ConductancesMatchCurrents(*kind, x, 1e-6, 1e-5, 1e-9, LoadPoint::Time))
                << "at " << p[0] << ", " << p[1] << ", " << p[2];
        }
    }
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

// A value expression reading one double, as the compiler would make for a parameter.
void ReadValueFrom(CompiledExpression& e, const double* source) {
    ExpressionToken token;
    token.opcode = kOpRealPointer;
    token.pushes = 1;
    token.value.real = source;
    e.tokens = {token};
}

TEST_F(PassiveDevices, ExpressionValuesAreCheckedForChange) {
    double r_value = 1e3, c_value = 0;
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    Resistor* r = AddResistor(1, 0, 1);
    ReadValueFrom(r->value_expression, &r_value);
    Capacitor* c = AddCapacitor(1, 0, 1e-9);
    ReadValueFrom(c->value_expression, &c_value);
    ASSERT_EQ(Prepare(1), 0);
    EXPECT_EQ(r->effective_resistance, 1e3);
    EXPECT_EQ(c->working_value, 1e-20);  // an expression value of 0 loads as 1e-20

    NonConvergedCount = 0;
    NonConvergence.entries.clear();
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_EQ(NonConvergedCount, 0);
    r_value = 1.01e3;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_EQ(NonConvergedCount, 1);
    ASSERT_EQ(NonConvergence.entries.size(), 1u);
    EXPECT_EQ(NonConvergence.entries[0].kind, kNcResistorValue);

    // A stepped value is not replaced by its expression.
    ValueIsStepped = [](const double*) { return true; };
    r->working_value = 500;
    ASSERT_EQ(LoadCircuit(), 0);
    ValueIsStepped = nullptr;
    EXPECT_EQ(r->effective_resistance, 500);
}

}  // namespace
}  // namespace ob7
