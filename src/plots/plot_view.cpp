#include "plots/plot_view.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>

#include "platform/accelerator.h"
#include "platform/application.h"
#include "platform/frame.h"
#include "platform/input.h"
#include "platform/system_services.h"
#include "plots/auto_scale.h"
#include "plots/plot_colour_page.h"
#include "plots/axis_transform.h"
#include "plots/curve_polyline.h"
#include "plots/data_cursors.h"
#include "plots/plot_groups.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/fonts.h"
#include "ui/framework/line_styles.h"
#include "ui/framework/print_services.h"
#include "sim/engine/run_control.h"
#include "sim/engine/run_helpers.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

using platform::Point;
using platform::Rect;

platform::PenStyle PatternStyle(int pattern) {
    switch (pattern) {
    case 1: return platform::PenStyle::Dash;
    case 2: return platform::PenStyle::Dot;
    case 3: return platform::PenStyle::DashDot;
    case 4: return platform::PenStyle::DashDotDot;
    default: return platform::PenStyle::Solid;
    }
}

namespace {

// A token that tells the curves of a pane apart, shaped by the curve's place in its group
// (the first curve has none; the ninth shape draws nothing).
void DrawToken(platform::DrawContext& dc, const GraphRecord& g, Point p, platform::Color colour) {
    const int s = std::max(std::min(g.plotWidth, g.plotHeight) / 160 + (g.style.lineWidth > 1 ? g.style.lineWidth : 0), 2);
    switch ((g.indexInGroup - 1) % 8) {
    case 0: dc.Rectangle(Rect{p.x - s, p.y - s, p.x + s + 1, p.y + s + 1}); break;
    case 1: dc.FillRect(Rect{p.x - s, p.y - s, p.x + s + 1, p.y + s + 1}, platform::Brush::Solid(colour)); break;
    case 2: dc.MoveTo({p.x - s, p.y}), dc.LineTo({p.x + s + 1, p.y}), dc.MoveTo({p.x, p.y - s}), dc.LineTo({p.x, p.y + s + 1}); break;
    case 3: dc.MoveTo({p.x - s, p.y - s}), dc.LineTo({p.x + s + 1, p.y + s + 1}), dc.MoveTo({p.x + s, p.y - s}), dc.LineTo({p.x - s - 1, p.y + s + 1}); break;
    case 4: dc.Polygon({{p.x, p.y - s}, {p.x + s, p.y + s}, {p.x - s, p.y + s}}); break;
    case 5: dc.Polygon({{p.x, p.y - s}, {p.x + s, p.y}, {p.x, p.y + s}, {p.x - s, p.y}}); break;
    case 6:
        dc.MoveTo({p.x - s, p.y}), dc.LineTo({p.x + s + 1, p.y}), dc.MoveTo({p.x, p.y - s}), dc.LineTo({p.x, p.y + s + 1});
        dc.MoveTo({p.x - s, p.y - s}), dc.LineTo({p.x + s + 1, p.y + s + 1}), dc.MoveTo({p.x + s, p.y - s}), dc.LineTo({p.x - s - 1, p.y + s + 1});
        break;
    default: break;
    }
}

// The pane rectangle as a clip: its right and bottom edges belong to it.
Rect PaneClip(const Rect& r) { return Rect{r.left, r.top, r.right + 1, r.bottom + 1}; }

// Keeps the floating-point status flags of the run across the drawing: the run checks
// them after every point, and what the drawing raises (the painter's arithmetic, log10 of
// a value off a log axis) is not the run's fault.
class FpFlagsGuard {
public:
    FpFlagsGuard() { std::fegetexceptflag(&flags_, FE_ALL_EXCEPT); }
    ~FpFlagsGuard() { std::fesetexceptflag(&flags_, FE_ALL_EXCEPT); }

private:
    std::fexcept_t flags_;
};

}  // namespace

CAPDraw::CAPDraw() {
    drawType = kDraw2DPlot;
    TakeStyles(CurrentPlotStyles(drawType));
    for (int i = 0; i < 6; ++i) markers[i].kind = i % 3, markers[i].cursor = i / 3;
    RegisterPlotAccelerators();
    SetAccelerators(platform::FindAccelerators(kPlotAccelerators));
    RegisterCommands();
}

CAPDraw::~CAPDraw() = default;

void CAPDraw::TakeStyles(const PlotStyleDefaults& d) {
    using Item = CG2DColorPage::Item;
    colours.text = d.first[Item::kGeneralText];
    colours.grid = d.first[Item::kGrid];
    colours.graphBackground = d.first[Item::kGraphBackground];
    colours.baseline = d.first[Item::kBaseline];
    colours.windowBackground = d.first[Item::kWindowBackground];
    selectionColour = d.first[Item::kSelect];
    colours.selectBox = d.first[Item::kSelectBox];
    tagFrameColour = d.first[Item::kTracker];
    tagFillColour = d.second[Item::kTracker];
    colours.cursorBranch[0] = d.first[Item::kSelectPrimary];
    colours.cursorBranch[1] = d.first[Item::kSelectSecondary];
    colours.gridWidth = d.gridWidth;
    colours.gridPattern = d.gridPattern;
    labelFont = CreateFontFromRecord(d.font[Item::kGeneralText]);
    tagFont = CreateFontFromRecord(d.font[Item::kTracker]);
    objects.defaultFont = d.font[Item::kInitialObject];
    objects.defaultFont.color = static_cast<uint8_t>(d.first[Item::kInitialObject]);
    pointLabelFont = d.font[Item::kDataPointLabels];
    pointLabelFont.color = static_cast<uint8_t>(d.first[Item::kDataPointLabels]);
    pointLabelBackground = d.second[Item::kDataPointLabels];
}

platform::Color CAPDraw::SlotColour(CDrawContext& dc, int slot) {
    // A colour that equals the background would vanish: its slot XOR 15 is used.
    if (slot != kNoColor && GetColourFromSlot(dc, slot) == GetColourFromSlot(dc, colours.graphBackground))
        slot ^= 15;
    return GetColourFromSlot(dc, slot);
}

// ---- curves and points -----------------------------------------------------------------

void CAPDraw::ClearPointCounts() {
    for (StoreCurve& sc : data.storeCurves) sc.pointCount = -1;
}

