#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/char_classes.h"
#include "foundation/tokenizer.h"

using namespace ob7;

TEST(CharClasses, TableAndMaps) {
    EXPECT_EQ(CharClassTable[0], kCcTokenEnd | kCcListDelim | kCcListDelimSpace | kCcExprDelim | kCcEnd);
    EXPECT_EQ(CharClassTable[' '], kCcTokenEnd | kCcFieldSep | kCcListDelimSpace | kCcWhite | kCcPrintable |
                                       kCcExprDelim | kCcSpace);
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(CharClassTable[c] & kCcUnused, 0u) << c;
        if (c >= 128) {
            EXPECT_EQ(CharClassTable[c], 0u) << c;
            EXPECT_EQ(UpperCaseMap[c], c);
            EXPECT_EQ(LowerCaseMap[c], c);
        }
    }
    EXPECT_FALSE(HasClass('Z', kCcState));
    EXPECT_TRUE(HasClass('X', kCcState));
    EXPECT_TRUE(HasClass('7', kCcOctalDigit | kCcHexDigit | kCcDigit));
    EXPECT_FALSE(HasClass('8', kCcOctalDigit));
    EXPECT_TRUE(HasClass('f', kCcHexDigit));
    EXPECT_TRUE(HasClass('.', kCcNameDot));
    EXPECT_TRUE(HasClass('$', kCcNameChar));
    EXPECT_FALSE(HasClass('$', kCcIdentChar));
    EXPECT_TRUE(HasClass('e', kCcNumberChar));
    EXPECT_TRUE(HasClass('\'', kCcExprDelim));
    EXPECT_EQ(ToUpperMap('q'), 'Q');
    EXPECT_EQ(ToLowerMap('Q'), 'q');
    EXPECT_EQ(ToUpperMap('1'), '1');
    BuildCharClasses();  // rebuilding gives the same table
    EXPECT_EQ(CharClassTable['{'], kCcFieldSep | kCcPrintable | kCcOpenBrace);
}

TEST(Scanning, SkipAndCopyRuns) {
    EXPECT_STREQ(SkipCharClass("  \tab", kCcWhite), "ab");
    char out[8];
    EXPECT_STREQ(CopyCharClass(out, "abc123+x", kCcIdentChar, sizeof out), "+x");
    EXPECT_STREQ(out, "abc123");
    EXPECT_STREQ(CopyCharClass(out, "abcdefghijk", kCcIdentChar, 4), "defghijk");
    EXPECT_STREQ(out, "abc");
    EXPECT_STREQ(CopyCharClass(out, "abc", kCcIdentChar, 0), "abc");
    const char* cursor = " \n x";
    StrCursor::SkipBlanks(&cursor);
    EXPECT_STREQ(cursor, "x");
}

TEST(NextToken, KeepsBraceGroupsWhole) {
    char text[] = "A {B C} D";
    std::vector<std::string> tokens;
    for (char* t = NextToken(text, kCcSpace | kCcOpenBrace); t; t = NextToken(nullptr, kCcSpace | kCcOpenBrace))
        tokens.push_back(t);
    EXPECT_EQ(tokens, (std::vector<std::string>{"A", "{B C}", "D"}));

    char nested[] = ",,x{a,{b,c}},y{unclosed, z";
    tokens.clear();
    for (char* t = NextToken(nested, kCcComma | kCcOpenBrace); t; t = NextToken(nullptr, kCcComma | kCcOpenBrace))
        tokens.push_back(t);
    EXPECT_EQ(tokens, (std::vector<std::string>{"x{a,{b,c}}", "y{unclosed, z"}));
    EXPECT_EQ(NextToken(nullptr, kCcComma), nullptr);

    char plain[] = "a {b";
    EXPECT_STREQ(NextToken(plain, kCcSpace), "a");
    EXPECT_STREQ(NextToken(nullptr, kCcSpace), "{b");
    EXPECT_STREQ(*SkipBraceGroup("{a{b}c}d") == '}' ? "ok" : "no", "ok");
}

namespace {

std::vector<std::string> Fields(const char* line, int flags = 0) {
    CStrArray array{};
    EXPECT_EQ(array.Reset(), 0);
    EXPECT_EQ(array.Split(line, flags), 0);
    std::vector<std::string> fields;
    for (int i = 0; i < array.FieldCount(); ++i)
        fields.push_back(array.Field(i));
    array.Free();
    return fields;
}

using V = std::vector<std::string>;

}  // namespace

