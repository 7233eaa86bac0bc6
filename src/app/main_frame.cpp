#include "app/main_frame.h"

#include <ctime>
#include <map>

#include "app/about_box.h"
#include "app/calculator_dialog.h"
#include "app/component_menu.h"
#include "app/default_properties.h"
#include "app/demo_player.h"
#include "app/display_fonts.h"
#include "app/file_new_dialog.h"
#include "app/paths_dialog.h"
#include "app/tip_of_day.h"
#include "app/preferences.h"
#include "app/recent_components.h"
#include "app/tool_buttons.h"
#include "app/settings_profile.h"
#include "app/startup_libraries.h"
#include "app/statistics_dialog.h"
#include "circuit/views/text_window.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/recent_list.h"
#include "foundation/string_table.h"
#include "libraries/component_def.h"
#include "libraries/component_library.h"
#include "platform/application.h"
#include "platform/draw_context.h"
#include "plots/animate_options_dialog.h"
#include "plots/sensitivity_dialog.h"
#include "plots/transfer_function_dialog.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/status_line.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/fonts.h"
#include "ui/framework/file_dialogs.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

CMainFrame* MainFrame = nullptr;

namespace {

constexpr int kMsgQuit = 14063;
constexpr int kWindowListFirst = 65280;
constexpr int kWindowListMore = 65289;
constexpr int kRecentFirst = 57616, kRecentLast = 57631;
constexpr int kCmdExit = 12513, kCmdUserDefinitions = 18411;
constexpr int kClockTimer = 2;
constexpr int kWaitText = 17888;
constexpr int kStatusBarPrompt = 17680;
// The string ids whose texts give the panes' first widths.
constexpr int kPaneIdClock = 59143, kPaneIdMode = 59144, kPaneIdTrack = 59145, kPaneIdProgress = 59147;

// Framework commands of the Windows menu.
constexpr int kCmdCascade = 57650, kCmdTileHorizontal = 57651, kCmdTileVertical = 57652;

std::map<int, std::function<void(int)>>& Handlers() {
    static std::map<int, std::function<void(int)>> handlers;
    return handlers;
}

bool HasProgramHandler(int id) { return Handlers().count(id) != 0; }

using platform::Menu;

struct MenuRow {
    int level;  // 0 top-level pop-up, 1 item, 2 item of the last sub-menu
    int id;     // 0: pop-up or separator (empty text)
    const char* text;
};

const MenuRow kMenuRows[] = {
    {0, 0, "&File"},
    {1, 11400, "&New...\tCtrl+N"}, {1, 57601, "&Open...\tCtrl+O"}, {1, 57602, "&Close\tCtrl+F4"},
    {1, 0, ""}, {1, 57603, "&Save\tCtrl+S"}, {1, 57604, "Save &As..."}, {1, 57605, "&Revert"},
    {1, 0, ""}, {1, 11100, "Pa&ths..."},
    {1, 0, "T&ranslate"}, {2, 18500, "&Binary Library to SPICE Text File..."},
    {1, 17106, "Load &MC File..."},
    {1, 0, ""}, {1, 57609, "Print Pre&view"}, {1, 57607, "&Print...\tCtrl+P"}, {1, 57606, "P&rint Setup..."},
    {1, 0, ""}, {1, 12513, "E&xit\tAlt+F4"},
    {0, 0, "&Edit"},
    {1, 57643, "&Undo\tCtrl+Z"}, {1, 57644, "&Redo\tCtrl+Y"}, {1, 0, ""},
    {1, 57635, "Cu&t\tCtrl+X"}, {1, 57634, "&Copy\tCtrl+C"}, {1, 57637, "&Paste\tCtrl+V"},
    {1, 57632, "&Delete\tDel"}, {1, 57642, "Select &All\tCtrl+A"}, {1, 0, ""},
    {1, 12913, "Refresh &Models..."}, {1, 0, ""},
    {1, 0, "&Box"}, {2, 17207, "&Step..."}, {2, 17208, "&Mirror"}, {2, 17209, "&Rotate"},
    {2, 17210, "&Flip X"}, {2, 17211, "Flip &Y"},
    {1, 0, "C&hange"}, {2, 15678, "&Properties...\tF10"},
    {1, 0, "C&opy to Clipboard"}, {2, 17206, "Copy the &Visible Portion of Window in BMP Format"},
    {0, 0, "&Component"},
    {1, 17308, "&Find Component...\tCtrl+Shift+F"},
    {0, 0, "&Windows"},
    {1, kCmdCascade, "&Cascade"}, {1, kCmdTileHorizontal, "Tile &Horizontal"},
    {1, kCmdTileVertical, "Tile &Vertical"}, {1, 17305, "&Maximize"}, {1, 17304, "&Overlap"},
    {1, 0, ""}, {1, 17306, "Component &Editor..."}, {1, 17309, "&Shape Editor..."},
    {1, 20498, "&Package Editor..."}, {1, 17330, "Ca&lculator..."},
    {1, 17313, "Check &Model Library Parameters"},
    {0, 0, "&Options"},
    {1, 18431, "Main &Tool Bar...\tCtrl+0"}, {1, 17302, "&Default Main Tool Bar"},
    {1, 18432, "&Status Bar"},
    {1, 0, "&Mode"}, {2, 17561, "&Select"}, {2, 17562, "&Component"}, {2, 17563, "&Text"},
    {2, 17564, "&Wire"}, {2, 17584, "&Graphics"},
    {1, 0, "&View"}, {2, 17400, "&Attribute Text"}, {2, 17402, "&Grid Text"},
    {2, 17403, "&Node Numbers"}, {2, 17404, "Node &Voltages / States"}, {2, 17405, "&Pin Connections"},
    {2, 17408, "Cross-&hair Cursor"}, {2, 17409, "G&rid"}, {2, 17406, "&Border"}, {2, 17407, "T&itle"},
    {2, 219, "&Current"}, {2, 220, "Po&wer"}, {2, 222, "Con&dition"},
    {1, 0, ""}, {1, 18410, "&Preferences...\tCtrl+Shift+P"},
    {1, 18419, "Default Properties For &New Circuits..."},
    {1, 18408, "&Global Settings...\tCtrl+Shift+G"}, {1, 18411, "&User Definitions"},
    {1, 20600, "Model Parameter &Limits Editor"},
    {1, 0, "Component Pa&lettes"}, {2, 17541, "&1\tCtrl+1"}, {2, 17542, "&2\tCtrl+2"},
    {2, 17543, "&3\tCtrl+3"}, {2, 17544, "&4\tCtrl+4"}, {2, 17545, "&5\tCtrl+5"},
    {2, 17546, "&6\tCtrl+6"}, {2, 17547, "&7\tCtrl+7"}, {2, 17548, "&8\tCtrl+8"}, {2, 17549, "&9\tCtrl+9"},
    {0, 0, "&Analysis"},
    {1, 17600, "&Transient...\tAlt+1"}, {1, 17601, "&AC...\tAlt+2"}, {1, 17602, "&DC...\tAlt+3"},
    {1, 17607, "D&ynamic DC\tAlt+4"}, {1, 17230, "Trans&fer Function...\tAlt+5"},
    {1, 17250, "&Sensitivity...\tAlt+6"}, {1, 17177, "Animate &Options..."}, {1, 0, ""},
    {1, 17603, "&Probe Transient...\tCtrl+Alt+1"}, {1, 17604, "Probe A&C...\tCtrl+Alt+2"},
    {1, 17605, "Probe D&C...\tCtrl+Alt+3"},
    {0, 0, "&Design"},
    {1, 16100, "&Active Filters..."}, {1, 16470, "&Passive Filters..."},
    {0, 0, "&Help"},
    {1, 17800, "&Contents\tF1"}, {1, 17801, "&Search for Help On..."}, {1, 17802, "&Product Support"},
    {1, 0, ""}, {1, 17803, "&Tip of the Day..."}, {1, 1021, "S&tatistics...\tAlt+Z"},
    {1, 0, "&Demos"}, {2, 17820, "Demo &1"}, {2, 17821, "Demo &2"}, {2, 17822, "Demo &3"},
    {2, 17823, "Demo &4"}, {2, 17824, "Demo &5"}, {2, 17825, "Demo &6"}, {2, 17826, "Demo &7"},
    {2, 17827, "Demo &8"}, {2, 17828, "Demo &9"}, {2, 17829, "Demo 1&0"}, {2, 17830, "Demo 11"},
    {2, 17831, "Demo 12"}, {2, 17832, "Demo 13"}, {2, 17833, "Demo 14"}, {2, 17834, "Demo 15"},
    {2, 17835, "Demo 16"}, {2, 17836, "Demo 17"}, {2, 17837, "Demo 18"}, {2, 17838, "Demo 19"},
    {1, 0, ""}, {1, 17804, "&About Ombrelic..."},
};

const std::vector<MainCommand> kCommands = {
    {11400, 11400, UpdateRule::A}, {57601, 57601, UpdateRule::A}, {11100, 11100, UpdateRule::G},
    {17106, 17106, UpdateRule::A}, {57606, 57606, UpdateRule::B},
    {kRecentFirst, kRecentLast, UpdateRule::L}, {12513, 12513, UpdateRule::B},
    {17308, 17308, UpdateRule::E}, {17350, 17359, UpdateRule::C}, {14200, 14219, UpdateRule::A},
    {17305, 17305, UpdateRule::D}, {17304, 17304, UpdateRule::AnalysisActive},
    {kCmdCascade, kCmdTileVertical, UpdateRule::D},
    {17306, 17306, UpdateRule::C}, {17309, 17309, UpdateRule::C}, {20498, 20498, UpdateRule::K},
    {17330, 17330, UpdateRule::E}, {17313, 17313, UpdateRule::H},
    {18431, 18431, UpdateRule::E}, {17302, 17302, UpdateRule::E}, {18432, 18432, UpdateRule::E},
    {18410, 18410, UpdateRule::B}, {18419, 18419, UpdateRule::B}, {18408, 18408, UpdateRule::G},
    {18411, 18411, UpdateRule::H}, {20600, 20600, UpdateRule::H}, {17541, 17549, UpdateRule::E},
    {17600, 17605, UpdateRule::CircuitWindow}, {17607, 17607, UpdateRule::CircuitWindow},
    {17230, 17230, UpdateRule::CircuitWindow}, {17250, 17250, UpdateRule::CircuitWindow},
    {17177, 17177, UpdateRule::NotProbing},
    {16100, 16100, UpdateRule::L}, {16470, 16470, UpdateRule::L},
    {17800, 17804, UpdateRule::None}, {1021, 1021, UpdateRule::None},
    {kFirstDemoCommand, kLastDemoCommand, UpdateRule::None},
    {kWindowListFirst, kWindowListMore, UpdateRule::E}, {59143, 59143, UpdateRule::E},
};

// Ids that borrow the prompt of another: dialog buttons, colour buttons, the plot window
// lists and the AC and DC probe items that share the transient texts.
int PromptSourceId(int id) {
    switch (id) {
    case 1: return 18001;
    case 2: return 18002;
    case 9: return 18009;
    case 12321: return 18012;
    case 16032: case 16054: return 16008;
    case 16033: case 16055: return 16009;
    case 16043: case 16057: return 16020;
    case 16044: case 16059: return 16021;
    case 16056: return 16011;
    case 16060: return 16023;
    }
    if ((id >= 19816 && id <= 19863) || (id >= 19881 && id <= 19928)) return 19816;
    if (id >= 19865 && id <= 19880) return id - 65;
    if (id > 0xF000 && id <= 0xF150) return 0xEF00 + ((id >> 4) & 0xFF);
    if (id >= 14603 && id <= 14612) return 14603;
    if (id >= 14573 && id <= 14582) return 14573;
    if (id >= 17371 && id <= 17380) return 17371;
    return id;
}

}  // namespace

