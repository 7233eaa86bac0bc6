// The data cursors of the plot views: moving them (erase, set, draw), drawing them in
// XOR so that a second drawing takes them away, and the steps of the arrow keys and the
// cursor functions.

#include <algorithm>
#include <cmath>

#include "plots/axis_transform.h"
#include "plots/data_cursors.h"
#include "plots/plot_view.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/line_styles.h"

namespace ob7 {

using platform::Point;

Point CAPDraw::CursorPixel(int curve, int cursor) {
    const GraphRecord& g = data.curves[curve];
    Point p{ValueToPixelInt(g, kXAxis, g.cursor[cursor].x), ValueToPixelInt(g, kYAxis, g.cursor[cursor].y)};
    if (g.digital && g.cursor[cursor].run >= 0) {
        // The stored state at the cursor's point decides the level.
        p.y = DigitalValueToPixel(g, DigitalStateOf(data.Y(curve, CursorPointIndex(data, curve, cursor))), -1);
    }
    return p;
}

void CAPDraw::PlaceAllCursors() { ob7::PlaceAllCursors(data); }

int CAPDraw::SetCursorPosition(int curve, int cursor, int index, const double* value) {
    int last = PlaceCursor(data, curve, cursor, index, value, alignCursors != 0);
    return last;
}

void CAPDraw::MoveCursor(int curve, int cursor, int index, const double* value) {
    if (curve < 0 || curve >= data.plottedCount) return;
    int group = alignCursors ? -1 : data.curves[curve].plotGroup;
    std::unique_ptr<platform::DrawContext> dc = IsCreated() ? GetDC() : nullptr;
    CDrawContext context(dc.get());
    if (dc) DrawCursors(context, 0, group);
    const int runs[2] = {data.curves[currentCurve].cursor[0].run, data.curves[currentCurve].cursor[1].run};
    SetCursorPosition(curve, cursor, index, value);
    // A cursor that changed branch takes the branch colour along: the plot is drawn anew.
    const CursorRecord* now = data.curves[currentCurve].cursor;
    if (dc && BranchColoursShown() && (now[0].run != runs[0] || now[1].run != runs[1])) {
        lastCursor = cursor;
        dc.reset();
        RepaintAll();
        return;
    }
    if (dc) {
        DrawCursors(context, 1, group);
        if (group < 0) {
            for (int g = 1; g <= data.GroupCount(); ++g) DrawReadouts(context, g);
        } else {
            DrawReadouts(context, group);
        }
    }
    lastCursor = cursor;
}

void CAPDraw::DrawCursors(CDrawContext& context, int draw, int group) {
    if (currentMode != kModeCursor || !context.Dc()) return;
    for (int c = 0; c < data.plottedCount; ++c) {
        const GraphRecord& g = data.curves[c];
        if (g.indexInGroup != 0 || g.hidden) continue;
        if (group >= 0 && !alignCursors && g.plotGroup != group) continue;
        DrawGraphCursors(context, c);
    }
}

void CAPDraw::DrawGraphCursors(CDrawContext& context, int curve) {
    platform::DrawContext& dc = *context.Dc();
    // The cursors of the current curve's group follow the current curve.
    if (currentCurve < data.plottedCount && data.curves[currentCurve].plotGroup == data.curves[curve].plotGroup)
        curve = currentCurve;
    const GraphRecord& g = data.curves[curve];
    if (!g.IsRectangular() || data.storeCurves[curve].pointCount < 0) return;
    bool printing = dc.Kind() == platform::DeviceKind::Printer || dc.Kind() == platform::DeviceKind::Picture;
    bool selectedGroup = data.curves[currentCurve].plotGroup == g.plotGroup;
    // Tags on the screen go first (they hold the picture under them, cursor lines
    // included); a call that took tags away is an erasing one and draws none again.
    bool erasing = selectedGroup && !printing && EraseCursorTags(context);
    dc.Save();
    dc.SetSmoothing(false);
    dc.SetRasterOp(printing ? platform::RasterOp::Copy : platform::RasterOp::Xor);
    platform::Color colour = GetColourFromSlot(context, printing ? 0 : 15);
    int b = printing ? 3 : std::min(g.plotWidth, g.plotHeight) / 120;
    bool horizontal = AnalysisHorizontalCursor[viewKind < 0 ? 0 : viewKind] != 0;
    for (int c = 0; c < 2; ++c) {
        if (g.cursor[c].run < 0) continue;
        Point p = CursorPixel(curve, c);
        dc.SetPen(platform::Pen{c == 0 ? platform::PenStyle::Dot : platform::PenStyle::Dash, 1, colour});
        if (p.x >= g.plot.left && p.x <= g.plot.right) {
            dc.MoveTo({p.x, g.plot.top});
            dc.LineTo({p.x, g.plot.bottom + 1});
        }
        if (horizontal && curve == currentCurve && p.y >= g.plot.top && p.y <= g.plot.bottom) {
            dc.MoveTo({g.plot.left, p.y});
            dc.LineTo({g.plot.right + 1, p.y});
        }
        if (curve == currentCurve) {
            int margin = c == 0 ? b : b - 1;
            int half = c == 0 ? b + 1 : b;
            if (HitTestGraph(curve, p, margin)) {
                dc.SetPen(platform::Pen::Solid(colour));
                dc.SetBrush(platform::Brush::Null());
                dc.Rectangle(platform::Rect{p.x - half - 1, p.y - half - 1, p.x + half + 2, p.y + half + 2});
            }
        }
    }
    dc.Restore();
    if (erasing || !selectedGroup) return;
    for (CursorMarker& m : markers) {
        if (g.cursor[m.cursor].run < 0) continue;
        if ((m.kind < 2 && axisTags) || (m.kind == 2 && pointTags)) DrawCursorMarker(context, m);
    }
}

bool CAPDraw::EraseCursorTags(CDrawContext& context) {
    bool any = false;
    for (CursorMarker& m : markers)
        if (m.shown) {
            DrawCursorMarker(context, m);
            any = true;
        }
    return any;
}

void CAPDraw::DrawCursorMarker(CDrawContext& context, CursorMarker& m) {
    platform::DrawContext& dc = *context.Dc();
    bool screen = dc.Kind() == platform::DeviceKind::Display || dc.Kind() == platform::DeviceKind::Memory;
    if (m.shown) {
        dc.Save();
        dc.SetRasterOp(platform::RasterOp::Copy);
        dc.ResetClip();
        dc.BitBlt({m.rect.left, m.rect.top}, m.saved, platform::Rect{0, 0, m.rect.Width(), m.rect.Height()});
        dc.Restore();
        m.shown = false;
        return;
    }
    const GraphRecord& g = data.curves[currentCurve];
    Point p = CursorPixel(currentCurve, m.cursor);
    Point anchor;
    std::string text;
    switch (m.kind) {
    case 0:
        anchor = {p.x + 1, g.plot.bottom - 1};
        text = FormatAxisValue(g, kXAxis, g.cursor[m.cursor].x);
        break;
    case 1:
        anchor = {g.plot.left + 1, p.y + 1};
        text = FormatAxisValue(g, kYAxis, g.cursor[m.cursor].y);
        break;
    default:
        anchor = {p.x + 1, p.y + 1};
        text = FormatAxisValue(g, kXAxis, g.cursor[m.cursor].x) + "," + FormatAxisValue(g, kYAxis, g.cursor[m.cursor].y);
        break;
    }
    dc.Save();
    dc.SetRasterOp(platform::RasterOp::Copy);
    dc.SetSmoothing(true);
    dc.ResetClip();
    dc.SetFont(tagFont);
    platform::Size extent = dc.TextExtent(text);
    platform::Rect box{anchor.x - 3, anchor.y - 1, anchor.x + extent.cx + 3, anchor.y + extent.cy + 1};
    auto shift = [&](int dx, int dy) { box.left += dx, box.right += dx, box.top += dy, box.bottom += dy; };
    // Above the anchor; the point tag also left of it.
    shift(m.kind == 2 ? -box.Width() : 0, -box.Height());
    // Kept inside the plot.
    if (box.top < g.plot.top) shift(0, g.plot.top - box.top);
    if (box.bottom > g.plot.bottom + 1) shift(0, g.plot.bottom + 1 - box.bottom);
    if (box.left < g.plot.left) shift(g.plot.left - box.left, 0);
    if (box.right > g.plot.right + 1) shift(g.plot.right + 1 - box.right, 0);
    m.rect = box;
    if (screen) {
        m.saved = platform::Image(box.Width(), box.Height());
        for (int y = 0; y < box.Height(); ++y)
            for (int x = 0; x < box.Width(); ++x) m.saved.SetPixel(x, y, dc.GetPixel({box.left + x, box.top + y}));
        m.shown = true;
    }
    dc.FrameRect(box, platform::Brush::Solid(GetColourFromSlot(context, tagFrameColour)));
    dc.FillRect(platform::Rect{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1},
                platform::Brush::Solid(GetColourFromSlot(context, tagFillColour)));
    dc.SetTextColor(GetColourFromSlot(context, tagFrameColour));
    dc.SetBkOpaque(false);
    platform::Rect inner = box;
    dc.DrawText(text, inner, platform::kDtCenter | platform::kDtVCenter | platform::kDtSingleLine | platform::kDtNoPrefix);
    dc.Restore();
}

void CAPDraw::MoveCursorToPoint(int buttons, Point p) {
    if (GraphIndexAtPoint(p) != currentCurve || currentCurve >= data.plottedCount) return;
    int cursor = (buttons & platform::kLeftButton) || !(buttons & platform::kRightButton) ? 0 : 1;
    GraphRecord& g = data.curves[currentCurve];
    if (!g.IsRectangular()) return;
    double x = ob7::PixelToValue(g, kXAxis, p.x);
    int run = g.cursor[cursor].run < 0 ? 0 : g.cursor[cursor].run;
    GoToValue(currentCurve, x, cursor, 0, g.cursor[cursor].offset, run);
}

bool CAPDraw::GoToValue(int curve, double value, int cursor, int column, int offset, int run) {
    double x = value;
    int i = FindValueCrossing(data, curve, value, column, std::max(offset, 0), run, &x);
    if (i < 0) return false;
    MoveCursor(curve, cursor, i, &x);
    return true;
}

void CAPDraw::StepCursor(int direction, int cursor) {
    if (currentMode != kModeCursor || !HasGraphs()) return;
    auto step = [this](int direction, int cursor, int kind) {
        int g = currentCurve;
        GraphRecord& gr = data.curves[g];
        if (kind == kCursorTop || kind == kCursorBottom) {
            double x0 = gr.cursor[cursor].x;
            int bestRun = -1, bestIndex = 0;
            double best = 0;
            for (int r = 0; r < data.runs.runCount; ++r) {
                double y;
                int index = CurveValueAtX(data, g, x0, data.storeCurves[g].runFirst[r], &y);
                if (bestRun < 0 || (kind == kCursorTop ? y > best : y < best)) bestRun = r, best = y, bestIndex = index;
            }
            if (bestRun < 0) return;
            int first = data.storeCurves[g].runFirst[bestRun];
            GoToValue(g, x0, cursor, 0, std::max(bestIndex - 5, first) - first, bestRun);
            return;
        }
        if (kind == kCursorNextInterpolated) {
            double x0 = gr.cursor[cursor].x;
            int r = std::max(gr.cursor[cursor].run, 0);
            int runs = std::max(data.runs.runCount, 1);
            if (direction == kCursorUp) r = (r + 1) % runs;
            if (direction == kCursorDown) r = (r - 1 + runs) % runs;
            const AxisScaleRecord& a = gr.axis[kXAxis];
            double lo = std::min(a.min, a.max), hi = std::max(a.min, a.max);
            double x1 = x0;
            if (a.linear) {
                double k = std::log10(hi - lo);
                k = k > 0 ? std::ceil(k) : std::floor(k);
                double s = std::pow(10.0, k) * 0.01;
                x1 = s * std::round(x0 / s);
                if (direction == kCursorLeft) x1 -= s;
                if (direction == kCursorRight) x1 += s;
            } else {
                bool minor = ViewOptions() & kViewMinorLogGrids;
                double limit = hi * 1.000001, c = -1, w = DecadeFloor(lo), previous = -1;
                bool found = false, takeNext = false;
                for (int guard = 0; w <= limit && guard < 10000; ++guard, previous = w, w += DecadeFloor(w)) {
                    double decade = DecadeFloor(w);
                    bool stop = minor || previous < 0 ||
                                std::fabs(decade - DecadeFloor(previous)) > 1e-6 * std::max(decade, DecadeFloor(previous)) ||
                                w + decade > limit;
                    if (!stop) continue;
                    if (takeNext) {
                        x1 = w, found = true;
                        break;
                    }
                    if (w < x0) {
                        c = w;
                        continue;
                    }
                    if (direction == kCursorLeft) x1 = c < 0 ? w : c, found = true;
                    else if (direction == kCursorRight && !(w > x0)) takeNext = true;
                    else x1 = w, found = true;
                    if (found) break;
                }
                if (!found) x1 = x0;
            }
            GoToValue(g, x1, cursor, 0, gr.cursor[cursor].offset, r);
            return;
        }
        int n = FindNextCursorPoint(data, CursorPointIndex(data, g, cursor), direction, g, kind);
        if (n < 0) return;
        MoveCursor(g, cursor, n, nullptr);
    };
    bool vertical = direction == kCursorUp || direction == kCursorDown || direction == 0;
    if (alignZ && vertical && cursorStepKind != kCursorTop && cursorStepKind != kCursorBottom)
        step(direction, 1 - cursor, kCursorNextPoint);
    step(direction, cursor, cursorStepKind);
    lastCursor = cursor;
}

}  // namespace ob7
