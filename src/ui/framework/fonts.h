#pragma once
// Font records made into drawing fonts, and the font dialog run on a record.

#include "foundation/font_record.h"
#include "platform/draw_context.h"

namespace platform {
class Window;
}

namespace ob7 {

// The drawing font of a record (size in points, face, style bits, rotation).
platform::Font CreateFontFromRecord(const FontRecord& record);
// The record of a drawing font; the colour stays.
void FontToRecord(const platform::Font& font, FontRecord& record);
// The font dialog on a record; true on OK with the record changed (colour kept).
bool RunFontDialogOnRecord(platform::Window* parent, FontRecord& record);

// The program's font sheet on a record: what = 1 the font, 2 the colour (the record's
// colour byte), 3 both. 1 on OK, else 0.
enum : int { kEditFont = 1, kEditColour = 2 };
int RunFontSheet(platform::Window* parent, FontRecord& record, int what);

// A record's font selected into a context for drawing; selecting the same height, face
// and style again makes no new font. Restore gives the context its font back.
class FontSelector {
public:
    void Select(platform::DrawContext& dc, const FontRecord& record);
    void Restore(platform::DrawContext& dc);
    int FontsMade() const { return made_; }

private:
    bool holding_ = false;
    FontRecord current_{};
    platform::Font old_;
    int made_ = 0;
};

// Text measuring in the font selected into a context (for the record functions).
class DrawContextMeasure : public TextMeasure {
public:
    explicit DrawContextMeasure(platform::DrawContext& dc) : dc_(dc) {}
    int TextWidth(const char* text, int length) override;
    int TextHeight() override;
    int ExternalLeading() override;

private:
    platform::DrawContext& dc_;
};

}  // namespace ob7
