// The default-properties sheet: each window kind's page hosts its own sheet; OK stores
// the plot formats and switches for new windows, Cancel leaves them as they were.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/curve_rows.h"
#include "app/default_properties.h"
#include "app/display_fonts.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;
using platform::Notify;
using platform::automation::ClickItem;

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
        sheet.SetActivePage(2);
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
        sheet.SetActivePage(2);
        platform::Application::PumpMessages();
        sheet.formats2d.working[1].Set("6E");
        sheet.formats2d.working[6].Set("5G");
        sheet.formats2d.CheckButton(17189, 0);
        sheet.formats2d.CheckButton(20224, 1);
        sheet.formats2d.SetCurSel(20223, 2);
        sheet.SetActivePage(3);
        platform::Application::PumpMessages();
        sheet.plots3d.sheet.SetActivePage(1);
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

namespace {

// Shows a page of a nested sheet: the top-level page first, then its own.
void ShowNested(CPreferencesDefaultSheet& sheet, CDefaultsHostPage& host, int page) {
    for (int i = 0; i < sheet.PageCount(); ++i)
        if (sheet.Page(i) == &host) sheet.SetActivePage(i);
    platform::Application::PumpMessages();
    host.sheet.SetActivePage(page);
    platform::Application::PumpMessages();
}

void SelectItem(CG2DColorPage& page, int item) {
    page.SetCurSel(kColObjects, item);
    page.OnControlNotify(kColObjects, Notify::SelChange);
}

// The edits of one run of the sheet: the 2-D grid in colour 9 and width 3, curve 3 of
// new 2-D plots 5 wide, the performance plots' select box in colour 13.
void EditPlotColours(CPreferencesDefaultSheet& sheet) {
    ShowNested(sheet, sheet.analysisPlots, 1);
    CG2DColorPage& page = sheet.colours2d;
    ASSERT_TRUE(page.IsCreated());
    EXPECT_EQ(page.ItemString(kColObjects, 12), "Curve 1");
    SelectItem(page, CG2DColorPage::kGrid);
    ClickItem(page, kColFirstButtons + 9);
    page.SetCurSel(kColWidth, 2);
    page.OnControlNotify(kColWidth, Notify::SelChange);
    SelectItem(page, 12 + 2);
    page.SetCurSel(kColWidth, 4);
    page.OnControlNotify(kColWidth, Notify::SelChange);
    ShowNested(sheet, sheet.performancePlots, 1);
    CG2DColorPage& performance = sheet.coloursPerformance;
    ASSERT_TRUE(performance.IsCreated());
    EXPECT_EQ(performance.ItemString(kColObjects, 9), "Curve 1");  // nine fixed items
    SelectItem(performance, CG2DColorPage::kSelectBox);
    ClickItem(performance, kColFirstButtons + 13);
}

constexpr int kAnalysisGrid = 31, kPerformanceSelectBox = 66;

}  // namespace

