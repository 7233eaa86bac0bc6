// The lossy line's model and device passes: the case each set of R, L, G, C chooses,
// the refused sets, and the derived values (closed forms computed by hand here).

#include <gtest/gtest.h>

#include <cmath>

#include "devices/device_checks.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/lossy_line_coeffs.h"
#include "sim/devices/lossy_line_math.h"
#include "sim/devices/time_breakpoints.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class LossyLines : public ModelCircuit {
protected:
    double* Line(std::initializer_list<std::pair<const char*, double>> params) {
        ModelParams* model = Model(kModelTrn, params);
        AddLossyLine(model, 1, 0, 2, 0);
        return ModelReals(*model);
    }
};

TEST_F(LossyLines, RefusedParameterSets) {
    struct Case {
        const char* what;
        std::initializer_list<std::pair<const char*, double>> params;
        int error;
    };
    const Case cases[] = {
        {"no length", {{"R", 10}, {"L", 250e-9}, {"C", 100e-12}}, 15055},
        {"zero length", {{"R", 10}, {"C", 100e-12}, {"LEN", 0}}, 15055},
        {"only R", {{"R", 10}, {"LEN", 1}}, 14185},
        {"R, L and G", {{"R", 10}, {"L", 250e-9}, {"G", 1e-3}, {"LEN", 1}}, 14181},
        {"RL", {{"R", 10}, {"L", 250e-9}, {"LEN", 1}}, 14181},
        {"GC", {{"G", 1e-3}, {"C", 100e-12}, {"LEN", 1}}, 14181},
        {"RLCG", {{"R", 10}, {"L", 250e-9}, {"G", 1e-3}, {"C", 100e-12}, {"LEN", 1}}, 14181},
    };
    for (const Case& c : cases) {
        Line(c.params);
        EXPECT_EQ(Temperatures(27), c.error) << c.what;
        FreeDeviceLists();
        ClearCircuitModels();
    }
}

TEST_F(LossyLines, RlcLine) {
    // 50 ohm, 5 ns, beta = R / 2L = 2e7 per second.
    double* x = Line({{"R", 10}, {"L", 250e-9}, {"C", 100e-12}, {"LEN", 1}});
    ASSERT_EQ(Temperatures(27), 0);
    EXPECT_EQ(x[kLossyCase], kLossyRlc);
    EXPECT_NEAR(x[kLossyZ0], 50, 1e-12);
    EXPECT_NEAR(x[kLossyY0], 0.02, 1e-15);
    EXPECT_NEAR(x[kLossyTd], 5e-9, 1e-21);
    EXPECT_NEAR(x[kLossyBeta], 2e7, 1e-6);
    EXPECT_NEAR(x[kLossyAttenuation], 0.904837418, 1e-9);
    EXPECT_EQ(x[kLossyH1Total], -1);
    EXPECT_NEAR(x[kLossyH2Total], 1 - 0.904837418, 1e-9);
    // The safe step: h2 is straight enough over [TD, TD + step] by the line's tolerance
    // (RELTOL by default) and not over twice that span.
    const double step = x[kLossySafeStep];
    ASSERT_GT(step, 0);
    ASSERT_LE(step, 9 * x[kLossyTd]);
    const auto straight = [&](double span) {
        const double td = x[kLossyTd], a = x[kLossyAlpha];
        const double xb = td + span, xm = (td + xb) / 2;
        return StraightLineCheck(xb, LossyH2Response(xb, td, a, a), xm, LossyH2Response(xm, td, a, a), td,
                                 LossyH2Response(td, td, a, a), x[kLossyRelTol], x[kLossyAbsTol]);
    };
    EXPECT_TRUE(straight(step));
    EXPECT_FALSE(straight(2 * step));
    EXPECT_EQ(x[kLossyRelTol], 1e-3);
}

