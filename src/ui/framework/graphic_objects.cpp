#include "ui/framework/graphic_objects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "platform/dialog.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/fonts.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

using platform::Point;
using platform::Rect;

namespace {

struct KindRow {
    int kind;
    const char* name;
    bool closed;
};
constexpr KindRow kKinds[] = {
    {0x100, "Line", false},     {0x200, "Ellipse", true},  {0x300, "Rectangle", true}, {0x400, "Diamond", true},
    {0x500, "Arc", false},      {0x600, "Pie", true},      {0x800, "MeasureV", false}, {0x900, "Tag", false},
    {0xA00, "MeasureH", false}, {0xB00, "Picture", true},  {0xC00, "Poly", true},      {0xF00, "Text", false},
};

bool IsTag(int kind) { return kind == kGraphicMeasureV || kind == kGraphicTag || kind == kGraphicMeasureH; }

Rect Normalised(Rect r) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return r;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

const char* GraphicKindLabel(int kind) {
    for (const KindRow& k : kKinds)
        if (k.kind == KindOf(kind)) return k.name;
    return "";
}

bool GraphicKindClosed(int kind) {
    for (const KindRow& k : kKinds)
        if (k.kind == KindOf(kind)) return k.closed;
    return false;
}

// --- Coordinates -------------------------------------------------------------------------

double GraphicObjectList::ObjectCoordToPixel(const CDrawContext& dc, int graph, double value, int axis) const {
    if (graph < 0 || graph >= host_.GraphCount()) {
        Rect r = view_.GetDrawRect(dc);
        return axis == 0 ? r.left + r.Width() * value * 0.0001 : r.top + r.Height() * value * 0.0001;
    }
    return host_.ValueToPixel(graph, axis, value);
}

double GraphicObjectList::PixelToObjectCoord(const CDrawContext& dc, int graph, double pixel, int axis) const {
    if (graph < 0 || graph >= host_.GraphCount()) {
        Rect r = view_.GetDrawRect(dc);
        double size = axis == 0 ? r.Width() : r.Height();
        double origin = axis == 0 ? r.left : r.top;
        return size > 0 ? (pixel - origin) * 10000 / size : 0;
    }
    return host_.PixelToValue(graph, axis, pixel);
}

Point GraphicObjectList::MapPointToPixels(const CDrawContext& dc, int graph, double x, double y) const {
    return Point{Round(ObjectCoordToPixel(dc, graph, x, 0)), Round(ObjectCoordToPixel(dc, graph, y, 1))};
}

void GraphicObjectList::SetObjectFromPixels(const CDrawContext& dc, const Rect& pixels, GraphicObject& o, bool keep) {
    if (keep || o.Kind() == kGraphicPolygon) return;
    o.x1 = PixelToObjectCoord(dc, o.graph, pixels.left, 0);
    o.y1 = PixelToObjectCoord(dc, o.graph, pixels.top, 1);
    if (o.Kind() == kGraphicText) return;
    int second = IsTag(o.Kind()) && o.Kind() != kGraphicTag ? o.graph2 : o.graph;
    o.x2 = PixelToObjectCoord(dc, second, pixels.right, 0);
    o.y2 = PixelToObjectCoord(dc, second, pixels.bottom, 1);
}

void GraphicObjectList::SetObjectAnchorFromPixel(const CDrawContext& dc, GraphicObject& o, int pixel) {
    if (o.Kind() == kGraphicMeasureH) o.anchor = PixelToObjectCoord(dc, o.graph, pixel, 1);
    else if (o.Kind() == kGraphicMeasureV) o.anchor = PixelToObjectCoord(dc, o.graph, pixel, 0);
}

// --- Adding and removing -------------------------------------------------------------------

GraphicObject* GraphicObjectList::AddGraphicObject(const CDrawContext& dc, int typeWord, int graph, int x1, int y1,
                                                   int x2, int y2) {
    char label[64];
    std::snprintf(label, sizeof label, "Add %s", GraphicKindLabel(typeWord));
    view_.BeginEditUndo(label);
    GraphicObject* o;
    try {
        objects_.emplace_front();
        o = &objects_.front();
    } catch (const std::bad_alloc&) {
        ReportMessage("PE", &view_, kMsgInsufficientMemory);
        return nullptr;
    }
    o->font = defaultFont;
    o->typeWord = typeWord;
    o->analysis = analysisKind + 1;
    o->graph = o->graph2 = graph;
    o->lineWidth = 1;
    SetObjectFromPixels(dc, Rect{x1, y1, x2, y2}, *o);
    if (o->Kind() == kGraphicMeasureH) o->anchor = (o->y1 + o->y2) / 2;
    if (o->Kind() == kGraphicMeasureV) o->anchor = (o->x1 + o->x2) / 2;
    if (IsTag(o->Kind())) {
        o->typeWord |= 0x10;
        SnapObjectToCurve(dc, *o, Rect{x1, y1, x2, y2}, false);
    }
    if (view_.drawType == kDraw2DPlot || view_.drawType == kDrawPerformance) {
        o->graphKey = o->graph >= 0 && o->graph < host_.GraphCount() ? host_.GraphKey(o->graph) : -1;
        o->graphKey2 = o->graph2 >= 0 && o->graph2 < host_.GraphCount() ? host_.GraphKey(o->graph2) : -1;
    }
    return o;
}

GraphicObject* GraphicObjectList::AddGraphTextObject(const std::string& text, double x, double y, int graph) {
    objects_.emplace_front();
    GraphicObject& o = objects_.front();
    o.typeWord = kGraphicText;
    o.analysis = analysisKind + 1;
    o.font = defaultFont;
    o.text = text;
    o.lineWidth = 1;
    o.penColour = kNoColor;
    o.fillColour = static_cast<uint8_t>(view_.backgroundColour);
    o.x1 = x;
    o.y1 = y;
    o.graph = o.graph2 = graph;
    o.graphKey = o.graphKey2 = graph >= 0 && graph < host_.GraphCount() ? host_.GraphKey(graph) : -1;
    return &o;
}

GraphicObject* GraphicObjectList::AddPolygonObject(const CDrawContext& dc, int analysis, int vertexCount, int graph) {
    GraphicObject* o = AddGraphicObject(dc, kGraphicPolygon, graph, 0, 0, 0, 0);
    if (!o) return nullptr;
    o->vertices.assign(std::max(0, vertexCount), PolygonVertex{});
    o->analysis = analysis + 1;
    building_ = o;
    view_.trackState = 128;
    return o;
}

int GraphicObjectList::RemoveAnalysisObjects(int analysis) {
    int removed = 0;
    for (auto it = objects_.begin(); it != objects_.end();) {
        int a = it->analysis - 1;
        if (a == analysis || a < 0 || a > 2 || it->Kind() == 0) {
            if (&*it == building_) building_ = nullptr;
            it = objects_.erase(it);
            ++removed;
        } else {
            ++it;
        }
    }
    if (removed) {
        view_.OnDocumentChanged();
        view_.Refresh(40);
    }
    return removed;
}

void GraphicObjectList::RelinkObjectsToGraphs() {
    auto find = [&](int key) {
        for (int g = 0; g < host_.GraphCount(); ++g)
            if (host_.GraphKey(g) == key) return g;
        return -1;
    };
    for (GraphicObject& o : objects_) {
        if (o.analysis != analysisKind + 1) continue;
        if (o.graphKey != -1) {
            int g = find(o.graphKey);
            if (g < 0) {
                o.state |= 2;
            } else {
                o.state &= ~2;
                o.graph = g;
            }
        } else {
            o.graphKey = o.graph >= 0 && o.graph < host_.GraphCount() ? host_.GraphKey(o.graph) : -1;
        }
        if (o.graphKey2 != -1) {
            if (int g = find(o.graphKey2); g >= 0) o.graph2 = g;
        } else {
            o.graphKey2 = o.graph2 >= 0 && o.graph2 < host_.GraphCount() ? host_.GraphKey(o.graph2) : -1;
        }
    }
}

// --- Bounds and hits -------------------------------------------------------------------------

Rect GraphicObjectList::GetObjectBounds(const CDrawContext& dc, const GraphicObject& o) const {
    if (o.graph >= host_.GraphCount()) return Rect{};
    if (o.Kind() == kGraphicPolygon) {
        if (o.vertices.empty()) return Rect{};
        std::vector<Point> points;
        for (size_t i = 0; i < o.vertices.size(); ++i) points.push_back(GetVertexPixel(dc, o, static_cast<int>(i)));
        return platform::Region::FromPolygon(points).Bounds();
    }
    Point a = MapPointToPixels(dc, o.graph, o.x1, o.y1);
    if (o.Kind() == kGraphicText) {
        platform::Size extent{static_cast<int>(o.text.size()) * 7, 14};
        if (dc.Dc()) {
            platform::Font f = CreateFontFromRecord(o.font);
            dc.Dc()->Save();
            dc.Dc()->SetFont(f);
            extent = dc.Dc()->TextExtent(o.text);
            dc.Dc()->Restore();
        }
        bool rotated = (o.font.style & 0x70) != 0;
        if (rotated) return Rect{a.x, a.y - extent.cx, a.x + extent.cy, a.y};
        return Rect{a.x, a.y, a.x + extent.cx, a.y + extent.cy};
    }
    int second = IsTag(o.Kind()) && o.Kind() != kGraphicTag ? o.graph2 : o.graph;
    Point b = MapPointToPixels(dc, second, o.x2, o.y2);
    return Rect{a.x, a.y, b.x, b.y};
}

Rect GraphicObjectList::GetObjectBoundingRect(const CDrawContext& dc, const GraphicObject& o) const {
    if (o.Kind() == 0) return Rect{-1, -1, -1, -1};
    return Normalised(GetObjectBounds(dc, o));
}

bool GraphicObjectList::HitTestGraphicObject(const CDrawContext& dc, const GraphicObject& o, Point p) const {
    if (o.Kind() == kGraphicPolygon) {
        std::vector<Point> points;
        for (size_t i = 0; i < o.vertices.size(); ++i) points.push_back(GetVertexPixel(dc, o, static_cast<int>(i)));
        return points.size() > 2 && platform::Region::FromPolygon(points).Contains(p);
    }
    Rect r = GetObjectBoundingRect(dc, o);
    if (r.Width() < 4 || r.Height() < 4) {
        r = Rect{r.left - 4, r.top - 4, r.right + 4, r.bottom + 4};
    } else if (o.Selected()) {
        r = Rect{r.left - 2, r.top - 2, r.right + 2, r.bottom + 2};
    }
    // The rectangle's right and bottom edges belong to the object.
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

// --- Curves ----------------------------------------------------------------------------------

bool GraphicObjectList::FindNearestCurvePoint(const CDrawContext& dc, int px, int py, int graph, bool thisGraphOnly,
                                              CurvePoint& found, int& foundGraph) const {
    double best = 1e20;
    bool any = false;
    int group = graph >= 0 && graph < host_.GraphCount() ? host_.GraphGroup(graph) : -1;
    for (int g = 0; g < host_.GraphCount(); ++g) {
        if (thisGraphOnly ? g != graph : (group >= 0 && host_.GraphGroup(g) != group)) continue;
        for (const std::vector<CurvePoint>& curve : host_.Curves(g)) {
            auto consider = [&](double d, double x, double y) {
                if (d < best) {
                    best = d;
                    found = CurvePoint{x, y};
                    foundGraph = g;
                    any = true;
                }
            };
            for (size_t i = 0; i < curve.size(); ++i) {
                double ax = host_.ValueToPixel(g, 0, curve[i].x), ay = host_.ValueToPixel(g, 1, curve[i].y);
                if (host_.IsDigital(g) || i + 1 == curve.size()) {
                    consider((ax - px) * (ax - px) + (ay - py) * (ay - py), curve[i].x, curve[i].y);
                    if (host_.IsDigital(g)) continue;
                    break;
                }
                double bx = host_.ValueToPixel(g, 0, curve[i + 1].x), by = host_.ValueToPixel(g, 1, curve[i + 1].y);
                double ex = bx - ax, ey = by - ay;
                double len2 = ex * ex + ey * ey;
                if (len2 == 0) {
                    consider((ax - px) * (ax - px) + (ay - py) * (ay - py), curve[i].x, curve[i].y);
                } else {
                    // The foot of the perpendicular, when it lies on the segment; else the nearer end.
                    double t = ((px - ax) * ex + (py - ay) * ey) / len2;
                    if (t <= 0) {
                        consider((ax - px) * (ax - px) + (ay - py) * (ay - py), curve[i].x, curve[i].y);
                    } else if (t >= 1) {
                        consider((bx - px) * (bx - px) + (by - py) * (by - py), curve[i + 1].x, curve[i + 1].y);
                    } else {
                        double fx = ax + t * ex, fy = ay + t * ey;
                        consider((fx - px) * (fx - px) + (fy - py) * (fy - py),
                                 curve[i].x + t * (curve[i + 1].x - curve[i].x),
                                 curve[i].y + t * (curve[i + 1].y - curve[i].y));
                    }
                }
                if (best == 0) return true;
            }
        }
    }
    return any;
}

void GraphicObjectList::SnapObjectToCurve(const CDrawContext& dc, GraphicObject& o, const Rect& pixels,
                                          bool thisGraphOnly) {
    if (o.graph < 0) return;
    CurvePoint p;
    int g = -1;
    if (o.Kind() == kGraphicTag) {
        if (FindNearestCurvePoint(dc, pixels.left, pixels.top, o.graph, thisGraphOnly, p, g)) {
            o.graph = g;
            o.x1 = p.x;
            o.y1 = p.y;
            o.x2 = PixelToObjectCoord(dc, g, pixels.right, 0);
            o.y2 = PixelToObjectCoord(dc, g, pixels.bottom, 1);
        }
        return;
    }
    if (FindNearestCurvePoint(dc, pixels.left, pixels.top, o.graph, thisGraphOnly, p, g)) {
        o.graph = g;
        o.x1 = p.x;
        o.y1 = p.y;
    }
    int g2 = -1;
    int start = o.graph2 >= 0 ? o.graph2 : o.graph;
    if (FindNearestCurvePoint(dc, pixels.right, pixels.bottom, thisGraphOnly ? g : start, thisGraphOnly, p, g2)) {
        o.graph2 = g2;
        o.x2 = p.x;
        o.y2 = p.y;
    }
}

// --- Polygons ---------------------------------------------------------------------------------

int GraphicObjectList::GrowVertexArray(GraphicObject& o, int index) {
    if (index < static_cast<int>(o.vertices.size())) return 0;
    try {
        o.vertices.resize(index + 1);
    } catch (const std::bad_alloc&) {
        return kMsgInsufficientMemory;
    }
    return 0;
}

void GraphicObjectList::SetVertexFromPixels(const CDrawContext& dc, GraphicObject& o, int index, int px, int py) {
    if (index < 0 || index >= static_cast<int>(o.vertices.size())) return;
    PolygonVertex& v = o.vertices[index];
    v.x = v.xState ? 0 : PixelToObjectCoord(dc, o.graph, px, 0);
    v.y = v.yState ? 0 : PixelToObjectCoord(dc, o.graph, py, 1);
}

int GraphicObjectList::SetOrAppendVertex(const CDrawContext& dc, GraphicObject& o, int index, int px, int py) {
    if (int code = GrowVertexArray(o, index)) return code;
    SetVertexFromPixels(dc, o, index, px, py);
    return 0;
}

Point GraphicObjectList::GetVertexPixel(const CDrawContext& dc, const GraphicObject& o, int index) const {
    if (index < 0 || index >= static_cast<int>(o.vertices.size())) return Point{};
    const PolygonVertex& v = o.vertices[index];
    Rect r = view_.GetDrawRect(dc);
    Point p = MapPointToPixels(dc, o.graph, v.x, v.y);
    // Ends beyond the axis lie 100 pixels outside the drawing rectangle.
    if (v.xState == 1) p.x = r.left - 100;
    if (v.xState == 2) p.x = r.right + 100;
    if (v.yState == 1) p.y = r.bottom + 100;
    if (v.yState == 2) p.y = r.top - 100;
    return p;
}

void GraphicObjectList::ScaleObjectVertices(GraphicObject& o, double factor) {
    if (factor == 0) return;
    for (PolygonVertex& v : o.vertices) {
        if (v.yState == 0) v.y /= factor;
        else if (factor < 0) v.yState = 3 - v.yState;
    }
}

bool GraphicObjectList::IsPolygonInProgress() const {
    return view_.trackState == 128 && building_ && !objects_.empty() && &objects_.front() == building_;
}

void GraphicObjectList::ClosePolygonObject() {
    if (!IsPolygonInProgress()) return;
    view_.trackState = 0;
    if (!building_->vertices.empty()) building_->vertices.push_back(building_->vertices.front());
    building_ = nullptr;
    view_.Refresh(8);
}

// --- Painting ----------------------------------------------------------------------------------

void GraphicObjectList::DrawObjects(CDrawContext& dc, int plotGroup, int layer) {
    if (!dc.Dc() || objects_.empty()) return;
    SelectAndRealizePalette(dc);
    if (RunActive() && layer != 1) return;
    int probe = 0;
    bool monochrome = view_.MapOutputColor(dc, probe) != 0;
    // Oldest first, so that newer objects lie on top.
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) {
        GraphicObject& o = *it;
        if (o.graph >= host_.GraphCount() || o.layer != layer || o.Hidden()) continue;
        if (plotGroup >= 0 && o.graph >= 0 && host_.GraphGroup(o.graph) != plotGroup) continue;
        if (o.analysis != analysisKind + 1) continue;
        if (!view_.ignoreObjectFlags && (o.state & view_.filterMask) != view_.filterValue) continue;
        if ((view_.drawType == kDraw2DPlot || view_.drawType == kDrawPerformance) && o.graph >= 0 && o.graphKey == -1)
            o.graphKey = host_.GraphKey(o.graph);
        if (o.graph >= 0) {
            Rect g = host_.GraphRect(o.graph);
            dc.Dc()->SetClip(platform::Region::FromRect(Rect{g.left + 1, g.top + 1, g.right - 1, g.bottom - 1}));
        }
        DrawOne(dc, o, monochrome);
        if (o.graph >= 0) dc.Dc()->ResetClip();
    }
}

void GraphicObjectList::DrawOne(CDrawContext& dc, GraphicObject& o, bool monochrome) {
    platform::DrawContext& d = *dc.Dc();
    // A colour the same as the background it lies on (the window's, or the plot area's
    // for an attached object) is drawn inverted, so it shows.
    int background = view_.backgroundColour;
    if (o.graph >= 0 && host_.GraphBackground(o.graph) >= 0) background = host_.GraphBackground(o.graph);
    if (o.penColour != kNoColor && Slot(o.penColour).colour == Slot(background).colour) o.penColour ^= 15;
    if (Slot(o.font.color).colour == Slot(background).colour) o.font.color ^= 15;
    int pen = o.penColour, fill = o.fillColour, textColour = o.font.color;
    if (monochrome) {
        int mapped = pen;
        view_.MapOutputColor(dc, mapped);
        pen = mapped;
        textColour = pen == kNoColor ? 0 : pen;
        if (fill != kNoColor) fill = 15;
    }
    if (o.Selected() && !view_.ignoreObjectFlags) {
        if (pen != kNoColor) pen = view_.selectionColour;
        if (fill != kNoColor) fill = view_.selectionColour;
        textColour = view_.selectionColour;
    }
    platform::Pen p = SlotPen(dc, pen);
    if (p.style != platform::PenStyle::Null) {
        p.width = o.lineWidth;
        p.geometric = o.lineWidth > 1;
    }
    d.SetPen(p);
    d.SetBrush(SlotBrush(dc, fill));
    Rect r = GetObjectBounds(dc, o);
    switch (o.Kind()) {
    case kGraphicLine:
    case kGraphicMeasureV:
    case kGraphicMeasureH:
    case kGraphicTag:
        d.MoveTo(Point{r.left, r.top});
        d.LineTo(Point{r.right, r.bottom});
        break;
    case kGraphicEllipse: d.Ellipse(Normalised(r)); break;
    case kGraphicRectangle: d.Rectangle(Normalised(r)); break;
    case kGraphicPicture: DrawPictureObject(dc, o, Normalised(r)); break;
    case kGraphicDiamond: {
        Rect n = Normalised(r);
        int cx = (n.left + n.right) / 2, cy = (n.top + n.bottom) / 2;
        d.Polygon({{cx, n.top}, {n.right, cy}, {cx, n.bottom}, {n.left, cy}});
        break;
    }
    case kGraphicArc: d.Arc(Normalised(r), Point{r.right, r.top}, Point{r.left, r.top}); break;
    case kGraphicPie: d.Pie(Normalised(r), Point{r.right, r.top}, Point{r.left, r.top}); break;
    case kGraphicPolygon: {
        std::vector<Point> points;
        for (size_t i = 0; i < o.vertices.size(); ++i) points.push_back(GetVertexPixel(dc, o, static_cast<int>(i)));
        if (fill != kNoColor && !points.empty()) {
            points.push_back(points.front());
            d.Polygon(points);
        } else {
            d.Polyline(points);
        }
        break;
    }
    case kGraphicText: {
        Rect n = Normalised(r);
        d.Rectangle(Rect{n.left - 2, n.top - 1, n.right + 2, n.bottom + 1});
        d.SetFont(CreateFontFromRecord(o.font));
        d.SetTextColor(GetColourFromSlot(dc, textColour));
        d.SetBkOpaque(false);
        d.TextOut(Point{n.left, n.top}, o.text);
        break;
    }
    default: break;
    }
}

void GraphicObjectList::DrawPictureObject(CDrawContext& dc, const GraphicObject& o, const Rect& r) {
    platform::DrawContext& d = *dc.Dc();
    if (r.Width() == 0 || r.Height() == 0) return;
    const int black = 0;
    // The placement preview, highlight erasing and pictures of the window show a box.
    if (view_.paintMode == 2 || view_.paintMode == 4 || dc.technology == platform::DeviceKind::Picture) {
        Rect box = r;
        if (view_.paintMode == 4) {
            int grow = o.lineWidth + 2;
            box = Rect{r.left - grow, r.top - grow, r.right + grow, r.bottom + grow};
        }
        if (dc.technology == platform::DeviceKind::Picture) {
            d.SetPen(SlotPen(dc, black));
            d.SetBrush(SlotBrush(dc, kNoColor));
        } else {
            d.SetPen(SlotPen(dc, kNoColor));
            d.SetBrush(SlotBrush(dc, black));
        }
        d.Rectangle(box);
        return;
    }
    if (o.fillColour != kNoColor) d.Rectangle(r);  // pen and fill chosen by the caller
    d.SetPen(SlotPen(dc, black));
    d.SetBrush(SlotBrush(dc, kNoColor));
    d.Rectangle(r);
    if (o.text.empty()) return;
    auto found = pictures_.find(o.text);
    if (found == pictures_.end()) found = pictures_.emplace(o.text, platform::Image::Load(o.text)).first;
    const platform::Image& picture = found->second;
    if (!picture.IsNull())
        d.StretchBlt(r, picture, Rect{0, 0, picture.Width(), picture.Height()});
}

void GraphicObjectList::DrawGraphMarkers(CDrawContext& dc, int plotGroup) {
    if (!dc.Dc()) return;
    platform::DrawContext& d = *dc.Dc();
    FontRecord font = host_.MarkerFont();
    for (int g = 0; g < host_.GraphCount(); ++g) {
        if (plotGroup >= 0 && host_.GraphGroup(g) != plotGroup) continue;
        std::vector<GraphMarker> markers = host_.GraphMarkers(g);
        if (markers.empty()) continue;
        Rect area = host_.GraphRect(g);
        d.Save();
        if (dc.technology != platform::DeviceKind::Picture)
            d.SetClip(platform::Region::FromRect(Rect{area.left + 1, area.top + 1, area.right - 1, area.bottom - 1}));
        d.SetFont(CreateFontFromRecord(font));
        d.SetTextColor(GetColourFromSlot(dc, font.color));
        d.SetBkOpaque(false);
        for (const GraphMarker& marker : markers) {
            platform::Size extent = d.TextExtent(marker.text);
            for (const CurvePoint& p : marker.points) {
                int x = Round(host_.ValueToPixel(g, 0, p.x)), y = Round(host_.ValueToPixel(g, 1, p.y));
                d.SetPen(SlotPen(dc, font.color));
                d.SetBrush(SlotBrush(dc, kNoColor));
                d.Ellipse(Rect{x - 4, y - 4, x + 5, y + 5});
                // The box below the point, or on the other side where the graph ends.
                Rect box{x, y + 6, x + extent.cx + 4, y + 6 + extent.cy + 2};
                if (box.bottom > area.bottom) box = Rect{box.left, y - 6 - extent.cy - 2, box.right, y - 6};
                if (box.right > area.right) box = Rect{x - extent.cx - 4, box.top, x, box.bottom};
                d.SetBrush(SlotBrush(dc, host_.MarkerFill()));
                d.Rectangle(box);
                d.TextOut(Point{box.left + 2, box.top + 1}, marker.text);
            }
        }
        d.Restore();
    }
}

void GraphicObjectList::DrawWindowAnnotations(CDrawContext& dc, int plotGroup) {
    if (view_.drawType == kDraw2DPlot) DrawGraphMarkers(dc, plotGroup);
    DrawObjects(dc, plotGroup, 0);
    if (!dc.Dc() || dc.technology != platform::DeviceKind::Display || view_.printRegion) return;
    if (!view_.selectionFrameShown || view_.filterValue != (view_.filterMask & 1) || !view_.HasSelectionBox()) return;
    platform::DrawContext& d = *dc.Dc();
    Rect box = Normalised(view_.selectionBox);
    platform::Pen pen = SlotPen(dc, view_.selectionColour);
    pen.style = platform::PenStyle::Dot;
    d.SetPen(pen);
    d.SetBrush(SlotBrush(dc, kNoColor));
    d.Rectangle(box);
    // Handles at the corners and the middles of the edges.
    d.SetPen(SlotPen(dc, kNoColor));
    d.SetBrush(SlotBrush(dc, view_.selectionColour));
    int xs[] = {box.left, (box.left + box.right) / 2, box.right};
    int ys[] = {box.top, (box.top + box.bottom) / 2, box.bottom};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (i != 1 || j != 1) d.Rectangle(Rect{xs[i] - 2, ys[j] - 2, xs[i] + 3, ys[j] + 3});
}

bool GraphicObjectList::AnyLayerOneObject() const {
    for (const GraphicObject& o : objects_)
        if (o.layer == 1 && o.analysis == analysisKind + 1) return true;
    return false;
}

Point GraphicObjectList::GetObjectLabelPoint(const CDrawContext& dc, const GraphicObject& o) const {
    Rect b = GetObjectBoundingRect(dc, o);
    if (o.Kind() == kGraphicMeasureV) {
        int x = Round(ObjectCoordToPixel(dc, o.graph, o.anchor, 0));
        return Point{x - 2, (b.top + b.bottom) / 2};
    }
    int y = o.Kind() == kGraphicMeasureH ? Round(ObjectCoordToPixel(dc, o.graph, o.anchor, 1)) : (b.top + b.bottom) / 2;
    int textHeight = 14;
    if (dc.Dc()) {
        dc.Dc()->Save();
        dc.Dc()->SetFont(CreateFontFromRecord(view_.windowFont));
        textHeight = dc.Dc()->TextExtent("Xg").cy;
        dc.Dc()->Restore();
    }
    return Point{(b.left + b.right) / 2, y + textHeight / 2};
}

int GraphicObjectList::FindGraphIndexByKey(int key) const {
    if (key == -1) return -1;
    for (int g = 0; g < host_.GraphCount(); ++g)
        if (host_.GraphKey(g) == key) return g;
    return -1;
}

int GraphicObjectList::GetGraphKey(int graph) const {
    return graph >= 0 && graph < host_.GraphCount() ? host_.GraphKey(graph) : -1;
}

void GraphicObjectList::FillGraphCombo(platform::Dialog& dialog, int comboId, int plotGroup) const {
    dialog.ResetContent(comboId);
    for (int g = 0; g < host_.GraphCount(); ++g) {
        if (plotGroup >= 0 && host_.GraphGroup(g) != plotGroup) continue;
        int index = dialog.AddString(comboId, host_.GraphName(g));
        if (index >= 0) dialog.SetItemData(comboId, index, g);
    }
}

}  // namespace ob7