// The "Colors, Fonts, and Lines" pages edit the display table's plot items, curve
// styles and grids that new plots take: Cancel leaves them, OK stores them, and Default
// resets the kind's group as the preferences' defaults do.
TEST_F(DefaultsFixture, PlotColourPagesAppliedCancelledAndDefaulted) {
    ASSERT_EQ(DisplayFontTable[kAnalysisGrid].color, 8);
    ASSERT_EQ(DisplayFontTable[kPerformanceSelectBox].color, 4);
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        EditPlotColours(sheet);
        ShowNested(sheet, sheet.analysisPlots, 1);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/default_properties_plot_colours.png"));
        sheet.OnCancel();
        return 2;
    });
    RunDefaultProperties();
    EXPECT_EQ(DisplayFontTable[kAnalysisGrid].color, 8);
    EXPECT_EQ(PlotGrids.weight[0], 1);
    EXPECT_EQ(DefaultCurveStyles[2].width, 1);
    EXPECT_EQ(DisplayFontTable[kPerformanceSelectBox].color, 4);

    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        EditPlotColours(sheet);
        sheet.OnOK();
        return 1;
    });
    RunDefaultProperties();
    EXPECT_EQ(DisplayFontTable[kAnalysisGrid].color, 9);
    EXPECT_EQ(PlotGrids.weight[0], 3);
    EXPECT_EQ(DefaultCurveStyles[2].width, 5);
    EXPECT_EQ(DefaultCurveStyles[kCurveStyleCount + 2].width, 1);  // the performance curves kept theirs
    EXPECT_EQ(DisplayFontTable[kPerformanceSelectBox].color, 13);
    // New plots and new curves take them.
    EXPECT_EQ(CurrentPlotStyles(kDraw2DPlot).first[CG2DColorPage::kGrid], 9);
    EXPECT_EQ(CurrentPlotStyles(kDraw2DPlot).gridWidth, 3);
    EXPECT_EQ(CurveStyleDefaults[2].lineWidth, 5);
    EXPECT_EQ(CurrentPlotStyles(19).first[CG2DColorPage::kSelectBox], 13);

    // Default resets the 2-D group at once; Cancel puts the group back.
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        ShowNested(sheet, sheet.analysisPlots, 1);
        ClickItem(sheet.colours2d, kColDefault);
        EXPECT_TRUE(sheet.colours2d.IsModified());
        EXPECT_EQ(DisplayFontTable[kAnalysisGrid].color, 8);
        EXPECT_EQ(PlotGrids.weight[0], 1);
        EXPECT_EQ(DisplayFontTable[kPerformanceSelectBox].color, 13);  // the other group is left
        sheet.OnCancel();
        return 2;
    });
    RunDefaultProperties();
    EXPECT_EQ(DisplayFontTable[kAnalysisGrid].color, 9);
    EXPECT_EQ(PlotGrids.weight[0], 3);
    EXPECT_EQ(DefaultCurveStyles[2].width, 5);

    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        ShowNested(sheet, sheet.analysisPlots, 1);
        ClickItem(sheet.colours2d, kColDefault);
        sheet.OnOK();
        return 1;
    });
    RunDefaultProperties();
    EXPECT_EQ(DisplayFontTable[kAnalysisGrid].color, 8);
    EXPECT_EQ(PlotGrids.weight[0], 1);
    EXPECT_EQ(DefaultCurveStyles[2].width, 1);
    EXPECT_EQ(CurrentPlotStyles(kDraw2DPlot).first[CG2DColorPage::kGrid], 8);
}

// The 3-D and Monte Carlo windows' fonts have "Font" pages on their display items; the
// SPICE files have their tool bar; the pages are in the order of the window kinds.
TEST_F(DefaultsFixture, FontPagesOfThe3DAndHistogramWindows) {
    const FontRecord font3d = DisplayFontTable[kFont3D], fontMonteCarlo = DisplayFontTable[kFontMonteCarlo];
    auto edit = [](CPreferencesDefaultSheet& sheet) {
        std::vector<std::string> captions;
        for (int i = 0; i < sheet.PageCount(); ++i) captions.push_back(sheet.Page(i)->Template().caption);
        EXPECT_EQ(captions, (std::vector<std::string>{"Schematics", "SPICE Files", "Analysis Plots", "3D Plots",
                                                      "Monte Carlo Histograms", "Performance Plots"}));
        EXPECT_EQ(sheet.spiceFiles.sheet.PageCount(), 1);
        ShowNested(sheet, sheet.monteCarlo, 0);
        EXPECT_EQ(sheet.monteCarlo.sheet.Page(1), &sheet.monteCarloToolBar);
        sheet.fontMonteCarlo.SetItemText(1003, "20");
        sheet.fontMonteCarlo.OnControlNotify(1003, Notify::Changed);
        ShowNested(sheet, sheet.plots3d, 0);
        EXPECT_EQ(sheet.plots3d.sheet.Page(0)->Template().caption, "Font");
        sheet.font3d.SetItemText(1003, "24");
        sheet.font3d.OnControlNotify(1003, Notify::Changed);
        EXPECT_TRUE(sheet.font3d.IsModified());
    };
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        edit(sheet);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/default_properties_3d_font.png"));
        sheet.OnCancel();
        return 2;
    });
    RunDefaultProperties();
    EXPECT_EQ(DisplayFontTable[kFont3D].height, font3d.height);
    EXPECT_EQ(DisplayFontTable[kFontMonteCarlo].height, fontMonteCarlo.height);

    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        auto& sheet = static_cast<CPreferencesDefaultSheet&>(d);
        edit(sheet);
        sheet.OnOK();
        return 1;
    });
    RunDefaultProperties();
    // Sizes in points become heights of the screen's pixels: 24 points are a larger font than 20.
    EXPECT_GT(std::abs(DisplayFontTable[kFont3D].height), std::abs(DisplayFontTable[kFontMonteCarlo].height));
    EXPECT_NE(DisplayFontTable[kFontMonteCarlo].height, fontMonteCarlo.height);
}
