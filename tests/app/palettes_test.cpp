// The nine component palettes: their names in the profile, their components from the
// libraries, default places, the toggle commands, greying, list and combo modes, and
// what a choice in a palette or a component command does.
#include <gtest/gtest.h>

#include "frame_buttons_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "app/main_frame.h"
#include "app/palette_bar.h"
#include "app/preferences.h"
#include "platform/automation.h"
#include "app/settings_profile.h"
#include "app/tool_bar_pages.h"
#include "app/tool_buttons.h"
#include "libraries/component_def.h"
#include "libraries/component_library.h"
#include "libraries/component_types.h"
#include "libraries/shape.h"
#include "platform/application.h"
#include "profile_fixture.h"
#include "ui/framework/shell_state.h"

using namespace ob7;

namespace {

class PaletteNamesTest : public ProfileInFolder {
protected:
    PaletteNamesTest() : ProfileInFolder("ob7_palettes_") {}
};

class PalettesInFrame : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareFrameButtons(0x30);
        FreeComponentLibraries();
        ComponentLibraryTable().emplace_back();
        // Palette numbers are the low four bits of the mask.
        for (auto [name, mask, type] : {std::tuple{"R", 0x1801, CT_RESISTOR}, {"Ground", 0x1800, CT_GROUND},
                                        {"C", 0x1801, CT_CAPACITOR}, {"AND2", 0x1803, CT_AND}}) {
            ComponentDef* def = ComponentLibraryTable()[0].Add();
            def->name = name;
            def->memo = std::string(name) + " part";
            def->mask = static_cast<uint16_t>(mask);
            def->type = type;
            def->shape = &DefaultShape();
            def->group = -1;  // top level
        }
        ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1280, 800}));
        TestApp().SetMainWindow(&frame);
        frame.Show(true);
        ASSERT_TRUE(frame.CreateToolBars(16));
        frame.noSavedPaletteLayout = true;
        frame.PlacePalettesByDefault();
        platform::Application::PumpMessages();
    }
    void TearDown() override {
        TestApp().SetMainWindow(nullptr);
        frame.Destroy();
        FreeComponentLibraries();
        CurrentComponent = nullptr;
    }
    platform::CommandUI Update(int id) {
        platform::CommandUI ui(id);
        frame.RouteUpdate(ui);
        return ui;
    }
    CMainFrame frame;
};

// Selects the "Component" group and the list item of an entry, as the user's clicks do.
void SelectComponentButton(CMainToolBarPage& page, int entry) {
    using Page = CMainToolBarPage;
    page.SetCurSel(Page::kGroupList, page.FindStringExact(Page::kGroupList, "Component"));
    page.OnControlNotify(Page::kGroupList, platform::Notify::SelChange);
    for (int i = 0; i < page.ItemCount(Page::kButtonList); ++i)
        if (page.ItemData(Page::kButtonList, i) == entry) page.SetCurSel(Page::kButtonList, i);
    page.OnControlNotify(Page::kButtonList, platform::Notify::SelChange);
}

}  // namespace

TEST_F(PaletteNamesTest, NamesReadFromBarKeysAndWrittenBack) {
    Write("[Palettes]\nPALETTE_16=255\nBar 2=Logic\nbar 8=Last one\nBar 9=Outside\nBar 1=\nBar x=Bad\n");
    LoadProfile();
    EXPECT_EQ(PaletteNames()[0], "Analog");
    EXPECT_EQ(PaletteNames()[1], "Analog Models");  // an empty value keeps the name
    EXPECT_EQ(PaletteNames()[2], "Logic");
    EXPECT_EQ(PaletteNames()[8], "Last one");
    ASSERT_EQ(SaveProfile(), 0);
    const std::string text = Read();
    EXPECT_NE(text.find("PALETTE_16=255\n"), std::string::npos);
    EXPECT_NE(text.find("Bar 0=Analog\nBar 1=Analog Models\nBar 2=Logic\nBar 3=Digital ICs\n"), std::string::npos);
    EXPECT_NE(text.find("Bar 8=Last one\n"), std::string::npos);
    std::string name;
    EXPECT_EQ(GetPaletteBarName(2, name), 6);
    EXPECT_EQ(name, "Logic");
}

