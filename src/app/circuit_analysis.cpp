#include "app/circuit_analysis.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "analysis/numeric_output.h"
#include "analysis/text_circuit_analysis.h"
#include "analysis_ui/analysis_limits_dialog.h"
#include "analysis_ui/circuit_choices.h"
#include "analysis_ui/dsp_parameters_dialog.h"
#include "analysis_ui/stepping_dialog.h"
#include "app/auto_save.h"
#include "app/main_frame.h"
#include "app/settings_profile.h"
#include "circuit/circuit_document.h"
#include "circuit/views/cct_draw.h"
#include "circuit/views/text_window.h"
#include "foundation/messages.h"
#include "foundation/string_table.h"
#include "netlist/netlist_circuit.h"
#include "netlist/views/circuit_view_commands.h"
#include "platform/application.h"
#include "platform/desktop.h"
#include "platform/input.h"
#include "platform/system_services.h"
#include "plots/analysis_window.h"
#include "plots/plot_view.h"
#include "plots/run_plot_feed.h"
#include "sim/engine/run_control.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

constexpr int kCmdTransient = 17600;
constexpr int kMsgCircuitsUnavailable = 14094;
constexpr int kMsgWait = 17888;  // the mode text while a run goes

// The active analysis: the compiled circuit, its window and the window's plot view. The
// window and view outlive their closing until the next analysis starts, because the
// close arrives from inside the window.
struct ActiveAnalysis {
    int kind = 0;
    const void* circuitView = nullptr;
    TextCircuitAnalysis circuit;
    CAPDraw view;
    CG2DFrame frame;
    AnalysisSetup asRead;  // the limits and curves as the text gave them
    bool ended = false;
    // What the Limits dialog takes from the circuit: the names its default curves read.
    LimitsDialogHost DialogHost() {
        LimitsDialogHost host;
        host.barsBottom = [] { return MainFrame ? MainFrame->MdiClientOrigin().y : platform::desktop::WorkArea().top; };
        if (NetlistCircuit* c = circuit.Circuit()) {
            for (const NodeEntry& n : c->nodes.entries)
                if (n.scope == 1 && n.number > 0) host.nodes.push_back({n.number, n.kind == 1, n.name});
            FillLimitsChoices(ReadCircuitChoices(*c), host);
        }
        return host;
    }
    // What the Stepping dialog offers: the compiled circuit's parts, models and symbols.
    StepChoices SteppingChoices() {
        NetlistCircuit* c = circuit.Circuit();
        return c ? MakeStepChoices(ReadCircuitChoices(*c)) : StepChoices{};
    }
};

std::unique_ptr<ActiveAnalysis>& Active() {
    static std::unique_ptr<ActiveAnalysis> active;
    return active;
}

// The circuit view still has its window (it may have closed before the analysis did).
bool CircuitViewOpen(const CCTDraw* view) {
    if (!MainFrame) return false;
    for (platform::MdiChildFrame* child : MainFrame->Children()) {
        auto* frame = dynamic_cast<CMDIFrame*>(child);
        if (frame && frame->draw == view) return true;
    }
    return false;
}

CMDIFrame* FirstCircuitWindow() {
    if (!MainFrame) return nullptr;
    for (platform::MdiChildFrame* child : MainFrame->Children()) {
        auto* frame = dynamic_cast<CMDIFrame*>(child);
        if (frame && (frame->kind == kDrawSchematic || frame->kind == kDrawText)) return frame;
    }
    return nullptr;
}

// Polled between points: Esc or the window's Stop ends the run; while Pause holds it,
// the program stays responsive until Resume or Stop.
// The message loop is drained every few milliseconds, not at every point; a run starts
// with a poll.
std::chrono::steady_clock::time_point lastPoll;

bool PollRunStop() {
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastPoll >= std::chrono::milliseconds(10) || Shell.runPaused) {
            lastPoll = now;
            if (platform::Services().PollKey() == platform::key::kEscape) RunControl.pending_key = platform::key::kEscape;
        }
        if (RunControl.pending_key == platform::key::kEscape) return true;
        if (!Shell.runPaused) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The analysis is over: the active circuit and the kind are cleared and the compiled
// circuit freed; the Limits dialog closes with the window.
void EndAnalysisState(ActiveAnalysis& a) {
    if (a.ended) return;
    a.ended = true;
    CloseAnalysisLimits();
    a.circuit.Close();
    Shell.analysisKind = -1;
    if (Shell.activeCircuitView == a.circuitView) Shell.activeCircuitView = nullptr;
    if (MainFrame) MainFrame->RestoreComponentPalettes(0);
}

}  // namespace

void InstallAnalysisCommands(CMainFrame& frame) {
    for (int kind = 0; kind < 3; ++kind) frame.SetHandler(kCmdTransient + kind, [kind](int) { StartCircuitAnalysis(kind); });
}

