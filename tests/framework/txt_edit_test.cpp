#include <gtest/gtest.h>

#include <cstring>

#include "framework_fixture.h"
#include "platform/automation.h"
#include "platform/clipboard.h"
#include "platform/input.h"
#include "platform/image.h"
#include "platform/scroll_bar.h"

using namespace ob7;
namespace automation = platform::automation;
namespace key = platform::key;

namespace {

struct Editor : ::testing::Test {
    TextFrame frame;
    CTxtEdit& edit = frame.view.editor;
    void SetUp() override {
        ASSERT_TRUE(frame.Open(MainFrame(), "/tmp/editor.ckt"));
        frame.Activate();
        edit.SetFocus();
    }
    void TearDown() override { automation::ClearAnswers(); }
    void Type(const std::string& text) { automation::SendText(edit, text); }
    void Key(int k, int modifiers = 0) { automation::SendKey(edit, k, modifiers); }
    UndoEntry* Current() { return frame.view.CurrentUndo(); }
};

}  // namespace

TEST(EditorBuffer, LinesEndsAndPositions) {
    CTxtEdit e;  // the text model works without a window
    EXPECT_EQ(e.GetTextLength(), 0);
    EXPECT_EQ(e.GetLineCount(), 1);
    EXPECT_EQ(e.LineIndex(0), 0);
    EXPECT_EQ(e.LineIndex(1), -1);
    EXPECT_EQ(std::memcmp(e.GetBuffer(), "\r\n\0", 3), 0);

    // A lone CR becomes a space; a lone LF (the line end of files written here) and a
    // CR LF pair break the line.
    e.SetText("a\rb\nc\r\nd");
    EXPECT_EQ(e.GetText(), "a b\r\nc\r\nd");
    EXPECT_EQ(e.GetLineCount(), 3);
    e.SetText("\nx");
    EXPECT_EQ(e.GetText(), "\r\nx");

    e.SetText("abcdef");
    char buffer[16];
    EXPECT_EQ(e.GetText(buffer, 5), 4);
    EXPECT_STREQ(buffer, "abcd");

    e.SetText("first\r\nsecond");
    EXPECT_EQ(e.GetLine(1, buffer, sizeof buffer), 6);
    EXPECT_STREQ(buffer, "second");
    EXPECT_EQ(e.GetLine(2, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(e.LineFromChar(8), 1);
    EXPECT_EQ(e.LineLength(7), 6);
    EXPECT_EQ(e.LineLength(-3), 0);
    EXPECT_EQ(e.CharAt(0), 0);
    EXPECT_EQ(e.CharAt(1), 'i');
    EXPECT_EQ(e.CharAt(99), 0);

    // A position between CR and LF is taken as the line end, so typing and deleting
    // there never split the pair.
    e.SetText("ab\r\ncd");
    e.SetSel(3, 3);
    EXPECT_EQ(e.Caret(), 2);
    e.TypeChar('x');
    EXPECT_EQ(e.GetText(), "abx\r\ncd");
    e.SetSel(4, 4);
    e.DeleteSelOrChar();
    EXPECT_EQ(e.GetText(), "abxcd");

    // SetSel counts every character of the buffer, CR and LF included, so a selection
    // read with GetSel is set again as it was; an end between CR and LF stops at the CR.
    e.SetText("ab\r\ncd\r\nef");
    e.SetSel(1, 8);
    int s0, s1;
    e.GetSel(s0, s1);
    EXPECT_EQ(s0, 1);
    EXPECT_EQ(s1, 8);
    EXPECT_EQ(e.GetSelText(), "b\r\ncd\r\n");
    e.SetSel(s0, s1);
    EXPECT_EQ(e.GetSelText(), "b\r\ncd\r\n");
    e.SetSel(0, 3);
    EXPECT_EQ(e.GetSelText(), "ab");
    e.SetSel(5, 99);
    EXPECT_EQ(e.GetSelText(), "d\r\nef");

    // A TAB advances to the next multiple of 3.
    e.SetText("\tA\r\nab\tB");
    EXPECT_EQ(e.ColumnOf(1), 3);   // after a TAB at column 0
    EXPECT_EQ(e.ColumnOf(6), 2);
    EXPECT_EQ(e.ColumnOf(7), 3);   // a TAB at column 2 takes one cell
}

TEST_F(Editor, TypingIsOneUndoStepThatTheNextApplicationRedoes) {
    Type("abc");
    EXPECT_EQ(edit.GetText(), "abc");
    ASSERT_NE(Current(), nullptr);
    EXPECT_EQ(Current()->label, "Text change");
    EXPECT_EQ(frame.view.UndoList().size(), 1u);
    Key('Z', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "");
    Key('Y', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "abc");
    EXPECT_TRUE(frame.view.modified);
}

TEST_F(Editor, EachBackspaceOpensItsOwnEntry) {
    edit.SetText("abcd");
    edit.SetSel(4, 4);
    std::vector<UndoEntry*> entries;
    for (int i = 0; i < 3; ++i) {
        Key(key::kBack);
        entries.push_back(Current());
        EXPECT_EQ(Current()->label, "Text change");
        EXPECT_EQ(frame.view.UndoList().size(), 1u);  // one level
    }
    EXPECT_EQ(edit.GetText(), "a");
    EXPECT_EQ(Current()->textRecord->count, 1);
    Key('Z', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "ab");

    // Backspace at the start and Delete at the end change and record nothing.
    edit.SetText("xy");
    frame.view.ClearUndoList();
    edit.SetSel(0, 0);
    Key(key::kBack);
    edit.SetSel(2, 2);
    edit.DeleteSelOrChar();
    EXPECT_EQ(edit.GetText(), "xy");
    EXPECT_EQ(Current(), nullptr);
}

TEST_F(Editor, EnterSplitsALineAndUndoJoinsIt) {
    edit.SetText("abcd");
    edit.SetSel(2, 2);
    Key(key::kReturn);
    EXPECT_EQ(edit.GetText(), "ab\r\ncd");
    EXPECT_EQ(edit.GetLineCount(), 2);
    EXPECT_EQ(edit.Caret(), 4);
    Key('Z', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "abcd");
    Key('Y', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "ab\r\ncd");
}

TEST_F(Editor, WordLineAndParagraphMoves) {
    edit.SetText("R1 in out 1k\r\nC1 out 0 1u\r\n\r\nV1 in 0 DC 1\r\nR2 in 0 10");
    edit.SetSel(10, 10);  // on "1k"
    Key(key::kRight, platform::kCtrlDown);
    EXPECT_EQ(edit.Caret(), 12);  // stops at the line's CR
    Key(key::kRight);
    EXPECT_EQ(edit.Caret(), 14);  // the start of the next line
    Key(key::kRight, platform::kCtrlDown);
    EXPECT_EQ(edit.Caret(), 17);
    Key(key::kLeft, platform::kCtrlDown);
    EXPECT_EQ(edit.Caret(), 14);

    int secondParagraph = edit.LineIndex(4) + 3;
    edit.SetSel(secondParagraph, secondParagraph);
    Key(key::kUp, platform::kCtrlDown);
    EXPECT_EQ(edit.Caret(), edit.LineIndex(2));  // the empty line above
    Key(key::kDown);
    EXPECT_EQ(edit.Caret(), edit.LineIndex(3));
    Key(key::kEnd);
    EXPECT_EQ(edit.Caret(), edit.LineIndex(3) + 12);
    Key(key::kEnd, platform::kCtrlDown);
    EXPECT_EQ(edit.Caret(), edit.GetTextLength());
    Key(key::kHome, platform::kShiftDown);
    int start, end;
    edit.GetSel(start, end);
    EXPECT_EQ(start, edit.LineIndex(4));
    EXPECT_EQ(end, edit.GetTextLength());
    EXPECT_EQ(edit.GetSelText(), "R2 in 0 10");
}

TEST_F(Editor, ClipboardCaseBracketsAndReadOnly) {
    edit.SetText("v(out)*(1+(2))");
    edit.SetSel(7, 7);
    edit.MatchBracket();
    EXPECT_EQ(edit.Caret(), 13);  // the parenthesis that balances the first of two
    edit.SetSel(12, 13);
    edit.MatchBracket();
    EXPECT_EQ(edit.Caret(), 13);  // a selection is shown: nothing happens
    edit.SetSel(13, 13);
    edit.MatchBracket();
    EXPECT_EQ(edit.Caret(), 7);

    // Cut without a selection: an empty text on the clipboard, the character deleted.
    edit.SetSel(0, 0);
    platform::clipboard::SetText("before");
    Key('X', platform::kCtrlDown);
    EXPECT_EQ(platform::clipboard::Text(), "");
    EXPECT_EQ(edit.GetText(), "(out)*(1+(2))");
    edit.SetSel(1, 4);
    Key('C', platform::kCtrlDown);
    EXPECT_EQ(platform::clipboard::Text(), "out");
    Key('U', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "(OUT)*(1+(2))");
    edit.SetSel(13, 13);
    Key('V', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "(OUT)*(1+(2))out");
    edit.SetSel(6, 6);
    Key('D', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "(OUT)*");

    // Lines pasted from other programs end with LF alone: they stay lines.
    platform::clipboard::SetText("\nR1 1 2 1k\nR2 2 0 1k");
    edit.SetSel(6, 6);
    Key('V', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "(OUT)*\r\nR1 1 2 1k\r\nR2 2 0 1k");
    EXPECT_EQ(edit.GetLineCount(), 3);
    edit.SetText("(OUT)*");

    edit.SetReadOnly(true);
    edit.SetSel(0, 4);
    Type("zz");
    Key('L', platform::kCtrlDown);
    Key('D', platform::kCtrlDown);
    Key(key::kDelete);
    Key('A', platform::kCtrlDown);
    EXPECT_EQ(edit.GetText(), "(OUT)*");
    int start, end;
    edit.GetSel(start, end);
    EXPECT_EQ(end - start, 4);  // Select All ignored too
}

TEST(EditorBuffer, FilesWithLfLineEndsKeepTheirLines) {
    const char* path = "/tmp/ob7_lf_lines.ckt";
    {
        std::FILE* f = std::fopen(path, "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("* divider\nR1 in out 1k\nR2 out 0 1k\n.end\n", f);
        std::fclose(f);
    }
    std::FILE* f = std::fopen(path, "rb");
    ASSERT_NE(f, nullptr);
    CTxtEdit e;
    e.ReadFromFile(64, f);
    std::fclose(f);
    std::remove(path);
    EXPECT_EQ(e.GetLineCount(), 5);
    EXPECT_EQ(e.GetLine(2), "R2 out 0 1k");
    EXPECT_EQ(e.GetText(), "* divider\r\nR1 in out 1k\r\nR2 out 0 1k\r\n.end\r\n");
}

TEST_F(Editor, FullRecordKeepsItsNewestThreeQuarters) {
    for (int i = 0; i < 4095; ++i) edit.TypeChar('a' + i % 26);
    TextEditUndoRecord* record = Current()->textRecord.get();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->count, 4095);
    edit.TypeChar('!');
    EXPECT_EQ(record->count, 3072);
    EXPECT_EQ(record->items[3071].ch, '!');
    EXPECT_EQ(record->items[0].position, 1024);
}

TEST_F(Editor, ScrollingByPagesAndTheScaleOfLongTexts) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "R" + std::to_string(i) + " 1 0 1k\r\n";
    edit.SetText(text);
    int rows = edit.Rows();
    ASSERT_GT(rows, 3);
    edit.ScrollToLine(200 - rows / 2);
    int first = edit.GetFirstVisibleLine();
    edit.ScrollDown(rows);  // fewer lines than a page follow: unchanged
    EXPECT_EQ(edit.GetFirstVisibleLine(), first);
    edit.ScrollUp(3);
    EXPECT_EQ(edit.GetFirstVisibleLine(), first - 3);

    std::string big;
    big.reserve(40000 * 3);
    for (int i = 0; i < 40000; ++i) big += "*\r\n";
    edit.SetText(big);
    EXPECT_EQ(edit.VerticalScale(), 2);  // 40001 lines / 32767 + 1
    edit.OnScroll(platform::ScrollBarKind::Vertical, platform::ScrollCode::Track, 10000);
    EXPECT_EQ(edit.GetFirstVisibleLine(), 20000);
    edit.SetSel(0, 0);
    Key(key::kEnd, platform::kCtrlDown);
    EXPECT_EQ(edit.Caret(), edit.GetTextLength());
    EXPECT_GE(edit.LineFromChar(edit.Caret()), edit.GetFirstVisibleLine());
    EXPECT_LT(edit.LineFromChar(edit.Caret()), edit.GetLastVisibleLine());
}

TEST_F(Editor, DraggingBelowTheWindowSelectsAndScrollsOnWithTheTimer) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "L" + std::to_string(i) + "\r\n";
    edit.SetText(text);
    platform::Rect client = edit.ClientRect();
    automation::SendMouse(edit, platform::MouseAction::LeftDown, platform::Point{2, 5}, platform::kLeftButton);
    automation::SendMouse(edit, platform::MouseAction::Move, platform::Point{10, client.bottom + 20},
                          platform::kLeftButton);
    int first = edit.GetFirstVisibleLine();
    EXPECT_EQ(first, 1);  // one line a move
    EXPECT_TRUE(edit.SelectionShown());
    platform::Application::PumpUntil([&] { return edit.GetFirstVisibleLine() > first; }, 3000);
    EXPECT_GT(edit.GetFirstVisibleLine(), first);  // the timer scrolls on
    automation::SendMouse(edit, platform::MouseAction::LeftUp, platform::Point{10, client.bottom + 20}, 0);
    int stopped = edit.GetFirstVisibleLine();
    platform::Application::PumpUntil([] { return false; }, 600);
    EXPECT_EQ(edit.GetFirstVisibleLine(), stopped);
    int start, end;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 0);
    EXPECT_GT(end, edit.LineIndex(stopped));
}

