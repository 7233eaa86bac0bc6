// The AC stamp protocol: the first load records, later loads replay, noise mode
// transposes, and the helpers put the documented entries in place.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <numbers>

#include "sim/engine/ac_load.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

// One AC kind whose load a test scripts.
std::function<int()> ScriptedLoad;
int LoadScripted() { return ScriptedLoad ? ScriptedLoad() : 0; }
std::function<int(double)> ScriptedNoise;
int NoiseScripted(double f) { return ScriptedNoise ? ScriptedNoise(f) : 0; }
const AcKindHandler kScriptedKind{AcStage::Resistors, 0, LoadScripted, AcCurrentRank::None, nullptr,
                                  NoiseRank::Resistors, NoiseScripted};

class AcLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterAcKind(&kScriptedKind);
        Noise = {};
        ScriptedLoad = nullptr;
        ScriptedNoise = nullptr;
    }
    void TearDown() override {
        DestroyCircuitMatrix(AcMatrix);
        AcMatrix = nullptr;
        AcTrail = nullptr;
        FreeAcVectors();
        FreeNoiseTables();
        Noise = {};
        ScriptedLoad = nullptr;
        ScriptedNoise = nullptr;
    }
    // Builds the AC matrix with a first load at f, then loads again and solves.
    void Solve(int equations, double f) {
        EquationCount = equations;
        AllocateAcVectors();
        ASSERT_EQ(CreateCircuitMatrix(&AcMatrix, 1e-3, 1e-13), 0);
        AcTrail = &trail_;
        SetAcFrequency(1000.0);
        AcFirstLoad = 1;
        ASSERT_EQ(AcLoad(), 0);
        AcFirstLoad = 0;
        ASSERT_EQ(PreorderCircuitMatrix(AcMatrix), 0);
        SetAcFrequency(f);
        ASSERT_EQ(AcLoad(), 0);
        ASSERT_EQ(FactorComplexLU(AcMatrix), 0);
        SolveMatrix(AcMatrix, AcRightHandSide.data(), AcSolution.data());
        AcSolution[0] = AcSolution[1] = 0;
    }
    MatrixElementTrail trail_;
};

// A 1 V source into R = 1 kohm and C = 1 uF to ground: the low-pass response
// 1 / (1 + j w R C), magnitude and phase, after a first load at another frequency.
TEST_F(AcLoadTest, RcLowPassMatchesClosedForm) {
    constexpr double R = 1e3, C = 1e-6;
    ScriptedLoad = [] {
        int e = AcStampVoltageSource(3, 1, 0, 1.0, 0.0);
        if (!e) e = AcStampConductance(1, 2, 1 / R);
        if (!e) e = AcStampSusceptance(2, 0, AcOmega * C);
        return e;
    };
    for (double f : {1.0, 159.15494309189535, 1e4}) {
        Solve(3, f);
        const std::complex<double> h = 1.0 / std::complex<double>(1.0, 2 * std::numbers::pi * f * R * C);
        EXPECT_NEAR(std::abs(AcNodeValue(2)), std::abs(h), 1e-12) << f;
        EXPECT_NEAR(std::arg(AcNodeValue(2)), std::arg(h), 1e-12) << f;
        // The source's branch carries the current drawn from it.
        const std::complex<double> i = ConductanceCurrent(1, 2, 1 / R);
        EXPECT_NEAR(std::abs(i - SusceptanceCurrent(2, 0, AcOmega * C)), 0.0, 1e-15);
        DestroyCircuitMatrix(AcMatrix);
        AcMatrix = nullptr;
    }
}

// Controlled sources of each type against hand-solved circuits (a 1 V source on node 1,
// branch 4; the output node 2 loaded by 1 ohm to ground; gain 2 + 1j).
TEST_F(AcLoadTest, ControlledSourceTypesGiveTheirGains) {
    const std::complex<double> g{2.0, 1.0};
    struct Case {
        int type;
        int equations;
        std::complex<double> expected_v2;
    } cases[] = {
        {0, 4, -g},  // g V1 leaves node 2 into its 1 ohm
        {1, 5, -g},  // g times the 1 A through the zero-volt branch 5, out of node 2
        {2, 5, g},   // V2 = g V1 on branch 5
        {3, 6, g},   // V2 = g I5 on branch 6
    };
    for (const Case& c : cases) {
        // Node 1 at 1 V; 1 ohm from node 1 to node 3, which the current-controlled types
        // tie to ground through their zero-volt branch 5, so 1 A flows through it.
        ScriptedLoad = [&] {
            int e = AcStampVoltageSource(4, 1, 0, 1.0, 0.0);
            if (!e) e = AcStampConductance(2, 0, 1.0);
            if (!e) e = AcStampConductance(1, 3, 1.0);
            switch (c.type) {
                case 0: if (!e) e = AcStampControlledSource(true, true, 0, 0, 0, 1, 0, 2, 0, g.real(), g.imag()); break;
                case 1: if (!e) e = AcStampControlledSource(true, true, 1, 5, 0, 3, 0, 2, 0, g.real(), g.imag()); break;
                case 2: if (!e) e = AcStampControlledSource(true, true, 2, 5, 0, 1, 0, 2, 0, g.real(), g.imag()); break;
                case 3: if (!e) e = AcStampControlledSource(true, true, 3, 5, 6, 3, 0, 2, 0, g.real(), g.imag()); break;
            }
            return e;
        };
        Solve(c.equations, 100.0);
        const std::complex<double> v2 = AcNodeValue(2);
        EXPECT_NEAR(v2.real(), c.expected_v2.real(), 1e-12) << c.type;
        EXPECT_NEAR(v2.imag(), c.expected_v2.imag(), 1e-12) << c.type;
        DestroyCircuitMatrix(AcMatrix);
        AcMatrix = nullptr;
    }
}

