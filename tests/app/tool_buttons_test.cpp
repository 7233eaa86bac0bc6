#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/main_frame.h"
#include "app/settings_profile.h"
#include "app/tool_buttons.h"
#include "platform/qt_app.h"
#include "profile_fixture.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

int Row(const char* name) { return FindToolButtonRowByName(name); }

std::vector<std::string> ShownNames(const ToolButtonEntry* entries, int count, int first, int last) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        if (entries[i].Visible && entries[i].Command >= first && entries[i].Command <= last)
            names.push_back(ToolButtonTable[entries[i].Row].Name);
    return names;
}

}  // namespace

TEST(ToolButtonTable, RowsCountsAndFields) {
    // Rows by group and strip, counted from the table.
    int perGroup[11] = {};
    int noGroup = 0, onFrame = 0;
    for (const ToolButtonInfo& info : ToolButtonTable) {
        if (info.Group < 0) ++noGroup; else ++perGroup[info.Group];
        if (info.Flags & kToolOnFrameBar) ++onFrame;
        EXPECT_NE(info.Command, 0) << info.Name;
        EXPECT_LE(std::string(info.Name).size(), 8u) << info.Name;
        EXPECT_EQ(info.ComponentCommand, 0);
    }
    EXPECT_EQ(perGroup[kGroupMode], 26);
    EXPECT_EQ(perGroup[kGroupComponent], 20);
    EXPECT_EQ(perGroup[kGroupEdit], 19);
    EXPECT_EQ(perGroup[kGroupFile], 10);
    EXPECT_EQ(perGroup[kGroupAnalysis], 19);
    EXPECT_EQ(perGroup[kGroupView], 13);
    EXPECT_EQ(perGroup[kGroupScope], 13);
    EXPECT_EQ(perGroup[kGroupCursor], 11);
    EXPECT_EQ(noGroup, 24);
    EXPECT_EQ(onFrame, 56);

    struct Case { int row; const char* name; int command, strip, image, flags, group; };
    const Case cases[] = {
        {0, "SELECT", 17561, 613, 0, 0x10, kGroupMode},  {12, "POLYCLOS", 17586, 616, 0, 0, kGroupMode},
        {27, "TCOMP04", 14203, 3, 3, 0x28, kGroupComponent}, {45, "REDO", 57644, 600, 17, 0x18, kGroupEdit},
        {66, "FILPX", 17210, 610, 4, 0x10, kGroupBox},   {80, "PROPERTY", 15678, 611, 3, 0x10, kGroupEdit},
        {85, "MAKEQRT", 17304, 615, 8, 0x19, kGroupWindows}, {97, "VID", 5400, 617, 2, 0x19, kGroupAnalysis},
        {113, "CURRENT", 219, 619, 11, 0x10, kGroupView}, {134, "HORIZCUR", 18047, 612, 10, 0x20, kGroupScope},
        {146, "SHREMOVE", 12120, 616, 13, 0, kGroupNone}, {149, "SHTEXT", 17592, 613, 2, 0, kGroupMode},
        {163, "CMPHELP", 9, 17306, 3, 0, kGroupNone},    {171, "COMPMOVE", 1324, 17306, 11, 0, kGroupNone},
    };
    for (const Case& c : cases) {
        const ToolButtonInfo& info = ToolButtonTable[c.row];
        EXPECT_STREQ(info.Name, c.name);
        EXPECT_EQ(info.Command, c.command) << c.name;
        EXPECT_EQ(info.BitmapId, c.strip) << c.name;
        EXPECT_EQ(info.Image, c.image) << c.name;
        EXPECT_EQ(info.Flags, c.flags) << c.name;
        EXPECT_EQ(info.Group, c.group) << c.name;
    }
    EXPECT_EQ(FindToolButtonRow(0), -1);
    EXPECT_EQ(FindToolButtonRow(17210), 66);
    EXPECT_EQ(Row("filpx"), 66);
}

