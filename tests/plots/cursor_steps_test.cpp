// The cursor steps on hand-made runs: next point across runs, peak, valley, high, low and
// inflection searches with their wrap rules, and the next interpolated value on linear
// and log axes.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "plot_fixture.h"
#include "plots/data_cursors.h"

namespace {

using namespace ob7;

// One curve; each run a list of (x, y).
void Fill(PlotData& data, const std::vector<std::vector<std::pair<double, double>>>& runs) {
    data.curves.resize(1);
    data.storeCurves.resize(1);
    data.plottedCount = 1;
    ASSERT_EQ(PrepareDataColumns(data.store, data.storeCurves, data.runs, static_cast<int>(runs.size()), false), 0);
    data.store.Reset();
    for (const auto& run : runs) {
        BeginRun(data.storeCurves, data.runs, RunStartValues{});
        for (auto [x, y] : run) {
            int i = data.storeCurves[0].pointCount + 1;
            data.store.SetPointValue(data.storeCurves[0].columns[0], i, x);
            data.store.SetPointValue(data.storeCurves[0].columns[1], i, y);
            CountStoredPoint(data.store, data.storeCurves[0], data.runs);
        }
    }
}

TEST(CursorSteps, NextPointAcrossRuns) {
    PlotData data;
    // Run 0: x 0..4; run 1: x 0..4; run 2: x 10..12 (does not bracket the cursor's X).
    Fill(data, {{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}},
                {{0, 5}, {1, 6}, {2, 7}, {3, 8}, {4, 9}},
                {{10, 1}, {11, 1}, {12, 1}}});
    struct Case {
        int from, direction, expected;
    } cases[] = {
        {4, kCursorRight, 0},   // the last point of a run wraps to its first
        {0, kCursorLeft, 4},    // and back
        {2, kCursorUp, 7},      // the next run at the same X
        {7, kCursorDown, 2},
        {2, kCursorDown, 10},   // run 0 down to the last run: X 2 lies below its points
        {11, kCursorUp, 4},     // past the last run to run 0; X 11 lies above it: its last point
        {6, kCursorUp, 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindNextCursorPoint(data, c.from, c.direction, 0, kCursorNextPoint), c.expected)
            << c.from << " " << c.direction;
    EXPECT_EQ(FindNextCursorPoint(data, 40, kCursorRight, 0, kCursorNextPoint), -1);  // in no run
}

TEST(CursorSteps, PeaksValleysAndTheirFallBacks) {
    PlotData rising, constant, hill;
    Fill(rising, {{{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}});
    Fill(constant, {{{0, 2}, {1, 2}, {2, 2}, {3, 2}}});
    Fill(hill, {{{0, 0}, {1, 1}, {2, 4}, {3, 9}, {4, 7}, {5, 3}, {6, 2}, {7, 5}}});
    // A curve that only rises peaks at the run's last point.
    EXPECT_EQ(FindNextCursorPoint(rising, 0, kCursorRight, 0, kCursorPeak), 4);
    // A constant curve wraps, falls back to High and gets the run's first point.
    EXPECT_EQ(FindNextCursorPoint(constant, 1, kCursorRight, 0, kCursorPeak), 0);
    EXPECT_EQ(FindNextCursorPoint(constant, 2, kCursorRight, 0, kCursorValley), 0);
    EXPECT_EQ(FindNextCursorPoint(hill, 0, kCursorRight, 0, kCursorPeak), 3);
    EXPECT_EQ(FindNextCursorPoint(hill, 3, kCursorRight, 0, kCursorValley), 6);
    EXPECT_EQ(FindNextCursorPoint(hill, 7, kCursorLeft, 0, kCursorPeak), 3);
    EXPECT_EQ(FindNextCursorPoint(hill, 5, kCursorRight, 0, kCursorHigh), 3);
    EXPECT_EQ(FindNextCursorPoint(hill, 5, kCursorRight, 0, kCursorLow), 0);
    // The steepest step of the hill lies between x 2 and 3 (slope 5).
    EXPECT_EQ(FindNextCursorPoint(hill, 0, kCursorRight, 0, kCursorInflection), 3);
    // No slope maximum: the search returns where it started.
    PlotData line;
    Fill(line, {{{0, 0}, {1, 1}, {2, 2}, {3, 3}}});
    EXPECT_EQ(FindNextCursorPoint(line, 1, kCursorRight, 0, kCursorInflection), 1);
}

// Next Interpolated: rounded steps of a hundredth of the axis' decade on a linear axis;
// on a log axis the decades, or every 1..9 of a decade with minor log grids.
TEST(CursorSteps, NextInterpolatedValues) {
    PlotTestApp();
    struct Case {
        bool log, minor;
        double low, high, start;
        int direction;
        double expected;
    } cases[] = {
        {false, false, 0, 5, 1.234, kCursorRight, 1.3},
        {false, false, 0, 5, 1.234, kCursorLeft, 1.1},
        {false, false, 0, 0.05, 0.01234, kCursorRight, 0.0124},
        {true, false, 100, 1e5, 3e3, kCursorRight, 1e4},
        {true, true, 100, 1e5, 3e3, kCursorRight, 4e3},
        {true, true, 100, 1e5, 1e3, kCursorRight, 2e3},
        {true, false, 100, 1e5, 3e3, kCursorLeft, 1e3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        CAPDraw view;
        view.viewKind = 1;
        AnalysisFlags[1] = c.minor ? kViewMinorLogGrids : 0;
        std::vector<std::pair<double, double>> points;
        for (int i = 0; i <= 400; ++i) {
            double f = i / 400.0;
            double x = c.log ? c.low * std::pow(c.high / c.low, f) : c.low + f * (c.high - c.low);
            points.push_back({x, f});
        }
        Fill(view.data, {points});
        GraphRecord& g = view.data.curves[0];
        g.axis[kXAxis].linear = c.log ? 0 : 1;
        g.axis[kXAxis].min = c.low, g.axis[kXAxis].max = c.high;
        view.SetMode(kModeCursor);
        ASSERT_EQ(view.currentMode, kModeCursor);
        PlaceCursor(view.data, 0, 0, 0, nullptr, false);
        ASSERT_TRUE(view.GoToValue(0, c.start, 0, 0, 0, 0));
        ASSERT_DOUBLE_EQ(g.cursor[0].x, c.start);
        view.cursorStepKind = kCursorNextInterpolated;
        view.StepCursor(c.direction, 0);
        EXPECT_NEAR(g.cursor[0].x, c.expected, 1e-9 * c.expected);
    }
    AnalysisFlags[1] = kViewHorizontalGrids | kViewVerticalGrids;
}

}  // namespace

namespace {

using namespace ob7;

// Two runs of two curves in two panes: "Keep Cursors on Same Branch" brings every right
// cursor onto its left cursor's branch at its own offset; "Align Cursors" puts the
// cursors of every pane where the current curve's are.
TEST(CursorSteps, SameBranchAndAlignedCursors) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 0;
    view.data.curves = {MakeCurve("A", "T", 1, 12, 0), MakeCurve("B", "T", 2, 9, 0)};
    view.data.plottedCount = 2;
    ASSERT_EQ(view.PrepareCurves(2), 0);
    for (int r = 0; r < 2; ++r) {
        view.BeginRun(RunStartValues{});
        for (int i = 0; i <= 10; ++i) {
            double xy[4] = {double(i), double(i + 100 * r), double(i), double(-i - 100 * r)};
            view.StoreRunPoint(xy);
        }
    }
    view.EndRun();
    view.SetMode(kModeCursor);
    ASSERT_EQ(view.currentMode, kModeCursor);
    GraphRecord& a = view.data.curves[0];
    // Left cursor of A to branch 1 (Up), right cursor of A stays on branch 0 at offset 10.
    view.StepCursor(kCursorUp, 0);
    ASSERT_EQ(a.cursor[0].run, 1);
    ASSERT_EQ(a.cursor[1].run, 0);
    ASSERT_TRUE(view.ExecuteCommand(kCmdKeepSameBranch));
    EXPECT_EQ(a.cursor[1].run, 1);
    EXPECT_EQ(a.cursor[1].offset, 10);
    EXPECT_DOUBLE_EQ(a.cursor[1].y, 110);
    // With the flag on, a vertical step of one cursor takes the other along.
    view.StepCursor(kCursorDown, 0);
    EXPECT_EQ(a.cursor[0].run, 0);
    EXPECT_EQ(a.cursor[1].run, 0);

    // B's cursors elsewhere; aligning moves them to A's X.
    view.SelectCurve(1);
    view.StepCursor(kCursorRight, 0);
    view.StepCursor(kCursorRight, 0);
    view.SelectCurve(0);
    ASSERT_NE(view.data.curves[1].cursor[0].x, a.cursor[0].x);
    ASSERT_TRUE(view.ExecuteCommand(kCmdAlignCursors));
    EXPECT_DOUBLE_EQ(view.data.curves[1].cursor[0].x, a.cursor[0].x);
    EXPECT_DOUBLE_EQ(view.data.curves[1].cursor[1].x, a.cursor[1].x);
}

}  // namespace
