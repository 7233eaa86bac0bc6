// Axes, auto-scaling and plot groups against hand-worked cases: the nice-number search,
// degenerate ranges, log axes, pixel clamps, range refusals and group numbering.

#include <gtest/gtest.h>

#include <cmath>

#include "plots/analysis_view.h"
#include "plots/auto_scale.h"
#include "plots/axis_transform.h"
#include "plots/plot_groups.h"

namespace {

using namespace ob7;

TEST(NiceScale, HandWorkedRanges) {
    struct Case {
        double low, high;
        double lowOut, highOut, step;
    } cases[] = {
        // 10 divisions: n = 9, raw 0.0822 scales to 82.2, the table gives 100: step 0.1.
        {0.13, 0.87, 0.1, 1.1, 0.1},
        // Negative data are negated (3..8), scaled (step 0.6 from 3) and negated back.
        {-8, -3, -8.4, -2.4, 0.6},
        // Descending input comes back descending.
        {0.87, 0.13, 1.1, 0.1, 0.1},
        // A span of 0..95: raw 10.6 -> 12, start 0, end 108: one division of headroom.
        {0, 95, 0, 120, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.low);
        double lo = 0, hi = 0, step = 0;
        ASSERT_EQ(NiceScale(10, &hi, c.high, c.low, &lo, &step), 0);
        EXPECT_NEAR(lo, c.lowOut, 1e-12);
        EXPECT_NEAR(hi, c.highOut, 1e-12);
        EXPECT_NEAR(step, c.step, 1e-12);
    }
}

// One curve with points; both axes auto-scaled by their range texts.
void OneCurve(PlotData& data, std::initializer_list<std::pair<double, double>> points, bool logY = false) {
    data.curves.resize(1);
    data.storeCurves.resize(1);
    data.plottedCount = 1;
    data.curves[0].axis[kYAxis].linear = logY ? 0 : 1;
    EXPECT_EQ(PrepareDataColumns(data.store, data.storeCurves, data.runs, 1, false), 0);
    data.store.Reset();
    BeginRun(data.storeCurves, data.runs, RunStartValues{});
    for (auto [x, y] : points) {
        int i = data.storeCurves[0].pointCount + 1;
        data.store.SetPointValue(data.storeCurves[0].columns[0], i, x);
        data.store.SetPointValue(data.storeCurves[0].columns[1], i, y);
        CountStoredPoint(data.store, data.storeCurves[0], data.runs);
    }
    AutoScaleAxis(data, 0, kXAxis);
    AutoScaleAxis(data, 0, kYAxis);
    UpdateDataExtremes(data, 0);
}

TEST(AutoScale, ConstantCurvesGetARangeAroundTheirValue) {
    // A constant 5 spans 2.5 to 10 before the nice search; a constant 0 spans -1 to 1.
    PlotData five;
    OneCurve(five, {{0, 5}, {1, 5}, {2, 5}});
    ApplyDataExtremes(five);
    EXPECT_DOUBLE_EQ(five.curves[0].axis[kYAxis].min, 2.5);
    EXPECT_DOUBLE_EQ(five.curves[0].axis[kYAxis].max, 10);
    PlotData zero;
    OneCurve(zero, {{0, 0}, {1, 0}});
    ApplyDataExtremes(zero);
    EXPECT_DOUBLE_EQ(zero.curves[0].axis[kYAxis].min, -1);
    EXPECT_DOUBLE_EQ(zero.curves[0].axis[kYAxis].max, 1);
    ComputeNiceRanges(zero, true);
    EXPECT_NEAR(zero.curves[0].axis[kYAxis].min, -1, 1e-12);
    EXPECT_GE(zero.curves[0].axis[kYAxis].max, 1);
    EXPECT_EQ(zero.curves[0].axis[kYAxis].autoMark, kNoAutoScale);  // consumed outside a run
}

TEST(AutoScale, SweptTimeAxisKeepsTheExactRange) {
    PlotData data;
    OneCurve(data, {{0, 1}, {1e-3, 3}});
    data.sweep.analysisKind = 0;
    data.sweep.transientStart = 0;
    data.sweep.transientStop = 1e-3;
    data.curves[0].axis[kXAxis].sweepMark = 'T';
    AutoScaleAxis(data, 0, kXAxis);
    ApplyDataExtremes(data);
    ComputeNiceRanges(data, true);
    const AxisScaleRecord& x = data.curves[0].axis[kXAxis];
    EXPECT_DOUBLE_EQ(x.min, 0);
    EXPECT_DOUBLE_EQ(x.max, 1e-3);
    EXPECT_DOUBLE_EQ(x.gridStep, 1e-4);  // range / NumberOfGrids
    // Y: 1..3 in 10 divisions of 0.25 (raw 0.222 -> 25), one of headroom.
    EXPECT_DOUBLE_EQ(data.curves[0].axis[kYAxis].min, 1);
    EXPECT_DOUBLE_EQ(data.curves[0].axis[kYAxis].max, 3.5);
}

TEST(AutoScale, LogAxisScalesTheDecades) {
    // Data over 10..1e4: log10 gives 1..4; raw 0.333 -> 40: step 0.4 from 0.8 to 4.8.
    PlotData data;
    OneCurve(data, {{0, 10}, {1, 100}, {2, 1e4}}, true);
    ApplyDataExtremes(data);
    ComputeNiceRanges(data, true);
    EXPECT_NEAR(data.curves[0].axis[kYAxis].min, std::pow(10.0, 0.8), 1e-9);
    EXPECT_NEAR(data.curves[0].axis[kYAxis].max, std::pow(10.0, 4.8), 1e-6);
}

TEST(AxisTransform, DegenerateRangesAndClamps) {
    GraphRecord g;
    // A Y range of 0 to 0 is drawn as 0 to 1 on a linear axis, 1e-9 to 1e-4 on a log axis.
    g.axis[kYAxis].min = g.axis[kYAxis].max = 0;
    SetAxisTransform(g, kYAxis, 100, 10);
    EXPECT_EQ(ValueToPixel(g, kYAxis, 1.0), 10);
    EXPECT_EQ(ValueToPixel(g, kYAxis, 0.0), 110);
    g.axis[kYAxis].linear = 0;
    g.axis[kYAxis].min = g.axis[kYAxis].max = 0;
    SetAxisTransform(g, kYAxis, 500, 0);
    EXPECT_DOUBLE_EQ(g.axis[kYAxis].max, 0.0001);
    EXPECT_DOUBLE_EQ(g.axis[kYAxis].min, 1e-9);
    EXPECT_EQ(ValueToPixel(g, kYAxis, 1e-4), 0);
    EXPECT_EQ(ValueToPixel(g, kYAxis, 1e-9), 500);
    EXPECT_EQ(ValueToPixel(g, kYAxis, 1e-6), 200);  // two of five decades down
    EXPECT_NEAR(PixelToValue(g, kYAxis, 200), 1e-6, 1e-18);
    // 3e9 pixels: clamped to the int32 range, or 1000 inside it.
    GraphRecord h;
    h.axis[kXAxis].min = 0, h.axis[kXAxis].max = 1;
    SetAxisTransform(h, kXAxis, 1000, 1000);
    EXPECT_EQ(ValueToPixel(h, kXAxis, 3e6), 2147483647);
    EXPECT_EQ(ValueToPixelInt(h, kXAxis, 3e6), 2147482647);
    EXPECT_EQ(ValueToPixel(h, kXAxis, -3e6), -2147483647 - 1);
    EXPECT_EQ(ValueToPixel(h, kXAxis, 0.0005), 1);  // halves round away from zero
    EXPECT_EQ(ValueToPixel(h, kXAxis, -0.0005), -1);
}

TEST(AxisTransform, RangesTheAxisRefuses) {
    struct Case {
        int linear;
        double low, high;
        int accepted;
    } cases[] = {
        {1, 0, 1, 1},      {1, -1e49, 1e49, 1}, {1, 1e50, 2e50, 0}, {1, 1e-51, 1, 0},
        {0, 0, 10, 0},     {0, 1e-3, 10, 1},    {0, -1, 10, 0},     {1, -5, 5, 1},
    };
    for (const Case& c : cases) {
        GraphRecord g;
        g.axis[kXAxis].linear = c.linear;
        g.axis[kXAxis].min = 3, g.axis[kXAxis].max = 4;
        EXPECT_EQ(SetAxisRange(g, kXAxis, c.low, c.high), c.accepted) << c.low << " " << c.high;
        if (!c.accepted) { EXPECT_EQ(g.axis[kXAxis].min, 3); }
    }
}

TEST(PlotGroups, RenumberStatusAndChecks) {
    PlotData data;
    data.curves.resize(4);
    data.plottedCount = 3;
    data.curves[0].plotGroup = 7;
    data.curves[1].plotGroup = 3;
    data.curves[2].plotGroup = 1;
    data.curves[3].plotGroup = 5;  // only listed
    data.curves[1].digital = 1;
    RenumberPlotGroups(data);
    EXPECT_EQ(data.curves[0].plotGroup, 3);
    EXPECT_EQ(data.curves[1].plotGroup, 2);
    EXPECT_EQ(data.curves[2].plotGroup, 1);
    EXPECT_EQ(data.curves[0].indexInGroup, 0);
    EXPECT_EQ(data.curves[3].indexInGroup, 13);
    EXPECT_EQ(data.GroupCount(), 3);
    // One pane with an analog and a digital curve is mixed.
    data.curves[0].plotGroup = 2;
    RenumberPlotGroups(data);
    UpdateGroupDigitalStatus(data);
    EXPECT_EQ(data.curves[0].groupDigitalStatus, 2);
    EXPECT_EQ(data.curves[2].groupDigitalStatus, 0);

    // The checks in order: chart kind, log/linear, X expression.
    PlotData g;
    g.curves.resize(2);
    g.plottedCount = 2;
    RenumberPlotGroups(g);
    EXPECT_EQ(CheckPlotGroups(g, {"T", "t"}).code, 0);
    EXPECT_EQ(CheckPlotGroups(g, {"T", "2*T"}).code, 13807);
    g.curves[1].axis[kYAxis].linear = 0;
    EXPECT_EQ(CheckPlotGroups(g, {"T", "2*T"}).code, 13802);
    g.curves[1].chartKind = kChartPolar;
    GroupCheckFailure f = CheckPlotGroups(g, {"T", "2*T"});
    EXPECT_EQ(f.code, 13804);
    EXPECT_EQ(f.curve, 1);
}

}  // namespace

