#include "foundation/profile.h"

#include "foundation/owned_strings.h"
#include "foundation/temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ob7;

namespace {

// One target of every value type of the value table.
struct Settings {
    int32_t color = 0;
    uint8_t colorByte = 0;
    int32_t onOff = 0;
    WindowPlacement placement;
    int32_t yesNo = 0;
    NumberFormatSpec format;
    double number = 0;
    int32_t integer = 0;
    FontRecord font;
    LineStyleSetting lineStyle;
    char name[16] = "";
    char* owned = nullptr;
    int32_t trueFalse = 0;
    int32_t scale = 0;
    uint8_t width = 0;
    uint8_t pattern = 0;

    std::vector<ProfileValueRow> Rows() {
        return {
            {"Color", &color, kValueColor},
            {"ColorByte", &colorByte, kValueColorByte},
            {"Grid", &onOff, kValueOnOff},
            {"Placement", &placement, kValuePlacement},
            {"Sound", &yesNo, kValueYesNo},
            {"Format", &format, kValueNumberFormat},
            {"Tolerance", &number, kValueDouble},
            {"Count", &integer, kValueInt},
            {"The comment", nullptr, kValueComment},
            {"Font", &font, kValueFont},
            {"Curve", &lineStyle, kValueLineStyle},
            {"Name", name, kValueCharArray, sizeof name},
            {"Title", &owned, kValueOwnedText},
            {"Rainbow", &trueFalse, kValueTrueFalse},
            {"Slope", &scale, kValueScale},
            {"Width", &width, kValueWidth},
            {"Pattern", &pattern, kValuePattern},
            {"Not written", &integer, 99},
        };
    }
};

void Fill(Settings& s) {
    s.color = kNoColor;  // "no colour" must come back as itself
    s.colorByte = 42;
    s.onOff = 1;
    s.placement = {44, 2, 3, -1, -1, 10, 20, {5, 6, 700, 800}};
    s.yesNo = 1;
    s.format.Set("6E");
    s.number = 1.0 / 3.0;
    s.integer = -123456;
    s.font = {-13, static_cast<uint16_t>(FontFaceIndex("Courier New")), 0x14, 9};
    s.lineStyle = {3, kNoColor, 2, 4, 1};
    std::strcpy(s.name, "R1");
    StrAssign(&s.owned, "two\r\nlines");
    s.trueFalse = 1;
    s.scale = 2;
    s.width = 7;
    s.pattern = 3;
}

}  // namespace

