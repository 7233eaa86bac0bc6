// The plot view fed by real runs: curve pixels against the view's transform of the stored
// points, screenshots of a transient and of a Bode plot, cursors moved by keys, zoom, pan
// and the scale undo.

#include <cmath>

#include "platform/automation.h"
#include "platform/input.h"
#include "plot_fixture.h"
#include "plots/curve_polyline.h"
#include "plots/data_cursors.h"
#include "plots/plot_groups.h"
#include "sim/engine/run_helpers.h"
#include "sim/devices/independent_sources.h"
#include "foundation/numbers.h"
#include "sim/engine/run_control.h"
#include "ui/framework/print_services.h"

#include <cfenv>
#include <fstream>
#include <iterator>

namespace {

using namespace ob7;
using platform::Point;

constexpr const char* kRcDeck =
    "RC low-pass driven by a pulse train\n"
    "V1 in 0 PULSE(0 5 0 10n 10n 2u 5u)\n"
    "R1 in out 1k\n"
    "C1 out 0 1n\n"
    ".END\n";

constexpr const char* kBandPassDeck =
    "Series RLC band-pass\n"
    "V1 in 0 AC 1\n"
    "R1 in a 50\n"
    "L1 a b 10u\n"
    "C1 b out 1n\n"
    "R2 out 0 1k\n"
    ".END\n";

class PlotViewRun : public PlotRun {
protected:
    // The RC transient in two panes: V(in) and V(out) above, the resistor current below.
    void RunRcTransient(CAPDraw& view, int width = 900, int height = 640) {
        Compile(kRcDeck, 0);
        view.data.curves = {MakeCurve("V(IN)", "T", 1, 12, 'T'), MakeCurve("V(OUT)", "T", 1, 9, 'T'),
                            MakeCurve("I(R1)", "T", 2, 2, 'T')};
        view.data.sweep.analysisKind = 0;
        view.data.sweep.transientStart = 0;
        view.data.sweep.transientStop = 20e-6;
        view.title = "RC low-pass, pulse response";
        OpenView(view, width, height, 0);
        ViewSink sink(view, {[this] { return NodeVoltage("IN"); }, [this] { return NodeVoltage("OUT"); },
                             [this] { return (NodeVoltage("IN") - NodeVoltage("OUT")) / 1e3; }});
        TransientSettings s;
        s.tmax = 20e-6;
        s.max_step = 20e-9;
        s.points = 1001;
        ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
        ASSERT_GT(sink.points, 500);
        view.EndRun();
    }
};

// Every stored point of V(OUT) lies on a pixel of the curve's colour at the place the
// view's transform gives it (exact drawing, so the test can ask for the very pixel).
TEST_F(PlotViewRun, CurvePixelsAreTheTransformOfTheStoredPoints) {
    CAPDraw view;
    RunRcTransient(view);
    view.smoothCurves = false;
    view.Invalidate();
    view.Update();
    platform::Image image = view.Grab();
    const GraphRecord& g = view.data.curves[1];
    // The swept X axis keeps the run's exact time range; Y got a nice range over 0..5 V.
    EXPECT_DOUBLE_EQ(g.axis[kXAxis].min, 0.0);
    EXPECT_DOUBLE_EQ(g.axis[kXAxis].max, 20e-6);
    EXPECT_LE(g.axis[kYAxis].min, 0.0);
    EXPECT_GE(g.axis[kYAxis].max, 5.0);
    platform::Color blue = platform::Rgb(255, 0, 0);  // slot 9
    const StoreCurve& sc = view.data.storeCurves[1];
    int checked = 0, missing = 0;
    const Point first{ValueToPixel(g, kXAxis, view.data.X(1, 0)), ValueToPixel(g, kYAxis, view.data.Y(1, 0))};
    for (int i = 0; i < sc.pointCount; ++i) {  // the run's last pixel is left out of a line
        double x = view.data.X(1, i), y = view.data.Y(1, i);
        Point p{ValueToPixel(g, kXAxis, x), ValueToPixel(g, kYAxis, y)};
        ASSERT_TRUE(g.plot.left <= p.x && p.x <= g.plot.right && g.plot.top <= p.y && p.y <= g.plot.bottom);
        ++checked;
        if (p == first) continue;  // the painter may leave a polyline's first pixel to its second
        if (image.Pixel(p.x, p.y) != blue) ++missing;
    }
    EXPECT_GT(checked, 500);
    EXPECT_EQ(missing, 0);
    // Away from the curves the pane shows its background.
    EXPECT_EQ(image.Pixel(g.plot.left + 5, g.plot.top + 5), platform::Rgb(255, 255, 255));
}

// A curve is drawn as one polyline per run of merged points: a straight ramp of many
// points becomes two vertices, and the polyline keeps one point beyond each pane edge.
TEST(CurvePolyline, CollinearPointsMergeAndTheEdgesAreTrimmed) {
    PlotData data;
    data.curves.resize(1);
    data.storeCurves.resize(1);
    data.plottedCount = 1;
    ASSERT_EQ(PrepareDataColumns(data.store, data.storeCurves, data.runs, 1, false), 0);
    data.store.Reset();
    BeginRun(data.storeCurves, data.runs, RunStartValues{});
    GraphRecord& g = data.curves[0];
    g.axis[kXAxis].min = 0, g.axis[kXAxis].max = 1000;
    g.axis[kYAxis].min = 0, g.axis[kYAxis].max = 1000;
    SetAxisTransform(g, kXAxis, 1000, 1000);
    SetAxisTransform(g, kYAxis, 1000, 0);
    // 0..500 a ramp of slope 1 (one pixel a point), then 100 points flat, then a step.
    auto put = [&](double x, double y) {
        int i = data.storeCurves[0].pointCount + 1;
        data.store.SetPointValue(data.storeCurves[0].columns[0], i, x);
        data.store.SetPointValue(data.storeCurves[0].columns[1], i, y);
        CountStoredPoint(data.store, data.storeCurves[0], data.runs);
    };
    for (int i = 0; i <= 500; ++i) put(i, i);
    for (int i = 1; i <= 100; ++i) put(500 + i, 500);
    put(601, 900);
    std::vector<Point> points;
    ASSERT_TRUE(BuildRunPolyline(data, 0, 0, true, points));
    std::vector<Point> expected{{0, 1000}, {500, 500}, {600, 500}, {601, 100}};
    EXPECT_EQ(points, expected);
    std::vector<Point> all;
    BuildRunPolyline(data, 0, 0, false, all);
    EXPECT_EQ(all.size(), 602u);
    // Many points of one pixel column: entry, the extremes in their order, exit.
    std::vector<Point> column{{9, 5}, {10, 7}, {10, 2}, {10, 9}, {10, 1}, {10, 12}, {10, 4}, {11, 4}};
    ReduceColumns(column);
    EXPECT_EQ(column, (std::vector<Point>{{9, 5}, {10, 7}, {10, 1}, {10, 12}, {10, 4}, {11, 4}}));
    std::vector<Point> line{{-30, 0}, {-20, 0}, {-10, 0}, {5, 0}, {50, 0}, {120, 0}, {130, 0}};
    TrimPolylineToPane(line, 0, 100);
    EXPECT_EQ(line, (std::vector<Point>{{-10, 0}, {5, 0}, {50, 0}, {120, 0}}));
}

TEST_F(PlotViewRun, TransientScreenshotWithCursors) {
    CAPDraw view;
    RunRcTransient(view);
    view.axisTags = view.pointTags = 1;
    view.SetMode(kModeCursor);
    // Left cursor forward to the first peak of V(OUT) (the current curve is V(IN)), right
    // cursor back to the end of the first pulse.
    view.SelectCurve(1);
    view.cursorStepKind = kCursorPeak;
    platform::automation::SendKey(view, platform::key::kRight);
    platform::Image image = view.Grab();
    EXPECT_TRUE(image.SavePng(PngPath("transient_two_panes_cursors.png")));
    // The peak of the first pulse: the capacitor charges for 2 us (2 time constants).
    const GraphRecord& out = view.data.curves[1];
    EXPECT_NEAR(out.cursor[0].x, 2.02e-6, 0.03e-6);
    EXPECT_NEAR(out.cursor[0].y, 5 * (1 - std::exp(-2.0)), 0.02);
}

// The left cursor steps with the arrow keys from point to point of the stored data;
// Shift moves the right cursor; Right on the last point wraps to the first.
TEST_F(PlotViewRun, ArrowKeysStepTheCursorsOverTheStoredPoints) {
    CAPDraw view;
    RunRcTransient(view, 700, 500);
    view.SetMode(kModeCursor);
    view.SelectCurve(1);
    const GraphRecord& g = view.data.curves[1];
    ASSERT_EQ(g.cursor[0].run, 0);
    EXPECT_EQ(CursorPointIndex(view.data, 1, 0), 0);
    int last = view.data.storeCurves[1].pointCount;
    EXPECT_EQ(CursorPointIndex(view.data, 1, 1), last);
    for (int k = 0; k < 3; ++k) platform::automation::SendKey(view, platform::key::kRight);
    EXPECT_EQ(CursorPointIndex(view.data, 1, 0), 3);
    EXPECT_DOUBLE_EQ(g.cursor[0].x, view.data.X(1, 3));
    EXPECT_DOUBLE_EQ(g.cursor[0].y, view.data.Y(1, 3));
    // The other curves of the group follow the cursor's X.
    EXPECT_DOUBLE_EQ(view.data.curves[0].cursor[0].x, view.data.X(1, 3));
    platform::automation::SendKey(view, platform::key::kLeft);
    EXPECT_EQ(CursorPointIndex(view.data, 1, 0), 2);
    platform::automation::SendKey(view, platform::key::kRight, platform::kShiftDown);
    EXPECT_EQ(CursorPointIndex(view.data, 1, 1), 0);  // wrapped from the last point
    platform::automation::SendKey(view, platform::key::kLeft, platform::kShiftDown);
    EXPECT_EQ(CursorPointIndex(view.data, 1, 1), last);
    // High and Low find the run's extremes.
    view.cursorStepKind = kCursorHigh;
    view.StepCursor(kCursorRight, 0);
    double high = -1e9;
    for (int i = 0; i <= last; ++i) high = std::max(high, view.data.Y(1, i));
    EXPECT_DOUBLE_EQ(g.cursor[0].y, high);
}

// Cursors are drawn in XOR: drawing them a second time gives the picture back.
TEST_F(PlotViewRun, CursorsDrawnTwiceLeaveThePictureAsItWas) {
    CAPDraw view;
    RunRcTransient(view, 600, 400);
    view.axisTags = view.pointTags = 1;  // the value tags put back what they covered
    view.SetMode(kModeCursor);
    platform::Image before = view.Grab();
    {
        auto dc = view.GetDC();
        CDrawContext context(dc.get());
        view.DrawCursors(context, 0, -1);  // erase
    }
    platform::Image erased = view.Grab();
    {
        auto dc = view.GetDC();
        CDrawContext context(dc.get());
        view.DrawCursors(context, 1, -1);
    }
    platform::Image after = view.Grab();
    int changed = 0, restored = 0;
    for (int y = 0; y < before.Height(); ++y)
        for (int x = 0; x < before.Width(); ++x) {
            changed += before.Pixel(x, y) != erased.Pixel(x, y);
            restored += before.Pixel(x, y) != after.Pixel(x, y);
        }
    EXPECT_GT(changed, 100);  // the cursor lines were on the picture
    EXPECT_EQ(restored, 0);
}

// Zoom-In on X from 0 to 100 gives 25 to 75 and Zoom-Out gives 0 to 100 again; Ctrl+Left
// on a log axis from 1e3 to 1e6 gives 1e2 to 1e5; the scale undo swaps the bounds back.
TEST(PlotZoom, ZoomScrollPanAndUndo) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 1;
    view.data.curves = {MakeCurve("A", "X", 1, 12, 0), MakeCurve("B", "X", 2, 9, 0, true, false)};
    view.data.plottedCount = 2;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    BeginRun(view.data.storeCurves, view.data.runs, RunStartValues{});
    const double a[] = {0, 0, 1e3, 1, 100, 10, 1e6, 2};
    view.StoreRunPoint(a);
    view.StoreRunPoint(a + 4);
    GraphRecord& lin = view.data.curves[0];
    GraphRecord& log = view.data.curves[1];
    lin.axis[kXAxis].min = 0, lin.axis[kXAxis].max = 100;
    lin.axis[kYAxis].min = -10, lin.axis[kYAxis].max = 10;
    log.axis[kXAxis].min = 1e3, log.axis[kXAxis].max = 1e6;
    log.axis[kYAxis].min = 0, log.axis[kYAxis].max = 4;
    view.RescaleAllAxes();  // the limit scales, as the curve set-up leaves them
    view.Create(nullptr, platform::Rect{0, 0, 600, 500});
    view.Invalidate();
    view.Update();

