// Junction step limiting, junction charge, the junction temperature routines and the
// temperature dispatchers.

#include <gtest/gtest.h>

#include <cmath>

#include "expression/math_error.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/junction_limits.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/integration.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

TEST(JunctionLimits, JunctionVoltage) {
    const double vt = 0.025852, vcrit = 0.6;
    int limited = 7;
    EXPECT_EQ(LimitJunctionVoltage(vcrit, 0, vt, vcrit, &limited), vcrit);  // at vcrit: kept
    EXPECT_EQ(limited, 0);
    EXPECT_EQ(LimitJunctionVoltage(0.7, 0.7 - 2 * vt, vt, vcrit, &limited), 0.7);  // a step of 2 vt
    EXPECT_EQ(limited, 0);
    EXPECT_NEAR(LimitJunctionVoltage(1.5, 0.65, vt, vcrit, &limited), 0.65 + vt * std::log(1 + 0.85 / vt), 1e-15);
    EXPECT_EQ(limited, 1);
    EXPECT_NEAR(LimitJunctionVoltage(2, -1, vt, vcrit, &limited), vt * std::log(2 / vt), 1e-15);
    // A step that makes the argument of the logarithm negative gives vcrit (v_old > 0,
    // v_new above vcrit is needed for limiting at all, so the slope must be negative).
    EXPECT_EQ(LimitJunctionVoltage(0.61, 5, vt, vcrit, &limited), vcrit);

    double v = 1.5;
    int flag = 1;
    LimitJunctionVoltageInPlace(v, flag, 0.65, vt, vcrit);
    EXPECT_EQ(flag, 1);
    v = 0.5, flag = 1;
    LimitJunctionVoltageInPlace(v, flag, 0.65, vt, vcrit);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(v, 0.5);
}

TEST(JunctionLimits, FetAndDrainSource) {
    EXPECT_EQ(LimitVds(3, 3.5), 3);
    EXPECT_EQ(LimitVds(1, 3.5), 2);
    EXPECT_EQ(LimitVds(20, 4), 14);
    EXPECT_EQ(LimitVds(10, 1), 4);
    EXPECT_EQ(LimitVds(-3, 1), -0.5);
    const double vto = 1;
    EXPECT_EQ(LimitFetVoltage(10, vto, vto), vto + 4);       // on, middle, rising
    EXPECT_EQ(LimitFetVoltage(-5, vto, vto), vto - 0.5);     // on, middle, falling
    EXPECT_EQ(LimitFetVoltage(20, 5, vto), 5 + 10);          // fully on, large rise: v_old + high
    EXPECT_EQ(LimitFetVoltage(2, 5, vto), vto + 2);          // fully on, falling below vtox
    EXPECT_EQ(LimitFetVoltage(-20, 0, vto), 0 - 4);          // off, falling: v_old - high
    EXPECT_EQ(LimitFetVoltage(3, 0, vto), vto + 0.5);        // off, rising past vto + 0.5
    EXPECT_EQ(LimitFetVoltage(0.2, 0, vto), 0.2);            // small steps pass
    double v = 10;
    LimitFetVoltageInPlace(v, vto, vto);
    EXPECT_EQ(v, vto + 4);
}

class JunctionCharge : public ::testing::Test {
protected:
    void SetUp() override { StateValues.assign(8, 0.0); }
    void TearDown() override { StateValues.clear(); }
    // Charge and capacitance at v for a junction with pb 0.8, fc 0.5, the given grading.
    std::pair<double, double> At(double v, double mj, double cj0 = 1e-12) {
        double coefficients[4];
        DepletionCapacitanceCoefficients(coefficients, 0, 1, 0.5, 0.8, mj);
        double c = 0;
        JunctionChargeAndCapacitance(coefficients, 0, 1, 0, v, 0.8, mj, 0, 0, cj0, 0, &c, 0);
        return {StateValues[0], c};
    }
};

TEST_F(JunctionCharge, ContinuousAtTheTransitionForEveryGrading) {
    const double vfc = 0.5 * 0.8, h = 1e-9;
    for (double mj : {0.0, 0.3, 0.5, 0.999, 1.0}) {
        SCOPED_TRACE(mj);
        const auto below = At(vfc - h, mj), above = At(vfc + h, mj);
        EXPECT_NEAR(below.first, above.first, 1e-20);
        EXPECT_NEAR(below.second, above.second, 1e-12 * 1e-6);
        // Capacitance is the charge's slope on both sides.
        for (double v : {-1.0, 0.2, 0.6}) {
            const double dq = (At(v + h, mj).first - At(v - h, mj).first) / (2 * h);
            EXPECT_NEAR(dq, At(v, mj).second, 1e-4 * At(v, mj).second) << "v=" << v;
        }
    }
}

TEST_F(JunctionCharge, DiffusionAndAccumulation) {
    EXPECT_EQ(At(0.3, 0.5, 0).first, 0);  // no cj0, no tt
    EXPECT_EQ(At(0.3, 0.5, 0).second, 0);
    double coefficients[4];
    DepletionCapacitanceCoefficients(coefficients, 0, 1, 0.5, 0.8, 0.5);
    double c = 1;
    StateValues[4] = 2;
    JunctionChargeAndCapacitance(coefficients, 0, 1, 4, 0.3, 0.8, 0.5, 1e-9, 1e-3, 0, 0.04, &c, 1);
    EXPECT_DOUBLE_EQ(StateValues[4], 2 + 1e-12);
    EXPECT_DOUBLE_EQ(c, 1 + 4e-11);
    // A junction potential that fell below the voltage (the coefficients are the
    // nominal ones) clamps the argument: large, never NaN.
    JunctionChargeAndCapacitance(coefficients, 0, 1, 0, 0.35, 0.3, 0.5, 0, 0, 1e-12, 0, &c, 0);
    EXPECT_TRUE(std::isfinite(StateValues[0]));
    EXPECT_DOUBLE_EQ(c, 1e-12 / std::sqrt(1e-100));
}

