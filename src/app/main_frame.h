#pragma once
// The main frame of the program: its menu bar, the command table with the update rule
// of every command, the status bar panes, the window list of the Windows menu and the
// shut-down of the program when it closes.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/palette_bar.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "platform/menu.h"
#include "ui/framework/colour_controls.h"

namespace ob7 {

class CMDIFrame;

// The Component bar's picture strip: glyph k (15 rows, bit 0 the leftmost column) in
// the k-th cell, centred, in the ink colour on the face colour.
platform::Image MakeComponentBarBitmap(const std::array<std::array<int32_t, 15>, 20>& glyphs, int cell,
                                       platform::Color face, platform::Color ink);

// Update rules of the main frame's commands.
enum class UpdateRule {
    A,  // unless an analysis is active or the digital path dialog is open
    B,  // unless the digital path dialog is open
    C,  // unless an analysis is active
    D,  // a top drawing window exists
    E,  // always
    G,  // unless a run is in progress or paused or the digital path dialog is open
    H,  // unless the digital path dialog is open or an analysis is active
    K,  // no analysis kind
    L,  // no analysis kind and no digital path dialog
    CircuitWindow,   // a circuit window exists
    AnalysisActive,  // IsAnalysisActive
    NotProbing,      // IsAnalysisActive and the plot view not in probe mode, also during a run
    None,            // no update handler: enabled when a handler exists
};

// True when an analysis is active: a kind is set, an active circuit exists and Dynamic
// DC is off.
bool IsAnalysisActive();
// Whether a rule enables its command in the present state.
bool RuleEnables(UpdateRule rule);

// What the program can open: set by the document subsystems as they join the program.
// Each returns the new frame or null; the open reports its own failure.
struct DocumentOpeners {
    std::function<CMDIFrame*(const std::string& path)> openCircuit;   // kind 1
    std::function<CMDIFrame*(const std::string& path)> openText;      // kind 2
    std::function<CMDIFrame*(const std::string& path)> openLibrary;   // kind 3
    // New windows under an untitled name (File/New and the start-up's empty schematic).
    std::function<CMDIFrame*(const std::string& name)> createCircuit;  // kind 1
    std::function<CMDIFrame*(const std::string& name)> createLibrary;  // kind 3
};
DocumentOpeners& Openers();

struct TfCircuitLink;
struct SensitivityCircuitLink;

// What the transfer-function and sensitivity dialogs need of a circuit window: set by
// the circuit views. Each fills the link for the window and returns false when the
// window's circuit cannot be compiled.
struct AnalysisDialogLinks {
    std::function<bool(CMDIFrame* window, TfCircuitLink* link)> transfer;
    std::function<bool(CMDIFrame* window, SensitivityCircuitLink* link)> sensitivity;
};
AnalysisDialogLinks& DialogLinks();

// Runs a dialog again for as long as it ends with 4 (a failed or reported calculation).
void RunTransferFunctionCommand();
void RunSensitivityCommand();

// Opens a file by its document kind (1 schematic, 2 text, 3 model library); kind -1
// reports "File not found". Null when nothing was opened.
CMDIFrame* OpenFileByKind(const std::string& path, int kind);
// The first schematic or text window of the MDI client, or null.
CMDIFrame* FindCircuitWindow();

// One command of the main frame's table.
struct MainCommand {
    int first, last;
    UpdateRule rule;
};
// The table of the main frame's own commands with their update rules.
const std::vector<MainCommand>& MainCommandTable();

// The status-bar prompt of a command or control id (its first line); ids of dialog
// buttons, colour buttons, plot window lists and probe items borrow another's text.
std::string PromptTextForId(int id);

// Status bar panes, left to right; the progress pane is shown while the progress
// control exists.
enum StatusPane { kPaneMode = 0, kPaneProgress = 1, kPanePrompt = 2, kPaneTrack = 3, kPaneClock = 4, kPaneCount = 5 };

// The mode indicator of the top window: "DC Operating point" in Dynamic DC, "Wait"
// while a 2-D plot on top runs, "Edit" for a model library, "Graphic" for the graphics
// tools, otherwise the tool tip of the window's mode command up to its key; empty
// without a top window.
std::string ModeIndicatorText();

class CMainFrame : public platform::FrameWindow {
public:
    CMainFrame();
    ~CMainFrame() override;

    // Creates the window, its menu and status bar.
    bool Create(const platform::Rect& rect);

    platform::Menu& MainMenu() { return menu_; }
    // Handlers of commands whose owners join later (analyses, editors, dialogs).
    void SetHandler(int id, std::function<void(int)> handler);

