#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "foundation/paths.h"
#include "foundation/textfile.h"
#include "framework_fixture.h"
#include "foundation/message_codes.h"
#include "platform/automation.h"
#include "ui/framework/file_dialogs.h"

using namespace ob7;
namespace automation = platform::automation;
namespace fs = std::filesystem;

namespace {

struct Documents : ::testing::Test {
    // One folder per process: ctest runs the cases of this fixture side by side.
    fs::path root = fs::temp_directory_path() / ("ob7_io_frame_" + std::to_string(::getpid()));
    std::string data;
    void SetUp() override {
        fs::remove_all(root);
        fs::create_directories(root / "data");
        fs::create_directories(root / "lib");
        data = (root / "data").string() + "/";
        SetDefaultPath(kDataPath, data);
        SetDefaultPath(kLibraryPath, (root / "lib").string() + "/");
        ResetUntitledCounters();
    }
    void TearDown() override {
        fs::remove_all(root);
        Shell = ShellState{};
        automation::ClearAnswers();
    }
};

}  // namespace

TEST_F(Documents, UntitledNamesCountPerKindInTheirFolders) {
    std::string name;
    UntitledDocumentName(name, 1);
    EXPECT_EQ(name, data + "circuit1.cir");
    UntitledDocumentName(name, 1);
    EXPECT_EQ(name, data + "circuit2.cir");
    UntitledDocumentName(name, 2);
    EXPECT_EQ(name, data + "circuit1.ckt");
    UntitledDocumentName(name, 3);
    EXPECT_EQ(name, (root / "lib" / "lib1.lbr").string());
    ResetUntitledCounters();
    UntitledDocumentName(name, 1);
    EXPECT_EQ(name, data + "circuit1.cir");
}

TEST_F(Documents, SavingAnUntitledDocumentAsksForANameFirst) {
    platform::FrameWindow& main = MainFrame();
    TextFrame f;
    std::string untitled;
    UntitledDocumentName(untitled, 2);
    ASSERT_TRUE(f.Open(main, untitled, "* new deck\r\n"));
    f.view.untitled = 1;
    f.view.SetModified(1);
    EXPECT_EQ(f.view.changedMark, 1);

    automation::QueueFileDialogAnswer({});  // the name dialog is cancelled
    EXPECT_EQ(f.view.Save(), kMsgReported);
    EXPECT_EQ(f.view.modified, 1);
    EXPECT_TRUE(f.view.saved.empty());

    automation::QueueFileDialogAnswer({data + "deck.net"});
    EXPECT_EQ(f.view.Save(), 0);
    EXPECT_EQ(f.view.saved, data + "deck.net");
    EXPECT_EQ(f.GetTitle(), data + "deck.net");
    EXPECT_EQ(f.view.untitled, 0);
    EXPECT_EQ(f.view.modified, 0);

    // A failing write is reported once; the caller sees 15055 and the new title stays.
    f.view.saveCode = kMsgWriteError;
    automation::QueueMessageBoxAnswer(1);
    EXPECT_EQ(f.view.SaveFile(data + "other.ckt"), kMsgReported);
    EXPECT_EQ(f.GetTitle(), data + "other.ckt");
    EXPECT_EQ(automation::PendingAnswers(), 0);
    f.Destroy();
}

