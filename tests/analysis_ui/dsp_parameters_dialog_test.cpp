// The DSP Parameters dialog on the offscreen platform: the defaults of empty texts, the
// AC form without a lower limit, OK writing the trimmed texts and the status back, and
// the analysis window's command.

#include <gtest/gtest.h>

#include <filesystem>

#include "analysis_ui/dsp_parameters_dialog.h"
#include "platform/automation.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "plots/analysis_window.h"
#include "qt_app.h"

namespace {

using namespace ob7;
using platform::Dialog;
namespace automation = platform::automation;

bool Enabled(CG2DFrame& frame, int id) {
    platform::CommandUI ui(id);
    return frame.RouteUpdate(ui) && ui.Enabled();
}

std::string PngPath(const std::string& name) {
    std::filesystem::create_directories("png");
    return (std::filesystem::current_path() / "png" / name).string();
}

TEST(DspParametersDialog, EmptyTextsStartFromTheRangeAndOkWritesThemBack) {
    TestApp();
    DspSettings dsp;
    int changed = 0;
    automation::QueueModalScript([](Dialog& d) {
        EXPECT_EQ(d.Template().id, 17142);
        EXPECT_EQ(d.ItemText(kDspUpperLabel), "Upper Time Limit");
        EXPECT_EQ(d.ItemText(kDspLowerLabel), "Lower Time Limit");
        EXPECT_EQ(d.ItemText(kDspUpper), "4m");
        EXPECT_EQ(d.ItemText(kDspLower), "1m");
        EXPECT_EQ(d.ItemText(kDspPoints), "1024");
        EXPECT_EQ(d.IsButtonChecked(kDspOff), 1);
        EXPECT_TRUE(d.IsItemEnabled(kDspLower));
        d.SetItemText(kDspUpper, " 3m ");
        d.SetItemText(kDspPoints, "256 ");
        automation::ClickItem(d, kDspOn);
        EXPECT_TRUE(d.Grab().SavePng(PngPath("dsp_parameters_dialog.png")));
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(ShowDspParameters(dsp, 0, "4m, 1m", [&] { ++changed; }), 1);
    EXPECT_EQ(dsp.status[0], 1);
    EXPECT_EQ(dsp.max[0], "3m");
    EXPECT_EQ(dsp.min[0], "1m");
    EXPECT_EQ(dsp.points[0], "256");
    EXPECT_EQ(dsp.status[1], 0);  // the AC's settings are its own
    EXPECT_EQ(changed, 1);

    // Texts already set are shown as they are; a range without a comma has no lower part.
    automation::QueueModalScript([](Dialog& d) {
        EXPECT_EQ(d.ItemText(kDspUpper), "3m");
        EXPECT_EQ(d.ItemText(kDspPoints), "256");
        EXPECT_EQ(d.IsButtonChecked(kDspOn), 1);
        return 2;
    });
    EXPECT_EQ(ShowDspParameters(dsp, 0, "10m", nullptr), 2);
    DspSettings fresh;
    automation::QueueModalScript([](Dialog& d) {
        EXPECT_EQ(d.ItemText(kDspUpper), "10m");
        EXPECT_EQ(d.ItemText(kDspLower), "");
        return 2;
    });
    EXPECT_EQ(ShowDspParameters(fresh, 0, "10m", nullptr), 2);
}

TEST(DspParametersDialog, AcHasNoLowerLimitAndCancelKeepsTheSettings) {
    TestApp();
    DspSettings dsp;
    dsp.min[1] = "5";  // an AC window starts at 0 whatever the text says
    automation::QueueModalScript([](Dialog& d) {
        EXPECT_EQ(d.ItemText(kDspUpperLabel), "Upper Frequency Limit");
        EXPECT_EQ(d.ItemText(kDspLowerLabel), "Lower Frequency Limit");
        EXPECT_EQ(d.ItemText(kDspUpper), "1Meg");
        EXPECT_FALSE(d.IsItemEnabled(kDspLower));
        EXPECT_EQ(d.ItemText(kDspLower), "");
        d.SetItemText(kDspPoints, "12345678901234567890123");  // kept to 19 characters
        EXPECT_TRUE(d.Grab().SavePng(PngPath("dsp_parameters_dialog_ac.png")));
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(ShowDspParameters(dsp, 1, "1Meg,1k", nullptr), 1);
    EXPECT_EQ(dsp.max[1], "1Meg");
    EXPECT_EQ(dsp.min[1], "");
    EXPECT_LE(dsp.points[1].size(), 19u);
    EXPECT_TRUE(dsp.max[0].empty());

    const DspSettings before = dsp;
    automation::QueueModalScript([](Dialog& d) {
        d.SetItemText(kDspPoints, "64");
        automation::ClickItem(d, kDspOn);
        automation::ClickItem(d, 2);
        return 0;
    });
    EXPECT_EQ(ShowDspParameters(dsp, 1, "1Meg,1k", nullptr), 2);
    EXPECT_EQ(dsp, before);
    EXPECT_EQ(ShowDspParameters(dsp, 2, "", nullptr), -1);   // DC has no DSP functions
    EXPECT_EQ(ShowDspParameters(dsp, -1, "", nullptr), -1);  // no analysis
}

TEST(DspParametersDialog, TheAnalysisWindowsCommandRunsItOverItsSettings) {
    TestApp();
    platform::Menu bar;
    for (const char* title : {"&File", "&Edit", "&Component", "&Windows", "&Options", "&Analysis", "&Design", "&Help"})
        bar.AppendPopup(title).Append(100, title);
    platform::FrameWindow main;
    main.CreateFrame("Main", platform::Rect{0, 0, 900, 640});
    main.SetMenu(&bar);
    CAPDraw view;
    CG2DFrame frame;
    ASSERT_TRUE(frame.EnterAnalysis(main, view, 0));
    const int position = bar.SubMenu(4)->FindPosition(kCmdDspParameters);
    ASSERT_GE(position, 0);
    EXPECT_EQ(bar.SubMenu(4)->At(position).text, "&DSP Parameters...");
    EXPECT_FALSE(Enabled(frame, kCmdDspParameters));  // nothing to edit yet
    EXPECT_FALSE(frame.ExecuteCommand(kCmdDspParameters));
    DspSettings dsp;
    DspSettings* shown = &dsp;
    ConnectDspParameters(frame, [&] { return shown; }, [] { return std::string("2m"); }, nullptr);
    EXPECT_TRUE(Enabled(frame, kCmdDspParameters));
    automation::QueueModalScript([](Dialog& d) {
        automation::ClickItem(d, kDspOn);
        automation::ClickItem(d, 1);
        return 0;
    });
    ASSERT_TRUE(frame.ExecuteCommand(kCmdDspParameters));
    EXPECT_EQ(dsp.status[0], 1);
    EXPECT_EQ(dsp.max[0], "2m");
    EXPECT_EQ(dsp.points[0], "1024");
    frame.Destroy();

    // A DC analysis has no DSP functions: greyed.
    CG2DFrame dc;
    ASSERT_TRUE(dc.EnterAnalysis(main, view, 2));
    ConnectDspParameters(dc, [&] { return shown; }, nullptr, nullptr);
    EXPECT_FALSE(Enabled(dc, kCmdDspParameters));
    dc.Destroy();
}

}  // namespace
