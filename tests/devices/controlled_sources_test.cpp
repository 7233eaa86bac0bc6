// Linear dependent sources and the operational amplifier.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "devices/device_checks.h"
#include "foundation/messages.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/opamp.h"
#include "sim/devices/resistor.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using ControlledSources = DeviceCircuit;

// Each form with gain 3 senses 0.5 V (G, E) or 1 mA (F, H) and drives its output from
// ground (c) to node 2 (d) into 1 kohm: currents leave into node 2, voltages are V(c) - V(d).
TEST_F(ControlledSources, EveryFormThroughTheEngine) {
    struct Case {
        int form;
        double expected_v2;
    } cases[] = {{kFormG, 3 * 0.5 * 1e3}, {kFormE, -3 * 0.5}, {kFormF, 3 * 1e-3 * 1e3}, {kFormH, -3 * 1e-3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
        AddResistor(1, 3, 1e3);
        // G, E sense V(3) - V(0); F, H sense the current through their branch from 3 to 0.
        DependentSource* s = AddDependentSource(c.form, 3, 0, 0, 2, 3);
        if (c.form == kFormG || c.form == kFormE) AddResistor(3, 0, 1e3);
        AddResistor(2, 0, 1e3);
        s->flag_byte1 = 1;
        ASSERT_EQ(Prepare(3), 0);
        ASSERT_EQ(SolveOperatingPoint(), 0);
        EXPECT_NEAR(V(2), c.expected_v2, 1e-9);
        // The generated power is kept at every load.
        EXPECT_NE(s->power, 0);
        EXPECT_TRUE(LoadWalksSetUp(kDependentSourceKind, Solution));
        EXPECT_TRUE(ConductancesMatchCurrents(kDependentSourceKind, Solution));
        FreeSimulationState();
    }
}

TEST_F(ControlledSources, UnknownFormRecordsNothing) {
    AddDependentSource(31, 1, 0, 2, 0, 3);
    AddResistor(1, 0, 1);
    AddResistor(2, 0, 1);
    ASSERT_EQ(Prepare(2), 0);
    const KindLoad load = LoadKindAt(kDependentSourceKind, Solution);
    EXPECT_EQ(load.recorded, 0u);
    EXPECT_EQ(load.stamped, 0u);
}

std::unique_ptr<ModelParams> OpampModel(double level, double a) {
    auto m = MakeModelParams(kModelOpamp);
    SetModelParam(*m, "LEVEL", level);
    SetModelParam(*m, "A", a);
    return m;
}

// Inverting amplifier: 1 kohm in, 10 kohm feedback; the compiler's output resistance on
// the output node.
TEST_F(ControlledSources, OpampInvertingGain) {
    auto m = OpampModel(1, 1e9);
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddResistor(1, 2, 1e3);
    AddResistor(2, 3, 1e4);
    Opamp* o = AddOpamp(m.get(), 0, 2, 3);
    AddResistor(3, 0, m->Real(kOpaRoutAc) + m->Real(kOpaRoutDc));
    ASSERT_EQ(UpdateOpampValues(o, 27), 0);
    ASSERT_EQ(Prepare(3), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(3), -10, 1e-6);
    EXPECT_TRUE(ConductancesMatchCurrents(kOpampKind, Solution, 1e-6, 1e-6, 1e-3));
}

TEST_F(ControlledSources, OpampLevelValues) {
    auto m = OpampModel(1, 200000);
    SetModelParam(*m, "ROUTAC", 50);
    SetModelParam(*m, "ROUTDC", 150);
    Opamp* o = AddOpamp(m.get(), 1, 2, 3);
    ASSERT_EQ(UpdateOpampValues(o, 27), 0);
    EXPECT_DOUBLE_EQ(o->gm, 1000);

    // Level 2 with a phase margin no amplifier can have: C2 would be negative.
    auto m2 = OpampModel(2, 200000);
    SetModelParam(*m2, "PM", 100);
    Opamp* o2 = AddOpamp(m2.get(), 1, 2, 3);
    EXPECT_EQ(UpdateOpampValues(o2, 27), kMsgOpampNegativeC2);
}

TEST_F(ControlledSources, OpampLevelTwoSlewsOnlyOutsideTheOperatingPoint) {
    auto m = OpampModel(2, 200000);
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    Opamp* o = AddOpamp(m.get(), 1, 0, 4);
    o->s1 = 2, o->s2 = 3;
    o->c1 = AddCapacitor(2, 0, 0);
    o->c2 = AddCapacitor(2, 3, 0);
    for (Resistor*& r : o->stage_resistors) r = AddResistor(2 + (&r - o->stage_resistors), 0, 1);
    ASSERT_EQ(UpdateOpampValues(o, 27), 0);
    ASSERT_EQ(Prepare(4), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    const double rout = m->Real(kOpaRoutAc) + m->Real(kOpaRoutDc);
    const double gm = std::pow(200000.0, 1 / 3.0) / rout;
    EXPECT_NEAR(V(2), gm * rout, 1e-6 * gm * rout);  // no limit at the operating point

    OperatingPointPhase = 0;
    AnalysisMode = kModeTransient;
    ASSERT_EQ(LoadCircuit(), 0);
    const double k = o->c1->working_value / std::pow(200000.0, 0.66666666666666);
    // The first stage stamps a vanishing conductance and a fixed current instead.
    EXPECT_NEAR(RightHandSide[2], k * m->Real(kOpaSrp), 1e-12 * std::fabs(k * m->Real(kOpaSrp)));
}

TEST_F(ControlledSources, OpampMacroValues) {
    auto m = OpampModel(3, 200000);
    Opamp* o = AddOpamp(m.get(), 1, 2, 3);
    OpampMacroValues v;
    const int result = ComputeOpampParameters(o, &v, 27);
    EXPECT_TRUE(result == 0 || result == kMsgOpampPd) << result;
    const double pi = 3.14159265358979323846;
    EXPECT_NEAR(v.rc, 1 / (2 * pi * m->Real(kOpaGbw) * m->Real(kOpaC)), 1e-9 * v.rc);
    EXPECT_NEAR(v.ga * v.rc, 1, 1e-12);
    EXPECT_EQ(v.c2, m->Real(kOpaC));
    EXPECT_EQ(v.r2, 100000);

    struct Bad {
        const char* param;
        double value;
        int message;
    } bad[] = {{"IOFF", 1, kMsgOpampIbias}, {"ROUTAC", 1e9, kMsgOpampRout}, {"VNS", -1e3, kMsgOpampVee},
               {"VPS", 1e3, kMsgOpampVcc}};
    for (const Bad& b : bad) {
        auto broken = OpampModel(3, 200000);
        SetModelParam(*broken, b.param, b.value);
        o->model = broken.get();
        EXPECT_EQ(ComputeOpampParameters(o, &v, 27), b.message) << b.param;
    }
    // Too little power for the tail current: reported, but every value is filled.
    auto starved = OpampModel(3, 200000);
    SetModelParam(*starved, "PD", 0);
    o->model = starved.get();
    EXPECT_EQ(ComputeOpampParameters(o, &v, 27), kMsgOpampPd);
    EXPECT_EQ(v.rp, 1 / Options.gmin);
    EXPECT_NE(v.gb, 0);
    ASSERT_NE(PendingMessage.text2, nullptr);
    EXPECT_NE(std::string(PendingMessage.text2), "");

    // Equal slew rates with NPN inputs: CE of exactly 0 becomes 1e-19.
    auto equal = OpampModel(3, 200000);
    SetModelParam(*equal, "TYPE", kOpampNpn);
    SetModelParam(*equal, "SRN", equal->Real(kOpaSrp));
    o->model = equal.get();
    ComputeOpampParameters(o, &v, 27);
    EXPECT_EQ(v.ce, 1e-19);
}

}  // namespace
}  // namespace ob7
