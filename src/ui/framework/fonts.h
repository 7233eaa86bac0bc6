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

}  // namespace ob7
