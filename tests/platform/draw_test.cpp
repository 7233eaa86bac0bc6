#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "platform/draw_context.h"
#include "platform/image.h"
#include "platform/picture.h"
#include "qt_app.h"

using namespace platform;

namespace {

constexpr Color kWhite = Rgb(255, 255, 255);
constexpr Color kBlack = Rgb(0, 0, 0);
constexpr Color kRed = Rgb(255, 0, 0);

int CountColor(const Image& img, Color c, const Rect& area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) n += img.Pixel(x, y) == c;
    return n;
}

// A scene with a bit of everything, drawn the same way directly and into a picture.
void DrawScene(DrawContext& dc) {
    dc.SetPen(Pen::Solid(kBlack));
    dc.SetBrush(Brush::Hatched(4, Rgb(0, 128, 0)));
    dc.SetBkOpaque(false);
    dc.Rectangle(Rect{5, 5, 40, 30});
    dc.SetBrush(Brush::Solid(kRed));
    dc.Ellipse(Rect{45, 5, 75, 35});
    dc.Pie(Rect{5, 40, 45, 80}, Point{45, 60}, Point{25, 40});
    dc.SetPen(Pen{PenStyle::Dash, 1, Rgb(0, 0, 255)});
    dc.Polyline({{50, 50}, {90, 50}, {90, 90}});
    dc.SetTextColor(kBlack);
    dc.TextOut(Point{50, 60}, "Vout");
}

}  // namespace

TEST(Draw, ClippedAlternatePolygon) {
    TestApp();
    Image img(100, 100);
    DrawContext dc(img);
    // A five-pointed star drawn with alternate fill leaves its centre empty; clipped to
    // the left half, nothing lands right of x = 50.
    std::vector<Point> star{{50, 5}, {79, 95}, {2, 39}, {98, 39}, {21, 95}};
    dc.SetClip(Region::FromRect(Rect{0, 0, 50, 100}));
    dc.SetPen(Pen::Null());
    dc.SetBrush(Brush::Solid(kRed));
    dc.Polygon(star);
    EXPECT_EQ(img.Pixel(50, 55), kWhite);             // centre: inside twice, not filled
    EXPECT_EQ(img.Pixel(30, 42), kRed);               // an arm, left of the clip edge
    EXPECT_EQ(CountColor(img, kRed, Rect{50, 0, 100, 100}), 0);
    EXPECT_GT(CountColor(img, kRed, Rect{0, 0, 50, 100}), 500);

    dc.ResetClip();
    dc.Polygon(star);
    EXPECT_EQ(img.Pixel(70, 42), kRed);

    // The region of the same star answers hit tests alike.
    Region region = Region::FromPolygon(star);
    EXPECT_TRUE(region.Contains(Point{30, 42}));
    EXPECT_FALSE(region.Contains(Point{50, 55}));
    Region ring = Region::FromRect(Rect{0, 0, 20, 20}).Combined(Region::FromRect(Rect{5, 5, 15, 15}), RegionOp::Diff);
    EXPECT_TRUE(ring.Contains(Point{2, 2}));
    EXPECT_FALSE(ring.Contains(Point{10, 10}));
    EXPECT_EQ(ring.Bounds(), (Rect{0, 0, 20, 20}));
}

TEST(Draw, RotatedTextRunsUpwardsFromItsOrigin) {
    TestApp();
    Image flat(120, 120), up(120, 120);
    Font font;
    font.height = -16;
    {
        DrawContext dc(flat);
        dc.SetFont(font);
        dc.TextOut(Point{20, 60}, "Voltage");
    }
    font.escapement = 900;
    {
        DrawContext dc(up);
        dc.SetFont(font);
        dc.SetBkOpaque(false);
        dc.TextOut(Point{60, 100}, "Voltage");
        Size extent = dc.TextExtent("Voltage");
        EXPECT_GT(extent.cx, 40);
    }
    // Horizontal text lies right of and below its origin.
    EXPECT_GT(CountColor(flat, kBlack, Rect{20, 60, 120, 80}), 30);
    EXPECT_EQ(CountColor(flat, kBlack, Rect{0, 0, 120, 58}), 0);
    // Turned by 90 degrees it runs upwards from the origin, the glyph tops to the left
    // and the cell to the right of it.
    EXPECT_GT(CountColor(up, kBlack, Rect{60, 40, 80, 100}), 30);
    EXPECT_EQ(CountColor(up, kBlack, Rect{0, 101, 120, 120}), 0);
    EXPECT_EQ(CountColor(up, kBlack, Rect{0, 0, 59, 120}), 0);
}