int CAPDraw::PrepareCurves(int runCapacity) {
    data.storeCurves.assign(data.curves.size(), StoreCurve{});
    data.plottedCount = 0;
    for (size_t c = 0; c < data.curves.size(); ++c) {
        GraphRecord& g = data.curves[c];
        if (g.flags & kGraphPlotted) ++data.plottedCount;
        data.storeCurves[c].xIsSweep = g.axis[kXAxis].sweepMark != 0 && g.axis[kXAxis].linear && !g.digital;
        for (AxisScaleRecord& a : g.axis) {
            a.dataMax = a.visibleMax = -1e200;
            a.dataMin = a.visibleMin = 1e200;
        }
        g.wentBackwards = 0;
        g.cursor[0] = g.cursor[1] = CursorRecord{};
    }
    int code = PrepareDataColumns(data.store, data.storeCurves, data.runs, runCapacity, false);
    data.store.Reset();
    RenumberPlotGroups(data);
    UpdateGroupDigitalStatus(data);
    autoScaledQuarter_ = autoScaledHalf_ = 0;
    currentCurve = std::clamp(currentCurve, 0, std::max(data.plottedCount - 1, 0));
    // Auto-scaled axes start from the first curve of their group with a fixed range.
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        for (int axis = kXAxis; axis <= kYAxis; ++axis) {
            if (g.axis[axis].autoMark != kAutoScaleByRange || AxisSweepRange(data, c, axis)) continue;
            for (int o = 0; o < data.plottedCount; ++o) {
                const GraphRecord& r = data.curves[o];
                if (o == c || r.plotGroup != g.plotGroup || r.axis[axis].autoMark == kAutoScaleByRange) continue;
                if (axis == kYAxis && r.digital != g.digital) continue;
                g.axis[axis].min = r.axis[axis].min;
                g.axis[axis].max = r.axis[axis].max;
                break;
            }
        }
        if (g.digital) g.axis[kYAxis].min = 0, g.axis[kYAxis].max = 20;
    }
    UnifyGroupRanges(data, 0, 0);
    DecideYScaleOwners(data);
    RescaleAllAxes();
    return code;
}

void CAPDraw::BeginRun(const RunStartValues& values) {
    ob7::BeginRun(data.storeCurves, data.runs, values);
    for (GraphRecord& g : data.curves) g.lastTokenX = g.plot.left;
    data.runActive = true;
}

int CAPDraw::StoreRunPoint(const double* xy) {
    FpFlagsGuard keep;
    int stored = 1;
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        StoreCurve& sc = data.storeCurves[c];
        double x = xy[2 * c], y = xy[2 * c + 1];
        int index = sc.pointCount + 1;
        data.store.SetPointValue(sc.columns[0], index, x);
        data.store.SetPointValue(sc.columns[1], index, y);
        stored &= CountStoredPoint(data.store, sc, data.runs);
        AxisScaleRecord& ax = g.axis[kXAxis];
        AxisScaleRecord& ay = g.axis[kYAxis];
        ax.dataMax = std::max(ax.dataMax, x), ax.dataMin = std::min(ax.dataMin, x);
        ay.dataMax = std::max(ay.dataMax, y), ay.dataMin = std::min(ay.dataMin, y);
        Point p{ob7::ValueToPixel(g, kXAxis, x), ob7::ValueToPixel(g, kYAxis, y)};
        if (g.digital) {
            g.previousDigitalState = sc.newRun ? -1 : g.digitalState;
            g.digitalState = g.busRadix ? BusValueOf(y) : DigitalStateOf(y);
            p.y = DigitalValueToPixel(g, g.digitalState, g.previousDigitalState);
        }
        if (sc.newRun) {
            g.previousPixel = p;
            sc.newRun = 0;
        } else {
            g.previousPixel = g.currentPixel;
            if (!g.digital && x < g.previousX) g.wentBackwards = 1;
        }
        g.currentPixel = p;
        g.previousX = x;
        g.pendingPoint = 1;
    }
    return stored;
}

void CAPDraw::DrawNewPoints() {
    if (!IsCreated()) return;
    auto dc = GetDC();
    if (!dc) return;
    CDrawContext context(dc.get());
    SelectAndRealizePalette(context);
    DrawNewPoints(context);
}

void CAPDraw::DrawNewPoints(CDrawContext& context) {
    FpFlagsGuard keep;
    for (int c = 0; c < data.plottedCount; ++c) DrawNewSegment(context, c);
}

void CAPDraw::DrawNewSegment(CDrawContext& context, int c) {
    GraphRecord& g = data.curves[c];
    if (g.hidden || !g.pendingPoint || !(g.flags & kGraphPlotted) || !g.IsRectangular()) return;
    g.pendingPoint = 0;
    if (data.storeCurves[c].pointCount < 1 || (g.previousPixel == g.currentPixel && !g.digital)) return;
    platform::DrawContext& dc = *context.Dc();
    dc.Save();
    dc.ClipToRect(PaneClip(g.plot));
    dc.SetSmoothing(smoothCurves);
    int run = std::max(data.runs.runCount - 1, 0);
    int slot = g.style.rainbow && run > 0 ? run & 0x3f : g.style.lineColour;
    dc.SetPen(platform::Pen{PatternStyle(g.style.pattern), std::max(g.style.lineWidth, 1), SlotColour(context, slot)});
    if (g.digital && g.busRadix) {
        DrawBusSegment(dc, g, g.previousPixel.x, g.currentPixel.x, g.digitalState);
    } else if (g.digital) {
        DrawDigitalSegment(dc, g, g.previousPixel.x, g.currentPixel.x, g.previousDigitalState, g.digitalState,
                           platform::Brush::Hatched(5, SlotColour(context, slot)));
    } else {
        dc.MoveTo(g.previousPixel);
        dc.LineTo(g.currentPixel);
        // The new point gets its data point mark and, spaced out, its token as it arrives.
        const Point p = g.currentPixel;
        const bool inside = p.x >= g.plot.left && p.x <= g.plot.right && p.y >= g.plot.top && p.y <= g.plot.bottom;
        const platform::Color colour = SlotColour(context, slot);
        if (inside && (ViewOptions() & kViewDataPoints) && data.storeCurves[c].pointCount >= g.firstDrawnPoint) {
            const int half = std::max(g.style.lineWidth, 1) / 2;
            dc.FillRect(Rect{p.x - half - 2, p.y - half - 2, p.x + half + 4, p.y + half + 4},
                        platform::Brush::Solid(colour));
        }
        if (inside && (ViewOptions() & kViewTokens) && g.indexInGroup > 0 && p.x - g.lastTokenX > 4 * (g.plotWidth / 80)) {
            dc.SetBrush(platform::Brush::Null());
            DrawToken(dc, g, p, colour);
            g.lastTokenX = p.x;
        }
    }
    dc.Restore();
}

void CAPDraw::EndRun() {
    data.runActive = false;
    for (GraphRecord& g : data.curves) g.pendingPoint = 0;
    AutoScaleAfterRun(true);
    PlaceAllCursors();
    RepaintAll();
}

void CAPDraw::ClearPlotData() {
    data.store.Free();
    data.store.CloseSwapFile();
    data.curves.clear();
    data.storeCurves.clear();
    data.runs = RunBook{};
    data.plottedCount = 0;
    currentCurve = 0;
}

double CAPDraw::FontScale(int drawHeight) const {
    int reference = IsCreated() && ClientRect().Height() > 0 ? ClientRect().Height() : 640;
    double scale = static_cast<double>(drawHeight) / reference;
    if (scale > 3.0) scale = 3.0;
    return scale == 0 ? 1.0 : scale;
}

