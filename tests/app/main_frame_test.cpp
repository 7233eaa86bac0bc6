#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "app/display_fonts.h"
#include "app/document_openers.h"
#include "app/main_frame.h"
#include "app/program_accelerators.h"
#include "app/statistics_dialog.h"
#include "circuit/active_circuit.h"
#include "foundation/recent_list.h"
#include "libraries/component_def.h"
#include "libraries/component_types.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "app/settings_profile.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/shell_state.h"
#include "ui/framework/status_line.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

CMainFrame& Frame() {
    static CMainFrame* frame = [] {
        TestApp();
        CreateProgramPalette();
        CreateColourSlots();
        auto* f = new CMainFrame;
        f->Create(platform::Rect{0, 0, 1280, 800});
        f->CreateStatusBar(true);
        TestApp().SetMainWindow(f);
        f->Show(true);
        return f;
    }();
    return *frame;
}

void ForEachItem(platform::Menu& menu, const std::function<void(platform::Menu&, int)>& visit) {
    for (int i = 0; i < menu.Count(); ++i) {
        if (menu.At(i).popup) ForEachItem(*menu.At(i).popup, visit);
        else if (menu.At(i).id) visit(menu, i);
    }
}

struct StateGuard {
    ShellState saved = Shell;
    ~StateGuard() { Shell = saved; }
};

int circuitStandIn;

// Exit, Status Bar, About, Calculator, Preferences, New, Paths, Tip of the Day, Default
// Properties, User Definitions, Statistics and the demos.
const std::set<int> kEnabledWhenIdle = [] {
    std::set<int> ids = {12513, 18432, 18431, 17302, 17804, 17330, 18410, 11400, 11100, 17803, 18419, 18411, 1021};
    for (int id = 17820; id <= 17838; ++id) ids.insert(id);
    return ids;
}();

}  // namespace

// The update rules against their definitions, in seven program states.
TEST(MainFrame, UpdateRules) {
    Frame();
    StateGuard guard;
    using R = UpdateRule;
    struct State {
        const char* name;
        int analysisKind;
        bool circuit, run, paused, dynamicDC, digitalPath, probe;
    };
    const State states[] = {
        {"idle", -1, false, false, false, false, false, false},
        {"analysis active", 0, true, false, false, false, false, false},
        {"run paused", 1, true, true, true, false, false, false},
        {"digital path dialog", -1, false, false, false, false, true, false},
        {"dynamic DC", 0, true, false, false, true, false, false},
        {"run going on", 0, true, true, false, false, false, false},
        {"probe run", 0, true, true, false, false, false, true},
    };
    // Expected enable state per rule, one column per state above.
    struct Row {
        R rule;
        bool expected[7];
    };
    const Row rows[] = {
        {R::A, {true, false, false, false, true, false, false}},
        {R::B, {true, true, true, false, true, true, true}},
        {R::C, {true, false, false, true, true, false, false}},
        {R::E, {true, true, true, true, true, true, true}},
        {R::G, {true, true, false, false, true, false, false}},
        {R::H, {true, false, false, false, true, false, false}},
        {R::K, {true, false, false, true, false, false, false}},
        {R::L, {true, false, false, false, false, false, false}},
        {R::AnalysisActive, {false, true, true, false, false, true, true}},
        // Animate Options: changeable while a run waits between points, never in probe mode.
        {R::NotProbing, {false, true, true, false, false, true, false}},
    };
    for (int s = 0; s < 7; ++s) {
        const State& st = states[s];
        Shell.analysisKind = st.analysisKind;
        Shell.activeCircuitView = st.circuit ? &circuitStandIn : nullptr;
        Shell.runInProgress = st.run;
        Shell.runPaused = st.paused;
        Shell.dynamicDC = st.dynamicDC;
        Shell.digitalPathDialogOpen = st.digitalPath;
        Shell.activeViewProbeMode = st.probe;
        for (const Row& row : rows)
            EXPECT_EQ(RuleEnables(row.rule), row.expected[s]) << st.name << " rule " << static_cast<int>(row.rule);
    }
}

