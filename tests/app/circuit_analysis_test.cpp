// The road of one analysis in the program: a deck open in a text window, the main frame's
// Transient command compiles it and opens the analysis window with its Limits dialog,
// Run draws the curves, closing the window ends the analysis. A deck that does not
// compile is reported and no analysis starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "analysis_ui/analysis_limits_dialog.h"
#include "analysis_ui/stepping_dialog.h"
#include "app/circuit_analysis.h"
#include "app/statistics_dialog.h"
#include "app/main_frame.h"
#include "circuit/views/text_window.h"
#include "foundation/paths.h"
#include "foundation/report_sink.h"
#include "platform/automation.h"
#include "plots/animate_options_dialog.h"
#include "platform/image.h"
#include "platform/input.h"
#include "platform/qt_app.h"
#include "text_circuit_frame.h"
#include "plots/analysis_window.h"
#include "plots/plot_properties.h"
#include "plots/plot_view.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/shell_state.h"
#include "platform/application.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/animate.h"
#include "sim/engine/run_control.h"

using namespace ob7;

namespace {

// 1 V pulse for 5 ms into 1 kohm and 1 uF: V(OUT) = 1 - exp(-t / 1 ms) while it is high.
constexpr const char* kDeck =
    "RC low-pass filter\r\nV1 in 0 PULSE(0 1 0 1u 1u 5m 10m)\r\nR1 in out 1k\r\nC1 out 0 1u\r\n"
    ".TRAN 10u 10m\r\n.END\r\n";

std::string PngPath(const std::string& name) {
    std::filesystem::create_directories("png");
    return (std::filesystem::current_path() / "png" / name).string();
}

struct CircuitAnalysis : TextCircuitFrame {
    void SetUp() override {
        OpenFrame("ob7analysis", platform::Rect{0, 0, 1100, 760});
        InstallAnalysisCommands(frame);
        frame.Show(true);
    }
    void TearDown() override {
        EndCircuitAnalysis();
        CloseFrame();
    }
};

TEST_F(CircuitAnalysis, TransientCommandOpensTheWindowAndRunDrawsTheCurves) {
    EXPECT_FALSE(StartCircuitAnalysis(0));  // no circuit window yet
    CTxtFrame* deck = OpenDeck("rc.cir", kDeck);
    ASSERT_NE(deck, nullptr);
    ASSERT_TRUE(frame.ExecuteCommand(17600));
    EXPECT_EQ(Shell.analysisKind, 0);
    CG2DFrame* window = ActiveAnalysisWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetTitle(), "Transient Analysis");
    ASSERT_NE(AnalysisLimitsDialog, nullptr);  // the Limits dialog comes with it
    EXPECT_EQ(AnalysisLimitsDialog->Kind(), 0);
    EXPECT_FALSE(StartCircuitAnalysis(1));  // one analysis at a time

    ASSERT_TRUE(window->ExecuteCommand(kCmdRunAnalysis));
    EXPECT_TRUE(reports.texts.empty()) << reports.texts.front();
    CAPDraw* view = ActiveAnalysisView();
    ASSERT_NE(view, nullptr);
    int out = -1;
    for (int c = 0; c < view->data.plottedCount; ++c)
        if (view->data.curves[c].caption.find("OUT") != std::string::npos) out = c;
    ASSERT_GE(out, 0);
    ASSERT_GT(view->data.PointCount(out), 50);
    // The highest point is at the end of the pulse: 1 - exp(-5) = 0.99326.
    double top = -1, topTime = 0;
    for (int i = 0; i <= view->data.PointCount(out); ++i)
        if (view->data.Y(out, i) > top) top = view->data.Y(out, i), topTime = view->data.X(out, i);
    EXPECT_NEAR(top, 0.99326, 2e-3);
    EXPECT_NEAR(topTime, 5e-3, 2e-4);
    platform::Application::PumpMessages();
    EXPECT_TRUE(frame.Grab().SavePng(PngPath("main_window_transient.png")));
    // Statistics of the analysis: the deck's two nodes, the points of each curve and
    // their total, the run's counters.
    const std::vector<std::string> stats = StatisticsLines();
    auto listed = [&stats](const std::string& line) {
        return std::find(stats.begin(), stats.end(), line) != stats.end();
    };
    EXPECT_TRUE(listed("Analog Nodes = 2"));
    EXPECT_TRUE(listed("Digital Nodes = 0"));
    const int outPoints = view->data.PointCount(out) + 1;
    EXPECT_TRUE(listed(view->data.curves[out].caption + " = " + std::to_string(outPoints) + " Data Pts"));
    EXPECT_TRUE(listed("Analog Data Points Per Waveform = " + std::to_string(view->data.PointCount(0) + 1)));
    int total = 0;
    for (int c = 0; c < view->data.CurveCount(); ++c) total += view->data.PointCount(c) + 1;
    EXPECT_TRUE(listed("Total Data Points = " + std::to_string(total)));
    // A text circuit has no parts; two nodes and the source's branch are three equations.
    EXPECT_TRUE(listed("Components = 0"));
    ASSERT_GE(stats.size(), 5u);
    EXPECT_EQ(stats[stats.size() - 5], "Components = 0");
    EXPECT_NE(stats[stats.size() - 4], "Total Iterations=0");
    EXPECT_EQ(stats[stats.size() - 2].rfind("Total Solutions=", 0), 0u);
    EXPECT_EQ(stats.back(), "Number of Equations=3");
    // Numeric Output opens the run's table beside the circuit in a text window.
    ASSERT_TRUE(window->ExecuteCommand(17140));
    bool shown = false;
    for (platform::MdiChildFrame* child : frame.Children())
        if (auto* text = dynamic_cast<CTxtFrame*>(child))
            shown = shown || text->view.document->path == (folder / "rc.TNO").string();
    EXPECT_TRUE(shown);