TEST(ProfileValueTable, EveryTypeRoundTrips) {
    TempFolder dir;
    std::string path = dir / "settings.dat";
    Settings out;
    Fill(out);
    auto rows = out.Rows();
    {
        Profile p;
        ASSERT_EQ(p.OpenWrite(path.c_str()), 0);
        p.WriteFileHeader("Settings", 7 << 16);
        p.WriteSection("Options");
        EXPECT_EQ(p.WriteTypedValues(rows.data(), static_cast<int>(rows.size())), 0);
        ASSERT_EQ(p.Close(), 0);
    }
    std::string text = TempFolder::Read(path);
    EXPECT_NE(text.find("Color=NONE\n"), std::string::npos);
    EXPECT_NE(text.find(";The comment\n"), std::string::npos);
    EXPECT_NE(text.find("Title=two\xFElines\n"), std::string::npos);
    EXPECT_NE(text.find("Curve=Line=3,Text=NONE,LineWidth=2,LinePattern=DashDotDot,Rainbow=Yes\n"), std::string::npos);
    EXPECT_NE(text.find("Placement=2,3, -1,-1, 10,20, 5,6,700,800\n"), std::string::npos);
    EXPECT_EQ(text.find("Not written"), std::string::npos);

    Settings in;
    auto inRows = in.Rows();
    Profile p;
    ASSERT_EQ(p.OpenRead(path.c_str()), 0);
    int32_t version = 0;
    ASSERT_EQ(p.CheckFileHeader("SETTINGS", version), 0);
    EXPECT_EQ(version, 7 << 16);
    std::string entry, key, value;
    int stored = 0;
    while (p.NextEntryGrow() || p.section == "[Options]") {
        if (p.lineBuffer[0] == '[' || p.lineBuffer[0] == ';') continue;
        p.SplitLineKeyValue(key, value);
        stored += p.ReadTypedValue(inRows.data(), static_cast<int>(inRows.size()), key.c_str(), value.c_str());
    }
    EXPECT_EQ(p.error, 0);
    EXPECT_EQ(stored, 16);  // every row but the comment
    EXPECT_EQ(in.color, kNoColor);
    EXPECT_EQ(in.colorByte, 42);
    EXPECT_EQ(in.onOff, 1);
    EXPECT_EQ(std::memcmp(&in.placement, &out.placement, sizeof in.placement), 0);
    EXPECT_EQ(in.yesNo, 1);
    EXPECT_STREQ(in.format.text, "6E");
    EXPECT_EQ(in.format.digits, 6);
    EXPECT_EQ(in.number, out.number);
    EXPECT_EQ(in.integer, -123456);
    EXPECT_EQ(FontRecordEqual(in.font, out.font), 0);
    EXPECT_EQ(std::memcmp(&in.lineStyle, &out.lineStyle, sizeof in.lineStyle), 0);
    EXPECT_STREQ(in.name, "R1");
    EXPECT_STREQ(in.owned, "two\r\nlines");
    EXPECT_EQ(in.trueFalse, 1);
    EXPECT_EQ(in.scale, 2);
    EXPECT_EQ(in.width, 7);
    EXPECT_EQ(in.pattern, 3);
    StrFree(&out.owned);
    StrFree(&in.owned);
}

TEST(ProfileValueTable, UnknownKeyAndOverlongText) {
    Settings s;
    auto rows = s.Rows();
    int n = static_cast<int>(rows.size());
    EXPECT_EQ(s.integer, 0);
    EXPECT_EQ(Profile().ReadTypedValue(rows.data(), n, "NOSUCHKEY", "5"), 0);
    EXPECT_EQ(s.integer, 0);
    EXPECT_EQ(Profile().ReadTypedValue(rows.data(), n, "name", "a name far longer than its array"), 1);
    EXPECT_STREQ(s.name, "a name far long");
    EXPECT_EQ(Profile().ReadTypedValue(rows.data(), n, "The comment", "x"), 1);
}

TEST(ProfileRead, SectionsCommentsAndLongSectionNames) {
    TempFolder dir;
    std::string longName(150, 'S');
    std::string path = dir.Write("p.ini", "; comment\r\n\r\n[First]\r\n  Key = Value  \r\nbare\r\n[" + longName + "]\nA=1\n");
    Profile p;
    ASSERT_EQ(p.OpenRead(path.c_str()), 0);
    std::string entry, key, value;
    EXPECT_EQ(p.NextEntry(entry), 0);
    EXPECT_EQ(p.section, "[First]");
    EXPECT_EQ(p.NextEntry(entry), 1);
    SplitKeyValue(entry.c_str(), key, value);
    EXPECT_EQ(key, "KEY");
    EXPECT_EQ(value, "Value");
    EXPECT_EQ(p.NextEntry(entry), 1);
    SplitKeyValue(entry.c_str(), key, value);
    EXPECT_EQ(key, "BARE");
    EXPECT_EQ(value, "");
    EXPECT_EQ(p.NextEntry(entry), 0);
    EXPECT_EQ(p.section, "[" + longName + "]");
    EXPECT_EQ(p.NextEntry(entry), 1);
    EXPECT_EQ(p.NextEntry(entry), 0);
    EXPECT_TRUE(entry.empty());
    EXPECT_EQ(p.error, 0);
}

