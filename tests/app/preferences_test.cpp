#include <gtest/gtest.h>

#include <filesystem>

#include "app/main_frame.h"
#include "app/preferences.h"
#include "foundation/recent_list.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;

namespace {

// Page indexes of the sheet.
enum { kCommon = 0, kPalettes = 1, kFormat = 2, kStatus = 3, kSave = 4, kWarnings = 5 };

struct PrefsFixture : ::testing::Test {
    void SetUp() override {
        TestApp();
        CreateProgramPalette();
        CreateColourSlots();
        Preferences = FramePreferences{};
        FileMru().SetSize(8);
        ProfileFile.fatalStartup = true;  // no profile file in these tests
    }
    void TearDown() override { ProfileFile.fatalStartup = false; }
};

void Show(CPreferencesSheet& sheet, int page) {
    sheet.SetActivePage(page);
    platform::Application::PumpMessages();
}

}  // namespace

// A page's Apply takes effect at once and Cancel of the sheet restores what the page held
// when it opened; OK keeps the values.
TEST_F(PrefsFixture, PagesAppliedAndCancelled) {
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        platform::Application::PumpMessages();
        sheet.common.CheckButton(19701, 0);  // Sound off
        sheet.common.CheckButton(19717, 0);  // Gmin Stepping off
        sheet.common.SetItemText(19726, "7.5");
        Show(sheet, kWarnings);
        sheet.warnings.CheckButton(19703, 0);  // Quit off
        Show(sheet, kFormat);
        sheet.formats.working[2].Set("6E");
        EXPECT_TRUE(sheet.ApplyNowAll());
        EXPECT_EQ(Preferences.operationalOptions, 0xC240);
        EXPECT_EQ(Preferences.gminStepping, 0);
        EXPECT_DOUBLE_EQ(Preferences.warningTime, 7.5);
        EXPECT_EQ(Preferences.quitWarning, 0);
        EXPECT_STREQ(Preferences.tagFormat.text, "6E");
        sheet.OnCancel();
        return 2;
    });
    EXPECT_EQ(RunPreferences(), 2);
    EXPECT_EQ(Preferences.operationalOptions, 0xC241);
    EXPECT_EQ(Preferences.gminStepping, 1);
    EXPECT_DOUBLE_EQ(Preferences.warningTime, 3.0);
    EXPECT_EQ(Preferences.quitWarning, 1);
    EXPECT_STREQ(Preferences.tagFormat.text, "3");

    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        platform::Application::PumpMessages();
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/preferences_common.png"));
        sheet.common.CheckButton(19721, 0);  // Node Snap off
        Show(sheet, kSave);
        sheet.autoSave.CheckButton(15903, 1);
        sheet.autoSave.SetItemText(15902, "25");
        Show(sheet, kWarnings);
        sheet.warnings.CheckButton(19702, 0);
        sheet.warnings.RouteCommand(19733);  // All on
        EXPECT_TRUE(d.Grab().SavePng("png/preferences_warnings.png"));
        Show(sheet, kFormat);
        EXPECT_TRUE(d.Grab().SavePng("png/preferences_format.png"));
        Show(sheet, kStatus);
        EXPECT_TRUE(d.Grab().SavePng("png/preferences_status_bar.png"));
        sheet.OnOK();
        return 1;
    });
    RunPreferences();
    EXPECT_EQ(Preferences.operationalOptions, 0xC201);
    EXPECT_EQ(Preferences.autoSaveEvery, 1);
    EXPECT_EQ(Preferences.autoSaveMin, 25);
    EXPECT_EQ(Preferences.fileWarning, 1);
}