    // Closing the window ends the analysis and closes the Limits dialog.
    window->Close();
    platform::Application::PumpMessages();
    EXPECT_EQ(Shell.analysisKind, -1);
    EXPECT_EQ(Shell.activeCircuitView, nullptr);
    EXPECT_EQ(AnalysisLimitsDialog, nullptr);
    auto* deckView = dynamic_cast<CCTDraw*>(deck->draw);
    ASSERT_NE(deckView, nullptr);
    deckView->SyncTextToDocument();
    // The page takes the window's limits and curves back; the circuit's cards are kept.
    const std::string& text = deckView->document->text;
    EXPECT_NE(text.find("V1 in 0 PULSE(0 1 0 1u 1u 5m 10m)"), std::string::npos) << text;
    EXPECT_NE(text.find("C1 out 0 1u"), std::string::npos) << text;
    // Limits the window did not change keep the text as it was typed.
    EXPECT_NE(text.find(".TRAN 10u 10m\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(".PLOT TRAN V(IN) V(OUT)"), std::string::npos) << text;

    // A new analysis starts on the same circuit after the first one ended.
    ASSERT_TRUE(frame.ExecuteCommand(17601));
    ASSERT_NE(ActiveAnalysisWindow(), nullptr);
    EXPECT_EQ(ActiveAnalysisWindow()->GetTitle(), "AC Analysis");
    EXPECT_EQ(Shell.analysisKind, 1);
    EndCircuitAnalysis();
    EXPECT_EQ(Shell.analysisKind, -1);
    EXPECT_EQ(ActiveAnalysisWindow(), nullptr);
}

// Esc during the run stops it: the points computed so far stay drawn, and the status bar
// gives back its prompt and mode panes.
TEST_F(CircuitAnalysis, EscapeStopsTheRunKeepingItsPoints) {
    ASSERT_NE(OpenDeck("rc.cir", kDeck), nullptr);
    ASSERT_TRUE(StartCircuitAnalysis(0));
    CG2DFrame* window = ActiveAnalysisWindow();
    ASSERT_NE(window, nullptr);
    platform::automation::PostKey(*window, platform::key::kEscape);
    EXPECT_EQ(RunActiveAnalysis(), 15056);
    EXPECT_FALSE(Shell.runInProgress);
    CAPDraw* view = ActiveAnalysisView();
    ASSERT_NE(view, nullptr);
    ASSERT_GT(view->data.plottedCount, 0);
    ASSERT_GE(view->data.PointCount(0), 0);
    EXPECT_LT(view->data.X(0, view->data.PointCount(0)), 10e-3);  // stopped early
    EXPECT_NE(frame.PaneText(kPaneMode), "Wait");
    // The next Run goes to the end.
    EXPECT_EQ(RunActiveAnalysis(), 0);
    EXPECT_NEAR(view->data.X(0, view->data.PointCount(0)), 10e-3, 1e-9);
}

// F10 on the plot opens its properties; a curve moved into a pane of its own on OK goes
// into the curve rows, and the text takes it when the window closes.
TEST_F(CircuitAnalysis, PlotPropertiesWriteTheCurveRows) {
    CTxtFrame* deck = OpenDeck("rc.cir", kDeck);
    ASSERT_NE(deck, nullptr);
    ASSERT_TRUE(StartCircuitAnalysis(0));
    ASSERT_EQ(RunActiveAnalysis(), 0);
    CAPDraw* view = ActiveAnalysisView();
    ASSERT_NE(view, nullptr);
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = dynamic_cast<CG2DPropSheet&>(d);
        CG2DPlotPage& page = *sheet.plotPage;
        page.SetCurSel(kPropCurveList, 1);
        page.OnControlNotify(kPropCurveList, platform::Notify::SelChange);
        page.SetCurSel(kPropPlotGroup, 1);
        page.OnControlNotify(kPropPlotGroup, platform::Notify::SelChange);
        platform::automation::ClickItem(sheet, 1);
        return 1;
    });
    ASSERT_TRUE(view->ExecuteCommand(kCmdProperties));
    EXPECT_EQ(AnalysisLimitsDialog, nullptr);  // the Limits dialog closed for the sheet
    EXPECT_EQ(view->data.curves[1].plotGroup, 2);
    ActiveAnalysisWindow()->Close();
    platform::Application::PumpMessages();
    auto* deckView = dynamic_cast<CCTDraw*>(deck->draw);
    ASSERT_NE(deckView, nullptr);
    deckView->SyncTextToDocument();
    const std::string& text = deckView->document->text;
    EXPECT_NE(text.find(".PLOT TRAN V(IN)\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(".PLOT TRAN V(OUT)"), std::string::npos) << text;
    EXPECT_NE(text.find(".TRAN 10u 10m\r\n"), std::string::npos) << text;
}

// Before the first run F10 edits curves made from the rows (they go again with the
// sheet); the run's numeric output takes the header and delimiter of the plot.
TEST_F(CircuitAnalysis, PropertiesBeforeTheFirstRunAndTheNumericOutputHeader) {
    CTxtFrame* deck = OpenDeck("rc.cir", kDeck);
    ASSERT_NE(deck, nullptr);
    // The view takes the circuit's header and delimiter; the sheet's OK gives them back.
    AnalysisWindowLook& look = deck->view.document->analysisLook;
    look.numericOutputHeader = {"Kept", "", "$date"};
    look.numericOutputDelimiter = '\t';
    ASSERT_TRUE(StartCircuitAnalysis(0));
    CAPDraw* view = ActiveAnalysisView();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->data.curves.empty());
    EXPECT_EQ(view->numericOutputHeader.texts, look.numericOutputHeader);
    EXPECT_EQ(view->numericOutputDelimiter, '\t');
    view->numericOutputDelimiter = ';';
    view->numericOutputHeader.texts = {"Filter check", "", ""};
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = dynamic_cast<CG2DPropSheet&>(d);
        CG2DPlotPage& page = *sheet.plotPage;
        EXPECT_EQ(page.ItemString(kPropCurveList, 1), "V(OUT)");
        page.SetCurSel(kPropCurveList, 1);
        page.OnControlNotify(kPropCurveList, platform::Notify::SelChange);
        page.SetCurSel(kPropPlotGroup, 1);
        page.OnControlNotify(kPropPlotGroup, platform::Notify::SelChange);
        platform::automation::ClickItem(sheet, 1);
        return 1;
    });
    ASSERT_TRUE(view->ExecuteCommand(kCmdProperties));
    EXPECT_TRUE(view->data.curves.empty());
    std::vector<CurveRowRecord>& rows = *view->propertiesHost.curveRows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[1].plotGroup, '2');
    EXPECT_EQ(look.numericOutputHeader[0], "Filter check");
    EXPECT_EQ(look.numericOutputDelimiter, ';');

    rows[1].options |= CO_OUTPUT;
    ASSERT_EQ(RunActiveAnalysis(), 0);
    EXPECT_EQ(view->data.curves[1].plotGroup, 2);
    std::ifstream in(folder / "rc.TNO");
    const std::string report((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(report.find("Filter check"), std::string::npos) << report;
    EXPECT_NE(report.find(";"), std::string::npos) << report;
}

// The Stepping command lists the circuit's own parts, models and symbols; a model
// parameter stepped over three values gives three runs.
TEST_F(CircuitAnalysis, SteppingListsTheCircuitAndStepsAModel) {
    ASSERT_NE(OpenDeck("step.cir",
                       "Stepping\r\nV1 in 0 PULSE(0 1 0 1u 1u 5m 10m)\r\nR1 in out {RLOAD}\r\nC1 out 0 1u\r\n"
                       "D1 out 0 DMOD\r\n.MODEL DMOD D(IS=1e-14)\r\n.PARAM RLOAD=1k\r\n.TRAN 10u 10m\r\n.END\r\n"),
              nullptr);
    ASSERT_TRUE(StartCircuitAnalysis(0)) << (reports.texts.empty() ? "" : reports.texts.front());
    CG2DFrame* window = ActiveAnalysisWindow();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> parts, models, symbols, parameters, sourceParameters, resistorParameters;
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        auto list = [&d](int id) {
            std::vector<std::string> out;
            for (int i = 0; i < d.ItemCount(id); ++i) out.push_back(d.ItemString(id, i));
            return out;
        };
        parts = list(kStepName);
        for (int i : {0, 1}) {
            d.SetCurSel(kStepName, i);
            d.OnControlNotify(kStepName, platform::Notify::SelChange);
            (i == 0 ? sourceParameters : resistorParameters) = list(kStepParam);
        }
        platform::automation::ClickItem(d, kStepSymbolic);
        symbols = list(kStepName);
        platform::automation::ClickItem(d, kStepModel);
        models = list(kStepName);
        d.SetCurSel(kStepName, 0);
        d.OnControlNotify(kStepName, platform::Notify::SelChange);
        parameters = list(kStepParam);
        d.SetItemText(kStepParam, "IS");
        d.OnControlNotify(kStepParam, platform::Notify::KillFocus);
        d.SetItemText(kStepFrom, "1e-15");
        d.SetItemText(kStepTo, "1e-13");
        d.SetItemText(kStepValue, "10");
        platform::automation::ClickItem(d, kStepLogButton);
        platform::automation::ClickItem(d, kStepYes);
        platform::automation::ClickItem(d, 1);
        return 1;
    });
    ASSERT_TRUE(window->ExecuteCommand(18100));
    EXPECT_EQ(parts, (std::vector<std::string>{"V1", "R1", "C1"}));
    EXPECT_EQ(sourceParameters, (std::vector<std::string>{"dc.value", "ac.magval", "ac.phaseval", "pulse.v1", "pulse.v2",
                                                          "pulse.td", "pulse.tr", "pulse.tf", "pulse.pw", "pulse.per"}));
    EXPECT_EQ(resistorParameters, (std::vector<std::string>{"Value"}));
    EXPECT_EQ(symbols, (std::vector<std::string>{"RLOAD"}));
    ASSERT_EQ(models.size(), 1u);
    EXPECT_EQ(models[0], "D DMOD");
    EXPECT_NE(std::find(parameters.begin(), parameters.end(), "IS"), parameters.end());
    EXPECT_EQ(RunActiveAnalysis(), 0) << (reports.texts.empty() ? "" : reports.texts.front());
    CAPDraw* view = ActiveAnalysisView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->data.runs.runCount, 3);
}

