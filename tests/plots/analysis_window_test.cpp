// The analysis window in a main frame: its title, the Analysis menus switched in while it
// is open and back when it closes, and closing it during a run.

#include <gtest/gtest.h>

#include <cmath>

#include "platform/frame.h"
#include "platform/image.h"
#include "platform/menu.h"
#include "plot_fixture.h"
#include "plots/analysis_window.h"
#include "sim/engine/run_control.h"
#include "ui/framework/shell_state.h"

namespace {

using namespace ob7;

// The main menu's top level as the application shell builds it.
void MainMenuBar(platform::Menu& bar) {
    for (const char* title : {"&File", "&Edit", "&Component", "&Windows", "&Options", "&Analysis", "&Design", "&Help"})
        bar.AppendPopup(title).Append(100, std::string(title) + " item");
}

std::vector<std::string> Titles(const platform::Menu& bar) {
    std::vector<std::string> out;
    for (int i = 0; i < bar.Count(); ++i) out.push_back(bar.At(i).text);
    return out;
}

TEST(AnalysisWindow, MenusSwitchInAndBack) {
    platform::Menu bar;
    MainMenuBar(bar);
    AnalysisMenuSwitch saved;
    ASSERT_TRUE(SwitchInAnalysisMenus(bar, 1, saved));
    EXPECT_EQ(Titles(bar), (std::vector<std::string>{"&File", "&Edit", "&Windows", "&Options", "&AC", "&Scope", "&Help"}));
    EXPECT_GE(bar.SubMenu(5)->FindPosition(kCmdAutoScale), 0);
    EXPECT_GE(bar.SubMenu(4)->FindPosition(kCmdRunAnalysis), 0);
    EXPECT_FALSE(SwitchInAnalysisMenus(bar, 1, saved));  // once only
    SwitchOutAnalysisMenus(bar, saved);
    EXPECT_EQ(Titles(bar), (std::vector<std::string>{"&File", "&Edit", "&Component", "&Windows", "&Options",
                                                     "&Analysis", "&Design", "&Help"}));
    EXPECT_EQ(bar.SubMenu(6)->At(0).text, "&Design item");  // the popups themselves came back
    EXPECT_EQ(AnalysisWindowTitle(0), "Transient Analysis");
    EXPECT_EQ(AnalysisWindowTitle(2), "DC Analysis");
}

TEST(AnalysisWindow, ClosingDuringARunWaitsForItsEnd) {
    PlotTestApp();
    platform::Menu bar;
    MainMenuBar(bar);
    platform::FrameWindow main;
    main.CreateFrame("Main", platform::Rect{0, 0, 900, 640});
    main.SetMenu(&bar);
    CAPDraw view;
    view.data.curves = {MakeCurve("V(OUT)", "T", 1, 12, 0)};
    view.data.plottedCount = 1;
    ASSERT_EQ(view.PrepareCurves(1), 0);
    CG2DFrame frame;
    int runs = 0;
    frame.runAnalysis = [&](int kind) { runs += kind == 0; };
    int ended = -1;
    frame.analysisEnded = [&](int kind) { ended = kind; };
    ASSERT_TRUE(frame.EnterAnalysis(main, view, 0));
    EXPECT_EQ(frame.GetTitle(), "Transient Analysis");
    EXPECT_EQ(bar.At(4).text, "&Transient");
    view.data.curves[0].axis[kXAxis].autoMark = view.data.curves[0].axis[kYAxis].autoMark = kAutoScaleByRange;
    view.title = "Sine, 200 us";
    view.BeginRun(RunStartValues{});
    for (int i = 0; i <= 200; ++i) {
        double xy[2] = {i * 1e-6, std::sin(i * 0.05)};
        view.StoreRunPoint(xy);
    }
    view.EndRun();
    frame.ShowAs(platform::ShowState::Maximized);
    EXPECT_TRUE(main.Grab().SavePng(PngPath("analysis_window.png")));
    ASSERT_TRUE(frame.ExecuteCommand(kCmdRunAnalysis));
    EXPECT_EQ(runs, 1);

    Shell.runInProgress = true;
    RunControl.pending_key = 0;
    EXPECT_FALSE(frame.ExecuteCommand(kCmdRunAnalysis));  // not while a run is going on
    static_cast<platform::Window&>(frame).Close();  // the close box
    EXPECT_TRUE(frame.IsCreated());  // still open: the run is asked to stop
    EXPECT_EQ(ended, -1);
    EXPECT_EQ(RunControl.pending_key, platform::key::kEscape);
    EXPECT_EQ(frame.closeAfterRun, 1);
    Shell.runInProgress = false;
    frame.RunEnded();
    EXPECT_FALSE(frame.IsCreated());
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(bar.At(2).text, "&Component");  // menus back
    RunControl.pending_key = 0;
    main.SetMenu(nullptr);
}

}  // namespace