CMDIFrame* FindCircuitWindow() {
    if (!MainFrame) return nullptr;
    for (platform::MdiChildFrame* child : MainFrame->Children()) {
        auto* frame = dynamic_cast<CMDIFrame*>(child);
        if (frame && (frame->kind == kDrawSchematic || frame->kind == kDrawText)) return frame;
    }
    return nullptr;
}

std::string PromptTextForId(int id) {
    if (id >= kRecentFirst && id <= kRecentLast) {
        int n = id - kRecentFirst;
        if (n < FileMru().Count() && !FileMru().Name(n).empty()) return "Load " + FileMru().Name(n);
        return {};
    }
    if (id >= kFirstRecentComponent && id <= kLastRecentComponent) return RecentComponentText(id);
    if (id >= kFirstComponentCommand && id <= kLastComponentCommand) return GetPartDisplayName(ComponentOfCommand(id));
    const char* text = id ? FindResString(PromptSourceId(id)) : nullptr;
    if (!text) return {};
    std::string prompt = text;
    // Only the first line is a prompt; the second is the tool tip.
    if (size_t nl = prompt.find('\n'); nl != std::string::npos) prompt.erase(nl);
    return prompt;
}

bool IsAnalysisActive() {
    return Shell.analysisKind != -1 && Shell.activeCircuitView != nullptr && !Shell.dynamicDC;
}

