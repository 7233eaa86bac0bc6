// Junction FETs: drain and gate currents and gate capacitances against ngspice 39
// (deck: data/jfet_reference.cir), the generic checks in every region for both
// polarities, the temperature pass and the start of the operating point.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "devices/device_checks.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/jfet.h"
#include "sim/devices/resistor.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class Jfets : public ModelCircuit {
protected:
    void SetUp() override {
        ModelCircuit::SetUp();
        RegisterJfetKind();
    }
    ModelParams* ReferenceModel(int type) {
        return Model(type, {{"VTO", -2}, {"BETA", 1e-3}, {"LAMBDA", 0.02}, {"IS", 1e-14}, {"CGS", 2e-12},
                            {"CGD", 1e-12}, {"PB", 0.8}, {"FC", 0.5}});
    }
};

// The current into node `row` of the kind's load at x.
double NodeCurrent(const KindLoad& load, const std::vector<double>& x, int row) {
    double sum = -load.rhs[row];
    for (int c = 1; c <= load.size; ++c) sum += load.G(row, c) * x[c];
    return sum;
}

// Saturation, linear, inverse with the gate-drain diode forward, cut off, gate-source
// diode forward, and near pinch-off. A gate diode 0.5 V forward carries 5.5e-4 more
// current here: the thermal voltage comes from this program's k and q, 2.9e-5 below the
// reference's, and 0.5 V / Vt = 19 multiplies that in the exponent. Capacitances: Cgd and Cgs + Cgd, as the reference's
// AC currents at 1 MHz give them; the inverse point and the forward gate have a junction
// above FC * PB, on the extension of the depletion charge.
TEST_F(Jfets, CurrentsAndCapacitancesMatchTheReference) {
    struct Case {
        double vds, vgs, id, ig, cg, cgd, ac_id;  // ac_id: real AC drain current, gm - ggd
        double ig_tolerance = 1e-6;
    } cases[] = {
        {5, -1, 1.100000e-03, -7.02000e-12, 1.676331e-12, 3.429972e-13, 2.200000e-03},
        {0.5, -0.5, 1.262500e-03, -1.52000e-12, 2.235596e-12, 6.666667e-13, 1.010000e-03},
        {-1, -0.5, -4.08249e-03, 2.485624e-06, 3.159919e-12, 1.590990e-12, -2.13610e-03, 6e-4},
        {3, -2.5, 5.510000e-12, -8.02000e-12, 1.341080e-12, 3.563483e-13, -1.00000e-12},
        {0.2, 0.5, 9.638389e-04, 2.486714e-06, 4.446892e-12, 1.264911e-12, 4.015579e-04, 6e-4},
        {2, -1.5, 2.600000e-04, -5.02000e-12, 1.610867e-12, 4.313311e-13, 1.040000e-03},
    };
    Jfet* j = AddJfet(ReferenceModel(kModelNjf), 1, 2, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "vds " << c.vds << " vgs " << c.vgs);
        const std::vector<double> x = {0, c.vds, c.vgs};
        KindLoad load;
        for (int k = 0; k < 30; ++k) load = LoadKindAt(kJfetKind, x);
        EXPECT_NEAR(NodeCurrent(load, x, 1), c.id, 1e-6 * std::fabs(c.id) + 1e-16);
        EXPECT_NEAR(NodeCurrent(load, x, 2), c.ig, c.ig_tolerance * std::fabs(c.ig) + 1e-16);
        // The small-signal pass keeps the capacitances at the operating point; the AC
        // currents of a 1 V gate excitation at 1 MHz follow from them.
        AnalysisMode = kModeDc;
        InitMode = kInitSmallSignal;
        std::copy(x.begin(), x.end(), Solution.begin());
        ASSERT_EQ(LoadCircuit(), 0);
        EXPECT_NEAR(j->capgs + j->capgd, c.cg, 1e-5 * c.cg);
        EXPECT_NEAR(j->capgd, c.cgd, 1e-5 * c.cgd);
        SetAcFrequency(1e6);
        AllocateAcVectors();
        AcSolution[2 * 2] = 1;
        ASSERT_EQ(ComputeJfetAcCurrents(), 0);
        const double w = 2 * std::numbers::pi * 1e6;
        EXPECT_NEAR(j->ac_gate.imag() / w, c.cg, 1e-5 * c.cg);
        EXPECT_NEAR(-j->ac_drain.imag() / w, c.cgd, 1e-5 * c.cgd);
        EXPECT_NEAR(j->ac_drain.real(), c.ac_id, 0.1 * c.ig_tolerance * std::fabs(c.ac_id) + 1e-14);
        FreeAcVectors();
    }
}

