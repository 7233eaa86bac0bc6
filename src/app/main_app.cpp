#include "app/main_app.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/auto_save.h"
#include "app/batch_circuit_host.h"
#include "app/batch_run.h"
#include "app/analysis_dialog_links.h"
#include "app/circuit_analysis.h"
#include "app/document_openers.h"
#include "app/demo_player.h"
#include "app/file_new_dialog.h"
#include "app/main_tool_bar.h"
#include "app/tool_bar_pages.h"
#include "app/program_accelerators.h"
#include "app/tip_of_day.h"
#include "app/settings_profile.h"
#include "app/startup_libraries.h"
#include "app/tool_buttons.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "netlist/views/circuit_view_commands.h"
#include "foundation/paths.h"
#include "foundation/recent_list.h"
#include "platform/desktop.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/file_dialogs.h"
#include "ui/framework/report_dialog.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

constexpr int kMsgCommandLineError = 10150;

// Without a display nothing may wait for an answer: messages go to standard error and
// take their default button.
class StderrReportContext : public ReportContext {
public:
    int ShowReportDialog(ReportDelivery& report) override {
        std::fprintf(stderr, "%s: %s\n", report.caption.c_str(), report.text.c_str());
        switch (report.style & 0xF) {
        case 3: case 4: return 6;  // Yes/No(/Cancel): Yes
        case 1: return 1;          // OK/Cancel: OK
        default: return 1;
        }
    }
};

bool HasDisplay() {
    const char* qpa = std::getenv("QT_QPA_PLATFORM");
    return !(qpa && std::string(qpa) == "offscreen");
}

DialogReportContext& DialogReports() {
    static DialogReportContext context;
    return context;
}

}  // namespace

std::string JoinCommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!line.empty()) line += ' ';
        line += arg.find(' ') != std::string::npos ? "\"" + arg + "\"" : arg;
    }
    return line;
}

int FatalStartupError(int code, const std::string& text) {
    ProfileFile.fatalStartup = true;
    ReportMessage("E", code, text.c_str());
    return 1;
}

CMainApp::CMainApp(int& argc, char** argv) : Application(argc, argv) {}

CMainApp::~CMainApp() {
    SetReportContext(nullptr);
    EndCircuitAnalysis();
    frame_.reset();
}