bool StartCircuitAnalysis(int kind) {
    if (Shell.analysisKind != -1 || !MainFrame) return false;
    CMDIFrame* window = FirstCircuitWindow();
    auto* circuitView = window ? dynamic_cast<CCTDraw*>(window->draw) : nullptr;
    if (!circuitView || !circuitView->document) return false;
    if (circuitView->document->kind != DOC_TEXT) {
        ReportMessage("E", kMsgCircuitsUnavailable, circuitView->document->path.c_str());
        return false;
    }
    // With the "AutoSave" preference the documents are saved before the analysis.
    if (Preferences.autoSave && !Shell.demoPlaying && Shell.batchMode == 0) SaveModifiedDocuments();
    Active().reset();
    auto active = std::make_unique<ActiveAnalysis>();
    ActiveAnalysis& a = *active;
    a.kind = kind;
    a.circuitView = circuitView;
    Shell.analysisKind = kind;
    Shell.activeCircuitView = circuitView;
    MainFrame->DisableComponentPalettes(0);
    circuitView->SyncTextToDocument();
    a.circuit.OpenText(circuitView->document->path, circuitView->document->text);
    // A circuit that does not compile ends the analysis; the compile reported why.
    if (a.circuit.Compile(kind) != 0) {
        EndAnalysisState(a);
        return false;
    }
    a.asRead = a.circuit.Setup();
    SetSteppingDialogPage(0);
    a.frame.runAnalysis = [](int) { RunActiveAnalysis(); };
    ConnectSteppingDialog(a.frame, [&a](int) -> AnalysisSetup& { return a.circuit.Setup(); },
                          [&a] { return a.SteppingChoices(); }, [] {});
    // The DSP parameters live with the circuit's document between analyses.
    a.circuit.dsp = circuitView->document->dsp;
    ConnectDspParameters(a.frame, [&a] { return &a.circuit.dsp; }, [&a] { return a.circuit.Setup().limits[0]; },
                         [&a, circuitView] {
                             if (CircuitViewOpen(circuitView)) circuitView->document->dsp = a.circuit.dsp;
                         });
    // Numeric Output shows the file the last run wrote beside the circuit.
    a.frame.openNumericOutput = [&a](int kind) {
        int code = 0;
        if (CTxtFrame* text = OpenTextWindow(NumericOutputPath(a.circuit.Path(), kind), 0, code)) text->Activate();
    };
    // The plot's properties edit the analysis' curve rows.
    a.view.propertiesHost.curveRows = [&a] { return &a.circuit.Setup().rows; };
    a.view.propertiesHost.closeLimits = [] { CloseAnalysisLimits(); };
    a.view.propertiesHost.refreshLimits = [] {
        if (AnalysisLimitsDialog) AnalysisLimitsDialog->RefreshCurveGrid();
    };
    ConnectAnalysisLimits(a.frame, [&a](int) -> AnalysisSetup& { return a.circuit.Setup(); },
                          [&a] { return a.DialogHost(); });
    // The text page keeps the limits the window ends with.
    a.frame.analysisEnded = [&a, circuitView](int ended) {
        if (CircuitViewOpen(circuitView))
            WriteViewAnalysisStatements(*circuitView, ended, a.circuit.Setup(), &a.asRead);
    };
    // The window's close ends the analysis (after the Limits dialog closed with it).
    a.frame.closeLimits = [&a] { EndAnalysisState(a); };
    InstallLimitsDialogRunHooks([&a] { return ShowAnalysisLimits(a.circuit.Setup(), a.kind, a.DialogHost(), true); });
    Active() = std::move(active);
    if (!a.frame.EnterAnalysis(*MainFrame, a.view, kind)) {
        EndAnalysisState(a);
        return false;
    }
    a.frame.ShowAs(platform::ShowState::Maximized);
    ShowAnalysisLimits(a.circuit.Setup(), kind, a.DialogHost(), true);
    return true;
}

int RunActiveAnalysis() {
    ActiveAnalysis* a = Active().get();
    if (!a || a->ended || Shell.runInProgress) return kMsgRunStopped;
    // Run takes the set-up as the Limits dialog left it.
    a->circuit.keepSetup = true;
    // The curves are drawn as the points arrive, with the percentage done in the
    // status bar.
    RunPlotFeed feed(a->view, a->circuit.Setup(), a->kind);
    feed.progress = [](int percent) {
        if (MainFrame) MainFrame->SetPaneProgress(kPanePrompt, percent);
    };
    a->circuit.prepareRun = [&feed, a](AnalysisRun& run) {
        run.pollAbort = [] { return PollRunStop(); };
        run.timedNotice = [a](const std::string& text) {
            CTimedNoticeDlg(&a->frame, 3890, text, Preferences.warningTime);
        };
        // A stepping error opens the Stepping dialog on the variable, once the run is over.
        run.steppingError = [](int variable) {
            SetSteppingDialogPage(variable);
            if (Shell.batchMode) return;
            if (platform::Application* app = platform::Application::Instance())
                app->Post([] {
                    if (CG2DFrame* window = ActiveAnalysisWindow()) window->ExecuteCommand(kCmdStepping);
                });
        };
        // A refused DSP point count opens the dialog again once the run has ended.
        run.dspPointsRefused = [] {
            if (platform::Application* app = platform::Application::Instance()) app->PostCommand(kCmdDspParameters);
        };
        feed.Attach(run);
    };
    Shell.runInProgress = true;
    RunControl.pending_key = 0;  // an earlier Esc is not this run's
    lastPoll = {};
    if (MainFrame) MainFrame->SetModeText(LoadMessageTextTemp(kMsgWait));
    const int code = a->circuit.RunAnalysis(a->kind);
    a->circuit.prepareRun = nullptr;  // it holds the feed, which ends here
    Shell.runInProgress = false;
    if (MainFrame) {
        MainFrame->SetPaneProgress(kPanePrompt, -1);
        MainFrame->SetModeText("");
    }
    if (AnalysisRun* run = a->circuit.LastRun()) feed.Finish(run->plot);
    a->frame.RunEnded();
    return code;
}

CG2DFrame* ActiveAnalysisWindow() {
    ActiveAnalysis* a = Active().get();
    return a && !a->ended ? &a->frame : nullptr;
}

CAPDraw* ActiveAnalysisView() {
    ActiveAnalysis* a = Active().get();
    return a && !a->ended ? &a->view : nullptr;
}

void EndCircuitAnalysis() {
    ActiveAnalysis* a = Active().get();
    if (!a) return;
    if (a->frame.IsCreated()) a->frame.Destroy();
    EndAnalysisState(*a);
    Active().reset();
}

}  // namespace ob7
