// The lossless transmission line: a step through a matched source into a line that ends
// in three times its impedance. The wave reaches the far end exactly TD later at half
// the step plus its reflection, and comes back to the source after 2 TD (ngspice 39 on
// data/tline_reflection.cir gives the same values at the sample times).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "devices/device_checks.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/devices/tline.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class TLines : public ModelCircuit {
protected:
    // 1 V step at 1 ns (0.1 ns rise) through 50 ohm into port 1 (node 2); port 2 (node 3)
    // ends in 150 ohm; internal nodes 4 and 5.
    TLine* BuildLine() {
        SpiceSource* source = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
        source->spec_kind = kSourcePulse;
        const double p[7] = {0, 1, 1e-9, 0.1e-9, 0.1e-9, 100e-9, 200e-9};
        std::copy(p, p + 7, source->p);
        AddResistor(1, 2, 50);
        AddResistor(3, 0, 150);
        return AddTLine(Model(kModelTrn, {{"ZO", 50}, {"TD", 1e-9}}), 2, 0, 3, 0, 4, 5);
    }
};

TEST_F(TLines, ReflectionsArriveExactlyAfterTheDelay) {
    TLine* line = BuildLine();
    ob7::Run.tmin = 0, ob7::Run.tmax = 6e-9;
    ASSERT_EQ(Prepare(5), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_TRUE(LoadWalksSetUp(kTLineKind, Solution));
    EXPECT_TRUE(LoadWalksSetUp(kTLinePortKind, Solution));
    // The transient has its own matrix: the port sources no longer read the other port.
    OperatingPointPhase = 0;
    ASSERT_EQ(InitSimulationState(false, TransientSlot), 0);
    MatrixSetUp = 1;
    double max_step = 1;
    ASSERT_EQ(InitTLineHistories(&max_step), 0);
    EXPECT_EQ(max_step, 0.5e-9);

    const double h = 0.01e-9;
    ob7::Run.time_step = h;
    ASSERT_EQ(BeginTransient(h), 0);
    ASSERT_EQ(UpdateTLineHistories(), 0);
    struct Sample {
        double t, v2, v3;
    } samples[] = {{1.05e-9, 0.25, 0}, {1.9e-9, 0.5, 0}, {2.05e-9, 0.5, 0.375}, {2.5e-9, 0.5, 0.75},
                   {3.05e-9, 0.625, 0.75}, {3.5e-9, 0.75, 0.75}, {5e-9, 0.75, 0.75}};
    size_t next = 0;
    size_t longest = 0;
    while (ob7::Run.time < 5e-9 + h / 2) {
        ASSERT_EQ(Step(h), 0);
        ASSERT_EQ(UpdateTLineHistories(), 0);
        longest = std::max(longest, line->history.size());
        if (next < std::size(samples) && std::fabs(ob7::Run.time - samples[next].t) < h / 2) {
            SCOPED_TRACE(ob7::Run.time);
            EXPECT_NEAR(V(2), samples[next].v2, 1e-6);
            EXPECT_NEAR(V(3), samples[next].v3, 1e-6);
            ++next;
        }
    }
    EXPECT_EQ(next, std::size(samples));
    // The history holds the delay's worth of points and a few before.
    EXPECT_LE(longest, 1e-9 / h + 5);
    ClearTLineHistories();
    EXPECT_TRUE(line->history.empty());
}

// An entry for a time not after the newest is not added; a wave that moves by less than
// VNTOL asks for no breakpoint, a kink in a moving wave asks for one TD after the
// previous point.
TEST_F(TLines, HistoryOrderAndBreakpoints) {
    TLine* line = BuildLine();
    ob7::Run.tmin = 0, ob7::Run.tmax = 1e-6;
    ASSERT_EQ(Prepare(5), 0);
    static std::vector<double> requested;
    requested.clear();
    RequestTimeBreakpoint = [](double t) {
        requested.push_back(t);
        return 0;
    };
    std::fill(Solution.begin(), Solution.end(), 0.0);
    line->td = 1e-9;
    ob7::Run.time_step = 0;
    ASSERT_EQ(AppendTLineHistory(*line, 0), 0);
    ob7::Run.time = 1e-10, ob7::Run.time_step = 1e-10;
    ASSERT_EQ(AppendTLineHistory(*line, 1.1e-9), 0);
    ASSERT_EQ(AppendTLineHistory(*line, 1.1e-9), 0);
    EXPECT_EQ(line->history.size(), 2u);
    EXPECT_TRUE(requested.empty());
    Solution[2] = 1;  // port 1 jumps: its wave is 2 V
    ob7::Run.time = 2e-10;
    ASSERT_EQ(AppendTLineHistory(*line, 1.2e-9), 0);
    ASSERT_EQ(requested.size(), 1u);
    EXPECT_DOUBLE_EQ(requested[0], 1e-10 + 1e-9);
    EXPECT_EQ(line->history.back().wave1, 2);
    RequestTimeBreakpoint = nullptr;
}

// In AC each port source is the other port's wave turned by -w TD: at a quarter period
// of the delay, -j.
TEST_F(TLines, AcPortsCarryTheDelayedWave) {
    TLine* line = BuildLine();
    ASSERT_EQ(Prepare(5), 0);
    SetAcFrequency(0.25e9);  // w TD = pi / 2
    AllocateAcVectors();
    ASSERT_EQ(CreateCircuitMatrix(&AcMatrix, 1e-3, 1e-13), 0);
    MatrixElementTrail trail;
    AcTrail = &trail;
    AcFirstLoad = 1;
    ASSERT_EQ(AcLoadTLines(), 0);
    const auto y = [](int r, int c) {
        const MatrixElement* e = GetMatrixElement(AcMatrix, r, c);
        return std::complex<double>(e->real, e->imag);
    };
    const int b1 = line->branch1, b2 = line->branch2;
    EXPECT_LT(std::abs(y(b1, 3) - std::complex<double>(0, 2)), 1e-12);   // -2 g at P2
    EXPECT_LT(std::abs(y(b1, 5) - std::complex<double>(0, -1)), 1e-12);  // g at I2
    EXPECT_LT(std::abs(y(b2, 2) - std::complex<double>(0, 2)), 1e-12);
    EXPECT_EQ(y(b1, 4), 1.0);  // the branch's own incidence
    EXPECT_EQ(y(4, b1), 1.0);
    EXPECT_EQ(y(2, 4), -1 / 50.0);
    DestroyCircuitMatrix(AcMatrix);
    AcMatrix = nullptr;
    AcTrail = nullptr;
    FreeAcVectors();
}

}  // namespace
}  // namespace ob7