TEST(Split, NetlistLines) {
    EXPECT_EQ(Fields("R1 1 2 4.7K"), (V{"R1", "1", "2", "4.7K"}));
    EXPECT_EQ(Fields("C1 A B 10uF ; comment"), (V{"C1", "A", "B", "10uF"}));
    EXPECT_EQ(Fields("* a comment line"), V{});
    EXPECT_EQ(Fields(""), V{});
    EXPECT_EQ(Fields("V(OUT)>=2"), (V{"V", "(", "OUT", ")", ">", "=", "2"}));
    EXPECT_EQ(Fields("IMPORT(file.txt,V(1))"), (V{"IMPORT", "(", "file.txt", ",", "V(1)", ")"}));
    EXPECT_EQ(Fields("import (a.txt, V(1)*2) x"), (V{"import", "(", "a.txt", ",", " V(1)*2", ")", "x"}));
    EXPECT_EQ(Fields("IMPORT(nocomma) x"), (V{"IMPORT", "(", "nocomma", ")", "x"}));
    EXPECT_EQ(Fields("X \"a quoted text\" y"), (V{"X", "\"a quoted text\"", "y"}));
    EXPECT_EQ(Fields("1.5e-3V 2E+2 .5u $G_1 x.y:z"), (V{"1.5e-3V", "2E+2", ".5u", "$G_1", "x.y:z"}));
    EXPECT_EQ(Fields("#pin 'quote ?q:r a:b:c"), (V{"#pin", "'quote", "?q:", "r", "a:b:c"}));
}

TEST(Split, NameModeAndCommentSkipping) {
    EXPECT_EQ(Fields("X1 a-b/c*d 10K", CStrArray::kNameMode), (V{"X1", "a-b/c*d", "10K"}));
    EXPECT_EQ(Fields("U1 n1:n2 x", CStrArray::kNameMode), (V{"U1", "n1:", "n2", "x"}));
    EXPECT_EQ(Fields("R1 1 ; note\n* skipped\n+ 2 3K\n", CStrArray::kSkipComments),
              (V{"R1", "1", "2", "3K"}));
}

TEST(Split, ALineLongerThanAnyBuffer) {
    std::string line;
    for (int i = 0; i < 5000; ++i)
        line += "N" + std::to_string(i) + " ";
    line += std::string(100000, 'x');
    CStrArray array{};
    ASSERT_EQ(TokenizeLine(&array, line.c_str(), 0), 0);
    ASSERT_EQ(array.FieldCount(), 5001);
    EXPECT_STREQ(array.Field(4999), "N4999");
    EXPECT_EQ(std::strlen(array.Field(5000)), 100000u);
    EXPECT_STREQ(array.Field(5001), "");
    array.TrimBuffers();
    EXPECT_GE(LargestFieldBuffer, 100001);
    // Buffers are reused for the next line.
    ASSERT_EQ(TokenizeLine(&array, "a b", 0), 0);
    EXPECT_EQ(array.FieldCount(), 2);
    array.Free();
    EXPECT_EQ(array.count, 0);
}

TEST(Split, FieldEditing) {
    CStrArray array{};
    ASSERT_EQ(TokenizeLine(&array, "R1 1 2 10", 0), 0);
    EXPECT_EQ(array.IsNumberField(1), 1);
    EXPECT_EQ(array.IsNumberField(0), 0);
    EXPECT_EQ(array.IsNumberField(4), 0);  // the empty terminator
    ASSERT_EQ(array.InsertField(1, "X"), 0);
    ASSERT_EQ(array.InsertField(99, "END"), 0);  // beyond: appended
    EXPECT_EQ(array.FieldCount(), 6);
    EXPECT_STREQ(array.Field(1), "X");
    EXPECT_STREQ(array.Field(5), "END");
    array.RemoveField(0);
    array.RemoveField(4);
    EXPECT_EQ(array.FieldCount(), 4);
    EXPECT_STREQ(array.Field(0), "X");
    EXPECT_STREQ(array.Field(3), "10");

    CStrBuf buffer{};
    EXPECT_STREQ(buffer.Set("abc"), "abc");
    EXPECT_STREQ(buffer.Append("def"), "abcdef");
    EXPECT_STREQ(buffer.SetN("xyz", 2), "xy");
    EXPECT_STREQ(buffer.SetN(nullptr, 5), "");
    EXPECT_STREQ(buffer.SetN(buffer.data, 1), "");
    delete[] buffer.data;
    array.Free();
}
