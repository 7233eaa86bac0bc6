// What a second start hands over (its folder and command line) and how the running
// program opens those files: names relative to the second start's folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/document_openers.h"
#include "app/main_app.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_window.h"

using namespace ob7;
namespace fs = std::filesystem;

TEST(SingleInstance, HandedOverFilesOpenFromTheSecondStartsFolder) {
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    CMainFrame frame;
    ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1024, 700}));
    TestApp().SetMainWindow(&frame);
    InstallDocumentOpeners();
    const fs::path folder = fs::temp_directory_path() / ("ob7_second_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (const char* name : {"first.ckt", "second.ckt"}) std::ofstream(folder / name) << "* deck\nR1 1 0 1k\n.END\n";

    const std::string message = HandOverMessage("first.ckt second.ckt");
    EXPECT_EQ(message, fs::current_path().string() + "\nfirst.ckt second.ckt");
    OpenCommandLineFiles(ParseCommandLine("first.ckt second.ckt"), folder.string());
    std::vector<std::string> titles;
    for (platform::MdiChildFrame* child : frame.Children())
        if (auto* f = dynamic_cast<CMDIFrame*>(child)) titles.push_back(fs::path(f->GetTitle()).filename().string());
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"first.ckt", "second.ckt"}));
    for (platform::MdiChildFrame* child : frame.Children())
        if (auto* f = dynamic_cast<CMDIFrame*>(child)) f->Destroy();
    frame.Destroy();
    fs::remove_all(folder);
}
