// The diode: model pass, temperature, the generic checks over its regions, and a
// circuit against the closed form of the junction at two temperatures.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "devices/device_checks.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/resistor.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class DiodeDevices : public ModelCircuit {
protected:
    void SetUp() override {
        ModelCircuit::SetUp();
        RegisterDiodeKind();
    }
    ModelParams* Model(std::initializer_list<std::pair<const char*, double>> params) {
        return ModelCircuit::Model(kModelDiode, params);
    }
};

void ExpectGenericChecks(const std::vector<double>& x) {
    for (int i = 0; i < 20; ++i) LoadKindAt(kDiodeKind, x);  // let the step limiting arrive
    EXPECT_TRUE(LoadWalksSetUp(kDiodeKind, x));
    EXPECT_TRUE(ConductancesMatchCurrents(kDiodeKind, x, 1e-6, 1e-4, 1e-11));
}

TEST_F(DiodeDevices, SlotsFollowTheTypeTable) {
    EXPECT_EQ(FindModelParam(kModelDiode, "RL"), kDRl);
    EXPECT_EQ(FindModelParam(kModelDiode, "T_REL_LOCAL"), kDTRelLocal);
    EXPECT_EQ(ModelTypeRow(kModelDiode).storedCount, kDiodeSlotCount);
}

// Forward, reverse, breakdown: level 1 with series resistance and charge parameters,
// level 2 with recombination, high injection and two breakdown exponentials.
TEST_F(DiodeDevices, ConductancesMatchCurrentsInEveryRegion) {
    ModelParams* one = Model({{"RS", 5}, {"BV", 10}, {"IBV", 1e-3}, {"CJO", 1e-12}, {"TT", 1e-9}, {"RL", 1e6}});
    ModelParams* two = Model({{"LEVEL", 2}, {"ISR", 1e-12}, {"IKF", 1e-2}, {"BV", 8}, {"IBV", 1e-4}, {"NBV", 1.5},
                              {"IBVL", 1e-6}, {"NBVL", 3}, {"M", 0.4}});
    AddDiode(one, 1, 0, 2.0, 2);
    AddDiode(two, 3, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(3), 0);
    const double bv1 = one->Real(kDBv);
    for (double v : {0.75, 0.6, 0.2, -0.05, -3.0, -bv1 - 0.05, -bv1 - 0.3}) {
        SCOPED_TRACE(v);
        // The internal node of the first diode sits 0.1 V below its anode.
        std::vector<double> x(EquationCount + 1, 0.0);
        x[1] = v + 0.1, x[2] = v, x[3] = v > -5 ? v : v + 2.0;
        ExpectGenericChecks(x);
    }
}

// The first pass starts a diode at its critical voltage and counts it as not converged;
// a diode marked off starts at 0 V and is not counted while the off devices are held.
TEST_F(DiodeDevices, JunctionStartAndOffDiode) {
    ModelParams* model = Model({});
    Diode* on = AddDiode(model, 1, 0);
    Diode* off = AddDiode(model, 2, 0);
    off->off = 1;
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    AnalysisMode = kModeDc;
    AnalysisSubMode = kSubModeOperatingPoint;
    InitMode = kInitJunction;
    NonConvergedCount = 0;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_DOUBLE_EQ(on->vd, model->Real(kDVcrit));
    EXPECT_EQ(off->vd, 0);
    EXPECT_EQ(NonConvergedCount, 2);
    InitMode = kInitFix;
    NonConvergedCount = 0;
    Solution[1] = Solution[2] = 0.3;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_EQ(off->vd, 0);
    EXPECT_EQ(NonConvergedCount, 1);  // the diode that is on moved; the off one is held
}

// Series resistance included: its stamps are part of the reused load.
TEST_F(DiodeDevices, BypassReusesTheKeptLinearisationWhileTheBiasHolds) {
    Diode* d = AddDiode(Model({{"RS", 5}}), 1, 0, 1, 2);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    ExpectBypassOnlyWhileTheBiasHolds({0, 0.72, 0.7}, 2, [d] { return d->vd; });
}