class TemperatureRoutines : public ::testing::Test {
protected:
    void SetUp() override {
        ResetMathError();
        FillOptionDefaultTexts(1);
        ParseSimulationOptions(true);
    }
};

TEST_F(TemperatureRoutines, FiguresOfThePass) {
    EXPECT_NEAR(ThermalVoltage(27), 300.15 * 1.3806226e-23 / 1.6021918e-19, 1e-18);
    EXPECT_NEAR(ThermalVoltage(27), 0.025864, 1e-6);
    EXPECT_NEAR(CriticalVoltage(0.025852, 1e-14), 0.730, 5e-4);
    EXPECT_EQ(CriticalVoltage(0.025852, 0), CriticalVoltage(0.025852, 1e-6));
    EXPECT_EQ(CriticalVoltage(0.025852, 1), 0.1);
    EXPECT_EQ(UpdateModelTemperatures(27), 0);
    EXPECT_NEAR(ob7::Run.vt, 0.025864, 1e-6);
    Options.rmin = 0;
    EXPECT_EQ(UpdateDeviceTemperatures(27), 0);
    EXPECT_EQ(LargestConductance, 1e50);
    EXPECT_EQ(DeviceTemperatureKelvin, 300.15);

    double m = 1.0;
    AvoidUnity(m);
    EXPECT_EQ(m, 0.999);
    m = 1.001;
    AvoidUnity(m);
    EXPECT_EQ(m, 1.001);
    EXPECT_EQ(FirstNonZero(0, 0, 3), 3);
    EXPECT_EQ(FirstNonZero(0, 2, 3), 2);
    EXPECT_EQ(NonZeroOr(0, 5), 5);
}

TEST_F(TemperatureRoutines, DeviceTemperatureRule) {
    auto res = MakeModelParams(kModelRes);
    const int tm = FindModelParam(kModelRes, "T_MEASURED");
    EXPECT_EQ(ModelDeviceTemperature(*res, tm, 50), 50);
    EXPECT_EQ(res->Real(tm), Options.tnom);  // T_MEASURED defaults to TNOM
    SetModelParam(*res, "T_REL_GLOBAL", 10);
    EXPECT_EQ(ModelDeviceTemperature(*res, tm, 50), 60);
    SetModelParam(*res, "T_ABS", 80);
    EXPECT_EQ(ModelDeviceTemperature(*res, tm, 50), 80);

    // T_REL_LOCAL counts from the nearest AKO ancestor that gives T_ABS.
    auto grand = MakeModelParams(kModelRes), parent = MakeModelParams(kModelRes);
    auto child = MakeModelParams(kModelRes);
    SetModelParam(*grand, "T_ABS", 100);
    SetModelParam(*parent, "T_REL_LOCAL", 5);
    SetModelParam(*child, "T_REL_LOCAL", 1);
    parent->akoBase = grand.get();
    child->akoBase = parent.get();
    EXPECT_EQ(ModelDeviceTemperature(*parent, tm, 50), 105);
    EXPECT_EQ(ModelDeviceTemperature(*child, tm, 50), 105);
    auto orphan = MakeModelParams(kModelRes);
    SetModelParam(*orphan, "T_REL_LOCAL", 5);
    EXPECT_EQ(ModelDeviceTemperature(*orphan, tm, 50), 50);
}

TEST_F(TemperatureRoutines, JunctionUpdateAndConversions) {
    double values[2] = {2e-12, 0.75};
    double vt, ratio, log_ratio, dt, dt2;
    JunctionTemperatureUpdate(vt, ratio, 27, 27, log_ratio, dt, dt2, 0, 1, 0.5, values);
    EXPECT_NEAR(values[0], 2e-12, 1e-24);
    EXPECT_NEAR(values[1], 0.75, 1e-12);
    EXPECT_EQ(ratio, 1);
    JunctionTemperatureUpdate(vt, ratio, 27, 127, log_ratio, dt, dt2, 0, 1, 0.5, values);
    EXPECT_EQ(dt, 100);
    EXPECT_EQ(dt2, 1e4);
    EXPECT_NEAR(vt, ThermalVoltage(127), 1e-15);
    EXPECT_LT(values[1], 0.75);  // the junction potential falls with temperature
    EXPECT_GT(values[0], 2e-12);

    double r[3] = {100, 0, 1e-9};
    Options.rmin = 1e-6;
    ResistanceToConductance(0, r);
    ResistanceToConductance(1, r);
    ResistanceToConductance(2, r);
    EXPECT_EQ(r[0], 0.01);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(r[2], 1e6);
    NominalModelPass = true;
    double kept[1] = {4};
    ReciprocalValue(0, kept);
    NominalModelPass = false;
    EXPECT_EQ(kept[0], 4);
    ReciprocalValue(0, kept);
    EXPECT_EQ(kept[0], 0.25);
}

}  // namespace
}  // namespace ob7
