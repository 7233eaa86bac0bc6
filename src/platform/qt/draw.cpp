// Drawing: images, recorded pictures, regions and the drawing context over QPainter.
// Antialiasing stays off so raster operations are exact per pixel.

#include <optional>
#include <QBuffer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "platform/draw_context.h"
#include "platform/image.h"
#include "platform/picture.h"
#include "platform/qt/native.h"

namespace platform {

// ---- Image ---------------------------------------------------------------------------

Image::Image() : data_(std::make_unique<ImageData>()) {}

Image::Image(int width, int height, Color fill) : Image() {
    data_->image = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    data_->image.fill(ToQColor(fill));
}

Image::Image(const Image& other) : data_(std::make_unique<ImageData>(*other.data_)) {}
Image& Image::operator=(const Image& other) {
    *data_ = *other.data_;
    return *this;
}
Image::~Image() = default;

bool Image::IsNull() const { return data_->image.isNull(); }
int Image::Width() const { return data_->image.width(); }
int Image::Height() const { return data_->image.height(); }

Color Image::Pixel(int x, int y) const {
    if (!data_->image.valid(x, y)) return 0;
    QRgb p = data_->image.pixel(x, y);
    return Rgb(qRed(p), qGreen(p), qBlue(p));
}

void Image::SetPixel(int x, int y, Color c) {
    if (data_->image.valid(x, y)) data_->image.setPixel(x, y, ToQColor(c).rgb());
}

void Image::Fill(Color c) { data_->image.fill(ToQColor(c)); }

Image Image::Copy(const Rect& area) const {
    Image out;
    out.data_->image = data_->image.copy(ToQRect(area));
    return out;
}

bool Image::SavePng(const std::string& path) const { return data_->image.save(ToQString(path), "PNG"); }

Image Image::Load(const std::string& path) {
    Image out;
    QImage loaded(ToQString(path));
    if (!loaded.isNull()) out.data_->image = loaded.convertToFormat(QImage::Format_RGB32);
    return out;
}

bool Image::operator==(const Image& other) const {
    const QImage& a = data_->image;
    const QImage& b = other.data_->image;
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
    return true;
}

// ---- Picture -------------------------------------------------------------------------

Picture::Picture() : data_(std::make_unique<PictureData>()) {}
Picture::Picture(const Picture& other) : data_(std::make_unique<PictureData>(*other.data_)) {}
Picture& Picture::operator=(const Picture& other) {
    *data_ = *other.data_;
    return *this;
}
Picture::~Picture() = default;

bool Picture::IsEmpty() const { return data_->picture.isNull(); }
Rect Picture::Bounds() const { return FromQRect(data_->picture.boundingRect()); }

std::vector<unsigned char> Picture::Bytes() const {
    QByteArray bytes(data_->picture.data(), data_->picture.size());
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

bool Picture::SetBytes(const std::vector<unsigned char>& bytes) {
    QByteArray raw(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&raw);
    buffer.open(QIODevice::ReadOnly);
    QPicture loaded;
    if (!loaded.load(&buffer)) return false;
    data_->picture = loaded;
    return true;
}

bool Picture::Save(const std::string& path) const {
    // Through a temporary name that one rename puts in place, so a failed or
    // interrupted save leaves the old file.
    std::string temp = path + ".tmp";
    if (data_->picture.save(ToQString(temp)) && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    std::remove(temp.c_str());
    return false;
}

bool Picture::Load(const std::string& path) {
    QPicture loaded;
    if (!loaded.load(ToQString(path))) return false;
    data_->picture = loaded;
    return true;
}

// ---- Region --------------------------------------------------------------------------

Region::Region() : data_(std::make_unique<Data>()) {}
Region::Region(const Region& other) : data_(std::make_unique<Data>(*other.data_)) {}
Region& Region::operator=(const Region& other) {
    *data_ = *other.data_;
    return *this;
}
Region::~Region() = default;

Region Region::FromRect(const Rect& r) {
    Region out;
    out.data_->region = QRegion(ToQRect(r));
    return out;
}

Region Region::FromPolygon(const std::vector<Point>& points) {
    Region out;
    QPolygon poly;
    for (Point p : points) poly << ToQPoint(p);
    out.data_->region = QRegion(poly, Qt::OddEvenFill);
    return out;
}

Region Region::FromEllipse(const Rect& r) {
    Region out;
    out.data_->region = QRegion(ToQRect(r), QRegion::Ellipse);
    return out;
}

Region Region::Combined(const Region& other, RegionOp op) const {
    Region out;
    const QRegion& a = data_->region;
    const QRegion& b = other.data_->region;
    switch (op) {
    case RegionOp::And: out.data_->region = a.intersected(b); break;
    case RegionOp::Or: out.data_->region = a.united(b); break;
    case RegionOp::Xor: out.data_->region = a.xored(b); break;
    case RegionOp::Diff: out.data_->region = a.subtracted(b); break;
    case RegionOp::Copy: out.data_->region = b; break;
    }
    return out;
}

bool Region::Contains(Point p) const { return data_->region.contains(ToQPoint(p)); }
bool Region::IsEmpty() const { return data_->region.isEmpty(); }
Rect Region::Bounds() const { return FromQRect(data_->region.boundingRect()); }

// ---- DrawContext ---------------------------------------------------------------------

namespace {

Qt::PenStyle QtPenStyle(PenStyle s) {
    switch (s) {
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDot: return Qt::DashDotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Null: return Qt::NoPen;
    case PenStyle::Solid: break;
    }
    return Qt::SolidLine;
}

Qt::BrushStyle QtHatch(int hatch) {
    switch (hatch) {
    case 1: return Qt::VerPattern;
    case 2: return Qt::BDiagPattern;  // forward diagonal: lower left to upper right
    case 3: return Qt::FDiagPattern;
    case 4: return Qt::CrossPattern;
    case 5: return Qt::DiagCrossPattern;
    default: return Qt::HorPattern;
    }
}

QPainter::CompositionMode QtRop(RasterOp op) {
    switch (op) {
    case RasterOp::Xor: return QPainter::RasterOp_SourceXorDestination;
    case RasterOp::Invert: return QPainter::RasterOp_NotDestination;
    case RasterOp::Copy: break;
    }
    return QPainter::CompositionMode_SourceOver;
}

double AngleOf(const QRectF& r, Point p) {
    double dx = p.x - r.center().x();
    double dy = r.center().y() - p.y;
    return std::atan2(dy, dx) * 180.0 / std::numbers::pi;
}

}  // namespace

QFont ToQFont(const Font& font) {
    QFont f(ToQString(font.face));
    int h = font.height == 0 ? 13 : std::abs(font.height);
    f.setPixelSize(std::max(h, 1));
    if (font.height > 0) {
        // A positive height is the whole cell (ascent + descent), not the characters.
        int cell = QFontMetrics(f).height();
        if (cell > 0) f.setPixelSize(std::max(1, h * h / cell));
    }
    f.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight == 0 ? 400 : font.weight, 100, 900)));
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

bool DrawContextImpl::Begin(QPaintDevice* target, DeviceKind deviceKind) {
    device = target;
    kind = deviceKind;
    image = target && target->devType() == QInternal::Image ? static_cast<QImage*>(target) : nullptr;
    if (!target || !own.begin(target)) return false;
    if (kind != DeviceKind::Picture) {
        dpiX = target->logicalDpiX();
        dpiY = target->logicalDpiY();
    }
    own.setRenderHint(QPainter::Antialiasing, false);
    own.setRenderHint(QPainter::TextAntialiasing, false);
    return true;
}

void DrawContextImpl::BeginBorrowed(DrawContextImpl& active) {
    borrowed = &active.P();
    kind = active.kind;
    device = active.device;
    image = active.image;
    dpiX = active.dpiX;
    dpiY = active.dpiY;
    monochrome = active.monochrome;
    borrowed->save();
    borrowed->setWorldTransform(QTransform());
}

DrawContextImpl::~DrawContextImpl() {
    if (borrowed) borrowed->restore();
    else if (own.isActive()) own.end();
    if (onEnd) onEnd();
}

DrawContext::DrawContext(Image& target) : impl_(std::make_unique<DrawContextImpl>()) {
    impl_->Begin(&target.Data().image, DeviceKind::Memory);
}

DrawContext::DrawContext(Picture& recording) : impl_(std::make_unique<DrawContextImpl>()) {
    impl_->Begin(&recording.Data().picture, DeviceKind::Picture);
}

DrawContext::DrawContext(std::unique_ptr<DrawContextImpl> impl) : impl_(std::move(impl)) {}
DrawContext::~DrawContext() = default;

DeviceKind DrawContext::Kind() const { return impl_->kind; }
bool DrawContext::IsMonochrome() const { return impl_->monochrome; }
int DrawContext::DpiX() const { return impl_->dpiX; }
int DrawContext::DpiY() const { return impl_->dpiY; }
Size DrawContext::DeviceSize() const {
    return impl_->device ? Size{impl_->device->width(), impl_->device->height()} : Size{};
}

Color DrawContext::ResolveColor(Color c) const {
    if (!IsPaletteIndex(c)) return c & 0xFFFFFF;
    size_t slot = c & 0xFFFF;
    return slot < impl_->palette.size() ? impl_->palette[slot] : 0;
}

void DrawContext::SetPen(const Pen& pen) { impl_->pen = pen; }
void DrawContext::SetBrush(const Brush& brush) { impl_->brush = brush; }
void DrawContext::SetFont(const Font& font) { impl_->font = font; }
Font DrawContext::GetFont() const { return impl_->font; }
void DrawContext::SetTextColor(Color c) { impl_->textColor = c; }
void DrawContext::SetBkColor(Color c) { impl_->bkColor = c; }
void DrawContext::SetBkOpaque(bool opaque) { impl_->bkOpaque = opaque; }
void DrawContext::SetTextAlign(int align) { impl_->textAlign = align; }
void DrawContext::SetRasterOp(RasterOp op) { impl_->rop = op; }
void DrawContext::SetSmoothing(bool on) { impl_->smooth = on; }
bool DrawContext::Smoothing() const { return impl_->smooth; }
void DrawContext::SetPalette(std::vector<Color> palette) { impl_->palette = std::move(palette); }

void DrawContext::Save() {
    DrawContextImpl& d = *impl_;
    d.saved.push_back({d.pen, d.brush, d.font, d.textColor, d.bkColor, d.bkOpaque, d.textAlign, d.rop, d.windowOrg,
                       d.viewportOrg, d.windowExt, d.viewportExt});
    d.P().save();
}

void DrawContext::Restore() {
    DrawContextImpl& d = *impl_;
    if (d.saved.empty()) return;
    const auto& s = d.saved.back();
    d.pen = s.pen; d.brush = s.brush; d.font = s.font; d.textColor = s.textColor; d.bkColor = s.bkColor;
    d.bkOpaque = s.bkOpaque; d.textAlign = s.textAlign; d.rop = s.rop; d.windowOrg = s.windowOrg;
    d.viewportOrg = s.viewportOrg; d.windowExt = s.windowExt; d.viewportExt = s.viewportExt;
    d.saved.pop_back();
    d.P().restore();
}

// Mapping through the painter's world transform.
namespace {
QTransform MappingOf(const DrawContextImpl& d) {
    double sx = d.windowExt.width() ? double(d.viewportExt.width()) / d.windowExt.width() : 1.0;
    double sy = d.windowExt.height() ? double(d.viewportExt.height()) / d.windowExt.height() : 1.0;
    QTransform t;
    t.translate(d.viewportOrg.x(), d.viewportOrg.y());
    t.scale(sx, sy);
    t.translate(-d.windowOrg.x(), -d.windowOrg.y());
    return t;
}
void ApplyMapping(DrawContextImpl& d) { d.P().setWorldTransform(MappingOf(d)); }
}  // namespace

void DrawContext::SetWindowOrg(Point p) { impl_->windowOrg = ToQPoint(p); ApplyMapping(*impl_); }
void DrawContext::SetWindowExt(Size s) { impl_->windowExt = QSize(s.cx, s.cy); ApplyMapping(*impl_); }
void DrawContext::SetViewportOrg(Point p) { impl_->viewportOrg = ToQPoint(p); ApplyMapping(*impl_); }
void DrawContext::SetViewportExt(Size s) { impl_->viewportExt = QSize(s.cx, s.cy); ApplyMapping(*impl_); }

Point DrawContext::LogicalToDevice(Point p) const {
    QPointF d = MappingOf(*impl_).map(QPointF(p.x, p.y));
    return Point{static_cast<int>(std::lround(d.x())), static_cast<int>(std::lround(d.y()))};
}

Point DrawContext::DeviceToLogical(Point p) const {
    QPointF l = MappingOf(*impl_).inverted().map(QPointF(p.x, p.y));
    return Point{static_cast<int>(std::lround(l.x())), static_cast<int>(std::lround(l.y()))};
}

namespace {

// Sets the painter's pen, brush and raster operation from the context's state.
void Prepare(DrawContext& dc, bool withBrush) {
    DrawContextImpl& d = dc.Impl();
    const Pen& pen = d.pen;
    if (pen.style == PenStyle::Null) {
        d.P().setPen(Qt::NoPen);
    } else {
        QPen qp(ToQColor(dc.ResolveColor(pen.color)));
        qp.setStyle(QtPenStyle(pen.style));
        if (pen.geometric && pen.width > 1) {
            qp.setWidth(pen.width);
            qp.setCapStyle(pen.cap == LineCap::Round ? Qt::RoundCap : pen.cap == LineCap::Square ? Qt::SquareCap : Qt::FlatCap);
            qp.setJoinStyle(pen.join == LineJoin::Round ? Qt::RoundJoin : pen.join == LineJoin::Bevel ? Qt::BevelJoin : Qt::MiterJoin);
        } else {
            qp.setWidth(pen.width > 1 ? pen.width : 0);
            // The last pixel of a line is left out, so joined lines XOR cleanly.
            qp.setCapStyle(Qt::FlatCap);
            qp.setCosmetic(pen.width <= 1);
        }
        d.P().setPen(qp);
    }
    if (!withBrush || d.brush.style == BrushStyle::Null) {
        d.P().setBrush(Qt::NoBrush);
    } else if (d.brush.style == BrushStyle::Hatch) {
        d.P().setBrush(QBrush(ToQColor(dc.ResolveColor(d.brush.color)), QtHatch(d.brush.hatch)));
    } else if (d.brush.style == BrushStyle::Pattern && d.brush.pattern) {
        d.P().setBrush(QBrush(d.brush.pattern->Data().image));
    } else {
        d.P().setBrush(QBrush(ToQColor(dc.ResolveColor(d.brush.color))));
    }
    // Hatches are drawn over the background colour when the background is opaque.
    d.P().setBackgroundMode(d.bkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    d.P().setBackground(QBrush(ToQColor(dc.ResolveColor(d.bkColor))));
    if (d.kind != DeviceKind::Printer) d.P().setCompositionMode(QtRop(d.rop));
    d.P().setRenderHint(QPainter::Antialiasing, d.smooth && d.rop == RasterOp::Copy);
}

// The outline rectangle of a shape that covers [left, right) x [top, bottom).
QRect OutlineRect(const Rect& r) { return QRect(r.left, r.top, std::max(r.Width() - 1, 0), std::max(r.Height() - 1, 0)); }

// XOR lines and outlines in one-pixel solid pens go straight to the pixels of an image:
// the painter's raster operations read and write every pixel through its compositor,
// which is two orders of magnitude slower, and rubber bands and dragged wires draw
// hundreds of such lines a mouse move. The span routine covers the device rectangle
// the drawing can reach (the image, narrowed by a rectangular clip).
class XorSpans {
public:
    // Null when the context is not one the routine can serve.
    static std::optional<XorSpans> For(DrawContext& dc) {
        DrawContextImpl& d = dc.Impl();
        if (d.rop != RasterOp::Xor || !d.image || d.kind == DeviceKind::Printer) return std::nullopt;
        if (d.image->format() != QImage::Format_RGB32 || !d.image->isDetached()) return std::nullopt;
        const Pen& pen = d.pen;
        if (pen.style != PenStyle::Solid || pen.width > 1) return std::nullopt;
        QPainter& p = d.P();
        QTransform t = p.combinedTransform();
        if (t.type() > QTransform::TxTranslate) return std::nullopt;
        QRect bounds = d.image->rect();
        if (p.hasClipping()) {
            QRegion clip = t.map(p.clipRegion());
            if (clip.rectCount() > 1) return std::nullopt;
            bounds &= clip.boundingRect();
        }
        XorSpans spans;
        spans.image_ = d.image;
        spans.dx_ = static_cast<int>(t.dx());
        spans.dy_ = static_cast<int>(t.dy());
        spans.bounds_ = bounds;
        spans.xor_ = qRgb(RedOf(dc.ResolveColor(pen.color)), GreenOf(dc.ResolveColor(pen.color)),
                          BlueOf(dc.ResolveColor(pen.color))) & 0x00FFFFFFu;
        return spans;
    }

    // A line from a to b (logical), its last pixel left out.
    void Line(QPoint a, QPoint b) {
        int x0 = a.x() + dx_, y0 = a.y() + dy_, x1 = b.x() + dx_, y1 = b.y() + dy_;
        int adx = std::abs(x1 - x0), ady = std::abs(y1 - y0);
        int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        if (ady == 0) {  // a horizontal span
            if (adx == 0) return;
            int from = sx > 0 ? x0 : x1 + 1, to = sx > 0 ? x1 - 1 : x0;
            Span(y0, from, to);
            return;
        }
        if (adx == 0) {  // a vertical run
            int from = sy > 0 ? y0 : y1 + 1, to = sy > 0 ? y1 - 1 : y0;
            for (int y = std::max(from, bounds_.top()); y <= std::min(to, bounds_.bottom()); ++y) Pixel(x0, y);
            return;
        }
        int err = adx - ady, steps = std::max(adx, ady);
        for (int i = 0; i < steps; ++i) {
            Pixel(x0, y0);
            int e2 = 2 * err;
            if (e2 > -ady) { err -= ady; x0 += sx; }
            if (e2 < adx) { err += adx; y0 += sy; }
        }
    }

    // The outline of [left, right) x [top, bottom), each pixel once.
    void Outline(const Rect& r) {
        int l = r.left + dx_, t = r.top + dy_, rr = r.right - 1 + dx_, b = r.bottom - 1 + dy_;
        if (rr < l || b < t) return;
        Span(t, l, rr);
        if (b > t) Span(b, l, rr);
        for (int y = std::max(t + 1, bounds_.top()); y <= std::min(b - 1, bounds_.bottom()); ++y) {
            Pixel(l, y);
            if (rr > l) Pixel(rr, y);
        }
    }

private:
    void Span(int y, int from, int to) {
        if (y < bounds_.top() || y > bounds_.bottom()) return;
        from = std::max(from, bounds_.left());
        to = std::min(to, bounds_.right());
        if (from > to) return;
        auto* row = reinterpret_cast<QRgb*>(image_->scanLine(y));
        for (int x = from; x <= to; ++x) row[x] ^= xor_;
    }
    void Pixel(int x, int y) {
        if (bounds_.contains(x, y)) reinterpret_cast<QRgb*>(image_->scanLine(y))[x] ^= xor_;
    }

    QImage* image_ = nullptr;
    int dx_ = 0, dy_ = 0;
    QRect bounds_;
    QRgb xor_ = 0;
};

}  // namespace

void DrawContext::MoveTo(Point p) { impl_->position = ToQPoint(p); }

void DrawContext::LineTo(Point p) {
    if (auto spans = XorSpans::For(*this)) {
        spans->Line(impl_->position, ToQPoint(p));
        impl_->position = ToQPoint(p);
        return;
    }
    Prepare(*this, false);
    impl_->P().drawLine(impl_->position, ToQPoint(p));
    impl_->position = ToQPoint(p);
}

Point DrawContext::CurrentPosition() const { return FromQPoint(impl_->position); }

void DrawContext::Polyline(const std::vector<Point>& points) {
    if (points.size() < 2) return;
    Prepare(*this, false);
    QPolygon poly;
    for (Point p : points) poly << ToQPoint(p);
    impl_->P().drawPolyline(poly);
}

void DrawContext::Polygon(const std::vector<Point>& points) {
    if (points.size() < 2) return;
    Prepare(*this, true);
    QPolygon poly;
    for (Point p : points) poly << ToQPoint(p);
    impl_->P().drawPolygon(poly, Qt::OddEvenFill);
}

namespace {
QPainterPath ToQPath(const Path& path) {
    QPainterPath out;
    out.setFillRule(Qt::OddEvenFill);
    for (const Path::Element& e : path.Elements()) {
        switch (e.kind) {
        case Path::Kind::Move: out.moveTo(ToQPoint(e.point)); break;
        case Path::Kind::Line: out.lineTo(ToQPoint(e.point)); break;
        case Path::Kind::Bezier: out.cubicTo(ToQPoint(e.control1), ToQPoint(e.control2), ToQPoint(e.point)); break;
        case Path::Kind::Close: out.closeSubpath(); break;
        }
    }
    return out;
}
}  // namespace

void DrawContext::StrokePath(const Path& path) {
    Prepare(*this, false);
    impl_->P().drawPath(ToQPath(path));
}

void DrawContext::FillPath(const Path& path) {
    Prepare(*this, true);
    impl_->P().setPen(Qt::NoPen);
    impl_->P().drawPath(ToQPath(path));
}

void DrawContext::StrokeAndFillPath(const Path& path) {
    Prepare(*this, true);
    impl_->P().drawPath(ToQPath(path));
}

void DrawContext::Rectangle(const Rect& r) {
    if (impl_->brush.style == BrushStyle::Null) {
        if (auto spans = XorSpans::For(*this)) {
            spans->Outline(r);
            return;
        }
    }
    Prepare(*this, true);
    impl_->P().drawRect(OutlineRect(r));
}

void DrawContext::RoundRect(const Rect& r, Size corner) {
    Prepare(*this, true);
    impl_->P().drawRoundedRect(OutlineRect(r), corner.cx / 2.0, corner.cy / 2.0);
}

void DrawContext::Ellipse(const Rect& r) {
    Prepare(*this, true);
    impl_->P().drawEllipse(OutlineRect(r));
}

void DrawContext::Arc(const Rect& r, Point start, Point end) {
    Prepare(*this, false);
    QRect box = OutlineRect(r);
    double a0 = AngleOf(box, start), a1 = AngleOf(box, end);
    double span = a1 - a0;
    if (span <= 0) span += 360;
    impl_->P().drawArc(box, static_cast<int>(std::lround(a0 * 16)), static_cast<int>(std::lround(span * 16)));
}

void DrawContext::Pie(const Rect& r, Point start, Point end) {
    Prepare(*this, true);
    QRect box = OutlineRect(r);
    double a0 = AngleOf(box, start), a1 = AngleOf(box, end);
    double span = a1 - a0;
    if (span <= 0) span += 360;
    impl_->P().drawPie(box, static_cast<int>(std::lround(a0 * 16)), static_cast<int>(std::lround(span * 16)));
}

void DrawContext::FillRect(const Rect& r, const Brush& brush) {
    Brush keep = impl_->brush;
    Pen keepPen = impl_->pen;
    impl_->brush = brush;
    impl_->pen = Pen::Null();
    Prepare(*this, true);
    impl_->P().drawRect(ToQRect(r));
    impl_->brush = keep;
    impl_->pen = keepPen;
}

void DrawContext::FrameRect(const Rect& r, const Brush& brush) {
    FillRect(Rect{r.left, r.top, r.right, r.top + 1}, brush);
    FillRect(Rect{r.left, r.bottom - 1, r.right, r.bottom}, brush);
    FillRect(Rect{r.left, r.top + 1, r.left + 1, r.bottom - 1}, brush);
    FillRect(Rect{r.right - 1, r.top + 1, r.right, r.bottom - 1}, brush);
}

void DrawContext::InvertRect(const Rect& r) {
    if (impl_->kind == DeviceKind::Printer) return;  // no raster operations on paper
    QPainter& p = impl_->P();
    p.save();
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.fillRect(ToQRect(r), Qt::black);
    p.restore();
}

void DrawContext::DrawFocusRect(const Rect& r) {
    if (impl_->kind == DeviceKind::Printer) return;
    QPainter& p = impl_->P();
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen dotted(Qt::white);
    dotted.setStyle(Qt::DotLine);
    dotted.setCosmetic(true);
    p.setPen(dotted);
    p.setBrush(Qt::NoBrush);
    p.drawRect(OutlineRect(r));
    p.restore();
}

void DrawContext::SetPixel(Point p, Color c) {
    QPainter& qp = impl_->P();
    qp.save();
    qp.setCompositionMode(QtRop(impl_->rop));
    qp.setPen(Qt::NoPen);
    qp.fillRect(QRect(ToQPoint(p), QSize(1, 1)), ToQColor(ResolveColor(c)));
    qp.restore();
}

Color DrawContext::GetPixel(Point p) const {
    if (!impl_->image) return 0;
    Point d = LogicalToDevice(p);
    if (!impl_->image->valid(d.x, d.y)) return 0;
    QRgb px = impl_->image->pixel(d.x, d.y);
    return Rgb(qRed(px), qGreen(px), qBlue(px));
}

// ---- text ----------------------------------------------------------------------------

namespace {

void PrepareText(DrawContext& dc) {
    DrawContextImpl& d = dc.Impl();
    QFont font = ToQFont(d.font);
    bool smooth = d.smooth && d.rop == RasterOp::Copy;
    if (smooth) font.setStyleStrategy(QFont::PreferAntialias);
    d.P().setFont(font);
    d.P().setRenderHint(QPainter::TextAntialiasing, smooth);
    d.P().setPen(ToQColor(dc.ResolveColor(d.textColor)));
    d.P().setBackgroundMode(d.bkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    d.P().setBackground(QBrush(ToQColor(dc.ResolveColor(d.bkColor))));
    if (d.kind != DeviceKind::Printer) d.P().setCompositionMode(QtRop(d.rop));
}

int QtTextFlags(int format) {
    int f = 0;
    f |= (format & kDtCenter) ? Qt::AlignHCenter : (format & kDtRight) ? Qt::AlignRight : Qt::AlignLeft;
    if (format & kDtSingleLine) {
        f |= Qt::TextSingleLine;
        f |= (format & kDtVCenter) ? Qt::AlignVCenter : (format & kDtBottom) ? Qt::AlignBottom : Qt::AlignTop;
    } else {
        f |= Qt::AlignTop;
    }
    if (format & kDtWordBreak) f |= Qt::TextWordWrap;
    if (!(format & kDtNoPrefix)) f |= Qt::TextShowMnemonic;
    if (format & kDtNoClip) f |= Qt::TextDontClip;
    return f;
}

}  // namespace

void DrawContext::TextOut(Point p, const std::string& text) {
    DrawContextImpl& d = *impl_;
    PrepareText(*this);
    QString s = ToQString(text);
    QFontMetrics fm(d.P().font());
    int width = fm.horizontalAdvance(s);
    // Offsets from the reference point to the text's left end of the baseline.
    int dx = 0;
    if ((d.textAlign & kAlignCenter) == kAlignCenter) dx = -width / 2;
    else if (d.textAlign & kAlignRight) dx = -width;
    int dy = fm.ascent();
    if ((d.textAlign & kAlignBaseline) == kAlignBaseline) dy = 0;
    else if (d.textAlign & kAlignBottom) dy = -fm.descent();
    d.P().save();
    d.P().translate(p.x, p.y);
    if (d.font.escapement) d.P().rotate(-d.font.escapement / 10.0);
    if (d.bkOpaque) d.P().fillRect(QRect(dx, dy - fm.ascent(), width, fm.height()), d.P().background());
    d.P().setBackgroundMode(Qt::TransparentMode);
    d.P().drawText(QPoint(dx, dy), s);
    d.P().restore();
}

int DrawContext::DrawText(const std::string& text, Rect& rect, int format) {
    DrawContextImpl& d = *impl_;
    PrepareText(*this);
    QString s = ToQString(text);
    QFontMetrics fm(d.P().font());
    int flags = QtTextFlags(format);
    QRect bounds = fm.boundingRect(ToQRect(rect), flags, s);
    if (format & kDtCalcRect) {
        rect.right = rect.left + bounds.width();
        rect.bottom = rect.top + bounds.height();
        return bounds.height();
    }
    if (d.bkOpaque) d.P().fillRect(bounds.intersected(ToQRect(rect)), d.P().background());
    d.P().setBackgroundMode(Qt::TransparentMode);
    d.P().drawText(ToQRect(rect), flags, s);
    return bounds.height();
}

Size DrawContext::TextExtent(const std::string& text) const {
    // Measured for the device drawn on: a printed page sets its text by its own metrics.
    QFontMetrics fm = impl_->device ? QFontMetrics(ToQFont(impl_->font), impl_->device) : QFontMetrics(ToQFont(impl_->font));
    return Size{fm.horizontalAdvance(ToQString(text)), fm.height()};
}

TextMetrics DrawContext::GetTextMetrics() const {
    QFontMetrics fm = impl_->device ? QFontMetrics(ToQFont(impl_->font), impl_->device) : QFontMetrics(ToQFont(impl_->font));
    TextMetrics m;
    m.height = fm.height();
    m.ascent = fm.ascent();
    m.descent = fm.descent();
    m.averageCharWidth = fm.averageCharWidth();
    m.maxCharWidth = fm.maxWidth();
    m.externalLeading = fm.leading();
    const QFontInfo info(impl_->device ? QFont(ToQFont(impl_->font), impl_->device) : ToQFont(impl_->font));
    m.internalLeading = std::max(0, m.height - info.pixelSize());
    return m;
}

// ---- clipping and blocks -------------------------------------------------------------

void DrawContext::SetClip(const Region& region) {
    QPainter& p = impl_->P();
    QTransform keep = p.worldTransform();
    p.setWorldTransform(QTransform());
    p.setClipRegion(region.Impl().region);
    p.setWorldTransform(keep);
}

void DrawContext::ClipToRect(const Rect& logical) {
    Point a = LogicalToDevice(Point{logical.left, logical.top});
    Point b = LogicalToDevice(Point{logical.right, logical.bottom});
    SetClip(Region::FromRect(Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)}));
}

void DrawContext::ResetClip() { impl_->P().setClipping(false); }

Rect DrawContext::ClipBox() const {
    QPainter& p = impl_->P();
    QRectF box = p.hasClipping() ? p.clipBoundingRect()
                                 : MappingOf(*impl_).inverted().mapRect(QRectF(0, 0, DeviceSize().cx, DeviceSize().cy));
    QRect r = box.toAlignedRect();
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void DrawContext::BitBlt(Point dest, const Image& source, const Rect& sourceArea, RasterOp op) {
    QPainter& p = impl_->P();
    p.save();
    if (impl_->kind != DeviceKind::Printer)
        p.setCompositionMode(op == RasterOp::Copy ? QPainter::CompositionMode_Source : QtRop(op));
    p.drawImage(ToQPoint(dest), source.Data().image, ToQRect(sourceArea));
    p.restore();
}

void DrawContext::StretchBlt(const Rect& dest, const Image& source, const Rect& sourceArea) {
    QPainter& p = impl_->P();
    p.save();
    if (impl_->kind != DeviceKind::Printer) p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(ToQRect(dest), source.Data().image, ToQRect(sourceArea));
    p.restore();
}

void DrawContext::DrawPicture(Point at, const Picture& picture) {
    QPainter& p = impl_->P();
    p.save();
    p.drawPicture(ToQPoint(at), picture.Data().picture);
    p.restore();
}

}  // namespace platform