TEST_F(Jfets, ConductancesMatchCurrentsInEveryRegion) {
    struct Terminals {
        int d, g, s;
        double p;
    };
    std::vector<Terminals> devices;
    int node = 0;
    for (int type : {kModelNjf, kModelPjf}) {
        ModelParams* model = ReferenceModel(type);
        // With series resistances too: the internal nodes follow the external ones.
        for (bool resistive : {false, true}) {
            if (resistive) {
                model = ReferenceModel(type);
                SetModelParam(*model, "RD", 10);
                SetModelParam(*model, "RS", 5);
                AddJfet(model, node + 1, node + 2, node + 3, 2, node + 4, node + 5);
                devices.push_back({node + 4, node + 2, node + 5, type == kModelNjf ? 1.0 : -1.0});
                node += 5;
            } else {
                AddJfet(model, node + 1, node + 2, node + 3);
                devices.push_back({node + 1, node + 2, node + 3, type == kModelNjf ? 1.0 : -1.0});
                node += 3;
            }
        }
    }
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(node), 0);
    // The JFET bypasses whatever the option says; tight tolerances keep it to loads at
    // the very same point.
    Options.reltol = 1e-12, Options.vntol = 1e-15, Options.abstol = 1e-21;
    const double biases[][2] = {{5, -1}, {0.5, -0.5}, {-1, -0.5}, {3, -2.5}, {0.2, 0.5}, {-3, -2.5}, {-0.3, -1}};
    for (const auto& b : biases) {
        SCOPED_TRACE(testing::Message() << "vds " << b[0] << " vgs " << b[1]);
        std::vector<double> x(EquationCount + 1, 0.0);
        for (int n = 1; n <= node; ++n) x[n] = 0.3;
        for (const Terminals& t : devices) {
            x[t.s] = 0.3;
            x[t.d] = 0.3 + t.p * b[0];
            x[t.g] = 0.3 + t.p * b[1];
        }
        // The external drain and source stand 1 mV off the internal ones.
        for (int n = 1; n <= node; ++n)
            if (x[n] == 0.3) x[n] = 0.301;
        for (int k = 0; k < 30; ++k) LoadKindAt(kJfetKind, x);
        EXPECT_TRUE(LoadWalksSetUp(kJfetKind, x));
        EXPECT_TRUE(ConductancesMatchCurrents(kJfetKind, x));
        // A time point starts away from the operating point, as after a predictor step.
        std::vector<double> near = x;
        for (size_t n = 0; n < near.size(); ++n) near[n] += 1e-4 * static_cast<double>(n);
        LoadKindAt(kJfetKind, near, LoadPoint::Time);
        EXPECT_TRUE(ConductancesMatchCurrents(kJfetKind, x, 1e-6, 1e-4, 1e-9, LoadPoint::Time));
    }
}

TEST_F(Jfets, SetUpEntriesAndStart) {
    Jfet* plain = AddJfet(ReferenceModel(kModelNjf), 1, 2, 0);
    Jfet* off = AddJfet(ReferenceModel(kModelNjf), 3, 2, 0);
    off->off = 1;
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(3), 0);
    EXPECT_EQ(LoadKindAt(kJfetKind, Solution).recorded, 18u);  // nine entries each without RD, RS
    AnalysisMode = kModeDc;
    InitMode = kInitJunction;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_EQ(plain->vgs, -1);
    EXPECT_EQ(plain->vgd, -1);
    EXPECT_EQ(off->vgs, 0);
    EXPECT_EQ(off->vgd, 0);
}

