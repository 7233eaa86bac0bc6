// The commands of the plot views: auto-scaling, zooming, scrolling, panning and zoom
// boxes, the scale undo, restoring the limit scales, the view options, the trackers and
// the data tooltip.

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/accelerator.h"
#include "platform/command.h"
#include "platform/file_dialog.h"
#include "plots/auto_scale.h"
#include "plots/axis_transform.h"
#include "plots/data_cursors.h"
#include "plots/plot_view.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

using platform::Point;

void CAPDraw::RegisterPlotAccelerators() {
    if (platform::FindAccelerators(kPlotAccelerators)) return;
    using namespace platform;
    RegisterAccelerators(AcceleratorTable(kPlotAccelerators, {
        {key::kLeft, 0, kCursorLeft}, {key::kRight, 0, kCursorRight},
        {key::kUp, 0, kCursorUp}, {key::kDown, 0, kCursorDown},
        {key::kLeft, kShiftDown, 764}, {key::kRight, kShiftDown, 765},
        {key::kUp, kShiftDown, 766}, {key::kDown, kShiftDown, 767},
        {key::kLeft, kCtrlDown, kCmdScrollLeft}, {key::kRight, kCtrlDown, kCmdScrollRight},
        {key::kUp, kCtrlDown, kCmdScrollUp}, {key::kDown, kCtrlDown, kCmdScrollDown},
        {key::kHome, kCtrlDown, kCmdRestoreLimitScales},
        {key::kAdd, kCtrlDown, kCmdZoomIn}, {key::kSubtract, kCtrlDown, kCmdZoomOut},
        {key::F(6), 0, kCmdAutoScale}, {key::F(7), 0, kModeScale}, {key::F(8), 0, kModeCursor},
        {'N', kCtrlDown, kCmdNormalizeAtCursor}, {'M', kCtrlDown, kCmdTrackMouse},
        {'I', kCtrlDown, kCmdTrackIntercept}, {'C', kCtrlDown | kShiftDown, kCmdTrackCursor},
        {key::kHome, kAltDown, kCursorTop}, {key::kEnd, kAltDown, kCursorBottom},
        {'L', kCtrlDown, kCmdTagLeftCursor}, {'R', kCtrlDown, kCmdTagRightCursor},
        {'H', kCtrlDown | kShiftDown, kCmdTagHorizontal}, {'V', kCtrlDown | kShiftDown, kCmdTagVertical},
        {'Z', kCtrlDown, kCmdUndo}, {'Y', kCtrlDown, kCmdRedo},
    }));
}

namespace {

bool Ascending(const AxisScaleRecord& a) { return a.min <= a.max; }

}  // namespace

// ---- auto-scaling ------------------------------------------------------------------------

void CAPDraw::AutoScale(bool repaint) {
    if (data.plottedCount == 0) return;
    int group = data.curves[currentCurve].plotGroup;
    std::vector<std::pair<int, bool>> orientation;
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        if (g.plotGroup != group || g.hidden) continue;
        for (int axis = kXAxis; axis <= kYAxis; ++axis) {
            g.axis[axis].autoMark = kAutoScaleCommand;
            orientation.push_back({c * 2 + axis, Ascending(g.axis[axis])});
        }
    }
    ApplyDataExtremes(data);
    UnifyGroupRanges(data, 0, data.sameYScales);
    ComputeNiceRanges(data, false);
    for (auto [key, ascending] : orientation) {
        GraphRecord& g = data.curves[key / 2];
        OrderAxisRange(ascending, g, key % 2);
        UpdateAxisScale(g, key % 2);
    }
    if (repaint) RepaintAll();
}

bool CAPDraw::AutoScaleAfterRun(bool force) {
    for (int c = 0; c < data.plottedCount; ++c)
        if (!data.curves[c].hidden && data.storeCurves[c].pointCount < 0) return false;
    if (plotAborted) return false;
    ApplyDataExtremes(data);
    UnifyGroupRanges(data, 0, data.sameYScales);
    bool changed = ComputeNiceRanges(data, true);
    if (!changed && !force) return false;
    RepaintAll();
    return true;
}

