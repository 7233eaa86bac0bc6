#pragma once
// A main frame over a temporary program folder holding the shipped default library, with
// every report captured: the ground the analysis tests of text circuits stand on.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "circuit/views/text_window.h"
#include "foundation/paths.h"
#include "foundation/report_sink.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

namespace ob7 {

struct CapturedReports : ReportContext {
    std::vector<std::string> texts;
    int ShowReportDialog(ReportDelivery& report) override {
        texts.push_back(std::to_string(report.id) + ": " + report.text);
        return 1;
    }
};

class TextCircuitFrame : public ::testing::Test {
protected:
    // Makes the program folder `prefix`<pid> and the main frame on `rect`.
    void OpenFrame(const std::string& prefix, platform::Rect rect) {
        TestApp();
        CreateProgramPalette();
        CreateColourSlots();
        SetReportContext(&reports);
        folder = std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(std::filesystem::path(OB7_SHIPPED_DATA) / "NOM.LIB", folder / "NOM.LIB",
                                   std::filesystem::copy_options::overwrite_existing);
        ::setenv("OB7_HOME", folder.c_str(), 1);
        GetModuleFolder();
        SetDefaultFolders();
        ASSERT_TRUE(frame.Create(rect));
        TestApp().SetMainWindow(&frame);
    }
    void CloseFrame() {
        for (platform::MdiChildFrame* child : frame.Children()) child->Destroy();
        TestApp().SetMainWindow(nullptr);
        SetReportContext(nullptr);
        std::filesystem::remove_all(folder);
    }
    // Writes the deck into the program folder and opens it in a text window.
    CTxtFrame* OpenDeck(const char* name, const std::string& text) {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        int code = 0;
        return OpenTextWindow(path, 0, code);
    }

    std::filesystem::path folder;
    CapturedReports reports;
    CMainFrame frame;
};

}  // namespace ob7
