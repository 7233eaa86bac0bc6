#include "ui/framework/fonts.h"

#include <algorithm>

#include "platform/file_dialog.h"
#include "ui/framework/colour_controls.h"

namespace ob7 {

platform::Font CreateFontFromRecord(const FontRecord& record) {
    LogicalFont logical;
    FontRecordToLogFont(record, logical);
    platform::Font font;
    if (!logical.faceName.empty()) font.face = logical.faceName;
    font.height = logical.height;
    font.weight = logical.weight;
    font.italic = logical.italic != 0;
    font.underline = logical.underline != 0;
    font.escapement = logical.escapement;
    return font;
}

void FontToRecord(const platform::Font& font, FontRecord& record) {
    LogicalFont logical;
    FontRecordToLogFont(record, logical);  // keeps what the drawing font does not carry
    logical.faceName = font.face;
    logical.height = font.height;
    logical.weight = font.weight;
    logical.italic = font.italic ? 1 : 0;
    logical.underline = font.underline ? 1 : 0;
    logical.escapement = font.escapement;
    LogFontToRecord(record, logical);
}

bool RunFontDialogOnRecord(platform::Window* parent, FontRecord& record) {
    platform::Font font = CreateFontFromRecord(record);
    if (!platform::RunFontDialog(parent, font)) return false;
    FontToRecord(font, record);
    return true;
}

int RunFontSheet(platform::Window* parent, FontRecord& record, int what) {
    static RememberedPosition position;
    CFontProp sheet(parent, (what & kEditFont) ? &record : nullptr, 0, (what & kEditColour) ? &record.color : nullptr,
                    &position);
    return sheet.DoModal() == 1 ? 1 : 0;
}

void FontSelector::Select(platform::DrawContext& dc, const FontRecord& record) {
    if (holding_ && current_.height == record.height && current_.face == record.face &&
        current_.style == record.style)
        return;
    Restore(dc);
    old_ = dc.GetFont();
    dc.SetFont(CreateFontFromRecord(record));
    current_ = record;
    holding_ = true;
    ++made_;
}

void FontSelector::Restore(platform::DrawContext& dc) {
    if (!holding_) return;
    dc.SetFont(old_);
    holding_ = false;
}

int DrawContextMeasure::TextWidth(const char* text, int length) {
    return dc_.TextExtent(std::string(text, static_cast<size_t>(std::max(length, 0)))).cx;
}

int DrawContextMeasure::TextHeight() { return dc_.GetTextMetrics().height; }

int DrawContextMeasure::ExternalLeading() { return dc_.GetTextMetrics().externalLeading; }

}  // namespace ob7