    // The six tool bars of the button groups "File" to "Analysis" (ids 14900 + group),
    // with pictures of the given size, each wanted by the user until switched off.
    static constexpr int kFrameToolBarFirst = 14900;
    bool CreateToolBars(int buttonSize);
    // Shows the frame button list's visible buttons, separators only between them, and
    // the bars that are wanted and have a button; a bar without one is no longer wanted.
    // With recalc the buttons' states are updated at once.
    using platform::FrameWindow::UpdateToolBars;
    void UpdateToolBars(int recalc);
    void DockToolBarsInRow();
    void RememberToolBarVisibility();
    // The docking layout of the tool bars and palettes in the framework profile, bar by
    // bar: "Tool-Bar%d", "Component-Bar%d" and "General-Bar%d" with "General-Summary".
    void SaveBarLayout() const;
    // Puts the saved layout back, then hides bars that are shown but not wanted and
    // shows the status bar as its setting says; false when no layout was saved.
    bool RestoreBarLayout();
    // The Component bar's pictures drawn again from the glyphs.
    void RefreshComponentBar();
    bool ToolBarWanted(int group) const { return toolBarWanted_[group] != 0; }
    bool AnyToolBarVisible() const;
    // Main Tool Bar: hides all bars, or shows every bar with a visible button.
    void OnMainToolBarCommand();
    // Default Main Tool Bar: the default buttons, every bar wanted, in one row.
    void OnDefaultMainToolBar();

    // The nine component palettes (ids 14950 + k), made with the tool bars.
    std::array<CPaletteBar, CPaletteBar::kCount> palettes;
    // Set when a palette had no saved layout: the palettes are placed by default then.
    bool noSavedPaletteLayout = false;
    // Fills the palettes; without a saved layout floats them, hidden, around the
    // active window (or the MDI client).
    void PlacePalettesByDefault();
    // Palette k shown or hidden (Ctrl+1 .. Ctrl+9).
    void TogglePalette(int k);
    // Slot 0 an analysis, 1 a demo: shown palettes are greyed and floating ones hidden,
    // and afterwards exactly those come back.
    void DisableComponentPalettes(int slot);
    void RestoreComponentPalettes(int slot);
    void OnListBarSelect(int id, int index) override;
    // The status bar names the component under the pointer, or the palette.
    void OnListBarHover(int id, int item) override;

    // Status bar.
    void CreateStatusBar(bool visible);
    void ToggleStatusBar();
    // The panes and the clock follow the "Status Bar Track" and "Status Bar Show Time"
    // settings.
    void ApplyStatusBarSettings();
    // The clock timer runs while the clock is shown.
    void StartStopClock();
    bool StatusBarShown() const { return statusShown_; }
    int SetPromptById(int id);
    void SetPromptText(const std::string& text);
    std::string GetPromptText() const;
    // Shows the text of a string id in the mode pane (when it differs from the one
    // shown); -1 recomputes the indicator. Returns the previous id.
    int SetModeText(int id);
    // Shows a text of its own in the mode pane; the next id is shown again.
    void ShowModeText(const std::string& text);
    void UpdateModeIndicator();
    // Widens the pane to the text (never narrower) and shows it.
    void SetStatusPaneText(int index, const std::string& text);
    // The track pane takes the width it last grew to.
    void SizeTrackPane();
    int TrackWidth() const { return trackWidth_; }
    // The pointer over the bar names it in the prompt pane.
    void OnStatusBarHover() override;
    // The progress control over the prompt pane, with the percentage in its own pane:
    // made on first use while the bar is shown, range 0 to max.
    void ShowProgress(int max);
    void HideProgress();
    bool ProgressShown() const { return progressCreated_; }
    // Moves the control to a position of its range; only a larger percentage is shown.
    void SetProgressPosition(int position);
    // The clock text of a local time: " h:mm AM " on a 12-hour dial.
    static std::string ClockText(int hour, int minute);

    // The Windows menu's list of visible child frames; the tenth is "More Windows...".
    void RebuildWindowList(platform::Menu& windows);
    // The File menu's recent files, numbered without gaps, above Exit.
    void RebuildRecentFiles(platform::Menu& file);

    // Set when the close is a batch run's or follows a fatal start-up error: no question.
    bool quietClose = false;
    // Called once the frame is destroyed (the application quits there).
    std::function<void()> onDestroyed;

    void OnMenuSelect(int id) override;
    void OnSysColorChange() override;
    void OnInitMenuPopup(platform::Menu& popup, int position) override;
    void OnClose() override;
    void OnDestroy() override;
    void OnTimer(int id) override;
    // Dropped files open by their kind; circuits and libraries not while an analysis is active.
    void OnDropFiles(const std::vector<std::string>& paths) override;

private:
    std::array<int, 6> toolBarWanted_{};
    void InstallPaletteCommands();
    int buttonSize_ = 24;
    void BuildMenu();
    void MapCommands();
    void OnWindowListItem(int id);

    platform::Menu menu_;
    bool statusShown_ = true;
    int cachedPrompt_ = -1;
    int cachedMode_ = -1;
    CStatusProgress progress_;
    bool progressCreated_ = false;
    int progressPercent_ = 0;
    bool clockRunning_ = false;
    int trackWidth_ = 0;  // the track pane's width, kept across layouts of the panes
    friend int WidenPaneToText(CMainFrame& bar, int index, const std::string& text, int max);
    int recentItems_ = 0;  // items the File menu's recent list added above Exit
};

extern CMainFrame* MainFrame;

// Grows a status pane to the text's width plus a small margin, at most max when max is
// above 0; a pane never shrinks here. Returns the pane's width.
int WidenPaneToText(CMainFrame& bar, int index, const std::string& text, int max = 0);

}  // namespace ob7