    view.currentCurve = 0;
    platform::automation::SendKey(view, platform::key::kAdd, platform::kCtrlDown);
    EXPECT_DOUBLE_EQ(lin.axis[kXAxis].min, 25);
    EXPECT_DOUBLE_EQ(lin.axis[kXAxis].max, 75);
    EXPECT_DOUBLE_EQ(lin.axis[kYAxis].min, -5);
    EXPECT_DOUBLE_EQ(log.axis[kXAxis].min, 1e3);  // another group: untouched
    platform::automation::SendKey(view, platform::key::kSubtract, platform::kCtrlDown);
    EXPECT_DOUBLE_EQ(lin.axis[kXAxis].min, 0);
    EXPECT_DOUBLE_EQ(lin.axis[kXAxis].max, 100);
    // Undo of the Zoom-Out gives 25..75 back, redo 0..100 again.
    ASSERT_TRUE(view.ExecuteCommand(kCmdUndo));
    EXPECT_DOUBLE_EQ(lin.axis[kXAxis].min, 25);
    EXPECT_DOUBLE_EQ(lin.axis[kXAxis].max, 75);
    ASSERT_TRUE(view.ExecuteCommand(kCmdRedo));
    EXPECT_DOUBLE_EQ(lin.axis[kXAxis].max, 100);