void CAPDraw::AutoScaleDuringRun(double fraction) {
    // Only a run that is the plot's only one: stepped runs keep the scale while they draw.
    if (data.runs.runCount != 1 || data.runs.RunCapacity() != 1) return;
    bool now = false;
    if (fraction > 0.25 && !autoScaledQuarter_) autoScaledQuarter_ = 1, now = true;
    if (fraction > 0.5 && !autoScaledHalf_) autoScaledHalf_ = 1, now = true;
    if (!now) return;
    AutoScaleAfterRun(false);
    if (IsCreated()) {
        // Drawing goes on at the new scale from the last stored point.
        auto dc = GetDC();
        CDrawContext context(dc.get());
        LayoutPlotGroups(context);
    }
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        int last = data.storeCurves[c].pointCount;
        if (last < 0) continue;
        g.currentPixel = {ob7::ValueToPixel(g, kXAxis, data.X(c, last)), ob7::ValueToPixel(g, kYAxis, data.Y(c, last))};
        g.previousPixel = g.currentPixel;
    }
}

void CAPDraw::Properties() { RunPlotProperties(*this, propertiesHost); }

void CAPDraw::ToggleSameYScales() {
    data.sameYScales = !data.sameYScales;
    if (data.sameYScales) {
        UnifyGroupRanges(data, 1, 1);
        for (GraphRecord& g : data.curves) UpdateAxisScale(g, kYAxis);
    }
    DecideYScaleOwners(data);
    RepaintAll();
}

void CAPDraw::NormalizeAtCursor() {
    if (!HasGraphs() || currentCurve >= data.plottedCount) return;
    GraphRecord& g = data.curves[currentCurve];
    if (g.digital) return;
    double d;
    if (g.normaliseDivisor != 0) {
        d = g.subtractNormalise ? -g.normaliseDivisor : 1 / g.normaliseDivisor;
        g.normaliseDivisor = 0;
    } else {
        std::string upper = g.caption;
        for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        g.subtractNormalise = upper.find("DB(") != std::string::npos ? 1 : 0;
        d = g.cursor[lastCursor].y;
        g.normaliseDivisor = d;
    }
    if (d != 0) {
        const StoreCurve& sc = data.storeCurves[currentCurve];
        AxisScaleRecord& y = g.axis[kYAxis];
        y.dataMax = -1e200, y.dataMin = 1e200;
        for (int i = 0; i <= sc.pointCount; ++i) {
            double v = data.store.GetPointValue(sc.columns[1], i);
            v = g.subtractNormalise ? v - d : v / d;
            data.store.SetPointValue(sc.columns[1], i, v);
            y.dataMax = std::max(y.dataMax, v), y.dataMin = std::min(y.dataMin, v);
        }
    }
    for (int c = 0; c < 2; ++c) {
        double x = g.cursor[c].x;
        if (g.cursor[c].run >= 0) SetCursorPosition(currentCurve, c, CursorPointIndex(data, currentCurve, c), &x);
    }
    AutoScale(false);
    RepaintAll();
}

// ---- zoom, scroll, pan -----------------------------------------------------------------

void CAPDraw::UpdateBothScales(int curve) {
    UpdateAxisScale(data.curves[curve], kXAxis);
    UpdateAxisScale(data.curves[curve], kYAxis);
}

void CAPDraw::ZoomIn() {
    if (data.plottedCount == 0) return;
    BeginScaleUndo();
    int group = data.curves[currentCurve].plotGroup;
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        if (g.plotGroup != group) continue;
        for (int axis = kXAxis; axis <= (g.digital ? kXAxis : kYAxis); ++axis) {
            AxisScaleRecord& a = g.axis[axis];
            double span = a.max - a.min;
            if (!SetAxisRange(g, axis, a.min + span / 4, a.max - span / 4)) break;
            UpdateAxisScale(g, axis);
        }
    }
    scaleUndoOpen_ = 0;
    RepaintGroup(group);
}

void CAPDraw::ZoomOut() {
    if (data.plottedCount == 0) return;
    BeginScaleUndo();
    int group = data.curves[currentCurve].plotGroup;
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        if (g.plotGroup != group) continue;
        for (int axis = kXAxis; axis <= (g.digital ? kXAxis : kYAxis); ++axis) {
            AxisScaleRecord& a = g.axis[axis];
            double span = a.max - a.min;
            if (!SetAxisRange(g, axis, a.min - span / 2, a.max + span / 2)) break;
            UpdateAxisScale(g, axis);
        }
    }
    scaleUndoOpen_ = 0;
    RepaintGroup(group);
}

