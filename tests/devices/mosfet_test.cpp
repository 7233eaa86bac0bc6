// MOSFET levels 1 to 3: preparation of models and instances, the generic checks in every
// region for both polarities and with source and drain exchanged, and a level-1 stage
// against the square law.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "devices/device_checks.h"
#include "foundation/message_codes.h"
#include "foundation/textfile.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_preparation.h"
#include "sim/devices/resistor.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using Params = std::initializer_list<std::pair<const char*, double>>;

class MosfetDevices : public ModelCircuit {
protected:
    void SetUp() override {
        ModelCircuit::SetUp();
        RegisterMosfetKind();
    }
};

TEST_F(MosfetDevices, SlotsFollowTheTypeTable) {
    EXPECT_EQ(FindModelParam(kModelNmos, "GDSNOI"), kMosGdsnoi);
    EXPECT_EQ(FindModelParam(kModelPmos, "T_REL_LOCAL"), kMosTRelLocal);
    EXPECT_EQ(ModelTypeRow(kModelNmos).storedCount, kMos123SlotCount);
}

// Cut-off (or weak inversion), triode, saturation and the exchanged channel, for each
// level in both polarities.
TEST_F(MosfetDevices, ConductancesMatchCurrentsInEveryRegion) {
    const Params level1 = {{"LEVEL", 1}, {"VTO", 0.8}, {"KP", 5e-5}, {"GAMMA", 0.5}, {"PHI", 0.65},
                           {"LAMBDA", 0.02}, {"TOX", 2e-8}, {"CJ", 2e-4}, {"CGSO", 1e-10}};
    const Params level2 = {{"LEVEL", 2}, {"VTO", 0.8}, {"TOX", 2e-8}, {"NSUB", 1e16}, {"XJ", 3e-7}, {"LD", 1e-7},
                           {"UCRIT", 2e4}, {"UEXP", 0.15}, {"UTRA", 0.3}, {"DELTA", 0.5}, {"NFS", 1e11}};
    const Params level2v = {{"LEVEL", 2}, {"VTO", 0.8}, {"TOX", 2e-8}, {"NSUB", 1e16}, {"VMAX", 5e4},
                            {"LAMBDA", 0.03}};
    const Params level3 = {{"LEVEL", 3}, {"VTO", 0.8}, {"TOX", 2e-8}, {"NSUB", 1e16}, {"XJ", 3e-7}, {"LD", 1e-7},
                           {"THETA", 0.1}, {"ETA", 0.5}, {"KAPPA", 0.3}, {"DELTA", 0.5}, {"VMAX", 1e5}, {"NFS", 1e11}};
    const Params level3s = {{"LEVEL", 3}, {"VTO", 0.8}, {"TOX", 2e-8}, {"NSUB", 1e16}, {"KAPPA", 0.5}};
    const Params* sets[] = {&level1, &level2, &level2v, &level3, &level3s};
    int node = 0;
    struct Terminals {
        int d, g, s, b;
        double p;
    };
    std::vector<Terminals> devices;
    for (const Params* set : sets) {
        for (int type : {kModelNmos, kModelPmos}) {
            const Terminals t = {node + 1, node + 2, node + 3, node + 4, type == kModelNmos ? 1.0 : -1.0};
            node += 4;
            ModelParams* model = Model(type, *set);
            if (type == kModelPmos) SetModelParam(*model, "VTO", -0.8);  // enhancement in both polarities
            AddMosfet(model, t.d, t.g, t.s, t.b, 10e-6, 2e-6);
            devices.push_back(t);
        }
    }
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(node), 0);
    MosfetBypassAllowed = false;
    struct Bias {
        double vgs, vds, vbs;
    };
    const Bias biases[] = {{0.3, 2, -1}, {3, 0.4, -0.5}, {3, 4, -1}, {1.6, 0.6, 0}, {1.5, -1, -2}, {2.5, -3, -3.5}, {1.9, 2, -1}, {1.4, 2, -1}};
    for (const Bias& bias : biases) {
        SCOPED_TRACE(testing::Message() << "vgs " << bias.vgs << " vds " << bias.vds << " vbs " << bias.vbs);
        std::vector<double> x(EquationCount + 1, 0.0);
        for (const Terminals& t : devices) {
            x[t.s] = 0.2 * t.p;
            x[t.g] = x[t.s] + t.p * bias.vgs;
            x[t.d] = x[t.s] + t.p * bias.vds;
            x[t.b] = x[t.s] + t.p * bias.vbs;
        }
        for (int k = 0; k < 30; ++k) LoadKindAt(kMosfetKind, x);
        EXPECT_TRUE(LoadWalksSetUp(kMosfetKind, x));
        EXPECT_TRUE(ConductancesMatchCurrents(kMosfetKind, x, 1e-6, 1e-4, 1e-10));
    }
    MosfetBypassAllowed = true;
}