TEST(ToolButtonTable, FrameButtonListHoldsTheFrameRowsInOrder) {
    ASSERT_EQ(BuildFrameButtonList(), 0);
    ASSERT_EQ(FrameButtonList.count, 56);
    const int rows[] = {24, 43, 44, 50, 67, 73, 77, 78, 81, 86, 90, 94, 97, 108};
    const int at[] = {0, 19, 20, 26, 27, 33, 34, 35, 36, 41, 42, 46, 47, 55};
    for (size_t i = 0; i < std::size(rows); ++i) {
        const ToolButtonEntry& e = FrameButtonList.entries[at[i]];
        EXPECT_EQ(e.Row, rows[i]);
        EXPECT_EQ(e.Command, ToolButtonTable[rows[i]].Command);
        EXPECT_EQ(e.Group, ToolButtonTable[rows[i]].Group);
        EXPECT_EQ(e.Visible, 0);
    }
    IndexComponentButtons();
    EXPECT_EQ(ComponentButtons.listIndex[0], 0);
    EXPECT_EQ(ComponentButtons.listIndex[19], 19);
}

TEST(ToolButtonTable, ComponentButtonsShownByScreenWidth) {
    BuildFrameButtonList();
    std::array<std::string, 20> names;
    names.fill("Part");
    ToolButtonEntry* e = FrameButtonList.entries.data();
    SetToolButtonDefaults(-1, e, FrameButtonList.count, 1, &names, DefaultButtonMask(800));
    EXPECT_EQ(ShownNames(e, FrameButtonList.count, 14200, 14219),
              (std::vector<std::string>{"TCOMP01", "TCOMP02", "TCOMP03", "TCOMP05", "TCOMP06", "TCOMP09", "TCOMP10",
                                        "TCOMP11"}));
    SetToolButtonDefaults(-1, e, FrameButtonList.count, 1, &names, DefaultButtonMask(1024));
    EXPECT_EQ(ShownNames(e, FrameButtonList.count, 14200, 14219).size(), 12u);
    EXPECT_EQ(ShownNames(e, FrameButtonList.count, 14200, 14219)[3], "TCOMP04");
    // A button bound to nothing is hidden; All On ignores the flags.
    names[1].clear();
    SetToolButtonDefaults(-1, e, FrameButtonList.count, 1, &names, 0x30);
    EXPECT_EQ(e[1].Visible, 0);
    SetToolButtonDefaults(-1, e, FrameButtonList.count, 0, nullptr, 0x10);
    EXPECT_EQ(ShownNames(e, FrameButtonList.count, 14200, 14219).size(), 20u);
}

TEST(ToolButtonTable, WindowTypeListsAndDefaults) {
    const std::pair<int, size_t> lengths[] = {{1, 66}, {2, 17}, {3, 3}, {5, 59}, {6, 17}, {8, 32},
                                              {10, 36}, {11, 37}, {12, 1}, {19, 51}};
    for (auto [type, length] : lengths) {
        std::vector<int> commands = DefaultToolBarCommands(type);
        EXPECT_EQ(commands.size(), length) << type;
        for (int command : commands)
            if (command) EXPECT_GE(FindToolButtonRow(command), 0) << type;
    }
    EXPECT_TRUE(DefaultToolBarCommands(9).empty());
    EXPECT_EQ(GetMainToolBarTable(9, nullptr, nullptr), nullptr);
    EXPECT_EQ(DefaultToolBarCommands(11)[9], 16070);  // "LIMITS" after "PROPERTY"

    auto shown = [](int type, const char* name) {
        ToolButtonEntry* entries = nullptr;
        int count = 0;
        GetMainToolBarTable(type, &entries, &count);
        for (int i = 0; i < count; ++i)
            if (entries[i].Row == Row(name)) return entries[i].Visible;
        return -1;
    };
    SetDefaultToolBarButtons(0x10);  // a narrow screen
    EXPECT_EQ(shown(1, "GRAPHIC"), 1);
    EXPECT_EQ(shown(1, "ZOOMIN"), 1);
    EXPECT_EQ(shown(2, "ZOOMOUT"), 1);
    EXPECT_EQ(shown(5, "GRAPHIC"), 0);
    EXPECT_EQ(shown(5, "ZOOMIN"), 0);
    EXPECT_EQ(shown(1, "LINE"), 0);
    SetDefaultToolBarButtons(0x30);
    EXPECT_EQ(shown(5, "GRAPHIC"), 1);
    ToolButtonEntry* entries = nullptr;
    int count = 0;
    int32_t* top = GetMainToolBarTable(3, &entries, &count);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(*top, 0);  // the model library's bar lies at the left
    EXPECT_EQ(count, 3);
    EXPECT_EQ(entries[1].Command, 0);
    EXPECT_EQ(entries[1].Visible, 0);
    EXPECT_EQ(entries[1].Row, -1);
    EXPECT_EQ(*GetMainToolBarTable(1, nullptr, nullptr), 1);
}