    view.SelectCurve(1);
    platform::automation::SendKey(view, platform::key::kLeft, platform::kCtrlDown);
    EXPECT_DOUBLE_EQ(log.axis[kXAxis].min, 1e2);
    EXPECT_DOUBLE_EQ(log.axis[kXAxis].max, 1e5);
    platform::automation::SendKey(view, platform::key::kUp, platform::kCtrlDown);
    EXPECT_DOUBLE_EQ(log.axis[kYAxis].min, 0.4);
    EXPECT_DOUBLE_EQ(log.axis[kYAxis].max, 4.4);

    // Panning by a drag with the right button: the values under the two points move.
    view.SelectCurve(0);
    view.LayoutPlotGroups(*std::make_unique<CDrawContext>(view.GetDC().get()));
    Point from{(lin.plot.left + lin.plot.right) / 2, (lin.plot.top + lin.plot.bottom) / 2};
    Point to{from.x + lin.plot.Width() / 10, from.y};
    double dx = PixelToValue(lin, kXAxis, to.x) - PixelToValue(lin, kXAxis, from.x);
    double before = lin.axis[kXAxis].min;
    platform::automation::SendMouse(view, platform::MouseAction::RightDown, from, platform::kRightButton);
    platform::automation::SendMouse(view, platform::MouseAction::Move, to, platform::kRightButton);
    platform::automation::SendMouse(view, platform::MouseAction::RightUp, to, 0);
    EXPECT_NEAR(lin.axis[kXAxis].min, before - dx, 1e-9);
    ASSERT_TRUE(view.ExecuteCommand(kCmdUndo));
    EXPECT_NEAR(lin.axis[kXAxis].min, before, 1e-9);

    // Restore Limit Scales (Ctrl+Home) goes back to the ranges saved at set-up.
    platform::automation::SendKey(view, platform::key::kHome, platform::kCtrlDown);
    EXPECT_DOUBLE_EQ(log.axis[kXAxis].min, log.axis[kXAxis].savedMin);
}

// A zoom box on an axis that is displayed descending keeps it descending, whichever way
// the box was drawn; a box in Scale mode zooms to its corners.
TEST(PlotZoom, ZoomBoxKeepsTheOrientation) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 0;
    view.data.curves = {MakeCurve("A", "X", 1, 12, 0)};
    view.data.plottedCount = 1;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    BeginRun(view.data.storeCurves, view.data.runs, RunStartValues{});
    const double p[] = {0, 0, 10, 10};
    view.StoreRunPoint(p);
    view.StoreRunPoint(p + 2);
    GraphRecord& g = view.data.curves[0];
    g.axis[kXAxis].min = 100, g.axis[kXAxis].max = 0;  // descending
    g.axis[kYAxis].min = 0, g.axis[kYAxis].max = 10;
    view.Create(nullptr, platform::Rect{0, 0, 500, 400});
    view.Invalidate();
    view.Update();
    view.SetMode(kModeScale);
    Point a{g.plot.left + g.plot.Width() * 3 / 4, g.plot.top + g.plot.Height() / 4};
    Point b{g.plot.left + g.plot.Width() / 4, g.plot.top + g.plot.Height() * 3 / 4};
    double xa = PixelToValue(g, kXAxis, a.x), xb = PixelToValue(g, kXAxis, b.x);
    double ya = PixelToValue(g, kYAxis, a.y), yb = PixelToValue(g, kYAxis, b.y);
    platform::automation::SendMouse(view, platform::MouseAction::LeftDown, a, platform::kLeftButton);
    platform::automation::SendMouse(view, platform::MouseAction::Move, b, platform::kLeftButton);
    platform::automation::SendMouse(view, platform::MouseAction::LeftUp, b, 0);
    EXPECT_DOUBLE_EQ(g.axis[kXAxis].min, std::max(xa, xb));
    EXPECT_DOUBLE_EQ(g.axis[kXAxis].max, std::min(xa, xb));
    EXPECT_DOUBLE_EQ(g.axis[kYAxis].min, std::min(ya, yb));
    EXPECT_DOUBLE_EQ(g.axis[kYAxis].max, std::max(ya, yb));
    EXPECT_NEAR(g.axis[kXAxis].min, 75, 1.0);  // 100 at the left edge, 0 at the right
    EXPECT_NEAR(g.axis[kXAxis].max, 25, 1.0);
}

