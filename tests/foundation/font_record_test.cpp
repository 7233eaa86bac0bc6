#include "foundation/font_record.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ob7;

namespace {
// Every character 10 wide, text 16 high with 2 of leading.
class FixedMeasure : public TextMeasure {
public:
    int TextWidth(const char*, int length) override { return 10 * length; }
    int TextHeight() override { return 16; }
    int ExternalLeading() override { return 2; }
};
}  // namespace

TEST(FontRecords, FaceTableIgnoresCase) {
    int arial = FontFaceIndex("Arial");
    EXPECT_EQ(FontFaceIndex("arial"), arial);
    int count = FaceNameCount();
    std::string longName(40, 'F');
    int cut = FontFaceIndex(longName.c_str());
    EXPECT_EQ(std::strlen(FaceName(cut)), 31u);
    EXPECT_EQ(FaceNameCount(), count + 1);
    EXPECT_STREQ(FaceName(9999), "");
}

TEST(FontRecords, ToAndFromLogicalFont) {
    FontRecord record;
    DefaultFontRecord(record);
    LogicalFont font;
    DefaultFontSize = 0;
    FontRecordToLogFont(record, font);
    EXPECT_EQ(font.height, 12);
    EXPECT_EQ(font.faceName, "Arial");
    DefaultFontSize = 9;
    FontRecordToLogFont(record, font);
    EXPECT_EQ(font.height, 9);
    DefaultFontSize = 0;

    record.style = kFontRotate90 | kFontRotate180 | kFontBold;
    FontRecordToLogFont(record, font);
    EXPECT_EQ(font.escapement, 1800);
    EXPECT_EQ(font.weight, 700);

    LogicalFont boldUnderlined;
    boldUnderlined.weight = 700;
    boldUnderlined.underline = 1;
    boldUnderlined.escapement = 1800;  // not carried back
    boldUnderlined.faceName = "Courier";
    boldUnderlined.height = -13;
    FontRecord back;
    back.color = 9;
    LogFontToRecord(back, boldUnderlined);
    EXPECT_EQ(back.style, 5);
    EXPECT_EQ(back.height, -13);
    EXPECT_EQ(back.color, 9);
    EXPECT_STREQ(FaceName(back.face), "Courier");

    FontRecord copy;
    copy.color = 3;
    copy.Copy(back);
    EXPECT_EQ(copy.color, 3);
    EXPECT_EQ(FontRecordEqual(copy, back), 1);
    copy.color = 9;
    EXPECT_EQ(FontRecordEqual(copy, back), 0);
}

TEST(FontRecords, PointsAndLogicalHeights) {
    ScreenPixelsPerInch = 96;
    EXPECT_EQ(PointsToLogicalHeight(9), -12);
    EXPECT_EQ(PointsToLogicalHeight(10), -13);
    EXPECT_EQ(LogicalHeightToPoints(-12), 9);
    EXPECT_EQ(LogicalHeightToPoints(20), 20);
}

TEST(TextMeasuring, MultilineAndPlacement) {
    FixedMeasure m;
    EXPECT_EQ(TextExtentX(m, ""), 0);
    EXPECT_EQ(TextExtentX(m, nullptr), 0);
    EXPECT_EQ(LineHeight(m), 18);

    platform::Rect r{5, 7, 0, 0};
    EXPECT_EQ(MeasureMultilineText(m, "A\r\nBBB", r, 10), 20);
    EXPECT_EQ(r, (platform::Rect{5, 7, 5 + 30 + 5, 27}));
    r = {0, 0, 0, 0};
    EXPECT_EQ(MeasureMultilineText(m, "one\ntwo\nthree\n", r, 0), 48);
    EXPECT_EQ(r.right, 50 + 5);
    EXPECT_EQ(MeasureMultilineText(m, nullptr, r, 0), 0);
    EXPECT_EQ(r.right, r.left);

    r = {100, 100, 0, 0};
    PlaceTextRect(m, "AB", 0, r);
    EXPECT_EQ(r, (platform::Rect{100, 84, 121, 100}));
    r = {100, 100, 0, 0};
    PlaceTextRect(m, "AB", kFontRotate90, r);
    EXPECT_EQ(r, (platform::Rect{100, 79, 116, 100}));
    r = {100, 100, 0, 0};
    PlaceTextRect(m, "AB", kFontRotate180, r);
    EXPECT_EQ(r, (platform::Rect{99, 84, 79, 100}));
}