void CAPDraw::Print() {
    PrintJobRun run;
    std::string name = title.empty() ? std::string("Plot") : title;
    if (!run.Start(this, name)) return;
    platform::DrawContext* dc = run.StartPage();
    if (!dc) return;
    CDrawContext context(dc);
    SelectAndRealizePalette(context);
    platform::Size page = run.Job().PageSize();
    DrawPageFrame(*this, context, true);
    // A quarter inch inside the frame.
    int margin = run.Job().Dpi() / 4;
    Rect area{margin, margin, page.cx - margin, page.cy - margin};
    platform::Font saved = labelFont;
    // The page keeps the screen's type size: the scale follows the resolution, so that a
    // 1200 dpi PDF page is as legible as a 300 dpi printer's.
    double scale = std::max(FontScale(area.Height()), run.Job().Dpi() / 96.0);
    labelFont.height = static_cast<int>(labelFont.height * scale);
    if (std::abs(labelFont.height) < 10) labelFont.height = -10;
    PaintInto(context, area);
    labelFont = saved;
    run.EndPage();
}

bool CAPDraw::HasGraphs() { return data.plottedCount > 0 && data.storeCurves[0].pointCount >= 0; }

// ---- layout ----------------------------------------------------------------------------

void CAPDraw::RescaleAllAxes() {
    for (GraphRecord& g : data.curves) {
        UpdateAxisScale(g, kXAxis);
        UpdateAxisScale(g, kYAxis);
        SaveLimitScales(g);
    }
}

std::vector<double> CAPDraw::AxisLabelValues(int curve, int axis, bool measuring) const {
    const GraphRecord& g = data.curves[curve];
    const AxisScaleRecord& a = g.axis[axis];
    std::vector<double> out;
    double lo = std::min(a.min, a.max), hi = std::max(a.min, a.max);
    if (!(hi > lo)) {
        out.push_back(lo);
        return out;
    }
    if (!a.linear) {
        // Decades and what lies between them; the drawing thins what overlaps.
        double d = DecadeFloor(lo);
        out.push_back(lo);
        for (int guard = 0; d <= hi * 1.000001 && guard < 400; ++guard) {
            for (int m = 1; m <= 9; ++m) {
                double v = d * m;
                if (v > lo * 1.000001 && v < hi / 1.000001) out.push_back(v);
            }
            d *= 10;
        }
        out.push_back(hi);
        return out;
    }
    double span = hi - lo;
    double step = std::fabs(a.gridStep);
    if (step <= 0 || span / step > 20000) {
        int n = axis == kXAxis ? 5 : std::min(std::max(g.plotHeight / std::max(lineHeight, 1), 1), data.numberOfGrids);
        if (measuring) n = data.numberOfGrids;
        n = std::max(n, 1);
        for (int k = 0; k <= n; ++k) {
            double v = lo + span / n * k;
            out.push_back(std::fabs(v) < 1e-10 * span ? 0.0 : v);
        }
        return out;
    }
    double first = std::ceil(lo / step - 1e-9) * step;
    if (std::fabs(first - lo) > 1e-9 * step) out.push_back(lo);
    int limit = measuring ? 101 : 20000;
    for (double v = first; v <= hi + 1e-9 * step && static_cast<int>(out.size()) < limit; v += step)
        out.push_back(std::fabs(v) < 1e-10 * span ? 0.0 : v);
    if (std::fabs(out.back() - hi) > 1e-9 * step) out.push_back(hi);
    return out;
}

int CAPDraw::LayoutPlotGroups(CDrawContext& context, int depth) {
    platform::DrawContext& dc = *context.Dc();
    if (depth == 0) layoutFont = labelFont;
    dc.SetFont(layoutFont);
    platform::TextMetrics tm = dc.GetTextMetrics();
    lineHeight = std::max(tm.height + tm.externalLeading, 1);
    charWidth = std::max(tm.averageCharWidth, 1);
    UnifyGroupRanges(data, 0, data.sameYScales ? 1 : 0);
    DecideYScaleOwners(data);
    int groups = data.GroupCount();
    Rect client = layoutArea_.Width() > 0 ? layoutArea_ : ClientRect();

    // Y scale columns, a small gap apart (3 pixels on the screen, as much on a page).
    std::vector<int> groupColumn(10, 0);
    int gap = std::max(3, charWidth / 2);
    for (int group = 1; group <= groups; ++group) {
        int widest = 0, showing = 0, captions = 0;
        for (int c = 0; c < data.plottedCount; ++c) {
            GraphRecord& g = data.curves[c];
            if (g.plotGroup != group) continue;
            g.yScaleWidth = 0;
            if (g.digital) {
                // Digital traces are named left of the analog scales of their pane.
                g.yScaleWidth = dc.TextExtent(g.caption).cx + 2 * dc.TextExtent("0").cx;
                captions = std::max(captions, g.yScaleWidth);
                continue;
            }
            for (double v : AxisLabelValues(c, kYAxis, true))
                g.yScaleWidth = std::max(g.yScaleWidth, dc.TextExtent(FormatScaleLabel(g, kYAxis, v)).cx + gap);
            g.yScaleWidth = std::min(g.yScaleWidth, client.Width() / 4);
            if (g.showsYScale) {
                widest = std::max(widest, g.yScaleWidth);
                ++showing;
            }
        }
        scaleColumns_[group] = widest * showing + (showing > 1 ? dc.TextExtent("X").cx : 0);
        groupColumn[group] = scaleColumns_[group] + captions;
    }
    int left = client.left + charWidth;
    for (int group = 1; group <= groups; ++group) left = std::max(left, client.left + groupColumn[group] + charWidth);

    // Header.
    std::string heading = GetPlotTitle(false, true);
    headerLines = allowTwoHeaderLines && dc.TextExtent(heading).cx > client.Width() ? 2 : 1;
    int top = client.top + (headerLines + 2) * lineHeight;
    int right = client.right - 2 * charWidth;
    int bottom = client.bottom - lineHeight / 3;

    // Rows and the lines below them: X labels, then the captions (or the readouts).
    std::vector<int> lines(10, 0);
    int allLines = 0;
    bool cursorMode = currentMode == kModeCursor;
    for (int group = 1; group <= groups; ++group) {
        int n = 0;
        for (int c = 0; c < data.plottedCount; ++c) n += data.curves[c].plotGroup == group && !data.curves[c].hidden;
        lines[group] = cursorMode ? 3 + n : 2;
        allLines += lines[group];
    }
    int height = groups ? static_cast<int>(std::ceil(
                              double(bottom - top - lineHeight * allLines - (groups - 1) * lineHeight / 2) / groups - 2))
                        : 1;
    height = std::max(height, 1);
    rowReadoutTop_.assign(10, 0);
    int y = top;
    for (int group = 1; group <= groups; ++group) {
        Rect pane{left, y, right, y + height};
        rowReadoutTop_[group] = pane.bottom + lineHeight + 2;
        for (int c = 0; c < data.CurveCount(); ++c) {
            GraphRecord& g = data.curves[c];
            if (g.plotGroup != group) continue;
            g.plot = pane;
            g.plotWidth = pane.Width();
            g.plotHeight = pane.Height();
            SetAxisTransform(g, kXAxis, g.plotWidth, pane.right);
            SetAxisTransform(g, kYAxis, g.plotHeight, pane.top);
            g.yTitlePosition = Point{pane.left, rowReadoutTop_[group]};
        }
        // Digital curves each take a band of the pane, the first at the top.
        int digital = 0, before = 0;
        for (int c = 0; c < data.plottedCount; ++c) digital += data.curves[c].plotGroup == group && data.curves[c].digital;
        int slots = DigitalSlotCount(height, lineHeight, digital);
        for (int c = 0; c < data.plottedCount; ++c) {
            GraphRecord& g = data.curves[c];
            if (g.plotGroup != group || !g.digital) continue;
            SetDigitalBand(g, slots, before++);
        }
        y = pane.bottom + lines[group] * lineHeight + lineHeight / 2 + 1;
    }
    // Label density: Y divisions closer than a text line shrink the font a step and the
    // layout starts again, down to a font of 2 pixels.
    for (int c = 0; c < data.plottedCount; ++c) {
        const GraphRecord& g = data.curves[c];
        if (g.indexInGroup != 0 || !g.IsRectangular() || g.hidden) continue;
        const AxisScaleRecord& a = g.axis[kYAxis];
        int divisions = g.digital ? DigitalSlotCount(g.plotHeight, lineHeight, 1)
                        : a.linear && a.gridStep > 0 ? static_cast<int>(std::lround(std::fabs(a.span / a.gridStep)))
                                                     : data.numberOfGrids;
        if (divisions > 0 && g.plotHeight / divisions < lineHeight && std::abs(layoutFont.height) > 2) {
            layoutFont.height += layoutFont.height < 0 ? 1 : -1;
            return LayoutPlotGroups(context, depth + 1);
        }
    }
    bool moved = firstPaneLeft_ != left;
    firstPaneLeft_ = left;
    return moved ? 1 : 0;
}

