#pragma once
// CAPFrame and CAPDraw: the frame and view base of every 2-D plot window. The view holds
// the curves of a plot (PlotData), lays their groups out as panes from top to bottom,
// draws axes, grids, scale labels, curves, the header and the data cursors, and carries
// the zoom, pan, scale-undo and tooltip commands.

#include <memory>
#include <string>
#include <vector>

#include "circuit/circuit_document.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "plots/analysis_view.h"
#include "plots/graph_record.h"
#include "plots/plot_properties.h"
#include "ui/framework/graphic_objects.h"
#include "ui/framework/title_block.h"

namespace ob7 {

class CDrawContext;
struct PlotStyleDefaults;

// Colour slots and grid style of a plot's fixed elements.
struct PlotColours {
    int text = 0;              // general text
    int axis = 8;              // the pane frames
    int grid = 7;              // grid lines
    int graphBackground = 15;
    int baseline = 8;          // the zero line and the baseline
    int windowBackground = 15;
    int selectBox = 4;         // the selection box
    int cursorBranch[2] = {9, 12};
    int gridWidth = 1;
    int gridPattern = 0;
};

// The pen style of a curve's line pattern (0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot).
platform::PenStyle PatternStyle(int pattern);

// Command ids of the plot views.
enum PlotCommand : int {
    kCmdNextCurve = 769, kCmdPreviousCurve = 768, kCmdShiftLeft = 764, kCmdShiftDown = 767,
    kCmdAutoScale = 17167, kCmdSameYScales = 17189, kCmdAlignCursors = 17188, kCmdNormalizeAtCursor = 17268,
    kCmdChangeFont = 17452, kCmdRestoreLimitScales = 17632, kCmdScrollLeft = 17634, kCmdScrollRight = 17635,
    kCmdScrollUp = 17636, kCmdScrollDown = 17637, kCmdViewFirst = 18400, kCmdViewLast = 18406,
    kCmdPlusMark = 18407, kCmdHorizontalCursor = 18047, kCmdTrackCursor = 16500, kCmdTrackIntercept = 16501,
    kCmdTrackMouse = 16502, kCmdTagLeftCursor = 17184, kCmdTagRightCursor = 17185, kCmdTagHorizontal = 17186,
    kCmdTagVertical = 17187, kCmdDeleteAllObjects = 17166, kCmdKeepSameBranch = 17193
};
// Accelerator table of the plot views' keys (arrows, scrolling, zoom, modes).
constexpr int kPlotAccelerators = 503;
constexpr int kUndoScale = 13;

// The saved bounds of a scale undo entry: one value per plotted curve.
struct ScaleUndoEntry : UndoEntry {
    std::vector<double> xMin, yMin, xMax, yMax;
};

// A value tag of a cursor: kind 0 its X at the plot's bottom, kind 1 its Y at the plot's
// left, kind 2 "X,Y" beside the point. On the screen it keeps what it covers, so that it
// can be taken away again.
struct CursorMarker {
    int kind = 0, cursor = 0;
    platform::Rect rect;
    platform::Image saved;
    bool shown = false;
};

class CAPDraw : public CANDraw, public GraphHost {
public:
    CAPDraw();
    ~CAPDraw() override;
    // The colours, fonts and grid of the fixed elements from the defaults of new plots.
    void TakeStyles(const PlotStyleDefaults& styles);

    PlotData data;
    // Graphic objects over the panes (texts, shapes, tags), in data coordinates.
    GraphicObjectList objects{*this, *this};
    PlotColours colours;
    platform::Font labelFont;
    platform::Font layoutFont;  // the label font as the last layout could fit it
    int charWidth = 7, lineHeight = 15;
    int headerLines = 1;
    int allowTwoHeaderLines = 1;
    int trackCursor = 1, trackIntercept = 0, trackMouse = 1;
    int alignCursors = 0;
    int alignZ = 0;  // "Keep Cursors on Same Branch"
    int selectWaveformColour = 1;  // the branch under a cursor in the select colours
    int axisTags = 0, pointTags = 0;  // value tags at the cursors: on the axes, at the point
    platform::Font tagFont;
    int tagFrameColour = 0, tagFillColour = 15;
    // Data point labels: their font (with its colour) and background.
    FontRecord pointLabelFont{};
    int pointLabelBackground = 11;
    // Per analysis: the properties sheet writes edited ranges into the curve rows.
    int saveRangeEdits[3] = {};
    // The numeric output's header texts and the character between its table columns.
    StringTriple numericOutputHeader{kDefaultNumericOutputHeader};
    char numericOutputDelimiter = ' ';
    // Curves are drawn anti-aliased on screens and pages; off, every segment is exact
    // to the pixel.
    bool smoothCurves = true;
    bool plotAborted = false;  // Esc stopped the last repaint

