#include "app/circuit_analysis.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "analysis/circuit_expression_context.h"
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
#include "sim/engine/solver_state.h"
#include "sim/analysis/animate.h"
#include "sim/engine/run_control.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

constexpr int kCmdTransient = 17600;
constexpr int kMsgCircuitsUnavailable = 14094;

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
    double setupSeconds = 0;  // the compile of the analysis' start
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

void InstallAnimateViewHooks() {
    AnimateView.batch = [] { return Shell.batchMode != 0; };
    AnimateView.run_state = [] { return Shell.activeViewProbeMode ? 1 : 0; };
    AnimateView.show_mode_indicator = [](const std::string& text) {
        if (MainFrame) MainFrame->ShowModeText(text);
    };
    // The wait's pause is the run's Pause: Ctrl+SPACE and the window's Resume clear it,
    // Stop ends the wait and then the run. Esc is the window's Stop wherever the focus
    // is, but not inside a dialog opened during the wait; the key then goes its usual way.
    AnimateView.pump_message = [] {
        Shell.runPaused = RunControl.pause != 0;
        const int modalDepth = platform::Application::ModalLoopDepth();
        platform::Application::SetKeyWatch([modalDepth](const platform::KeyEvent& event) {
            if (event.key == platform::key::kEscape && platform::Application::ModalLoopDepth() == modalDepth)
                if (CG2DFrame* window = ActiveAnalysisWindow()) window->ExecuteCommand(kCmdStopRun);
            return false;
        });
        platform::Application::PumpUntil([] { return false; }, 10);
        platform::Application::SetKeyWatch(nullptr);
        if (RunControl.pending_key == platform::key::kEscape) Shell.runPaused = false;
        RunControl.pause = Shell.runPaused ? 1 : 0;
        return true;
    };
    AnimateView.now_ms = [] { return static_cast<int64_t>(platform::Application::TickCount()); };
    AnimateView.update_mode_indicator = [] {
        if (MainFrame && Shell.runInProgress) MainFrame->SetModeText(kMsgWait);
    };
}