// ---- painting --------------------------------------------------------------------------

void CAPDraw::OnPaint(platform::DrawContext& dc) {
    CDrawContext context(&dc);
    SelectAndRealizePalette(context);
    PaintContents(context);
}

void CAPDraw::OnSize(int width, int height) { Invalidate(); }

void CAPDraw::PaintInto(CDrawContext& context, const Rect& area) {
    Rect saved = layoutArea_;
    layoutArea_ = area;
    PaintContents(context);
    layoutArea_ = saved;
    // The window's own layout comes back with its next paint.
    firstPaneLeft_ = -1;
}

void CAPDraw::PaintContents(CDrawContext& context) {
    platform::DrawContext& dc = *context.Dc();
    Rect area = layoutArea_.Width() > 0 ? layoutArea_ : ClientRect();
    dc.FillRect(area, platform::Brush::Solid(GetColourFromSlot(context, colours.windowBackground)));
    PaintGraphs(context, -1);
}

bool CAPDraw::BranchColoursShown() const {
    return drawType == kDraw2DPlot && data.runs.runCount > 1 && selectWaveformColour && currentCurve >= 0 &&
           currentCurve < data.plottedCount;
}

void CAPDraw::DrawAllCurves(CDrawContext& context, int group) {
    if (!BranchColoursShown()) return DrawCurves(context, group, 0, -1, 0, data.plottedCount - 1);
    DrawCurves(context, group, 0, -1, 0, data.plottedCount - 1, true);
    const CursorRecord* cursor = data.curves[currentCurve].cursor;
    for (int k = 0; k < 2 && !plotAborted; ++k) {
        const int run = cursor[k].run;
        if (run < 0 || (k == 1 && run == cursor[0].run)) continue;  // each branch once
        DrawCurves(context, group, run, run, currentCurve, currentCurve);
    }
}

int CAPDraw::PaintGraphs(CDrawContext& context, int curve) {
    if (data.plottedCount == 0) return 0;
    platform::DrawContext& dc = *context.Dc();
    LayoutPlotGroups(context);
    int groups = data.GroupCount();
    for (int group = 1; group <= groups; ++group) DrawGrids(context, group);
    DrawAllCurves(context, -1);
    objects.analysisKind = viewKind < 0 ? 0 : viewKind;
    // The objects clip themselves to their panes.
    dc.SetRasterOp(platform::RasterOp::Copy);
    dc.ResetClip();
    objects.DrawObjects(context, -1, 0);
    objects.DrawObjects(context, -1, 1);
    for (int group = 1; group <= groups; ++group) RedrawGraphGroup(context, group);
    DrawPlotHeader(context, currentMode == kModeCursor);
    for (CursorMarker& m : markers) m.shown = false;  // the picture under them is new
    if (currentMode == kModeCursor && HasGraphs()) DrawCursors(context, 1, -1);
    dc.ResetClip();
    return 1;
}