bool RuleEnables(UpdateRule rule) {
    const bool dpd = Shell.digitalPathDialogOpen;
    const bool run = Shell.runInProgress || Shell.runPaused;
    switch (rule) {
    case UpdateRule::A: return !IsAnalysisActive() && !dpd;
    case UpdateRule::B: return !dpd;
    case UpdateRule::C: return !IsAnalysisActive();
    case UpdateRule::D: return GetTopDraw() != nullptr;
    case UpdateRule::E: return true;
    case UpdateRule::G: return !run && !dpd;
    case UpdateRule::H: return !dpd && !IsAnalysisActive();
    case UpdateRule::K: return Shell.analysisKind == -1;
    case UpdateRule::L: return Shell.analysisKind == -1 && !dpd;
    case UpdateRule::CircuitWindow: return FindCircuitWindow() != nullptr;
    case UpdateRule::AnalysisActive: return IsAnalysisActive();
    case UpdateRule::NotProbing: return IsAnalysisActive() && !Shell.activeViewProbeMode;
    case UpdateRule::None: return true;
    }
    return false;
}

DocumentOpeners& Openers() {
    static DocumentOpeners openers;
    return openers;
}

const std::vector<MainCommand>& MainCommandTable() { return kCommands; }

AnalysisDialogLinks& DialogLinks() {
    static AnalysisDialogLinks links;
    return links;
}

