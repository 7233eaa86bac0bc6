#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/memory.h"
#include "foundation/owned_strings.h"
#include "foundation/pool_list.h"
#include "foundation/text_functions.h"

using namespace ob7;

TEST(OwnedStrings, EmptyTextsShareEmptyString) {
    char* slot = nullptr;
    EXPECT_EQ(StrAssign(&slot, ""), EmptyString);
    EXPECT_EQ(MemSize(EmptyString), 2u);
    StrFree(&slot);
    EXPECT_EQ(slot, nullptr);
    StrFree(&slot);  // freeing twice through the slot is harmless
    EXPECT_EQ(StrAssign(&slot, EmptyString), EmptyString);
    StrAssign(&slot, "abc");
    EXPECT_STREQ(slot, "abc");
    EXPECT_NE(slot, EmptyString);
    StrSetEmpty(&slot);
    EXPECT_EQ(slot, EmptyString);
}

TEST(OwnedStrings, GrowingFromNullAndEmpty) {
    char* slot = nullptr;
    EXPECT_STREQ(StrAppend(&slot, "ab"), "ab");
    StrAppendCharGrow(&slot, 'c');
    StrInsertAt(&slot, 1, "XY");
    EXPECT_STREQ(slot, "aXYbc");
    StrInsertAt(&slot, 99, "!");  // past the end: appended
    EXPECT_STREQ(slot, "aXYbc!");
    StrAppend(&slot, slot + 1);  // a part of itself
    EXPECT_STREQ(slot, "aXYbc!XYbc!");
    StrFree(&slot);

    StrInitEmpty(&slot);
    char* reserved = StrReserve(&slot, 5);
    ASSERT_NE(reserved, EmptyString);
    EXPECT_STREQ(reserved, "");
    EXPECT_GE(MemSize(reserved), 6u);
    StrFree(&slot);

    char* dup = StrDupN("abcdef", 3);
    EXPECT_STREQ(dup, "abc");
    StrFree(&dup);
    dup = StrDupN("abc", -4);
    EXPECT_STREQ(dup, "");
    StrFree(&dup);
}

TEST(OwnedStrings, FormatUsesTheStackBelow1000AndAnExactBlockAbove) {
    char* slot = nullptr;
    StrFormat(&slot, "%s", "");
    EXPECT_EQ(slot, EmptyString);
    StrFormat(&slot, "%0999d", 7);
    EXPECT_EQ(std::strlen(slot), 999u);
    StrFormat(&slot, "%01000d", 7);
    EXPECT_EQ(std::strlen(slot), 1000u);
    EXPECT_EQ(slot[999], '7');
    StrAppendFormat(&slot, "-%d", 42);
    EXPECT_EQ(std::string(slot).substr(1000), "-42");
    StrFree(&slot);
    StrAppendFormat(&slot, "%s=%d", "n", 5);
    EXPECT_STREQ(slot, "n=5");
    StrFree(&slot);

    char buffer[2000];
    StrFormatInto(buffer, "%s", std::string(1500, 'x').c_str());
    EXPECT_EQ(std::strlen(buffer), 1369u);
}

TEST(SmallStrings, ShortTextsStayInline) {
    SmallString8 s{};
    s.Assign("1234567");
    EXPECT_EQ(s.text, s.inlineText);
    s.Assign("12345678");
    EXPECT_NE(s.text, s.inlineText);
    EXPECT_STREQ(s.text, "12345678");
    s.Assign("ab");  // the heap copy is freed
    EXPECT_EQ(s.text, s.inlineText);
    EXPECT_STREQ(s.Text(), "ab");
    s.Format("%s-%d", "R", 12345678);
    EXPECT_STREQ(s.text, "R-12345678");
    s.Format("%s", std::string(80, 'z').c_str());
    EXPECT_EQ(std::strlen(s.text), 80u);
    s.Assign(nullptr);
    EXPECT_EQ(s.text, nullptr);
    EXPECT_STREQ(s.Text(), "");

    SmallString12 t{};
    t.Assign("12345678901");
    EXPECT_EQ(t.text, t.inlineText);
    t.Assign("123456789012");
    EXPECT_NE(t.text, t.inlineText);
    t.Clear();
    EXPECT_EQ(t.text, nullptr);
}