TEST(ProfileRead, HeaderChecks) {
    TempFolder dir;
    struct Case {
        const char* text;
        int code;
    } cases[] = {
        {"FileType=LIM\nVersion=7.2\nProgram=ombrelic v\n", 0},
        {"FileType=LIM\nVersion=7.2\nProgram=Ombrelic\n", 0},
        {"FileType=LIM\nProgram=Ombrelic\nVersion=7.2\n", kMsgBadFileFormat},
        {"FileType=OPT\nVersion=7.2\nProgram=Ombrelic\n", kMsgBadFileFormat},
        {"FileType=LIM\nVersion=7.2\nProgram=Other\n", kMsgBadFileFormat},
        {"FileType=LIM\nVers", kMsgBadFileFormat},  // truncated
        {"", kMsgBadFileFormat},
        {"\x01\xFF\xFE garbage\n\0\0\0", kMsgBadFileFormat},
    };
    for (const Case& c : cases) {
        std::string path = dir.Write("h.lim", c.text);
        Profile p;
        ASSERT_EQ(p.OpenRead(path.c_str()), 0);
        int32_t version = 0;
        EXPECT_EQ(p.CheckFileHeader("LIM", version), c.code) << c.text;
        if (c.code == 0) {
            EXPECT_EQ(version, 7 << 16 | 20);
        }
    }
}

TEST(ProfileRead, UnreadableProfile) {
    TempFolder dir;
    Profile p;
    std::string missing = dir / "ombr.dat";
    EXPECT_EQ(p.OpenRead(missing.c_str()), kMsgErrnoBase + ENOENT);
    std::string entry;
    EXPECT_EQ(p.NextEntry(entry), 0);  // the stored error stops every reader
    EXPECT_EQ(p.error, kMsgErrnoBase + ENOENT);

    Profile folder;
    EXPECT_EQ(folder.OpenRead(dir.Path().c_str()), 0);  // a folder opens but cannot be read
    EXPECT_EQ(folder.NextEntry(entry), 0);
    EXPECT_EQ(folder.error, kMsgErrnoBase + EISDIR);
    EXPECT_EQ(folder.ReadWholeFile(dir.Path().c_str()), kMsgErrnoBase + EISDIR);
}

TEST(ProfileRead, WholeFileInMemory) {
    TempFolder dir;
    std::string path = dir.Write("tip.ob7", "; c\r\n\r\nKey = first word  \r\nlast line   ");
    Profile p;
    ASSERT_EQ(p.ReadWholeFile(path.c_str()), 0);
    std::string key, value;
    EXPECT_EQ(p.ReadKeyValueMem(key, value), 0);
    EXPECT_EQ(key, "KEY");
    EXPECT_EQ(value, "first");
    std::string line;
    EXPECT_EQ(p.ReadLineMem(line), 0);
    EXPECT_EQ(line, "last line");
    EXPECT_EQ(p.ReadLineMem(line), kMsgLoadError);
    EXPECT_EQ(p.ReadKeyValueMem(key, value), 0);
    EXPECT_TRUE(key.empty());
    p.FreeBuffer();
}

TEST(ProfileWrite, ValueForms) {
    TempFolder dir;
    std::string path = dir / "w.dat";
    Profile p;
    ASSERT_EQ(p.OpenWrite(path.c_str()), 0);
    p.WriteString("Multi", "A\r\nB");
    p.WriteString("Empty", "");
    p.WriteString("Null", nullptr);
    p.WriteDouble("D", 0.1);
    p.WriteByte("B", 0x1FF);
    p.WriteRect("R", {1, 2, 3, 4});
    p.WriteVersion("V", 6 << 16 | 5);
    p.WriteAnalysisName(1);
    p.WriteIndexedString("Curve", 3, "v(1)");
    p.WriteIndexedTrueFalse("Show", 0, 0);
    p.WriteNamedPattern("P0", 0);
    p.WriteNamedPattern("P2", 2);
    FontRecord base{10, static_cast<uint16_t>(FontFaceIndex("Arial")), 0, 0};
    FontRecord changed = base;
    changed.style = 4;
    changed.face = static_cast<uint16_t>(FontFaceIndex("Courier"));
    p.WriteFontDiff(base, base);
    p.WriteFontDiff(changed, base);
    ASSERT_EQ(p.Close(), 0);
    EXPECT_EQ(TempFolder::Read(path),
              "Multi=A\xFE" "B\nEmpty\nNull\nD=0.1\nB=255\nR=1,2,3,4\nV=6.05\n"
              "Analysis=AC\nCurve[3]=v(1)\nShow[0]=False\nP2=Dot\nFStyle=4\nFont=Courier\n");
}