void RunTransferFunctionCommand() {
    CMDIFrame* window = FindCircuitWindow();
    TfCircuitLink link;
    if (!window || !DialogLinks().transfer || !DialogLinks().transfer(window, &link)) return;
    for (;;) {
        CTransferFunctionDlg dialog(link);
        if (dialog.DoModal() != 4) break;
    }
}

void RunSensitivityCommand() {
    CMDIFrame* window = FindCircuitWindow();
    SensitivityCircuitLink link;
    if (!window || !DialogLinks().sensitivity || !DialogLinks().sensitivity(window, &link)) return;
    for (;;) {
        CSensitivityDlg dialog(link);
        if (dialog.DoModal() != 4) break;
    }
}

CMDIFrame* OpenFileByKind(const std::string& path, int kind) {
    if (kind == -1) {
        SetPendingMessageText(path.c_str());
        ReportMessage("PE", MainFrame, kMsgFileNotFound);
        return nullptr;
    }
    const auto& o = Openers();
    switch (kind) {
    case kDrawSchematic: return o.openCircuit ? o.openCircuit(path) : nullptr;
    case kDrawText: return o.openText ? o.openText(path) : nullptr;
    case kDrawModelLibrary: return o.openLibrary ? o.openLibrary(path) : nullptr;
    default: return nullptr;
    }
}

CMainFrame::CMainFrame() { MainFrame = this; }

CMainFrame::~CMainFrame() {
    if (MainFrame == this) {
        MainFrame = nullptr;
        SetModeIndicatorRefresh(nullptr);
    }
    // Windows opened later must not take a destroyed frame for their parent.
    platform::Application* app = platform::Application::Instance();
    if (app && app->MainWindow() == this) app->SetMainWindow(nullptr);
}

bool CMainFrame::Create(const platform::Rect& rect) {
    if (!CreateFrame("Ombrelic", rect)) return false;
    SetModeIndicatorRefresh([this] { UpdateModeIndicator(); });
    BuildMenu();
    MapCommands();
    SetMenu(&menu_);
    return true;
}

void CMainFrame::SetHandler(int id, std::function<void(int)> handler) {
    Handlers()[id] = std::move(handler);
    OnCommand(id, [id](int) {
        auto it = Handlers().find(id);
        if (it != Handlers().end()) it->second(id);
    });
}