void CAPDraw::DrawGrids(CDrawContext& context, int group) {
    platform::DrawContext& dc = *context.Dc();
    int first = -1;
    for (int c = 0; c < data.plottedCount && first < 0; ++c)
        if (data.curves[c].plotGroup == group && data.curves[c].indexInGroup == 0) first = c;
    if (first < 0) return;
    const GraphRecord& g = data.curves[first];
    if (!g.IsRectangular()) return;
    int options = ViewOptions();
    const Rect& pane = g.plot;
    dc.Save();
    dc.SetRasterOp(platform::RasterOp::Copy);
    dc.FillRect(PaneClip(pane), platform::Brush::Solid(GetColourFromSlot(context, colours.graphBackground)));
    dc.ClipToRect(PaneClip(pane));
    platform::Pen gridPen{PatternStyle(colours.gridPattern), colours.gridWidth, GetColourFromSlot(context, colours.grid)};
    platform::Pen zeroPen = platform::Pen::Solid(GetColourFromSlot(context, colours.baseline), colours.gridWidth);
    // Grid positions of both axes (pixel, on the zero line), whether or not drawn.
    std::vector<std::pair<int, bool>> at[2];
    for (int axis = kXAxis; axis <= kYAxis; ++axis) {
        const AxisScaleRecord& a = g.axis[axis];
        std::vector<double> values;
        if (a.linear) {
            values = AxisLabelValues(first, axis, false);
        } else {
            double lo = std::min(a.min, a.max), hi = std::max(a.min, a.max);
            for (double d = DecadeFloor(lo); d <= hi * 1.000001; d *= 10)
                for (int m = 1; m <= 9; ++m)
                    if ((m == 1 || (options & kViewMinorLogGrids)) && d * m >= lo / 1.000001 && d * m <= hi * 1.000001)
                        values.push_back(d * m);
        }
        double step = a.linear ? (a.gridStep != 0 ? std::fabs(a.gridStep) : std::fabs(a.span) / 10) : 1;
        for (double v : values) at[axis].push_back({ob7::ValueToPixel(g, axis, v), a.linear && std::fabs(v) <= 1e-13 * step});
    }
    bool vertical = options & kViewHorizontalGrids, horizontal = options & kViewVerticalGrids;
    bool plus = AnalysisPlusMark[viewKind < 0 ? 0 : viewKind] != 0;
    bool ruler = (options & kViewRuler) || (plus && vertical && horizontal);
    int tick = plus ? colours.gridWidth + 5 : std::max(std::min(pane.Width(), pane.Height()) / 20, 2);
    auto line = [&](bool isVertical, int p, bool zero) {
        dc.SetPen(zero ? zeroPen : gridPen);
        if (isVertical) {
            if (ruler) {
                dc.MoveTo({p, pane.top}), dc.LineTo({p, pane.top + tick});
                dc.MoveTo({p, pane.bottom}), dc.LineTo({p, pane.bottom - tick});
            } else {
                dc.MoveTo({p, pane.top}), dc.LineTo({p, pane.bottom});
            }
        } else if (ruler) {
            dc.MoveTo({pane.left, p}), dc.LineTo({pane.left + tick, p});
            dc.MoveTo({pane.right, p}), dc.LineTo({pane.right - tick, p});
        } else {
            dc.MoveTo({pane.left, p}), dc.LineTo({pane.right, p});
        }
    };
    if (plus && vertical != horizontal) {
        // Plus Mark with one grid direction: dots along its lines where the other's would
        // cross them, and no lines.
        int r = std::max(colours.gridWidth / 2, 1);
        for (auto [p, zero] : at[vertical ? kXAxis : kYAxis])
            for (auto [q, otherZero] : at[vertical ? kYAxis : kXAxis]) {
                Point c = vertical ? Point{p, q} : Point{q, p};
                dc.FillRect(Rect{c.x - r + 1, c.y - r + 1, c.x + r, c.y + r},
                            platform::Brush::Solid(zero || otherZero ? zeroPen.color : gridPen.color));
            }
    } else {
        if (vertical)
            for (auto [p, zero] : at[kXAxis]) line(true, p, zero);
        if (horizontal)
            for (auto [p, zero] : at[kYAxis]) line(false, p, zero);
        if (plus && vertical && horizontal) {
            // A plus sign at every crossing, in the zero-line pen on a zero line.
            int arm = colours.gridWidth + 4;
            for (auto [x, zx] : at[kXAxis])
                for (auto [y, zy] : at[kYAxis]) {
                    dc.SetPen(zx || zy ? zeroPen : gridPen);
                    dc.MoveTo({x - arm, y}), dc.LineTo({x + arm + 1, y});
                    dc.MoveTo({x, std::max(y - arm, pane.top)}), dc.LineTo({x, y + arm + 1});
                }
        }
    }
    if ((options & kViewBaseline) && g.axis[kYAxis].linear &&
        std::min(g.axis[kYAxis].min, g.axis[kYAxis].max) <= 0 && std::max(g.axis[kYAxis].min, g.axis[kYAxis].max) >= 0) {
        int p = ob7::ValueToPixel(g, kYAxis, 0.0);
        dc.SetPen(zeroPen);
        dc.MoveTo({pane.left, p}), dc.LineTo({pane.right, p});
    }
    dc.ResetClip();
    dc.SetPen(platform::Pen::Solid(GetColourFromSlot(context, colours.axis)));
    dc.SetBrush(platform::Brush::Null());
    dc.Rectangle(PaneClip(pane));
    dc.Restore();
    DrawScaleLabels(context, first, kXAxis);
}

void CAPDraw::DrawScaleLabels(CDrawContext& context, int curve, int axis) {
    platform::DrawContext& dc = *context.Dc();
    const GraphRecord& g = data.curves[curve];
    std::vector<double> values = AxisLabelValues(curve, axis, false);
    if (static_cast<int>(values.size()) > 10 * std::max(axis == kXAxis ? g.plotWidth : g.plotHeight, 1)) return;
    dc.SetFont(layoutFont);
    dc.SetSmoothing(true);
    dc.SetBkOpaque(false);
    bool logAxis = !g.axis[axis].linear;
    if (axis == kXAxis) {
        dc.SetTextColor(GetColourFromSlot(context, colours.text));
        dc.SetTextAlign(platform::kAlignCenter | platform::kAlignTop);
        Rect client = layoutArea_.Width() > 0 ? layoutArea_ : ClientRect();
        // Log axes keep their ends and decades first; the rest only where they fit.
        std::vector<std::pair<int, double>> order;
        for (size_t i = 0; i < values.size(); ++i) {
            int priority = 0;
            if (logAxis && i != 0 && i + 1 != values.size()) {
                double m = values[i] / DecadeFloor(values[i]);
                priority = std::fabs(m - 1) < 1e-6 || std::fabs(m - 10) < 1e-6 ? 1 : (std::fabs(m - 2) < 1e-6 || std::fabs(m - 5) < 1e-6) ? 2 : 3;
            }
            order.push_back({priority, values[i]});
        }
        std::vector<std::pair<int, int>> taken;  // label extents in x
        for (int pass = 0; pass <= 3; ++pass) {
            for (auto [priority, v] : order) {
                if (priority != pass) continue;
                std::string text = FormatScaleLabel(g, kXAxis, v);
                int w = dc.TextExtent(text).cx;
                int x = std::clamp(ob7::ValueToPixel(g, kXAxis, v), client.left + w / 2, client.right - w / 2);
                int l = x - w / 2 - charWidth / 2, r = x + w / 2 + charWidth / 2;
                bool overlaps = false;
                for (auto [tl, tr] : taken) overlaps = overlaps || (l < tr && r > tl);
                if (overlaps) continue;
                taken.push_back({l, r});
                dc.TextOut({x, g.plot.bottom + 2}, text);
            }
        }
        return;
    }
    // Y labels: the columns of a group's curves stand side by side, the first farthest left.
    int column = 0, columns = 0;
    for (int c = 0; c < data.plottedCount; ++c) {
        const GraphRecord& o = data.curves[c];
        if (o.plotGroup != g.plotGroup || !o.showsYScale) continue;
        if (c < curve) ++column;
        ++columns;
    }
    int width = 0;
    for (int c = 0; c < data.plottedCount; ++c)
        if (data.curves[c].plotGroup == g.plotGroup && data.curves[c].showsYScale) width = std::max(width, data.curves[c].yScaleWidth);
    int rightEdge = g.plot.left - 3 - (columns - 1 - column) * width;
    dc.SetTextColor(SlotColour(context, columns > 1 ? g.style.textColour : colours.text));
    dc.SetTextAlign(platform::kAlignRight | platform::kAlignTop);
    int lastTop = 1000000;
    for (size_t i = 0; i < values.size(); ++i) {
        double v = values[i];
        int y = ob7::ValueToPixel(g, kYAxis, v) - lineHeight / 2;
        if (logAxis && i != 0 && i + 1 != values.size()) {
            double m = v / DecadeFloor(v);
            bool decade = std::fabs(m - 1) < 1e-6 || std::fabs(m - 10) < 1e-6;
            if (!decade && g.plotHeight < lineHeight * 2 * static_cast<int>(values.size())) continue;
        }
        if (y + lineHeight > lastTop && i + 1 != values.size()) continue;  // would overlap the previous label
        if (y + lineHeight > lastTop) continue;
        lastTop = y;
        dc.TextOut({rightEdge, y}, FormatScaleLabel(g, kYAxis, v));
    }
}