void InstallAnalysisCommands(CMainFrame& frame) {
    for (int kind = 0; kind < 3; ++kind) frame.SetHandler(kCmdTransient + kind, [kind](int) { StartCircuitAnalysis(kind); });
    InstallAnimateViewHooks();
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
    // Every compile of the analysis reads the preferences; the zero-AC warning belongs
    // to this first compile only, not to the runs.
    CompileSettings& settings = a.circuit.compileSettings;
    settings.floatingNodesCheck = (Preferences.operationalOptions & 0x10) != 0;
    settings.inertialCancellation = (Preferences.operationalOptions & 0x4000) != 0;
    settings.dcPathCheck = Preferences.checkDCPath != 0;
    settings.addDcPath = Preferences.addDCPath != 0;
    settings.addDcPathWarning = &Preferences.addDCPathWarning;
    settings.warnZeroAcSources = kind == kAc && !Shell.demoPlaying && Shell.batchMode == 0;
    // A circuit that does not compile ends the analysis; the compile reported why.
    const auto setupStart = std::chrono::steady_clock::now();
    const int compiled = a.circuit.Compile(kind);
    settings.warnZeroAcSources = false;
    if (compiled != 0) {
        EndAnalysisState(a);
        return false;
    }
    a.setupSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - setupStart).count();
    if (kind == 1) OpenAcAnalysis(a.circuit.Setup());
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
    a.view.selectWaveformColour = Preferences.selectWaveformColor;
    // The numeric output's header and delimiter are the circuit's; the sheet's edits go
    // back into its document, which saves them.
    const AnalysisWindowLook& look = circuitView->document->analysisLook;
    a.view.numericOutputHeader.texts = look.numericOutputHeader;
    a.view.numericOutputDelimiter = static_cast<char>(look.numericOutputDelimiter);
    a.view.propertiesHost.changed = [&a, circuitView] {
        if (!CircuitViewOpen(circuitView)) return;
        AnalysisWindowLook& kept = circuitView->document->analysisLook;
        const int32_t delimiter = static_cast<unsigned char>(a.view.numericOutputDelimiter);
        if (kept.numericOutputHeader == a.view.numericOutputHeader.texts && kept.numericOutputDelimiter == delimiter)
            return;
        kept.numericOutputHeader = a.view.numericOutputHeader.texts;
        kept.numericOutputDelimiter = delimiter;
        // A text page keeps no window settings in its file.
        if (circuitView->document->kind != DOC_TEXT) circuitView->OnDocumentChanged();
    };
    a.view.propertiesHost.curveRows = [&a] { return &a.circuit.Setup().rows; };
    a.view.propertiesHost.closeLimits = [] { CloseAnalysisLimits(); };
    a.view.propertiesHost.refreshLimits = [] {
        if (AnalysisLimitsDialog) AnalysisLimitsDialog->RefreshCurveGrid();
    };
    // Before the first run the sheet edits curves made from the rows.
    a.view.propertiesHost.buildGraphs = [&a]() -> int {
        AnalysisPlot plot;
        plot.analysisKind = a.kind;
        plot.context = a.circuit.Context();
        plot.analysisFlags = a.circuit.Setup().options;
        if (!plot.context) return kMsgRunStopped;
        if (int code = plot.BuildGraphs(a.circuit.Setup().rows, false, 1)) return code;
        BuildViewGraphs(a.view, plot, a.circuit.Setup(), a.kind);
        return 0;
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
    // status bar when the user asked for it.
    RunPlotFeed feed(a->view, a->circuit.Setup(), a->kind);
    feed.progress = [](int percent) {
        if (MainFrame) MainFrame->SetProgressPosition(percent);
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
        // The numeric output takes the header and delimiter of the plot's properties.
        run.numericOutput.separator = a->view.numericOutputDelimiter;
        run.numericOutput.writeHeader = [a](TextFile& file, int width) {
            static const char* const kTitles[] = {"Transient Analysis", "AC Analysis", "DC Analysis"};
            return WriteAnalysisHeader(a->view.numericOutputHeader, file, width, kTitles[a->kind], a->circuit.Path());
        };
        feed.Attach(run);
    };
    Shell.runInProgress = true;
    RunControl.pending_key = 0;  // an earlier Esc is not this run's
    lastPoll = {};
    if (MainFrame) {
        if (Preferences.progressBar && !Shell.batchMode) MainFrame->ShowProgress(100);
        MainFrame->SetModeText(kMsgWait);
    }
    const int code = a->circuit.RunAnalysis(a->kind);
    a->circuit.prepareRun = nullptr;  // it holds the feed, which ends here
    Shell.runInProgress = false;
    if (MainFrame) {
        MainFrame->HideProgress();
        MainFrame->UpdateModeIndicator();
    }
    if (AnalysisRun* run = a->circuit.LastRun()) feed.Finish(run->plot);
    a->frame.RunEnded();
    return code;
}

CG2DFrame* ActiveAnalysisWindow() {
    ActiveAnalysis* a = Active().get();
    return a && !a->ended ? &a->frame : nullptr;
}

bool ActiveAnalysisStatistics(AnalysisStatistics& out) {
    ActiveAnalysis* a = Active().get();
    if (!a || a->ended) return false;
    out = AnalysisStatistics{};
    out.setupSeconds = a->setupSeconds;
    if (AnalysisRun* run = a->circuit.LastRun()) {
        out.runSeconds = run->runSeconds;
        out.equations = EquationCount;
    }
    if (NetlistCircuit* c = a->circuit.Circuit()) {
        out.analogNodes = c->analogNodeCount;
        out.digitalNodes = c->digitalNodeCount;
    }
    out.iterations = a->circuit.Iterations();
    out.rejectedSolutions = a->circuit.RejectedSteps();
    out.totalSolutions = a->circuit.AcceptedPoints();
    return true;
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