TEST(EditorWatches, CommentsShowWatchValuesOrStayAsTheyAre) {
    std::vector<WatchPiece> pieces;
    EXPECT_FALSE(ExpandWatchComment("; watch(v(out))", pieces));  // no evaluator installed
    std::vector<std::string> asked;
    SetWatchEvaluator([&](const std::string& e, std::string& v) {
        asked.push_back(e);
        if (e == "bad") return false;
        v = e.empty() ? "?" : "5V";
        return true;
    });
    ASSERT_TRUE(ExpandWatchComment("; gain WATCH (v(out)) here", pieces));
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].text, "; gain ");
    EXPECT_EQ(pieces[1].text, "v(out)=5V");
    EXPECT_TRUE(pieces[1].value);
    EXPECT_EQ(pieces[2].text, " here");
    EXPECT_FALSE(ExpandWatchComment("; watch it", pieces));
    EXPECT_FALSE(ExpandWatchComment("; watch(a) and watch(b", pieces));
    EXPECT_FALSE(ExpandWatchComment("; watch(bad)", pieces));
    EXPECT_FALSE(ExpandWatchComment("; no watches", pieces) && !pieces.empty());
    ASSERT_TRUE(ExpandWatchComment("; watch(" + std::string(101, 'x') + ")", pieces));
    EXPECT_EQ(asked.back(), "");  // too long: evaluated as an empty text
    SetWatchEvaluator(nullptr);
}

