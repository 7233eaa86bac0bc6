// GaAs FETs: the Statz level against ngspice 39 (deck: data/gaasfet_statz.cir), the
// levels against each other and their limits, the generic checks for the three levels
// with their charges, and the gate-charge function.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "devices/device_checks.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/gaasfet.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class Gaasfets : public ModelCircuit {
protected:
    void SetUp() override {
        ModelCircuit::SetUp();
        RegisterGaasfetKind();
    }
};

double NodeCurrent(const KindLoad& load, const std::vector<double>& x, int row) {
    double sum = -load.rhs[row];
    for (int c = 1; c <= load.size; ++c) sum += load.G(row, c) * x[c];
    return sum;
}

// VTO -1.5, BETA 0.02, B 0.3, ALPHA 2, LAMBDA 0.05 at vgs = -0.5: saturated, in the
// knee, mirrored, and at the knee's end 3 / ALPHA.
TEST_F(Gaasfets, StatzMatchesTheReference) {
    AddGaasfet(Model(kModelGasfet, {{"LEVEL", 2}, {"VTO", -1.5}, {"BETA", 0.02}, {"B", 0.3}, {"ALPHA", 2},
                                    {"LAMBDA", 0.05}, {"IS", 1e-14}}),
               1, 2, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    const double cases[][2] = {{2, 1.692308e-02}, {0.5, 1.109687e-02}, {-0.8, -3.93136e-02}, {1.5, 1.653846e-02}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        const std::vector<double> x = {0, c[0], -0.5};
        KindLoad load;
        for (int k = 0; k < 30; ++k) load = LoadKindAt(kGaasfetKind, x);
        EXPECT_NEAR(NodeCurrent(load, x, 1), c[1], 1e-6 * std::fabs(c[1]));
    }
}

TEST_F(Gaasfets, KernelsAndTheirLimits) {
    ModelParams* triquint = Model(kModelGasfet, {{"LEVEL", 3}, {"VTO", -1.5}, {"ALPHA", 2}, {"BETA", 0.02},
                                                 {"LAMBDA", 0}, {"GAMMA", 0}, {"DELTA", 0}, {"Q", 2}});
    ModelParams* statz = Model(kModelGasfet, {{"LEVEL", 2}, {"VTO", -1.5}, {"ALPHA", 2}, {"BETA", 0.02}, {"B", 0}});
    ModelParams* curtice = Model(kModelGasfet, {{"LEVEL", 1}, {"VTO", -1.5}, {"ALPHA", 2}, {"BETA", 0.02},
                                                {"LAMBDA", 0.1}});
    ASSERT_EQ(Temperatures(27), 0);
    const double* t = ModelReals(*triquint);
    const double* s = ModelReals(*statz);
    const double* c = ModelReals(*curtice);
    // TriQuint with no feedback and Q = 2 is Statz without B, in every region.
    for (double vgd : {-2.5, -1.0, -0.2, 0.4, 1.0}) {
        const GaasChannel a = GaasTriquintCurrent(t, 0.02, -0.4, vgd), b = GaasStatzCurrent(s, 0.02, -0.4, vgd);
        EXPECT_NEAR(a.cdrain, b.cdrain, 1e-15) << vgd;
        EXPECT_NEAR(a.gm, b.gm, 1e-15) << vgd;
        EXPECT_NEAR(a.gds, b.gds, 1e-15) << vgd;
    }
    // Exactly at 3 / ALPHA Statz is saturated.
    EXPECT_EQ(GaasStatzCurrent(s, 0.02, -0.5, -2).region, 1);
    EXPECT_EQ(GaasStatzCurrent(s, 0.02, -0.5, -1.9).region, 6);
    // Curtice at vds = 0: no current, the tanh slope alone.
    const GaasChannel z = GaasCurticeCurrent(c, 0.02, -0.5, -0.5);
    EXPECT_EQ(z.cdrain, 0);
    EXPECT_DOUBLE_EQ(z.gds, 0.02 * 1 * 2);
    // Below the threshold nothing flows.
    EXPECT_EQ(GaasCurticeCurrent(c, 0.02, -2, -3).cdrain, 0);
    EXPECT_EQ(GaasCurticeCurrent(c, 0.02, -2, -3).region, 3);
}

TEST_F(Gaasfets, ConductancesMatchCurrentsAtEveryLevel) {
    const std::initializer_list<std::pair<const char*, double>> common = {
        {"VTO", -1.5}, {"ALPHA", 2},   {"BETA", 0.02}, {"LAMBDA", 0.05}, {"CGS", 1e-12},
        {"CGD", 3e-13}, {"CDS", 1e-13}, {"VBI", 0.8},  {"RD", 2},        {"RS", 1},
        {"RG", 3}};
    int node = 0;
    for (double level : {1.0, 2.0, 3.0}) {
        ModelParams* m = Model(kModelGasfet, common);
        SetModelParam(*m, "LEVEL", level);
        if (level == 3) SetModelParam(*m, "GAMMA", 0.05), SetModelParam(*m, "DELTA", 0.2), SetModelParam(*m, "Q", 2.2);
        AddGaasfet(m, node + 1, node + 2, node + 3, 2, node + 4, node + 5, node + 6);
        node += 6;
    }
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(node), 0);
    // The GaAs FET bypasses whatever the option says; tight tolerances keep it to loads
    // at the very same point.
    Options.reltol = 1e-12, Options.vntol = 1e-15, Options.abstol = 1e-21;
    const double biases[][2] = {{2, -0.5}, {0.5, -0.5}, {-0.8, -0.5}, {3, -2}, {0.2, 0.3}, {-2.5, -2}};
    for (const auto& b : biases) {
        SCOPED_TRACE(testing::Message() << "vds " << b[0] << " vgs " << b[1]);
        std::vector<double> x(EquationCount + 1, 0.0);
        for (int d = 0; d < node; d += 6) {
            x[d + 3] = 0.2, x[d + 6] = 0.201;
            x[d + 1] = 0.2 + b[0], x[d + 4] = 0.201 + b[0];
            x[d + 2] = 0.2 + b[1], x[d + 5] = 0.2005 + b[1];
        }
        for (int k = 0; k < 30; ++k) LoadKindAt(kGaasfetKind, x);
        EXPECT_TRUE(LoadWalksSetUp(kGaasfetKind, x));
        EXPECT_TRUE(ConductancesMatchCurrents(kGaasfetKind, x));
        // At a time point, with the last accepted point at x, so that the path of the
        // Statz charge is the point itself.
        std::copy(x.begin(), x.end(), LastAcceptedSolution.begin());
        std::vector<double> near = x;
        for (size_t n = 0; n < near.size(); ++n) near[n] += 1e-4 * static_cast<double>(n);
        LoadKindAt(kGaasfetKind, near, LoadPoint::Time);
        EXPECT_TRUE(ConductancesMatchCurrents(kGaasfetKind, x, 1e-6, 1e-4, 1e-9, LoadPoint::Time));
    }
}

