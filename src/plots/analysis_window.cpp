#include "plots/analysis_window.h"

#include "platform/frame.h"
#include "platform/input.h"
#include "sim/engine/run_control.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

constexpr const char* kKindNames[3] = {"Transient", "AC", "DC"};
constexpr const char* kKindMenus[3] = {"&Transient", "&AC", "&DC"};

int Clamp(int kind) { return kind < 0 || kind > 2 ? 0 : kind; }

}  // namespace

std::string AnalysisWindowTitle(int kind) { return std::string(kKindNames[Clamp(kind)]) + " Analysis"; }
std::string AnalysisMenuTitle(int kind) { return kKindMenus[Clamp(kind)]; }

void BuildScopeMenu(platform::Menu& m) {
    m.Clear();
    m.Append(kCmdAutoScale, "&Auto Scale\tF6");
    m.Append(kCmdRestoreLimitScales, "&Restore Limit Scales\tCtrl+Home");
    m.Append(kCmdZoomIn, "Zoom-&In\tCtrl+Num+");
    m.Append(kCmdZoomOut, "Zoom-&Out\tCtrl+Num-");
    m.AppendSeparator();
    m.Append(kModeScale, "&Scale Mode\tF7");
    m.Append(kModeCursor, "&Cursor Mode\tF8");
    platform::Menu& functions = m.AppendPopup("Cursor &Functions");
    functions.Append(kCursorNextPoint, "&Next Simulation Data Point");
    functions.Append(kCursorNextInterpolated, "Next Interpolated Data Point");
    functions.Append(kCursorPeak, "&Peak");
    functions.Append(kCursorValley, "&Valley");
    functions.Append(kCursorHigh, "&High");
    functions.Append(kCursorLow, "&Low");
    functions.Append(kCursorInflection, "&Inflection");
    functions.Append(kCursorGlobalHigh, "Global High");
    functions.Append(kCursorGlobalLow, "Global Low");
    functions.Append(kCursorTop, "Top\tAlt+Home");
    functions.Append(kCursorBottom, "Bottom\tAlt+End");
    m.Append(kCmdNormalizeAtCursor, "&Normalize At Cursor\tCtrl+N");
    m.Append(kCmdSameYScales, "Same &Y Scales");
    m.Append(kCmdAlignCursors, "A&lign Cursors");
    m.Append(kCmdKeepSameBranch, "Keep Cursors on Same Branch");
    m.AppendSeparator();
    platform::Menu& view = m.AppendPopup("&View");
    view.Append(kCmdViewFirst + 0, "&Data Points");
    view.Append(kCmdViewFirst + 1, "&Ruler");
    view.Append(kCmdViewFirst + 2, "&Tokens");
    view.Append(kCmdViewFirst + 3, "&Horizontal Axis Grids");
    view.Append(kCmdViewFirst + 4, "&Vertical Axis Grids");
    view.Append(kCmdViewFirst + 5, "&Minor Log Grids");
    view.Append(kCmdViewFirst + 6, "&Baseline");
    view.Append(kCmdPlusMark, "&Plus Mark");
    view.Append(kCmdHorizontalCursor, "Horizontal &Cursor");
    platform::Menu& trackers = m.AppendPopup("&Trackers");
    trackers.Append(kCmdTrackCursor, "&Cursor\tCtrl+Shift+C");
    trackers.Append(kCmdTrackIntercept, "&Intercept\tCtrl+I");
    trackers.Append(kCmdTrackMouse, "&Mouse\tCtrl+M");
    m.Append(kCmdChangeFont, "Change &Font...");
}

void BuildAnalysisRunMenu(platform::Menu& m, int kind) {
    m.Clear();
    m.Append(kCmdRunAnalysis, "&Run\tF2");
    m.Append(kCmdPauseRun, "&Pause\tPause");
    m.Append(kCmdStopRun, "&Stop");
    m.AppendSeparator();
    m.Append(kCmdAnalysisLimits, "&Limits...\tF9");
    m.Append(kCmdSteppingDialog, "&Stepping...\tF11");
    m.Append(kCmdDspParametersDialog, "&DSP Parameters...");
    m.Append(kCmdNumericOutput, "&Numeric Output\tF5");
    m.AppendSeparator();
    m.Append(kCmdCloseAnalysisWindow, "E&xit Analysis\tF3");
}

namespace {

// Takes the popup at a position out of the bar.
platform::Menu::Item TakePopup(platform::Menu& bar, int position) {
    platform::Menu::Item item = std::move(bar.At(position));
    bar.Remove(position);
    return item;
}

void PutPopup(platform::Menu& bar, int position, platform::Menu::Item& item) {
    platform::Menu& inserted = bar.InsertPopup(position, item.text, item.flags);
    if (item.popup) inserted = std::move(*item.popup);
    item = platform::Menu::Item{};
}

}  // namespace

