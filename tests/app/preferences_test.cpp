#include <gtest/gtest.h>

#include <filesystem>

#include "app/preferences.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "platform/qt_app.h"

using namespace ob7;

// A page's Apply takes effect at once and Cancel of the sheet restores what the page held
// when it opened; OK keeps the values.
TEST(Preferences, PagesAppliedAndCancelled) {
    TestApp();
    Preferences = FramePreferences{};
    ProfileFile.fatalStartup = true;  // no profile file in this test
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        platform::Application::PumpMessages();
        sheet.common.CheckButton(19701, 0);  // Sound off
        sheet.SetActivePage(2);
        platform::Application::PumpMessages();
        sheet.warnings.CheckButton(19703, 0);  // Quit off
        EXPECT_TRUE(sheet.ApplyNowAll());
        EXPECT_EQ(Preferences.operationalOptions, 0xC240);
        EXPECT_EQ(Preferences.quitWarning, 0);
        sheet.OnCancel();
        return 2;
    });
    EXPECT_EQ(RunPreferences(), 2);
    EXPECT_EQ(Preferences.operationalOptions, 0xC241);
    EXPECT_EQ(Preferences.quitWarning, 1);

    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesSheet&>(d);
        platform::Application::PumpMessages();
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/preferences_common.png"));
        sheet.common.CheckButton(19721, 0);  // Node Snap off
        sheet.SetActivePage(1);
        platform::Application::PumpMessages();
        sheet.autoSave.CheckButton(15903, 1);
        sheet.autoSave.SetItemText(15902, "25");
        sheet.SetActivePage(2);
        platform::Application::PumpMessages();
        sheet.warnings.CheckButton(19702, 0);
        sheet.warnings.RouteCommand(19733);  // All on
        EXPECT_TRUE(d.Grab().SavePng("png/preferences_warnings.png"));
        sheet.OnOK();
        return 1;
    });
    RunPreferences();
    EXPECT_EQ(Preferences.operationalOptions, 0xC201);
    EXPECT_EQ(Preferences.autoSaveEvery, 1);
    EXPECT_EQ(Preferences.autoSaveMin, 25);
    EXPECT_EQ(Preferences.fileWarning, 1);
    ProfileFile.fatalStartup = false;
}
