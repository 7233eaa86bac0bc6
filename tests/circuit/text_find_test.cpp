#include "circuit/active_circuit.h"
#include "circuit/text_find.h"
#include "report_capture.h"

#include <gtest/gtest.h>

using namespace ob7;

TEST(TextFind, WholeWordMatches)
{
    struct Case {
        const char* text;
        size_t from;
        size_t found;
    } cases[] = {
        {"R10 XR1 r1", 0, 8},           // not inside R10 or XR1; case ignored
        {"XR1 R1", 1, 4},               // a scan that begins between X and R still sees the X
        {"R1", 0, 0},                   // the start and the end of the text count as word ends
        {"R1_A R1", 0, 5},              // '_' belongs to a word
        {"(R1)", 0, 1},
        {"R10", 0, std::string::npos},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FindTextMatch(c.text, c.from, "R1", true), c.found);
    }
    EXPECT_EQ(FindTextMatch("R10", 0, "r1", false), 0u);
}

TEST(TextFind, FindNextWrapsAround)
{
    std::string text = "R1 a b 1k\nR2 b 0 2k\n";
    TextSelection sel{text.size(), text.size()};  // caret at the end
    EXPECT_EQ(FindNextInText(text, sel, "r1", nullptr, false, false), kFindFound);
    EXPECT_EQ(sel.start, 0u);
    EXPECT_EQ(sel.end, 2u);
    EXPECT_EQ(FindNextInText(text, sel, "b", nullptr, true, false), kFindFound);
    EXPECT_EQ(sel.start, 5u);
    EXPECT_EQ(FindNextInText(text, sel, "b", nullptr, true, false), kFindFound);
    EXPECT_EQ(sel.start, 13u);

    ReportCapture capture;
    EXPECT_EQ(FindNextInText(text, sel, "R9", nullptr, false, true), kFindNotFound);
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.Last().id, 15049);
}

// Replace with a selection that is not a match only selects the next match; the second
// Replace replaces it and selects the one after.
TEST(TextFind, ReplaceStepByStep)
{
    std::string text = "one two one two";
    const std::string replacement = "three";
    TextSelection sel{0, 3};  // "one" selected, searching for "two"
    EXPECT_EQ(FindNextInText(text, sel, "two", &replacement, false, false), kFindFound);
    EXPECT_EQ(text, "one two one two");
    EXPECT_EQ(sel.start, 4u);
    EXPECT_EQ(FindNextInText(text, sel, "two", &replacement, false, false), kFindFound);
    EXPECT_EQ(text, "one three one two");
    EXPECT_EQ(sel.start, 14u);
    EXPECT_EQ(sel.end, 17u);
}

TEST(TextFind, ReplaceAll)
{
    struct Case {
        const char* text;
        const char* search;
        const char* replacement;
        bool wholeWord;
        const char* result;
        int count;
    } cases[] = {
        {"aaa", "a", "aa", false, "aaaaaa", 3},
        {"R1 R10 XR1", "R1", "RX", true, "RX R10 XR1", 1},
        {"abc", "x", "y", false, "abc", 0},
        {"aaaa", "aa", "b", false, "bb", 2},  // matches do not overlap
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        EXPECT_EQ(ReplaceAllInText(text, c.search, c.replacement, c.wholeWord), c.count);
        EXPECT_EQ(text, c.result);
    }
    EXPECT_EQ(ReplaceAllStatusText(3), "3 occurrences changed.");
    EXPECT_EQ(ReplaceAllStatusText(0), "0 occurrences changed.");
}

// A compile error naming a continuation line selects the whole statement.
TEST(TextFind, SelectLogicalLine)
{
    const std::string text = "title\r\nR1 a b\r\n+ 1k\r\n* note\r\n+ TC=1\r\nC1 b 0 1u\r\n";
    struct Case {
        int line;
        const char* selected;
    } cases[] = {
        {2, "R1 a b\r\n+ 1k\r\n* note\r\n+ TC=1"},
        {1, "R1 a b\r\n+ 1k\r\n* note\r\n+ TC=1"},
        {5, "C1 b 0 1u"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TextSelection s = SelectLogicalLine(text, c.line);
        EXPECT_EQ(text.substr(s.start, s.end - s.start), c.selected);
    }
}

TEST(ActiveCircuit, AnalysisFileNames)
{
    EXPECT_EQ(BuildAnalysisFileName("/work/amp.cir", 1, "NO", false), "/work/amp.ANO");
    EXPECT_EQ(BuildAnalysisFileName("/work/amp.cir", 1, "NO", true), "/work/amp_cir.ANO");
    EXPECT_EQ(BuildAnalysisFileName("/work/amp.cir", 0, "SA", false), "/work/amp.TSA");
    EXPECT_EQ(BuildAnalysisFileName("/w.d/amp", 2, "NO", false), "/w.d/amp.DNO");
    CircuitDocument doc;
    MakeActiveCircuit(doc);
    EXPECT_EQ(ActiveCircuit, &doc);
    ClearActiveCircuit();
    EXPECT_EQ(ActiveCircuit, nullptr);
}

TEST(TextFind, SearchTextsAndHistories)
{
    const std::string text = "R1 a b " + std::string(300, 'x');
    TakeSelectionAsSearchText(text, {3, 4});
    EXPECT_EQ(TextSearch.search, "a");
    TakeSelectionAsSearchText(text, {0, text.size()});
    EXPECT_EQ(TextSearch.search.size(), 255u);
    TakeSelectionAsSearchText(text, {5, 5});  // an empty selection keeps the text
    EXPECT_EQ(TextSearch.search.size(), 255u);

    SearchHistory.Init(10, "SEARCHTEXT_", nullptr, true);
    const std::string one = "one", two = "two";
    RememberSearchTexts("R1", &one);
    RememberSearchTexts("C1", &two);
    RememberSearchTexts("r1", nullptr);
    EXPECT_EQ(SearchHistory.Name(0), "r1");  // an entry of the same name moves up
    EXPECT_EQ(SearchHistory.Name(1), "C1");
    EXPECT_EQ(ReplaceHistory.Name(0), "two");
    EXPECT_EQ(TextSearch.replacement, "two");
}

TEST(CircuitDocument, ZoomTextFont)
{
    struct Case {
        int16_t height;
        int command;
        int16_t result;
        bool changed;
    } cases[] = {
        {10, kCommandZoomIn, 11, true},   {10, kCommandZoomOut, 9, true},   {2, kCommandZoomOut, 2, false},
        {72, kCommandZoomIn, 72, false},  {-12, kCommandZoomIn, -13, true}, {-3, kCommandZoomOut, -2, true},
    };
    for (const Case& c : cases) {
        FontRecord f;
        f.height = c.height;
        EXPECT_EQ(ZoomTextFont(f, c.command), c.changed) << c.height;
        EXPECT_EQ(f.height, c.result) << c.height;
    }
}
