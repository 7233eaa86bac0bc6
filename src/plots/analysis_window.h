#pragma once
// The 2-D analysis window: the frame over an analysis's plot view, its title, the
// Analysis menus it switches into the main menu while it is open (and back when it
// closes), and its run commands: Run, Pause, Resume, Stop, Numeric Output.

#include <functional>
#include <memory>
#include <string>

#include "platform/menu.h"
#include "plots/plot_view.h"

namespace ob7 {

enum AnalysisWindowCommand : int {
    kCmdRunAnalysis = 16067, kCmdPauseRun = 16066, kCmdResumeRun = 16069, kCmdStopRun = 16068,
    kCmdNumericOutput = 17140, kCmdCloseAnalysisWindow = 17216,
    kCmdAnalysisLimits = 16070, kCmdSteppingDialog = 18100, kCmdDspParametersDialog = 17142
};

// "Transient Analysis", "AC Analysis", "DC Analysis".
std::string AnalysisWindowTitle(int analysisKind);
// The "&Scope" menu of the plot views and the run menu of an analysis ("&Transient",
// "&AC", "&DC").
void BuildScopeMenu(platform::Menu& menu);
void BuildAnalysisRunMenu(platform::Menu& menu, int analysisKind);
// The caption of the run menu of an analysis kind.
std::string AnalysisMenuTitle(int analysisKind);

// The popups the analysis window takes out of the main menu while it is open.
struct AnalysisMenuSwitch {
    bool active = false;
    platform::Menu::Item component, analysis, design;
};
// Takes "&Design", "&Analysis" and "&Component" out of the bar (kept in saved) and puts
// the run menu of the analysis and "&Scope" in. False when the bar is not the main menu
// (no "&Design" at its place).
bool SwitchInAnalysisMenus(platform::Menu& bar, int analysisKind, AnalysisMenuSwitch& saved);
// Puts the main menu back as it was.
void SwitchOutAnalysisMenus(platform::Menu& bar, AnalysisMenuSwitch& saved);

class CG2DFrame : public CAPFrame {
public:
    CG2DFrame();
    ~CG2DFrame() override;

    // Opens the window of an analysis over its view in the main frame, with the
    // analysis menus. False when the window cannot be made.
    bool EnterAnalysis(platform::FrameWindow& main, CAPDraw& view, int analysisKind);

    // Starts a run of the analysis (the run cycle's entry); the window only asks.
    std::function<void(int analysisKind)> runAnalysis;
    // Opens the numeric output of the analysis.
    std::function<void(int analysisKind)> openNumericOutput;
    // Opens the Analysis Limits dialog of the analysis, and closes it with the window.
    std::function<void(int analysisKind)> openLimits;
    std::function<void()> closeLimits;
    // Opens the Stepping dialog of the analysis.
    std::function<void(int analysisKind)> openStepping;
    // Opens the DSP Parameters dialog of the analysis; greyed when unset or in DC.
    std::function<int(int analysisKind)> openDspParameters;
    int closeAfterRun = 0;  // closed while a run was going on: closes when it ends
    // The window was destroyed, which ends the analysis (a text circuit writes its
    // analysis statements back then).
    std::function<void(int analysisKind)> analysisEnded;

    // The run ended: a window closed during the run closes now.
    void RunEnded();
    void OnClose() override;
    void OnDestroy() override;

private:
    void RegisterRunCommands();
    platform::FrameWindow* main_ = nullptr;
    AnalysisMenuSwitch menus_;
    int analysisKind_ = 0;
};

}  // namespace ob7