// The Bode plot of a series RLC band-pass: magnitude in dB and phase in degrees over a
// log frequency axis, in two panes.
TEST_F(PlotViewRun, AcBodePlotScreenshot) {
    Compile(kBandPassDeck, 1);
    // The compiler leaves a source's AC excitation to the analysis set-up, which is not in
    // this road yet: V1 gets its "AC 1" here.
    for (SpiceSource* v : DevicesOf<SpiceSource>(kSpiceSourceList)) v->ac_magnitude = 1;
    CAPDraw view;
    view.data.curves = {MakeCurve("DB(V(OUT))", "F", 1, 12, 'F', true), MakeCurve("PH(V(OUT))", "F", 2, 9, 'F', true)};
    view.data.sweep.analysisKind = 1;
    view.data.sweep.acStart = 100e3;
    view.data.sweep.acStop = 100e6;
    view.title = "Series RLC band-pass: magnitude and phase";
    OpenView(view, 900, 640, 1);
    ViewSink sink(view, {[this] { return 20 * std::log10(std::abs(NodeAc("OUT"))); },
                         [this] { return std::arg(NodeAc("OUT")) * 180 / M_PI; }});
    AcSettings s;
    s.frequency_range = "100MEG,100k";
    s.points = 151;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0) << sink.points;
    view.EndRun();
    const GraphRecord& mag = view.data.curves[0];
    EXPECT_DOUBLE_EQ(mag.axis[kXAxis].min, 100e3);
    EXPECT_DOUBLE_EQ(mag.axis[kXAxis].max, 100e6);
    // The resonance lies at 1 / (2 pi sqrt(L C)) = 1.59 MHz, where the gain is 1000/1050.
    view.SetMode(kModeCursor);
    view.cursorStepKind = kCursorGlobalHigh;
    view.StepCursor(kCursorRight, 0);
    EXPECT_NEAR(mag.cursor[0].x, 1.5915e6, 0.06e6);
    EXPECT_NEAR(mag.cursor[0].y, 20 * std::log10(1000.0 / 1050.0), 0.05);
    platform::Image image = view.Grab();
    EXPECT_TRUE(image.SavePng(PngPath("ac_bode.png")));
}

}  // namespace

namespace {

using namespace ob7;

// Printing to a PDF file: one page holding the plot with its title and the curve names.
TEST_F(PlotViewRun, PrintsThePlotToPdf) {
    CAPDraw view;
    RunRcTransient(view, 700, 500);
    std::string path = PngPath("transient_plot.pdf");
    std::filesystem::remove(path);
    PrinterChoice.outputFile = path;
    PrinterChoice.landscape = true;
    ASSERT_TRUE(view.ExecuteCommand(kCmdPrint));
    PrinterChoice.outputFile.clear();
    ASSERT_TRUE(std::filesystem::exists(path));
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("%PDF", 0), 0u);
    EXPECT_NE(text.find("/Count 1"), std::string::npos);  // one page
    EXPECT_GT(text.size(), 5000u);
}

}  // namespace

namespace {

using namespace ob7;

// Normalize At Cursor (Ctrl+N) divides V(OUT) by its value at the cursor; a second time
// gives the curve back. The mouse tracker's tooltip reads the values under the pointer.
TEST_F(PlotViewRun, NormalizeAtCursorAndTheTooltip) {
    CAPDraw view;
    RunRcTransient(view, 700, 500);
    std::vector<double> before;
    for (int i = 0; i <= view.data.storeCurves[1].pointCount; ++i) before.push_back(view.data.Y(1, i));
    // Ctrl+N needs Cursor mode.
    platform::automation::SendKey(view, 'N', platform::kCtrlDown);
    EXPECT_EQ(view.data.curves[1].normaliseDivisor, 0);
    view.SetMode(kModeCursor);
    view.SelectCurve(1);
    view.cursorStepKind = kCursorPeak;
    view.StepCursor(kCursorRight, 0);
    int peak = CursorPointIndex(view.data, 1, 0);
    double value = before[peak];
    platform::automation::SendKey(view, 'N', platform::kCtrlDown);
    EXPECT_DOUBLE_EQ(view.data.curves[1].normaliseDivisor, value);
    EXPECT_DOUBLE_EQ(view.data.Y(1, peak), 1.0);
    EXPECT_DOUBLE_EQ(view.data.Y(1, 100), before[100] / value);
    EXPECT_NEAR(view.data.curves[1].cursor[0].y, 1.0, 1e-12);
    platform::automation::SendKey(view, 'N', platform::kCtrlDown);
    EXPECT_EQ(view.data.curves[1].normaliseDivisor, 0);
    for (int i : {0, 100, peak}) EXPECT_NEAR(view.data.Y(1, i), before[i], 1e-12);

    // The tooltip: X and Y under the pointer in the pane; nothing away from the panes or
    // with the tracker off.
    const GraphRecord& g = view.data.curves[1];
    Point p{ValueToPixel(g, kXAxis, 10e-6), ValueToPixel(g, kYAxis, 2.5)};
    std::string tip = view.OnToolTip(p);
    ASSERT_NE(tip.find(','), std::string::npos) << tip;
    int bad = 0;
    double x = ParseNumber(tip.substr(0, tip.find(',')).c_str(), &bad);
    double y = ParseNumber(tip.substr(tip.find(',') + 1).c_str(), &bad);
    EXPECT_EQ(bad, 0) << tip;
    EXPECT_NEAR(x, 10e-6, 20e-6 / g.plotWidth) << tip;  // within a pixel
    EXPECT_NEAR(y, 2.5, (g.axis[kYAxis].max - g.axis[kYAxis].min) / g.plotHeight) << tip;
    EXPECT_EQ(view.OnToolTip({2, 2}), "");
    platform::automation::SendKey(view, 'M', platform::kCtrlDown);
    EXPECT_EQ(view.OnToolTip(p), "");
}

}  // namespace

