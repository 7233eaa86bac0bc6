#pragma once
// The records behind a 2-D plot: one GraphRecord per curve with its two axes, its pane
// and its cursors, and PlotData, which holds the curves together with the point store
// and the runs their values live in.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/curve_rows.h"
#include "analysis/point_store.h"
#include "analysis/runs.h"
#include "platform/geometry.h"
#include "ui/framework/colour_controls.h"

namespace ob7 {

enum ChartKind : int { kChartRectangular = 0, kChartPolar = 1, kChartSmith = 2 };
enum PlotAxis : int { kXAxis = 0, kYAxis = 1 };
// Auto-scale marks of an axis.
enum AutoScaleMark : int { kNoAutoScale = -1, kAutoScaleByRange = -2, kAutoScaleCommand = -3 };

// View option bits of the per-analysis flag word.
enum PlotViewOption : int {
    kViewDataPoints = 0x1, kViewRuler = 0x2, kViewTokens = 0x4, kViewHorizontalGrids = 0x8,
    kViewVerticalGrids = 0x10, kViewMinorLogGrids = 0x20, kViewBaseline = 0x10000
};

// Curve flag bits.
enum GraphFlag : int { kGraphListed = 0x1, kGraphPlotted = 0x4, kGraphFft = 0x20000 };

struct AxisScaleRecord {
    double span = 20, min = -10, max = 10, gridStep = 0, minorStep = 0;
    // The limit scales, restored by Restore Limit Scales.
    double savedMin = -10, savedMax = 10, savedGridStep = 0, savedMinorStep = 0;
    double dataMax = -1e200, dataMin = 1e200;
    // Extremes over the points whose other coordinate lies in the other axis' range.
    double visibleMax = -1e200, visibleMin = 1e200;
    double pixelOffset = 0, pixelScale = 1;
    int autoMark = kNoAutoScale;
    int linear = 1;  // 1 linear, 0 log
    char sweepMark = 0;  // 'T' or 'F' for a single-token time or frequency expression
    AxisScale valueFormat;  // values shown by cursors and tooltips
    AxisScale scaleFormat;  // scale labels
    int exponentIndex = -1;
};

struct CursorRecord {
    double x = 0, y = 0, sweep = 0;
    int offset = 0;
    int run = -1;
};

struct GraphRecord {
    CurveStyle style;
    int hidden = 0;
    std::string caption;       // the curve's name (its Y expression)
    std::string xCaption;      // its X expression
    int rowIndex = -1;         // its CurveRow, -1 without one
    int plotGroup = 1;         // 1..9
    int chartKind = kChartRectangular;
    int indexInGroup = 0;      // 0 first of its group, 10 and up only listed
    int showsYScale = 1;
    int digital = 0;
    int groupDigitalStatus = 0;  // 0 analog, 1 digital, 2 mixed
    // A bus curve is shown as its value in a radix (run_helpers' radix flags) across the
    // band instead of by level; busWidth is its bit count.
    int busRadix = 0, busWidth = 0;
    int flags = kGraphPlotted;
    AxisScaleRecord axis[2];
    platform::Rect plot;       // the pane
    int plotWidth = 0, plotHeight = 0;
    int yScaleWidth = 0;
    platform::Point yTitlePosition;
    CursorRecord cursor[2];
    int slope = 0;             // the cursor table's slope: 0 Normal, 1 dB/Octave, 2 dB/Decade
    double normaliseDivisor = 0;
    int subtractNormalise = 0;
    int firstDrawnPoint = 0;
    platform::Point currentPixel, previousPixel;
    int wentBackwards = 0;
    double previousX = 0;
    int digitalBandBottom = 0, digitalBandTop = 0;
    int digitalState = -1, previousDigitalState = -1;  // of the newest points during a run
    int pendingPoint = 0;
    int lastTokenX = 0;        // where the last token of the running run was drawn

    bool IsRectangular() const { return chartKind == kChartRectangular; }
};

// The analysis limits that sweep axes follow.
struct SweepRanges {
    int analysisKind = 0;  // 0 transient, 1 AC, 2 DC
    double transientStart = 0, transientStop = 0;
    double acStart = 0, acStop = 0;
    std::vector<double> acList;  // a frequency list, when the sweep is one
    std::string dcSweepName;     // the first DC sweep variable
    double dcInitial = 0, dcFinal = 0;
};

// The curves of a plot with their stored values and runs. storeCurves runs parallel to
// curves; the plotted curves come first.
struct PlotData {
    std::vector<GraphRecord> curves;
    std::vector<StoreCurve> storeCurves;
    PointStore store;
    RunBook runs;
    int plottedCount = 0;
    int sameYScales = 0;
    int numberOfGrids = 10;  // divisions of an auto-scaled axis
    bool runActive = false;  // a run is drawing (and not paused)
    SweepRanges sweep;
    std::vector<std::string> xRangeTexts;  // per curve: its row's X range text (DC sweep test)

    int CurveCount() const { return static_cast<int>(curves.size()); }
    int PointCount(int curve) const { return storeCurves[curve].pointCount; }
    double X(int curve, int index) { return store.GetPointValue(storeCurves[curve].columns[0], index); }
    double Y(int curve, int index) { return store.GetPointValue(storeCurves[curve].columns[1], index); }
    int GroupCount() const;
};

}  // namespace ob7