// A grading M other than 0.5 shapes the depletion charge below FC * PB; above it the
// extension stays the one of grading 0.5, continuous at the transition only for M = 0.5.
TEST_F(Jfets, GradingShapesTheDepletionCapacitance) {
    Jfet* j = AddJfet(Model(kModelNjf, {{"CGS", 2e-12}, {"PB", 0.8}, {"M", 0.3}, {"FC", 0.5}}), 1, 2, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    const std::vector<double> below = {0, 1, -1}, above = {0, 1, 0.6};
    for (int k = 0; k < 30; ++k) LoadKindAt(kJfetKind, below);
    j->vgs -= 0.01;
    LoadKindAt(kJfetKind, below, LoadPoint::Time);
    EXPECT_NEAR(j->capgs, 2e-12 * std::pow(1 + 1 / 0.8, -0.3), 1e-20);
    for (int k = 0; k < 30; ++k) LoadKindAt(kJfetKind, above);
    j->vgs -= 0.01;
    LoadKindAt(kJfetKind, above, LoadPoint::Time);
    // Grading 0.5 from FC * PB = 0.4: Cj0 (1 - FC)^-1.5 (1 - FC (1.5) + 0.5 v / PB).
    EXPECT_NEAR(j->capgs, 2e-12 * std::pow(0.5, -1.5) * (1 - 0.75 + 0.5 * 0.6 / 0.8), 1e-20);
}

// Within a time point the JFET reuses its linearisation once nothing moves, whatever
// the bypass option; the reused load keeps the charging currents of the gate junctions.
TEST_F(Jfets, BypassedTimePointKeepsTheChargingCurrents) {
    AddJfet(ReferenceModel(kModelNjf), 1, 2, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(2), 0);
    const std::vector<double> x = {0, 2, -1}, before = {0, 1.9, -0.8};
    LoadKindAt(kJfetKind, before, LoadPoint::Time);
    Options.reltol = Options.vntol = Options.abstol = 0;  // nothing converges: evaluated
    const KindLoad evaluated = LoadKindAt(kJfetKind, x, LoadPoint::Time);
    Options.reltol = 1e-3, Options.vntol = 1e-6, Options.abstol = 1e-12;
    const KindLoad bypassed = LoadKindAt(kJfetKind, x, LoadPoint::Time);
    ASSERT_NE(evaluated.rhs[2], 0);
    EXPECT_DOUBLE_EQ(bypassed.rhs[2], evaluated.rhs[2]);
    EXPECT_DOUBLE_EQ(bypassed.rhs[1], evaluated.rhs[1]);
    EXPECT_DOUBLE_EQ(bypassed.G(2, 2), evaluated.G(2, 2));
}

// The AC stamp and the AC currents describe the same admittances: with RD and RS, at
// an arbitrary complex solution, the stamped matrix times it gives the currents.
TEST_F(Jfets, AcStampAgreesWithItsCurrents) {
    ModelParams* model = ReferenceModel(kModelNjf);
    SetModelParam(*model, "RD", 10);
    SetModelParam(*model, "RS", 5);
    Jfet* j = AddJfet(model, 1, 2, 3, 2, 4, 5);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(5), 0);
    const std::vector<double> x = {0, 3, -0.8, 0.1, 2.99, 0.11};
    for (int k = 0; k < 30; ++k) LoadKindAt(kJfetKind, x);
    InitMode = kInitSmallSignal;
    std::copy(x.begin(), x.end(), Solution.begin());
    ASSERT_EQ(LoadCircuit(), 0);

    SetAcFrequency(2e7);
    AllocateAcVectors();
    ASSERT_EQ(CreateCircuitMatrix(&AcMatrix, 1e-3, 1e-13), 0);
    MatrixElementTrail trail;
    AcTrail = &trail;
    AcFirstLoad = 1;
    ASSERT_EQ(AcLoadJfets(), 0);
    EXPECT_EQ(trail.elements.size(), 27u);
    std::vector<std::complex<double>> v = {0, {0.3, 0.1}, {1, -0.2}, {0.05, 0}, {0.28, 0.12}, {0.04, 0.01}};
    for (int n = 1; n <= 5; ++n) AcSolution[2 * n] = v[n].real(), AcSolution[2 * n + 1] = v[n].imag();
    ASSERT_EQ(ComputeJfetAcCurrents(), 0);
    const auto row_current = [&](int r) {
        std::complex<double> sum = 0;
        for (int c = 1; c <= 5; ++c) {
            const MatrixElement* e = GetMatrixElement(AcMatrix, r, c);
            sum += std::complex<double>(e->real, e->imag) * v[c];
        }
        return sum;
    };
    // The internal nodes carry the intrinsic device; the external rows only the series
    // conductances, whose currents pass on into the internal nodes.
    EXPECT_LT(std::abs(row_current(2) - j->ac_gate), 1e-12);
    EXPECT_LT(std::abs(row_current(4) + row_current(1) - j->ac_drain), 1e-12);
    EXPECT_LT(std::abs(row_current(5) + row_current(3) - j->ac_source), 1e-12);
    DestroyCircuitMatrix(AcMatrix);
    AcMatrix = nullptr;
    AcTrail = nullptr;
    FreeAcVectors();
}