void CAPDraw::ScrollGraphs(int command) {
    if (data.plottedCount == 0) return;
    BeginScaleUndo();
    int group = data.curves[currentCurve].plotGroup;
    int axis = command == kCmdScrollLeft || command == kCmdScrollRight ? kXAxis : kYAxis;
    bool up = command == kCmdScrollRight || command == kCmdScrollUp;
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        if (g.plotGroup != group || !g.IsRectangular()) continue;
        AxisScaleRecord& a = g.axis[axis];
        if (a.linear) {
            double shift = 0.1 * (a.max - a.min) * (up ? 1 : -1);
            SetAxisRange(g, axis, a.min + shift, a.max + shift);
        } else {
            double f = up ? 10 : 0.1;
            if (a.min * f > 0 && a.max * f > 0) SetAxisRange(g, axis, a.min * f, a.max * f);
        }
        UpdateAxisScale(g, axis);
    }
    scaleUndoOpen_ = 0;
    RepaintGroup(group);
}

void CAPDraw::ZoomToRectangle(int curve, Point corner, Point other) {
    if (curve < 0 || curve >= data.plottedCount) return;
    BeginScaleUndo();
    const GraphRecord& hit = data.curves[curve];
    other.x = std::clamp(other.x, hit.plot.left, hit.plot.right);
    other.y = std::clamp(other.y, hit.plot.top, hit.plot.bottom);
    int group = hit.plotGroup;
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        if (g.plotGroup != group || corner == other) continue;
        if (corner.x == other.x || (corner.y == other.y && !g.digital)) continue;
        for (int axis = kXAxis; axis <= (g.digital ? kXAxis : kYAxis); ++axis) {
            bool ascending = Ascending(g.axis[axis]);
            double a = ob7::PixelToValue(g, axis, axis == kXAxis ? corner.x : corner.y);
            double b = ob7::PixelToValue(g, axis, axis == kXAxis ? other.x : other.y);
            if (!SetAxisRange(g, axis, std::min(a, b), std::max(a, b))) break;
            OrderAxisRange(ascending, g, axis);
            UpdateAxisScale(g, axis);
        }
    }
    scaleUndoOpen_ = 0;
    RepaintGroup(group);
}

void CAPDraw::PanByDrag(Point from, Point to) {
    if (from == to) return;
    int curve = GraphIndexAtPoint(from);
    if (curve < 0 || !data.curves[curve].IsRectangular()) {
        scaleUndoOpen_ = 0;
        return;
    }
    BeginScaleUndo();
    int group = data.curves[curve].plotGroup;
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        if (g.plotGroup != group) continue;
        for (int axis = kXAxis; axis <= (g.digital ? kXAxis : kYAxis); ++axis) {
            AxisScaleRecord& ax = g.axis[axis];
            double a = ob7::PixelToValue(g, axis, axis == kXAxis ? from.x : from.y);
            double b = ob7::PixelToValue(g, axis, axis == kXAxis ? to.x : to.y);
            if (ax.linear) {
                SetAxisRange(g, axis, ax.min - (b - a), ax.max - (b - a));
            } else if (a > 0 && b > 0) {
                double f = b / a;
                if (ax.min / f > 0 && ax.max / f > 0) SetAxisRange(g, axis, ax.min / f, ax.max / f);
            }
            UpdateAxisScale(g, axis);
        }
    }
    scaleUndoOpen_ = 0;
    RepaintGroup(group);
}

void CAPDraw::RestoreLimitScales() {
    bool changed = false;
    for (GraphRecord& g : data.curves) {
        for (AxisScaleRecord& a : g.axis) {
            if (a.min == a.savedMin && a.max == a.savedMax && a.gridStep == a.savedGridStep && a.minorStep == a.savedMinorStep)
                continue;
            a.min = a.savedMin, a.max = a.savedMax, a.gridStep = a.savedGridStep, a.minorStep = a.savedMinorStep;
            a.span = a.max - a.min;
            changed = true;
        }
        UpdateAxisScale(g, kXAxis);
        UpdateAxisScale(g, kYAxis);
    }
    if (changed) RepaintAll();
}

// ---- scale undo ------------------------------------------------------------------------

