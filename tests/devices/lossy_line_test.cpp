// The lossy line's model and device passes: the case each set of R, L, G, C chooses,
// the refused sets, and the derived values (closed forms computed by hand here).

#include <gtest/gtest.h>

#include <cmath>

#include "devices/device_checks.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/lossy_line_math.h"
#include "sim/devices/time_breakpoints.h"
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

}  // namespace
}  // namespace ob7