namespace {

using namespace ob7;

// Which curves draw a Y scale: the first of each group; another one when its range or
// format differs and Same Y Scales is off; hidden and digital curves never.
TEST(YScaleOwners, SameRangesShareOneScale) {
    PlotData data;
    data.curves.resize(4);
    data.plottedCount = 4;
    data.curves[3].plotGroup = 2;
    RenumberPlotGroups(data);
    auto range = [&](int c, double lo, double hi) {
        data.curves[c].axis[kYAxis].min = lo;
        data.curves[c].axis[kYAxis].max = hi;
    };
    range(0, 0, 5), range(1, 0, 5), range(2, -1, 1), range(3, 0, 1);
    DecideYScaleOwners(data);
    EXPECT_EQ(data.curves[0].showsYScale, 1);
    EXPECT_EQ(data.curves[1].showsYScale, 0);  // the same range as curve 0
    EXPECT_EQ(data.curves[2].showsYScale, 1);  // its own range
    EXPECT_EQ(data.curves[3].showsYScale, 1);  // first of group 2
    data.sameYScales = 1;
    UnifyGroupRanges(data, 1, 1);
    DecideYScaleOwners(data);
    EXPECT_EQ(data.curves[2].showsYScale, 0);
    EXPECT_DOUBLE_EQ(data.curves[2].axis[kYAxis].min, -1);
    EXPECT_DOUBLE_EQ(data.curves[0].axis[kYAxis].max, 5);
    EXPECT_DOUBLE_EQ(data.curves[3].axis[kYAxis].max, 1);  // another group keeps its range
    data.curves[0].digital = 1;
    DecideYScaleOwners(data);
    EXPECT_EQ(data.curves[0].showsYScale, 0);
}

}  // namespace

