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