// W = L = 10u, KP = 2e-5, VTO = 1: Beta = 2e-5. A 3 V gate and 5 V through RD into the
// drain: 10k leaves it saturated, 200k pulls it into the triode region.
TEST_F(MosfetDevices, Level1FollowsTheSquareLaw) {
    // Tight tolerances, so that Newton stops close to the exact point.
    Options.reltol = 1e-9, Options.vntol = 1e-12, Options.abstol = 1e-18;
    for (double rd : {1e4, 2e5}) {
        SCOPED_TRACE(rd);
        ModelParams* model = Model(kModelNmos, {{"VTO", 1}, {"KP", 2e-5}});
        AddSpiceSource(1, 0, kSpiceVoltageSource, 3);
        AddSpiceSource(2, 0, kSpiceVoltageSource, 5);
        AddResistor(2, 3, rd);
        AddMosfet(model, 3, 1, 0, 0, 10e-6, 10e-6);
        ASSERT_EQ(Temperatures(27), 0);
        ASSERT_EQ(Prepare(3), 0);
        ASSERT_EQ(SolveOperatingPoint(), 0);
        const double vd = V(3), beta = 2e-5, vgst = 2;
        const double expected = vd >= vgst ? beta / 2 * vgst * vgst : beta * (vgst - vd / 2) * vd;
        if (rd < 1e5) EXPECT_GT(vd, vgst);
        else EXPECT_LT(vd, vgst);
        EXPECT_NEAR((5 - vd) / rd, expected, 1e-6 * expected + 1e-10);
        FreeSimulationState();
        ClearCircuitModels();
    }
}

TEST_F(MosfetDevices, ModelPassDefaultsAndConversions) {
    ModelParams* plain = Model(kModelNmos, {});
    ModelParams* level2 = Model(kModelNmos, {{"LEVEL", 2}});
    ModelParams* clipped = Model(kModelPmos, {{"PB", 2.5}, {"MJ", 1}});
    ModelParams* level3 = Model(kModelNmos, {{"LEVEL", 3}, {"THETA", 0.2}, {"KAPPA", 0.4}, {"NSUB", 1e15}});
    ASSERT_EQ(Temperatures(27), 0);
    EXPECT_EQ(plain->Real(kMosTox), 0);  // no oxide: no Meyer capacitance
    EXPECT_DOUBLE_EQ(plain->Real(kMosKp), 2e-5);
    EXPECT_DOUBLE_EQ(plain->Real(kMosFc), 0.4);  // FC * PB
    EXPECT_NEAR(level2->Real(kMosTox), 345.314379969e-6, 1e-15);
    EXPECT_NEAR(level2->Real(kMosKp), 600 * 345.314379969e-6 * 1e-4, 1e-12);
    EXPECT_EQ(clipped->Real(kMosFc), 0.999);
    EXPECT_EQ(clipped->Real(kMosMj), 0.999);
    EXPECT_EQ(clipped->Real(kMosPolarity), -1);
    EXPECT_DOUBLE_EQ(level3->Real(kMosUcrit), 0.2);
    EXPECT_DOUBLE_EQ(level3->Real(kMosUtra), 0.4);
    EXPECT_NEAR(level3->Real(kMosLambda), 2 * 1.0359431399069999e-10 / (1e21 * 1.6021918e-19), 1e-20);
}