// A MOSFET is listed with its own instance parameters in place of "Value".
TEST_F(CircuitAnalysis, SteppingListsTheInstanceParametersOfAMosfet) {
    ASSERT_NE(OpenDeck("mos.cir", "Mos\r\nVDD 1 0 DC 5\r\nRD 1 2 1k\r\nM1 2 1 0 0 NM L=1u W=1u\r\n"
                                  ".MODEL NM NMOS(LEVEL=1)\r\n.DC VDD 0 5 1\r\n.END\r\n"),
              nullptr);
    ASSERT_TRUE(StartCircuitAnalysis(2)) << (reports.texts.empty() ? "" : reports.texts.front());
    CG2DFrame* window = ActiveAnalysisWindow();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> parts, parameters;
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        for (int i = 0; i < d.ItemCount(kStepName); ++i) parts.push_back(d.ItemString(kStepName, i));
        d.SetCurSel(kStepName, 2);
        d.OnControlNotify(kStepName, platform::Notify::SelChange);
        for (int i = 0; i < d.ItemCount(kStepParam); ++i) parameters.push_back(d.ItemString(kStepParam, i));
        return 2;
    });
    ASSERT_TRUE(window->ExecuteCommand(18100));
    EXPECT_EQ(parts, (std::vector<std::string>{"VDD", "RD", "M1"}));
    EXPECT_EQ(parameters, (std::vector<std::string>{"value.m", "value.l", "value.w", "value.ad", "value.as", "value.pd",
                                                    "value.ps", "value.nrd", "value.nrs", "value.nrb", "value.nrg"}));
}