// Every item of the menu bar is either routed to a handler whose rule allows it now, or
// greyed; the digital path dialog greys every B command.
TEST(MainFrame, EveryMenuCommandIsRoutedOrGreyed) {
    CMainFrame& frame = Frame();
    StateGuard guard;
    std::set<int> enabled;
    int items = 0;
    ForEachItem(frame.MainMenu(), [&](platform::Menu& menu, int position) {
        platform::CommandUI ui(menu.At(position).id);
        ui.menu = &menu;
        ui.position = position;
        ++items;
        if (frame.RouteUpdate(ui) && ui.Enabled()) enabled.insert(ui.Id());
    });
    EXPECT_GT(items, 80);
    // With no document open, exactly the commands this program carries out are enabled.
    EXPECT_EQ(enabled, kEnabledWhenIdle);
    // Exit (rule B) and the status bar (always) are routed; Exit greys with the dialog.
    for (auto [id, dialogOpen, expected] :
         {std::tuple{12513, false, true}, std::tuple{12513, true, false}, std::tuple{18432, true, true}}) {
        Shell.digitalPathDialogOpen = dialogOpen;
        platform::CommandUI ui(id);
        EXPECT_EQ(frame.RouteUpdate(ui) && ui.Enabled(), expected) << id;
    }
}

TEST(MainFrame, StatusBarToggleAndPrompts) {
    CMainFrame& frame = Frame();
    ASSERT_TRUE(frame.StatusBarShown());
    frame.SetPromptText("first line\nsecond line");
    EXPECT_EQ(frame.GetPromptText(), "first line");
    ASSERT_TRUE(frame.ExecuteCommand(18432));
    EXPECT_FALSE(frame.StatusBarShown());
    EXPECT_FALSE(HelpLinesShown());  // sheets opened now have no help line
    EXPECT_EQ(frame.GetPromptText(), "");
    frame.SetPromptById(17680);  // hidden: nothing shown, nothing cached
    ASSERT_TRUE(frame.ExecuteCommand(18432));
    EXPECT_TRUE(HelpLinesShown());
    frame.SetPromptById(17680);
    EXPECT_EQ(frame.GetPromptText(), "The Status Bar");
    platform::CommandUI ui(18432);
    frame.RouteUpdate(ui);
    EXPECT_EQ(ui.Checked(), 1);
}

// The progress control shows only growing percentages in its pane and is made only
// while the bar is shown; hiding it gives the pane back.
TEST(MainFrame, ProgressPane) {
    CMainFrame& frame = Frame();
    frame.ShowProgress(200);
    ASSERT_TRUE(frame.ProgressShown());
    frame.SetModeText(17888);
    frame.SetProgressPosition(50);
    EXPECT_EQ(frame.PaneText(kPaneProgress), "25%");
    frame.SetProgressPosition(40);  // smaller: unchanged
    EXPECT_EQ(frame.PaneText(kPaneProgress), "25%");
    frame.SetPromptText("ready");  // the panes keep their places
    EXPECT_EQ(frame.GetPromptText(), "ready");
    frame.SetProgressPosition(199);
    EXPECT_EQ(frame.PaneText(kPaneProgress), "99%");
    frame.SetProgressPosition(120);  // no going back
    platform::Application::PumpMessages();
    fs::create_directories("png");
    EXPECT_TRUE(frame.Grab().SavePng("png/status_bar_progress.png"));
    frame.HideProgress();
    EXPECT_FALSE(frame.ProgressShown());
    EXPECT_EQ(frame.PaneText(kPaneProgress), "");
    EXPECT_EQ(frame.GetPromptText(), "ready");

    ASSERT_TRUE(frame.ExecuteCommand(18432));  // hidden bar: no control
    frame.ShowProgress(100);
    EXPECT_FALSE(frame.ProgressShown());
    ASSERT_TRUE(frame.ExecuteCommand(18432));
}

