// Find and replace in a text window through the Search and Replace dialogs, answered by
// scripts, and the showing of a recorded hit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "circuit/report_capture.h"
#include "circuit/views/find_dialog.h"
#include "circuit/views/text_window.h"
#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/image.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/shell_state.h"
#include "views_fixture.h"

using namespace ob7;
namespace automation = platform::automation;

namespace {

struct FindReplace : ::testing::Test {
    ReportCapture capture;  // a message never waits for a user
    std::filesystem::path folder, file;
    CTxtFrame* frame = nullptr;
    CTxtDraw* view = nullptr;

    void Open(const std::string& text)
    {
        Main();
        std::string pattern = (std::filesystem::temp_directory_path() / "ob7findXXXXXX").string();
        folder = mkdtemp(pattern.data());
        file = folder / "find.cir";
        std::ofstream(file, std::ios::binary) << text;
        int code = 0;
        frame = OpenTextWindow(file.string(), 0x80, code);
        ASSERT_NE(frame, nullptr);
        view = &frame->view;
        frame->Activate();
    }
    void SetUp() override
    {
        TextSearch = TextSearchState();
    }
    void TearDown() override
    {
        automation::ClearAnswers();
        if (frame) {
            view->modified = 0;
            frame->Close();
        }
        if (!folder.empty())
            std::filesystem::remove_all(folder);
    }
    std::pair<int, int> Sel()
    {
        int s = 0, e = 0;
        view->textArea.GetSel(s, e);
        return {s, e};
    }
};

// The Replace dialog's texts entered and one button clicked; the status line is kept.
void ScriptReplace(const char* search, const char* replacement, bool wholeWord, std::vector<int> buttons,
                   std::string* status = nullptr)
{
    automation::QueueModalScript([=](platform::Dialog& d) {
        EXPECT_EQ(d.Template().caption, "Replace");
        d.SetItemText(kIdField, search);
        d.SetItemText(kIdField2, replacement);
        d.CheckButton(kIdWholeWord, wholeWord ? 1 : 0);
        for (int b : buttons)
            automation::ClickItem(d, b);
        if (status)
            *status = d.ItemText(kIdFindStatus);
        automation::ClickItem(d, kIdCloseFind);
        return 2;
    });
}

}  // namespace

TEST_F(FindReplace, ReplaceAllIsOneUndoStep)
{
    Open("aaa");
    std::string status;
    ScriptReplace("a", "aa", false, {kIdReplaceAll}, &status);
    ReplaceInText(*view);
    EXPECT_EQ(view->textArea.GetText(), "aaaaaa");
    EXPECT_EQ(status, "3 occurrences changed.");
    EXPECT_TRUE(view->IsModified());
    ASSERT_NE(view->CurrentUndo(), nullptr);
    EXPECT_EQ(view->CurrentUndo()->label, "Replace All");
    view->UndoStep();
    EXPECT_EQ(view->textArea.GetText(), "aaa");
    view->RedoStep();
    EXPECT_EQ(view->textArea.GetText(), "aaaaaa");
    EXPECT_EQ(SearchHistory.Name(0), "a");
    EXPECT_EQ(ReplaceHistory.Name(0), "aa");

    // No match: nothing changes and no undo step is opened.
    view->ClearUndoList();
    ScriptReplace("zz", "y", false, {kIdReplaceAll}, &status);
    ReplaceInText(*view);
    EXPECT_EQ(status, "0 occurrences changed.");
    EXPECT_EQ(view->textArea.GetText(), "aaaaaa");
    EXPECT_EQ(view->CurrentUndo(), nullptr);
}

TEST_F(FindReplace, FindWrapsAndMatchesWholeWords)
{
    Open("R1 a\r\nR10 XR1 R1");
    // Repeat Last Find with the caret at the end finds the first match from the top.
    TextSearch.search = "R1";
    view->textArea.SetSel(view->textArea.GetTextLength(), view->textArea.GetTextLength());
    FindInText(*view, false);
    EXPECT_EQ(Sel(), std::make_pair(0, 2));
    // Whole word: R10 and XR1 are passed over, the R1 at the end is found.
    TextSearch.wholeWord = true;
    FindInText(*view, false);
    const int last = view->textArea.GetTextLength() - 2;
    EXPECT_EQ(Sel(), std::make_pair(last, last + 2));

    // Find shows the Search dialog with the selection as the search text.
    view->textArea.SetSel(6, 9);  // "R10"
    automation::QueueModalScript([](platform::Dialog& d) {
        EXPECT_EQ(d.Template().caption, "Search");
        EXPECT_EQ(d.ItemText(kIdField), "R10");
        d.CheckButton(kIdWholeWord, 0);
        automation::ClickItem(d, 1);
        return 1;
    });
    FindInText(*view, true);
    EXPECT_EQ(Sel(), std::make_pair(6, 9));  // wrapped round to the same R10
}

