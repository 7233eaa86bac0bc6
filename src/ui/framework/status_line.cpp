#include "ui/framework/status_line.h"

#include <algorithm>

#include "foundation/string_table.h"
#include "platform/dialog.h"
#include "platform/image.h"

namespace ob7 {

namespace {

constexpr int kMaxPrompt = 300;

platform::Font& SharedFont() {
    static platform::Font font;
    return font;
}

std::string FirstLine(std::string text) {
    const size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.erase(end);
    return text;
}

std::string StringText(int id) {
    const char* text = id ? FindResString(id) : nullptr;
    return text ? std::string(text).substr(0, kMaxPrompt) : std::string();
}

}  // namespace

void SetStatusLineFont(const platform::Font& font) { SharedFont() = font; }
const platform::Font& StatusLineFont() { return SharedFont(); }

platform::Size CStatusLine::CalcFixedLayout() const {
    platform::Image probe(1, 1);
    platform::DrawContext dc(probe);
    dc.SetFont(font_);
    const platform::TextMetrics m = dc.GetTextMetrics();
    int height = lines_ * (m.height - m.internalLeading) + 2 * (kSystemBorder + kBarBorder) + kTopInset +
                 kBottomInset - 1;
    // Several lines keep the accents' room of each line.
    if (lines_ >= 2) height += lines_ * m.internalLeading;
    // The least a bar needs: one line of its font.
    return platform::Size{32767, std::max(height, m.height)};
}

void CStatusLine::Show(platform::Dialog& parent, int lines, bool grow) {
    parent_ = &parent;
    lines_ = std::max(1, lines);
    if (shown_) return;
    font_ = StatusLineFont();
    if (parent.HasItem(kBarId)) {
        parent.ShowItem(kBarId, true);
    } else {
        const auto kind = lines_ >= 2 ? platform::ControlKind::OwnerDrawStatic : platform::ControlKind::Static;
        parent.AddControl({kind, kBarId, "", platform::Rect{0, 0, 4, 8}});
    }
    parent.SetItemFont(kBarId, font_);
    barHeight_ = CalcFixedLayout().cy;
    if (grow) GrowParentForBar(barHeight_);
    PlaceBar();
    shown_ = 1;
}

void CStatusLine::Hide() {
    if (!shown_ || !parent_ || !parent_->HasItem(kBarId)) return;
    parent_->ShowItem(kBarId, false);
    GrowParentForBar(-barHeight_);
    shown_ = 0;
}

void CStatusLine::GrowParentForBar(int dy) {
    if (!parent_ || !parent_->IsCreated()) return;
    const platform::Rect r = parent_->WindowRect();
    parent_->Move(platform::Rect{r.left, r.top, r.right, r.bottom + dy});
}

void CStatusLine::PlaceBar() {
    const platform::Rect client = parent_->ClientRect();
    parent_->MoveItem(kBarId, platform::Rect{0, client.bottom - barHeight_, client.right, client.bottom});
}

void CStatusLine::SetText(const std::string& text) {
    if (!IsShown() || frozen_) return;
    parent_->SetItemText(kBarId, text);
    parent_->InvalidateItem(kBarId);
}

void CStatusLine::SetPromptById(int id) {
    if (!IsShown()) return;
    const std::string text = StringText(id);
    SetText(lines_ >= 2 ? text : FirstLine(text));
}

void CStatusLine::ShowControlHelp(int controlId) {
    if (!IsShown() || frozen_) return;
    SetText(FirstLine(StringText(controlId == 9 ? 18009 : controlId)));
}

std::string CStatusLine::Text() const { return parent_ ? parent_->ItemText(kBarId) : std::string(); }

void DrawItemTextTransparent(platform::DrawContext& dc, const platform::Rect& rect, const std::string& text) {
    dc.SetFont(StatusLineFont());
    dc.SetBkOpaque(false);
    platform::Rect area{rect.left + 2, rect.top + 1, rect.right - 2, rect.bottom};
    dc.DrawText(text, area, platform::kDtNoPrefix | platform::kDtWordBreak);
}

}  // namespace ob7