// Panes start as wide as their width texts, widen to longer texts and never narrow;
// the track pane keeps its width when the panes are laid out again.
TEST(MainFrame, PaneWidthsFollowTheirTexts) {
    CMainFrame& frame = Frame();
    StateGuard guard;
    Shell.analysisKind = -1;
    const int track = frame.StatusTextWidth("LnXXXXXX");
    ASSERT_GT(track, 0);
    EXPECT_EQ(frame.PaneWidth(kPaneMode), frame.StatusTextWidth("XXXXXXXXXXXXXXXXX"));
    EXPECT_GE(frame.PaneWidth(kPaneTrack), track);
    EXPECT_EQ(frame.PaneWidth(kPanePrompt), -1);  // stretches
    EXPECT_EQ(frame.PaneWidth(kPaneProgress), 0);  // no progress control

    const std::string wide = "X = 1.23456789e-3 s, Y = 4.5678 V";
    const int wideWidth = frame.StatusTextWidth(wide) + 4;
    frame.SetStatusPaneText(kPaneTrack, wide);
    EXPECT_EQ(frame.PaneText(kPaneTrack), wide);
    EXPECT_EQ(frame.PaneWidth(kPaneTrack), wideWidth);
    EXPECT_EQ(frame.TrackWidth(), wideWidth);
    frame.SetStatusPaneText(kPaneTrack, "Ln1");  // shorter: stays wide
    EXPECT_EQ(frame.PaneWidth(kPaneTrack), wideWidth);
    frame.ShowProgress(10);  // the panes are laid out again
    EXPECT_EQ(frame.PaneWidth(kPaneTrack), wideWidth);
    EXPECT_EQ(frame.PaneWidth(kPaneProgress), frame.StatusTextWidth("100%"));
    frame.HideProgress();
    EXPECT_EQ(frame.PaneWidth(kPaneTrack), wideWidth);

    // A limit caps the growth; an active analysis does not move the kept width.
    EXPECT_EQ(WidenPaneToText(frame, kPaneMode, std::string(80, 'W'), 300), 300);
    Shell.analysisKind = 0;
    Shell.activeCircuitView = &circuitStandIn;
    frame.SetStatusPaneText(kPaneTrack, wide + wide);
    EXPECT_GT(frame.PaneWidth(kPaneTrack), wideWidth);
    EXPECT_EQ(frame.TrackWidth(), wideWidth);
    frame.SizeTrackPane();
    EXPECT_EQ(frame.PaneWidth(kPaneTrack), wideWidth);
    Shell.activeCircuitView = nullptr;
    Shell.analysisKind = -1;

    // The pointer over the bar names it in the prompt pane.
    frame.SetPromptText("");
    platform::automation::HoverStatusBar(frame);
    EXPECT_EQ(frame.GetPromptText(), "The Status Bar");
    frame.SetStatusPaneText(kPaneTrack, "Ln12 Col4");
    frame.ApplyStatusBarSettings();  // the mode pane goes back to its width text
    EXPECT_EQ(frame.PaneWidth(kPaneMode), frame.StatusTextWidth("XXXXXXXXXXXXXXXXX"));
    EXPECT_EQ(frame.PaneWidth(kPaneTrack), wideWidth);
    frame.SetStatusPaneText(kPaneMode, "Select");
    platform::Application::PumpMessages();
    fs::create_directories("png");
    EXPECT_TRUE(frame.Grab().SavePng("png/status_bar_panes.png"));
}

// The time is wider than the clock pane's width text: the pane widens to it.
TEST(MainFrame, ClockPaneFitsTheTime) {
    CMainFrame& frame = Frame();
    const FramePreferences saved = Preferences;
    Preferences.statusBarShowTime = 1;
    frame.ApplyStatusBarSettings();
    const std::string time = frame.PaneText(kPaneClock);
    EXPECT_NE(time, "");
    EXPECT_GE(frame.PaneWidth(kPaneClock), frame.StatusTextWidth(time));
    EXPECT_GE(frame.PaneWidth(kPaneClock), frame.StatusTextWidth("Clock"));
    Preferences = saved;
    frame.ApplyStatusBarSettings();
    EXPECT_EQ(frame.PaneWidth(kPaneClock), 0);
}