TEST(Draw, XorAndInvertTwiceRestoreTheImage) {
    TestApp();
    Image img(64, 64, Rgb(10, 200, 30));
    {
        DrawContext dc(img);
        DrawScene(dc);
    }
    Image before = img;
    for (int pass = 0; pass < 2; ++pass) {
        DrawContext dc(img);
        dc.SetRasterOp(RasterOp::Xor);
        dc.SetPen(Pen::Solid(Rgb(255, 255, 255)));
        dc.SetBrush(Brush::Null());
        dc.Rectangle(Rect{3, 3, 50, 40});  // a rubber band
        dc.Polyline({{0, 0}, {63, 63}, {0, 63}});
        dc.InvertRect(Rect{20, 20, 30, 30});
        if (pass == 0) {
            EXPECT_FALSE(img == before);
        }
    }
    EXPECT_TRUE(img == before);
}

TEST(Draw, RecordedPictureReplaysEqualToDirectDrawing) {
    TestApp();
    Image direct(100, 100);
    {
        DrawContext dc(direct);
        DrawScene(dc);
    }
    Picture picture;
    {
        DrawContext rec(picture);
        DrawScene(rec);
    }
    ASSERT_FALSE(picture.IsEmpty());

    std::string path = ::testing::TempDir() + "scene.pic";
    ASSERT_TRUE(picture.Save(path));
    ASSERT_TRUE(picture.Save(path));  // replaces the file it wrote
    EXPECT_FALSE(std::ifstream(path + ".tmp").good());
    Picture loaded;
    ASSERT_TRUE(loaded.Load(path));
    std::remove(path.c_str());

    Image replayed(100, 100);
    {
        DrawContext dc(replayed);
        dc.DrawPicture(Point{0, 0}, loaded);
    }
    EXPECT_TRUE(replayed == direct);
}

TEST(Draw, MappingPaletteSlotsAndBlocks) {
    TestApp();
    Image img(100, 100);
    {
    DrawContext dc(img);
    // A plot pane: logical 0..1000 across 100 pixels, y upwards from the bottom.
    dc.SetWindowOrg(Point{0, 0});
    dc.SetWindowExt(Size{1000, 1000});
    dc.SetViewportOrg(Point{0, 99});
    dc.SetViewportExt(Size{100, -100});
    EXPECT_EQ(dc.LogicalToDevice(Point{500, 500}), (Point{50, 49}));
    EXPECT_EQ(dc.DeviceToLogical(Point{10, 99}), (Point{100, 0}));
    dc.SetPalette({kBlack, kRed, Rgb(0, 0, 255)});
    dc.FillRect(Rect{0, 0, 200, 200}, Brush::Solid(PaletteIndex(1)));
    EXPECT_EQ(img.Pixel(10, 95), kRed);
    EXPECT_EQ(img.Pixel(10, 60), kWhite);
    EXPECT_EQ(dc.ResolveColor(PaletteIndex(2)), Rgb(0, 0, 255));
    }  // one context at a time paints an image

    Image glyph(4, 4, kBlack);
    DrawContext plain(img);
    plain.BitBlt(Point{50, 10}, glyph, Rect{0, 0, 4, 4});
    EXPECT_EQ(img.Pixel(51, 11), kBlack);
    plain.BitBlt(Point{50, 10}, glyph, Rect{0, 0, 4, 4}, RasterOp::Xor);
    EXPECT_EQ(img.Pixel(51, 11), kBlack);  // black XOR black stays black
    plain.SetPen(Pen::Solid(kWhite));
    plain.SetRasterOp(RasterOp::Xor);
    plain.SetPixel(Point{51, 11}, kWhite);
    EXPECT_EQ(img.Pixel(51, 11), kWhite);
}

TEST(Draw, FontHeightsByCharacterOrByCell) {
    TestApp();
    Image img(10, 10);
    DrawContext dc(img);
    Font chars;
    chars.height = -20;
    dc.SetFont(chars);
    TextMetrics byChars = dc.GetTextMetrics();
    Font cell;
    cell.height = 20;
    dc.SetFont(cell);
    TextMetrics byCell = dc.GetTextMetrics();
    EXPECT_GT(byChars.height, 20);                 // characters of 20 need a taller cell
    EXPECT_NEAR(byCell.height, 20, 2);             // a cell of 20 is what was asked
    EXPECT_GT(byChars.ascent, byCell.ascent);
    Font bold = chars;
    bold.weight = 700;
    dc.SetFont(bold);
    EXPECT_GT(dc.TextExtent("Vout").cx, 0);
}