// The first pass of an operating point starts the channel at its threshold and the bulk
// at -1 V; outside the operating point a reversal of vds is held back for one pass.
TEST_F(MosfetDevices, JunctionStartAndReversalHold) {
    MosfetInstance* m = AddMosfet(Model(kModelPmos, {{"VTO", -1}, {"KP", 2e-5}}), 1, 2, 0, 0, 10e-6, 10e-6);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    AnalysisMode = kModeDc;
    AnalysisSubMode = kSubModeOperatingPoint;
    InitMode = kInitJunction;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_DOUBLE_EQ(m->vgs, -m->tVto);  // p * tVto in the n-type sense
    EXPECT_DOUBLE_EQ(m->vbs, -1);
    EXPECT_EQ(m->vds, 0);  // set, not iterated: no range guard
    EXPECT_EQ(m->mode, 1);

    OperatingPointPhase = 0;
    InitMode = kInitFloat;
    Solution[2] = -3, Solution[1] = -2;  // n-type sense: vgs 3, vds 2
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_GT(m->vds, 0);
    Solution[1] = 2;  // vds -2
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_GT(m->vds, 0);
    EXPECT_EQ(m->flipCount, 1);
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_LT(m->vds, 0);
    EXPECT_EQ(m->mode, -1);
}

// At the measuring temperature the scaled values are the given ones; at 127 degrees the
// transconductance falls as T^-1.5 and the threshold with the surface potential.
TEST_F(MosfetDevices, TemperatureScalesTransconductanceAndThreshold) {
    ModelParams* model = Model(kModelNmos, {{"VTO", 1}, {"KP", 2e-5}, {"PHI", 0.6}, {"GAMMA", 0.5}});
    MosfetInstance* m = AddMosfet(model, 1, 2, 0, 0, 10e-6, 10e-6);
    ASSERT_EQ(Temperatures(27), 0);
    EXPECT_NEAR(m->m123.tPhi, 0.6, 1e-9);
    EXPECT_NEAR(m->tVto, 1, 1e-9);
    EXPECT_NEAR(m->m123.Beta, 2e-5, 1e-15);
    model->values.CopyFrom(*model->nominal, model->nominal->Size());  // the values as given again
    ASSERT_EQ(Temperatures(127), 0);
    EXPECT_NEAR(m->m123.Beta, 2e-5 / std::pow(400.15 / 300.15, 1.5), 1e-15);
    EXPECT_LT(m->m123.tPhi, 0.6);
    EXPECT_LT(m->tVto, 1);
}

TEST_F(MosfetDevices, BadModelValuesEndThePreparation) {
    Model(kModelNmos, {{"NSUB", 1e10}, {"TOX", 1e-7}});
    EXPECT_EQ(UpdateModelTemperatures(27), kMsgReported);
    ClearCircuitModels();
    ModelParams* zero_nsub = Model(kModelNmos, {{"NSUB", 0}, {"TOX", 1e-7}});
    EXPECT_EQ(UpdateModelTemperatures(27), 0);
    EXPECT_EQ(zero_nsub->Real(kMosNsub), 0);
    ClearCircuitModels();
    // A channel shorter than its lateral diffusions has no positive length.
    AddMosfet(Model(kModelNmos, {{"LD", 2e-6}}), 1, 2, 0, 0, 10e-6, 2e-6);
    EXPECT_EQ(Temperatures(27), kMsgReported);
}

// A negative surface potential warns once per model statement (private copies of one
// statement share it), and the warnings go with the compiled circuit's models.
TEST_F(MosfetDevices, NegativePotentialWarnsOncePerModel) {
    auto a = MakeModelParams(kModelNmos), copy = MakeModelParams(kModelNmos), b = MakeModelParams(kModelNmos);
    auto defaults1 = MakeModelParams(kModelNmos), defaults2 = MakeModelParams(kModelPmos);
    a->statement = copy->statement = 3;
    b->statement = 4;
    ClearNegativePotentialWarnings();
    EXPECT_EQ(GuardedSqrt(a.get(), 0.25, 300.15), 0.5);
    EXPECT_EQ(GuardedSqrt(a.get(), 0.0, 300.15), 0.001);  // no warning
    EXPECT_EQ(GuardedSqrt(a.get(), -0.1, 300.15), 0.001);
    EXPECT_EQ(GuardedSqrt(copy.get(), -0.1, 400.15), 0.001);
    EXPECT_EQ(GuardedSqrt(b.get(), -0.2, 350.15), 0.001);
    EXPECT_EQ(GuardedSqrt(defaults1.get(), -0.1, 300.15), 0.001);
    EXPECT_EQ(GuardedSqrt(defaults2.get(), -0.1, 300.15), 0.001);
    int count = 0;
    const NegativePotentialWarning* w = NegativePotentialWarnings(&count);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(w[0].statement, 3);
    EXPECT_NEAR(w[0].temperature, 27.0, 1e-9);  // the first meeting's temperature
    EXPECT_EQ(w[1].statement, 4);
    EXPECT_NEAR(w[1].temperature, 77.0, 1e-9);
    ClearCircuitModels();
    NegativePotentialWarnings(&count);
    EXPECT_EQ(count, 0);
}