// The mode pane by the top window's kind, mode and the run state; a mode change of the
// window shows at once.
TEST(MainFrame, ModeIndicator) {
    CMainFrame& frame = Frame();
    StateGuard guard;
    EXPECT_EQ(ModeIndicatorText(), "");
    CMDIFrame child;
    struct : CDraw {
        void OnDocumentChanged() override {}
    } view;
    view.frame = &child;
    child.draw = &view;
    ASSERT_TRUE(child.CreateChildFrame(frame, "txt", "modes.txt"));
    ASSERT_TRUE(view.CreateInFrame(&child));
    child.Show(true);
    child.Activate();
    view.SetMode(kModeText);
    EXPECT_EQ(frame.PaneText(kPaneMode), "Text Mode ");
    struct Case {
        int kind, mode;
        bool run, paused, dynamicDC;
        const char* text;
    };
    for (const Case& c : {Case{kDrawText, kModeSelect, false, false, false, "Select Mode "},
                          Case{kDrawText, kModeGraphics, false, false, false, "Graphic"},
                          Case{kDrawText, kModeSelect, false, false, true, "DC Operating point"},
                          Case{kDrawModelLibrary, kModeSelect, false, false, false, "Edit"},
                          Case{kDraw2DPlot, kModeScale, true, false, false, "Wait"},
                          Case{kDraw2DPlot, kModeScale, true, true, false, "Scale Mode "},
                          Case{kDraw2DPlot, kModeCursor, false, false, false, "Cursor Mode "},
                          Case{kDrawText, 0, false, false, false, ""}}) {
        child.kind = c.kind;
        view.currentMode = c.mode;
        Shell.runInProgress = c.run;
        Shell.runPaused = c.paused;
        Shell.dynamicDC = c.dynamicDC;
        frame.UpdateModeIndicator();
        EXPECT_EQ(frame.PaneText(kPaneMode), c.text) << c.kind << " " << c.mode;
    }
    Shell = guard.saved;
    EXPECT_EQ(frame.SetModeText(17888), -1);
    EXPECT_EQ(frame.PaneText(kPaneMode), "Wait");
    EXPECT_EQ(frame.SetModeText(-1), 17888);  // recomputed
    EXPECT_EQ(frame.PaneText(kPaneMode), "");
    child.Destroy();
    frame.UpdateModeIndicator();
    EXPECT_EQ(frame.PaneText(kPaneMode), "");
}

// The bar's texts take the font of the display item "Status Bar Text".
TEST(MainFrame, StatusBarFontIsTheFirstDisplayItem) {
    CMainFrame& frame = Frame();
    const FontRecord saved = DisplayFontTable[kFontStatusBar];
    DefaultFontRecord(DisplayFontTable[kFontStatusBar]);
    frame.ApplyStatusBarSettings();
    const int normal = frame.StatusTextHeight();
    DisplayFontTable[kFontStatusBar].height = 36;
    frame.ApplyStatusBarSettings();
    EXPECT_GT(frame.StatusTextHeight(), 2 * normal);
    DisplayFontTable[kFontStatusBar] = saved;
    frame.ApplyStatusBarSettings();
}

TEST(MainFrame, ClockText) {
    struct Case {
        int hour, minute;
        const char* text;
    };
    for (const Case& c : {Case{12, 5, " 12:05 PM "}, Case{0, 5, " 12:05 AM "}, Case{13, 7, " 1:07 PM "},
                          Case{11, 59, " 11:59 AM "}, Case{23, 0, " 11:00 PM "}})
        EXPECT_EQ(CMainFrame::ClockText(c.hour, c.minute), c.text);
}