TEST_F(LossyLines, LcRcAndRgLines) {
    double* lc = Line({{"L", 250e-9}, {"C", 100e-12}, {"LEN", 2}});
    double* rc = Line({{"R", 100}, {"C", 100e-12}, {"LEN", 2}});
    double* rg = Line({{"R", 10}, {"G", 0.1}, {"LEN", 1}});
    ASSERT_EQ(Temperatures(27), 0);
    // R = G = 0: a delay line without attenuation.
    EXPECT_EQ(lc[kLossyCase], kLossyLc);
    EXPECT_EQ(lc[kLossyAttenuation], 1);
    EXPECT_NEAR(lc[kLossyTd], 10e-9, 1e-21);
    EXPECT_NEAR(lc[kLossyZ0], 50, 1e-12);

    EXPECT_EQ(rc[kLossyCase], kLossyRc);
    EXPECT_NEAR(rc[kLossyCbyR], 1e-12, 1e-27);
    EXPECT_NEAR(rc[kLossyRclsqr], 4e-8, 1e-22);
    EXPECT_EQ(rc[kLossyH2Total], 1);

    // sqrt(R G) LEN = 1: cosh 1, sqrt(R/G) sinh 1 and sqrt(G/R) sinh 1.
    EXPECT_EQ(rg[kLossyCase], kLossyRg);
    EXPECT_NEAR(rg[kLossyRgCosh], 1.543080635, 1e-9);
    EXPECT_NEAR(rg[kLossyRgSinhR], 11.75201194, 1e-8);
    EXPECT_NEAR(rg[kLossyRgSinhG], 0.1175201194, 1e-10);
}

std::vector<double> breakpoints;
int RecordBreakpoint(double t) {
    breakpoints.push_back(t);
    return 0;
}

TEST_F(LossyLines, AKinkInAPortWaveAsksForABreakpointOneDelayLater) {
    double* x = Line({{"L", 250e-9}, {"C", 100e-12}, {"LEN", 1}});  // 50 ohm, 5 ns
    ASSERT_EQ(Temperatures(27), 0);
    auto* line = static_cast<LossyLine*>(DeviceListTable[kLossyLineList].first);
    line->branch1 = 3, line->branch2 = 4;
    Solution.assign(5, 0.0);
    RequestTimeBreakpoint = RecordBreakpoint;
    // Port 1 rising 1 V per ns until 1 ns, then falling: a peak at the middle point.
    line->history = {{0, 0, 0, 0, 0}, {1e-9, 1, 0, 0, 0}};
    Solution[1] = 0;
    ob7::Run.time = 2e-9;
    ASSERT_EQ(AcceptLossyLineStep(), 0);
    ASSERT_EQ(breakpoints.size(), 1u);
    EXPECT_DOUBLE_EQ(breakpoints[0], 1e-9 + x[kLossyTd]);
    // Going on straight, or merely turning flat (the slope changes by no more than its
    // size): no more.
    Solution[1] = -1;
    ob7::Run.time = 3e-9;
    ASSERT_EQ(AcceptLossyLineStep(), 0);
    Solution[1] = -1;
    ob7::Run.time = 4e-9;
    ASSERT_EQ(AcceptLossyLineStep(), 0);
    EXPECT_EQ(breakpoints.size(), 1u);
    // A peak of 10 pV is below the spread test (50 ABSTOL about zero).
    line->history = {{0, 0, 0, 0, 0}, {1e-9, 1e-11, 0, 0, 0}};
    Solution[1] = 0;
    ob7::Run.time = 2e-9;
    ASSERT_EQ(AcceptLossyLineStep(), 0);
    EXPECT_EQ(breakpoints.size(), 1u);
    RequestTimeBreakpoint = nullptr;
}