// In noise mode every entry lands transposed: a transconductance from control (1, 0)
// to output (2, 0) sits at (1, 2) instead of (2, 1).
TEST_F(AcLoadTest, NoiseModeTransposesEntries) {
    EquationCount = 2;
    AllocateAcVectors();
    ASSERT_EQ(CreateCircuitMatrix(&AcMatrix, 1e-3, 1e-13), 0);
    AcTrail = &trail_;
    ScriptedLoad = [] { return AcStampRealTransconductance(1, 0, 2, 0, 5.0); };
    Noise.flag = 1;
    Noise.output_plus = 2;
    AcFirstLoad = 1;
    ASSERT_EQ(AcLoad(), 0);
    AcFirstLoad = 0;
    ASSERT_EQ(trail_.elements.size(), 4u);
    MatrixElement* placed = trail_.elements[0];
    EXPECT_EQ(placed, GetMatrixElement(AcMatrix, 1, 2));
    EXPECT_EQ(placed->real, 5.0);
    // The unit excitation of the output replaces the right-hand side.
    EXPECT_EQ(AcRightHandSide[4], -1.0);
    // A later load adds through the recorded element again, after clearing.
    ASSERT_EQ(AcLoad(), 0);
    EXPECT_EQ(placed->real, 5.0);
}

// A 1 kohm resistor alone between the output and ground at 27 C: 4.07e-12 A/sqrt(Hz),
// seen through |Z| = 1 kohm, gives 4.07e-9 V/sqrt(Hz) at the output.
TEST_F(AcLoadTest, ResistorThermalNoiseAtTheOutput) {
    constexpr double R = 1e3;
    ScriptedLoad = [] { return AcStampConductance(1, 0, 1 / R); };
    ScriptedNoise = [](double) {
        AddNoiseSource(1, 0, std::sqrt(NoiseDensity(2, 1 / R, 27 + kZeroCelsius)));
        return 0;
    };
    Noise.flag = 1;
    Noise.output_plus = 1;
    ASSERT_EQ(AllocNoiseTables(), 0);
    Solve(1, 1e3);
    ASSERT_EQ(AssembleNoiseSources(AcFrequency), 0);
    ASSERT_EQ(NoiseSources.count(), 1);
    EXPECT_NEAR(OutputNoise(), 4.0714e-9, 0.0001e-9);
    EXPECT_NEAR(OutputNoise(), std::sqrt(4 * 1.3806226e-23 * 300.15 * R), 1e-22);
}

// A common-source stage of the three-terminal FET stamp: 1 V at the gate, 1 kohm drain
// load, 10 ohm drain and source resistances. The channel current i from D' to S' solves
// i = gm (1 - i Rs) - gds i (1k + Rd + Rs), and V(D) = -1k i.
TEST_F(AcLoadTest, Fet3CommonSourceGain) {
    constexpr double gm = 5e-3, gds = 1e-5, rd = 10, rs = 10;
    ScriptedLoad = [] {
        int e = AcStampVoltageSource(5, 1, 0, 1.0, 0.0);
        if (!e) e = AcStampConductance(2, 0, 1e-3);
        // G = G' 1, D 2, D' 3, S ground, S' 4.
        if (!e) e = AcStampFet3({1, 2, 0, 1, 3, 4, 0, 1 / rd, 1 / rs, gm, gds, 0, 0, 0, 0, 0});
        return e;
    };
    Solve(5, 1.0);
    const double i = gm / (1 + gm * rs + gds * (1e3 + rd + rs));
    EXPECT_NEAR(AcNodeValue(2).real(), -1e3 * i, 1e-12);
    EXPECT_NEAR(AcNodeValue(4).real(), i * rs, 1e-12);
}

TEST(NoiseSourceHelpers, DensitiesAndShotFlicker) {
    NoiseSources = {};
    AddNoiseSource(3, 3, 1.0);  // a source across one node adds nothing
    AddNoiseSource(-1, 2, 1.0);
    ASSERT_EQ(NoiseSources.count(), 1);
    EXPECT_EQ(NoiseSources.node_a[0], 0);
    EXPECT_DOUBLE_EQ(NoiseDensity(1, -1e-3, 0), 3.2043836e-22);
    EXPECT_DOUBLE_EQ(NoiseDensity(3, 5, 5), 1.0);
    // sqrt(S0 + KF X / f^EF): 1e-20 + 1e-16 * 1e-4 / 100^1.5 = 1e-20 + 1e-23
    AddShotFlickerNoise(1, 0, 1e-20, 1e-16, 1e-4, 100.0, 1.5);
    EXPECT_NEAR(NoiseSources.density[1], std::sqrt(1e-20 + 1e-23), 1e-25);
    NoiseSources = {};
}

}  // namespace
}  // namespace ob7
