#pragma once
// The sections of the settings profile that hold the tool bars' button choices and the
// component buttons' names and pictures.

#include "foundation/profile.h"

namespace ob7 {

// "Main Toolbar" (the main frame's buttons) and the "... Default ToolBar" sections of
// the window types: "Pos" and one "On"/"Off" key per button.
int SerializeToolBarSection(Profile& profile);
// "Tool Bitmaps": the component buttons' part names and glyphs.
int SerializeToolBitmaps(Profile& profile);
// "Component Palette" of old profiles: passed over, nothing kept or written.
int SkipComponentPaletteSection(Profile& profile);

}  // namespace ob7