namespace {

using namespace ob7;

// During a single run the plot rescales twice, past a quarter and past half of the run;
// with a second run it does not rescale while the run draws.
TEST(PlotRunScaling, AutoScaleDuringRunAtMostTwice) {
    PlotTestApp();
    for (int runCount : {1, 2}) {
        SCOPED_TRACE(runCount);
        CAPDraw view;
        view.viewKind = 0;
        view.data.curves = {MakeCurve("V(OUT)", "T", 1, 12, 0)};
        view.data.plottedCount = 1;
        AutoScaleAxis(view.data, 0, kXAxis);
        AutoScaleAxis(view.data, 0, kYAxis);
        ASSERT_EQ(view.PrepareCurves(runCount), 0);
        view.Create(nullptr, platform::Rect{0, 0, 500, 400});
        int changes = 0;
        for (int r = 0; r < runCount; ++r) {
            view.BeginRun(RunStartValues{});
            for (int i = 0; i <= 100; ++i) {
                double xy[2] = {i * 1.0, 100.0 * i * (r + 1)};  // keeps growing past every range
                double before = view.data.curves[0].axis[kYAxis].max;
                view.StoreRunPoint(xy);
                view.DrawNewPoints();
                view.AutoScaleDuringRun(i / 100.0);
                changes += view.data.curves[0].axis[kYAxis].max != before;
            }
        }
        EXPECT_EQ(changes, runCount == 1 ? 2 : 0);
        EXPECT_EQ(view.data.curves[0].axis[kYAxis].autoMark, kAutoScaleByRange);  // kept while the run draws
        view.EndRun();
        EXPECT_EQ(view.data.curves[0].axis[kYAxis].autoMark, kNoAutoScale);
        EXPECT_GE(view.data.curves[0].axis[kYAxis].max, 100.0 * 100 * runCount);
    }
}

}  // namespace

namespace {

using namespace ob7;

// A HEX bus holding 00, A5, then FF is drawn as three hexagons across its band, each with
// its value centred where it fits.
TEST(DigitalTrace, BusShowsItsValueInHexagons) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 0;
    view.smoothCurves = false;
    view.title = "Bus";
    GraphRecord bus = MakeCurve("HEX(D(A0),D(A1))", "T", 1, 9, 0);
    bus.digital = 1;
    bus.busRadix = kRadixHex;
    bus.busWidth = 8;
    view.data.curves = {bus};
    view.data.plottedCount = 1;
    view.data.curves[0].axis[kXAxis].min = 0, view.data.curves[0].axis[kXAxis].max = 30;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    view.BeginRun(RunStartValues{});
    for (int i = 0; i <= 30; ++i) {
        double xy[2] = {double(i), i <= 10 ? 0.0 : i <= 20 ? 165.0 : 255.0};
        view.StoreRunPoint(xy);
    }
    view.Create(nullptr, platform::Rect{0, 0, 600, 300});
    view.EndRun();
    platform::Image image = view.Grab();
    EXPECT_TRUE(image.SavePng(PngPath("bus_trace.png")));
    const GraphRecord& g = view.data.curves[0];
    ASSERT_LT(g.digitalBandTop + 4, g.digitalBandBottom);
    const int middle = (g.digitalBandTop + g.digitalBandBottom) / 2;
    EXPECT_EQ(DigitalValueToPixel(g, 165, 0), middle);
    const platform::Color red = platform::Rgb(255, 0, 0);
    auto x = [&](double v) { return ValueToPixel(g, kXAxis, v); };
    // Top and bottom edges inside each value; the hexagons meet on the middle line at a change.
    for (double at : {5.0, 15.0, 25.0}) {
        EXPECT_EQ(image.Pixel(x(at), g.digitalBandTop), red) << at;
        EXPECT_EQ(image.Pixel(x(at), g.digitalBandBottom), red) << at;
    }
    EXPECT_EQ(image.Pixel(x(10), middle), red);
    EXPECT_EQ(image.Pixel(x(20), middle), red);
    EXPECT_NE(image.Pixel(x(10), g.digitalBandTop), red);
    // The value's text: something drawn inside the band around the middle of each step,
    // and nothing on the middle line where no text goes.
    auto inked = [&](double from, double to) {
        int count = 0;
        for (int px = x(from); px < x(to); ++px)
            for (int py = g.digitalBandTop + 2; py < g.digitalBandBottom - 1; ++py)
                count += image.Pixel(px, py) != image.Pixel(x(from), middle);
        return count;
    };
    EXPECT_GT(inked(13, 17), 5);
    EXPECT_GT(inked(23, 27), 5);
    EXPECT_EQ(FormatDigitalValueRadix(kRadixHex, 165, 8), "A5");
    EXPECT_EQ(FormatDigitalValueRadix(kRadixHex, 0, 8), "00");
}