TEST(ToolButtonTable, DefaultGlyphs) {
    SetToolBarDefaults();
    const int32_t ground[15] = {0, 0x100, 0x100, 0x100, 0x100, 0x100, 0x100, 0xFE0, 0, 0x7C0, 0, 0x380, 0, 0x100, 0};
    for (int j = 0; j < 15; ++j) EXPECT_EQ(ComponentButtons.glyphs[0][j], ground[j]);
    EXPECT_EQ(ComponentButtons.partNames[0], "Ground");
    EXPECT_EQ(ComponentButtons.partNames[11], "Sine Source");
    EXPECT_EQ(ComponentButtons.partNames[12], "");
    for (int k = 1; k < 12; ++k) {
        int bits = 0;
        for (int32_t row : ComponentButtons.glyphs[k]) bits |= row;
        EXPECT_NE(bits, 0) << k;
    }
    for (int32_t row : ComponentButtons.glyphs[19]) EXPECT_EQ(row, 0);
}

namespace {
struct ToolBarProfile : ProfileInFolder {
    ToolBarProfile() : ProfileInFolder("ob7_toolbars_") {}
    void SetUp() override {
        ProfileInFolder::SetUp();
        SetDefaultToolBarButtons(0x30);
    }
    static ToolButtonEntry* Entry(int type, const char* name) {
        ToolButtonEntry* entries = nullptr;
        int count = 0;
        GetMainToolBarTable(type, &entries, &count);
        for (int i = 0; i < count; ++i)
            if (entries[i].Row == Row(name)) return &entries[i];
        return nullptr;
    }
};
}  // namespace

TEST_F(ToolBarProfile, LayoutSavedAndRestored) {
    LoadProfile();  // no file: the defaults
    EXPECT_EQ(FrameButtonList.entries[ComponentButtons.listIndex[0]].Visible, 1);
    // The user's choices: a schematic bar on the left without "WIRE", a component button
    // bound to another part with its own picture, the Undo button off.
    *GetMainToolBarTable(1, nullptr, nullptr) = 0;
    Entry(1, "WIRE")->Visible = 0;
    Entry(1, "LINE")->Visible = 1;
    ComponentButtons.partNames[13] = "Zener";
    ComponentButtons.glyphs[13] = {1, 2, 3, -4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0x10000};
    FrameButtonList.entries[20].Visible = 0;  // "UNDO"
    FrameButtonList.entries[13].Visible = 1;  // "TCOMP14"
    ASSERT_EQ(SaveProfile(), 0);
    const std::string text = Read();
    EXPECT_NE(text.find("[Cir Default ToolBar]\nPos=Left\nSELECT=On\n"), std::string::npos);
    EXPECT_NE(text.find("WIRE=Off\n"), std::string::npos);
    EXPECT_NE(text.find("[Main Toolbar]\nTCOMP01=On\n"), std::string::npos);
    EXPECT_NE(text.find("BITMAP_COLS=16\nBITMAP_ROWS=15\nBITMAP_NAME_1=Ground\n"), std::string::npos);
    EXPECT_NE(text.find("BITMAP_NAME_14=Zener\nBITMAP_DATA_14=1,2,3,-4,5,6,7,8,9,10,11,12,13,14,65536\n"),
              std::string::npos);
    EXPECT_EQ(text.find("BITMAP_DATA_15="), std::string::npos);  // a blank glyph is not written

    // Back to the defaults, then read.
    SetDefaultToolBarButtons(0x30);
    *GetMainToolBarTable(1, nullptr, nullptr) = 1;
    LoadProfile();
    EXPECT_EQ(*GetMainToolBarTable(1, nullptr, nullptr), 0);
    EXPECT_EQ(Entry(1, "WIRE")->Visible, 0);
    EXPECT_EQ(Entry(1, "LINE")->Visible, 1);
    EXPECT_EQ(Entry(5, "LINE")->Visible, 0);
    EXPECT_EQ(ComponentButtons.partNames[13], "Zener");
    EXPECT_EQ(ComponentButtons.glyphs[13][3], -4);
    EXPECT_EQ(FrameButtonList.entries[20].Visible, 0);
    EXPECT_EQ(FrameButtonList.entries[13].Visible, 1);
    ASSERT_EQ(SaveProfile(), 0);
    EXPECT_EQ(Read(), text);
}

