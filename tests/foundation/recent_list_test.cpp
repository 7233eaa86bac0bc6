#include "foundation/recent_list.h"

#include "foundation/profile.h"
#include "foundation/temp_folder.h"
#include "foundation/time_stamp.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <ctime>

using namespace ob7;

namespace {
std::vector<std::string> Names(const CRecentList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.Name(i));
    return names;
}
using Names_ = std::vector<std::string>;
}  // namespace

TEST(RecentList, OrderMoveToTopAndDrop) {
    CRecentList list(8, "FILE_");
    list.AddToTop("A");
    list.AddToTop("B");
    list.AddToTop("C");
    EXPECT_EQ(Names(list), (Names_{"C", "B", "A", "", "", "", "", ""}));
    list.AddToTop("b");  // same name in another case moves to the top
    EXPECT_EQ(Names(list), (Names_{"b", "C", "A", "", "", "", "", ""}));
    for (const char* n : {"D", "E", "F", "G", "H"}) list.AddToTop(n);
    list.AddToTop("I");  // the ninth distinct name drops the oldest
    EXPECT_EQ(Names(list), (Names_{"I", "H", "G", "F", "E", "D", "b", "C"}));
}

TEST(RecentList, SixteenEntriesAtMost) {
    CRecentList list(40, "SEARCH_");
    EXPECT_EQ(list.Count(), 16);
    for (int i = 0; i < 20; ++i) list.AddToTop(std::to_string(i).c_str());
    EXPECT_EQ(list.Name(0), "19");
    EXPECT_EQ(list.Name(15), "4");
    list.SetSize(0);  // ignored
    EXPECT_EQ(list.Count(), 16);
    list.SetSize(3);
    EXPECT_EQ(Names(list), (Names_{"19", "18", "17"}));
}

TEST(RecentList, ProfileRoundTrip) {
    TempFolder dir;
    std::string path = dir / "ombr.dat";
    CRecentList out(10, "SEARCH_", "TYPE_", false);
    out.AddToTop("first", 'P');
    out.AddToTop("second", 0);
    {
        Profile p;
        ASSERT_EQ(p.OpenWrite(path.c_str()), 0);
        p.WriteSection("Find");
        EXPECT_EQ(out.Serialize(p), 0);
        p.WriteSection("Next");
        ASSERT_EQ(p.Close(), 0);
    }
    EXPECT_EQ(TempFolder::Read(path), "[Find]\nMax=10\nSEARCH_1=second\nSEARCH_2=first\nTYPE_2=P\n\n[Next]\n");

    Profile p;
    ASSERT_EQ(p.OpenRead(path.c_str()), 0);
    std::string entry;
    p.NextEntry(entry);
    CRecentList in(3, "SEARCH_", "TYPE_", false);
    EXPECT_EQ(in.Serialize(p), 0);
    EXPECT_EQ(p.section, "[Next]");
    EXPECT_EQ(in.Count(), 10);
    EXPECT_EQ(in.Name(1), "first");
    EXPECT_EQ(in.Flag(1), 'P');
    EXPECT_EQ(in.Flag(0), 0);
}

TEST(RecentList, ReadingGrowsToTheHighestIndex) {
    TempFolder dir;
    std::string path = dir.Write("p.dat", "[Files]\nMax=4\nFILE_6=x\nFILE_0=ignored\nFILE_17=ignored\nOTHER=1\n");
    Profile p;
    ASSERT_EQ(p.OpenRead(path.c_str()), 0);
    std::string entry;
    p.NextEntry(entry);
    CRecentList list(8, "FILE_");
    list.Serialize(p);
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(list.Name(5), "x");
    EXPECT_EQ(list.Name(0), "");
}

TEST(TimeStamps, StampTextsAndSeconds) {
    std::setlocale(LC_TIME, "C");
    std::string both = FormatTimeDateStamp(kStampDate | kStampTime, true);
    std::string date = GetDateString(), time = GetTimeString();
    // The clock may pass a second between the calls: compare the shape.
    ASSERT_EQ(both.size(), 5 + date.size() + 1 + 5 + time.size());
    EXPECT_EQ(both.substr(0, 5), "Date ");
    EXPECT_EQ(both.substr(5 + date.size(), 6), " Time ");
    EXPECT_EQ(FormatTimeDateStamp(kStampDate, false).size(), date.size());
    EXPECT_EQ(FormatTimeDateStamp(kStampTime, false).find("Time"), std::string::npos);
    EXPECT_EQ(FormatTimeDateStamp(0, true), "");
    EXPECT_EQ(date.size(), 8u);  // MM/DD/YY in the C locale
    EXPECT_EQ(time.size(), 8u);  // HH:MM:SS

    std::string picture = FormatDateTimePicture("yyyy M d 'at' HH:mm yy");
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%d %d %d at ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    EXPECT_EQ(picture.substr(0, std::strlen(expected)), expected);
    EXPECT_EQ(picture.size(), std::strlen(expected) + 5 + 3);

    double t0 = GetSeconds();
    double t1 = GetSeconds();
    EXPECT_GE(t1, t0);
}