// Degenerate model values (no saturation current, no transconductance, a negative
// capacitance) still give a finite matrix at every bias.
TEST_F(Jfets, DegenerateModelsStayFinite) {
    AddJfet(Model(kModelNjf, {{"IS", 0}, {"BETA", 0}}), 1, 2, 0);
    AddJfet(Model(kModelNjf, {{"IS", 1e-30}, {"CGS", -1e-12}, {"LAMBDA", -1}}), 3, 2, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(3), 0);
    for (auto [vd, vg] : {std::pair{5.0, -1.0}, {-2.0, 0.6}, {0.0, 0.0}, {3.0, -5.0}}) {
        const std::vector<double> x = {0, vd, vg, vd};
        for (LoadPoint point : {LoadPoint::Dc, LoadPoint::Time}) {
            const KindLoad load = LoadKindAt(kJfetKind, x, point);
            for (double g : load.g) EXPECT_TRUE(std::isfinite(g)) << vd << " " << vg;
            for (double r : load.rhs) EXPECT_TRUE(std::isfinite(r)) << vd << " " << vg;
        }
    }
}

// A common-source stage: a gate step through 10k charges Cgs and the Miller-multiplied
// Cgd while the drain falls; node voltages against ngspice (data/jfet_step.cir).
TEST_F(Jfets, GateStepTransientMatchesTheReference) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 5);
    AddResistor(1, 2, 2e3);
    SpiceSource* in = AddSpiceSource(3, 0, kSpiceVoltageSource, 0);
    in->spec_kind = kSourcePulse;
    const double p[7] = {-1.8, -0.5, 10e-9, 1e-9, 1e-9, 1, 2};
    std::copy(p, p + 7, in->p);
    AddResistor(3, 4, 1e4);
    AddJfet(ReferenceModel(kModelNjf), 2, 4, 0);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(4), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    const double h = 0.05e-9;
    ASSERT_EQ(BeginTransient(h), 0);
    struct Sample {
        double t, vd, vg;
    } samples[] = {{20e-9, 4.121758, -1.331725}, {40e-9, 2.691034, -0.9408637}, {60e-9, 1.878562, 0},
                   {100e-9, 1.147323, 0}, {200e-9, 0.9794367, 0}};
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

// Noise: the series resistances' thermal noise and the channel's, at the operating point.
TEST_F(Jfets, NoiseSources) {
    ModelParams* model = ReferenceModel(kModelNjf);
    SetModelParam(*model, "RD", 100);
    SetModelParam(*model, "RS", 50);
    AddJfet(model, 1, 2, 0, 1, 3, 4);
    ASSERT_EQ(Temperatures(27), 0);
    ASSERT_EQ(Prepare(4), 0);
    const std::vector<double> x = {0, 5, -1, 4.99, 0.01};
    for (int k = 0; k < 30; ++k) LoadKindAt(kJfetKind, x);
    NoiseSources = {};
    ASSERT_EQ(AddJfetNoiseSources(1e3), 0);
    ASSERT_EQ(NoiseSources.count(), 3);
    const double kt4 = 4 * 1.3806226e-23 * 300.15;
    EXPECT_NEAR(NoiseSources.density[0], std::sqrt(kt4 / 100), 1e-15);
    EXPECT_NEAR(NoiseSources.density[1], std::sqrt(kt4 / 50), 1e-15);
    Jfet* j = static_cast<Jfet*>(DeviceListTable[kJfetList].first);
    EXPECT_NEAR(NoiseSources.density[2], std::sqrt(2.0 / 3.0 * kt4 * std::fabs(j->gm)), 1e-15);
}

// At 127 degrees: VTO moves by VTOTC per degree, BETA by 1.01^(BETATCE dT), and the
// saturation current rises with the band gap of 1.11 eV.
TEST_F(Jfets, TemperatureCoefficients) {
    ModelParams* model = Model(kModelNjf, {{"VTO", -2}, {"VTOTC", -2e-3}, {"BETATCE", 0.5}, {"IS", 1e-14}});
    ASSERT_EQ(Temperatures(127), 0);
    EXPECT_NEAR(model->Real(kJVto), -2.2, 1e-12);
    EXPECT_NEAR(model->Real(kJBeta), 1e-4 * std::pow(1.01, 50), 1e-15);
    EXPECT_GT(model->Real(kJIs), 1e-12);
}

}  // namespace
}  // namespace ob7