TEST_F(ToolBarProfile, OddKeysAndOldSections) {
    Write("[Main]\nFileType=OMBR.DAT\nVersion=7.00\nScreen=1280,800\n"
          "[Component Palette]\nBar 0=Old\n"
          "[G2D Default ToolBar]\nPos=Left\nnoSuchKey=On\ncursor=off\n"
          "[Tool Bitmaps]\nBITMAP_NAME_0=Zero\nBITMAP_DATA_21=1,2\nBITMAP_NAME_20=Last\nBITMAP_DATA_2=7,8\n");
    LoadProfile();
    EXPECT_EQ(*GetMainToolBarTable(5, nullptr, nullptr), 0);
    EXPECT_EQ(Entry(5, "CURSOR")->Visible, 0);
    EXPECT_EQ(ComponentButtons.partNames[19], "Last");
    // A short glyph line changes only its first rows.
    EXPECT_EQ(ComponentButtons.glyphs[1][0], 7);
    EXPECT_EQ(ComponentButtons.glyphs[1][1], 8);
    EXPECT_NE(ComponentButtons.glyphs[1][7], 0);
    ASSERT_EQ(SaveProfile(), 0);
    const std::string text = Read();
    EXPECT_EQ(text.find("Zero"), std::string::npos);
    EXPECT_EQ(text.find("Old"), std::string::npos);
    EXPECT_NE(text.find("[Component Palette]\n\n[Main Toolbar]"), std::string::npos);
}

// The frame's bars follow the button list: a bar whose buttons are all off disappears
// and stays away until it is wanted again; the Main Tool Bar command toggles them all.
TEST(FrameToolBars, BarsFollowTheirButtonsAndWantedFlags) {
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    if (const char* data = std::getenv("OB7_DATA_DIR")) setenv("OB7_HOME", data, 1);
    ASSERT_EQ(BuildFrameButtonList(), 0);
    SetToolBarDefaults();
    SetToolButtonDefaults(-1, FrameButtonList.entries.data(), FrameButtonList.count, 1, &ComponentButtons.partNames,
                          0x30);
    CMainFrame frame;
    ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1024, 700}));
    ASSERT_TRUE(frame.CreateToolBars(16));
    frame.Show(true);
    const int options = CMainFrame::kFrameToolBarFirst + kGroupOptions;
    const int windows = CMainFrame::kFrameToolBarFirst + kGroupWindows;
    EXPECT_TRUE(frame.IsToolBarVisible(options));
    // "TCOMP13" is on no default bar; "TCOMP01" is.
    EXPECT_FALSE(frame.GetToolButtonState(CMainFrame::kFrameToolBarFirst + kGroupComponent, 14212).exists);
    EXPECT_TRUE(frame.GetToolButtonState(CMainFrame::kFrameToolBarFirst + kGroupComponent, 14200).exists);

    for (int i = 0; i < FrameButtonList.count; ++i)
        if (FrameButtonList.entries[i].Group == kGroupOptions) FrameButtonList.entries[i].Visible = 0;
    frame.UpdateToolBars(0);
    EXPECT_FALSE(frame.IsToolBarVisible(options));
    EXPECT_FALSE(frame.ToolBarWanted(kGroupOptions));
    FrameButtonList.entries[34].Visible = 1;  // "PREF" again
    frame.UpdateToolBars(0);
    EXPECT_FALSE(frame.IsToolBarVisible(options));  // not wanted until asked for
    EXPECT_TRUE(frame.AnyToolBarVisible());
    frame.OnMainToolBarCommand();  // all off
    EXPECT_FALSE(frame.AnyToolBarVisible());
    frame.OnMainToolBarCommand();  // every bar with a button back
    EXPECT_TRUE(frame.IsToolBarVisible(options));
    EXPECT_TRUE(frame.IsToolBarVisible(windows));
    // Default Main Tool Bar: the default buttons and every bar again.
    FrameButtonList.entries[37].Visible = 0;  // "TILEV"
    frame.OnDefaultMainToolBar();
    EXPECT_TRUE(frame.GetToolButtonState(windows, 57652).exists);
    EXPECT_FALSE(frame.GetToolButtonState(options, 17453).exists);  // "DIGALL" is on no frame bar
    EXPECT_TRUE(frame.GetToolButtonState(options, 18408).exists);
    frame.Destroy();
}