TEST_F(LossyLines, DelayedValueByInterpolationMode) {
    // LC line, 5 ns. Port 2's voltage over five points: 0, 0, 1, 1, 1 at 0..4 ns; at
    // t = 6.5 ns the delayed time 1.5 ns lies between the points at 1 and 2 ns.
    double* x = Line({{"L", 250e-9}, {"C", 100e-12}, {"LEN", 1}});
    ASSERT_EQ(Temperatures(27), 0);
    std::vector<LossyLinePoint> h;
    for (int k = 0; k < 5; ++k) h.push_back({k * 1e-9, 0, 0, k >= 2 ? 1.0 : 0.0, 0});
    LossyCoefficients c;
    LocateDelayedPoint(x, h, 6.5e-9, c);
    ASSERT_TRUE(c.delayed);
    EXPECT_EQ(x[kLossyAuxIndex], 1);
    // Quadratic over 0, 1, 2 ns: 0.375; linear over 1, 2 ns: 0.5.
    const struct {
        int mode;
        double expected;
    } cases[] = {{kLossyInterpQuadratic, 0.375}, {kLossyInterpLinear, 0.5}, {kLossyInterpMixed, 0.375}};
    for (const auto& m : cases) {
        x[kLossyInterpMode] = m.mode;
        EXPECT_NEAR(DelayedValue(x, c, h, &LossyLinePoint::v2), m.expected, 1e-12) << m.mode;
    }
    // At 2.5 ns the parabola through 1, 2, 3 ns overshoots its points (1.125): mixed
    // mode takes the line instead.
    LocateDelayedPoint(x, h, 7.5e-9, c);
    x[kLossyInterpMode] = kLossyInterpQuadratic;
    EXPECT_NEAR(DelayedValue(x, c, h, &LossyLinePoint::v2), 1.125, 1e-12);
    x[kLossyInterpMode] = kLossyInterpMixed;
    EXPECT_NEAR(DelayedValue(x, c, h, &LossyLinePoint::v2), 1, 1e-12);
    // Before the delay has passed the first point: the initial value.
    LocateDelayedPoint(x, h, 4e-9, c);
    EXPECT_FALSE(c.delayed);
    EXPECT_EQ(DelayedValue(x, c, h, &LossyLinePoint::v2), 0);
}

TEST_F(LossyLines, TruncationErrorHalvesTheStep) {
    // RC line, 1k load scale: a port voltage bending sharply over the last three points
    // halves a proposed step; the same points on a straight line leave it.
    Line({{"R", 100}, {"C", 100e-12}, {"LEN", 1}});
    ASSERT_EQ(Temperatures(27), 0);
    auto* line = static_cast<LossyLine*>(DeviceListTable[kLossyLineList].first);
    line->input1 = line->input2 = 1e-3;
    line->history = {{0, 0, 0, 0, 0}, {1e-9, 1, 0, 0, 0}, {2e-9, 2, 0, 0, 0}};
    double step = 1e-9;
    EXPECT_EQ(LossyLteEstimate(*line, 3e-9), 0);
    ASSERT_EQ(LimitLossyLineTimeStep(&step), 0);
    EXPECT_EQ(step, 1e-9);
    line->history[2].v1 = 0;  // a peak of 1 V at 1 ns
    EXPECT_GT(LossyLteEstimate(*line, 3e-9), 7 * (1e-12 + 1e-3 * 2e-3));
    ASSERT_EQ(LimitLossyLineTimeStep(&step), 0);
    EXPECT_EQ(step, 0.5e-9);
}

TEST_F(LossyLines, CompactionDropsAPointOnlyWhenEveryLineRunsStraight) {
    Line({{"R", 100}, {"C", 100e-12}, {"LEN", 1}});
    Line({{"R", 100}, {"C", 100e-12}, {"LEN", 2}});
    ASSERT_EQ(Temperatures(27), 0);
    LossyLine* first = static_cast<LossyLine*>(DeviceListTable[kLossyLineList].first);
    LossyLine* second = static_cast<LossyLine*>(first->next);
    first->branch1 = 3, first->branch2 = 4, second->branch1 = 5, second->branch2 = 6;
    Solution.assign(7, 0.0);
    Options.trytocompact = 1;
    // Both lines' port 1 ramps 1 V per ns: the middle point goes.
    for (LossyLine* l : {first, second}) l->history = {{0, 0, 0, 0, 0}, {1e-9, 1, 0, 0, 0}};
    Solution[1] = 2;
    ob7::Run.time = 2e-9;
    ASSERT_EQ(AcceptLossyLineStep(), 0);
    EXPECT_EQ(first->history.size(), 2u);
    EXPECT_EQ(second->history.size(), 2u);
    EXPECT_EQ(first->history.back().t, 2e-9);
    // The second line's port 2 (node 2) turns: nothing goes from either.
    Solution[1] = 3, Solution[2] = 1;
    ob7::Run.time = 3e-9;
    ASSERT_EQ(AcceptLossyLineStep(), 0);
    EXPECT_EQ(first->history.size(), 3u);
    EXPECT_EQ(second->history.size(), 3u);
    Options.trytocompact = 0;
}

}  // namespace
}  // namespace ob7
