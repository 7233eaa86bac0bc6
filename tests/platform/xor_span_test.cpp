#include <gtest/gtest.h>

#include "platform/draw_context.h"
#include "platform/image.h"
#include "qt_app.h"

using namespace platform;

namespace {

constexpr Color kWhite = Rgb(255, 255, 255), kBlack = Rgb(0, 0, 0);

std::string Row(const Image& image, int y, int from, int to) {
    std::string out;
    for (int x = from; x < to; ++x) out += image.Pixel(x, y) == kBlack ? '#' : '.';
    return out;
}

}  // namespace

TEST(XorSpans, LinesLeaveOutTheirLastPixelAndTwiceRestore) {
    TestApp();
    Image image(40, 20, kWhite);
    Image before = image;
    {
        DrawContext dc(image);
        dc.SetRasterOp(RasterOp::Xor);
        dc.SetPen(Pen::Solid(kWhite));  // white XOR white is black
        dc.MoveTo(Point{2, 3});
        dc.LineTo(Point{12, 3});
        dc.MoveTo(Point{12, 6});
        dc.LineTo(Point{2, 6});  // right to left: the start pixel is drawn, the end left out
        dc.MoveTo(Point{0, 10});
        dc.LineTo(Point{10, 15});
    }
    EXPECT_EQ(Row(image, 3, 0, 14), "..##########..");
    EXPECT_EQ(Row(image, 6, 0, 14), "...##########.");
    int diagonal = 0;
    for (int y = 10; y <= 15; ++y) {
        std::string row = Row(image, y, 0, 12);
        diagonal += static_cast<int>(std::count(row.begin(), row.end(), '#'));
    }
    EXPECT_EQ(diagonal, 10);
    EXPECT_EQ(image.Pixel(10, 15), kWhite);
    {
        DrawContext dc(image);
        dc.SetRasterOp(RasterOp::Xor);
        dc.SetPen(Pen::Solid(kWhite));
        dc.MoveTo(Point{2, 3});
        dc.LineTo(Point{12, 3});
        dc.MoveTo(Point{12, 6});
        dc.LineTo(Point{2, 6});
        dc.MoveTo(Point{0, 10});
        dc.LineTo(Point{10, 15});
    }
    EXPECT_TRUE(image == before);
}

TEST(XorSpans, OutlinesFlipEachPixelOnceWithinTheClipAndTheMapping) {
    TestApp();
    Image image(30, 20, kWhite);
    {
        DrawContext dc(image);
        dc.SetRasterOp(RasterOp::Xor);
        dc.SetPen(Pen::Solid(kWhite));
        dc.SetBrush(Brush::Null());
        dc.SetViewportOrg(Point{2, 1});
        dc.Rectangle(Rect{3, 3, 13, 9});  // device 5..14 x 4..9
        dc.ResetClip();
        dc.ClipToRect(Rect{0, 0, 8, 40});  // device x below 10
        dc.MoveTo(Point{0, 14});
        dc.LineTo(Point{20, 14});
    }
    EXPECT_EQ(Row(image, 4, 4, 16), ".##########.");
    EXPECT_EQ(Row(image, 6, 4, 16), ".#........#.");
    EXPECT_EQ(Row(image, 9, 4, 16), ".##########.");
    EXPECT_EQ(Row(image, 10, 4, 16), "............");
    EXPECT_EQ(Row(image, 15, 0, 14), "..########....");
}

TEST(Paths, StrokedAndFilledFigures) {
    TestApp();
    Image image(60, 40, kWhite);
    {
        DrawContext dc(image);
        dc.SetPen(Pen::Solid(kBlack));
        dc.SetBrush(Brush::Solid(Rgb(255, 0, 0)));
        Path triangle;
        triangle.MoveTo(Point{5, 35});
        triangle.LineTo(Point{25, 5});
        triangle.LineTo(Point{45, 35});
        triangle.Close();
        dc.StrokeAndFillPath(triangle);
        Path curve;
        curve.MoveTo(Point{0, 38});
        curve.BezierTo(Point{20, 20}, Point{40, 20}, Point{59, 38});
        dc.StrokePath(curve);
    }
    EXPECT_EQ(image.Pixel(25, 25), Rgb(255, 0, 0));  // inside: filled
    EXPECT_EQ(image.Pixel(5, 35), kBlack);           // the outline
    EXPECT_EQ(image.Pixel(55, 5), kWhite);           // outside
    int curveInk = 0;
    for (int y = 20; y < 40; ++y) curveInk += image.Pixel(52, y) == kBlack;
    EXPECT_GE(curveInk, 1);
}