TEST_F(PalettesInFrame, FilledFromTheLibrariesAndHiddenUntilAskedFor) {
    EXPECT_EQ(frame.palettes[0].Parts().size(), 2u);
    EXPECT_EQ(frame.palettes[0].Parts()[1]->name, "C");
    EXPECT_EQ(frame.palettes[2].Parts().size(), 1u);
    EXPECT_TRUE(frame.palettes[1].Parts().empty());
    // Without a saved layout none is visible; they float.
    for (const CPaletteBar& palette : frame.palettes) EXPECT_FALSE(palette.IsVisible()) << palette.Number();
    EXPECT_TRUE(frame.IsToolBarFloating(CPaletteBar::kFirstId));
    // The palette font: 12-pixel characters.
    EXPECT_EQ(frame.ListBarFontHeight(CPaletteBar::kFirstId + 4), 12);

    platform::CommandUI first = Update(17541);
    EXPECT_EQ(first.Text(), "&1:Analog\tCtrl+1");
    EXPECT_TRUE(first.Enabled());
    EXPECT_EQ(first.Checked(), 0);
    EXPECT_FALSE(Update(17542).Enabled());  // no components
    EXPECT_TRUE(frame.ExecuteCommand(17541));
    EXPECT_TRUE(frame.palettes[0].IsVisible());
    EXPECT_EQ(Update(17541).Checked(), 1);
    EXPECT_TRUE(frame.IsListBarInListMode(CPaletteBar::kFirstId));  // floating: a list
    // Not during an analysis.
    Shell.analysisKind = 0;
    EXPECT_FALSE(Update(17541).Enabled());
    Shell.analysisKind = -1;
    EXPECT_TRUE(frame.ExecuteCommand(17541));
    EXPECT_FALSE(frame.palettes[0].IsVisible());
}

TEST_F(PalettesInFrame, ChoosingAPartAndComponentCommands) {
    frame.OnListBarSelect(CPaletteBar::kFirstId, 1);
    EXPECT_EQ(CurrentComponent, frame.palettes[0].Parts()[1]);
    frame.OnListBarSelect(CPaletteBar::kFirstId, 5);  // no such entry
    EXPECT_EQ(CurrentComponent, frame.palettes[0].Parts()[1]);
    // Component commands count the components of the libraries from 32000.
    EXPECT_TRUE(frame.ExecuteCommand(32003));
    EXPECT_EQ(CurrentComponent->name, "AND2");
    EXPECT_FALSE(Update(32004).Enabled());
    // A component button acts as the component its part name resolves to.
    ComponentButtons.partNames[0] = "ground";
    ComponentButtons.partNames[1] = "Missing";
    EXPECT_EQ(ResolvePaletteParts(), 1);
    EXPECT_EQ(MapComponentButtonCommand(14200), 32001);
    EXPECT_EQ(MapComponentButtonCommand(14201), 0);
    EXPECT_TRUE(frame.ExecuteCommand(14200));
    EXPECT_EQ(CurrentComponent->name, "Ground");
}