TEST(MainFrame, WindowListWithTenWindows) {
    CMainFrame& frame = Frame();
    std::vector<std::unique_ptr<CMDIFrame>> windows;
    for (int i = 1; i <= 10; ++i) {
        auto w = std::make_unique<CMDIFrame>();
        w->kind = kDrawText;
        ASSERT_TRUE(w->CreateChildFrame(frame, "txt", "window" + std::to_string(i) + ".txt"));
        w->Show(true);
        w->Activate();
        windows.push_back(std::move(w));
    }
    platform::Menu& list = *frame.MainMenu().SubMenu(3);
    frame.OnInitMenuPopup(list, 3);
    frame.OnInitMenuPopup(list, 3);  // rebuilding twice leaves one list
    int first = list.FindPosition(65280);
    ASSERT_GT(first, 0);
    EXPECT_TRUE(list.At(first - 1).flags & platform::kMenuSeparator);
    // z-order, top first: the last activated window is item 1; the tenth is "More Windows...".
    EXPECT_EQ(list.At(first).text, "&1 window10.txt");
    EXPECT_EQ(list.At(first + 8).text, "&9 window2.txt");
    EXPECT_EQ(list.At(first + 9).id, 65289);
    EXPECT_EQ(list.At(first + 9).text, "More Windows...");
    EXPECT_EQ(list.Count(), first + 10);

    platform::CommandUI top(65280);
    top.menu = &list;
    top.position = first;
    frame.RouteUpdate(top);
    EXPECT_EQ(top.Checked(), 1);

    ASSERT_TRUE(frame.ExecuteCommand(65282));  // "&3 window8.txt"
    EXPECT_EQ(frame.Children().front(), windows[7].get());
    for (auto& w : windows) w->Destroy();
    frame.OnInitMenuPopup(list, 3);
    EXPECT_EQ(list.FindPosition(65280), -1);
}

TEST(MainFrame, RecentFilesAboveExitAndDroppedAndIncludeFiles) {
    CMainFrame& frame = Frame();
    InstallDocumentOpeners();
    const fs::path folder = fs::temp_directory_path() / ("ob7_frame_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "deck.ckt") << "* deck\nR1 1 0 1k\n.END\n";

    // Recent files: numbered, above a separator and Exit, the same after a second build.
    FileMru().Clear();
    FileMru().SetSize(8);
    for (const char* name : {"a.cir", "b.cir", "c.cir"}) FileMru().AddToTop(name);
    platform::Menu& file = *frame.MainMenu().SubMenu(0);
    const int count = file.Count();
    frame.OnInitMenuPopup(file, 0);
    frame.OnInitMenuPopup(file, 0);
    ASSERT_EQ(file.Count(), count + 4);
    const int exit = file.FindPosition(12513);
    EXPECT_EQ(exit, file.Count() - 1);
    EXPECT_TRUE(file.At(exit - 1).flags & platform::kMenuSeparator);
    EXPECT_EQ(file.At(exit - 4).text, "&1 c.cir");
    EXPECT_EQ(file.At(exit - 4).id, 57616);
    EXPECT_EQ(file.At(exit - 2).text, "&3 a.cir");
    FileMru().Clear();
    FileMru().SetSize(8);
    frame.OnInitMenuPopup(file, 0);
    EXPECT_EQ(file.Count(), count);

    // Dropped files open by kind; a name of no kind (no extension, no file) is passed over.
    frame.AcceptFiles(true);  // as the start-up does
    platform::automation::DropFiles(frame, {(folder / "deck.ckt").string(), (folder / "nothing").string()});
    ASSERT_EQ(frame.Children().size(), 1u);
    auto* dropped = dynamic_cast<CMDIFrame*>(frame.Children().front());
    ASSERT_NE(dropped, nullptr);
    EXPECT_EQ(fs::path(dropped->GetTitle()).filename(), "deck.ckt");
    dropped->Destroy();

    // User Definitions: the program folder's include file, new when missing.
    setenv("OB7_HOME", folder.c_str(), 1);
    ASSERT_TRUE(frame.ExecuteCommand(18411));
    unsetenv("OB7_HOME");
    ASSERT_EQ(frame.Children().size(), 1u);
    auto* include = dynamic_cast<CMDIFrame*>(frame.Children().front());
    EXPECT_EQ(fs::path(include->GetTitle()).filename(), "OMBR.INC");
    include->Destroy();
    fs::remove_all(folder);
}

// The accelerator step: 515 always, 507 or 506 by the analysis state and then 500 while
// no modal dialog runs.
TEST(MainFrame, ProgramAcceleratorsByState) {
    StateGuard guard;
    using platform::key::F;
    constexpr int kCtrl = platform::kCtrlDown, kAlt = platform::kAltDown, kShift = platform::kShiftDown;
    struct Case {
        int key, modifiers;
        int idle, analysis, modal;
    };
    const Case cases[] = {
        {'1', kAlt, 17600, 0, 0},           {'3', kCtrl | kAlt, 17605, 0, 0}, {'N', kCtrl, 11400, 0, 0},
        {'9', kCtrl, 17549, 0, 0},          {F(4), 0, 0, 17141, 0},            {'W', kCtrl, 0, 17176, 0},
        {F(1), 0, 17800, 17800, 0},         {'P', kCtrl | kShift, 18410, 18410, 0},
        {'O', kCtrl, 57601, 57601, 0},      {'W', kCtrl | kShift, 1022, 1022, 1022},
        {'N', 0, 0, 0, 0},                  {'1', kAlt | kShift, 0, 0, 0},
    };
    for (const Case& c : cases) {
        platform::KeyEvent event{c.key, c.modifiers};
        Shell.analysisKind = -1;
        EXPECT_EQ(TranslateProgramAccelerators(event), c.idle) << c.key << " idle";
        Shell.analysisKind = 0;
        EXPECT_EQ(TranslateProgramAccelerators(event), c.analysis) << c.key << " analysis";
        Shell.analysisKind = -1;
        ++ModalDepth;
        EXPECT_EQ(TranslateProgramAccelerators(event), c.modal) << c.key << " modal";
        --ModalDepth;
    }
}

TEST(MainFrame, StatisticsListsVersionDateAndMemory) {
    CMainFrame& frame = Frame();
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        platform::Application::PumpMessages();
        EXPECT_EQ(d.ItemCount(109), 3);
        EXPECT_EQ(d.ItemString(109, 0), "Version = 7.2.4.0");
        EXPECT_EQ(d.ItemString(109, 1).rfind("Executable date = ", 0), 0u);
        const std::string memory = d.ItemString(109, 2);
        EXPECT_EQ(memory.rfind("RAM memory installed = ", 0), 0u);
        EXPECT_GT(std::atof(memory.substr(23).c_str()), 16.0);
        EXPECT_EQ(memory.substr(memory.size() - 4), " MEG");
        fs::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/statistics.png"));
        return 2;
    });
    EXPECT_TRUE(frame.ExecuteCommand(1021));
}