TEST_F(CircuitAnalysis, SteppingListsTheInstanceParametersOfTransmissionLines) {
    ASSERT_NE(OpenDeck("lines.cir", "Lines\r\nV1 1 0 DC 1\r\nT1 1 0 2 0 Z0=50 TD=1n\r\nR2 2 0 1k\r\n"
                                    "T2 1 0 3 0 LEN=2 R=1\r\nR3 3 0 1k\r\n.DC V1 0 1 1\r\n.END\r\n"),
              nullptr);
    ASSERT_TRUE(StartCircuitAnalysis(2)) << (reports.texts.empty() ? "" : reports.texts.front());
    CG2DFrame* window = ActiveAnalysisWindow();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> parts, lossless, lossy;
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        for (int i = 0; i < d.ItemCount(kStepName); ++i) parts.push_back(d.ItemString(kStepName, i));
        for (auto [index, out] : {std::pair{1, &lossless}, std::pair{3, &lossy}}) {
            d.SetCurSel(kStepName, index);
            d.OnControlNotify(kStepName, platform::Notify::SelChange);
            for (int i = 0; i < d.ItemCount(kStepParam); ++i) out->push_back(d.ItemString(kStepParam, i));
        }
        return 2;
    });
    ASSERT_TRUE(window->ExecuteCommand(18100));
    EXPECT_EQ(parts, (std::vector<std::string>{"V1", "T1", "R2", "T2", "R3"}));
    EXPECT_EQ(lossless, (std::vector<std::string>{"value.z0", "value.td", "value.f", "value.nl"}));
    EXPECT_EQ(lossy, (std::vector<std::string>{"value.r", "value.l", "value.g", "value.c", "value.len"}));
}

