#include "ui/framework/fonts.h"

#include "platform/file_dialog.h"

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

}  // namespace ob7