TEST_F(DiodeDevices, SeriesResistanceAddsFourEntries) {
    AddDiode(Model({{"RS", 1}}), 1, 0, 1, 2);
    AddDiode(Model({}), 1, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    EXPECT_EQ(LoadKindAt(kDiodeKind, std::vector<double>(EquationCount + 1, 0.0)).recorded, 12u);
}

// The knee is moved so that the current at -BV equals IBV; a knee that the saturation
// current already passes stays.
TEST_F(DiodeDevices, BreakdownFitMeetsIbv) {
    ModelParams* fitted = Model({{"BV", 10}, {"IBV", 1e-3}});
    ModelParams* kept = Model({{"BV", 10}, {"IBV", 1e-16}});
    ModelParams* level2 = Model({{"LEVEL", 2}, {"BV", 10}, {"IBV", 1e-3}});
    ASSERT_EQ(Temperatures(27), 0);
    const double bv = fitted->Real(kDBv), vt = ThermalVoltage(27);
    EXPECT_LT(bv, 10);
    EXPECT_NEAR(1e-14 * std::exp((10 - bv) / vt) + Options.gmin * bv, 1e-3, Options.abstol + Options.reltol * 1e-3);
    EXPECT_EQ(kept->Real(kDBv), 10);
    EXPECT_EQ(level2->Real(kDBv), 10);
}

// Bad values never reach the matrix as NaN: a grading of exactly 1 is moved off 1 and a
// zero saturation current still gives a finite critical voltage.
TEST_F(DiodeDevices, BadModelValuesStayFinite) {
    ModelParams* graded = Model({{"M", 1}, {"CJO", 1e-12}});
    ModelParams* no_current = Model({{"IS", 0}});
    AddDiode(graded, 1, 0);
    AddDiode(no_current, 2, 0);
    ASSERT_EQ(Temperatures(27), 0);
    EXPECT_EQ(graded->Real(kDM), 0.999);
    EXPECT_TRUE(std::isfinite(no_current->Real(kDVcrit)));
    ASSERT_EQ(Prepare(2), 0);
    AnalysisKind = 0;
    std::vector<double> x(EquationCount + 1, 0.0);
    x[1] = 0.7, x[2] = 0.7;
    AnalysisMode = kModeTransient;
    const KindLoad load = LoadKindAt(kDiodeKind, x);
    for (double g : load.g) EXPECT_TRUE(std::isfinite(g));
    for (double r : load.rhs) EXPECT_TRUE(std::isfinite(r));
}

// Below absolute zero the junction values cannot be formed: the floating-point check of
// the device pass refuses the temperature instead of letting NaN reach the matrix.
TEST_F(DiodeDevices, AbsurdTemperatureIsRefused) {
    AddDiode(Model({{"CJO", 1e-12}}), 1, 0);
    ASSERT_EQ(UpdateModelTemperatures(27), 0);
    EXPECT_NE(UpdateDeviceTemperatures(-300), 0);
}

// 5 V through 1k into the diode: the solved point satisfies the junction equation with
// the saturation current scaled to the temperature.
TEST_F(DiodeDevices, CurrentVoltageAtTwoTemperaturesMatchesTheClosedForm) {
    for (double t : {27.0, 100.0}) {
        SCOPED_TRACE(t);
        ModelParams* model = Model({{"IS", 1e-14}, {"N", 1.2}});
        AddSpiceSource(1, 0, kSpiceVoltageSource, 5);
        AddResistor(1, 2, 1e3);
        AddDiode(model, 2, 0);
        ASSERT_EQ(Temperatures(t), 0);
        ASSERT_EQ(Prepare(2), 0);
        ASSERT_EQ(SolveOperatingPoint(), 0);
        const double vd = V(2), vt = ThermalVoltage(t), ratio = (t + 273.15) / 300.15;
        const double is = 1e-14 * std::pow(ratio, 3 / 1.2) * std::exp((ratio - 1) * 1.11 / (1.2 * vt));
        const double id = is * std::expm1(vd / (1.2 * vt)) + Options.gmin * vd;
        EXPECT_NEAR((5 - vd) / 1e3, id, 1e-9);
        EXPECT_GT(vd, 0.4);
        FreeSimulationState();
        ClearCircuitModels();
    }
}

// A reverse step through 1k into a junction of constant capacitance (grading 0):
// v(t) = -(1 - exp(-t / RC)), RC = 1 us.
TEST_F(DiodeDevices, JunctionChargeFollowsTheRcStep) {
    AddReverseStepThrough1k();
    AddDiode(Model({{"CJO", 1e-9}, {"M", 0}}), 2, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ExpectRcStepFollowed(1e-6, 1e-9);
}

}  // namespace
}  // namespace ob7