    // The plotted curves: fills the store columns and runs for them.
    int PrepareCurves(int runCapacity);
    // Every curve is emptied (point count -1), so that the view has no graphs until a run
    // stores points again; the curves themselves stay.
    void ClearPointCounts();
    // Feeding points as a run produces them.
    void BeginRun(const RunStartValues& values);
    // Stores one point of every plotted curve: X then Y of each, in curve order. 1 when
    // the store took it.
    int StoreRunPoint(const double* xy);
    // Draws the segments to the newest points (during a run).
    void DrawNewPoints();
    // The same on a context that stays open over many points.
    void DrawNewPoints(CDrawContext& context);
    // The end of a run: auto-scaling, cursors, repaint.
    void EndRun();

    // Layout and painting.
    int LayoutPlotGroups(CDrawContext& dc, int depth = 0);
    void RescaleAllAxes();
    // Paints the whole plot into a context over area (an image, a picture, a printed
    // page), laid out for that area.
    void PaintInto(CDrawContext& dc, const platform::Rect& area);
    // Prints the plot on one page of the chosen printer (or PDF file): the page frame,
    // then the plot laid out for the page with its fonts scaled to the page (at most 3x).
    void Print() override;
    // F10: the properties sheet (nothing while a run goes).
    void Properties() override;
    PlotPropertiesHost propertiesHost;
    // The scale of the label font on a context of that drawing height.
    double FontScale(int drawHeight) const;
    int PaintGraphs(CDrawContext& dc, int curve = -1);
    void DrawGrids(CDrawContext& dc, int group);
    void DrawScaleLabels(CDrawContext& dc, int curve, int axis);
    // Every plotted curve of the group (-1: all); with cursor-branch colours the current
    // curve's branches under its cursors come last, on top.
    void DrawAllCurves(CDrawContext& dc, int group);
    // Runs firstRun..lastRun (lastRun -1: to the last run) of the curves in the range;
    // skipBranches leaves out the current curve's cursor branches.
    void DrawCurves(CDrawContext& dc, int group, int firstRun, int lastRun, int firstCurve, int lastCurve,
                    bool skipBranches = false);
    // The runs under the current curve's cursors take the cursor-branch colours: a 2-D
    // view of several runs with "Select Wavefrom Color" on.
    bool BranchColoursShown() const;
    void DrawNewSegment(CDrawContext& dc, int curve);
    void DrawFftStems(CDrawContext& dc, int curve, int run);
    // Digital traces: every step drawn by the level of its new state.
    void DrawDigitalRun(CDrawContext& dc, int curve, int run);
    void DrawBusSegment(platform::DrawContext& dc, const GraphRecord& g, int x0, int x1, int value);
    void DrawDigitalSegment(platform::DrawContext& dc, const GraphRecord& g, int x0, int x1, int previousState,
                            int state, const platform::Brush& hatch);
    virtual void DrawPlotHeader(CDrawContext& dc, int full);
    virtual std::string GetPlotTitle(bool caption, bool showRanges);
    void RedrawGraphGroup(CDrawContext& dc, int group);
    bool HitTestGraph(int curve, platform::Point p, int inflate) const;
    // The label positions of an axis (values), as the scale labels and grids use them.
    std::vector<double> AxisLabelValues(int curve, int axis, bool measuring) const;

    // Auto-scaling.
    void AutoScale(bool repaint);
    bool AutoScaleAfterRun(bool force);
    void AutoScaleDuringRun(double fraction);