void CMainFrame::BuildMenu() {
    menu_.Clear();
    Menu* top = nullptr;
    Menu* sub = nullptr;
    for (const MenuRow& row : kMenuRows) {
        if (row.level == 0) {
            top = &menu_.AppendPopup(row.text);
            sub = nullptr;
        } else {
            Menu* target = row.level == 1 ? top : sub;
            if (row.id) target->Append(row.id, row.text);
            else if (*row.text) {
                Menu& created = target->AppendPopup(row.text);
                if (row.level == 1) sub = &created;
            } else target->AppendSeparator();
        }
    }
}

void CMainFrame::MapCommands() {
    // The rule decides only for commands that have a handler in this program; the
    // others stay greyed, and commands of child windows are left to them.
    for (const MainCommand& c : kCommands) {
        OnUpdateRange(c.first, c.last, [rule = c.rule](platform::CommandUI& ui) {
            ui.Enable(HasProgramHandler(ui.Id()) && RuleEnables(rule));
        });
    }
    SetHandler(kCmdExit, [this](int) { Close(); });
    SetHandler(kCmdUserDefinitions, [](int) {
        // The global include file of the program folder, made new when it is missing.
        const std::string path = GetModuleFolder() + "/OMBR.INC";
        if (CheckFileExists(path) == 0) OpenFileByKind(path, kDrawText);
        else if (CMDIFrame* frame = CreateTextWindow(path)) frame->ShowAs(platform::ShowState::Maximized);
    });
    SetHandler(17330, [](int) { OpenCalculator(); });
    SetHandler(18410, [](int) { RunPreferences(); });
    SetHandler(11400, [](int) { RunFileNew(); });
    SetHandler(11100, [](int) { RunPathsDialog(); });
    SetHandler(17803, [](int) { RunTipOfTheDay(); });
    SetHandler(18419, [](int) { RunDefaultProperties(); });
    SetHandler(1021, [](int) {
        CStatisticsDlg statistics;
        statistics.DoModal();
    });
    for (int id = kFirstDemoCommand; id <= kLastDemoCommand; ++id) SetHandler(id, [](int i) { Demo().Start(i); });
    OnUpdate(17330, [](platform::CommandUI& ui) {
        ui.Enable(!Shell.digitalPathDialogOpen);
        ui.SetCheck(OpenCalculatorWindow() ? 1 : 0);
    });
    SetHandler(17177, [](int) {
        if (!IsAnalysisActive()) return;
        CAnimateOptionsDlg options(Animate);
        options.DoModal();
    });
    SetHandler(17230, [](int) { RunTransferFunctionCommand(); });
    SetHandler(17250, [](int) { RunSensitivityCommand(); });
    SetHandler(17804, [](int) {
        CAboutDlg about;
        about.DoModal();
    });
    SetHandler(18431, [this](int) { OnMainToolBarCommand(); });
    OnUpdate(18431, [this](platform::CommandUI& ui) {
        ui.Enable(true);
        ui.SetCheck(!Shell.batchMode && AnyToolBarVisible() ? 1 : 0);
    });
    SetHandler(17302, [this](int) { OnDefaultMainToolBar(); });
    SetHandler(18432, [this](int) { ToggleStatusBar(); });
    OnUpdate(18432, [this](platform::CommandUI& ui) {
        ui.Enable(true);
        ui.SetCheck(statusShown_ ? 1 : 0);
    });
    SetHandler(17305, [](int) {
        if (CMDIFrame* top = GetTopFrame()) {
            if (Shell.activeViewProbeMode) top->FillMDIClient();
            else top->ShowAs(platform::ShowState::Maximized);
        }
    });
    SetHandler(kCmdCascade, [this](int) { Cascade(); });
    SetHandler(kCmdTileHorizontal, [this](int) { Tile(true); });
    SetHandler(kCmdTileVertical, [this](int) { Tile(false); });
    for (int id = kWindowListFirst; id < kWindowListMore; ++id)
        SetHandler(id, [this](int i) { OnWindowListItem(i); });
    OnUpdateRange(kWindowListFirst, kWindowListMore, [this](platform::CommandUI& ui) {
        ui.Enable(true);
        std::vector<platform::MdiChildFrame*> children = Children();
        auto* top = children.empty() ? nullptr : dynamic_cast<CMDIFrame*>(children.front());
        const Menu::Item* item = ui.menu ? &ui.menu->At(ui.position) : nullptr;
        ui.SetCheck(top && item && item->text.size() > 3 && item->text.substr(3) == top->GetTitle());
    });
    for (int id = kFirstRecentComponent; id <= kLastRecentComponent; ++id) SetHandler(id, OnRecentComponentCommand);
    for (int id = kRecentFirst; id <= kRecentLast; ++id)
        SetHandler(id, [](int i) {
            int n = i - kRecentFirst;
            if (n >= FileMru().Count() || FileMru().Name(n).empty()) return;
            std::string path = FileMru().Name(n);
            int kind = FileKindFromName(path, 1, 0);
            OpenFileByKind(path, kind);
        });
}

