// Logical netlist lines: continuations, comments, ';' tails, CR LF and LF, raw reads,
// trailing comments kept for the next line, and include argument names.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netlist/netlist_line_source.h"

using namespace ob7;

namespace {

std::vector<std::string> Lines(const std::string& text, int flags = 0, std::vector<int>* starts = nullptr) {
    NetlistLineSource src;
    src.OpenOnText(text, "t.cir");
    std::vector<std::string> out;
    std::string line;
    while (src.HasMore()) {
        if (ReadLogicalLine(src, line, flags) == 15007) break;
        out.push_back(line);
        if (starts) starts->push_back(src.logicalStart);
    }
    return out;
}

struct LineCase {
    const char* text;
    std::vector<std::string> lines;
};

TEST(NetlistLineSource, LogicalLines) {
    const LineCase cases[] = {
        // A '+' line continues the card; the line end and '+' become blanks.
        {"R1 1 2\n+ 10K\n", {"R1 1 2   10K"}},
        // A comment line between a card and its continuation is absorbed.
        {"R1 1 2\n* note\n+ 10K\nC1 2 0 1N\n", {"R1 1 2          10K", "C1 2 0 1N"}},
        // A ';' tail is dropped.
        {"C1 2 0 1N ; load\n", {"C1 2 0 1N"}},
        // CR LF and LF read alike; lower case becomes upper case.
        {"v1 a 0 dc 1\r\nr1 a 0 1k\r\n", {"V1 A 0 DC 1", "R1 A 0 1K"}},
        // Comment lines at the top come back as empty lines.
        {"* title comment\nR1 1 0 1\n", {"", "R1 1 0 1"}},
        // A text that ends inside a continuation still delivers the joined line.
        {"R1 1 2\n+ 5", {"R1 1 2   5"}},
        // A '*' inside a value is a product, not a comment.
        {"B1 1 0 V={2*V(3)}\n", {"B1 1 0 V={2*V(3)}"}},
        // Leading blanks and tabs go; inner runs stay.
        {"  \tR1  1 2\t3\n", {"R1  1 2 3"}},
    };
    for (const LineCase& c : cases) EXPECT_EQ(Lines(c.text), c.lines) << c.text;
}

TEST(NetlistLineSource, RawReadKeepsCaseAndSemicolons) {
    EXPECT_EQ(Lines("r1 a 0 1k ; x\n", kLineRaw), std::vector<std::string>{"r1 a 0 1k ; x"});
    KeepNetlistComments = true;
    EXPECT_EQ(Lines("* keep\nr1 a 0 1\n", kLineRaw), (std::vector<std::string>{"* keep", "r1 a 0 1"}));
    KeepNetlistComments = false;
}

TEST(NetlistLineSource, TrailingCommentsStartTheNextLine) {
    std::vector<int> starts;
    const auto lines = Lines("R1 1 0 1\n* a\n* b\nR2 1 0 2\n", kLineNoTrailingComments, &starts);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "R1 1 0 1");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "R2 1 0 2");
    EXPECT_EQ(starts, (std::vector<int>{0, 1, 3}));
}

TEST(NetlistLineSource, LineStartsCountPhysicalLines) {
    std::vector<int> starts;
    Lines("T\nR1 1 2\n+ 3\nR2 1 0 1\n", 0, &starts);
    EXPECT_EQ(starts, (std::vector<int>{0, 1, 3}));
}

TEST(NetlistLineSource, RawLinesAndFields) {
    const std::string text = "a,b , c\r\nd\ne \r";
    NetlistLineSource src;
    src.OpenOnText(text, "t");
    std::vector<std::string> fields;
    std::vector<int> lines;
    std::string out;
    while (ReadRawLine(src, out, true) == 0) {
        fields.push_back(out);
        lines.push_back(src.line);
    }
    EXPECT_EQ(fields, (std::vector<std::string>{"a", "b", " c", "d", "e"}));
    // Fields that end at a ',' do not count a line.
    EXPECT_EQ(lines, (std::vector<int>{0, 0, 1, 2, 3}));
    src.OpenOnText(text, "t");
    ASSERT_EQ(ReadRawLine(src, out, false), 0);
    EXPECT_EQ(out, "a,b , c");
}

TEST(NetlistLineSource, IncludeFileNames) {
    struct Case {
        const char* line;
        int code;
        const char* name;
    } cases[] = {
        {".INC models.lib", 0, "models.lib"},
        {".INCLUDE  \"my file.lib\" ", 0, "my file.lib"},
        {".LIB", 0, ""},
        {".INC \"open.lib", 15047, ""},
        {".INC open.lib\"", 15047, ""},
    };
    for (const Case& c : cases) {
        std::string name;
        EXPECT_EQ(ParseIncludeFileName(name, c.line), c.code) << c.line;
        if (!c.code) {
            EXPECT_EQ(name, c.name) << c.line;
        }
    }
}

}  // namespace
