#pragma once
// The application object of the main program: start-up in its fixed order (single
// instance, colours, settings, command line, main frame, batch run or message loop)
// and the end of the program.

#include <memory>
#include <string>

#include "app/auto_save.h"
#include "app/command_line.h"
#include "app/main_frame.h"
#include "platform/application.h"

namespace ob7 {

class CMainApp : public platform::Application {
public:
    CMainApp(int& argc, char** argv);
    ~CMainApp() override;

    // Runs the start-up. Returns -1 to enter the message loop, otherwise the exit code
    // (a second instance, a finished batch run, a fatal start-up error).
    int InitInstance(const std::string& commandLine);
    // The whole program: InitInstance, then the loop while the main frame lives.
    int Main(const std::string& commandLine);

    CMainFrame* Frame() { return frame_.get(); }
    const StartupOptions& Options() const { return options_; }

    bool OnIdle(int count) override;
    // While a demo plays, the user's keys go to the player.
    bool PreTranslateKey(platform::Window* target, const platform::KeyEvent& event) override;
    // A second start handed over its working folder and command line: its files open here.
    void OnSecondInstanceMessage(const std::string& message) override;

private:
    std::unique_ptr<CMainFrame> frame_;
    StartupOptions options_;
    AutoSaveClock autoSave_;
};

// The command line of a process as one text: arguments with blanks are quoted.
std::string JoinCommandLine(int argc, char** argv);

// What a second start hands to the running program: its working folder, a newline and
// its command line.
std::string HandOverMessage(const std::string& commandLine);
// Opens the first word and the further names of a command line; relative names are
// taken in the folder when one is given.
void OpenCommandLineFiles(const StartupOptions& options, const std::string& folder);

// Reports the code with the text and ends start-up: the settings are not saved then.
int FatalStartupError(int code, const std::string& text);

}  // namespace ob7