// A stepping error stops the run and opens the Stepping dialog on the variable in error.
TEST_F(CircuitAnalysis, SteppingErrorReopensTheDialogOnItsPage) {
    ASSERT_NE(OpenDeck("steperr.cir", "Step error\r\nV1 in 0 1\r\nR1 in 0 1k\r\n.TRAN 10u 1m\r\n.END\r\n"), nullptr);
    ASSERT_TRUE(StartCircuitAnalysis(0)) << (reports.texts.empty() ? "" : reports.texts.front());
    CG2DFrame* window = ActiveAnalysisWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SteppingDialogPage(), 0);
    // The second variable asks for 5000 cases.
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        d.SetCurSel(kStepTabs, 1);
        d.OnControlNotify(kStepTabs, platform::Notify::SelChange);
        d.SetCurSel(kStepName, d.FindStringExact(kStepName, "R1"));
        d.OnControlNotify(kStepName, platform::Notify::SelChange);
        d.SetItemText(kStepFrom, "1");
        d.SetItemText(kStepTo, "5000");
        d.SetItemText(kStepValue, "1");
        platform::automation::ClickItem(d, kStepYes);
        platform::automation::ClickItem(d, 1);
        return 1;
    });
    ASSERT_TRUE(window->ExecuteCommand(18100));
    EXPECT_NE(RunActiveAnalysis(), 0);
    ASSERT_FALSE(reports.texts.empty());
    EXPECT_NE(reports.texts.back().find("More than 1000 cases"), std::string::npos) << reports.texts.back();
    EXPECT_EQ(SteppingDialogPage(), 1);
    int shownTab = -1;
    std::string from;
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        shownTab = d.CurSel(kStepTabs);
        from = d.ItemText(kStepTo);
        EXPECT_TRUE(d.Grab().SavePng(PngPath("stepping_error_page.png")));
        return 2;
    });
    platform::Application::PumpMessages();
    EXPECT_EQ(shownTab, 1);
    EXPECT_EQ(from, "5000");
}