// A digital trace that goes 0, 1, 0 is drawn low, with an edge up, high, and an edge
// down, in its band of the pane; an analog curve shares the pane.
TEST(DigitalTrace, LowEdgeHighEdge) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 0;
    view.smoothCurves = false;
    view.title = "Digital and analog in one pane";
    GraphRecord analog = MakeCurve("V(CLK)", "T", 1, 12, 0);
    GraphRecord digital = MakeCurve("D(Q)", "T", 1, 9, 0);
    digital.digital = 1;
    view.data.curves = {analog, digital};
    view.data.plottedCount = 2;
    for (int c = 0; c < 2; ++c) view.data.curves[c].axis[kXAxis].min = 0, view.data.curves[c].axis[kXAxis].max = 30;
    view.data.curves[0].axis[kYAxis].min = -1, view.data.curves[0].axis[kYAxis].max = 1;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    EXPECT_EQ(view.data.curves[1].groupDigitalStatus, 2);  // mixed
    view.BeginRun(RunStartValues{});
    for (int i = 0; i <= 30; ++i) {
        double state = i >= 10 && i < 20 ? 507 : 504;  // '1' and '0' at full strength
        double xy[4] = {double(i), std::sin(i * 0.3), double(i), state};
        view.StoreRunPoint(xy);
    }
    view.Create(nullptr, platform::Rect{0, 0, 600, 400});
    view.EndRun();
    platform::Image image = view.Grab();
    EXPECT_TRUE(image.SavePng(PngPath("digital_trace.png")));
    const GraphRecord& g = view.data.curves[1];
    ASSERT_LT(g.digitalBandTop, g.digitalBandBottom);
    EXPECT_LE(g.plot.top, g.digitalBandTop);
    const platform::Color red = platform::Rgb(255, 0, 0);
    auto x = [&](double v) { return ValueToPixel(g, kXAxis, v); };
    EXPECT_EQ(image.Pixel(x(5), g.digitalBandBottom), red);
    EXPECT_NE(image.Pixel(x(5), g.digitalBandTop), red);
    EXPECT_EQ(image.Pixel(x(15), g.digitalBandTop), red);
    EXPECT_NE(image.Pixel(x(15), g.digitalBandBottom), red);
    EXPECT_EQ(image.Pixel(x(25), g.digitalBandBottom), red);
    int middle = (g.digitalBandTop + g.digitalBandBottom) / 2;
    auto edgeBetween = [&](double from, double to) {
        for (int px = x(from); px <= x(to); ++px)
            if (image.Pixel(px, middle) == red) return true;
        return false;
    };
    EXPECT_TRUE(edgeBetween(8.5, 10));   // up
    EXPECT_TRUE(edgeBetween(18.5, 20));  // down
    EXPECT_FALSE(edgeBetween(12, 17));   // nothing crosses the band while high
    // A click in a digital band of a mixed pane picks the pane's first analog curve; in a
    // pane of digital traces only, the trace itself.
    EXPECT_EQ(view.GraphIndexAtPoint({x(15), middle}), 0);
    view.data.curves[0].plotGroup = 2;
    RenumberPlotGroups(view.data);
    UpdateGroupDigitalStatus(view.data);
    view.Invalidate();
    view.Update();
    const GraphRecord& d = view.data.curves[1];
    EXPECT_EQ(view.GraphIndexAtPoint({ValueToPixel(d, kXAxis, 15.0), (d.digitalBandTop + d.digitalBandBottom) / 2}), 1);
}

}  // namespace

namespace {

using namespace ob7;

// The run checks the floating-point status after every point: storing and drawing a point
// must leave it as the run had it, even when a value overflows the pixel arithmetic.
TEST(PlotRunScaling, StoringAPointLeavesTheFloatingPointStatus) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 0;
    view.data.curves = {MakeCurve("V(1)", "T", 1, 12, 0)};
    view.data.plottedCount = 1;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    view.Create(nullptr, platform::Rect{0, 0, 300, 200});
    view.Invalidate();
    view.Update();  // laid out: a Y scale of some pixels a volt
    ASSERT_GT(std::fabs(view.data.curves[0].axis[kYAxis].pixelScale), 2.0);
    view.BeginRun(RunStartValues{});
    const double first[2] = {0, 0}, huge[2] = {1, 1.7e308};
    view.StoreRunPoint(first);
    std::feclearexcept(FE_ALL_EXCEPT);
    view.StoreRunPoint(huge);  // 1.7e308 times the pixel scale overflows
    view.DrawNewPoints();
    EXPECT_EQ(std::fetestexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO), 0);
    EXPECT_DOUBLE_EQ(view.data.Y(0, 1), 1.7e308);
}

}  // namespace

namespace {

using namespace ob7;

// A curve of 250,000 points reports 0 % at its first point, which moves the mark from
// 10,000 to 22,500; then 9 % at index 22,501, 14 % at 35,001, and so on every 12,500.
TEST(CurvePolyline, ProgressOfALongRepaint) {
    PlotData data;
    data.curves.resize(1);
    data.storeCurves.resize(1);
    data.plottedCount = 1;
    ASSERT_EQ(PrepareDataColumns(data.store, data.storeCurves, data.runs, 1, false), 0);
    data.store.Reset();
    BeginRun(data.storeCurves, data.runs, RunStartValues{});
    for (int i = 0; i < 250000; ++i) {
        data.store.SetPointValue(data.storeCurves[0].columns[0], i, i);
        data.store.SetPointValue(data.storeCurves[0].columns[1], i, i % 7);
        CountStoredPoint(data.store, data.storeCurves[0], data.runs);
    }
    std::vector<std::pair<int, int>> shown;
    PlotProgress progress;
    progress.show = [&](int index, int percent) { shown.push_back({index, percent}); };
    progress.Start(250000);
    EXPECT_EQ(progress.mark, 10000);
    std::vector<Point> points;
    ASSERT_TRUE(BuildRunPolyline(data, 0, 0, false, points, nullptr, &progress));
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown[0], (std::pair<int, int>{0, 0}));
    EXPECT_EQ(shown[1], (std::pair<int, int>{22501, 9}));
    EXPECT_EQ(shown[2], (std::pair<int, int>{35001, 14}));
    EXPECT_EQ(shown[3].first, 47501);
    EXPECT_EQ(shown.size(), 20u);  // about twenty times a curve: every 12,500 points to the end
    // Curves of up to 100,000 points report nothing.
    shown.clear();
    progress.Start(100000);
    progress.At(0);
    EXPECT_TRUE(shown.empty());
}

}  // namespace