void CMainFrame::RebuildWindowList(Menu& windows) {
    // The list and the separator in front of it are always the end of the pop-up.
    bool removed = false;
    for (int i = windows.Count() - 1; i >= 0; --i) {
        int id = windows.At(i).id;
        if (id >= kWindowListFirst && id <= kWindowListMore + 1) {
            windows.Remove(i);
            removed = true;
        }
    }
    if (removed && windows.Count() > 0 && (windows.At(windows.Count() - 1).flags & platform::kMenuSeparator))
        windows.Remove(windows.Count() - 1);
    std::vector<platform::MdiChildFrame*> children = Children();
    int number = 0;
    bool separator = false;
    for (platform::MdiChildFrame* child : children) {
        if (!child->IsVisible()) continue;
        if (!separator) {
            windows.AppendSeparator();
            separator = true;
        }
        ++number;
        if (number == 10) {
            windows.Append(kWindowListMore, "More Windows...");
            break;
        }
        auto* frame = dynamic_cast<CMDIFrame*>(child);
        std::string title = frame ? frame->GetTitle() : std::string();
        windows.Append(kWindowListFirst + number - 1, "&" + std::to_string(number) + " " + title);
    }
}

void CMainFrame::OnWindowListItem(int id) {
    Menu& windows = *menu_.SubMenu(3);
    int pos = windows.FindPosition(id);
    if (pos < 0) return;
    std::string title = windows.At(pos).text.substr(3);
    for (platform::MdiChildFrame* child : Children()) {
        auto* frame = dynamic_cast<CMDIFrame*>(child);
        if (frame && child->IsVisible() && frame->GetTitle() == title) {
            frame->BringToFront();
            return;
        }
    }
}

void CMainFrame::OnInitMenuPopup(Menu& popup, int position) {
    if (&popup == menu_.SubMenu(3)) RebuildWindowList(popup);
    if (&popup == menu_.SubMenu(0)) RebuildRecentFiles(popup);
    if (&popup == menu_.SubMenu(2)) BuildComponentMenu(popup);
}

void CMainFrame::RebuildRecentFiles(Menu& file) {
    int exit = file.FindPosition(kCmdExit);
    if (exit < 0) return;
    for (; recentItems_ > 0 && exit > 0; --recentItems_) file.Remove(--exit);
    recentItems_ = 0;
    int shown = 0;
    for (int j = 0; j < FileMru().Count() && kRecentFirst + j <= kRecentLast; ++j) {
        if (FileMru().Name(j).empty()) continue;
        file.Insert(exit++, kRecentFirst + j, "&" + std::to_string(++shown) + " " + FileMru().Name(j));
        ++recentItems_;
    }
    if (shown) {
        file.InsertSeparator(exit);
        ++recentItems_;
    }
}

void CMainFrame::OnDropFiles(const std::vector<std::string>& paths) {
    for (std::string path : paths) {
        const int kind = FileKindFromName(path, 1, 0);
        if (kind == -1) continue;
        if ((kind == kDrawSchematic || kind == kDrawModelLibrary) && IsAnalysisActive()) continue;
        OpenFileByKind(path, kind);
    }
}

void CMainFrame::OnMenuSelect(int id) {
    if (statusShown_) SetPromptById(id);
}

void CMainFrame::CreateStatusBar(bool visible) {
    ApplyStatusBarSettings();
    for (int i = 0; i < kPaneCount; ++i) SetPaneText(i, "");
    ShowStatusBar(visible);
    statusShown_ = visible;
    SetHelpLinesShown(visible);
    cachedPrompt_ = cachedMode_ = -1;
    UpdateModeIndicator();
}