bool SwitchInAnalysisMenus(platform::Menu& bar, int kind, AnalysisMenuSwitch& saved) {
    // Positions in the bar's model: a maximised child adds no item of its own there.
    const int a = 0;
    if (saved.active || bar.Count() <= a + 6 || bar.At(a + 6).text != "&Design") return false;
    saved.design = TakePopup(bar, a + 6);
    saved.analysis = TakePopup(bar, a + 5);
    saved.component = TakePopup(bar, a + 2);
    BuildAnalysisRunMenu(bar.InsertPopup(a + 4, AnalysisMenuTitle(kind)), kind);
    BuildScopeMenu(bar.InsertPopup(a + 5, "&Scope"));
    saved.active = true;
    return true;
}

void SwitchOutAnalysisMenus(platform::Menu& bar, AnalysisMenuSwitch& saved) {
    if (!saved.active) return;
    const int a = 0;
    bar.Remove(a + 5);
    bar.Remove(a + 4);
    PutPopup(bar, a + 2, saved.component);
    PutPopup(bar, a + 5, saved.analysis);
    PutPopup(bar, a + 6, saved.design);
    saved.active = false;
}

CG2DFrame::CG2DFrame() { RegisterRunCommands(); }

CG2DFrame::~CG2DFrame() = default;

bool CG2DFrame::EnterAnalysis(platform::FrameWindow& main, CAPDraw& view, int kind) {
    main_ = &main;
    analysisKind_ = Clamp(kind);
    closeAfterRun = 0;
    if (!CreatePlotFrame(main, view, AnalysisWindowTitle(kind), kind)) return false;
    view.drawType = kDraw2DPlot;
    if (platform::Menu* bar = main.GetMenu()) {
        if (SwitchInAnalysisMenus(*bar, kind, menus_)) main.SetMenu(bar);
    }
    view.SetMode(kModeSelect);
    return true;
}

void CG2DFrame::RegisterRunCommands() {
    using platform::CommandUI;
    OnCommand(kCmdRunAnalysis, [this](int) {
        if (!Shell.runInProgress && !Shell.runPaused && runAnalysis) runAnalysis(analysisKind_);
    });
    OnUpdate(kCmdRunAnalysis, [](CommandUI& ui) { ui.Enable(!Shell.runInProgress && !Shell.runPaused); });
    OnCommand(kCmdPauseRun, [](int) {
        if (Shell.runPaused) Shell.runPaused = false;
        else if (Shell.runInProgress) Shell.runPaused = true;
    });
    OnUpdate(kCmdPauseRun, [](CommandUI& ui) {
        ui.Enable(Shell.runInProgress || Shell.runPaused);
        ui.SetCheck(Shell.runPaused ? 1 : 0);
    });
    OnCommand(kCmdResumeRun, [](int) { Shell.runPaused = false; });
    OnUpdate(kCmdResumeRun, [](CommandUI& ui) { ui.Enable(Shell.runPaused); });
    // Stop: the run ends at its next key poll as if Esc had been pressed.
    OnCommand(kCmdStopRun, [](int) {
        Shell.runPaused = false;
        if (Shell.runInProgress) RunControl.pending_key = platform::key::kEscape;
    });
    OnUpdate(kCmdStopRun, [](CommandUI& ui) { ui.Enable(Shell.runInProgress && !Shell.activeViewProbeMode); });
    OnCommand(kCmdNumericOutput, [this](int) {
        if (openNumericOutput) openNumericOutput(analysisKind_);
    });
    OnCommand(kCmdAnalysisLimits, [this](int) {
        if (openLimits) openLimits(analysisKind_);
    });
    OnCommand(kCmdSteppingDialog, [this](int) {
        if (openStepping) openStepping(analysisKind_);
    });
    OnCommand(kCmdDspParametersDialog, [this](int) {
        if (openDspParameters && analysisKind_ != 2) openDspParameters(analysisKind_);
    });
    OnUpdate(kCmdDspParametersDialog, [this](CommandUI& ui) { ui.Enable(openDspParameters && analysisKind_ != 2); });
    OnCommand(kCmdCloseAnalysisWindow, [this](int) { OnClose(); });
}

void CG2DFrame::OnClose() {
    if (Shell.runPaused) {
        // The pause loop ends and the run with it; the window goes now.
        Shell.runPaused = false;
        RunControl.pending_key = platform::key::kEscape;
    } else if (Shell.runInProgress) {
        RunControl.pending_key = platform::key::kEscape;
        closeAfterRun = 1;
        return;
    }
    CAPFrame::OnClose();
}

void CG2DFrame::RunEnded() {
    if (!closeAfterRun) return;
    closeAfterRun = 0;
    CAPFrame::OnClose();
}

void CG2DFrame::OnDestroy() {
    if (closeLimits) closeLimits();
    if (draw) draw->ClearUndoList();
    if (main_) {
        if (platform::Menu* bar = main_->GetMenu()) {
            SwitchOutAnalysisMenus(*bar, menus_);
            main_->SetMenu(bar);
        }
    }
    CAPFrame::OnDestroy();
    if (analysisEnded) analysisEnded(analysisKind_);
}

}  // namespace ob7