TEST(MainFrame, StatisticsCountComponentsByType) {
    // Ground, ties and parts of type 0 are no components.
    std::vector<std::unique_ptr<ComponentDef>> defs;
    CircuitDocument doc;
    for (int type : {CT_RESISTOR, CT_CAPACITOR, CT_GROUND, CT_NULL, CT_RESISTOR, CT_TIE, CT_NPN}) {
        defs.push_back(std::make_unique<ComponentDef>());
        defs.back()->type = type;
        doc.AddPart(defs.back().get(), 0, 0);
    }
    doc.AddWire(0, 0, 10, 0);
    EXPECT_EQ(ComponentCountLines(doc, false), std::vector<std::string>{"Components = 4"});
    EXPECT_EQ(ComponentCountLines(doc, true),
              (std::vector<std::string>{"Components = 4", "Resistor = 2", "Capacitor = 1", "NPN = 1"}));
    // Without an analysis the list shows the active circuit's count after the memory.
    ActiveCircuit = &doc;
    const std::vector<std::string> lines = StatisticsLines();
    ActiveCircuit = nullptr;
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "Components = 4");
}

TEST(MainFrame, PromptTextsOfIds) {
    struct Case {
        int id;
        const char* text;
    };
    for (const Case& c : {Case{1, "Closes this dialog box and saves any changes you have made."},
                          Case{12321, "Saves all changes you have made without closing this Dialog box."},
                          Case{19830, "User defined color"}, Case{19928, "User defined color"},
                          Case{17680, "The Status Bar"}, Case{0, ""}})
        EXPECT_EQ(PromptTextForId(c.id), c.text) << c.id;
}