int CMainApp::InitInstance(const std::string& commandLine) {
    static StderrReportContext stderrReports;
    SetReportContext(HasDisplay() ? static_cast<ReportContext*>(&DialogReports()) : &stderrReports);
    options_ = ParseCommandLine(commandLine);
    Shell.batchMode = options_.batchMode;
    // A second interactive start hands its files to the running program and ends.
    if (options_.batchMode == 0 && !AcquireSingleInstance("ob7demo", HandOverMessage(commandLine))) return 0;

    CreateProgramPalette();
    CreateColourSlots();
    platform::Size screen = platform::desktop::ScreenSize();
    ProfileFile.screenWidth = screen.cx;
    ProfileFile.screenHeight = screen.cy;
    ProfileFile.path = GetModuleFolder() + "/ombr.dat";
    SetDefaultToolBarButtons(DefaultButtonMask(screen.cx));
    InstallToolBarTables();
    InstallDrawToolBars();
    InstallWindowToolBarPages();
    if (int code = BuildFrameButtonList()) return FatalStartupError(code, {});
    if (!options_.error.empty()) return FatalStartupError(kMsgCommandLineError, options_.error);
    BuildPlaceholderRecords();
    LoadProfile();
    IndexComponentButtons();
    // The shipped libraries bind the component buttons and fill the palettes. Without
    // the component library nothing can be placed or read back; its message was given.
    if (LoadStartupLibraries() == StartupLibraryResult::Failed) return FatalStartupError(kMsgReported, {});

    if (options_.batchMode != 0) {
        BatchSettings batch;
        batch.commandFile = options_.commandFile;
        // A bare name found in the working folder is taken there, else in the data folder.
        if (std::string here = FindExistingPathNoCase(batch.commandFile); !here.empty())
            batch.commandFile = std::filesystem::absolute(here).string();
        else
            MakeFullPath(batch.commandFile, kDataPath);
        batch.batchMode = options_.batchMode;
        batch.printCircuit = options_.printCircuit;
        batch.printAnalysis = options_.printAnalysis;
        DocumentBatchHost host;
        return RunBatchFile(batch, host);
    }

    frame_ = std::make_unique<CMainFrame>();
    platform::Rect work = platform::desktop::WorkArea();
    if (!frame_->Create(work)) return 1;
    SetMainWindow(frame_.get());
    frame_->onDestroyed = [this] { Quit(0); };
    InstallAnalysisCommands(*frame_);
    InstallAnalysisDialogLinks();
    InstallDocumentOpeners();
    // Streams that showed their progress clear the prompt when they close.
    SetStatusPromptClearer([] {
        if (MainFrame) MainFrame->SetPromptText("");
    });
    InstallCircuitViewCommands();
    frame_->CreateToolBars(24);
    frame_->CreateStatusBar(Preferences.statusBar != 0);
    frame_->PlacePalettesByDefault();
    frame_->RestoreBarLayout();
    if (Preferences.placement.length != 0) {
        frame_->SetPlacement({static_cast<platform::ShowState>(Preferences.placement.showCommand),
                              Preferences.placement.normal});
        frame_->Show(true);
    } else {
        frame_->ShowAs(platform::ShowState::Maximized);
    }

    OpenCommandLineFiles(options_, "");
    frame_->AcceptFiles(true);
    if (!GetTopFrame()) CreateUntitledDocument(1);
    if (options_.startupAnalysis != -1) {
        // The analysis named on the command line starts at once on the first circuit.
        if (StartCircuitAnalysis(options_.startupAnalysis)) {
            platform::Application::PumpMessages();
            RunActiveAnalysis();
        }
    } else if (Tip.show) {
        RunTipOfTheDay();
    }
    return -1;
}

int CMainApp::Main(const std::string& commandLine) {
    int code = InitInstance(commandLine);
    if (code >= 0) return code;
    return Run();
}

bool CMainApp::OnIdle(int count) {
    if (!frame_ || !frame_->IsCreated()) return false;
    autoSave_.Pass(SecondsSinceSystemStart());
    if (count == 0) {
        frame_->UpdateToolBars();
        UpdateDrawToolBars();
    }
    return false;
}

bool CMainApp::PreTranslateKey(platform::Window* target, const platform::KeyEvent& event) {
    if (Demo().Playing() && Demo().OnKey(event.key)) return true;
    // The program's accelerators; a command nobody carries out now leaves the key to the
    // windows.
    if (int command = TranslateProgramAccelerators(event); command && frame_ && frame_->ExecuteCommand(command))
        return true;
    return Application::PreTranslateKey(target, event);
}

void CMainApp::OnSecondInstanceMessage(const std::string& message) {
    Application::OnSecondInstance();
    const size_t newline = message.find('\n');
    if (newline == std::string::npos || !frame_) return;
    StartupOptions options = ParseCommandLine(message.substr(newline + 1));
    if (options.batchMode != 0 || !options.error.empty()) return;
    OpenCommandLineFiles(options, message.substr(0, newline));
}

std::string HandOverMessage(const std::string& commandLine) {
    std::error_code error;
    return std::filesystem::current_path(error).string() + "\n" + commandLine;
}

void OpenCommandLineFiles(const StartupOptions& options, const std::string& folder) {
    std::string rest = options.rest;
    for (std::string word = options.firstWord; !word.empty(); word = SplitFirstWord(rest)) {
        // Names relative to the folder of the start that named them.
        if (!folder.empty() && std::filesystem::path(word).is_relative()) word = (std::filesystem::path(folder) / word).string();
        OpenFileByKind(word, FileKindFromName(word, 1, 0));
    }
}

}  // namespace ob7
