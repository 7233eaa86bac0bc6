#include "ui/framework/draw_context.h"

#include "ui/framework/colour_slots.h"

namespace ob7 {

using platform::DeviceKind;

void CDrawContext::Attach(platform::DrawContext* dc) {
    dc_ = dc;
    paletteDevice = 0;
    monochrome = 0;
    technology = DeviceKind::Memory;
    if (!dc) return;
    technology = dc->Kind();
    monochrome = dc->IsMonochrome() ? 1 : 0;
    // Windows resolve user colours through the palette, so that a changed user colour
    // shows in every window once it repaints; images, pictures and pages get RGB.
    paletteDevice = technology == DeviceKind::Display ? 1 : 0;
}

platform::Pen CDrawContext::GetPenEntry(int slot) const { return SlotPen(*this, slot); }
platform::Brush CDrawContext::GetBrushEntry(int slot) const { return SlotBrush(*this, slot); }

void CDrawContext::SelectSlotPen(int slot) {
    if (dc_) dc_->SetPen(GetPenEntry(slot));
}

void CDrawContext::SelectSlotBrush(int slot) {
    if (dc_) dc_->SetBrush(GetBrushEntry(slot));
}

platform::Color CDrawContext::SetTextColorIndex(int slot) {
    platform::Color previous = text_;
    text_ = GetColourFromSlot(*this, slot);
    if (dc_) dc_->SetTextColor(text_);
    return previous;
}

platform::Color CDrawContext::SetBkColorIndex(int slot) {
    platform::Color previous = background_;
    background_ = GetColourFromSlot(*this, slot);
    if (dc_) dc_->SetBkColor(background_);
    return previous;
}

int CDrawContext::DrawText(const std::string& text, platform::Rect& rect, int format) {
    return dc_ ? dc_->DrawText(text, rect, format) : 0;
}

void CDrawContext::ClipToRect(const platform::Rect& logical) {
    if (dc_) dc_->ClipToRect(logical);
}

void CDrawContext::ResetClip() {
    if (dc_) dc_->ResetClip();
}

void DrawClippedLine(CDrawContext& context, int x1, int y1, int x2, int y2, bool isRectangle) {
    platform::DrawContext* dc = context.Dc();
    if (!dc) return;
    if (isRectangle) {
        dc->Rectangle(platform::Rect{x1, y1, x2, y2});
    } else {
        dc->MoveTo(platform::Point{x1, y1});
        dc->LineTo(platform::Point{x2, y2});
    }
}

}  // namespace ob7