namespace {

using namespace ob7;

TEST(AnalysisViewTexts, SlopeTextAndScaleReference) {
    // Equal cursor values on the first axis: INF (method 0); a left value of 0: INF
    // (methods 1 and 2); the same axis twice: 1.
    EXPECT_EQ(CANDraw::SlopeText(2, 2, 1, 5, false, 0), "INF");
    EXPECT_EQ(CANDraw::SlopeText(0, 10, 1, 5, false, 1), "INF");
    EXPECT_EQ(CANDraw::SlopeText(0, 10, 1, 5, false, 2), "INF");
    EXPECT_EQ(CANDraw::SlopeText(1, 3, 1, 3, true, 0), "1.000E0");
    // dY / dX = 4 / 2; per decade 20 dB over 1 decade; per octave over one octave.
    EXPECT_EQ(CANDraw::SlopeText(1, 3, 1, 5, false, 0), "2.000E0");
    EXPECT_EQ(CANDraw::SlopeText(100, 1000, -20, 0, false, 2), "2.000E1");
    EXPECT_EQ(CANDraw::SlopeText(100, 200, -6, 0, false, 1), "6.000E0");
    // ScaleReference: (0, 0) gives 0; decades more than 3 apart give the span.
    EXPECT_EQ(CANDraw::ScaleReference(0, 0), 0);
    EXPECT_DOUBLE_EQ(CANDraw::ScaleReference(1e-3, 10), 9.999);
    EXPECT_EQ(CANDraw::ScaleReference(50, 2), 50);  // the larger decade
    EXPECT_EQ(CANDraw::ScaleReference(2, 50), 50);
}

}  // namespace
