#pragma once
// The drawing context: pens, brushes, fonts, text, shapes, regions and clipping, raster
// operations (copy, XOR, invert) and logical-to-device mapping, over a window's backing
// image, a memory image, a recorded picture or a printed page. Drawing is aliased so
// that XOR drawn twice restores every pixel.

#include <memory>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace platform {

class Image;
class Picture;

enum class PenStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Null = 5 };
enum class LineCap { Round, Square, Flat };
enum class LineJoin { Round, Bevel, Miter };

struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1;  // 0 and 1 draw one pixel wide
    Color color = 0;
    // Geometric pens have caps and joins; cosmetic pens are always one unit.
    bool geometric = false;
    LineCap cap = LineCap::Round;
    LineJoin join = LineJoin::Round;

    static Pen Null() {
        Pen p;
        p.style = PenStyle::Null;
        return p;
    }
    static Pen Solid(Color c, int width = 1) {
        Pen p;
        p.color = c;
        p.width = width;
        return p;
    }
};

enum class BrushStyle { Solid, Hatch, Pattern, Null };
// Hatch codes 0..5: horizontal, vertical, forward diagonal, backward diagonal, cross,
// diagonal cross.
struct Brush {
    BrushStyle style = BrushStyle::Solid;
    Color color = Rgb(255, 255, 255);
    int hatch = 0;
    std::shared_ptr<const Image> pattern;  // for BrushStyle::Pattern: an 8x8 tile

    static Brush Null() {
        Brush b;
        b.style = BrushStyle::Null;
        return b;
    }
    static Brush Solid(Color c) {
        Brush b;
        b.color = c;
        return b;
    }
    static Brush Hatched(int hatch, Color c) {
        Brush b;
        b.style = BrushStyle::Hatch;
        b.hatch = hatch;
        b.color = c;
        return b;
    }
};

struct Font {
    std::string face = "Sans Serif";
    int height = -13;       // pixels; negative: character height, positive: cell height
    int weight = 400;       // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    int escapement = 0;     // tenths of a degree, counter-clockwise
};

struct TextMetrics {
    int height = 0, ascent = 0, descent = 0, averageCharWidth = 0, maxCharWidth = 0,
        externalLeading = 0;
    int internalLeading = 0;  // the cell height above the character height (accents)
};

// Raster operations of pens, brushes and fills.
enum class RasterOp { Copy, Xor, Invert };

// Text alignment of TextOut relative to the reference point.
enum TextAlign : int {
    kAlignLeft = 0, kAlignRight = 2, kAlignCenter = 6, kAlignTop = 0, kAlignBottom = 8, kAlignBaseline = 24
};

// DrawText format bits.
enum DrawTextFormat : int {
    kDtLeft = 0, kDtCenter = 0x1, kDtRight = 0x2, kDtVCenter = 0x4, kDtBottom = 0x8,
    kDtWordBreak = 0x10, kDtSingleLine = 0x20, kDtNoClip = 0x100, kDtCalcRect = 0x400,
    kDtNoPrefix = 0x800
};

enum class DeviceKind { Display, Memory, Printer, Picture };

enum class RegionOp { And, Or, Xor, Diff, Copy };

// A region of device space: rectangles and polygons (alternate fill) combined.
class Region {
public:
    Region();
    static Region FromRect(const Rect& r);
    static Region FromPolygon(const std::vector<Point>& points);  // alternate fill
    static Region FromEllipse(const Rect& r);
    Region(const Region&);
    Region& operator=(const Region&);
    ~Region();

    Region Combined(const Region& other, RegionOp op) const;
    bool Contains(Point p) const;
    bool IsEmpty() const;
    Rect Bounds() const;

    struct Data;
    Data& Impl() const { return *data_; }

private:
    std::unique_ptr<Data> data_;
};

// A path of lines and curves in logical units, stroked with the pen and filled with the
// brush (alternate fill) as one figure.
class Path {
public:
    void MoveTo(Point p) { elements_.push_back({Kind::Move, p, {}, {}}); }
    void LineTo(Point p) { elements_.push_back({Kind::Line, p, {}, {}}); }
    // A cubic Bezier curve from the current point through two control points.
    void BezierTo(Point c1, Point c2, Point end) { elements_.push_back({Kind::Bezier, end, c1, c2}); }
    void Close() { elements_.push_back({Kind::Close, {}, {}, {}}); }
    bool IsEmpty() const { return elements_.empty(); }

