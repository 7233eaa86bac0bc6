#include "circuit/text_print.h"
#include "circuit/circuit_file.h"

#include <gtest/gtest.h>

using namespace ob7;

namespace {

struct Attached : DocumentCompanion {
    explicit Attached(int* alive) : alive_(alive) { ++*alive_; }
    ~Attached() override { --*alive_; }
    int* alive_;
};

}  // namespace

// What a higher layer attaches (the compiler's tables) lives as long as the document,
// through a load into it and a clearing of its content.
TEST(CircuitDocument, CompanionLivesWithTheDocument)
{
    int alive = 0;
    {
        CircuitDocument doc;
        doc.companion = std::make_unique<Attached>(&alive);
        DocumentCompanion* attached = doc.companion.get();
        CircuitFile stream;
        ASSERT_EQ(stream.Parse("[Main]\nFileType=CIR\nVersion=7.00\n[Wire]\nGrids=1,1,2,2\n", doc, kLoadQuiet), 0);
        EXPECT_EQ(doc.companion.get(), attached);
        doc.ClearContent();
        EXPECT_EQ(doc.companion.get(), attached);
        EXPECT_TRUE(doc.objects.empty());
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(CircuitDocument, NodeLabelFlag)
{
    struct Case {
        const char* text;
        bool flag;
        bool names;
    } cases[] = {
        {"OUT", false, true}, {"N_1", false, true}, {"two words", false, false},
        {".TIE R Plus", false, false}, {"VCC", true, false}, {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        GridText t;
        t.text = c.text;
        t.textFlags = c.flag ? GT_FLAG : GT_NODE_NAME;
        UpdateNodeLabelFlag(t);
        EXPECT_EQ((t.textFlags & GT_NODE_NAME) != 0, c.names);
    }
}

TEST(CircuitDocument, TextLines)
{
    const std::string text = "first\r\n\r\nthird";
    TextLines lines(text);
    ASSERT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines.Line(1), "");
    EXPECT_EQ(lines.Line(2), "third");
    EXPECT_EQ(lines.Line(3), "");
    EXPECT_EQ(lines.Start(2), 9u);
    EXPECT_EQ(lines.Start(3), text.size());
    const std::string empty;
    EXPECT_EQ(TextLines(empty).Count(), 0);
    const std::string oneLine = "only\n";
    EXPECT_EQ(TextLines(oneLine).Count(), 1);
}

TEST(CircuitDocument, PrepareAppendLine)
{
    struct Case {
        int kind;
        const char* text;
        int line;
        const char* after;
    } cases[] = {
        {DOC_TEXT, "title\r\nR1 1 0 1k\r\n.END\r\n", 2, "title\r\nR1 1 0 1k\r\n\r\n.END\r\n"},
        {DOC_TEXT, "title\r\n.ENDS\r\nR1 1 0 1k\r\n\r\n.end\r\n", 3, "title\r\n.ENDS\r\nR1 1 0 1k\r\n\r\n.end\r\n"},
        {DOC_TEXT, "title\r\nR1 1 0 1k", 2, "title\r\nR1 1 0 1k\r\n"},
        {DOC_SCHEMATIC, ".MODEL X D\r\n.END\r\n", 2, ".MODEL X D\r\n.END\r\n\r\n"},
        {DOC_SCHEMATIC, "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CircuitDocument doc;
        doc.kind = c.kind;
        doc.text = c.text;
        EXPECT_EQ(PrepareAppendLine(doc), c.line);
        EXPECT_EQ(doc.text, c.after);
    }
}

// The page layout of printed texts: header and footer lines, lines per page and pages
// (a text that fills n pages exactly takes n, one line more n + 1), comment parts, tabs
// and the aligned parts of header lines.
TEST(TextPrint, PageLayout)
{
    EXPECT_EQ(PrintTextLineCount(""), 0);
    EXPECT_EQ(PrintTextLineCount("$<$name"), 1);
    EXPECT_EQ(PrintTextLineCount("a\\nb\\nc"), 3);
    EXPECT_EQ(LinesPerTextPage(1000, 20, 1, 2), 47);
    EXPECT_EQ(LinesPerTextPage(10, 20, 1, 0), 1);
    EXPECT_EQ(TextPageCount(94, 47), 2);
    EXPECT_EQ(TextPageCount(95, 47), 3);
    EXPECT_EQ(TextPageCount(0, 47), 0);

    EXPECT_EQ(PrintCommentStart("R1 1 0 1k ; load"), 10u);
    EXPECT_EQ(PrintCommentStart("  * a comment; with a semicolon"), 2u);
    EXPECT_EQ(PrintCommentStart("R1 1 0 1k*2"), std::string::npos);
    EXPECT_EQ(ExpandTabsForPrint("a\tb"), "a  b");

    auto lines = SplitPrintHeader("$<left$|centre$>right\\nsecond");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].left, "left");
    EXPECT_EQ(lines[0].centre, "centre");
    EXPECT_EQ(lines[0].right, "right");
    EXPECT_EQ(lines[1].left, "second");
    EXPECT_TRUE(SplitPrintHeader("").empty());
}