    // Commands.
    void ZoomIn();
    void ZoomOut();
    void ScrollGraphs(int command);
    void ZoomToRectangle(int curve, platform::Point corner, platform::Point other) override;
    void PanByDrag(platform::Point from, platform::Point to) override;
    void RestoreLimitScales();
    void BeginScaleUndo() override;
    void UndoStep() override;
    void RedoStep() override;
    std::unique_ptr<UndoEntry> NewUndoEntry() override { return std::make_unique<ScaleUndoEntry>(); }
    void SelectCurve(int curve) override;
    void ToggleSameYScales();
    // Normalize At Cursor: divides the current curve by its value at the cursor (subtracts
    // it from a dB curve); a second time restores the curve.
    void NormalizeAtCursor();
    std::string ToolTipText(platform::Point p);
    // Tag Left/Right Cursor: a point tag at the cursor; Tag Horizontal/Vertical: a
    // measure tag from the left to the right cursor.
    void TagCursor(int command);

    // What the graphic objects ask of the graphs.
    int GraphCount() const override { return data.plottedCount; }
    int GraphKey(int graph) const override;
    int GraphGroup(int graph) const override { return data.curves[graph].plotGroup; }
    platform::Rect GraphRect(int graph) const override;
    double ValueToPixel(int graph, int axis, double value) const override;
    double PixelToValue(int graph, int axis, double pixel) const override;
    std::vector<std::vector<CurvePoint>> Curves(int graph) const override;
    bool IsDigital(int graph) const override { return data.curves[graph].digital != 0; }
    int GraphAt(platform::Point p) const override;
    int ObjectCount() override { return static_cast<int>(objects.Objects().size()); }

    // Cursors.
    void MoveCursor(int curve, int cursor, int index, const double* value) override;
    void DrawCursors(CDrawContext& dc, int draw, int group) override;
    virtual void DrawGraphCursors(CDrawContext& dc, int curve);
    int SetCursorPosition(int curve, int cursor, int index, const double* value) override;
    void MoveCursorToPoint(int buttons, platform::Point p) override;
    void StepCursor(int direction, int cursor) override;
    bool GoToValue(int curve, double value, int cursor, int column, int offset, int run);
    platform::Point CursorPixel(int curve, int cursor);
    // Draws a value tag (saving what it covers on the screen) or, when it is shown, puts
    // the covered picture back.
    void DrawCursorMarker(CDrawContext& dc, CursorMarker& marker);
    // Takes every shown tag away; true when any was shown.
    bool EraseCursorTags(CDrawContext& dc);
    CursorMarker markers[6];
    void PlaceAllCursors();

    // The virtual block.
    double GetPointValue(int column, int index) override { return data.store.GetPointValue(column, index); }
    void SetPointValue(int column, int index, double value) override { data.store.SetPointValue(column, index, value); }
    int GraphIndexAtPoint(platform::Point p) override;
    void PaintContents(CDrawContext& dc) override;
    bool HasGraphs() override;
    bool IsPlotView() const override { return true; }
    virtual void ClearPlotData();

    void SetMode(int mode) override;
    void OnPaint(platform::DrawContext& dc) override;
    void OnEraseBackground(platform::DrawContext& dc) override {}
    void OnSize(int width, int height) override;
    void OnMouse(const platform::MouseEvent& event) override;
    std::string OnToolTip(platform::Point p) override;

    int ViewOptions() const { return AnalysisFlags[viewKind < 0 ? 0 : viewKind]; }
    // Registers the plot views' key table once.
    static void RegisterPlotAccelerators();

    void RepaintAll();

protected:
    void RegisterCommands();
    void RepaintGroup(int group);
    void UpdateBothScales(int curve);
    void DrawReadouts(CDrawContext& dc, int group);
    bool EscapePressed();
    platform::Color SlotColour(CDrawContext& dc, int slot);

    int scaleUndoOpen_ = 0;
    int autoScaledQuarter_ = 0, autoScaledHalf_ = 0;
    int firstPaneLeft_ = -1;
    platform::Rect layoutArea_;       // where the plot is laid out; empty: the client area
    std::vector<int> rowReadoutTop_;  // per group: top of its caption lines
    int scaleColumns_[10] = {};       // per group: width of its analog Y scale columns
};

class CAPFrame : public CANFrame {
public:
    // Creates the frame in the main frame with its view (the view gets the current
    // analysis kind).
    bool CreatePlotFrame(platform::FrameWindow& main, CAPDraw& view, const std::string& title, int analysisKind);
};

}  // namespace ob7