TEST_F(PalettesInFrame, ComponentMenuWithGroupsAndRecentComponents) {
    // Groups become sub-menus ahead of the top-level components; shorts are left out and
    // a component without a shape is greyed.
    ComponentLibrary& library = ComponentLibraryTable()[0];
    ComponentGroup* passive = library.MakeGroupPath("Analog\nPassive");
    ASSERT_NE(passive, nullptr);
    library.components[2]->group = passive->number;  // C, command 32002
    for (auto [name, type] : {std::pair{"Short", CT_SHORT}, {"Bare", CT_RESISTOR}}) {
        ComponentDef* def = library.Add();
        def->name = name;
        def->type = type;
        def->group = -1;
    }
    platform::Menu& component = *frame.MainMenu().SubMenu(2);
    frame.OnInitMenuPopup(component, 2);
    std::vector<std::string> texts;
    for (int i = 0; i < component.Count(); ++i) texts.push_back(component.At(i).text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Analog", "", "R", "Ground", "AND2", "Bare", "",
                                               "&Find Component...\tCtrl+Shift+F"}));
    ASSERT_NE(component.SubMenu(0), nullptr);
    platform::Menu* sub = component.SubMenu(0)->SubMenu(0);
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->Count(), 1);
    EXPECT_EQ(sub->At(0).id, 32002);
    EXPECT_EQ(component.At(2).id, 32000);
    EXPECT_EQ(component.At(5).id, 32005);
    EXPECT_TRUE(component.At(5).flags & platform::kMenuGrayed);
    EXPECT_FALSE(Update(32005).Enabled());
    EXPECT_TRUE(Update(32000).Enabled());

    // Recent components follow "Find Component" after a separator, numbered 1 to 9 then 0.
    ClearRecentComponents();
    for (const char* name : {"R", "C", "AND2", "R"}) AddRecentComponent(name);
    frame.OnInitMenuPopup(component, 2);
    frame.OnInitMenuPopup(component, 2);  // a second build gives the same pop-up
    const int find = component.FindPosition(17308);
    ASSERT_EQ(component.Count(), find + 5);
    EXPECT_TRUE(component.At(find + 1).flags & platform::kMenuSeparator);
    EXPECT_EQ(component.At(find + 2).text, "&1 R");
    EXPECT_EQ(component.At(find + 2).id, 17350);
    EXPECT_EQ(component.At(find + 4).text, "&3 C");
    EXPECT_EQ(component.At(find + 4).id, 17352);

    // The prompt: name and memo; the name alone when no library has it; nothing when empty.
    EXPECT_EQ(PromptTextForId(17351), "AND2:AND2 part");
    EXPECT_EQ(PromptTextForId(32001), "Ground:Ground part");
    AddRecentComponent("Gone");
    EXPECT_EQ(PromptTextForId(17350), "Gone");
    EXPECT_EQ(PromptTextForId(17359), "");

    // Choosing one makes it current; a name no library has changes nothing.
    EXPECT_TRUE(frame.ExecuteCommand(17351));
    EXPECT_EQ(CurrentComponent->name, "R");
    EXPECT_TRUE(frame.ExecuteCommand(17350));
    EXPECT_EQ(CurrentComponent->name, "R");

    // Ten names: the tenth is numbered 0.
    for (int i = 0; i < 10; ++i) AddRecentComponent("P" + std::to_string(i));
    frame.OnInitMenuPopup(component, 2);
    ASSERT_EQ(component.Count(), find + 12);
    EXPECT_EQ(component.At(find + 11).text, "&0 P0");
    EXPECT_EQ(component.At(find + 11).id, 17359);
    ClearRecentComponents();
    frame.OnInitMenuPopup(component, 2);
    EXPECT_EQ(component.Count(), find + 1);
}

TEST_F(PalettesInFrame, ComponentMenuColumnsOfTwentyFive) {
    // 60 components of one group: columns of 25, 25 and 10.
    ComponentLibrary& library = ComponentLibraryTable()[0];
    ComponentGroup* big = library.MakeGroupPath("Big");
    for (int i = 0; i < 60; ++i) {
        ComponentDef* def = library.Add();
        def->name = "P" + std::to_string(i);
        def->type = CT_RESISTOR;
        def->shape = &DefaultShape();
        def->group = big->number;
    }
    platform::Menu& component = *frame.MainMenu().SubMenu(2);
    frame.OnInitMenuPopup(component, 2);
    platform::Menu* sub = component.SubMenu(0);
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->Count(), 60);
    std::vector<int> breaks;
    for (int i = 0; i < sub->Count(); ++i)
        if (sub->At(i).flags & platform::kMenuBreak) breaks.push_back(i);
    EXPECT_EQ(breaks, (std::vector<int>{25, 50}));
}