TEST_F(MosfetDevices, ModelWarningsGoIntoAnOpenNumericOutput) {
    auto model = MakeModelParams(kModelNmos);
    model->statement = 0;
    model->scopedName = "NCH";
    const std::string path = ::testing::TempDir() + "model_warning_output.txt";
    TextFile out;
    ASSERT_EQ(out.OpenWrite(path.c_str()), 0);
    ModelWarningsWritten = false;
    NumericOutput = nullptr;  // closed: nothing written, the flag unchanged
    LogModelWarning(15015, *model);
    EXPECT_FALSE(ModelWarningsWritten);
    NumericOutput = &out;
    LogModelWarning(15015, *model);
    auto defaults = MakeModelParams(kModelNmos);
    LogModelWarning(15015, *defaults);  // no statement: no name
    NumericOutput = nullptr;
    ASSERT_EQ(out.Close(), 0);
    EXPECT_TRUE(ModelWarningsWritten);
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "#EThe OPAMP 'NCH', has a negative value for C2.#EThe OPAMP '', has a negative value for C2.");
    std::remove(path.c_str());
}

// A multiplier makes one device of M times the width; the series conductances scale
// with it.
TEST_F(MosfetDevices, MultiplierScalesWidthAndSeriesConductances) {
    ModelParams* model = Model(kModelNmos, {{"RSH", 20}});
    MosfetInstance* m = AddMosfet(model, 1, 2, 0, 0, 10e-6, 2e-6);
    m->M = 2, m->NRD = 2;
    ASSERT_EQ(Temperatures(27), 0);
    EXPECT_DOUBLE_EQ(m->W, 20e-6);
    EXPECT_DOUBLE_EQ(m->gdrain, 2.0 / (20 * 2));
    EXPECT_DOUBLE_EQ(m->gsource, 2.0 / 20);  // NRS not given: one square
}

// The gate of an off transistor without oxide (overlap capacitances only, 2 nF in all)
// charged through 1k by a step delayed past the first time points: RC = 2 us.
TEST_F(MosfetDevices, GateChargeFollowsTheRcStep) {
    SpiceSource* source = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    source->spec_kind = kSourcePulse;
    const double td = 1e-6, p[7] = {0, 0.5, td, 1e-9, 1e-9, 1, 2};
    std::copy(p, p + 7, source->p);
    AddResistor(1, 2, 1e3);
    AddMosfet(Model(kModelNmos, {{"VTO", 1}, {"CGSO", 1e-4}, {"CGDO", 1e-4}}), 0, 2, 0, 0, 10e-6, 2e-6);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    // The transient driver moves the voltage history on at every accepted point.
    ShiftMosfetVoltageHistory();
    const double rc = 2e-6, h = 2e-9;
    ASSERT_EQ(BeginTransient(1e-9), 0);
    double worst = 0;
    while (ob7::Run.time < td + 5 * rc) {
        ShiftMosfetVoltageHistory();
        ASSERT_EQ(Step(h), 0);
        const double t = ob7::Run.time - td - 0.5e-9;
        worst = std::max(worst, std::fabs(V(2) - (t > 0 ? 0.5 * (1 - std::exp(-t / rc)) : 0.0)));
    }
    EXPECT_LT(worst, 2e-3);
    EXPECT_NEAR(V(2), 0.5 * (1 - std::exp(-5.0)), 1e-2);  // the whole step was followed
}

}  // namespace
}  // namespace ob7
