// A text circuit's run drawn while it goes: the view takes the run's curves at its first
// point, every point stored so far is on the screen at the view's transform and nothing
// lies ahead of the newest one, the percentage done grows to 100, and a run stopped
// half-way keeps what it computed.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/text_circuit_analysis.h"
#include "foundation/messages.h"
#include "plots/analysis_view.h"
#include "plots/axis_transform.h"
#include "plots/plot_view.h"
#include "plots/run_plot_feed.h"
#include "platform/image.h"
#include "plot_fixture.h"
#include "text_circuit_test_home.h"

void PlotTestApp();

namespace {

using namespace ob7;
using platform::Point;

// 1 V for 5 ms into 1 kohm and 1 uF, then off until 10 ms. V(OUT) has a fixed range, so
// nothing repaints during the run: what the window shows was drawn point by point.
constexpr const char* kRcDeck =
    "RC low-pass filter\nV1 in 0 PULSE(0 1 0 1u 1u 5m 10m)\nR1 in out 1k\nC1 out 0 1u\n"
    ".TRAN 10u 10m\n.PLOT TRAN V(OUT) 0 1.2\n.END\n";

class LivePlot : public TextCircuitHome {
protected:
    void SetUp() override {
        TextCircuitHome::SetUp();
        PlotTestApp();
        circuit.OpenText((home / "rc.cir").string(), kRcDeck);
        ASSERT_EQ(circuit.Compile(0), 0) << AllReports();
        circuit.keepSetup = true;
        view.viewKind = 0;
        view.smoothCurves = false;  // every segment exact to the pixel
        view.Create(nullptr, platform::Rect{0, 0, 800, 500});
    }
    // Runs with the feed attached; `each` sees the run after every point the view took.
    int Run(RunPlotFeed& feed, std::function<void(AnalysisRun&)> each) {
        circuit.prepareRun = [&](AnalysisRun& run) {
            feed.Attach(run);
            auto taken = run.pointStored;
            run.pointStored = [taken, each, &run] {
                taken();
                if (each) each(run);
            };
        };
        const int code = circuit.RunAnalysis(0);
        feed.Finish(circuit.LastRun()->plot);
        return code;
    }
    TextCircuitAnalysis circuit;
    CAPDraw view;
};

TEST_F(LivePlot, CurveGrowsPointByPointWithProgress) {
    RunPlotFeed feed(view, circuit.Setup(), 0);
    std::vector<int> percents;
    feed.progress = [&](int p) { percents.push_back(p); };
    bool checked = false;
    int viewPoints = -1;
    auto each = [&](AnalysisRun& run) {
        ASSERT_EQ(view.data.plottedCount, 1);
        EXPECT_LE(view.data.PointCount(0) + 1, run.plot.RunPointCount(0, 0));  // drawn in batches
        if (checked || run.plot.pointSweep < 6e-3) return;
        checked = true;
        feed.Flush(run.plot);
        viewPoints = view.data.PointCount(0);
        EXPECT_EQ(viewPoints + 1, run.plot.RunPointCount(0, 0));  // every point taken
        // At 6 ms: the time axis already spans the whole run; every point so far is drawn
        // where the transform puts it, and nothing of the curve lies beyond the newest.
        platform::Image image = view.Grab();
        const GraphRecord& g = view.data.curves[0];
        EXPECT_DOUBLE_EQ(g.axis[kXAxis].max, 10e-3);
        const int middle = viewPoints / 2;
        const platform::Color colour = image.Pixel(ValueToPixel(g, kXAxis, view.data.X(0, middle)),
                                                   ValueToPixel(g, kYAxis, view.data.Y(0, middle)));
        EXPECT_NE(colour, platform::Rgb(255, 255, 255));
        int missing = 0;
        for (int i = 1; i < viewPoints; ++i) {
            const Point p{ValueToPixel(g, kXAxis, view.data.X(0, i)), ValueToPixel(g, kYAxis, view.data.Y(0, i))};
            if (p.x <= g.plot.left || p.y >= g.plot.bottom) continue;  // under the pane's frame
            if (image.Pixel(p.x, p.y) != colour) ++missing;
        }
        EXPECT_EQ(missing, 0);
        // Data Points on: each point got its mark as it was drawn.
        const Point mid{ValueToPixel(g, kXAxis, view.data.X(0, middle)), ValueToPixel(g, kYAxis, view.data.Y(0, middle))};
        int marked = 0;
        for (int x = mid.x - 2; x <= mid.x + 3; ++x)
            for (int y = mid.y - 2; y <= mid.y + 3; ++y) marked += image.Pixel(x, y) == colour;
        EXPECT_EQ(marked, 36);
        const int newest = ValueToPixel(g, kXAxis, view.data.X(0, viewPoints));
        int ahead = 0;
        for (int x = newest + 5; x < g.plot.right; ++x)
            for (int y = g.plot.top + 1; y < g.plot.bottom; ++y) ahead += image.Pixel(x, y) == colour;
        EXPECT_EQ(ahead, 0);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(image.SavePng("png/live_transient_6ms.png"));
    };
    const int options = AnalysisFlags[0];
    AnalysisFlags[0] |= kViewDataPoints;
    const int code = Run(feed, each);
    AnalysisFlags[0] = options;
    ASSERT_EQ(code, 0) << AllReports();
    EXPECT_TRUE(checked);
    ASSERT_FALSE(percents.empty());
    EXPECT_LT(percents.front(), 5);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    // At the end the view holds the whole run: its peak 1 - exp(-5) at 5 ms.
    AnalysisPlot& plot = circuit.LastRun()->plot;
    ASSERT_EQ(view.data.PointCount(0) + 1, plot.RunPointCount(0, 0));
    double top = 0, topTime = 0;
    for (int i = 0; i <= view.data.PointCount(0); ++i)
        if (view.data.Y(0, i) > top) top = view.data.Y(0, i), topTime = view.data.X(0, i);
    EXPECT_NEAR(top, 0.99326, 2e-3);
    EXPECT_NEAR(topTime, 5e-3, 2e-4);
    EXPECT_FALSE(view.data.runActive);
}

// The user's stop at 3 ms ends the run; the points up to there stay in the view.
TEST_F(LivePlot, StoppedRunKeepsWhatWasComputed) {
    RunPlotFeed feed(view, circuit.Setup(), 0);
    bool stop = false;
    auto each = [&](AnalysisRun& run) {
        if (run.plot.pointSweep > 3e-3) stop = true;
    };
    circuit.prepareRun = [&](AnalysisRun& run) {
        feed.Attach(run);
        auto taken = run.pointStored;
        run.pointStored = [taken, each, &run] { taken(), each(run); };
        run.pollAbort = [&stop] { return stop; };
    };
    EXPECT_EQ(circuit.RunAnalysis(0), kMsgRunStoppedByUser);
    feed.Finish(circuit.LastRun()->plot);
    ASSERT_GT(view.data.PointCount(0), 10);
    const double last = view.data.X(0, view.data.PointCount(0));
    EXPECT_GT(last, 3e-3);
    EXPECT_LT(last, 3.5e-3);
    EXPECT_EQ(view.data.PointCount(0) + 1, circuit.LastRun()->plot.RunPointCount(0, 0));
    // The next run empties the curves before its first point: no graphs meanwhile.
    ASSERT_TRUE(view.HasGraphs());
    circuit.prepareRun = [&](AnalysisRun& run) {
        feed.Attach(run);
        EXPECT_FALSE(view.HasGraphs());
        EXPECT_EQ(view.data.plottedCount, 1);  // the curves themselves stay
        run.pollAbort = [] { return true; };
    };
    EXPECT_EQ(circuit.RunAnalysis(0), kMsgRunStoppedByUser);
}

TEST(SweepRanges, ReadFromTheLimitTexts) {
    AnalysisSetup s;
    s.limits[0] = "10m,1m";
    SweepRanges t = SweepRangesFromSetup(0, s);
    EXPECT_DOUBLE_EQ(t.transientStart, 1e-3);
    EXPECT_DOUBLE_EQ(t.transientStop, 10e-3);
    s.limits[0] = "1Meg,10";
    SweepRanges a = SweepRangesFromSetup(1, s);
    EXPECT_DOUBLE_EQ(a.acStart, 10);
    EXPECT_DOUBLE_EQ(a.acStop, 1e6);
    s.limits[2] = "5,-5,0.1";
    s.limits[3] = "V1";
    SweepRanges d = SweepRangesFromSetup(2, s);
    EXPECT_EQ(d.dcSweepName, "V1");
    EXPECT_DOUBLE_EQ(d.dcInitial, -5);
    EXPECT_DOUBLE_EQ(d.dcFinal, 5);
    s.limits[0] = "1u+";  // does not read: no range
    SweepRanges bad = SweepRangesFromSetup(0, s);
    EXPECT_EQ(bad.transientStop, 0);
}

}  // namespace