TEST(TextFunctions, InPlaceEdits) {
    struct Case { char* (*fn)(char*); const char* in; const char* out; };
    const Case cases[] = {
        {StrTrimBoth, " \t ab c \n", "ab c"}, {StrTrimRightWhite, " ab\t\r\n", " ab"},
        {StrTrimRight, " ab \t ", " ab \t"},  {StrTrimLeft, "  ab ", "ab "},
        {StrTrim, "  a b  ", "a b"},          {StrRemoveBlanks, " a\tb c\n", "abc"},
        {StrCollapseBlanks, "a   b  c ", "a b c "},
    };
    for (const Case& c : cases) {
        char text[32];
        std::strcpy(text, c.in);
        EXPECT_STREQ(c.fn(text), c.out) << c.in;
    }
    char text[32] = "ABCDEF";
    EXPECT_STREQ(StrPadRight(text, 3), "ABC");
    EXPECT_STREQ(StrPadRight(text, 5), "ABC  ");
    std::strcpy(text, "a,b,c");
    EXPECT_STREQ(StrReplaceChar(text, ',', ';'), "a;b;c");
    EXPECT_STREQ(StrRemoveChar(text, ';'), "abc");
    std::strcpy(text, "key=value");
    EXPECT_STREQ(StrSplitAt(text, '='), "value");
    EXPECT_STREQ(text, "key");
    EXPECT_EQ(StrSplitAt(text, '='), nullptr);

    char out[32];
    EXPECT_STREQ(StrUpperCopy(out, "aBc1"), "ABC1");
    EXPECT_STREQ(StrUpperCopy(out, nullptr), "");
    EXPECT_STREQ(StrCopyN(out, "abcdef", 4), "abc");
    EXPECT_STREQ(StrCopyUntilBlank(out, "R1 1 2"), "R1");
    EXPECT_STREQ(StrFindNoCase("Hello World", "WORLD"), "World");
    EXPECT_EQ(StrFindNoCase("Hello", "xyz"), nullptr);
    EXPECT_STREQ(StrChrNoCase("abc", 'B'), "bc");
    EXPECT_EQ(StrLenWithoutTrailingDigits("R12"), 1u);
    EXPECT_EQ(StrAllInClass("", 0x800), 1);
    EXPECT_EQ(StrAllInClass("123", 0x800), 1);
    EXPECT_EQ(StrAllInClass("12a", 0x800), 0);

    std::string words;
    StrAddWordOnce(words, "AB", ',');
    StrAddWordOnce(words, "A", ',');
    StrAddWordOnce(words, "AB", ',');
    StrAddWordOnce(words, "B", ',');
    EXPECT_EQ(words, "AB,A,B");
}

