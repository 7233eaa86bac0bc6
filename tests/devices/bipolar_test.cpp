// The bipolar transistor: the generic checks in every region for the three model types,
// and a biased transistor in the Ebers-Moll limit against the closed form.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "devices/device_checks.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/resistor.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class BipolarDevices : public ModelCircuit {
protected:
    void SetUp() override {
        ModelCircuit::SetUp();
        RegisterBjtKind();
    }
};

TEST_F(BipolarDevices, SlotsFollowTheTypeTable) {
    EXPECT_EQ(FindModelParam(kModelNpn, "TR"), kQTr);
    EXPECT_EQ(FindModelParam(kModelPnp, "T_REL_LOCAL"), kQTRelLocal);
    EXPECT_EQ(ModelTypeRow(kModelLpnp).storedCount, kBjtSlotCount);
}

// Cut-off, forward active, saturation and reverse active, for NPN, PNP and lateral PNP,
// with Early voltages, high injection (NK other than 0.5), leakage diodes, constant series
// resistances and a substrate diode.
TEST_F(BipolarDevices, ConductancesMatchCurrentsInEveryRegion) {
    const std::initializer_list<std::pair<const char*, double>> common = {
        {"VAF", 50},  {"VAR", 20}, {"IKF", 0.05}, {"IKR", 0.01}, {"NK", 0.7}, {"ISE", 1e-15}, {"ISC", 1e-14},
        {"RB", 50},   {"RBM", 50}, {"RE", 2},     {"RC", 5},     {"ISS", 1e-16}, {"BR", 2}};
    // Nodes per transistor: C B E S, then C' B' E'.
    struct Pins {
        int c, b, e, s, cp, bp, ep;
    };
    const Pins pins[3] = {{1, 2, 3, 4, 5, 6, 7}, {8, 9, 10, 11, 12, 13, 14}, {15, 16, 17, 18, 19, 20, 21}};
    const int types[3] = {kModelNpn, kModelPnp, kModelLpnp};
    for (int i = 0; i < 3; ++i) {
        Bjt* q = AddBjt(Model(types[i], common), pins[i].c, pins[i].b, pins[i].e, pins[i].s);
        q->collector_i = pins[i].cp, q->base_i = pins[i].bp, q->emitter_i = pins[i].ep;
    }
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(21), 0);
    // (vbe, vbc) in the n-type sense.
    const std::pair<double, double> regions[] = {{-1, -5}, {0.7, -3}, {0.76, 0.62}, {-3, 0.7}, {0.2, 0.1}};
    for (auto [vbe, vbc] : regions) {
        SCOPED_TRACE(testing::Message() << "vbe " << vbe << " vbc " << vbc);
        std::vector<double> x(EquationCount + 1, 0.0);
        for (int i = 0; i < 3; ++i) {
            const double p = i == 0 ? 1 : -1;
            const Pins& n = pins[i];
            x[n.ep] = 0.3, x[n.e] = 0.31;
            x[n.bp] = x[n.ep] + p * vbe, x[n.b] = x[n.bp] + 0.01 * p;
            x[n.cp] = x[n.bp] - p * vbc, x[n.c] = x[n.cp] + 0.02 * p;
            x[n.s] = i == 2 ? x[n.bp] + 0.5 : x[n.cp] - p * 1.5;  // the lateral substrate diode conducts
        }
        for (int k = 0; k < 20; ++k) LoadKindAt(kBjtKind, x);
        EXPECT_TRUE(LoadWalksSetUp(kBjtKind, x));
        EXPECT_TRUE(ConductancesMatchCurrents(kBjtKind, x));
        // Every terminal is a node here, so the currents into them sum to zero (the
        // lateral PNP's substrate current returns through the internal base).
        const KindLoad load = LoadKindAt(kBjtKind, x);
        double sum = 0, scale = 0;
        for (int r = 1; r <= load.size; ++r) {
            double i = -load.rhs[r];
            for (int c = 1; c <= load.size; ++c) i += load.G(r, c) * x[c];
            sum += i, scale += std::fabs(i);
        }
        EXPECT_NEAR(sum, 0, 1e-12 + 1e-9 * scale);
    }
}