namespace {

using namespace ob7;

// Esc during a long repaint leaves the remaining curves undrawn and stops a run too.
TEST(PlotRunScaling, EscapeStopsALongRepaint) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 0;
    view.data.curves = {MakeCurve("A", "T", 1, 12, 0), MakeCurve("B", "T", 2, 9, 0)};
    view.data.plottedCount = 2;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    view.BeginRun(RunStartValues{});
    for (int i = 0; i < 5000; ++i) {
        double xy[4] = {i * 4e-3 - 10, std::sin(i * 0.37) * 9, i * 4e-3 - 10, std::cos(i * 0.37) * 9};
        view.StoreRunPoint(xy);
    }
    view.data.runActive = false;
    view.Create(nullptr, platform::Rect{0, 0, 400, 300});
    RunControl.abort = 0;
    platform::automation::PostKey(view, platform::key::kEscape);
    view.Invalidate();
    view.Update();
    EXPECT_TRUE(view.plotAborted);
    EXPECT_EQ(RunControl.abort, 1);
    // The second pane stayed empty: no pixel of B's colour.
    platform::Image image = view.Grab();
    const GraphRecord& b = view.data.curves[1];
    int red = 0;
    for (int y = b.plot.top + 1; y < b.plot.bottom; ++y)
        for (int x = b.plot.left + 1; x < b.plot.right; ++x) red += image.Pixel(x, y) == platform::Rgb(255, 0, 0);
    EXPECT_EQ(red, 0);
    RunControl.abort = 0;
}

}  // namespace

namespace {

using namespace ob7;

// Panes too short for their Y divisions get a smaller label font for that layout; a taller
// window brings the font back. Change Font sets the font from the font dialog.
TEST(PlotLayout, LabelDensityAndChangeFont) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 0;
    view.data.curves = {MakeCurve("A", "T", 1, 12, 0), MakeCurve("B", "T", 2, 9, 0), MakeCurve("C", "T", 3, 2, 0)};
    view.data.plottedCount = 3;
    for (GraphRecord& g : view.data.curves) g.axis[kYAxis].min = 0, g.axis[kYAxis].max = 10, g.axis[kYAxis].gridStep = 1;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    view.BeginRun(RunStartValues{});
    const double xy[6] = {0, 1, 0, 2, 0, 3};
    view.StoreRunPoint(xy);
    view.Create(nullptr, platform::Rect{0, 0, 500, 260});
    view.Invalidate();
    view.Update();
    const GraphRecord& g = view.data.curves[0];
    const int height = view.labelFont.height;  // the new plot's default font
    EXPECT_LT(std::abs(view.layoutFont.height), std::abs(height));  // shrunk for this layout
    EXPECT_TRUE(g.plotHeight / 10 >= view.lineHeight || std::abs(view.layoutFont.height) == 2) << g.plotHeight;
    view.Move(platform::Rect{0, 0, 500, 900});
    view.Invalidate();
    view.Update();
    EXPECT_EQ(view.layoutFont.height, height);

    platform::automation::QueueFontDialogAnswer([](platform::Font& f) {
        f.height = -16;
        return true;
    });
    ASSERT_TRUE(view.ExecuteCommand(kCmdChangeFont));
    EXPECT_EQ(view.labelFont.height, -16);
}

}  // namespace

namespace {

using namespace ob7;

// Ctrl+L tags the left cursor's point, Shift+Ctrl+H measures from the left to the right
// cursor; the tags live in data coordinates and Delete All Objects removes them.
TEST_F(PlotViewRun, CursorTagsAndDeleteAll) {
    CAPDraw view;
    RunRcTransient(view, 900, 640);
    view.SetMode(kModeCursor);
    view.SelectCurve(1);
    view.cursorStepKind = kCursorPeak;
    view.StepCursor(kCursorRight, 0);
    view.StepCursor(kCursorRight, 1);  // the right cursor from the end wraps to the first peak...
    view.cursorStepKind = kCursorValley;
    view.StepCursor(kCursorRight, 1);  // ...and on to the next valley
    platform::Image untagged = view.Grab();
    platform::automation::SendKey(view, 'L', platform::kCtrlDown);
    platform::automation::SendKey(view, 'H', platform::kCtrlDown | platform::kShiftDown);
    ASSERT_EQ(view.objects.Objects().size(), 2u);
    const GraphicObject& measure = view.objects.Objects().front();  // newest first
    const GraphicObject& tag = view.objects.Objects().back();
    EXPECT_EQ(tag.Kind(), kGraphicTag);
    EXPECT_EQ(measure.Kind(), kGraphicMeasureH);
    const GraphRecord& g = view.data.curves[1];
    EXPECT_DOUBLE_EQ(tag.x1, g.cursor[0].x);
    EXPECT_DOUBLE_EQ(measure.x2, g.cursor[1].x);
    EXPECT_LT(g.cursor[1].y, g.cursor[0].y);  // a valley below the peak
    platform::Image image = view.Grab();
    EXPECT_TRUE(image.SavePng(PngPath("cursor_tags.png")));
    // The point tag's leader runs from the cursor point up and to the right inside the pane.
    Point at = view.CursorPixel(1, 0);
    int drawn = 0;
    for (int y = std::max(at.y - 40, g.plot.top + 2); y < at.y - 2; ++y)
        for (int x = at.x; x <= at.x + 20; ++x) drawn += image.Pixel(x, y) != untagged.Pixel(x, y);
    EXPECT_GT(drawn, 5);
    ASSERT_TRUE(view.ExecuteCommand(kCmdDeleteAllObjects));
    EXPECT_TRUE(view.objects.Objects().empty());
}

}  // namespace