TEST(ProfileParse, SingleValues) {
    EXPECT_EQ(ParseVersion("7.2"), 7 << 16 | 20);
    EXPECT_EQ(ParseVersion("7.05"), 7 << 16 | 5);
    EXPECT_EQ(ParseVersion("7"), 7 << 16);
    EXPECT_EQ(ParseColor("none"), kNoColor);
    EXPECT_EQ(ParseColor("-3"), 0);
    EXPECT_EQ(ParseColor("70"), 6);
    EXPECT_EQ(ParseColor("63"), 63);
    EXPECT_EQ(ParseWidth1to20("0"), 1);
    EXPECT_EQ(ParseWidth1to20("25"), 20);
    EXPECT_EQ(ParseWidth1to20("256"), 1);
    EXPECT_EQ(ScaleNameIndex("db/decade"), 2);
    EXPECT_EQ(ScaleNameIndex("other"), 0);
    EXPECT_EQ(AnalysisIndexFromName("transient"), 0);
    EXPECT_EQ(AnalysisIndexFromName("Noise"), -1);
    EXPECT_EQ(ParsePatternName("dashdot"), 3);
    EXPECT_EQ(ParsePatternName("Solid"), 0);
    EXPECT_TRUE(IsTrue("TRUE") && IsYes("yes") && IsOn("ON") && !IsOn("Off"));

    WindowPlacement placement;
    ParseWindowPlacement("0,1, 0,0, 0,0, 5,5,5,90", placement);
    EXPECT_EQ(placement.length, 0u);

    int index = -5;
    EXPECT_EQ(ParseIndexedKey("Curve[3]", "Curve", index), 0);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(ParseIndexedKey("Curve", "Curve", index), -1);
    EXPECT_NE(ParseIndexedKey("Other[1]", "Curve", index), 0);

    EXPECT_EQ(GetSubValue("Height=12, fstyle = 3 ,Name=Arial", "FSTYLE"), "3");
    EXPECT_EQ(GetSubValue("Height=12", "Name"), "");
}

TEST(ProfileParse, QuotedFields) {
    std::string text = "  \"a\xFE" "b\" , next";
    std::string out;
    ParseQuotedField(out, text);
    EXPECT_EQ(out, "a\r\nb");
    EXPECT_EQ(text, " next");
    text = " ,rest";
    ParseQuotedField(out, text);
    EXPECT_EQ(out, "");
    EXPECT_EQ(text, "rest");
    ParseQuotedField(out, text);
    EXPECT_EQ(out, "");
    EXPECT_EQ(text, "rest");
}

TEST(NumberFormat, Normalising) {
    struct Case {
        const char* in;
        const char* text;
        int digits;
        int style;
        int changed;
    } cases[] = {
        {"6e", "6e", 6, 'E', 0}, {"20G", "16G", 16, 'G', 1}, {"E", "3E", 3, 'E', 0},
        {"1234", "16", 16, 0, 1}, {"", "3", 3, 0, 0},         {"4x", "4", 4, 0, 1},
        {" 5E ", "5E", 5, 'E', 0}, {"5Ex", "5E", 5, 'E', 1},   {"123456789", "16", 16, 0, 1},
    };
    for (const Case& c : cases) {
        NumberFormatSpec spec;
        EXPECT_EQ(spec.Set(c.in), c.changed) << c.in;
        EXPECT_STREQ(spec.text, c.text) << c.in;
        EXPECT_EQ(spec.digits, c.digits) << c.in;
        EXPECT_EQ(spec.style, c.style) << c.in;
    }
    NumberFormatSpec spec;
    spec.Set("3");
    EXPECT_EQ(spec.StyleName(), "3 Digit Engineering");
    spec.Set("6E");
    EXPECT_EQ(spec.StyleName(), "6 Digit Scientific");
}