void CAPDraw::BeginScaleUndo() {
    if (scaleUndoOpen_) return;
    auto* entry = dynamic_cast<ScaleUndoEntry*>(BeginUndo(kUndoScale, "Scale"));
    if (!entry) return;
    scaleUndoOpen_ = 1;
    for (int c = 0; c < data.plottedCount; ++c) {
        const GraphRecord& g = data.curves[c];
        entry->xMin.push_back(g.axis[kXAxis].min);
        entry->yMin.push_back(g.axis[kYAxis].min);
        entry->xMax.push_back(g.axis[kXAxis].max);
        entry->yMax.push_back(g.axis[kYAxis].max);
    }
}

namespace {

// Exchanges the bounds of every curve with the entry's, so that the next step swaps back.
void SwapScaleBounds(PlotData& data, ScaleUndoEntry& entry) {
    int n = std::min<int>(data.plottedCount, static_cast<int>(entry.xMin.size()));
    for (int c = 0; c < n; ++c) {
        GraphRecord& g = data.curves[c];
        std::swap(g.axis[kXAxis].min, entry.xMin[c]);
        std::swap(g.axis[kXAxis].max, entry.xMax[c]);
        std::swap(g.axis[kYAxis].min, entry.yMin[c]);
        std::swap(g.axis[kYAxis].max, entry.yMax[c]);
        for (AxisScaleRecord& a : g.axis) a.span = a.max - a.min;
        UpdateAxisScale(g, kXAxis);
        UpdateAxisScale(g, kYAxis);
    }
}

}  // namespace

void CAPDraw::UndoStep() {
    UndoEntry* entry = CurrentUndo();
    if (entry && entry->kind == kUndoScale) {
        SwapScaleBounds(data, static_cast<ScaleUndoEntry&>(*entry));
        RepaintAll();
    }
    CDraw::UndoStep();
}

void CAPDraw::RedoStep() {
    UndoEntry* entry = RedoEntry();
    CDraw::RedoStep();
    if (entry && entry->kind == kUndoScale) {
        SwapScaleBounds(data, static_cast<ScaleUndoEntry&>(*entry));
        RepaintAll();
    }
}

// ---- curves, modes, mouse, tooltip -----------------------------------------------------

void CAPDraw::SelectCurve(int curve) {
    if (curve == currentCurve || curve < 0 || curve >= data.plottedCount) return;
    bool cursors = currentMode == kModeCursor && HasGraphs() && IsCreated();
    std::unique_ptr<platform::DrawContext> dc = cursors ? GetDC() : nullptr;
    CDrawContext context(dc.get());
    if (cursors) DrawCursors(context, 0, data.curves[currentCurve].plotGroup);
    const bool branches = cursors && BranchColoursShown();
    currentCurve = curve;
    // The branch colours move from the old curve to the new one.
    if (branches) {
        dc.reset();
        RepaintAll();
    } else if (cursors) {
        DrawCursors(context, 1, data.curves[currentCurve].plotGroup);
        DrawReadouts(context, data.curves[currentCurve].plotGroup);
    }
}

void CAPDraw::SetMode(int mode) {
    bool entering = mode == kModeCursor && currentMode != kModeCursor;
    CANDraw::SetMode(mode);
    if (entering && currentMode == kModeCursor && data.curves[0].cursor[0].run < 0) PlaceAllCursors();
    RepaintAll();
}

void CAPDraw::OnMouse(const platform::MouseEvent& event) {
    if (event.action == platform::MouseAction::Wheel) {
        if (!(event.flags & platform::kMouseCtrl) || InputBlocked() || !HasGraphs()) return;
        if (event.wheelDelta < 0) ZoomIn();
        else ZoomOut();
        return;
    }
    CANDraw::OnMouse(event);
}

int CAPDraw::GraphKey(int graph) const {
    const GraphRecord& g = data.curves[graph];
    return g.rowIndex >= 0 ? g.rowIndex : graph;
}

platform::Rect CAPDraw::GraphRect(int graph) const {
    const platform::Rect& r = data.curves[graph].plot;
    return platform::Rect{r.left, r.top, r.right + 1, r.bottom + 1};
}

double CAPDraw::ValueToPixel(int graph, int axis, double value) const {
    return ValueToPixelDouble(data.curves[graph], axis, value);
}

double CAPDraw::PixelToValue(int graph, int axis, double pixel) const {
    return ob7::PixelToValue(data.curves[graph], axis, pixel);
}