namespace {

using namespace ob7;

// Grid styles: full lines; Plus Mark with both directions draws plus signs at the
// crossings and ticks at the edges instead of lines.
TEST(PlotLayout, PlusMarkGrid) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 2;
    view.data.curves = {MakeCurve("A", "X", 1, 12, 0)};
    view.data.plottedCount = 1;
    GraphRecord& g = view.data.curves[0];
    for (AxisScaleRecord& a : g.axis) a.min = 0, a.max = 10, a.gridStep = 2;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    view.BeginRun(RunStartValues{});
    const double p[2] = {-5, -5};  // off the pane
    view.StoreRunPoint(p);
    view.colours.grid = 7;  // solid light grey lines, so a pixel tells line from gap
    view.colours.gridPattern = 0;
    view.Create(nullptr, platform::Rect{0, 0, 500, 400});
    AnalysisFlags[2] = kViewHorizontalGrids | kViewVerticalGrids;
    AnalysisPlusMark[2] = 0;
    view.Invalidate();
    view.Update();
    const platform::Color grid = platform::Rgb(192, 192, 192), white = platform::Rgb(255, 255, 255);
    auto px = [&](double x, double y) {
        return view.Grab().Pixel(ob7::ValueToPixel(g, kXAxis, x), ob7::ValueToPixel(g, kYAxis, y));
    };
    EXPECT_EQ(px(4, 5), grid);  // on the vertical line at x = 4, between crossings
    EXPECT_EQ(px(4, 4), grid);
    ASSERT_TRUE(view.ExecuteCommand(kCmdPlusMark));
    EXPECT_EQ(px(4, 5), white);  // no line between the crossings
    EXPECT_EQ(px(4, 4), grid);   // the plus sign at the crossing
    ASSERT_TRUE(view.ExecuteCommand(kCmdPlusMark));
    AnalysisFlags[2] = kViewHorizontalGrids | kViewVerticalGrids;
}

}  // namespace

namespace {

using namespace ob7;

// A text that does not fit its box is drawn as "#".
TEST(PlotLayout, FittedText) {
    PlotTestApp();
    platform::Image image(200, 40);
    platform::DrawContext dc(image);
    CDrawContext context(&dc);
    dc.SetFont(platform::Font{});
    EXPECT_EQ(CANDraw::DrawFittedText(context, "220.294m", platform::Rect{0, 0, 150, 20}, platform::kDtRight), "220.294m");
    EXPECT_EQ(CANDraw::DrawFittedText(context, "220.294m", platform::Rect{0, 20, 12, 40}, platform::kDtRight), "#");
}

}  // namespace

namespace {

using namespace ob7;

// A spectrum is drawn as stems from zero to each point, with a circle at the point.
TEST(PlotLayout, SpectrumStems) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 0;
    view.smoothCurves = false;
    GraphRecord g = MakeCurve("MAG(FFT(V(1)))", "F", 1, 12, 0);
    g.flags |= kGraphFft;
    for (AxisScaleRecord& a : g.axis) a.min = 0, a.max = 10;
    view.data.curves = {g};
    view.data.plottedCount = 1;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    view.BeginRun(RunStartValues{});
    const double points[][2] = {{2, 8}, {5, 3}, {8, 6}};
    for (const auto& p : points) view.StoreRunPoint(p);
    view.data.runActive = false;
    view.Create(nullptr, platform::Rect{0, 0, 500, 400});
    view.Invalidate();
    view.Update();
    platform::Image image = view.Grab();
    const GraphRecord& s = view.data.curves[0];
    const platform::Color blue = platform::Rgb(0, 0, 255);
    auto px = [&](double x, double y) { return image.Pixel(ValueToPixel(s, kXAxis, x), ValueToPixel(s, kYAxis, y)); };
    EXPECT_EQ(px(2, 4), blue);   // on the first stem, halfway down
    EXPECT_EQ(px(5, 1), blue);
    EXPECT_NE(px(3.5, 5), blue); // no line between the points
    EXPECT_NE(px(5, 5), blue);   // nothing above a point
}

}  // namespace

namespace {

using namespace ob7;

// With "Select Wavefrom Color", the current curve's branches under its cursors are drawn
// last in the two cursor-branch colours, over the curves after it; without it every
// branch keeps the curve colour and later curves lie on top.
TEST(CursorBranches, DrawnLastInTheBranchColours) {
    PlotTestApp();
    CAPDraw view;
    view.viewKind = 0;
    view.smoothCurves = false;
    view.data.curves = {MakeCurve("A", "T", 1, 2, 'T'), MakeCurve("B", "T", 1, 13, 'T')};
    view.data.plottedCount = 2;
    ASSERT_EQ(view.PrepareCurves(3), 0);
    for (int r = 0; r < 3; ++r) {
        view.BeginRun(RunStartValues{});
        for (double t : {0.0, 10.0}) {
            const double xy[4] = {t, r + 1.0, t, 2.0};  // A at 1, 2, 3; B always at 2
            view.StoreRunPoint(xy);
        }
    }
    for (GraphRecord& g : view.data.curves) {
        g.axis[kXAxis].min = 0, g.axis[kXAxis].max = 10;
        g.axis[kYAxis].min = 0, g.axis[kYAxis].max = 4;
    }
    view.RescaleAllAxes();
    view.data.curves[0].cursor[0].run = 1;
    view.data.curves[0].cursor[1].run = 2;
    view.Create(nullptr, platform::Rect{0, 0, 500, 400});
    auto render = [&](int preference) {
        view.selectWaveformColour = preference;
        view.Invalidate();
        view.Update();
        return view.Grab();
    };
    const GraphRecord& a = view.data.curves[0];
    auto at = [&](const platform::Image& image, double y) {
        return image.Pixel(ValueToPixel(a, kXAxis, 5.0), ValueToPixel(a, kYAxis, y));
    };
    const platform::Image off = render(0), on = render(1);
    const platform::Color colourA = at(off, 1), colourB = at(off, 2);
    EXPECT_NE(colourA, colourB);
    EXPECT_EQ(at(off, 3), colourA);
    EXPECT_EQ(at(on, 1), colourA);  // a branch without a cursor
    EXPECT_NE(at(on, 2), colourB);  // the left cursor's branch over B
    EXPECT_NE(at(on, 2), colourA);
    EXPECT_NE(at(on, 3), colourA);  // the right cursor's branch
    EXPECT_NE(at(on, 3), at(on, 2));
    // One run only: no branch colours.
    view.data.runs.runCount = 1;
    view.data.curves[0].cursor[0].run = 0;
    EXPECT_FALSE(view.BranchColoursShown());
}

}  // namespace
