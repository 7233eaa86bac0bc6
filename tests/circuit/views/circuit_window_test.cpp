// The window paths of opening circuits: a new schematic frame reads its file, an open
// file only comes forward, failures leave no window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "circuit/circuit_file.h"
#include "circuit/document_files.h"
#include "circuit/protected_file.h"
#include "circuit/report_capture.h"
#include "circuit/views/circuit_window.h"
#include "platform/application.h"
#include "platform/automation.h"
#include "platform/dialog.h"
#include "ui/framework/dialog_templates.h"
#include "platform/image.h"
#include "views_fixture.h"

using namespace ob7;

namespace {

struct CircuitWindows : ::testing::Test {
    std::filesystem::path folder;
    void SetUp() override
    {
        Main();
        std::string pattern = (std::filesystem::temp_directory_path() / "ob7cirwinXXXXXX").string();
        folder = mkdtemp(pattern.data());
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
};

}  // namespace

TEST_F(CircuitWindows, OpenReadsOnceAndBringsTheWindowForward)
{
    CircuitDocument doc;
    doc.AddWire(10, 10, 20, 10);
    doc.AddGridText("OUT", 20, 10);
    doc.text = ".tran 1u 1m\r\n";
    const std::string path = (folder / "amp.cir").string();
    ASSERT_EQ(SaveCircuitFile(doc, path, kCircuitVersion70), 0);

    int code = -1;
    CCTFrame* frame = OpenCircuit(path, 0x40, &code);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(code, 0);
    auto* view = dynamic_cast<CCTDraw*>(frame->draw);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->drawType, kDrawSchematic);
    ASSERT_EQ(view->document->objects.size(), 1u);
    EXPECT_EQ(view->document->gridTexts[0]->text, "OUT");
    EXPECT_EQ(view->textArea.GetText(), ".tran 1u 1m\r\n");
    EXPECT_FALSE(view->IsModified());
    EXPECT_EQ(view->currentMode, kModeSelect);

    // Revert reads the file again.
    view->textArea.SetText("changed");
    view->modified = 1;
    doc.text = ".ac dec 10 1 1meg\r\n";
    ASSERT_EQ(SaveCircuitFile(doc, path, kCircuitVersion70), 0);
    EXPECT_EQ(view->Revert(), view);
    EXPECT_EQ(view->textArea.GetText(), ".ac dec 10 1 1meg\r\n");
    EXPECT_FALSE(view->IsModified());
    EXPECT_TRUE(view->UndoList().empty());

    // Open again: the same window, the file not read again.
    std::filesystem::remove(path);
    EXPECT_EQ(OpenCircuit(path, 0x40, &code), frame);
    EXPECT_EQ(code, 0);

    platform::Application::PumpMessages();
    platform::Image image = Main().Grab();
    std::filesystem::create_directories("png");
    EXPECT_TRUE(image.SavePng((std::filesystem::current_path() / "png" / "circuit_window.png").string()));
    frame->Close();
}

TEST_F(CircuitWindows, FailuresAreReportedOnceAndLeaveNoWindow)
{
    const std::string missing = (folder / "none.cir").string();
    {
        ReportCapture capture;
        int code = 0;
        EXPECT_EQ(OpenCircuit(missing, 0x80, &code), nullptr);
        EXPECT_NE(code, 0);  // the file's own code, not reported
        EXPECT_NE(code, 15055);
        EXPECT_TRUE(capture.reports.empty());
    }
    // A damaged file: the new window closes again and the failure is reported once.
    const std::string bad = (folder / "bad.cir").string();
    std::ofstream(bad, std::ios::binary) << "5.02\nOmbrelic V\nTessellane Software\n\n:**** fonts ****\n-4\n";
    ReportCapture capture;
    int code = 0;
    const size_t windows = ViewList().size();
    EXPECT_EQ(OpenCircuit(bad, 0, &code), nullptr);
    EXPECT_EQ(code, 15055);
    EXPECT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.Last().id, 15009);
    int shown = 0;
    for (CDraw* d : ViewList())
        shown += d->IsCreated();
    EXPECT_LE(shown, static_cast<int>(windows));
    // Kind -1 (no file kind found) is 15022.
    EXPECT_EQ(OpenCircuitFile(missing, -1, 0x80, code), nullptr);
    EXPECT_EQ(code, 15022);
}