std::vector<std::vector<CurvePoint>> CAPDraw::Curves(int graph) const {
    // Reading moves the store's current page: the data are the same, the store is not.
    PlotData& d = const_cast<PlotData&>(data);
    std::vector<std::vector<CurvePoint>> out;
    int group = d.curves[graph].plotGroup;
    for (int c = 0; c < d.plottedCount; ++c) {
        const StoreCurve& sc = d.storeCurves[c];
        if (d.curves[c].plotGroup != group || d.curves[c].hidden || sc.pointCount < 0 || d.runs.runCount == 0) continue;
        int run = std::clamp(d.curves[c].cursor[0].run, 0, d.runs.runCount - 1);
        std::vector<CurvePoint> points;
        for (int i = sc.runFirst[run]; i <= std::min(sc.runLast[run], sc.pointCount); ++i)
            points.push_back({d.X(c, i), d.Y(c, i)});
        out.push_back(std::move(points));
    }
    return out;
}

int CAPDraw::GraphAt(Point p) const { return const_cast<CAPDraw*>(this)->GraphIndexAtPoint(p); }

void CAPDraw::TagCursor(int command) {
    if (!HasGraphs() || currentMode != kModeCursor || !IsCreated()) return;
    auto dcp = GetDC();
    CDrawContext context(dcp.get());
    GraphRecord& g = data.curves[currentCurve];
    Point left = CursorPixel(currentCurve, 0), right = CursorPixel(currentCurve, 1);
    GraphicObject* o = nullptr;
    objects.analysisKind = viewKind < 0 ? 0 : viewKind;
    if (command == kCmdTagLeftCursor || command == kCmdTagRightCursor) {
        int c = command == kCmdTagLeftCursor ? 0 : 1;
        Point p = c == 0 ? left : right;
        Point label = c == 0 ? Point{p.x + 20, p.y - 40} : Point{p.x - 60, p.y - 40};
        o = objects.AddGraphicObject(context, kGraphicTag | 1, currentCurve, p.x, p.y, label.x, label.y);
        if (o) {
            o->x1 = g.cursor[c].x;
            if (!g.digital) o->y1 = g.cursor[c].y;
        }
    } else {
        int kind = command == kCmdTagHorizontal ? kGraphicMeasureH : kGraphicMeasureV;
        o = objects.AddGraphicObject(context, kind | 1, currentCurve, left.x, left.y, right.x, right.y);
        if (o) {
            o->x1 = g.cursor[0].x, o->y1 = g.cursor[0].y;
            o->x2 = g.cursor[1].x, o->y2 = g.cursor[1].y;
        }
    }
    dcp.reset();  // the window's image takes one painter at a time: the repaint's
    if (!o) return;
    OnDocumentChanged();
    RepaintAll();
}

std::string CAPDraw::OnToolTip(Point p) { return trackMouse ? ToolTipText(p) : std::string(); }

std::string CAPDraw::ToolTipText(Point p) {
    if (!HasGraphs()) return {};
    int c = GraphIndexAtPoint(p);
    if (c < 0) return {};
    const GraphRecord& g = data.curves[c];
    if (!g.IsRectangular()) return {};
    double x = ob7::PixelToValue(g, kXAxis, p.x);
    double y = ob7::PixelToValue(g, kYAxis, p.y);
    return FormatAxisValue(g, kXAxis, x) + "," + FormatAxisValue(g, kYAxis, y);
}

}  // namespace ob7