// Out-of-range numbers are not kept; Default resets the page's own values only; the
// DC-path pair enables together.
TEST_F(PrefsFixture, CommonOptionsRangesDefaultAndDcPathPair) {
    Preferences.quitWarning = 0;
    Preferences.tagFormat.Set("6E");
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        CCommonOptionsPage& page = sheet.common;
        platform::Application::PumpMessages();
        EXPECT_TRUE(page.IsItemEnabled(19713));
        page.CheckButton(19722, 0);
        page.OnControlNotify(19722, platform::Notify::Clicked);
        EXPECT_FALSE(page.IsItemEnabled(19713));
        page.SetItemText(19726, "25");  // above 20 s
        page.SetItemText(19731, "1");   // below 2 grids
        page.SetItemText(19725, "4");
        page.SetItemText(19724, "5000");
        EXPECT_TRUE(sheet.ApplyNowAll());
        EXPECT_DOUBLE_EQ(Preferences.warningTime, 3.0);
        EXPECT_EQ(page.ItemText(19726), "3");
        EXPECT_EQ(Preferences.numberOfGrids, 5);
        EXPECT_EQ(FileMru().Count(), 4);
        EXPECT_EQ(Preferences.nodeRecalc, 5000);
        EXPECT_EQ(Preferences.checkDCPath, 0);
        page.RouteCommand(19730);  // Default
        EXPECT_EQ(page.IsButtonChecked(19722), 1);
        EXPECT_TRUE(page.IsItemEnabled(19713));
        EXPECT_EQ(page.ItemText(19725), "8");
        sheet.OnOK();
        return 1;
    });
    RunPreferences();
    EXPECT_EQ(Preferences.checkDCPath, 1);
    EXPECT_EQ(Preferences.nodeRecalc, 1000000);
    EXPECT_EQ(FileMru().Count(), 8);
    EXPECT_EQ(Preferences.quitWarning, 0);  // not the page's
    EXPECT_STREQ(Preferences.tagFormat.text, "6E");
}

// The status bar page switches the clock and track panes of the frame at once, and
// Cancel puts them back.
TEST_F(PrefsFixture, StatusBarPageDrivesThePanes) {
    CMainFrame frame;
    ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 800, 600}));
    TestApp().SetMainWindow(&frame);
    frame.CreateStatusBar(true);
    EXPECT_EQ(frame.PaneText(kPaneClock), "");
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        Show(sheet, kStatus);
        sheet.statusBar.CheckButton(18418, 1);
        EXPECT_TRUE(sheet.ApplyNowAll());
        EXPECT_EQ(Preferences.statusBarShowTime, 1);
        EXPECT_NE(frame.PaneText(kPaneClock).find('M'), std::string::npos);  // " h:mm AM "
        sheet.OnCancel();
        return 2;
    });
    RunPreferences();
    EXPECT_EQ(Preferences.statusBarShowTime, 0);
    EXPECT_EQ(frame.PaneText(kPaneClock), "");
    frame.Destroy();
}

// A colour button sets its palette entry at once; Cancel puts the palette back, OK keeps
// it; Default gives entries 16 to 63 their default colours.
TEST_F(PrefsFixture, ColorPalettesAppliedCancelledAndDefault) {
    const platform::Color before = PaletteColours()[30];
    const platform::Color chosen = platform::Rgb(12, 34, 56);
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        Show(sheet, kPalettes);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/preferences_palettes.png"));
        platform::automation::QueueColorDialogAnswer([&](platform::Color& c) {
            EXPECT_EQ(c, before);  // the dialog opens on the entry's colour
            c = chosen;
            return true;
        });
        sheet.palettes.RouteCommand(19830);
        EXPECT_EQ(sheet.palettes.working[30], chosen);
        EXPECT_TRUE(sheet.ApplyNowAll());
        EXPECT_EQ(PaletteColours()[30], chosen);
        sheet.OnCancel();
        return 2;
    });
    RunPreferences();
    EXPECT_EQ(PaletteColours()[30], before);

    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        Show(sheet, kPalettes);
        platform::automation::QueueColorDialogAnswer([&](platform::Color& c) {
            c = chosen;
            return true;
        });
        sheet.palettes.RouteCommand(19840);
        sheet.OnOK();
        return 1;
    });
    RunPreferences();
    EXPECT_EQ(PaletteColours()[40], chosen);

    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        Show(sheet, kPalettes);
        sheet.palettes.RouteCommand(19999);
        sheet.OnOK();
        return 1;
    });
    RunPreferences();
    EXPECT_EQ(PaletteColours()[40], DefaultPaletteColor(40));
}