// The layout is kept bar by bar in the framework profile: which bars are wanted, their
// sides, rows and floating places come back at the next start.
TEST(FrameToolBars, LayoutSavedBarByBarAndRestored) {
    TestApp();
    const fs::path home = fs::temp_directory_path() / ("ob7_bars_" + std::to_string(::getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    const char* data = std::getenv("OB7_DATA_DIR");
    ASSERT_NE(data, nullptr);
    fs::copy_file(fs::path(data) / "toolbar.icons", home / "toolbar.icons");
    setenv("OB7_HOME", home.c_str(), 1);
    BuildFrameButtonList();
    SetToolBarDefaults();
    SetToolButtonDefaults(-1, FrameButtonList.entries.data(), FrameButtonList.count, 1, &ComponentButtons.partNames,
                          0x30);
    const int first = CMainFrame::kFrameToolBarFirst;
    platform::Rect floated;
    {
        CMainFrame frame;
        ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1024, 700}));
        frame.Show(true);
        ASSERT_TRUE(frame.CreateToolBars(16));
        EXPECT_FALSE(frame.RestoreBarLayout());  // nothing saved yet
        frame.DockToolBar(first + kGroupComponent, platform::DockSide::Left);
        frame.ShowToolBar(first + kGroupOptions, false);
        std::vector<platform::BarPlacement> bars = frame.GetBarPlacements();
        ASSERT_EQ(bars.size(), 15u);  // six tool bars, nine palettes
        bars[kGroupWindows].floating = true;
        bars[kGroupWindows].rect = {300, 200, 300 + bars[kGroupWindows].rect.Width(), 200 + bars[kGroupWindows].rect.Height()};
        frame.SetBarPlacements({bars[kGroupWindows]});
        platform::Application::PumpMessages();
        ASSERT_TRUE(frame.IsToolBarFloating(first + kGroupWindows));
        floated = bars[kGroupWindows].rect;
        frame.SaveBarLayout();
        frame.Destroy();
    }
    std::ifstream in(home / "OB7DEMO.INI");
    std::stringstream text;
    text << in.rdbuf();
    const std::string ini = text.str();
    for (const char* expected : {"[General-Summary]", "Bars=0", "ToolBars=6", "CompBars=9", "[Component-Bar8]\nBarID=14958", "ScreenCX=",
                                 "[Tool-Bar2]\nBarID=14902\nVisible=1\nFloating=0\nDockSide=Left",
                                 "[Tool-Bar3]\nBarID=14903\nVisible=1\nFloating=1",
                                 "[Tool-Bar4]\nBarID=14904\nVisible=0"})
        EXPECT_NE(ini.find(expected), std::string::npos) << expected << "\n" << ini;

    CMainFrame again;
    ASSERT_TRUE(again.Create(platform::Rect{0, 0, 1024, 700}));
    again.Show(true);
    ASSERT_TRUE(again.CreateToolBars(16));
    EXPECT_FALSE(again.ToolBarWanted(kGroupOptions));
    EXPECT_TRUE(again.ToolBarWanted(kGroupFile));
    EXPECT_TRUE(again.RestoreBarLayout());
    platform::Application::PumpMessages();
    EXPECT_EQ(again.ToolBarSide(first + kGroupComponent), platform::DockSide::Left);
    EXPECT_FALSE(again.IsToolBarVisible(first + kGroupOptions));
    EXPECT_TRUE(again.IsToolBarVisible(first + kGroupFile));
    EXPECT_TRUE(again.IsToolBarFloating(first + kGroupWindows));
    EXPECT_EQ(again.GetBarPlacements()[kGroupWindows].rect.left, floated.left);
    // A floating bar docks again.
    again.DockToolBar(first + kGroupWindows, platform::DockSide::Top);
    EXPECT_FALSE(again.IsToolBarFloating(first + kGroupWindows));
    EXPECT_EQ(again.ToolBarSide(first + kGroupWindows), platform::DockSide::Top);
    // Bars in one row keep their order along it.
    std::vector<platform::BarPlacement> now = again.GetBarPlacements();
    EXPECT_LT(now[kGroupFile].rect.left, now[kGroupEdit].rect.left);
    EXPECT_EQ(now[kGroupFile].rect.top, now[kGroupEdit].rect.top);
    again.Destroy();
    if (data) setenv("OB7_HOME", data, 1);
    fs::remove_all(home);
}
