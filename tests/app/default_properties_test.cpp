// The default-properties sheet: each window kind's page hosts its own sheet; OK stores
// the plot formats and switches for new windows, Cancel leaves them as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/curve_rows.h"
#include "app/default_properties.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;

namespace {

struct DefaultsFixture : ::testing::Test {
    void SetUp() override {
        TestApp();
        CreateProgramPalette();
        CreateColourSlots();
        SetProfileDefaults(false);
        ProfileFile.fatalStartup = true;  // no profile file in these tests
    }
    void TearDown() override { ProfileFile.fatalStartup = false; }
};

}  // namespace

TEST_F(DefaultsFixture, PlotFormatsStoredOnOkAndKeptOnCancel) {
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        EXPECT_FALSE(sheet.IsItemVisible(platform::PropertySheet::kApply));
        sheet.SetActivePage(1);
        platform::Application::PumpMessages();
        CPlotFormatsPage& page = sheet.formats2d;
        EXPECT_TRUE(page.IsCreated());
        EXPECT_FALSE(page.HasItem(19738));  // no Z on a 2-D plot
        EXPECT_TRUE(page.HasItem(18976));   // the optimizer's format
        page.working[1].Set("6E");
        page.CheckButton(17189, 0);
        page.CheckButton(20224, 1);
        page.SetCurSel(20223, 2);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/default_properties.png"));
        sheet.OnCancel();
        return 2;
    });
    RunDefaultProperties();
    EXPECT_STREQ(PlotFormats.scale[0][1].text, "3");
    EXPECT_EQ(PlotFormats.sameYScales[0], 1);

    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        sheet.SetActivePage(1);
        platform::Application::PumpMessages();
        sheet.formats2d.working[1].Set("6E");
        sheet.formats2d.working[6].Set("5G");
        sheet.formats2d.CheckButton(17189, 0);
        sheet.formats2d.CheckButton(20224, 1);
        sheet.formats2d.SetCurSel(20223, 2);
        sheet.SetActivePage(2);
        platform::Application::PumpMessages();
        EXPECT_TRUE(sheet.formats3d.HasItem(19738));
        EXPECT_FALSE(sheet.formats3d.HasItem(17189));
        sheet.formats3d.working[2].Set("4E");
        sheet.OnOK();
        return 1;
    });
    RunDefaultProperties();
    EXPECT_STREQ(PlotFormats.scale[0][1].text, "6E");
    EXPECT_STREQ(Preferences.optimizeFormat.text, "5G");
    EXPECT_EQ(PlotFormats.sameYScales[0], 0);
    EXPECT_EQ(PlotFormats.staticGrids[0], 1);
    EXPECT_EQ(PlotFormats.slope[0], 2);
    EXPECT_STREQ(PlotFormats.scale[2][2].text, "4E");
    // New curves take the 2-D formats.
    EXPECT_EQ(CurveNumberFormats.scale[1], "6E");
}

TEST_F(DefaultsFixture, SchematicsPageHostsTheDefaultTitleBlock) {
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        platform::Application::PumpMessages();
        EXPECT_TRUE(sheet.titleBlock.IsCreated());
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/default_properties_schematics.png"));
        sheet.OnOK();
        return 1;
    });
    EXPECT_EQ(RunDefaultProperties(), 1);
}
