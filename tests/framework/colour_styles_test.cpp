#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/profile.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/line_styles.h"

using namespace ob7;
using platform::Rgb;

namespace {

struct Slots : ::testing::Test {
    void SetUp() override {
        CreateProgramPalette();
        CreateColourSlots();
    }
};

std::string TempFile(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

}  // namespace

TEST_F(Slots, DefaultsAndTheDeviceForm) {
    EXPECT_EQ(Slot(9).colour, Rgb(255, 0, 0));
    EXPECT_EQ(Slot(12).colour, Rgb(0, 0, 255));
    EXPECT_EQ(Slot(63).colour, Rgb(32, 32, 32));
    EXPECT_EQ(Slot(20).colour, Rgb(191, 147, 72));

    CDrawContext palette, plain;
    palette.paletteDevice = 1;
    EXPECT_EQ(GetColourFromSlot(palette, 20), platform::PaletteIndex(20));
    EXPECT_EQ(GetColourFromSlot(plain, 20), Rgb(191, 147, 72));
    EXPECT_EQ(GetColourFromSlot(palette, 9), Rgb(255, 0, 0));
    EXPECT_EQ(GetColourFromSlot(plain, 9), Rgb(255, 0, 0));
}

TEST_F(Slots, OutOfRangeSlotsAreSafe) {
    CDrawContext plain;
    // No colour draws nothing; an index without a slot falls back to slot 0.
    EXPECT_EQ(SlotPen(plain, kNoColor).style, platform::PenStyle::Null);
    EXPECT_EQ(SlotBrush(plain, kNoColor).style, platform::BrushStyle::Null);
    for (int bad : {-1, 72, 73, 1000, -100000}) EXPECT_EQ(GetColourFromSlot(plain, bad), Rgb(0, 0, 0)) << bad;
    EXPECT_EQ(PaletteEntryColorRef(99, 1), Rgb(0, 0, 0));
}

TEST_F(Slots, PaletteSectionWritesSixtyFourLinesAndReadsOnlyUserEntries) {
    std::string path = TempFile(("ob7_palette_" + std::to_string(::getpid()) + ".ini").c_str());
    {
        Profile out;
        ASSERT_EQ(out.OpenWrite(path.c_str()), 0);
        out.WriteSection("Palettes");
        WritePaletteSection(out);
        out.Close();
    }
    std::ifstream in(path);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '[') lines.push_back(line);
    ASSERT_EQ(lines.size(), 64u);
    EXPECT_EQ(lines[0].substr(0, 10), "PALETTE_0=");
    EXPECT_EQ(lines[9], "PALETTE_9=255");
    EXPECT_EQ(lines[63].substr(0, 11), "PALETTE_63=");

    {
        std::ofstream f(path);
        f << "[Palettes]\nPALETTE_5=255\npalette_20=255\nPALETTE_70=255\nOTHER=1\nPALETTE_21=abc\n[Next]\nPALETTE_22=255\n";
    }
    Profile profile;
    ASSERT_EQ(profile.OpenRead(path.c_str()), 0);
    std::string header;
    profile.ReadLine(header);
    ReadPaletteSection(profile);
    profile.Close();
    EXPECT_EQ(Slot(5).colour, Rgb(128, 0, 128));  // fixed colours never change
    EXPECT_EQ(Slot(20).colour, Rgb(255, 0, 0));
    EXPECT_EQ(Slot(21).colour, Rgb(172, 69, 13));  // unreadable value skipped
    EXPECT_EQ(Slot(22).colour, Rgb(222, 12, 190)); // the next section is not read
    std::remove(path.c_str());
}

