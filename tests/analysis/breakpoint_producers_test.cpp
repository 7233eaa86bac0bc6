// The time breakpoints a transient run takes from outside the sources: STP in a device's
// value expression and in a curve expression (each must be a time point of the run,
// exactly), and the transitions of a waveform imported on a digital axis.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/curve_rows.h"
#include "analysis/text_circuit_analysis.h"
#include "sim/analysis/time_breakpoints.h"
#include "sim/analysis/waveform_import.h"
#include "one_curve_transient.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

// E1 steps from 1 V to 2 V at 1.37 us into R1 over R2: node 2 from 0.5 V to 1 V.
const char* const kSteppedSource =
    "stepped source\n"
    "E1 1 0 VALUE={1+STP(1.37U)}\n"
    "R1 1 2 1K\n"
    "R2 2 0 1K\n"
    ".TRAN 0.1U 10U\n"
    ".END\n";

class BreakpointProducers : public TextCircuitHome {
protected:
    // Runs the transient of the deck with one curve of that Y expression. 0 or the run's
    // code.
    int Run(const char* y) {
        deck_.OpenText((home / "stp.cir").string(), kSteppedSource);
        if (int code = deck_.Compile(0)) return code;
        return RunTransientWithOneCurve(deck_, y);
    }
    // Whether some point of the run lies at t (within one tick of the 10 us run).
    bool HasPointAt(double t) {
        AnalysisPlot& plot = deck_.LastRun()->plot;
        for (int i = 0; i < plot.RunPointCount(0, 0); ++i)
            if (std::fabs(plot.RunPointValue(0, 0, i, kAxisX) - t) <= 1e-14) return true;
        return false;
    }
    double YAt(double t) {
        AnalysisPlot& plot = deck_.LastRun()->plot;
        for (int i = 0; i < plot.RunPointCount(0, 0); ++i)
            if (plot.RunPointValue(0, 0, i, kAxisX) >= t) return plot.RunPointValue(0, 0, i, kAxisY);
        return NAN;
    }
    void TearDown() override {
        deck_.Close();
        TextCircuitHome::TearDown();
    }
    TextCircuitAnalysis deck_;
};

TEST_F(BreakpointProducers, StpOfADeviceAndOfACurveAreTimePoints) {
    ASSERT_EQ(Run("V(2)+STP(4.21U)"), 0) << AllReports();
    EXPECT_TRUE(HasPointAt(1.37e-6));
    EXPECT_TRUE(HasPointAt(4.21e-6));
    EXPECT_NEAR(YAt(1e-6), 0.5, 1e-9);
    EXPECT_NEAR(YAt(2e-6), 1.0, 1e-9);
    EXPECT_NEAR(YAt(5e-6), 2.0, 1e-9);
}

// The points of a waveform imported on a digital axis become breakpoints, up to the end.
TEST(ImportTransitions, PointsUpToTheEndBecomeBreakpoints) {
    SetTickTimeBase(10e-6, 0);
    ClearTimeBreakpoints();
    ImportSpec spec;
    *spec.points = {{0, 0, 0}, {2.53e-6, 1, 0}, {6.71e-6, 0, 0}, {10e-6, 0, 0}, {12e-6, 1, 0}};
    ASSERT_EQ(AddImportTransitions(spec), 0);
    std::vector<double> times;
    for (; HeadBreakpoint(); PopTimeBreakpoint()) times.push_back(TickTime(HeadBreakpoint()->tick));
    const double expected[] = {0, 2.53e-6, 6.71e-6, 10e-6};
    ASSERT_EQ(times.size(), std::size(expected));
    for (size_t i = 0; i < times.size(); ++i) EXPECT_NEAR(times[i], expected[i], 1.5e-14) << i;
}

}  // namespace
}  // namespace ob7