void CMainFrame::ApplyStatusBarSettings() {
    // The bar's texts, and those of the help lines, take the "Status Bar Text" font of
    // the display items.
    const platform::Font font = CreateFontFromRecord(DisplayFontTable[kFontStatusBar]);
    SetStatusFont(font);
    SetStatusLineFont(font);
    std::vector<std::string> texts;
    for (int i = 0; i < kPaneCount; ++i) texts.push_back(PaneText(i));
    // Each pane starts as wide as its width text.
    auto widthOf = [this](int id) {
        const char* text = FindResString(id);
        return StatusTextWidth(text ? text : "");
    };
    SetStatusPanes({widthOf(kPaneIdMode), progressCreated_ ? widthOf(kPaneIdProgress) : 0, -1,
                    Preferences.statusBarTrack ? widthOf(kPaneIdTrack) : 0,
                    Preferences.statusBarShowTime ? widthOf(kPaneIdClock) : 0});
    SizeTrackPane();
    for (int i = 0; i < kPaneCount; ++i) SetStatusPaneText(i, texts[i]);
    if (progressCreated_) SetPaneProgress(kPanePrompt, progressPercent_);
    StartStopClock();
}

int WidenPaneToText(CMainFrame& bar, int index, const std::string& text, int max) {
    int width = bar.StatusTextWidth(text) + 4;
    if (max > 0) width = std::min(width, max);
    const int now = bar.PaneWidth(index);
    if (now <= 0 || width <= now) return now;  // stretching or hidden, or wide enough
    bar.SetPaneWidth(index, width);
    // Only the track pane's width is kept, and not while an analysis is active.
    if (index == kPaneTrack && !IsAnalysisActive()) bar.trackWidth_ = width;
    return width;
}

void CMainFrame::SetStatusPaneText(int index, const std::string& text) {
    if (!IsCreated()) return;
    WidenPaneToText(*this, index, text);
    SetPaneText(index, text);
}

void CMainFrame::SizeTrackPane() {
    if (IsCreated() && statusShown_ && Preferences.statusBarTrack) SetPaneWidth(kPaneTrack, trackWidth_);
}

void CMainFrame::OnStatusBarHover() {
    if (statusShown_) SetPromptById(kStatusBarPrompt);
}

void CMainFrame::ShowProgress(int max) {
    if (!progressCreated_ && IsCreated() && statusShown_) {
        progressCreated_ = true;
        progressPercent_ = 0;
        ApplyStatusBarSettings();
    }
    progress_.SetRange(0, max);
}

void CMainFrame::HideProgress() {
    if (!progressCreated_) return;
    SetPaneProgress(kPanePrompt, -1);
    progressCreated_ = false;
    progressPercent_ = 0;
    SetPaneText(kPaneProgress, "");
    ApplyStatusBarSettings();
    if (clockRunning_) OnTimer(kClockTimer);
}

void CMainFrame::SetProgressPosition(int position) {
    if (!progressCreated_ || !statusShown_) return;
    const int percent = progress_.SetProgressPercent(position, this, kPanePrompt);
    if (percent < 0) return;
    progressPercent_ = percent;
    SetPaneText(kPaneProgress, std::to_string(percent) + "%");
}

void CMainFrame::StartStopClock() {
    if (Preferences.statusBarShowTime && !clockRunning_) {
        SetTimer(kClockTimer, 2000);
        clockRunning_ = true;
        OnTimer(kClockTimer);
    } else if (!Preferences.statusBarShowTime && clockRunning_) {
        KillTimer(kClockTimer);
        clockRunning_ = false;
        SetPaneText(kPaneClock, "");
    }
}

void CMainFrame::ToggleStatusBar() {
    statusShown_ = !statusShown_;
    Preferences.statusBar = statusShown_;
    ShowStatusBar(statusShown_);
    SetHelpLinesShown(statusShown_);
    UpdateModeIndicator();
}

int CMainFrame::SetPromptById(int id) {
    int previous = cachedPrompt_;
    if (!statusShown_ || id == cachedPrompt_) return previous;
    SetPaneText(kPanePrompt, PromptTextForId(id).substr(0, 250));
    cachedPrompt_ = id;
    return previous;
}