namespace ob7 {

void CAPDraw::RegisterCommands() {
    using platform::CommandUI;
    auto idle = [this](CommandUI& ui) { ui.Enable(HasGraphs() && !RunActive()); };
    auto withCurves = [this](CommandUI& ui) { ui.Enable(HasGraphs()); };
    OnCommand(kCmdZoomIn, [this](int) { ZoomIn(); });
    OnUpdate(kCmdZoomIn, idle);
    OnCommand(kCmdZoomOut, [this](int) { ZoomOut(); });
    OnUpdate(kCmdZoomOut, idle);
    OnCommandRange(kCmdScrollLeft, kCmdScrollDown, [this](int id) { ScrollGraphs(id); });
    OnUpdateRange(kCmdScrollLeft, kCmdScrollDown, idle);
    OnCommand(kCmdRestoreLimitScales, [this](int) { RestoreLimitScales(); });
    OnUpdate(kCmdRestoreLimitScales, withCurves);
    OnCommand(kCmdAutoScale, [this](int) {
        if (viewKind >= 0) AutoScale(true);
    });
    OnUpdate(kCmdAutoScale, withCurves);
    OnCommand(kCmdNextCurve, [this](int) { SelectCurve(data.plottedCount ? (currentCurve + 1) % data.plottedCount : 0); });
    OnCommand(kCmdPreviousCurve, [this](int) {
        SelectCurve(data.plottedCount ? (currentCurve + data.plottedCount - 1) % data.plottedCount : 0);
    });
    OnCommand(kCmdNormalizeAtCursor, [this](int) { NormalizeAtCursor(); });
    OnUpdate(kCmdNormalizeAtCursor, [this](CommandUI& ui) {
        bool ok = HasGraphs() && currentCurve < data.plottedCount && !data.curves[currentCurve].digital;
        bool normalised = ok && data.curves[currentCurve].normaliseDivisor != 0;
        ui.Enable(ok && (currentMode == kModeCursor || normalised));
        ui.SetCheck(normalised ? 1 : 0);
    });
    OnCommand(kCmdChangeFont, [this](int) {
        platform::Font font = labelFont;
        if (!platform::RunFontDialog(this, font)) return;
        labelFont = font;
        OnDocumentChanged();
        RepaintAll();
    });
    OnUpdate(kCmdChangeFont, idle);
    OnCommandRange(kCmdTagLeftCursor, kCmdTagVertical, [this](int id) { TagCursor(id); });
    OnUpdateRange(kCmdTagLeftCursor, kCmdTagVertical,
                  [this](CommandUI& ui) { ui.Enable(HasGraphs() && currentMode == kModeCursor); });
    OnCommand(kCmdDeleteAllObjects, [this](int) { objects.RemoveAnalysisObjects(viewKind < 0 ? 0 : viewKind); });
    OnUpdate(kCmdDeleteAllObjects, [this](CommandUI& ui) { ui.Enable(!objects.Objects().empty()); });
    OnCommand(kCmdSameYScales, [this](int) { ToggleSameYScales(); });
    OnUpdate(kCmdSameYScales, [this](CommandUI& ui) {
        ui.Enable();
        ui.SetCheck(data.sameYScales ? 1 : 0);
    });
    OnCommandRange(kCmdViewFirst, kCmdViewLast, [this](int id) {
        static const int bits[] = {kViewDataPoints, kViewRuler, kViewTokens, kViewHorizontalGrids,
                                   kViewVerticalGrids, kViewMinorLogGrids, kViewBaseline};
        int k = viewKind < 0 ? 0 : viewKind;
        AnalysisFlags[k] ^= bits[id - kCmdViewFirst];
        if (id == kCmdViewFirst + 1 && (AnalysisFlags[k] & kViewRuler)) AnalysisPlusMark[k] = 0;
        RepaintAll();
    });
    OnUpdateRange(kCmdViewFirst, kCmdViewLast, [this](CommandUI& ui) {
        static const int bits[] = {kViewDataPoints, kViewRuler, kViewTokens, kViewHorizontalGrids,
                                   kViewVerticalGrids, kViewMinorLogGrids, kViewBaseline};
        ui.Enable(HasGraphs() && !RunActive());
        ui.SetCheck(ViewOptions() & bits[ui.Id() - kCmdViewFirst] ? 1 : 0);
    });
    OnCommand(kCmdPlusMark, [this](int) {
        int k = viewKind < 0 ? 0 : viewKind;
        AnalysisPlusMark[k] = !AnalysisPlusMark[k];
        if (AnalysisPlusMark[k]) AnalysisFlags[k] &= ~kViewRuler;
        RepaintAll();
    });
    OnUpdate(kCmdPlusMark, [this](CommandUI& ui) {
        ui.Enable(HasGraphs() && !RunActive());
        ui.SetCheck(AnalysisPlusMark[viewKind < 0 ? 0 : viewKind] ? 1 : 0);
    });
    OnCommand(kCmdHorizontalCursor, [this](int) {
        int k = viewKind < 0 ? 0 : viewKind;
        AnalysisHorizontalCursor[k] = !AnalysisHorizontalCursor[k];
        RepaintAll();
    });
    OnUpdate(kCmdHorizontalCursor, idle);
    OnCommand(kCmdTrackCursor, [this](int) { trackCursor = !trackCursor; });
    OnCommand(kCmdTrackIntercept, [this](int) { trackIntercept = !trackIntercept; });
    OnCommand(kCmdTrackMouse, [this](int) { trackMouse = !trackMouse; });
    OnCommand(kCmdAlignCursors, [this](int) {
        alignCursors = !alignCursors;
        // Turned on: both cursors of every group go where the current curve's are.
        if (alignCursors && HasGraphs() && data.GroupCount() > 1) {
            for (int c = 0; c < 2; ++c) {
                double x = data.curves[currentCurve].cursor[c].x;
                if (data.curves[currentCurve].cursor[c].run >= 0)
                    PlaceCursor(data, currentCurve, c, CursorPointIndex(data, currentCurve, c), &x, true);
            }
            RepaintAll();
        }
    });
    OnUpdate(kCmdAlignCursors, [this](CommandUI& ui) {
        ui.Enable(HasGraphs() && currentMode == kModeCursor && data.GroupCount() > 1);
        ui.SetCheck(alignCursors ? 1 : 0);
    });
    OnCommand(kCmdKeepSameBranch, [this](int) {
        alignZ = !alignZ;
        // Turned on: every right cursor moves onto its left cursor's branch, at its offset.
        if (alignZ && currentMode == kModeCursor && HasGraphs()) {
            for (int c = 0; c < data.plottedCount; ++c) {
                const GraphRecord& g = data.curves[c];
                if (g.cursor[0].run < 0 || g.cursor[1].run < 0) continue;
                const StoreCurve& sc = data.storeCurves[c];
                int index = std::min(sc.runFirst[g.cursor[0].run] + g.cursor[1].offset,
                                     std::min(sc.runLast[g.cursor[0].run], sc.pointCount));
                PlaceCursor(data, c, 1, index, nullptr, false);
            }
            RepaintAll();
        }
    });
    OnUpdate(kCmdKeepSameBranch, [this](CommandUI& ui) {
        ui.Enable(HasGraphs() && currentMode == kModeCursor);
        ui.SetCheck(alignZ ? 1 : 0);
    });
    // Arrow keys move the left cursor, Shift+arrows the right one.
    OnCommandRange(kCursorLeft, kCursorDown, [this](int id) {
        cursorDirection = id;
        StepCursor(id, 0);
    });
    OnCommandRange(764, 767, [this](int id) {
        cursorDirection = id - 4;
        StepCursor(id - 4, 1);
    });
    auto cursorKeys = [this](CommandUI& ui) { ui.Enable(HasGraphs() && !RunActive()); };
    OnUpdateRange(kCursorLeft, 767, cursorKeys);
    OnCommandRange(kCursorNextPoint, kCursorGlobalLow, [this](int id) {
        if (currentMode != kModeCursor) SetMode(kModeCursor);
        cursorStepKind = id;
        StepCursor(cursorDirection, lastCursor);
    });
    OnUpdateRange(kCursorNextPoint, kCursorGlobalLow, [this](CommandUI& ui) {
        ui.Enable(HasGraphs() && !RunActive());
        ui.SetCheck(ui.Id() == cursorStepKind ? 1 : 0);
    });
    OnCommandRange(kCursorBottom, kCursorTop, [this](int id) {
        if (currentMode != kModeCursor) SetMode(kModeCursor);
        cursorStepKind = id;
        StepCursor(0, lastCursor);
    });
    OnUpdateRange(kCursorBottom, kCursorTop, cursorKeys);
    // Scale and Cursor modes need data.
    OnCommand(kModeScale, [this](int) { SetMode(kModeScale); });
    OnCommand(kModeCursor, [this](int) { SetMode(kModeCursor); });
    OnUpdate(kModeScale, [this](CommandUI& ui) {
        ui.Enable(HasGraphs() && !RunActive());
        ui.SetCheck(currentMode == kModeScale ? 1 : 0);
    });
    OnUpdate(kModeCursor, [this](CommandUI& ui) {
        ui.Enable(HasGraphs() && !RunActive());
        ui.SetCheck(currentMode == kModeCursor ? 1 : 0);
    });
}

}  // namespace ob7
