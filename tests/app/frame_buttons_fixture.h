#pragma once
// The set-up tests of the main frame's tool bars share: the program's colours, the
// shipped tool pictures (OB7_HOME at the test data) and the frame's button tables with
// the given buttons shown.

#include <cstdlib>

#include "app/main_tool_bar.h"
#include "app/tool_buttons.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

namespace ob7 {

inline void PrepareFrameButtons(int shownMask) {
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    if (const char* data = std::getenv("OB7_DATA_DIR")) setenv("OB7_HOME", data, 1);
    SetToolBarDefaults();
    BuildFrameButtonList();
    SetToolButtonDefaults(-1, FrameButtonList.entries.data(), FrameButtonList.count, 1, &ComponentButtons.partNames,
                          shownMask);
    IndexComponentButtons();
}

// The drawing windows' own bars with their default buttons for a 1280-pixel screen.
inline void PrepareDrawToolBars() {
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    if (const char* data = std::getenv("OB7_DATA_DIR")) setenv("OB7_HOME", data, 1);
    SetDefaultToolBarButtons(DefaultButtonMask(1280));
    InstallToolBarTables();
    InstallDrawToolBars();
}

}  // namespace ob7