TEST_F(Editor, WatchValuesArePaintedInRedAfterARun) {
    SetWatchEvaluator([](const std::string&, std::string& v) {
        v = "2.5";
        return true;
    });
    edit.SetText("R1 1 0 1k ; watch(v(1))\r\n");
    platform::Application::PumpMessages();
    edit.RedrawNow();
    platform::Image shot = edit.Grab();
    int red = 0;
    for (int y = 0; y < 20 && y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x) red += shot.Pixel(x, y) == platform::Rgb(255, 0, 0);
    EXPECT_GT(red, 10);
    SetWatchEvaluator(nullptr);
}

TEST(EditorPaneBars, AnEditorInASchematicPaneUsesThePanesScrollBars) {
    platform::FrameWindow& main = MainFrame();
    CMDIFrame frame;
    TextView view;
    view.drawType = kDrawSchematic;
    frame.draw = &view;
    view.frame = &frame;
    ASSERT_TRUE(frame.CreateChildFrame(main, "cir", "pane.cir"));
    ASSERT_TRUE(view.CreateInFrame(&frame));
    frame.Activate();
    platform::Rect client = view.ClientRect();
    CTxtEdit& edit = view.editor;
    ASSERT_TRUE(edit.Create(&view, 1, false));
    edit.Move(platform::Rect{0, 0, client.right - 16, client.bottom});
    platform::ScrollBarWindow bar;
    ASSERT_TRUE(bar.CreateBar(&view, platform::Rect{client.right - 16, 0, client.right, client.bottom},
                              platform::ScrollBarKind::Vertical));
    edit.UseScrollBars(nullptr, &bar);
    std::string text;
    for (int i = 0; i < 200; ++i) text += "R" + std::to_string(i) + " 1 0 1k\r\n";
    edit.SetText(text);
    platform::automation::SendScroll(bar, platform::ScrollBarKind::Vertical, platform::ScrollCode::PageDown);
    EXPECT_EQ(edit.GetFirstVisibleLine(), edit.Rows());
    EXPECT_EQ(bar.Pos(), edit.Rows());
    frame.Destroy();
}

TEST_F(Editor, LongLinesScrollSoTheCaretStaysTenCellsFromTheEdge) {
    std::string line(500, 'x');
    edit.SetText("short\r\n" + line + "\r\nend");
    EXPECT_EQ(edit.LongestLine(), 502);  // characters of the longest line plus 2
    int columns = edit.Columns();
    edit.SetSel(edit.LineIndex(1), edit.LineIndex(1));
    Key(key::kEnd);
    EXPECT_EQ(edit.Caret(), edit.LineIndex(1) + 500);
    // Ten cells from the edge, as far as the longest line lets the view go.
    EXPECT_EQ(edit.HorizontalOffset(), std::min(500 - columns + 10, 502 - columns));
    Key(key::kHome);
    EXPECT_EQ(edit.HorizontalOffset(), 0);
    // Typing at the end of the long line keeps the caret in view.
    Key(key::kEnd);
    Type("yy");
    EXPECT_EQ(edit.LongestLine(), 505);  // typing counts the line's CR as well
    int caretColumn = edit.ColumnOf(edit.Caret()) - edit.HorizontalOffset();
    EXPECT_GE(caretColumn, 0);
    EXPECT_LT(caretColumn, columns);
}