// The status bar's prompt pane (the first pane shows the mode).
constexpr int kStatusPromptPane = 2;  // after the mode and progress panes

void CAPDraw::DrawCurves(CDrawContext& context, int group, int firstRun, int lastRun, int firstCurve, int lastCurve,
                         bool skipBranches) {
    platform::DrawContext& dc = *context.Dc();
    plotAborted = false;
    if (lastRun < 0 || lastRun >= data.runs.runCount) lastRun = data.runs.runCount - 1;
    const bool branchColours = BranchColoursShown();
    std::vector<Point> points;
    std::function<bool()> escape = [this] { return EscapePressed(); };
    int options = ViewOptions();
    // The status bar tells how a long repaint goes and how to stop it; its prompt comes
    // back afterwards.
    auto* app = platform::Application::Instance();
    auto* main = app ? dynamic_cast<platform::FrameWindow*>(app->MainWindow()) : nullptr;
    std::string savedPrompt = main ? main->PaneText(kStatusPromptPane) : std::string();
    PlotProgress progress;
    for (int c = firstCurve; c <= lastCurve && !plotAborted; ++c) {
        GraphRecord& g = data.curves[c];
        const StoreCurve& sc = data.storeCurves[c];
        if (g.hidden || sc.pointCount < 0 || !(g.flags & kGraphPlotted)) continue;
        if (group >= 0 && g.plotGroup != group) continue;
        if (!g.IsRectangular()) continue;
        if (data.runActive) g.previousPixel = g.currentPixel;
        if (main) {
            main->SetPaneText(kStatusPromptPane, "Press Esc to stop plotting.");
            progress.show = [main, &g](int, int percent) {
                char text[200];
                std::snprintf(text, sizeof text,
                              "Plotting data points for graph %.100s %d%% complete. Press Esc to stop plotting.",
                              g.caption.c_str(), percent);
                main->SetPaneText(kStatusPromptPane, text);
            };
        }
        progress.Start(sc.pointCount + 1);
        dc.Save();
        dc.ClipToRect(PaneClip(g.plot));
        dc.SetSmoothing(smoothCurves);
        bool merge = !g.digital && !(g.flags & kGraphFft) && !g.wentBackwards;
        for (int r = firstRun; r <= lastRun && !plotAborted; ++r) {
            const bool current = branchColours && c == currentCurve;
            const int branch = !current ? -1 : r == g.cursor[0].run ? 0 : r == g.cursor[1].run ? 1 : -1;
            if (skipBranches && branch >= 0) continue;
            int slot = g.style.rainbow && r > 0 ? r & 0x3f : g.style.lineColour;
            if (branch >= 0) slot = colours.cursorBranch[branch];
            platform::Pen pen{PatternStyle(g.style.pattern), std::max(g.style.lineWidth, 1), SlotColour(context, slot)};
            if (pen.width > 1) pen.geometric = true, pen.cap = platform::LineCap::Round;
            dc.SetPen(pen);
            if (g.digital) {
                DrawDigitalRun(context, c, r);
                continue;
            }
            if (g.flags & kGraphFft) {
                DrawFftStems(context, c, r);
                continue;
            }
            points.clear();
            if (!BuildRunPolyline(data, c, r, merge, points, &escape, &progress)) {
                plotAborted = true;
                break;
            }
            TrimPolylineToPane(points, g.plot.left, g.plot.right);
            if (points.size() >= 2) dc.Polyline(points);
            if (options & (kViewDataPoints | kViewTokens)) {
                CurveReader reader(data, c);
                int half = std::max(g.style.lineWidth, 1) / 2;
                int lastTokenX = -1000000;
                dc.SetBrush(platform::Brush::Null());
                for (int i = sc.runFirst[r]; i <= std::min(sc.runLast[r], sc.pointCount); ++i) {
                    Point p = StoredPointPixel(g, reader, i);
                    if (p.x < g.plot.left || p.x > g.plot.right || p.y < g.plot.top || p.y > g.plot.bottom) continue;
                    if ((options & kViewDataPoints) && i >= g.firstDrawnPoint)
                        dc.FillRect(Rect{p.x - half - 2, p.y - half - 2, p.x + half + 4, p.y + half + 4},
                                    platform::Brush::Solid(pen.color));
                    if ((options & kViewTokens) && g.indexInGroup > 0 && p.x - lastTokenX > 4 * (g.plotWidth / 80)) {
                        DrawToken(dc, g, p, pen.color);
                        lastTokenX = p.x;
                    }
                }
            }
        }
        dc.Restore();
        dc.ResetClip();
    }
    if (main) main->SetPaneText(kStatusPromptPane, savedPrompt);
}

void CAPDraw::DrawDigitalRun(CDrawContext& context, int c, int run) {
    platform::DrawContext& dc = *context.Dc();
    const GraphRecord& g = data.curves[c];
    const StoreCurve& sc = data.storeCurves[c];
    CurveReader reader(data, c);
    int first = sc.runFirst[run], last = std::min(sc.runLast[run], sc.pointCount);
    int bandHeight = std::max(g.digitalBandBottom - g.digitalBandTop, 1);
    int lowX = g.plot.left - 4 * bandHeight, highX = g.plot.right + 4 * bandHeight;
    platform::Brush hatch = platform::Brush::Hatched(5, SlotColour(context, g.style.lineColour));
    int previous = -1;
    int x0 = 0;
    // A bus value is drawn once across all the steps that keep it.
    int busStart = 0, busValue = 0;
    bool busOpen = false;
    for (int i = first; i <= last; ++i) {
        int state = g.busRadix ? BusValueOf(reader.Y(i)) : DigitalStateOf(reader.Y(i));
        int x1 = std::clamp(ob7::ValueToPixel(g, kXAxis, reader.X(i)), lowX, highX);
        if (i > first && g.busRadix) {
            if (busOpen && state != busValue) DrawBusSegment(dc, g, busStart, x0, busValue), busOpen = false;
            if (!busOpen) busStart = x0, busValue = state, busOpen = true;
        } else if (i > first) {
            DrawDigitalSegment(dc, g, x0, x1, previous, state, hatch);
        }
        previous = state;
        x0 = x1;
    }
    if (busOpen) DrawBusSegment(dc, g, busStart, x0, busValue);
}