// The view's commands reach the find functions: Repeat Last Find (and F3 outside an
// analysis) searches at once, Find shows the Search dialog, Replace is greyed during an
// analysis.
TEST_F(FindReplace, CommandsOfTheView)
{
    Open("V1 in 0\r\nR1 in out 1k\r\n");
    TextSearch.search = "out";
    EXPECT_TRUE(view->ExecuteCommand(kCmdRepeatFind));
    EXPECT_EQ(Sel(), std::make_pair(15, 18));
    TextSearch.search = "in";
    EXPECT_TRUE(view->ExecuteCommand(kCmdRepeatFindKey));
    EXPECT_EQ(Sel(), std::make_pair(3, 5));  // wrapped round to the top

    bool shown = false;
    automation::QueueModalScript([&](platform::Dialog& d) {
        shown = d.Template().caption == "Search";
        return 2;
    });
    EXPECT_TRUE(view->ExecuteCommand(kCmdFind));
    EXPECT_TRUE(shown);

    Shell.analysisKind = 0;
    platform::CommandUI replace(kCmdReplace);
    view->RouteUpdate(replace);
    EXPECT_FALSE(replace.Enabled());
    EXPECT_FALSE(view->ExecuteCommand(kCmdReplace));
    view->textArea.SetSel(0, 0);
    EXPECT_TRUE(view->ExecuteCommand(kCmdRepeatFindKey));  // the analysis window's key now
    EXPECT_EQ(Sel(), std::make_pair(0, 0));
    Shell.analysisKind = -1;
    view->RouteUpdate(replace);
    EXPECT_TRUE(replace.Enabled());
}

TEST_F(FindReplace, ReplaceSelectsFirstThenReplaces)
{
    Open("x = a + a");
    view->textArea.SetSel(0, 1);  // not a match
    ScriptReplace("a", "b", false, {kIdReplaceOne});
    TextSearch.search.clear();
    view->textArea.SetSel(0, 0);
    ReplaceInText(*view);
    EXPECT_EQ(view->textArea.GetText(), "x = a + a");
    EXPECT_EQ(Sel(), std::make_pair(4, 5));
    ScriptReplace("a", "b", false, {kIdReplaceOne});
    ReplaceInText(*view);
    EXPECT_EQ(view->textArea.GetText(), "x = b + a");
    EXPECT_EQ(Sel(), std::make_pair(8, 9));
}

TEST_F(FindReplace, GoToSelectsTheStatementOfAContinuationLine)
{
    Open("* title\r\nR1 a b\r\nX1 in out\r\n+ amp\r\n+ PARAMS: G=2\r\nC1 a 0 1n\r\n");
    FindResult.kind = FR_TEXT;
    FindResult.document = view->document.get();
    FindResult.position = 3;  // "+ amp"
    EXPECT_TRUE(GoToFindResult());
    const std::string text = view->textArea.GetText();
    auto [s, e] = Sel();
    EXPECT_EQ(text.substr(static_cast<size_t>(s), static_cast<size_t>(e - s)), "X1 in out\r\n+ amp\r\n+ PARAMS: G=2");
    EXPECT_EQ(FindResult.kind, FR_NONE);
    // A document no window shows: nothing to go to.
    CircuitDocument other;
    FindResult.kind = FR_TEXT;
    FindResult.document = &other;
    EXPECT_FALSE(GoToFindResult());
}

TEST_F(FindReplace, PictureOfTheReplaceDialog)
{
    Open("R1 in out 1k\r\nR2 out 0 2k\r\n");
    RememberSearchTexts("R1", nullptr);
    automation::QueueModalScript([](platform::Dialog& d) {
        d.SetItemText(kIdField, "out");
        d.SetItemText(kIdField2, "vout");
        d.CheckButton(kIdWholeWord, 1);
        automation::ClickItem(d, kIdReplaceAll);
        platform::Image image = d.Grab();
        std::filesystem::create_directories("png");
        EXPECT_TRUE(image.SavePng((std::filesystem::current_path() / "png" / "replace_dialog.png").string()));
        automation::ClickItem(d, kIdCloseFind);
        return 2;
    });
    ReplaceInText(*view);
    EXPECT_EQ(view->textArea.GetText(), "R1 in vout 1k\r\nR2 vout 0 2k\r\n");
}