TEST(TextFunctions, WildcardMatch) {
    struct Case { const char* pattern; const char* text; int result; };
    const Case cases[] = {{"AB*", "abxyz", 0}, {"AB", "ABC", 0}, {"AB?", "AB", 0}, {"ABC", "AB", 1},
                          {"A?C", "ABD", 1},   {"a?c", "ABC", 0}, {"", "x", 0},  {"A*?", "A", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(WildcardMatchNoCase(c.pattern, c.text), c.result) << c.pattern << " " << c.text;
}

TEST(TextFunctions, NaturalOrder) {
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    EXPECT_EQ(CompareNatural("R2", "R10"), -1);
    EXPECT_EQ(CompareNatural("R10", "r10"), 0);
    EXPECT_GT(CompareNatural("", "R1"), 0);
    EXPECT_EQ(CompareNatural("R", "R1"), 1);
    EXPECT_EQ(sign(CompareNatural("C1", "R1")), -1);
    EXPECT_EQ(CompareNatural("Q2N2222 x", "Q2N2222 y"), 0);  // only up to the first blank
    EXPECT_EQ(CompareNatural("X1A3", "X1A20"), -1);
    // Over-long runs are cut, never overrun.
    const std::string longName = "R" + std::string(500, '9');
    EXPECT_EQ(CompareNatural(longName.c_str(), longName.c_str()), 0);
}

namespace {

struct Entry : PoolNode {
    int value;
};

CPoolList undoLists[3];
int releaserRuns = 0;

void CutAllUndoLists() {
    ++releaserRuns;
    for (CPoolList& list : undoLists)
        CutUndoHistory(list);
}

}  // namespace

TEST(Memory, OneRetryAfterTheUndoHistoriesAreCut) {
    const int sizes[] = {5, 2, 0};
    for (int i = 0; i < 3; ++i) {
        undoLists[i].Init();
        undoLists[i].nodeSize = sizeof(Entry);
        for (int n = 0; n < sizes[i]; ++n)
            undoLists[i].NewNode(1);
    }
    SetMemoryReserveReleaser(CutAllUndoLists);
    releaserRuns = 0;
    // A request no heap can meet fails twice: one release, one retry.
    EXPECT_EQ(MemAlloc(SIZE_MAX / 2), nullptr);
    EXPECT_EQ(releaserRuns, 1);
    EXPECT_EQ(undoLists[0].count, 1);
    EXPECT_EQ(undoLists[0].head, undoLists[0].tail);
    EXPECT_EQ(undoLists[1].count, 0);
    EXPECT_EQ(undoLists[2].count, 0);

    void* block = MemAlloc(16);
    void* kept = block;
    EXPECT_EQ(MemReallocRetry(block, SIZE_MAX / 2), nullptr);
    EXPECT_EQ(releaserRuns, 2);
    std::free(kept);  // the old block stayed valid
    SetMemoryReserveReleaser(nullptr);
    for (CPoolList& list : undoLists)
        list.RemoveAll();
}

TEST(Memory, ReallocZeroFillsGrowthAndKeepsTheSlotOnFailure) {
    void* slot = nullptr;
    ASSERT_NE(MemRealloc(&slot, 4, 0), nullptr);
    std::memset(slot, 0xAB, 4);
    ASSERT_NE(MemRealloc(&slot, 8, 4), nullptr);
    auto* bytes = static_cast<unsigned char*>(slot);
    EXPECT_EQ(bytes[3], 0xAB);
    EXPECT_EQ(bytes[4], 0);
    EXPECT_EQ(bytes[7], 0);
    void* before = slot;
    EXPECT_EQ(MemRealloc(&slot, SIZE_MAX / 2, 8), nullptr);
    EXPECT_EQ(slot, before);
    EXPECT_EQ(MemResize(&slot, SIZE_MAX / 2), nullptr);
    EXPECT_EQ(slot, before);

    void* empty = EmptyString;  // EmptyString gets a fresh zeroed block
    ASSERT_NE(MemRealloc(&empty, 3, 3), nullptr);
    EXPECT_NE(empty, static_cast<void*>(EmptyString));
    StrFree(&empty);

    EXPECT_EQ(ArrayAllocZero(&slot, 4, 0), nullptr);
    EXPECT_EQ(slot, nullptr);
    ASSERT_NE(ArrayAllocZero(&slot, 4, 3), nullptr);
    StrFree(&slot);

    double* values = nullptr;  // typed slots
    ASSERT_NE(ArrayAllocZero(&values, sizeof(double), 2), nullptr);
    values[1] = 2.5;
    ASSERT_NE(MemRealloc(&values, 4 * sizeof(double), 2 * sizeof(double)), nullptr);
    EXPECT_EQ(values[1], 2.5);
    EXPECT_EQ(values[3], 0.0);
    StrFree(&values);
    EXPECT_EQ(values, nullptr);
}

TEST(Memory, TwoDimensionalArrays) {
    int** table = nullptr;
    ASSERT_NE(Alloc2DArray(reinterpret_cast<void***>(&table), sizeof(int), 2, 3), nullptr);
    table[1][2] = 7;
    EXPECT_EQ(table[0][0], 0);
    EXPECT_EQ(table[1] - table[0], 3);  // one block, rows of 3
    EXPECT_EQ(table[0][5], 7);
    Free2DArray(reinterpret_cast<void***>(&table));
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(Alloc2DArray(reinterpret_cast<void***>(&table), sizeof(int), SIZE_MAX / 4, 8), nullptr);
    EXPECT_EQ(table, nullptr);

    double a = 1, b = 2;
    SwapDoubles(&a, &b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
}

TEST(Memory, StringList5) {
    StringList5 list;
    list.Init();
    EXPECT_EQ(list.mode, 1);
    StrAssign(&list.texts[2], "title");
    StrAssign(&list.texts[4], "");
    FreeStringArray5(&list);
    for (char* t : list.texts)
        EXPECT_EQ(t, nullptr);
}
