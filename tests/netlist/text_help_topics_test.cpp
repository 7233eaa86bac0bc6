// The help topics of text pages: the file format, and a topic in the shipped file for
// every dot command that has a help context.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "netlist/netlist_reader.h"
#include "netlist/text_help_topics.h"
#include "shipped_data.h"

using namespace ob7;

TEST(TextHelpTopics, HeadersTitlesAndTexts) {
    const TextHelpTopics t = ParseTextHelpTopics(
        "# comment before the topics\n@7006 .TRAN: transient\r\nfirst line\r\n\r\nsecond\n\n\n"
        "@12x not a header\n@ 5 neither\n@9999999 too large\n@6002\n@7 \n");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t.at(7006).title, ".TRAN: transient");
    // Malformed headers are text of the topic before them.
    EXPECT_EQ(t.at(7006).text, "first line\n\nsecond\n\n\n@12x not a header\n@ 5 neither\n@9999999 too large");
    EXPECT_EQ(t.at(6002).title, "");
    EXPECT_EQ(t.at(6002).text, "");
    EXPECT_EQ(t.at(7).title, "");
    EXPECT_TRUE(ParseTextHelpTopics("no topic at all\n").empty());
}

TEST(TextHelpTopics, ShippedFileHasEveryDotCommand) {
    std::ifstream file(ShippedDataDir() + "/TextHelp.txt", std::ios::binary);
    ASSERT_TRUE(file) << ShippedDataDir();
    std::ostringstream text;
    text << file.rdbuf();
    const TextHelpTopics t = ParseTextHelpTopics(text.str());
    for (int i = 0; i < kDotCommandCount; ++i) {
        const DotCommandInfo* d = DotCommandAt(i);
        if (!d->code) continue;
        ASSERT_TRUE(t.count(d->code)) << d->name;
        EXPECT_NE(t.at(d->code).title.find(d->name), std::string::npos) << d->name;
        EXPECT_FALSE(t.at(d->code).text.empty()) << d->name;
    }
    // The device letters: the first component type of each letter.
    for (int context : {6001, 6002, 6003, 6004, 6005, 6006, 6008, 6010, 6011, 6015, 6016, 6019, 6024, 6026,
                        6027, 6028, 6029, 6048, 6054, 6055, 6115, 6116})
        EXPECT_TRUE(t.count(context)) << context;
}
