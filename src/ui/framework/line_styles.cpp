#include "ui/framework/line_styles.h"

#include <cmath>
#include <cstdlib>
#include <strings.h>

#include "expression/complex_math.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_context.h"

namespace ob7 {

namespace {
constexpr const char* kNames[] = {"Dash", "Dot", "DashDot", "DashDotDot"};
}

int ParseLineStyleName(const char* text, int& code) {
    if (!text) return 0;
    for (int i = 0; i < 4; ++i) {
        if (strcasecmp(text, kNames[i]) == 0) {
            code = i + 1;
            return 1;
        }
    }
    return 0;
}

const char* LineStyleName(int code) {
    int c = code & 0xFF;
    return c >= 1 && c <= 4 ? kNames[c - 1] : nullptr;
}

std::vector<int> DashPattern(int style, int width, bool round) {
    if (style <= 0) return {};
    int w = width < 1 ? 1 : width;
    int dash = round ? 2 * w : 3 * w;
    int dot = round ? 1 : w;
    int gap = round ? 2 * w : w;
    int base = style;
    if (style >= 6) {
        gap *= 2;
        base = style > 9 ? 5 : style - 5;
    }
    std::vector<int> p{dash, gap};
    switch (base) {
    case 1: break;
    case 2: p = {dot, gap}; break;
    default: {
        int dots = base - 2;  // 3: one dot, 4: two, 5: three
        for (int i = 0; i < dots; ++i) {
            p.push_back(dot);
            p.push_back(gap);
        }
    }
    }
    return p;
}

platform::Pen CreateStylePen(const CDrawContext& context, int style, int width, int slot) {
    platform::Pen pen = SlotPen(context, slot);
    if (pen.style == platform::PenStyle::Null) return pen;
    int cosmetic = style >= 0 && style <= 4 ? style : 0;
    pen.style = static_cast<platform::PenStyle>(cosmetic);
    pen.width = width;
    if (width > 1 && style != 0) {
        pen.geometric = true;
        pen.cap = platform::LineCap::Square;
    }
    return pen;
}

double DecadeFloor(double x) {
    x *= 1.000001;
    double exponent = x == 0.0 ? 0.0 : std::floor(std::log10(std::fabs(x)));
    return SafePow(10.0, exponent);
}

void CDashPen::Reset() {
    context_ = nullptr;
    pattern_.clear();
    index_ = remaining_ = 0;
}

void CDashPen::Create(CDrawContext& context, bool round, int width, int style, int slot) {
    context_ = &context;
    pattern_ = DashPattern(style, width, round);
    index_ = 0;
    remaining_ = pattern_.empty() ? 0 : pattern_[0];
    platform::Pen pen = SlotPen(context, slot);
    pen.width = width;
    pen.geometric = true;
    pen.cap = round ? platform::LineCap::Round : platform::LineCap::Flat;
    pen.join = round ? platform::LineJoin::Round : platform::LineJoin::Miter;
    if (context.Dc()) context.Dc()->SetPen(pen);
}

void CDashPen::Move(int x, int y) {
    if (context_ && context_->Dc()) context_->Dc()->MoveTo(platform::Point{x, y});
}

void CDashPen::Line(int x, int y) {
    if (context_ && context_->Dc()) context_->Dc()->LineTo(platform::Point{x, y});
}

void CDashPen::MoveTo(int x, int y) {
    index_ = 0;
    remaining_ = pattern_.empty() ? 0 : pattern_[0];
    x_ = x;
    y_ = y;
    Move(x, y);
}

void CDashPen::LineTo(int x, int y) {
    if (pattern_.empty()) {
        Line(x, y);
        x_ = x;
        y_ = y;
        return;
    }
    // Bresenham walk along the major axis; a dash is drawn as one line from where it
    // began to where the pattern switches to a gap.
    int dx = std::abs(x - x_), dy = std::abs(y - y_);
    int sx = x > x_ ? 1 : -1, sy = y > y_ ? 1 : -1;
    bool xMajor = dx >= dy;
    int major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    int error = major;
    int cx = x_, cy = y_;
    for (int step = 0; step < major; ++step) {
        if (xMajor) cx += sx; else cy += sy;
        error -= minor;
        if (error <= 0) {
            if (xMajor) cy += sy; else cx += sx;
            error += major;
        }
        if (--remaining_ <= 0) {
            index_ = (index_ + 1) % static_cast<int>(pattern_.size());
            remaining_ = pattern_[index_];
            if (index_ % 2 == 1) Line(cx, cy);  // a gap begins: the dash ends here
            else Move(cx, cy);                  // a dash begins
            if (step == major - 1) break;
        }
    }
    if (index_ % 2 == 0) Line(x, y);
    else Move(x, y);
    x_ = x;
    y_ = y;
}

}  // namespace ob7

