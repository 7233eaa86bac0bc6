// The Tool Bar pages of the default-properties sheet: a window type's buttons in a check
// list by group, its side, OK writing both into the window type's table and profile
// section, Apply undone by Cancel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/default_properties.h"
#include "app/tool_bar_pages.h"
#include "app/tool_buttons.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "profile_fixture.h"

using namespace ob7;
using platform::Notify;

namespace {

using Page = CToolButtonsPage;

struct ToolBarPages : ProfileInFolder {
    ToolBarPages() : ProfileInFolder("ob7_tool_bar_pages_") {}
    void SetUp() override {
        ProfileInFolder::SetUp();
        LoadProfile();  // no file: the defaults
        // The buttons' pictures come from the program folder.
        const char* data = std::getenv("OB7_DATA_DIR");
        ASSERT_NE(data, nullptr);
        std::filesystem::copy_file(std::filesystem::path(data) / "toolbar.icons", dir / "toolbar.icons");
        const char* home = std::getenv("OB7_HOME");
        savedHome = home ? home : "";
        setenv("OB7_HOME", dir.c_str(), 1);
    }
    void TearDown() override {
        if (savedHome.empty()) unsetenv("OB7_HOME");
        else setenv("OB7_HOME", savedHome.c_str(), 1);
        ProfileInFolder::TearDown();
    }
    std::string savedHome;
    // The schematic defaults' Tool Bar page, shown in its nested sheet.
    static CToolBarPage& ShowSchematicsPage(CPreferencesDefaultSheet& sheet) {
        sheet.SetActivePage(0);
        platform::Application::PumpMessages();
        sheet.schematics.sheet.SetActivePage(1);
        platform::Application::PumpMessages();
        return sheet.schematicsToolBar;
    }
};

ToolButtonEntry* SchematicEntries(int* count, int32_t** top = nullptr) {
    ToolButtonEntry* entries = nullptr;
    int32_t* t = GetMainToolBarTable(1, &entries, count);
    if (top) *top = t;
    return entries;
}

int EntryIndex(const char* name) {
    int count = 0;
    ToolButtonEntry* entries = SchematicEntries(&count);
    for (int i = 0; i < count; ++i)
        if (entries[i].Row >= 0 && std::string(ToolButtonTable[entries[i].Row].Name) == name) return i;
    return -1;
}

// Selects the group of a working entry and returns the entry's item in the button list.
int ShowEntry(CToolBarPage& page, int entry) {
    const int group = page.Working()[entry].Group;
    for (int i = 0; i < page.ItemCount(Page::kGroupList); ++i)
        if (page.ItemData(Page::kGroupList, i) == group) {
            page.SetCurSel(Page::kGroupList, i);
            page.OnControlNotify(Page::kGroupList, Notify::SelChange);
        }
    for (int i = 0; i < page.ItemCount(Page::kButtonList); ++i)
        if (page.ItemData(Page::kButtonList, i) == entry) return i;
    return -1;
}

}  // namespace