namespace {

using namespace ob7;

// Tokens during a run: the second curve of a pane gets its hollow squares as its points
// arrive, spaced at least 4 x (pane width / 80) pixels apart; the first curve none.
TEST(LiveTokens, SecondCurveOfAPaneGetsSpacedTokens) {
    PlotTestApp();
    const int options = AnalysisFlags[0];
    CAPDraw view;
    view.viewKind = 0;
    view.smoothCurves = false;
    GraphRecord a, b;
    for (GraphRecord* g : {&a, &b}) {
        g->axis[kXAxis].min = 0, g->axis[kXAxis].max = 100;
        g->axis[kYAxis].min = 0, g->axis[kYAxis].max = 10;
    }
    a.caption = "V(A)", b.caption = "V(B)";
    a.style.lineColour = 12, b.style.lineColour = 9;
    view.data.curves = {a, b};
    view.data.plottedCount = 2;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    view.Create(nullptr, platform::Rect{0, 0, 500, 300});
    view.Invalidate();
    view.Update();  // laid out and painted once; the run draws only its segments
    auto countColour = [&](platform::Color colour) {
        platform::Image image = view.Grab();
        int n = 0;
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x) n += image.Pixel(x, y) == colour;
        return n;
    };
    auto run = [&] {
        view.BeginRun(RunStartValues{});
        for (int i = 0; i <= 100; ++i) {
            const double xy[4] = {1.0 * i, 2.0, 1.0 * i, 8.0};
            view.StoreRunPoint(xy);
            view.DrawNewPoints();
        }
    };
    const platform::Color second = platform::Rgb(255, 0, 0);  // slot 9, as the pixel reads
    AnalysisFlags[0] = options & ~kViewTokens;
    run();
    const int plain = countColour(second);
    view.ClearPlotData();
    view.data.curves = {a, b};
    view.data.plottedCount = 2;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    view.Invalidate();
    view.Update();
    AnalysisFlags[0] = options | kViewTokens;
    run();
    const int tokens = countColour(second);
    AnalysisFlags[0] = options;
    EXPECT_GT(tokens, plain + 50);
    const GraphRecord& g = view.data.curves[1];
    EXPECT_GT(g.lastTokenX, g.plot.left);
    EXPECT_EQ(view.data.curves[0].lastTokenX, view.data.curves[0].plot.left);  // the first curve: none
}

}  // namespace