#include "platform/desktop.h"
#include "platform/dialog.h"

namespace ob7 {

void StyleCombo::Fill(int code) {
    dialog_.ResetContent(id_);
    std::vector<int> codes;
    switch (kind_) {
    case StyleComboKind::LineStyle: codes = {0, 1, 2, 3, 4}; break;
    case StyleComboKind::Hatch: codes = {10, 0, 1, 2, 3, 4, 5}; break;
    case StyleComboKind::Arrow: codes = {0, 1, 2}; break;
    }
    for (int c : codes) dialog_.SetItemData(id_, dialog_.AddString(id_, ""), c);
    if (kind_ == StyleComboKind::LineStyle && code < 0) {
        dialog_.SetCurSel(id_, -1);
        return;
    }
    int index = 0;
    for (size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == code) index = static_cast<int>(i);
    dialog_.SetCurSel(id_, index);
}

int StyleCombo::GetSelData() const {
    int sel = dialog_.CurSel(id_);
    return sel < 0 ? -1 : static_cast<int>(dialog_.ItemData(id_, sel));
}

bool StyleCombo::DrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) const {
    if (item.controlId != id_) return false;
    using platform::desktop::SystemColor;
    using platform::desktop::GetSystemColor;
    platform::Rect r = item.rect;
    bool disabled = !dialog_.IsItemEnabled(id_);
    platform::Color background = disabled ? GetSystemColor(SystemColor::ButtonFace)
                                 : item.selected ? GetSystemColor(SystemColor::Highlight)
                                                 : GetSystemColor(SystemColor::Window);
    platform::Color content = disabled ? GetSystemColor(SystemColor::ButtonShadow)
                              : item.selected ? GetSystemColor(SystemColor::HighlightText)
                                              : GetSystemColor(SystemColor::WindowText);
    dc.FillRect(r, platform::Brush::Solid(background));
    if (item.item < 0) {
        if (item.focused) dc.DrawFocusRect(r);
        return true;
    }
    int code = static_cast<int>(item.data);
    platform::Rect in{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    int mid = (in.top + in.bottom) / 2;
    switch (kind_) {
    case StyleComboKind::LineStyle: {
        platform::Pen pen = platform::Pen::Solid(content);
        pen.style = static_cast<platform::PenStyle>(std::clamp(code, 0, 4));
        dc.SetPen(pen);
        dc.MoveTo(platform::Point{in.left, mid});
        dc.LineTo(platform::Point{in.right - 1, mid});
        break;
    }
    case StyleComboKind::Hatch: {
        platform::Brush brush = code == 10 ? platform::Brush::Solid(content) : platform::Brush::Hatched(code, content);
        dc.SetBkOpaque(false);
        dc.SetPen(platform::Pen::Null());
        dc.SetBrush(brush);
        dc.Rectangle(in);
        break;
    }
    case StyleComboKind::Arrow: {
        int end = in.right - 1;
        dc.SetPen(platform::Pen::Solid(content));
        dc.MoveTo(platform::Point{in.left, mid});
        dc.LineTo(platform::Point{end, mid});
        constexpr int kHead = 5;
        if (code == 1) {
            dc.SetBrush(platform::Brush::Solid(content));
            dc.Polygon({{end, mid}, {end - 2 * kHead, mid - kHead}, {end - 2 * kHead, mid + kHead}});
        } else if (code == 2) {
            dc.MoveTo(platform::Point{end - 2 * kHead, mid - kHead});
            dc.LineTo(platform::Point{end, mid});
            dc.LineTo(platform::Point{end - 2 * kHead, mid + kHead + 1});
        }
        break;
    }
    }
    if (item.focused && item.item >= 0 && !item.selected) dc.DrawFocusRect(r);
    return true;
}

}  // namespace ob7