void CMainFrame::SetPromptText(const std::string& text) {
    if (!statusShown_) return;
    SetPaneText(kPanePrompt, text.substr(0, text.find('\n')));
    cachedPrompt_ = -1;
}

std::string CMainFrame::GetPromptText() const { return statusShown_ ? PaneText(kPanePrompt) : std::string(); }

int CMainFrame::SetModeText(int id) {
    const int previous = cachedMode_;
    if (id == -1) {
        UpdateModeIndicator();
    } else if (id != cachedMode_) {
        const char* text = FindResString(id);
        SetPaneText(kPaneMode, std::string(text ? text : "").substr(0, 200));
        cachedMode_ = id;
    }
    return previous;
}

void CMainFrame::ShowModeText(const std::string& text) {
    SetPaneText(kPaneMode, text.substr(0, 200));
    cachedMode_ = -1;
}

void CMainFrame::UpdateModeIndicator() {
    SetPaneText(kPaneMode, ModeIndicatorText());
    cachedMode_ = -1;
}

std::string ModeIndicatorText() {
    if (Shell.dynamicDC) return "DC Operating point";
    CMDIFrame* top = GetTopFrame();
    if (!top) return {};
    if (top->kind == kDraw2DPlot && RunActive()) {
        const char* wait = FindResString(kWaitText);
        return wait ? wait : "";
    }
    if (top->kind == kDrawModelLibrary) return "Edit";
    CDraw* draw = top->draw;
    if (!draw) return {};
    if (draw->currentMode == kModeGraphics) return "Graphic";
    const char* text = draw->currentMode ? FindResString(draw->currentMode) : nullptr;
    if (!text) return {};
    // The tool tip, the command's second line, up to the key it names.
    std::string tip = text;
    const size_t nl = tip.find('\n');
    if (nl == std::string::npos) return {};
    tip.erase(0, nl + 1);
    tip = tip.substr(0, tip.find('('));
    std::erase(tip, '&');
    return tip.substr(0, tip.find('\t'));
}

std::string CMainFrame::ClockText(int hour, int minute) {
    int dial = hour % 12 == 0 ? 12 : hour % 12;
    char text[32];
    std::snprintf(text, sizeof text, " %d:%02d %s ", dial, minute, hour > 11 ? "PM" : "AM");
    return text;
}

void CMainFrame::OnTimer(int id) {
    if (id == kDemoTimer) {
        Demo().Tick(kDemoTickMs);
        if (!Demo().Playing()) KillTimer(kDemoTimer);
        return;
    }
    if (id != kClockTimer) return;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // The time is wider than the pane's width text in most fonts.
    SetStatusPaneText(kPaneClock, ClockText(local.tm_hour, local.tm_min));
}

void CMainFrame::OnClose() {
    if (Shell.digitalPathDialogOpen) return;
    if (!quietClose && Shell.batchMode == 0 && !ProfileFile.fatalStartup && Preferences.quitWarning) {
        int ask = 1;
        // Yes/No with a question icon and the "Don't warn me anymore." box.
        int answer = ReportMessage("ESC", kMsgQuit, 0x24, &ask);
        Preferences.quitWarning = ask;
        if (answer != 6) return;
    }
    // Every open document is offered to save; a cancel keeps the program running.
    std::vector<CDraw*> views = ViewList();
    for (CDraw* view : views) {
        if (!view || !view->frame) continue;
        view->frame->Close();
        if (view->frame && view->frame->IsCreated()) return;
    }
    KillTimer(kClockTimer);
    clockRunning_ = false;
    if (Shell.batchMode == 0) SaveBarLayout();
    SaveComponentLibraries();
    Destroy();
}

void CMainFrame::OnDestroy() {
    for (CPaletteBar& palette : palettes) palette.Forget();
    if (Shell.batchMode == 0) {
        platform::Placement p = GetPlacement();
        Preferences.placement.length = 44;
        Preferences.placement.showCommand = static_cast<uint32_t>(p.show);
        Preferences.placement.normal = p.normal;
    }
    SaveProfile();
    // The profile was written with the recent components; nothing looks a component up now.
    FreeStartupLibraries();
    if (onDestroyed) onDestroyed();
}

}  // namespace ob7