TEST_F(ToolBarPages, OkWritesTheButtonsAndSideIntoTheTableAndProfile) {
    const int wire = EntryIndex("WIRE");
    ASSERT_GE(wire, 0);
    int count = 0;
    int32_t* top = nullptr;
    ToolButtonEntry* entries = SchematicEntries(&count, &top);
    ASSERT_EQ(entries[wire].Visible, 1);
    ASSERT_EQ(*top, 1);

    platform::automation::QueueModalScript([&](platform::Dialog& d) -> int {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        CToolBarPage& page = ShowSchematicsPage(sheet);
        EXPECT_TRUE(page.IsCreated());
        EXPECT_EQ(page.Template().caption, "Tool Bar");
        EXPECT_TRUE(page.IsButtonChecked(CToolBarPage::kTop));
        // The groups present in the schematic list, in group order, named by the strings.
        EXPECT_EQ(page.ItemString(Page::kGroupList, 0), "File");
        EXPECT_EQ(page.FindStringExact(Page::kGroupList, "Scope"), -1);
        EXPECT_GE(page.FindStringExact(Page::kGroupList, "Mode"), 0);

        const int item = ShowEntry(page, wire);
        EXPECT_GE(item, 0);
        EXPECT_EQ(page.ItemCheck(Page::kButtonList, item), 1);
        // The user clicks the item's check box: the button is off, so is "Show Button".
        EXPECT_TRUE(page.ToggleItemCheck(Page::kButtonList, item));
        EXPECT_EQ(page.CurSel(Page::kButtonList), item);
        EXPECT_EQ(page.ItemCheck(Page::kButtonList, item), 0);
        EXPECT_EQ(page.IsButtonChecked(Page::kShowButton), 0);
        EXPECT_EQ(page.Working()[wire].Visible, 0);
        EXPECT_TRUE(page.IsModified());
        page.CheckRadioButton(CToolBarPage::kTop, CToolBarPage::kLeft, CToolBarPage::kLeft);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/default_properties_tool_bar.png"));
        // Nothing is written before OK.
        EXPECT_EQ(SchematicEntries(&count)[wire].Visible, 1);
        sheet.OnOK();
        return 1;
    });
    EXPECT_EQ(RunDefaultProperties(), 1);
    EXPECT_EQ(entries[wire].Visible, 0);
    EXPECT_EQ(*top, 0);
    const std::string text = Read();
    EXPECT_NE(text.find("[Cir Default ToolBar]\nPos=Left\n"), std::string::npos);
    const size_t section = text.find("[Cir Default ToolBar]");
    EXPECT_NE(text.find("WIRE=Off\n", section), std::string::npos);
    EXPECT_LT(text.find("WIRE=Off\n", section), text.find("[", section + 1));
}

TEST_F(ToolBarPages, AllOffDefaultAndAllOnThenApplyUndoneByCancel) {
    int count = 0;
    int32_t* top = nullptr;
    ToolButtonEntry* entries = SchematicEntries(&count, &top);
    *top = 1;  // the side is kept across profile loads
    const std::vector<ToolButtonEntry> before(entries, entries + count);
    std::vector<ToolButtonEntry> defaults = before;
    SetToolButtonDefaults(1, defaults.data(), count, 1, nullptr, DefaultButtonMask());
    int hiddenByDefault = 0;
    for (const ToolButtonEntry& e : defaults) hiddenByDefault += e.Command != 0 && !e.Visible;
    ASSERT_GT(hiddenByDefault, 0);  // else Default and All On could not be told apart

    platform::automation::QueueModalScript([&](platform::Dialog& d) -> int {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        CToolBarPage& page = ShowSchematicsPage(sheet);
        page.RouteCommand(Page::kAllOff);
        platform::Application::PumpMessages();
        for (const ToolButtonEntry& e : page.Working()) EXPECT_EQ(e.Visible, 0);
        for (int i = 0; i < page.ItemCount(Page::kButtonList); ++i) EXPECT_EQ(page.ItemCheck(Page::kButtonList, i), 0);
        EXPECT_EQ(page.IsButtonChecked(Page::kShowButton), 0);

        page.RouteCommand(Page::kDefaultButton);
        platform::Application::PumpMessages();
        for (int i = 0; i < count; ++i) {
            if (entries[i].Command) {
                EXPECT_EQ(page.Working()[i].Visible, defaults[i].Visible) << i;
            }
        }

        page.RouteCommand(Page::kAllOn);
        platform::Application::PumpMessages();
        for (int i = 0; i < count; ++i) {
            if (entries[i].Command) {
                EXPECT_EQ(page.Working()[i].Visible, 1) << i;
            }
        }
        for (int i = 0; i < page.ItemCount(Page::kButtonList); ++i) EXPECT_EQ(page.ItemCheck(Page::kButtonList, i), 1);

        page.RouteCommand(Page::kAllOff);
        page.CheckRadioButton(CToolBarPage::kTop, CToolBarPage::kLeft, CToolBarPage::kLeft);
        platform::Application::PumpMessages();
        EXPECT_TRUE(sheet.ApplyNowAll());
        for (int i = 0; i < count; ++i) EXPECT_EQ(entries[i].Visible, 0) << i;
        EXPECT_EQ(*top, 0);
        sheet.OnCancel();
        return 2;
    });
    RunDefaultProperties();
    for (int i = 0; i < count; ++i) EXPECT_EQ(entries[i].Visible, before[i].Visible) << i;
    EXPECT_EQ(*top, 1);
}
