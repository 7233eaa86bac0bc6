#include "app/circuit_analysis.h"

#include "app/auto_save.h"
#include "app/settings_profile.h"

#include <algorithm>
#include <memory>

#include "analysis/text_circuit_analysis.h"
#include "analysis_ui/analysis_limits_dialog.h"
#include "app/auto_save.h"
#include "app/main_frame.h"
#include "app/settings_profile.h"
#include "circuit/circuit_document.h"
#include "circuit/views/cct_draw.h"
#include "foundation/messages.h"
#include "netlist/netlist_circuit.h"
#include "netlist/views/circuit_view_commands.h"
#include "platform/system_services.h"
#include "plots/analysis_window.h"
#include "plots/auto_scale.h"
#include "plots/plot_view.h"
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
    bool ended = false;
    // What the Limits dialog takes from the circuit: the names its default curves read.
    LimitsDialogHost DialogHost() {
        LimitsDialogHost host;
        if (NetlistCircuit* c = circuit.Circuit())
            for (const NodeEntry& n : c->nodes.entries)
                if (n.scope == 1 && n.number > 0) host.nodes.push_back({n.number, n.kind == 1, n.name});
        return host;
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

// The run's plotted curves become the view's curves, and every stored point of every run
// goes into the view, which then scales itself to them.
void ShowRunInView(AnalysisPlot& plot, const AnalysisSetup& setup, CAPDraw& view) {
    view.data.curves.clear();
    std::vector<int> shown;
    for (int c = 0; c < static_cast<int>(plot.curves.size()); ++c) {
        const AnalysisCurve& curve = plot.curves[c];
        if (!(curve.flags & kCurvePlotted)) continue;
        GraphRecord g;
        g.caption = curve.text[kAxisY];
        g.xCaption = curve.text[kAxisX];
        g.plotGroup = std::max(1, curve.plotGroup);
        if (curve.row >= 0 && curve.row < static_cast<int>(setup.rows.size())) {
            const CurveRowRecord& row = setup.rows[curve.row];
            g.style.lineColour = row.lineColour;
            g.style.textColour = row.textColour;
            g.style.lineWidth = std::max(1, static_cast<int>(row.lineWidth));
        }
        // Both axes scale to the stored points (the view has no sweep range of its own).
        for (int axis = kXAxis; axis <= kYAxis; ++axis) {
            const int from = axis == kXAxis ? kAxisX : kAxisY;
            g.axis[axis].linear = curve.linear[from] ? 1 : 0;
            g.axis[axis].autoMark = kAutoScaleByRange;
        }
        g.digital = curve.digital ? 1 : 0;
        view.data.curves.push_back(g);
        shown.push_back(c);
    }
    view.data.plottedCount = static_cast<int>(shown.size());
    const int runs = std::max(1, static_cast<int>(plot.runs.runCount));
    if (view.PrepareCurves(runs) != 0) return;
    std::vector<double> xy(2 * shown.size());
    for (int r = 0; r < static_cast<int>(plot.runs.runCount); ++r) {
        RunStartValues start;
        start.caseNumber = plot.runs.records[r].caseNumber;
        start.temperature = plot.runs.records[r].temperature;
        start.secondSweepValue = plot.runs.records[r].secondSweepValue;
        view.BeginRun(start);
        int points = 0;
        for (int c : shown) points = std::max(points, plot.RunPointCount(c, r));
        for (int i = 0; i < points; ++i) {
            for (size_t k = 0; k < shown.size(); ++k) {
                const int at = std::min(i, plot.RunPointCount(shown[k], r) - 1);
                xy[2 * k] = plot.RunPointValue(shown[k], r, at, kAxisX);
                xy[2 * k + 1] = plot.RunPointValue(shown[k], r, at, kAxisY);
            }
            view.StoreRunPoint(xy.data());
        }
    }
    view.EndRun();
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
    circuitView->SyncTextToDocument();
    a.circuit.OpenText(circuitView->document->path, circuitView->document->text);
    // A circuit that does not compile ends the analysis; the compile reported why.
    if (a.circuit.Compile(kind) != 0) {
        EndAnalysisState(a);
        return false;
    }
    a.frame.runAnalysis = [](int) { RunActiveAnalysis(); };
    ConnectAnalysisLimits(a.frame, [&a](int) -> AnalysisSetup& { return a.circuit.Setup(); },
                          [&a] { return a.DialogHost(); });
    // The text page keeps the limits the window ends with.
    a.frame.analysisEnded = [&a, circuitView](int ended) {
        if (CircuitViewOpen(circuitView)) WriteViewAnalysisStatements(*circuitView, ended, a.circuit.Setup());
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
    a->circuit.prepareRun = [](AnalysisRun& run) {
        run.pollAbort = [] { return platform::Services().PollKey() == 27; };
    };
    Shell.runInProgress = true;
    const int code = a->circuit.RunAnalysis(a->kind);
    Shell.runInProgress = false;
    if (AnalysisRun* run = a->circuit.LastRun()) ShowRunInView(run->plot, a->circuit.Setup(), a->view);
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
