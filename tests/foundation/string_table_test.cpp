#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "foundation/string_table.h"
#include "foundation/string_table_data.h"

using namespace ob7;

TEST(StringTable, ParsesIdsTabsAndEscapes) {
    int id = 0;
    std::string text;
    const std::string line = "15004\t%WLine one\\nLine\\ttwo \\\\ \\x";
    ASSERT_TRUE(ParseStringTableLine(line.data(), line.size(), &id, &text));
    EXPECT_EQ(id, 15004);
    EXPECT_EQ(text, "%WLine one\nLine\ttwo \\ \\x");
    for (const char* bad : {"# 12\tcomment", "", "12 no tab", "abc\tx", "99999999999\tbig"})
        EXPECT_FALSE(ParseStringTableLine(bad, std::strlen(bad), &id, &text)) << bad;

    std::map<int, std::string> found;
    ForEachStringTableLine("# head\r\n1\tone\r\n\r\n2\ttwo\n3\tthree",
                           [&](int i, const std::string& t) { found[i] = t; });
    EXPECT_EQ(found, (std::map<int, std::string>{{1, "one"}, {2, "two"}, {3, "three"}}));
}

TEST(StringTable, NoIdHasTwoDifferentTexts) {
    struct Owner { std::string file, text; };
    std::map<int, Owner> owners;
    for (int i = 0; i < kStringTableSourceCount; ++i) {
        const char* file = kStringTableSources[i].fileName;
        ForEachStringTableLine(kStringTableSources[i].text, [&](int id, const std::string& text) {
            auto [it, fresh] = owners.emplace(id, Owner{file, text});
            EXPECT_TRUE(fresh || it->second.text == text)
                << "id " << id << " differs in " << file << " and " << it->second.file;
        });
    }
}

TEST(StringTable, LoadsMessagesAsFormats) {
    char buffer[64];
    EXPECT_EQ(LoadResString(buffer, 5356, sizeof buffer), 8);
    EXPECT_STREQ(buffer, "Ombrelic");
    LoadResString(buffer, 15002, sizeof buffer);
    EXPECT_STREQ(buffer, "%EInsufficient memory.");
    LoadMessageText(buffer, 15002, sizeof buffer);
    EXPECT_STREQ(buffer, "#EInsufficient memory.");
    EXPECT_STREQ(LoadMessageTextTemp(15007), "#EError in loading file %s.");
    EXPECT_EQ(LoadResString(buffer, 5356, 6), 5);  // cut to the buffer
    EXPECT_STREQ(buffer, "Ombre");
    EXPECT_EQ(LoadResString(buffer, 987654321, sizeof buffer), -1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(FindResString(987654321), nullptr);
}
