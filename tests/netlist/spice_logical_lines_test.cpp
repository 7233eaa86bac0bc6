#include "netlist/spice_logical_lines.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace ob7;

namespace {

struct Line {
    std::string text;
    size_t position;
    int line;
};

std::vector<Line> ReadAll(const std::string& text) {
    SpiceLogicalLines lines(text);
    std::vector<Line> out;
    Line l;
    while (lines.Next(l.text, &l.position, &l.line)) out.push_back(l);
    return out;
}

TEST(SpiceLogicalLines, ContinuationsCommentsAndLineEnds) {
    // The same text with LF and with CR LF line ends gives the same lines.
    const std::string lf =
        "* title comment\n"
        ".model d1 d (is=1n ; a comment\n"
        "* a comment line inside\n"
        "\n"
        "  + rs=2)\n"
        "R1 1 2 1k\n"
        ".ends\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& text : {lf, crlf}) {
        const std::vector<Line> lines = ReadAll(text);
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0].text, "");
        EXPECT_EQ(lines[1].line, 1);
        EXPECT_EQ(lines[1].text.substr(0, 18), ".MODEL D1 D (IS=1N");
        EXPECT_NE(lines[1].text.find("RS=2)"), std::string::npos);
        EXPECT_EQ(lines[1].text.find_first_of(";*+"), std::string::npos);
        EXPECT_EQ(lines[2].text, "R1 1 2 1K");
        EXPECT_EQ(lines[2].line, 5);
        EXPECT_EQ(text.compare(lines[2].position, 2, "R1"), 0);
        EXPECT_EQ(lines[3].text, ".ENDS");
    }
}

TEST(SpiceLogicalLines, ReadsALongStatementAtAFilePosition) {
    std::string text = "* library\n.MODEL BIG D (IS=1N";
    for (int i = 0; i < 2000; ++i) text += "\n+ RS=" + std::to_string(i);
    text += ")\n.MODEL NEXT D\n";
    const auto path = std::filesystem::temp_directory_path() / ("ob7_lines_" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary) << text;
    std::string line;
    ASSERT_EQ(ReadLogicalLineAt(path.string(), text.find(".MODEL BIG"), line), 0);
    EXPECT_EQ(line.substr(0, 14), ".MODEL BIG D (");
    EXPECT_NE(line.find("RS=1999)"), std::string::npos);
    EXPECT_EQ(line.find("NEXT"), std::string::npos);
    std::filesystem::remove(path);
    EXPECT_NE(ReadLogicalLineAt(path.string(), 0, line), 0);
}

}  // namespace