    enum class Kind { Move, Line, Bezier, Close };
    struct Element {
        Kind kind;
        Point point, control1, control2;
    };
    const std::vector<Element>& Elements() const { return elements_; }

private:
    std::vector<Element> elements_;
};

struct DrawContextImpl;

class DrawContext {
public:
    // Draws into an image (a memory bitmap).
    explicit DrawContext(Image& target);
    // Records into a picture; the recording ends when the context is destroyed.
    explicit DrawContext(Picture& recording);
    // Backends make the contexts of windows and printed pages.
    explicit DrawContext(std::unique_ptr<DrawContextImpl> impl);
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;
    ~DrawContext();

    DeviceKind Kind() const;
    bool IsMonochrome() const;
    int DpiX() const;
    int DpiY() const;
    Size DeviceSize() const;  // pixels of the surface

    // State. Selecting returns nothing: a context keeps one current pen, brush, font.
    void SetPen(const Pen& pen);
    void SetBrush(const Brush& brush);
    void SetFont(const Font& font);
    Font GetFont() const;  // the font selected now
    void SetTextColor(Color c);
    void SetBkColor(Color c);
    void SetBkOpaque(bool opaque);  // text and hatch backgrounds
    void SetTextAlign(int align);
    void SetRasterOp(RasterOp op);
    // Smooth (anti-aliased) lines, shapes and text for drawing in the copy raster
    // operation; XOR and invert drawing stay exact per pixel whatever this says.
    void SetSmoothing(bool on);
    bool Smoothing() const;
    // The colours that PaletteIndex(slot) values stand for on this context.
    void SetPalette(std::vector<Color> palette);
    Color ResolveColor(Color c) const;
    void Save();
    void Restore();

    // Mapping: device = (logical - windowOrg) * viewportExt / windowExt + viewportOrg.
    void SetWindowOrg(Point p);
    void SetWindowExt(Size s);
    void SetViewportOrg(Point p);
    void SetViewportExt(Size s);
    Point LogicalToDevice(Point p) const;
    Point DeviceToLogical(Point p) const;

    // Lines and shapes; shapes are outlined with the pen and filled with the brush,
    // rectangles excluding their right and bottom edges.
    void MoveTo(Point p);
    void LineTo(Point p);
    Point CurrentPosition() const;
    void Polyline(const std::vector<Point>& points);
    void Polygon(const std::vector<Point>& points);  // alternate fill
    void Rectangle(const Rect& r);
    void RoundRect(const Rect& r, Size corner);
    void Ellipse(const Rect& r);
    // Arcs run counter-clockwise from the ray through start to the ray through end.
    void Arc(const Rect& r, Point start, Point end);
    void Pie(const Rect& r, Point start, Point end);
    void FillRect(const Rect& r, const Brush& brush);
    void StrokePath(const Path& path);
    void FillPath(const Path& path);
    void StrokeAndFillPath(const Path& path);
    void FrameRect(const Rect& r, const Brush& brush);
    void InvertRect(const Rect& r);
    void DrawFocusRect(const Rect& r);
    void SetPixel(Point p, Color c);
    Color GetPixel(Point p) const;  // images and windows only; 0 elsewhere

    // Text.
    void TextOut(Point p, const std::string& text);
    // Draws formatted text in a rectangle (kDt* bits); returns the text height. With
    // kDtCalcRect nothing is drawn and the rectangle is widened or heightened to fit.
    int DrawText(const std::string& text, Rect& rect, int format);
    Size TextExtent(const std::string& text) const;
    TextMetrics GetTextMetrics() const;

    // Clipping: SetClip takes a region in device units, ClipToRect a logical
    // rectangle; ResetClip removes the clip.
    void SetClip(const Region& region);
    void ClipToRect(const Rect& logical);
    void ResetClip();
    // The logical bounds of what drawing can reach: the clip region's bounds, or the
    // whole surface. Paint handlers skip what lies outside.
    Rect ClipBox() const;

    // Block transfers from an image, with the raster operation given.
    void BitBlt(Point dest, const Image& source, const Rect& sourceArea, RasterOp op = RasterOp::Copy);
    void StretchBlt(const Rect& dest, const Image& source, const Rect& sourceArea);
    // Replays a recorded picture at a logical point.
    void DrawPicture(Point at, const Picture& picture);

    DrawContextImpl& Impl() { return *impl_; }

private:
    std::unique_ptr<DrawContextImpl> impl_;
};

}  // namespace platform
