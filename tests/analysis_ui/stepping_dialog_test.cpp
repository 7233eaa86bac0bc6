// The Stepping dialog on the offscreen platform: its pages over the 20 step records, the
// List rule, the parameter types, and OK writing the records back.

#include <gtest/gtest.h>

#include <filesystem>

#include "analysis_ui/stepping_dialog.h"
#include "platform/automation.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "plots/analysis_window.h"
#include "qt_app.h"

namespace {

using namespace ob7;
using platform::Dialog;
using platform::Notify;
namespace automation = platform::automation;

// A circuit with R1, C1 and Q1 (model NPN Q2N2222), and symbols when asked.
StepChoices Circuit(bool symbols) {
    StepChoices c;
    c.names = [symbols](int type) -> std::vector<std::string> {
        if (type == SF_COMPONENT) return {"C1", "Q1", "R1"};
        if (type == SF_MODEL) return {"NPN Q2N2222"};
        return symbols ? std::vector<std::string>{"GAIN", "RLOAD"} : std::vector<std::string>{};
    };
    c.parameters = [](int type, const std::string& name) -> std::vector<std::string> {
        if (type == SF_COMPONENT && (name == "R1" || name == "C1")) return {"Value"};
        if (name == "Q1" || name == "NPN Q2N2222") return {"BF", "IS", "VAF"};
        return {};
    };
    return c;
}

std::string PngPath(const std::string& name) {
    std::filesystem::create_directories("png");
    return (std::filesystem::current_path() / "png" / name).string();
}

TEST(SteppingDialog, ANewCircuitOpensOnItsFirstTab) {
    TestApp();
    AnalysisSetup setup;
    automation::QueueModalScript([](Dialog& d) {
        EXPECT_EQ(d.ItemCount(kStepTabs), 20);
        EXPECT_EQ(d.CurSel(kStepTabs), 0);
        EXPECT_EQ(d.ItemString(kStepTabs, 0), "1:");
        EXPECT_EQ(d.IsButtonChecked(kStepComponent), 1);
        EXPECT_EQ(d.IsButtonChecked(kStepLinearButton), 1);
        EXPECT_EQ(d.IsButtonChecked(kStepNo), 1);
        EXPECT_EQ(d.IsButtonChecked(kStepNested), 1);
        EXPECT_FALSE(d.IsItemEnabled(kStepSymbolic));  // the circuit has no symbols
        EXPECT_EQ(d.ItemCount(kStepName), 3);
        return 2;
    });
    EXPECT_EQ(ShowSteppingDialog(setup, 0, Circuit(false), nullptr), 2);
    EXPECT_EQ(ShowSteppingDialog(setup, -1, Circuit(false), nullptr), -1);  // no analysis
}

TEST(SteppingDialog, PagesListRuleTypesAndOk) {
    TestApp();
    AnalysisSetup setup;
    setup.monteCarloFlags |= kMonteCarloOn;
    setup.steps[1].texts[0] = "Q1";
    setup.steps[1].texts[1] = "BF";
    setup.steps[1].flags = SF_COMPONENT | SF_LOG;
    int changed = 0;
    automation::QueueModalScript([](Dialog& d) {
        EXPECT_EQ(d.ItemString(kStepTabs, 1), "2:Q1.BF");
        // A typed part name that exists is selected and its parameters offered.
        d.SetItemText(kStepName, "r1");
        d.OnControlNotify(kStepName, Notify::KillFocus);
        EXPECT_EQ(d.ItemText(kStepName), "R1");
        EXPECT_EQ(d.ItemCount(kStepParam), 1);
        EXPECT_EQ(d.ItemText(kStepParam), "Value");
        EXPECT_EQ(d.ItemString(kStepTabs, 0), "1:R1.Value");
        d.SetItemText(kStepFrom, " 1k ");
        d.SetItemText(kStepTo, "10k");
        d.SetItemText(kStepValue, "1k");
        automation::ClickItem(d, kStepYes);
        // List: From becomes the list, To and Step Value are not used.
        automation::ClickItem(d, kStepListButton);
        EXPECT_EQ(d.ItemText(kStepFromLabel), "&List");
        EXPECT_FALSE(d.IsItemEnabled(kStepTo));
        EXPECT_FALSE(d.IsItemEnabled(kStepValue));
        automation::ClickItem(d, kStepLinearButton);
        EXPECT_EQ(d.ItemText(kStepFromLabel), "&From");
        EXPECT_TRUE(d.IsItemEnabled(kStepTo));
        // The second page shows its own record.
        d.SetCurSel(kStepTabs, 1);
        d.OnControlNotify(kStepTabs, Notify::SelChange);
        EXPECT_EQ(d.ItemText(kStepName), "Q1");
        EXPECT_EQ(d.ItemText(kStepParam), "BF");
        EXPECT_EQ(d.IsButtonChecked(kStepLogButton), 1);
        // Symbolic: the names are the symbols and there is no parameter.
        automation::ClickItem(d, kStepSymbolic);
        EXPECT_FALSE(d.IsItemEnabled(kStepParam));
        EXPECT_EQ(d.ItemCount(kStepName), 2);
        EXPECT_EQ(d.ItemText(kStepName), "Q1");  // kept while the list has no such name
        automation::ClickItem(d, kStepComponent);
        EXPECT_TRUE(d.IsItemEnabled(kStepParam));
        EXPECT_EQ(d.ItemString(kStepTabs, 1), "2:Q1.BF");  // the first parameter again
        automation::ClickItem(d, kStepSimultaneous);
        EXPECT_TRUE(d.Grab().SavePng(PngPath("stepping_dialog.png")));
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(ShowSteppingDialog(setup, 0, Circuit(true), [&] { ++changed; }), 1);
    EXPECT_EQ(setup.steps[0].texts[0], "R1");
    EXPECT_EQ(setup.steps[0].texts[1], "Value");
    EXPECT_EQ(setup.steps[0].texts[2], "1k");
    EXPECT_EQ(setup.steps[0].flags, SF_COMPONENT | SF_LINEAR | SF_ENABLED);
    EXPECT_EQ(setup.steps[1].flags, SF_COMPONENT | SF_LOG);
    EXPECT_EQ(setup.simultaneous, 1);
    EXPECT_EQ(setup.monteCarloFlags & kMonteCarloOn, 0);  // stepping switched Monte Carlo off
    EXPECT_EQ(changed, 1);
}

TEST(SteppingDialog, CancelKeepsTheRecords) {
    TestApp();
    AnalysisSetup setup;
    const AnalysisSetup before = setup;
    automation::QueueModalScript([](Dialog& d) {
        d.SetItemText(kStepName, "C1");
        automation::ClickItem(d, kStepYes);
        automation::ClickItem(d, 2);
        return 0;
    });
    EXPECT_EQ(ShowSteppingDialog(setup, 1, Circuit(false), nullptr), 2);
    EXPECT_EQ(setup, before);
}

TEST(SteppingDialog, TheAnalysisWindowsSteppingCommandRunsIt) {
    TestApp();
    platform::Menu bar;
    for (const char* title : {"&File", "&Edit", "&Component", "&Windows", "&Options", "&Analysis", "&Design", "&Help"})
        bar.AppendPopup(title).Append(100, title);
    platform::FrameWindow main;
    main.CreateFrame("Main", platform::Rect{0, 0, 900, 640});
    main.SetMenu(&bar);
    AnalysisSetup setups[3];
    CAPDraw view;
    CG2DFrame frame;
    ConnectSteppingDialog(frame, [&](int kind) -> AnalysisSetup& { return setups[kind]; },
                          [] { return Circuit(false); }, nullptr);
    ASSERT_TRUE(frame.EnterAnalysis(main, view, 1));
    EXPECT_GE(bar.SubMenu(4)->FindPosition(kCmdSteppingDialog), 0);
    bool ran = false;
    automation::QueueModalScript([&](Dialog& d) {
        ran = d.Template().id == 18100;
        automation::ClickItem(d, kStepYes);
        automation::ClickItem(d, 1);
        return 0;
    });
    ASSERT_TRUE(frame.ExecuteCommand(kCmdSteppingDialog));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(setups[1].steps[0].flags & SF_ENABLED);  // the AC analysis's records
    frame.Destroy();
}

}  // namespace