TEST_F(Documents, AnOpenFileIsFoundAgainAndItsNameRefusedToOthers) {
    platform::FrameWindow& main = MainFrame();
    std::ofstream(root / "data" / "amp.CIR") << "*\n";
    TextFrame f, g;
    f.kind = kDrawSchematic;
    ASSERT_TRUE(f.Open(main, data + "amp.CIR"));
    f.view.drawType = kDrawSchematic;
    ASSERT_TRUE(g.Open(main, data + "other.ckt"));
    g.Activate();

    std::string path;
    int code = -1;
    EXPECT_EQ(LocateDocumentToOpen(path, "amp", 0, 1, code), &f);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(path, data + "amp.CIR");
    EXPECT_EQ(main.ActiveChild(), &f);  // brought to the front

    EXPECT_EQ(FindOpenDocumentByPath(data + "AMP.cir"), &f.view);
    automation::QueueMessageBoxAnswer(1);
    EXPECT_EQ(CheckNameNotOpen(&g, data + "amp.CIR"), kMsgReported);
    EXPECT_NE(automation::MessageBoxTexts().back().find("That file name is already in use."), std::string::npos);
    EXPECT_EQ(CheckNameNotOpen(&f, data + "amp.CIR"), 0);  // its own name

    // Not open: the caller opens it. Missing: reported unless quiet.
    std::ofstream(root / "data" / "free.ckt") << "*\n";
    EXPECT_EQ(LocateDocumentToOpen(path, data + "free.ckt", 0, 2, code), nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(LocateDocumentToOpen(path, data + "gone.ckt", 0x80, 2, code), nullptr);
    EXPECT_NE(code, 0);
    EXPECT_NE(code, kMsgReported);
    automation::QueueMessageBoxAnswer(1);
    EXPECT_EQ(LocateDocumentToOpen(path, "", 0, 2, code), nullptr);
    EXPECT_EQ(code, kMsgReported);
    EXPECT_NE(automation::MessageBoxTexts().back().find("File not found"), std::string::npos);
    EXPECT_EQ(automation::PendingAnswers(), 0);

    // A hidden document of the active circuit's scope is found only under flag 0x2000.
    std::string asked;
    SetHiddenDocumentLookup([&](const std::string& p) {
        asked = p;
        return &g;
    });
    EXPECT_EQ(LocateDocumentToOpen(path, data + "free.ckt", 0, 2, code), nullptr);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(LocateDocumentToOpen(path, data + "free.ckt", 0x2000, 2, code), &g);
    EXPECT_EQ(asked, data + "free.ckt");
    SetHiddenDocumentLookup(nullptr);
}

TEST_F(Documents, RevertAsksAndHandsTheFlagsOn) {
    platform::FrameWindow& main = MainFrame();
    struct RevertView : TextView {
        int reverts = 0;
        CIODraw* Revert() override {
            ++reverts;
            return this;
        }
    };
    std::ofstream(root / "data" / "r.ckt") << "*\n";
    CIOFrame frame;
    RevertView view;
    frame.draw = &view;
    view.frame = &frame;
    ASSERT_TRUE(frame.CreateChildFrame(main, "ckt", data + "r.ckt"));
    ASSERT_TRUE(view.CreateInFrame(&frame));
    view.untitled = 0;
    automation::QueueMessageBoxAnswer(kButtonNo);
    EXPECT_TRUE(view.ExecuteCommand(kCmdRevert));
    EXPECT_EQ(view.reverts, 0);
    EXPECT_EQ(automation::MessageBoxTexts().back().rfind("Revert to the disk version ?", 0), 0u);
    automation::QueueMessageBoxAnswer(kButtonYes);
    view.ExecuteCommand(kCmdRevert);
    EXPECT_EQ(view.reverts, 1);
    // Untitled documents cannot revert.
    view.untitled = 1;
    EXPECT_FALSE(view.ExecuteCommand(kCmdRevert));
    frame.Destroy();
}

TEST_F(Documents, StreamsReadTheLiveTextOfAnOpenDocument) {
    platform::FrameWindow& main = MainFrame();
    std::string path = data + "live.ckt";
    std::ofstream(path) << "* on disk\n";
    TextFrame f;
    ASSERT_TRUE(f.Open(main, path, "* being edited\r\nR1 1 0 1k\r\n"));
    InstallOpenDocumentTextSource();
    TextFile in;
    ASSERT_EQ(in.OpenReadPreferWindow(path.c_str()), 0);
    std::string line;
    in.ReadLine(line);
    EXPECT_EQ(line.rfind("* being edited", 0), 0u);
    in.Close();
    SetOpenDocumentTextSource(nullptr);
    f.Destroy();
}
