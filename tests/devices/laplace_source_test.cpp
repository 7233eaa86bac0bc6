// Laplace sources: an RC low-pass given as 1 / (1 + S RC) equals the RC circuit at the
// operating point, in a transient (through the impulse response) and in AC.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "devices/device_checks.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/sampled_sources.h"
#include "sim/devices/resistor.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using LaplaceSources = DeviceCircuit;

constexpr double kTau = 1e-3;

ExpressionToken Token(int16_t opcode, double number = 0, int16_t pushes = 0) {
    ExpressionToken t;
    t.opcode = opcode;
    t.pushes = pushes;
    t.value.number = number;
    return t;
}

// 1 / (1 + S * tau) in postfix.
void LowPass(LaplaceSource* s) {
    constexpr int16_t kConstant = kOpConstant, kS = 29, kMultiply = 100, kAdd = 102, kDivide = 101;
    s->transfer.tokens = {Token(kConstant, 1, 1), Token(kConstant, 1, 1), Token(kS, 0, 1), Token(kConstant, kTau, 1),
                          Token(kMultiply),       Token(kAdd),            Token(kDivide)};
    s->transfer.run = &ob7::Run;
}

// A 1 V step at 1 ms on node 1 drives R = 1k, C = 1 uF (node 2) and the Laplace E source
// (node 3, loaded by 1k).
TEST_F(LaplaceSources, LowPassFollowsTheRcCircuit) {
    SpiceSource* step = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    step->spec_kind = kSourcePulse;
    const double p[7] = {0.5, 1.5, 1e-3, 1e-6, 1e-6, 1, 2};
    std::copy(p, p + 7, step->p);
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-6);
    LaplaceSource* s = AddLaplaceSource(kLaplaceE, 1, 0, 3, 0);
    AddResistor(3, 0, 1e3);
    LowPass(s);
    ob7::Run.tmin = 0, ob7::Run.tmax = 8e-3;
    ob7::Run.analysis_kind = 0;  // a transient: S carries the damping of the impulse computation
    SampledSourceCount = 4096;
    ResetSampledSourceState();
    ASSERT_EQ(Prepare(3), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(3), 0.5, 1e-9);  // unit gain at DC
    // The transient driver keeps the step within the sample interval 2 TMAX / N.
    const double h = 2 * 8e-3 / 4096;
    ASSERT_EQ(BeginTransient(h), 0);
    double worst = 0;
    while (ob7::Run.time < 6e-3) {
        ASSERT_EQ(Step(h), 0) << ob7::Run.time;
        worst = std::max(worst, std::fabs(V(3) - V(2)));
    }
    EXPECT_LT(worst, 2e-3);  // 0.2% of the step
    EXPECT_NEAR(V(3), 1.5 - std::exp(-5.0), 0.01);
    ResetSampledSourceState();
    ob7::Run.analysis_kind = -1;
}

TEST_F(LaplaceSources, AcGainIsTheTransferFunction) {
    LaplaceSource* s = AddLaplaceSource(kLaplaceG, 1, 0, 2, 0);
    AddResistor(1, 0, 1);
    AddResistor(2, 0, 1);
    ASSERT_EQ(Prepare(2), 0);
    LowPass(s);
    for (double f : {10.0, 159.15494309189535, 1e4}) {
        SetAcFrequency(f);
        AllocateAcVectors();
        ASSERT_EQ(CreateCircuitMatrix(&AcMatrix, 1e-3, 1e-13), 0);
        MatrixElementTrail trail;
        AcTrail = &trail;
        AcFirstLoad = 1;
        ASSERT_EQ(AcLoadLaplaceSources(), 0);
        const MatrixElement* e = GetMatrixElement(AcMatrix, 2, 1);
        const std::complex<double> expected = 1.0 / std::complex<double>(1, 2 * std::numbers::pi * f * kTau);
        EXPECT_NEAR(e->real, expected.real(), 1e-12) << f;
        EXPECT_NEAR(e->imag, expected.imag(), 1e-12) << f;
        DestroyCircuitMatrix(AcMatrix);
        AcMatrix = nullptr;
        AcTrail = nullptr;
        FreeAcVectors();
    }
}

TEST(SampledSources, TransformRoundTrip) {
    std::vector<double> re = {1, 2, 3, 4, 0, -1, 0.5, 0}, im(8, 0.0);
    const std::vector<double> original = re;
    TransformInPlace(re, im, false);
    EXPECT_NEAR(re[0], 9.5, 1e-12);  // the sum
    TransformInPlace(re, im, true);
    for (size_t i = 0; i < re.size(); ++i) {
        EXPECT_NEAR(re[i], original[i], 1e-12);
        EXPECT_NEAR(im[i], 0, 1e-12);
    }
}

}  // namespace
}  // namespace ob7
