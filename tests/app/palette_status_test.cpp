// The status bar over a component palette: the component under the pointer in the list,
// the chosen one of the drop-down list, the palette's name over the bar itself, and
// nothing while the status bar is hidden.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/main_frame.h"
#include "app/palette_bar.h"
#include "libraries/component_library.h"
#include "platform/application.h"
#include "platform/automation.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;
using platform::automation::HoverListBar;

TEST(PaletteStatus, ComponentUnderThePointerOrThePaletteName) {
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    if (const char* data = std::getenv("OB7_DATA_DIR")) setenv("OB7_HOME", data, 1);
    SetDefaultPaletteNames();
    FreeComponentLibraries();
    ComponentLibraryTable().emplace_back();
    // Palette numbers are the low four bits of the mask: R and C on the first palette.
    for (auto [name, memo, mask] : {std::tuple{"R", "Resistor", 0x1801}, {"Ground", "", 0x1800}, {"C", "", 0x1801}}) {
        ComponentDef* def = ComponentLibraryTable()[0].Add();
        def->name = name;
        def->memo = memo;
        def->mask = static_cast<uint16_t>(mask);
    }
    CMainFrame frame;
    ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1280, 800}));
    TestApp().SetMainWindow(&frame);
    frame.Show(true);
    ASSERT_TRUE(frame.CreateToolBars(16));
    frame.CreateStatusBar(true);
    frame.noSavedPaletteLayout = true;
    frame.PlacePalettesByDefault();
    frame.TogglePalette(0);
    platform::Application::PumpMessages();
    const int id = CPaletteBar::kFirstId;
    ASSERT_EQ(frame.palettes[0].Parts().size(), 2u);
    ASSERT_TRUE(frame.IsListBarInListMode(id));  // floating: a list box

    HoverListBar(frame, id, 0);
    EXPECT_EQ(frame.GetPromptText(), "R:Resistor");
    HoverListBar(frame, id, 1);
    EXPECT_EQ(frame.GetPromptText(), "C");  // no memo
    HoverListBar(frame, id, -2);
    EXPECT_EQ(frame.GetPromptText(), "Component Palette. " + frame.palettes[0].Name());
    EXPECT_EQ(frame.palettes[0].Name(), "Analog");

    // Docked across the top it is a drop-down list: its choice is named.
    frame.DockToolBar(id, platform::DockSide::Top);
    platform::Application::PumpMessages();
    ASSERT_FALSE(frame.IsListBarInListMode(id));
    frame.SetListBarSelection(id, 1);
    HoverListBar(frame, id, -1);
    EXPECT_EQ(frame.GetPromptText(), "C");

    // Hidden status bar: nothing is written.
    frame.ToggleStatusBar();
    frame.SetListBarSelection(id, 0);
    HoverListBar(frame, id, -1);
    frame.ToggleStatusBar();
    EXPECT_NE(frame.GetPromptText(), "R:Resistor");

    TestApp().SetMainWindow(nullptr);
    frame.Destroy();
    FreeComponentLibraries();
}