TEST_F(PalettesInFrame, GreyedDuringAnAnalysisAndDockedAsACombo) {
    frame.TogglePalette(0);
    frame.TogglePalette(2);
    frame.DockToolBar(CPaletteBar::kFirstId + 2, platform::DockSide::Top);
    platform::Application::PumpMessages();
    EXPECT_FALSE(frame.IsListBarInListMode(CPaletteBar::kFirstId + 2));  // docked at the top: a combo
    frame.SetListBarSelection(CPaletteBar::kFirstId + 2, 0);
    EXPECT_EQ(frame.ListBarSelection(CPaletteBar::kFirstId + 2), 0);

    // The floating one vanishes, the docked one stays greyed; both come back.
    frame.DisableComponentPalettes(0);
    EXPECT_FALSE(frame.palettes[0].IsVisible());
    EXPECT_TRUE(frame.palettes[2].IsVisible());
    EXPECT_EQ(frame.palettes[2].disabledBy[0], 1);
    frame.RestoreComponentPalettes(0);
    EXPECT_TRUE(frame.palettes[0].IsVisible());
    EXPECT_EQ(frame.palettes[2].disabledBy[0], 0);
    // Floating again brings the list back.
    frame.DockToolBar(CPaletteBar::kFirstId + 2, platform::DockSide::Left);
    platform::Application::PumpMessages();
    EXPECT_TRUE(frame.IsListBarInListMode(CPaletteBar::kFirstId + 2));

    std::filesystem::create_directories("png");
    EXPECT_TRUE(frame.Grab().SavePng("png/component_palettes.png"));
}

// The Component Palettes page: names and shown palettes applied, and put back on Cancel.
TEST_F(PalettesInFrame, PreferencesPageNamesAndShowsPalettes) {
    ProfileFile.fatalStartup = true;  // no profile file here
    platform::automation::QueueModalScript([this](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        sheet.SetActivePage(7);
        platform::Application::PumpMessages();
        CPalettesPage& page = sheet.componentPalettes;
        EXPECT_EQ(page.ItemText(115), "Analog");
        EXPECT_FALSE(page.IsItemEnabled(1009));  // palette 2 has no components
        EXPECT_TRUE(page.IsItemEnabled(1010));
        page.SetItemText(115, "Passives");
        page.SetItemText(116, "");  // an empty name changes nothing
        page.CheckButton(1010, 1);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/preferences_component_palettes.png"));
        EXPECT_TRUE(sheet.ApplyNowAll());
        EXPECT_EQ(PaletteNames()[0], "Passives");
        EXPECT_EQ(PaletteNames()[1], "Analog Models");
        EXPECT_TRUE(frame.palettes[2].IsVisible());
        sheet.OnCancel();  // undoes the Apply
        return 2;
    });
    RunPreferences();
    EXPECT_EQ(PaletteNames()[0], "Analog");
    EXPECT_FALSE(frame.palettes[2].IsVisible());
    ProfileFile.fatalStartup = false;
}

