#pragma once
// CDrawContext: the small wrapper every window draws through. It knows whether the
// device is monochrome, what kind of device it is and whether colours go through the
// program palette, and selects the pens and brushes of the colour slots in the form
// that suits the device.

#include <string>

#include "platform/draw_context.h"

namespace ob7 {

class CDrawContext {
public:
    CDrawContext() = default;
    explicit CDrawContext(platform::DrawContext* dc) { Attach(dc); }

    // Binds to a platform context (which stays the caller's); null leaves the flags 0.
    void Attach(platform::DrawContext* dc);
    platform::DrawContext* Dc() const { return dc_; }

    platform::DeviceKind technology = platform::DeviceKind::Memory;
    int monochrome = 0;     // the device shows two colours
    int paletteDevice = 0;  // user colours are resolved through the program palette

    void SelectSlotPen(int slot);
    void SelectSlotBrush(int slot);
    platform::Pen GetPenEntry(int slot) const;
    platform::Brush GetBrushEntry(int slot) const;
    // Set the text or background colour to the slot's colour; return the previous one.
    platform::Color SetTextColorIndex(int slot);
    platform::Color SetBkColorIndex(int slot);
    int DrawText(const std::string& text, platform::Rect& rect, int format);
    void ClipToRect(const platform::Rect& logical);
    void ResetClip();

private:
    platform::DrawContext* dc_ = nullptr;
    platform::Color text_ = 0;
    platform::Color background_ = platform::Rgb(255, 255, 255);
};

// A line (or a rectangle with these corners). Our coordinates are 32-bit throughout,
// so nothing needs clipping to a 16-bit range.
void DrawClippedLine(CDrawContext& context, int x1, int y1, int x2, int y2, bool isRectangle);

}  // namespace ob7