// A spectrum: a stem from each point down to 0 (to the pane's bottom on a log axis) with a
// small circle at the point.
void CAPDraw::DrawFftStems(CDrawContext& context, int c, int run) {
    platform::DrawContext& dc = *context.Dc();
    const GraphRecord& g = data.curves[c];
    const StoreCurve& sc = data.storeCurves[c];
    CurveReader reader(data, c);
    int radius = std::max(std::min(g.plotWidth, g.plotHeight) / 160, 2);
    int zero = g.axis[kYAxis].linear ? ob7::ValueToPixel(g, kYAxis, 0.0) : g.plot.bottom;
    dc.SetBrush(platform::Brush::Null());
    for (int i = sc.runFirst[run]; i <= std::min(sc.runLast[run], sc.pointCount); ++i) {
        Point p = StoredPointPixel(g, reader, i);
        int reach = radius + 5;
        if (p.x < g.plot.left - reach || p.x > g.plot.right + reach || p.y < g.plot.top - reach ||
            p.y > g.plot.bottom + reach)
            continue;
        dc.MoveTo(p);
        dc.LineTo({p.x, zero});
        dc.Ellipse(Rect{p.x - radius, p.y - radius, p.x + radius + 1, p.y + radius + 1});
    }
}

// One step of a bus: a hexagon across the band from x0 to x1 (bevels of half the band
// height, shorter for short steps) with the value in the bus's radix centred inside when
// it fits between the bevels.
void CAPDraw::DrawBusSegment(platform::DrawContext& dc, const GraphRecord& g, int x0, int x1, int value) {
    const int top = g.digitalBandTop, bottom = g.digitalBandBottom, middle = (top + bottom) / 2;
    if (x1 < x0) std::swap(x0, x1);
    const int bevel = std::min((bottom - top) / 2, (x1 - x0) / 2);
    dc.MoveTo({x0, middle});
    dc.LineTo({x0 + bevel, top});
    dc.LineTo({x1 - bevel, top});
    dc.LineTo({x1, middle});
    dc.LineTo({x1 - bevel, bottom});
    dc.LineTo({x0 + bevel, bottom});
    dc.LineTo({x0, middle});
    const std::string text = FormatDigitalValueRadix(static_cast<uint32_t>(g.busRadix), static_cast<uint32_t>(value),
                                                     g.busWidth);
    const platform::Size size = dc.TextExtent(text);
    if (size.cx > x1 - x0 - 2 * bevel) return;  // a short step shows no value
    dc.TextOut({(x0 + x1 - size.cx) / 2, middle - size.cy / 2}, text);
}

// One step of a digital trace: the new state's level from x0 to x1, with an edge at x0
// where the level changes between low and high.
void CAPDraw::DrawDigitalSegment(platform::DrawContext& dc, const GraphRecord& g, int x0, int x1, int previous,
                                 int state, const platform::Brush& hatch) {
    int bottom = g.digitalBandBottom, top = g.digitalBandTop;
    int level = DigitalLevelOf(state);
    int before = previous < 0 ? -1 : DigitalLevelOf(previous);
    bool wasHigh = before == 3 || before == 1;
    bool wasLow = before == 0 || before == 2;
    int bevel = std::min((bottom - top) / 2, std::max(x1 - x0, 0));
    switch (level) {
    case 0:
        if (wasHigh) dc.MoveTo({x0, top}), dc.LineTo({x0, bottom});
        dc.MoveTo({x0, bottom}), dc.LineTo({x1, bottom});
        break;
    case 1:
        dc.MoveTo({x0, bottom}), dc.LineTo({x0 + bevel, top}), dc.LineTo({x1, top});
        break;
    case 2:
        dc.MoveTo({x0, top}), dc.LineTo({x0 + bevel, bottom}), dc.LineTo({x1, bottom});
        break;
    case 3:
        if (wasLow) dc.MoveTo({x0, bottom}), dc.LineTo({x0, top});
        dc.MoveTo({x0, top}), dc.LineTo({x1, top});
        break;
    case 4:
    case 5: {
        platform::Rect box{x0, top, std::max(x1, x0 + 1), bottom + 1};
        dc.FillRect(box, hatch);
        dc.SetBrush(platform::Brush::Null());
        dc.Rectangle(box);
        if (level == 5) dc.MoveTo({x0, (top + bottom) / 2}), dc.LineTo({x1, (top + bottom) / 2});
        break;
    }
    default:
        break;
    }
}

bool CAPDraw::EscapePressed() {
    if (platform::Services().PollKey() != platform::key::kEscape) return false;
    // The same key stops a run that is drawing.
    RunControl.abort = 1;
    return true;
}

std::string CAPDraw::GetPlotTitle(bool caption, bool showRanges) { return ExpandTitleMacros(title); }

void CAPDraw::DrawPlotHeader(CDrawContext& context, int full) {
    if (data.plottedCount == 0) return;
    platform::DrawContext& dc = *context.Dc();
    std::string text = GetPlotTitle(false, full != 0);
    if (text.empty()) return;
    const GraphRecord& g = data.curves[0];
    Rect area{g.plot.left, g.plot.top - (headerLines + 1) * lineHeight, g.plot.right, g.plot.top - lineHeight / 2};
    dc.FillRect(area, platform::Brush::Solid(GetColourFromSlot(context, colours.windowBackground)));
    platform::Font bold = layoutFont;
    bold.weight = 700;
    dc.SetFont(bold);
    dc.SetSmoothing(true);
    dc.SetBkOpaque(false);
    dc.SetTextColor(GetColourFromSlot(context, colours.text));
    std::string second;
    if (dc.TextExtent(text).cx > area.Width()) {
        size_t t = text.find("Temperature");
        if (t != std::string::npos) text.erase(t + 4, 7);
    }
    if (headerLines == 2 && dc.TextExtent(text).cx > area.Width()) {
        size_t eq = text.find('=', text.size() / 2);
        size_t blank = eq == std::string::npos ? std::string::npos : text.find(' ', eq);
        if (blank != std::string::npos) second = text.substr(blank + 1), text.erase(blank);
    }
    bool fits = dc.TextExtent(text).cx <= area.Width();
    int x = fits ? (area.left + area.right) / 2 : area.left;
    dc.SetTextAlign(fits ? platform::kAlignCenter : platform::kAlignLeft);
    dc.TextOut({x, area.top}, text);
    if (!second.empty()) dc.TextOut({x, area.top + lineHeight}, second);
    dc.SetFont(layoutFont);
}

void CAPDraw::RedrawGraphGroup(CDrawContext& context, int group) {
    for (int c = 0; c < data.plottedCount; ++c) {
        const GraphRecord& g = data.curves[c];
        if (g.plotGroup != group || g.hidden || !g.IsRectangular()) continue;
        if (g.digital) {
            // A digital trace is named left of the pane, in the middle of its band.
            platform::DrawContext& dc = *context.Dc();
            dc.SetFont(layoutFont);
            dc.SetBkOpaque(false);
            dc.SetTextColor(SlotColour(context, g.style.textColour));
            dc.SetTextAlign(platform::kAlignRight);
            int right = g.plot.left - 3 - scaleColumns_[std::clamp(group, 0, 9)];
            dc.TextOut({right, (g.digitalBandTop + g.digitalBandBottom) / 2 - lineHeight / 2}, g.caption);
            continue;
        }
        if (g.showsYScale) DrawScaleLabels(context, c, kYAxis);
    }
    DrawReadouts(context, group);
}