// The Main Tool Bar page: a component button's part name and whether the Component bar
// is shown, written back on OK into the button tables and the "Main Toolbar" and "Tool
// Bitmaps" sections; a part that is not loaded keeps the sheet open.
TEST_F(PalettesInFrame, MainToolBarPageBindsComponentButtonsAndHidesBars) {
    using Page = CMainToolBarPage;
    const std::filesystem::path profile =
        std::filesystem::temp_directory_path() / ("ob7_main_tool_bar_page_" + std::to_string(::getpid()) + ".dat");
    ProfileFile.path = profile.string();
    ProfileFile.fatalStartup = false;
    ASSERT_TRUE(frame.ToolBarWanted(kGroupComponent));
    const int first = ComponentButtons.listIndex[0];

    // OK refuses a shown component button whose part is in no library: give every default
    // binding its part.
    for (const std::string& name : ComponentButtons.partNames)
        if (!name.empty() && !FindComponentByName(name, nullptr, false)) ComponentLibraryTable()[0].Add()->name = name;
    platform::automation::QueueModalScript([&](platform::Dialog& d) -> int {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        sheet.SetActivePage(6);
        platform::Application::PumpMessages();
        Page& page = sheet.mainToolBar;
        SelectComponentButton(page, first);
        EXPECT_TRUE(page.IsItemVisible(Page::kPictureFrame));
        EXPECT_EQ(page.ItemText(Page::kPartName), "Ground");
        EXPECT_EQ(page.IsButtonChecked(Page::kShowToolBar), 1);
        page.SetItemText(Page::kPartName, "R");
        page.OnControlNotify(Page::kPartName, platform::Notify::KillFocus);
        page.CheckButton(Page::kShowToolBar, 0);
        page.RouteCommand(Page::kShowToolBar);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/preferences_main_tool_bar.png"));
        EXPECT_EQ(ComponentButtons.partNames[0], "Ground");  // nothing written before OK
        sheet.OnOK();
        return 1;
    });
    RunPreferences();
    EXPECT_EQ(ComponentButtons.partNames[0], "R");
    EXPECT_FALSE(frame.ToolBarWanted(kGroupComponent));
    EXPECT_FALSE(frame.IsToolBarVisible(CMainFrame::kFrameToolBarFirst + kGroupComponent));
    EXPECT_TRUE(frame.ToolBarWanted(kGroupFile));
    std::ifstream in(profile);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[Main Toolbar]\nTCOMP01=On\n"), std::string::npos);
    EXPECT_NE(text.str().find("BITMAP_NAME_1=R\n"), std::string::npos);
    std::filesystem::remove(profile);
    ProfileFile.path.clear();
}