// The gate charge's capacitances are its derivatives, below and above VMAX.
TEST_F(Gaasfets, GateChargeCapacitancesAreItsSlopes) {
    ModelParams* m = Model(kModelGasfet, {{"LEVEL", 2}, {"VTO", -1.5}, {"ALPHA", 2}, {"VBI", 0.8}});
    ASSERT_EQ(Temperatures(27), 0);
    const double* x = ModelReals(*m);
    for (auto [vgs, vgd] : {std::pair{-0.5, -2.0}, {0.6, 0.1}, {-1.2, -1.0}}) {
        double cgs, cgd, c1, c2;
        GaasGateCharge(x, vgs, vgd, 1e-12, 2e-13, &cgs, &cgd);
        const double h = 1e-6;
        const double dqs = (GaasGateCharge(x, vgs + h, vgd, 1e-12, 2e-13, &c1, &c2) -
                            GaasGateCharge(x, vgs - h, vgd, 1e-12, 2e-13, &c1, &c2)) / (2 * h);
        const double dqd = (GaasGateCharge(x, vgs, vgd + h, 1e-12, 2e-13, &c1, &c2) -
                            GaasGateCharge(x, vgs, vgd - h, 1e-12, 2e-13, &c1, &c2)) / (2 * h);
        EXPECT_NEAR(cgs, dqs, 1e-6 * cgs) << vgs << " " << vgd;
        EXPECT_NEAR(cgd, dqd, 1e-6 * cgd) << vgs << " " << vgd;
    }
}

// A Statz stage with its gate charge: a gate step through 1k while the drain falls,
// against ngspice's MESFET (data/gaasfet_step.cir; its PB is this model's VBI).
TEST_F(Gaasfets, StatzGateStepMatchesTheReference) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 5);
    AddResistor(1, 2, 200);
    SpiceSource* in = AddSpiceSource(3, 0, kSpiceVoltageSource, 0);
    in->spec_kind = kSourcePulse;
    const double p[7] = {-1.4, -0.3, 1e-9, 0.1e-9, 0.1e-9, 1, 2};
    std::copy(p, p + 7, in->p);
    AddResistor(3, 4, 1e3);
    AddGaasfet(Model(kModelGasfet, {{"LEVEL", 2}, {"VTO", -1.5}, {"BETA", 0.02}, {"B", 0.3}, {"ALPHA", 2},
                                    {"LAMBDA", 0.05}, {"IS", 1e-14}, {"CGS", 1e-12}, {"CGD", 0.2e-12}, {"VBI", 0.8},
                                    {"FC", 0.5}}),
               2, 4, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(4), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    const double h = 0.005e-9;
    ASSERT_EQ(BeginTransient(h), 0);
    struct Sample {
        double t, vd, vg;
    } samples[] = {{2e-9, 3.468556, -0.862596}, {3e-9, 2.368477, -0.6321948}, {5e-9, 1.311363, 0},
                   {10e-9, 0.9005013, 0}};
    size_t next = 0;
    while (next < std::size(samples)) {
        ASSERT_EQ(Step(h), 0) << ob7::Run.time;
        if (std::fabs(ob7::Run.time - samples[next].t) < h / 2) {
            SCOPED_TRACE(ob7::Run.time);
            EXPECT_NEAR(V(2), samples[next].vd, 2e-3 * std::fabs(samples[next].vd));
            if (samples[next].vg != 0) {
                EXPECT_NEAR(V(4), samples[next].vg, 2e-3 * std::fabs(samples[next].vg));
            }
            ++next;
        }
    }
}

}  // namespace
}  // namespace ob7