// The lines below a pane: the curves' captions in their colours and the X caption; in
// Cursor mode the table of cursor values (Left, Right, Delta, Slope) of each curve.
void CAPDraw::DrawReadouts(CDrawContext& context, int group) {
    platform::DrawContext& dc = *context.Dc();
    int first = -1;
    for (int c = 0; c < data.plottedCount && first < 0; ++c)
        if (data.curves[c].plotGroup == group) first = c;
    if (first < 0 || group >= static_cast<int>(rowReadoutTop_.size())) return;
    const GraphRecord& g0 = data.curves[first];
    bool cursorMode = currentMode == kModeCursor && HasGraphs();
    int top = rowReadoutTop_[group];
    int lines = 1;
    if (cursorMode)
        for (int c = 0; c < data.plottedCount; ++c) lines += data.curves[c].plotGroup == group && !data.curves[c].hidden;
    lines += cursorMode ? 1 : 0;
    Rect area{g0.plot.left - g0.yScaleWidth * 2, top, g0.plot.right + charWidth, top + lines * lineHeight};
    area.left = std::max(area.left, 0);
    dc.FillRect(area, platform::Brush::Solid(GetColourFromSlot(context, colours.windowBackground)));
    dc.SetFont(layoutFont);
    dc.SetSmoothing(true);
    dc.SetBkOpaque(false);
    std::string xCaption = g0.xCaption;
    if (!cursorMode) {
        int x = g0.plot.left;
        dc.SetTextAlign(platform::kAlignLeft);
        for (int c = 0; c < data.plottedCount; ++c) {
            const GraphRecord& g = data.curves[c];
            if (g.plotGroup != group || g.hidden) continue;
            dc.SetTextColor(SlotColour(context, g.style.textColour));
            // A short stroke in the curve's colour ahead of its name.
            dc.SetPen(platform::Pen::Solid(SlotColour(context, g.style.lineColour), std::max(g.style.lineWidth, 2)));
            int mid = top + lineHeight / 2;
            dc.MoveTo({x, mid}), dc.LineTo({x + 2 * charWidth, mid});
            x += 3 * charWidth;
            dc.TextOut({x, top}, g.caption);
            x += dc.TextExtent(g.caption).cx + 3 * charWidth;
        }
        dc.SetTextColor(GetColourFromSlot(context, colours.text));
        dc.SetTextAlign(platform::kAlignRight);
        dc.TextOut({g0.plot.right, top}, xCaption);
        return;
    }
    int column = std::max(g0.plotWidth / 5, 1);
    auto cell = [&](int row, int col, const std::string& text) {
        int x = g0.plot.left + column * col;
        DrawFittedText(context, text, Rect{x, top + row * lineHeight, x + column, top + (row + 1) * lineHeight},
                       platform::kDtRight);
    };
    dc.SetTextColor(GetColourFromSlot(context, colours.text));
    dc.SetTextAlign(platform::kAlignRight);
    cell(0, 1, "Left");
    cell(0, 2, "Right");
    cell(0, 3, "Delta");
    cell(0, 4, "Slope");
    int row = 1;
    const GraphRecord& cur = data.curves[currentCurve < data.plottedCount && data.curves[currentCurve].plotGroup == group ? currentCurve : first];
    cell(row, 0, xCaption);
    cell(row, 1, FormatAxisValue(cur, kXAxis, cur.cursor[0].x));
    cell(row, 2, FormatAxisValue(cur, kXAxis, cur.cursor[1].x));
    cell(row, 3, FormatAxisValue(cur, kXAxis, cur.cursor[1].x - cur.cursor[0].x));
    ++row;
    for (int c = 0; c < data.plottedCount; ++c) {
        const GraphRecord& g = data.curves[c];
        if (g.plotGroup != group || g.hidden) continue;
        dc.SetTextColor(SlotColour(context, g.style.textColour));
        cell(row, 0, g.caption);
        cell(row, 1, FormatAxisValue(g, kYAxis, g.cursor[0].y));
        cell(row, 2, FormatAxisValue(g, kYAxis, g.cursor[1].y));
        cell(row, 3, FormatAxisValue(g, kYAxis, g.cursor[1].y - g.cursor[0].y));
        cell(row, 4, SlopeText(g.cursor[0].x, g.cursor[1].x, g.cursor[0].y, g.cursor[1].y, false, g.slope));
        ++row;
    }
}

bool CAPDraw::HitTestGraph(int curve, Point p, int inflate) const {
    const GraphRecord& g = data.curves[curve];
    Rect r{g.plot.left - inflate, g.plot.top - inflate, g.plot.right + inflate + 1, g.plot.bottom + inflate + 1};
    if (g.IsRectangular()) return r.Contains(p);
    return platform::Region::FromEllipse(r).Contains(p);
}

int CAPDraw::GraphIndexAtPoint(Point p) {
    // Digital traces first: the one whose band holds the point, else the nearest band.
    int digital = -1, nearest = 0x7fffffff;
    for (int c = 0; c < data.plottedCount; ++c) {
        const GraphRecord& g = data.curves[c];
        if (g.hidden || !g.digital || !HitTestGraph(c, p, 0)) continue;
        int distance = p.y >= g.digitalBandTop && p.y <= g.digitalBandBottom
                           ? 0
                           : std::min(std::abs(p.y - g.digitalBandTop), std::abs(p.y - g.digitalBandBottom));
        if (distance < nearest) nearest = distance, digital = c;
    }
    if (digital >= 0) {
        const GraphRecord& d = data.curves[digital];
        for (int c = 0; c < data.plottedCount; ++c) {
            const GraphRecord& g = data.curves[c];
            if (!g.digital && !g.hidden && g.plotGroup == d.plotGroup && g.groupDigitalStatus == d.groupDigitalStatus)
                return c;
        }
        return digital;
    }
    for (int c = 0; c < data.plottedCount; ++c) {
        const GraphRecord& g = data.curves[c];
        if (g.hidden || !HitTestGraph(c, p, 0)) continue;
        if (currentCurve < data.plottedCount && data.curves[currentCurve].plotGroup == g.plotGroup) return currentCurve;
        return c;
    }
    return -1;
}

void CAPDraw::RepaintAll() {
    if (!IsCreated()) return;
    Invalidate();
    Update();
}

void CAPDraw::RepaintGroup(int group) { RepaintAll(); }

bool CAPFrame::CreatePlotFrame(platform::FrameWindow& main, CAPDraw& view, const std::string& title, int analysisKind) {
    kind = kDraw2DPlot;
    draw = &view;
    view.frame = this;
    view.viewKind = analysisKind;
    if (!CreateChildFrame(main, "Analysis", title)) return false;
    return view.CreateInFrame(this);
}

}  // namespace ob7