// Ctrl+Alt+S: the password twice, the circuit saved, a name asked, the circuit saved there
// and that file rewritten protected; a cancelled password writes nothing.
TEST_F(CircuitWindows, SaveProtectedCopyCommand)
{
    CircuitDocument doc;
    doc.AddWire(10, 10, 20, 10);
    doc.text = ".tran 1u 1m\r\n";
    const std::string path = (folder / "amp.cir").string();
    const std::string locked = (folder / "amp_locked.cir").string();
    ASSERT_EQ(SaveCircuitFile(doc, path, kCircuitVersion70), 0);
    int code = -1;
    CCTFrame* frame = OpenCircuit(path, 0x40, &code);
    ASSERT_NE(frame, nullptr);
    auto* view = dynamic_cast<CCTDraw*>(frame->draw);
    ASSERT_NE(view, nullptr);

    auto answer = [](const char* first, const char* second, int button) {
        platform::automation::QueueModalScript([=](platform::Dialog& d) {
            platform::automation::SendTextToItem(d, kIdField, first);
            platform::automation::SendTextToItem(d, kIdField2, second);
            platform::automation::ClickItem(d, button);
            return button;
        });
    };
    answer("", "", 2);
    EXPECT_TRUE(view->ExecuteCommand(kCmdSaveProtected));
    EXPECT_FALSE(std::filesystem::exists(locked));

    answer("Secret", "secret", 1);
    platform::automation::QueueFileDialogAnswer({locked});
    EXPECT_TRUE(view->ExecuteCommand(kCmdSaveProtected));
    EXPECT_EQ(platform::automation::PendingAnswers(), 0);
    EXPECT_EQ(view->GetFrameTitle(), locked);
    std::ifstream in(locked, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 280u);
    EXPECT_EQ(bytes.compare(0, 4, std::string("CRP\0", 4)), 0);
    std::string plain;
    bool wrong = true;
    ASSERT_EQ(ReadProtectedBytes(bytes, "SECRET", plain, wrong), 0);
    EXPECT_FALSE(wrong);
    std::string expected;
    CircuitFile stream;
    stream.Compose(*view->document, kCircuitVersion70, expected);
    EXPECT_EQ(plain, expected);
    frame->Close();
}

// File/Translate writes the schematic in an older version under the name asked; the
// window keeps its title and its modified state.
TEST_F(CircuitWindows, TranslateToOlderVersions)
{
    CircuitDocument doc;
    doc.AddWire(10, 10, 20, 10);
    doc.text = ".tran 1u 1m\r\n";
    const std::string path = (folder / "amp.cir").string();
    ASSERT_EQ(SaveCircuitFile(doc, path, kCircuitVersion70), 0);
    int code = -1;
    CCTFrame* frame = OpenCircuit(path, 0x40, &code);
    ASSERT_NE(frame, nullptr);
    auto* view = dynamic_cast<CCTDraw*>(frame->draw);
    ASSERT_NE(view, nullptr);
    view->OnDocumentChanged();

    struct Case {
        int command;
        const char* file;
        const char* start;
    } cases[] = {
        {kCmdSaveAsOB6, "amp6.cir", "[Main]\nFileType=CIR\nVersion=6.00\n"},
        {kCmdSaveAsOB5V2, "amp520.cir", "[Main]\nFileType=CIR\nVersion=5.20\n"},
        {kCmdSaveAsOB5V1, "amp503.cir", "5.03\nOmbrelic V\nTessellane Software\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string target = (folder / c.file).string();
        platform::automation::QueueFileDialogAnswer({target});
        EXPECT_TRUE(view->ExecuteCommand(c.command));
        std::ifstream in(target, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes.rfind(c.start, 0), 0u);
        EXPECT_EQ(view->GetFrameTitle(), path);
        EXPECT_TRUE(view->IsModified());
        EXPECT_TRUE(view->document->modified);
        EXPECT_EQ(view->document->fileVersion, kCircuitVersion70);
        auto back = OpenCircuitDocument(target, DOC_SCHEMATIC, kLoadQuiet, &code);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->objects.size(), 1u);
        EXPECT_EQ(back->text, ".tran 1u 1m\r\n");
    }
    platform::automation::QueueFileDialogAnswer({});
    EXPECT_TRUE(view->ExecuteCommand(kCmdSaveAsOB6));
    view->modified = 0;
    frame->Close();
}
