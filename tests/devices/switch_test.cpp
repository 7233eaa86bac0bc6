// Switches: the transition of S and W switches between their on and off controls, the
// window of the switch component, and the state change that makes Newton go on.

#include <gtest/gtest.h>

#include <cmath>

#include "devices/device_checks.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/devices/switch.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using Switches = ModelCircuit;

TEST(SwitchLaw, OnOffAndTransition) {
    const double ron = 1, roff = 1e6;
    struct Case {
        double on, off, x;
        int state;
        double r;
    } cases[] = {
        {1, 0, 1, kSwitchOn, ron},            // exactly at VON: on
        {1, 0, 0, kSwitchOff, roff},          // exactly at VOFF: off
        {1, 0, 0.5, kSwitchTransition, 1e3},  // the middle: sqrt(RON * ROFF)
        {1, 0, 7, kSwitchOn, ron},
        {0, 1, -0.5, kSwitchOn, ron},         // VON < VOFF: on at or below VON
        {0, 1, 2, kSwitchOff, roff},
        // A quarter of the way from VOFF: ln R = ln 1e3 + (3/2 * (-0.25) - 2 * (-0.25)^3) * ln 1e-6.
        {1, 0, 0.25, kSwitchTransition, std::exp(std::log(1e3) + (-0.375 + 0.03125) * std::log(1e-6))},
        {1, 1, 1, kSwitchOn, ron},  // equal controls: a step at the control
        {1, 1, 0.5, kSwitchOff, roff},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "on " << c.on << " off " << c.off << " x " << c.x);
        int state = 0;
        const double r = SwitchResistance(ron, roff, c.on, c.off, c.x, &state);
        EXPECT_EQ(state, c.state);
        EXPECT_NEAR(r, c.r, 1e-9 * c.r);
    }
}

// 10 V through 1k into an S switch to ground, controlled from node 3: the divider shows
// the switch's resistance; a load that finds the state changed counts as not converged.
TEST_F(Switches, VoltageSwitchInACircuit) {
    ModelParams* model = Model(kModelVSwitch, {{"RON", 10}, {"ROFF", 1e5}, {"VON", 2}, {"VOFF", 1}});
    AddSpiceSource(1, 0, kSpiceVoltageSource, 10);
    AddResistor(1, 2, 1e3);
    SpiceSource* control = AddSpiceSource(3, 0, kSpiceVoltageSource, 2.5);
    VSwitch* s = AddVSwitch(model, 2, 0, 3, 0);
    s->flag_byte0 = 1;
    ASSERT_EQ(Prepare(3), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_EQ(s->state, kSwitchOn);
    EXPECT_NEAR(V(2), 10 * 10 / 1010.0, 1e-9);
    EXPECT_NEAR(s->current, 10 / 1010.0, 1e-12);
    EXPECT_TRUE(LoadWalksSetUp(kVSwitchKind, Solution));
    EXPECT_TRUE(ConductancesMatchCurrents(kVSwitchKind, Solution));

    Solution[3] = 1.5;  // the middle of the transition
    NonConvergedCount = 0;
    LoadKindAt(kVSwitchKind, Solution);
    EXPECT_EQ(s->state, kSwitchTransition);
    EXPECT_NEAR(s->resistance, 1e3, 1e-9);
    EXPECT_GE(NonConvergedCount, 1);
    control->dc_value = 0.5;
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_EQ(s->state, kSwitchOff);
    EXPECT_NEAR(V(2), 10 * 1e5 / (1e5 + 1e3), 1e-9);
}

// The W switch follows the current of the source it names: 1 mA on, 0 off.
TEST_F(Switches, CurrentSwitchFollowsTheBranch) {
    ModelParams* model = Model(kModelISwitch, {{"RON", 1}, {"ROFF", 1e6}, {"ION", 1e-3}, {"IOFF", 0}});
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddResistor(1, 2, 1e3);
    SpiceSource* sense = AddSpiceSource(2, 0, kSpiceVoltageSource, 0);  // 1 mA from 2 to 0
    AddSpiceSource(3, 0, kSpiceVoltageSource, 1);
    AddResistor(3, 4, 1);
    ISwitch* s = AddISwitch(model, 4, 0, &sense->branch);
    ASSERT_EQ(Prepare(4), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_EQ(s->state, kSwitchOn);
    EXPECT_NEAR(V(4), 0.5, 1e-9);
}

// By voltage, a window from A to B: A < B is on inside it, A > B outside (B, A).
TEST_F(Switches, ComponentWindow) {
    struct Case {
        double a, b, x;
        bool on;
    } cases[] = {{1, 3, 2, true}, {1, 3, 1, true}, {1, 3, 3.5, false}, {3, 1, 2, false},
                 {3, 1, 0.5, true}, {3, 1, 3, true}, {2, 2, 2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "A " << c.a << " B " << c.b << " x " << c.x);
        AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
        AddResistor(1, 2, 1e3);
        AddSpiceSource(3, 0, kSpiceVoltageSource, c.x);
        SwitchComponent* s = AddSwitchComponent(kSwitchByVoltage, 2, 0, c.a, c.b, 1e-1, 1e-7);
        s->ref1 = 0, s->ref2 = 3;
        ASSERT_EQ(Prepare(3), 0);
        ASSERT_EQ(SolveOperatingPoint(), 0);
        EXPECT_EQ(s->state, c.on ? kSwitchOn : kSwitchOff);
        const double r = c.on ? 10 : 1e7;
        EXPECT_NEAR(V(2), r / (r + 1e3), 1e-9);
        EXPECT_DOUBLE_EQ(s->resistance, r);
        FreeSimulationState();
    }
}

// A switch's thermal noise is that of its present resistance at the run's temperature.
TEST_F(Switches, NoiseOfThePresentResistance) {
    ModelParams* model = Model(kModelVSwitch, {{"RON", 10}, {"ROFF", 1e5}, {"VON", 2}, {"VOFF", 1}});
    AddSpiceSource(1, 0, kSpiceVoltageSource, 3);
    VSwitch* s = AddVSwitch(model, 2, 0, 1, 0);
    AddResistor(2, 0, 1e3);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    ASSERT_EQ(s->resistance, 10);
    NoiseSources = {};
    ASSERT_EQ(AddSwitchNoiseSources(1e3), 0);
    ASSERT_EQ(NoiseSources.count(), 1);
    EXPECT_NEAR(NoiseSources.density[0], std::sqrt(4 * 1.3806226e-23 * 300.15 / 10), 1e-22);
    EXPECT_EQ(NoiseSources.node_a[0], 2);
}

// A switch whose on resistance is given as 0 conducts with RMIN, not with an infinite
// conductance; the transition stays finite too.
TEST_F(Switches, ZeroResistanceStaysFinite) {
    ModelParams* model = Model(kModelVSwitch, {{"RON", 0}, {"ROFF", 1e6}, {"VON", 1}, {"VOFF", 0}});
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    VSwitch* s = AddVSwitch(model, 2, 0, 1, 0);
    AddResistor(2, 0, 1);
    ASSERT_EQ(Prepare(2), 0);
    for (double control : {1.0, 0.5}) {
        Solution[1] = control;
        const KindLoad load = LoadKindAt(kVSwitchKind, Solution);
        for (double g : load.g) EXPECT_TRUE(std::isfinite(g)) << control;
        EXPECT_GE(s->resistance, Options.rmin);
    }
}

}  // namespace
}  // namespace ob7