// Ebers-Moll: no Early voltages, no high injection, no leakage or series resistances.
// 1 V through 10k into the base, 5 V through 1k (active) or 100k (saturated) into the
// collector: the solved terminal voltages carry the closed-form currents.
TEST_F(BipolarDevices, EbersMollLimitMatchesTheClosedForm) {
    for (double rc : {1e3, 1e5}) {
        SCOPED_TRACE(rc);
        ModelParams* model = Model(kModelNpn, {{"IS", 1e-15}, {"BF", 80}, {"BR", 3}});
        AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
        AddSpiceSource(2, 0, kSpiceVoltageSource, 5);
        AddResistor(1, 3, 1e4);
        AddResistor(2, 4, rc);
        AddBjt(model, 4, 3, 0);
        ASSERT_EQ(Temperatures(27), 0);
        ASSERT_EQ(Prepare(4), 0);
        ASSERT_EQ(SolveOperatingPoint(), 0);
        const double vbe = V(3), vbc = V(3) - V(4), vt = ThermalVoltage(27), is = 1e-15, gmin = Options.gmin;
        const double ef = std::expm1(vbe / vt), er = std::expm1(vbc / vt);
        const double ic = is * (ef - er) - is / 3 * er - gmin * vbc;
        const double ib = is / 80 * ef + is / 3 * er + gmin * (vbe + vbc);
        EXPECT_NEAR((5 - V(4)) / rc, ic, 1e-9 + 1e-6 * std::fabs(ic));
        EXPECT_NEAR((1 - V(3)) / 1e4, ib, 1e-9 + 1e-6 * std::fabs(ib));
        if (rc > 1e4) EXPECT_GT(vbc, 0.3);  // saturated
        else EXPECT_LT(vbc, 0);
        FreeSimulationState();
        ClearCircuitModels();
    }
}

// Forward active with series resistances and a substrate diode: the base moves, so both
// junctions do.
TEST_F(BipolarDevices, BypassReusesTheKeptLinearisationWhileTheBiasHolds) {
    Bjt* q = AddBjt(Model(kModelNpn, {{"RB", 50}, {"RE", 2}, {"RC", 5}, {"ISS", 1e-16}, {"VAF", 50}}), 1, 2, 3, 4);
    q->collector_i = 5, q->base_i = 6, q->emitter_i = 7;
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(7), 0);
    // C B E S C' B' E'
    ExpectBypassOnlyWhileTheBiasHolds({0, 2.02, 0.71, 0.01, -1, 2, 0.7, 0}, 6, [q] { return q->vbe; });
}

// Multiples of IS for the leakage currents; RBM takes RB when missing or larger.
TEST_F(BipolarDevices, ModelPassScalesLeakageAndBaseResistance) {
    ModelParams* m = Model(kModelNpn, {{"ISE", 2}, {"ISC", 1e-15}, {"RB", 100}, {"RBM", 300}, {"MJE", 1}});
    ASSERT_EQ(Temperatures(27), 0);
    EXPECT_DOUBLE_EQ(m->Real(kQIse), 2e-16);
    EXPECT_DOUBLE_EQ(m->Real(kQIsc), 1e-15);
    EXPECT_EQ(m->Real(kQRbm), 100);
    EXPECT_EQ(m->Real(kQMje), 0.999);
}

// Both junctions reverse-biased by a step on the base through 1k, with constant depletion
// capacitances (grading 0): 1 nF and 0.5 nF in parallel, RC = 1.5 us.
TEST_F(BipolarDevices, JunctionChargesFollowTheRcStep) {
    AddReverseStepThrough1k();
    AddBjt(Model(kModelNpn, {{"CJE", 1e-9}, {"MJE", 0}, {"CJC", 0.5e-9}, {"MJC", 0}}), 0, 2, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ExpectRcStepFollowed(1.5e-6, 1.5e-9);
}

}  // namespace
}  // namespace ob7