TEST_F(CircuitAnalysis, CompileErrorIsReportedAndEndsTheAnalysis) {
    ASSERT_NE(OpenDeck("bad.cir", "Bad\r\nR1 a 0\r\nV1 a 0 1\r\n.TRAN 1u 1m\r\n.END\r\n"), nullptr);
    EXPECT_FALSE(StartCircuitAnalysis(0));
    EXPECT_FALSE(reports.texts.empty());
    EXPECT_EQ(Shell.analysisKind, -1);
    EXPECT_EQ(Shell.activeCircuitView, nullptr);
    EXPECT_EQ(ActiveAnalysisWindow(), nullptr);
    EXPECT_EQ(AnalysisLimitsDialog, nullptr);
}

}  // namespace

// Entering the AC analysis forgets the operating point an earlier AC run kept.
TEST_F(CircuitAnalysis, AcCommandForgetsTheStoredOperatingPoint) {
    ASSERT_NE(OpenDeck("rc.cir", kDeck), nullptr);
    AcRun.operating_point_valid = 1;
    AcRun.last_temperature = 27;
    ASSERT_TRUE(frame.ExecuteCommand(17601));
    EXPECT_EQ(AcRun.operating_point_valid, 0);
    EXPECT_EQ(AcRun.last_temperature, -1e30);
}

// The animation wait of a run pumps the program's messages: a time delay is waited out,
// a key-press wait holds until Ctrl+SPACE resumes it or Esc stops the run, and a batch run
// never waits.
TEST_F(CircuitAnalysis, AnimateWaitPumpsUntilTheDelayOrTheResume) {
    CTxtFrame* deck = OpenDeck("rc.cir", kDeck);
    ASSERT_NE(deck, nullptr);
    ASSERT_TRUE(frame.ExecuteCommand(17600));
    CG2DFrame* window = ActiveAnalysisWindow();
    ASSERT_NE(window, nullptr);
    const AnimateSettings saved = Animate;
    Shell.runInProgress = true;  // as inside a run

    Animate.mode = AnimateMode::WaitForTimeDelay;
    Animate.delay_ms = 60;
    const unsigned before = platform::Application::TickCount();
    Animate.last_wait_end = before;
    AnimateWait();
    EXPECT_GE(platform::Application::TickCount() - before, 55u);

    Animate.mode = AnimateMode::WaitForKeyPress;
    bool resumed = false;
    platform::Application::Instance()->Post([window, &resumed] {
        window->ExecuteCommand(kCmdResumeRun);  // Ctrl+SPACE
        resumed = !Shell.runPaused;
        if (!resumed) RunControl.pending_key = platform::key::kEscape;  // never hang here
    });
    AnimateWait();
    EXPECT_TRUE(resumed);
    EXPECT_EQ(RunControl.pause, 0);
    RunControl.pending_key = 0;

    // Esc is the window's Stop wherever the focus is (here the circuit's text window):
    // the wait ends and the run stops. Outside a wait the text window has the key.
    bool stopped = false;
    platform::Application::Instance()->Post([deck, &stopped] {
        platform::automation::SendKey(*deck, platform::key::kEscape);
        stopped = RunControl.pending_key == platform::key::kEscape;
        if (!stopped) RunControl.pending_key = platform::key::kEscape;  // never hang here
    });
    AnimateWait();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(RunControl.pause, 0);
    RunControl.pending_key = 0;
    platform::automation::SendKey(*deck, platform::key::kEscape);
    EXPECT_EQ(RunControl.pending_key, 0);
    // Nor in a dialog opened during the wait (Animate Options): the dialog has the key.
    bool dialogOpened = false, stoppedInDialog = true;
    platform::Application::Instance()->Post([&] {
        platform::automation::QueueModalScript([&](platform::Dialog&) {
            dialogOpened = true;
            platform::automation::SendKey(*deck, platform::key::kEscape);
            stoppedInDialog = RunControl.pending_key == platform::key::kEscape;
            return 2;
        });
        CAnimateOptionsDlg options(Animate);
        options.DoModal();
        window->ExecuteCommand(kCmdResumeRun);
        if (Shell.runPaused) RunControl.pending_key = platform::key::kEscape;  // never hang here
    });
    AnimateWait();
    EXPECT_TRUE(dialogOpened);
    EXPECT_FALSE(stoppedInDialog);
    RunControl.pending_key = 0;

    Shell.batchMode = 8;
    const unsigned batch = platform::Application::TickCount();
    Animate.mode = AnimateMode::WaitForTimeDelay;
    Animate.delay_ms = 500;
    AnimateWait();
    EXPECT_LT(platform::Application::TickCount() - batch, 400u);
    Shell.batchMode = 0;
    Shell.runInProgress = false;
    Animate = saved;
}
