// The commands the netlist front end gives circuit views, on a text window of the
// offscreen platform: Refresh Models through the view's command map, and the F1 help of
// the line at the caret.
#include <gtest/gtest.h>

#include <filesystem>

#include "circuit/analysis_setup.h"
#include "circuit/views/text_window.h"
#include "netlist/text_circuit_fixture.h"
#include "netlist/views/circuit_view_commands.h"
#include "platform/automation.h"
#include "platform/command.h"
#include "platform/frame.h"
#include "platform/help_viewer.h"
#include "platform/qt_app.h"
#include "ui/framework/shell_state.h"

using namespace ob7;
namespace automation = platform::automation;

namespace {

class CircuitViewCommandsTest : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        static bool ready = [] {
            TestApp();
            if (!dynamic_cast<platform::FrameWindow*>(TestApp().MainWindow())) {
                auto* f = new platform::FrameWindow;
                f->CreateFrame("Ombrelic", platform::Rect{0, 0, 900, 640});
                TestApp().SetMainWindow(f);
                f->Show(true);
            }
            InstallCircuitViewCommands();
            return true;
        }();
        (void)ready;
        std::filesystem::copy_file(std::filesystem::path(ShippedDataDir()) / "TextHelp.txt", home / "TextHelp.txt");
    }
    void TearDown() override {
        automation::ClearAnswers();
        platform::help::Close();
        Shell.analysisKind = -1;
        Shell.batchMode = 0;
        if (frame) frame->Close();
        TextCircuitTest::TearDown();
    }
    CTxtDraw& Open(const std::string& text) {
        Write("deck.cir", text);
        int code = -1;
        frame = OpenTextWindow(Path("deck.cir"), 0, code);
        EXPECT_EQ(code, 0);
        if (!frame) throw std::runtime_error("no text window");
        return frame->view;
    }
    static bool Enabled(CTxtDraw& view, int id) {
        platform::CommandUI ui(id);
        return view.RouteUpdate(ui) && ui.Enabled();
    }
    CTxtFrame* frame = nullptr;
};

TEST_F(CircuitViewCommandsTest, RefreshModelsFromTheTextWindow) {
    Write("MY.LIB", ".MODEL DLIB D(IS=2E-14 N=1.5)\n.SUBCKT LIBAMP A B\nR1 A B 5K\n.ENDS\n");
    const std::string deck = "T\r\n.LIB MY.LIB\r\nD1 1 0 DLIB\r\nX1 1 0 LIBAMP\r\nR1 1 0 1\r\n.END\r\n";
    CTxtDraw& view = Open(deck);
    EXPECT_TRUE(Enabled(view, kCmdRefreshModels));
    // Cancel changes nothing and opens no undo step.
    automation::QueueModalScript([](platform::Dialog&) { return 2; });
    ASSERT_TRUE(view.ExecuteCommand(kCmdRefreshModels));
    EXPECT_EQ(view.textArea.GetText(), deck);
    EXPECT_EQ(view.CurrentUndo(), nullptr);

    automation::QueueModalScript([](platform::Dialog& d) {
        automation::ClickItem(d, 1);
        return 1;
    });
    ASSERT_TRUE(view.ExecuteCommand(kCmdRefreshModels));
    const std::string text = view.textArea.GetText();
    const size_t model = text.find(".MODEL DLIB"), subckt = text.find(".SUBCKT LIBAMP A B"), end = text.rfind(".END");
    EXPECT_NE(model, std::string::npos) << text;
    EXPECT_NE(subckt, std::string::npos) << text;
    EXPECT_LT(model, end);
    EXPECT_LT(subckt, end);
    EXPECT_EQ(view.document->text, text);
    ASSERT_NE(view.CurrentUndo(), nullptr);
    EXPECT_EQ(view.CurrentUndo()->label, "Refresh Models");
    EXPECT_TRUE(view.document->modified);
    // One undo step gives the text back.
    view.UndoStep();
    EXPECT_EQ(view.textArea.GetText(), deck);

    // While an analysis is active the command is disabled and never runs.
    Shell.analysisKind = 0;
    EXPECT_FALSE(Enabled(view, kCmdRefreshModels));
    EXPECT_FALSE(view.ExecuteCommand(kCmdRefreshModels));
}

TEST_F(CircuitViewCommandsTest, AnalysisStatementsWrittenBackWhenTheAnalysisEnds) {
    const std::string deck = "RC\r\nR1 1 0 1K\r\n.TRAN 1u 5m\r\n* kept\r\n.PRINT TRAN V(1)\r\nC1 1 0 1U\r\n.END\r\n";
    CTxtDraw& view = Open(deck);
    AnalysisSetup setup;
    setup.limits[0] = "10";  // time range; 0 points means 51
    setup.limits[2] = "0";
    setup.limits[3] = "27";
    // A batch run leaves the page alone.
    Shell.batchMode = 1;
    EXPECT_EQ(WriteViewAnalysisStatements(view, 0, setup), 0);
    Shell.batchMode = 0;
    EXPECT_EQ(view.textArea.GetText(), deck);

    EXPECT_EQ(WriteViewAnalysisStatements(view, 0, setup), 0) << FirstReport();
    EXPECT_EQ(view.textArea.GetText(),
              "RC\r\nR1 1 0 1K\r\n* kept\r\nC1 1 0 1U\r\n.TRAN 0.2 10 0 UIC\r\n.TEMP 27\r\n.END\r\n");
    EXPECT_EQ(view.document->text, view.textArea.GetText());
    EXPECT_TRUE(view.document->modified);
    ASSERT_NE(view.CurrentUndo(), nullptr);
    EXPECT_EQ(view.CurrentUndo()->label, "Analysis limits change");
    view.UndoStep();
    EXPECT_EQ(view.textArea.GetText(), deck);
}

TEST_F(CircuitViewCommandsTest, ContextHelpOfTheLineAtTheCaret) {
    const std::string deck = "T\r\n.tran 1u 10m\r\nQ1 3 2 0 MOD\r\n.PROBE\r\nZZ nothing\r\n";
    CTxtDraw& view = Open(deck);
    struct Case {
        const char* at;     // the caret goes into the line holding this text
        const char* title;  // the topic shown, or null for none
    } cases[] = {
        {".tran", ".TRAN: transient analysis"},
        {"Q1", "Q: bipolar transistor"},
        {".PROBE", nullptr},
        {"ZZ", nullptr},
    };
    for (const Case& c : cases) {
        platform::help::Close();
        const int pos = static_cast<int>(deck.find(c.at)) + 2;
        view.textArea.SetSel(pos, pos);
        ASSERT_TRUE(view.ExecuteCommand(kCmdTextContextHelp)) << c.at;
        if (!c.title) {
            EXPECT_FALSE(platform::help::IsOpen()) << c.at;
            continue;
        }
        ASSERT_TRUE(platform::help::IsOpen()) << c.at;
        EXPECT_EQ(platform::help::CurrentTitle(), c.title);
    }
    platform::help::Close();
    view.textArea.SetSel(static_cast<int>(deck.find(".tran")), static_cast<int>(deck.find(".tran")));
    ShowDotCommandHelp(view, ".TRAN 1u 10m");
    EXPECT_NE(platform::help::CurrentText().find(".TRAN <print step> <final time>"), std::string::npos);
}

}  // namespace