TEST_F(Slots, PaletteEditingWorksOnACopyUntilApplied) {
    std::array<platform::Color, kPaletteColours> saved{};
    PaletteBeginEdit(nullptr, saved);
    EXPECT_TRUE(PaletteEditing());
    EXPECT_EQ(saved[20], Rgb(191, 147, 72));
    SetPaletteEntryColor(20, Rgb(1, 2, 3), nullptr);
    SetPaletteEntryColor(5, Rgb(1, 2, 3), nullptr);  // fixed: ignored
    EXPECT_EQ(PaletteEntryColorRef(20, 1), Rgb(1, 2, 3));
    EXPECT_EQ(PaletteEntryColorRef(20, 0), platform::PaletteIndex(84));
    EXPECT_EQ(Slot(20).colour, Rgb(191, 147, 72));  // slots follow only when the edit ends
    PaletteSetEntries(saved);                       // cancel
    EXPECT_FALSE(PaletteEditing());
    EXPECT_EQ(Slot(20).colour, Rgb(191, 147, 72));
    EXPECT_EQ(PaletteEntryColorRef(20, 1), Rgb(191, 147, 72));

    PaletteBeginEdit(nullptr, saved);
    SetPaletteEntryColor(20, Rgb(1, 2, 3), nullptr);
    PaletteApplyEdit();
    EXPECT_EQ(Slot(20).colour, Rgb(1, 2, 3));
    EXPECT_EQ(Slot(5).colour, Rgb(128, 0, 128));
}

TEST(LineStyles, NamesCodesAndPatterns) {
    struct Case { const char* text; int ok; int code; } cases[] = {
        {"Dash", 1, 1}, {"dot", 1, 2}, {"dashdot", 1, 3}, {"DASHDOTDOT", 1, 4}, {"Solid", 0, 77}, {"", 0, 77}};
    for (const Case& c : cases) {
        int code = 77;
        EXPECT_EQ(ParseLineStyleName(c.text, code), c.ok) << c.text;
        EXPECT_EQ(code, c.code) << c.text;
    }
    EXPECT_EQ(LineStyleName(0), nullptr);
    EXPECT_EQ(LineStyleName(5), nullptr);
    EXPECT_STREQ(LineStyleName(0x103), "DashDot");

    EXPECT_EQ(DashPattern(0, 1, false), std::vector<int>{});
    EXPECT_EQ(DashPattern(1, 1, false), (std::vector<int>{3, 1}));
    EXPECT_EQ(DashPattern(1, 1, true), (std::vector<int>{2, 2}));
    EXPECT_EQ(DashPattern(7, 2, false), (std::vector<int>{2, 4}));
    EXPECT_EQ(DashPattern(4, 1, false), (std::vector<int>{3, 1, 1, 1, 1, 1}));
    EXPECT_EQ(DashPattern(5, 1, false), (std::vector<int>{3, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(DashPattern(12, 1, false), (std::vector<int>{3, 2, 1, 2, 1, 2, 1, 2}));
}

TEST(LineStyles, DecadeFloor) {
    EXPECT_DOUBLE_EQ(DecadeFloor(0.0009999999), 0.001);
    EXPECT_DOUBLE_EQ(DecadeFloor(-250), 100);
    EXPECT_DOUBLE_EQ(DecadeFloor(0), 1);
    EXPECT_DOUBLE_EQ(DecadeFloor(1e6), 1e6);
    EXPECT_DOUBLE_EQ(DecadeFloor(9.99), 1);
}

TEST(LineStyles, DashedPenStepsItsPatternAcrossLines) {
    CreateProgramPalette();
    CreateColourSlots();
    platform::Image image(40, 10);
    platform::DrawContext dc(image);
    CDrawContext context(&dc);
    CDashPen pen;
    pen.Reset();
    pen.Create(context, false, 1, 1, 0);  // dash 3, gap 1
    pen.MoveTo(0, 5);
    pen.LineTo(10, 5);
    pen.LineTo(20, 5);  // the phase runs on into the second line
    std::string row;
    for (int x = 0; x < 20; ++x) row += image.Pixel(x, 5) == Rgb(0, 0, 0) ? '#' : '.';
    EXPECT_EQ(row, "###.###.###.###.###.");
}
