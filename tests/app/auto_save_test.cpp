// The periodic auto-save: whole minutes since the last save, the conditions that hold it
// back, and what it writes (a document with a file under its title; an untitled one
// after asking for a name).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/auto_save.h"
#include "app/main_frame.h"
#include "app/settings_profile.h"
#include "circuit/views/text_window.h"
#include "platform/automation.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/io_frame.h"
#include "ui/framework/shell_state.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(AutoSave, MinutesConditionsAndWhatIsWritten) {
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    CMainFrame frame;
    ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1024, 700}));
    TestApp().SetMainWindow(&frame);
    const fs::path folder = fs::temp_directory_path() / ("ob7_autosave_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "deck.ckt") << "* old\n";
    int code = 0;
    CTxtFrame* window = OpenTextWindow((folder / "deck.ckt").string(), 0, code);
    ASSERT_NE(window, nullptr);
    window->view.textArea.SetText("* new\r\n");
    window->view.SetModified(1);

    Preferences = FramePreferences{};
    AutoSaveClock clock;
    EXPECT_FALSE(clock.Pass(100000));  // "AutoSaveEvery" is off by default
    Preferences.autoSaveEvery = 1;
    Preferences.autoSaveMin = 2;
    Shell.demoPlaying = true;
    EXPECT_FALSE(clock.Pass(100000));
    Shell.demoPlaying = false;
    Shell.runInProgress = true;
    EXPECT_FALSE(clock.Pass(100000));
    Shell.runPaused = true;  // a paused run does not hold it back
    // Counted from 0: the first allowed pass after the interval saves at once.
    EXPECT_TRUE(clock.Pass(100000));
    Shell.runInProgress = Shell.runPaused = false;
    EXPECT_NE(Read(folder / "deck.ckt").find("* new"), std::string::npos);
    EXPECT_FALSE(clock.Pass(100000 + 119));  // one whole minute only
    EXPECT_TRUE(clock.Pass(100000 + 120));

    // An untitled document asks for its name; a cancelled question saves nothing.
    ResetUntitledCounters();
    std::string name;
    UntitledDocumentName(name, 2);
    CTxtFrame* untitled = CreateTextWindow(name);
    ASSERT_NE(untitled, nullptr);
    untitled->view.textArea.SetText("* untitled\r\n");
    untitled->view.SetModified(1);
    platform::automation::QueueFileDialogAnswer({(folder / "named.ckt").string()});
    SaveModifiedDocuments();
    EXPECT_NE(Read(folder / "named.ckt").find("* untitled"), std::string::npos);

    window->view.SetModified(0);
    untitled->view.SetModified(0);
    untitled->Destroy();
    window->Destroy();
    frame.Destroy();
    Preferences = FramePreferences{};
    fs::remove_all(folder);
}