// Drawing the "Ground" button's picture in the enlarged frame: a click toggles the pixel
// under it, a drag paints the crossed pixels with that new state, the 3-pixel margin is
// not part of the picture. Cancel keeps the old picture; OK stores it in the profile.
TEST_F(PalettesInFrame, MainToolBarPageDrawsAComponentButtonsPicture) {
    using Page = CMainToolBarPage;
    using platform::MouseAction;
    const std::filesystem::path profile =
        std::filesystem::temp_directory_path() / ("ob7_main_tool_bar_draw_" + std::to_string(::getpid()) + ".dat");
    ProfileFile.path = profile.string();
    ProfileFile.fatalStartup = false;
    // The "Ground" picture, top row first.
    const std::array<int32_t, 15> ground = {0, 0x100, 0x100, 0x100, 0x100, 0x100, 0x100, 0xFE0, 0, 0x7C0, 0, 0x380,
                                            0, 0x100, 0};
    ASSERT_EQ(ComponentButtons.glyphs[0], ground);
    for (const std::string& name : ComponentButtons.partNames)
        if (!name.empty() && !FindComponentByName(name, nullptr, false)) ComponentLibraryTable()[0].Add()->name = name;
    const int entry = ComponentButtons.listIndex[0];
    // The middle of the screen pixels of face cell (column, row).
    auto at = [](const Page& page, int column, int row) {
        const platform::Rect r = page.PictureRect();
        const int w = r.Width() / 23, h = r.Height() / 22;
        return platform::Point{r.left + column * w + w / 2, r.top + row * h + h / 2};
    };
    auto mouse = [&](Page& page, MouseAction action, int column, int row) {
        platform::automation::SendMouseToItem(page, Page::kPictureFrame, action, at(page, column, row),
                                              action == MouseAction::Move ? platform::kLeftButton : 0);
    };

    auto edited = ground;
    edited[0] = 0xF;                      // painted along the top row
    edited[1] = edited[2] = 0;            // cleared down the stem
    platform::automation::QueueModalScript([&](platform::Dialog& d) -> int {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        sheet.SetActivePage(6);
        platform::Application::PumpMessages();
        Page& page = sheet.mainToolBar;
        SelectComponentButton(page, entry);
        const platform::Rect inner = page.PictureRect();
        EXPECT_EQ(inner.Width() % 23, 0);  // whole screen pixels per picture pixel
        EXPECT_EQ(inner.Height() % 22, 0);
        // The margin: columns and rows 0..2 of the face, and past the 16 x 15 picture.
        mouse(page, MouseAction::LeftDown, 1, 5);
        mouse(page, MouseAction::LeftDown, 5, 2);
        mouse(page, MouseAction::LeftDown, 19, 5);
        mouse(page, MouseAction::LeftDown, 5, 18);
        EXPECT_EQ(page.WorkingGlyphs()[0], ground);
        EXPECT_FALSE(page.IsModified());
        // Pixel (0, 0) was off: the drag paints on.
        mouse(page, MouseAction::LeftDown, 3, 3);
        for (int column = 4; column <= 6; ++column) mouse(page, MouseAction::Move, column, 3);
        mouse(page, MouseAction::LeftUp, 6, 3);
        // Pixel (8, 1) was on: the drag paints off, and over a pixel already off too.
        mouse(page, MouseAction::LeftDown, 11, 4);
        mouse(page, MouseAction::Move, 11, 5);
        mouse(page, MouseAction::Move, 11, 5);  // the same cell again changes nothing
        mouse(page, MouseAction::Move, 12, 5);
        mouse(page, MouseAction::LeftUp, 12, 5);
        EXPECT_EQ(page.WorkingGlyphs()[0], edited);
        EXPECT_TRUE(page.IsModified());
        EXPECT_EQ(ComponentButtons.glyphs[0], ground);  // nothing stored before OK
        platform::Application::PumpMessages();
        std::filesystem::create_directories("png");
        const platform::Image shot = d.Grab();
        EXPECT_TRUE(shot.SavePng("png/preferences_main_tool_bar_picture.png"));
        // On screen: the painted pixel in ink, the cleared one in the face colour.
        const platform::Rect frame = page.ItemRect(Page::kPictureFrame);
        const platform::Point origin = page.ClientToScreen({0, 0}), sheetOrigin = d.ClientToScreen({0, 0});
        auto shown = [&](int column, int row) {
            const platform::Point p = at(page, column, row);
            return shot.Pixel(origin.x - sheetOrigin.x + frame.left + p.x, origin.y - sheetOrigin.y + frame.top + p.y);
        };
        EXPECT_EQ(shown(4, 3), platform::Rgb(0, 0, 0));
        EXPECT_NE(shown(11, 4), platform::Rgb(0, 0, 0));
        EXPECT_EQ(shown(11, 9), platform::Rgb(0, 0, 0));  // the stem below, untouched
        // A new button face colour: the picture is drawn again on it.
        const platform::Color face = platform::desktop::GetSystemColor(platform::desktop::SystemColor::ButtonFace);
        platform::automation::SetSystemColor(platform::desktop::SystemColor::ButtonFace, platform::Rgb(0, 128, 255));
        platform::Application::PumpMessages();
        EXPECT_EQ(d.Grab().Pixel(origin.x - sheetOrigin.x + frame.left + at(page, 11, 4).x,
                                 origin.y - sheetOrigin.y + frame.top + at(page, 11, 4).y),
                  platform::Rgb(0, 128, 255));
        platform::automation::SetSystemColor(platform::desktop::SystemColor::ButtonFace, face);
        sheet.OnCancel();
        return 2;
    });
    RunPreferences();
    EXPECT_EQ(ComponentButtons.glyphs[0], ground);

    platform::automation::QueueModalScript([&](platform::Dialog& d) -> int {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        sheet.SetActivePage(6);
        platform::Application::PumpMessages();
        Page& page = sheet.mainToolBar;
        SelectComponentButton(page, entry);
        mouse(page, MouseAction::LeftDown, 3, 3);
        mouse(page, MouseAction::Move, 4, 3);
        sheet.OnOK();
        return 1;
    });
    RunPreferences();
    auto stored = ground;
    stored[0] = 0x3;
    EXPECT_EQ(ComponentButtons.glyphs[0], stored);
    std::ifstream in(profile);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("BITMAP_DATA_1=3,256,256,256,256,256,256,4064,0,1984,0,896,0,256,0\n"),
              std::string::npos);
    std::filesystem::remove(profile);
    ProfileFile.path.clear();
}
