// File/New: the remembered choice, the pictures that pick a kind and the untitled names;
// File/Paths: every bad folder reported, nothing stored until all exist.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/file_new_dialog.h"
#include "app/main_frame.h"
#include "app/paths_dialog.h"
#include "circuit/report_capture.h"
#include "foundation/paths.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/io_frame.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

struct FrameFixture : ::testing::Test {
    CMainFrame frame;
    void SetUp() override {
        TestApp();
        CreateProgramPalette();
        CreateColourSlots();
        ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1024, 700}));
        TestApp().SetMainWindow(&frame);
        frame.Show(true);
    }
    void TearDown() override {
        for (platform::MdiChildFrame* child : frame.Children())
            if (auto* f = dynamic_cast<CMDIFrame*>(child)) f->Destroy();
        frame.Destroy();
    }
};

fs::path TempFolder(const char* name) {
    fs::path p = fs::temp_directory_path() / (std::string(name) + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
}

}  // namespace

TEST_F(FrameFixture, NewRemembersTheChoiceAndPicturesPickTheirKind) {
    NewDialogState = NewDialogMemory{};
    // The pictures come from the program's icon file.
    const char* home = std::getenv("OB7_HOME");
    const std::string savedHome = home ? home : "";
    if (const char* data = std::getenv("OB7_DATA_DIR")) setenv("OB7_HOME", data, 1);
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        platform::Application::PumpMessages();
        EXPECT_EQ(d.IsButtonChecked(11401), 1);  // Schematic the first time
        fs::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/file_new.png"));
        d.RouteCommand(706);  // the library picture
        EXPECT_EQ(d.IsButtonChecked(11403), 1);
        EXPECT_EQ(d.FocusedItem(), 11403);
        static_cast<CNewDlg&>(d).OnOK();
        return 1;
    });
    CNewDlg first;
    ASSERT_EQ(first.DoModal(), 1);
    EXPECT_EQ(first.kind, 3);
    if (savedHome.empty()) unsetenv("OB7_HOME");
    else setenv("OB7_HOME", savedHome.c_str(), 1);
    // Library is preselected next time; Cancel keeps the memory as it was.
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        EXPECT_EQ(d.IsButtonChecked(11403), 1);
        d.RouteCommand(704);
        static_cast<CNewDlg&>(d).OnCancel();
        return 2;
    });
    CNewDlg second;
    EXPECT_EQ(second.DoModal(), 2);
    EXPECT_EQ(NewDialogState.choice, 11403);
}

TEST_F(FrameFixture, NewTextWindowsTakeConsecutiveUntitledNames) {
    ResetUntitledCounters();
    NewDialogState.choice = 11402;
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        static_cast<CNewDlg&>(d).OnOK();
        return 1;
    });
    CMDIFrame* one = RunFileNew();
    CMDIFrame* two = CreateUntitledDocument(2);
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(fs::path(one->GetTitle()).filename(), "circuit1.ckt");
    EXPECT_EQ(fs::path(two->GetTitle()).filename(), "circuit2.ckt");
    EXPECT_EQ(two->State(), platform::ShowState::Maximized);
    // Kinds whose windows this program cannot make yet use up no name.
    Openers().createLibrary = nullptr;
    EXPECT_EQ(CreateUntitledDocument(3), nullptr);
    std::string next;
    UntitledDocumentName(next, 3);
    EXPECT_EQ(fs::path(next).filename(), "lib1.lbr");
}

TEST_F(FrameFixture, PathsReportsEveryBadFolderAndStoresOnlyWhenAllExist) {
    const fs::path good = TempFolder("ob7_paths_good");
    const std::string missingA = (good / "nope").string(), missingB = (good / "gone").string();
    const std::string before = GetDefaultPath(kDataPath);
    ReportCapture capture;
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        platform::Application::PumpMessages();
        EXPECT_EQ(d.ItemText(11108), before);
        fs::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/paths.png"));
        d.SetItemText(11108, good.string() + ";" + missingA);
        d.SetItemText(11109, "");
        d.SetItemText(11111, missingB);
        static_cast<CPathsDlg&>(d).OnOK();
        EXPECT_TRUE(d.IsModalRunning());  // stays open
        EXPECT_EQ(d.FocusedItem(), 11111);  // the last bad field
        EXPECT_EQ(GetDefaultPath(kDataPath), before);
        d.SetItemText(11108, good.string());
        d.SetItemText(11111, good.string());
        static_cast<CPathsDlg&>(d).OnOK();
        return 2;
    });
    CPathsDlg dialog;
    EXPECT_EQ(dialog.DoModal(), 1);
    ASSERT_EQ(capture.reports.size(), 2u);
    EXPECT_EQ(capture.reports[0].text, "Bad path '" + missingA + "'.\n");
    EXPECT_EQ(capture.reports[1].text, "Bad path '" + missingB + "'.\n");
    EXPECT_EQ(GetDefaultPath(kDataPath), good.string());
    EXPECT_EQ(GetDefaultPath(kLibraryPath), "");
    EXPECT_EQ(GetDefaultPath(kDataPath2), good.string());
    SetDefaultFolders();
    fs::remove_all(good);
}
