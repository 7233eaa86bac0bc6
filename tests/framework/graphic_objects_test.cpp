#include <gtest/gtest.h>

#include <cstdio>

#include "framework_fixture.h"
#include "platform/image.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/graphic_objects.h"

using namespace ob7;
using platform::Rect;

namespace {

// Two graphs side by side, ten pixels a unit, y upwards; each holds one straight curve.
struct TwoGraphs : GraphHost {
    std::vector<int> keys{101, 202};
    int background = -1;
    int GraphBackground(int) const override { return background; }
    std::vector<GraphMarker> markers;
    std::vector<GraphMarker> GraphMarkers(int g) const override { return g == 0 ? markers : std::vector<GraphMarker>{}; }
    FontRecord MarkerFont() const override {
        FontRecord f{};
        f.color = 12;  // blue
        return f;
    }
    int MarkerFill() const override { return 11; }  // yellow
    int GraphCount() const override { return static_cast<int>(keys.size()); }
    int GraphKey(int g) const override { return keys[g]; }
    Rect GraphRect(int g) const override { return Rect{g * 200, 0, g * 200 + 200, 200}; }
    double ValueToPixel(int g, int axis, double v) const override {
        return axis == 0 ? g * 200 + v * 10 : 200 - v * 10;
    }
    double PixelToValue(int g, int axis, double p) const override {
        return axis == 0 ? (p - g * 200) / 10 : (200 - p) / 10;
    }
    std::vector<std::vector<CurvePoint>> Curves(int g) const override {
        if (g == 0) return {{{0, 5}, {20, 5}}};  // y = 5
        return {{{0, 2}, {20, 12}}};             // y = 2 + x / 2
    }
};

struct PlotView : CDraw {
    PlotView() { drawType = kDraw2DPlot; }
    int changes = 0;
    void OnDocumentChanged() override { ++changes; }
};

struct Objects : ::testing::Test {
    PlotView view;
    TwoGraphs graphs;
    GraphicObjectList list{view, graphs};
    platform::Image image{400, 200};
    platform::DrawContext raw{image};
    CDrawContext dc{&raw};
    Rect region{0, 0, 400, 200};
    void SetUp() override {
        CreateProgramPalette();
        CreateColourSlots();
        view.printRegion = &region;  // the drawing rectangle without a window
    }
};

}  // namespace

TEST_F(Objects, AbsoluteObjectsKeepTheirPlaceAndSmallOnesAreStillHit) {
    GraphicObject* o = list.AddGraphicObject(dc, kGraphicRectangle, -1, 100, 50, 200, 150);
    ASSERT_NE(o, nullptr);
    EXPECT_DOUBLE_EQ(o->x1, 2500);
    EXPECT_DOUBLE_EQ(o->y2, 7500);
    EXPECT_EQ(o->analysis, 1);
    Rect bigger{0, 0, 800, 400};
    view.printRegion = &bigger;  // the window grew: the object keeps its relative place
    EXPECT_EQ(list.GetObjectBoundingRect(dc, *o), (Rect{200, 100, 400, 300}));
    view.printRegion = &region;

    GraphicObject* dot = list.AddGraphicObject(dc, kGraphicLine, -1, 300, 100, 302, 101);
    EXPECT_TRUE(list.HitTestGraphicObject(dc, *dot, platform::Point{305, 104}));
    EXPECT_FALSE(list.HitTestGraphicObject(dc, *dot, platform::Point{308, 100}));
    EXPECT_EQ(list.Objects().front().Kind(), kGraphicLine);  // newest first
}

TEST_F(Objects, AMeasuringTagAcrossTwoGraphsSnapsToEachCurve) {
    GraphicObject* tag = list.AddGraphicObject(dc, kGraphicMeasureH, 0, 50, 140, 260, 120);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->typeWord & 0x10, 0x10);
    EXPECT_EQ(tag->graph, 0);
    EXPECT_EQ(tag->graph2, 1);  // the second point found the other graph's curve
    EXPECT_NEAR(tag->y1, 5, 1e-9);
    EXPECT_NEAR(tag->y2, 2 + tag->x2 / 2, 1e-9);
    EXPECT_EQ(tag->graphKey, 101);
    EXPECT_EQ(tag->graphKey2, 202);
}

TEST_F(Objects, RebuiltGraphsBringHiddenObjectsBack) {
    GraphicObject* line = list.AddGraphicObject(dc, kGraphicLine, 1, 210, 190, 260, 150);
    double x1 = line->x1;
    graphs.keys = {202};  // the graph moved to index 0; the other is gone
    list.RelinkObjectsToGraphs();
    EXPECT_EQ(line->graph, 0);
    EXPECT_FALSE(line->Hidden());
    graphs.keys = {101};
    list.RelinkObjectsToGraphs();
    EXPECT_TRUE(line->Hidden());
    graphs.keys = {101, 202};
    list.RelinkObjectsToGraphs();
    EXPECT_FALSE(line->Hidden());
    EXPECT_EQ(line->graph, 1);
    EXPECT_DOUBLE_EQ(line->x1, x1);  // at the same data position
}

TEST_F(Objects, PolygonsRemovalAndTheVisibleColourRule) {
    GraphicObject* poly = list.AddPolygonObject(dc, 0, 2, -1);
    ASSERT_NE(poly, nullptr);
    EXPECT_TRUE(list.IsPolygonInProgress());
    list.SetOrAppendVertex(dc, *poly, 0, 40, 40);
    list.SetOrAppendVertex(dc, *poly, 1, 80, 40);
    list.SetOrAppendVertex(dc, *poly, 3, 60, 80);  // the array grows
    EXPECT_EQ(poly->vertices.size(), 4u);
    list.AddGraphicObject(dc, kGraphicLine, -1, 0, 0, 10, 10);
    EXPECT_FALSE(list.IsPolygonInProgress());  // another object is newer
    list.Objects().pop_front();
    list.ClosePolygonObject();
    EXPECT_EQ(poly->vertices.size(), 5u);
    EXPECT_EQ(view.trackState, 0);

    poly->vertices[0].yState = 1;
    GraphicObjectList::ScaleObjectVertices(*poly, -2);
    EXPECT_EQ(poly->vertices[0].yState, 2);

    // A pen the colour of the background is drawn inverted.
    view.backgroundColour = 15;
    GraphicObject* white = list.AddGraphicObject(dc, kGraphicLine, -1, 0, 100, 400, 100);
    white->penColour = 15;
    list.DrawObjects(dc, -1, 0);
    EXPECT_EQ(white->penColour, 0);
    EXPECT_EQ(image.Pixel(200, 100), platform::Rgb(0, 0, 0));

    list.Objects().front().analysis = 2;  // made in an AC analysis
    EXPECT_EQ(list.RemoveAnalysisObjects(0), 1);  // the polygon of the transient analysis
    EXPECT_EQ(list.Objects().size(), 1u);
    EXPECT_EQ(view.changes, 1);
}

TEST_F(Objects, GraphLookupsLayersAndLabelPoints) {
    EXPECT_EQ(list.FindGraphIndexByKey(202), 1);
    EXPECT_EQ(list.FindGraphIndexByKey(999), -1);
    EXPECT_EQ(list.FindGraphIndexByKey(-1), -1);
    EXPECT_EQ(list.GetGraphKey(0), 101);
    EXPECT_EQ(list.GetGraphKey(-1), -1);
    EXPECT_EQ(list.GetGraphKey(2), -1);

    GraphicObject* o = list.AddGraphicObject(dc, kGraphicLine, 0, 20, 20, 60, 60);
    ASSERT_NE(o, nullptr);
    EXPECT_FALSE(list.AnyLayerOneObject());
    o->layer = 1;
    EXPECT_TRUE(list.AnyLayerOneObject());
    o->analysis = 2;  // another analysis's object does not count
    EXPECT_FALSE(list.AnyLayerOneObject());

    // A measuring tag of x values puts its label 2 pixels left of its anchor, halfway down.
    GraphicObject tag;
    tag.typeWord = kGraphicMeasureV;
    tag.graph = tag.graph2 = 0;
    tag.x1 = 2, tag.y1 = 15, tag.x2 = 12, tag.y2 = 5;
    tag.anchor = 7;
    EXPECT_EQ(list.GetObjectLabelPoint(dc, tag), (platform::Point{68, 100}));
}

TEST_F(Objects, PicturesPlotAreaColoursAndTheSelectionBox) {
    const std::string path = "/tmp/ob7_picture_object.png";
    ASSERT_TRUE(platform::Image(10, 10, platform::Rgb(255, 0, 0)).SavePng(path));
    GraphicObject* pic = list.AddGraphicObject(dc, kGraphicPicture, -1, 250, 20, 350, 120);
    ASSERT_NE(pic, nullptr);
    pic->text = path;
    list.DrawObjects(dc, -1, 0);
    EXPECT_EQ(image.Pixel(300, 70), platform::Rgb(255, 0, 0));
    // While a placement preview is drawn only a black box shows.
    view.paintMode = 2;
    list.DrawObjects(dc, -1, 0);
    EXPECT_EQ(image.Pixel(300, 70), platform::Rgb(0, 0, 0));
    view.paintMode = 0;
    std::remove(path.c_str());
    list.Objects().clear();

    // An attached object takes its plot area's background for the visible-colour rule.
    graphs.background = 9;
    GraphicObject* line = list.AddGraphicObject(dc, kGraphicLine, 1, 220, 50, 380, 50);
    line->penColour = 9;
    list.DrawObjects(dc, -1, 0);
    EXPECT_EQ(line->penColour, 9 ^ 15);

    // On the screen the selection box follows the objects, with handles.
    image.Fill(platform::Rgb(255, 255, 255));
    list.Objects().clear();
    dc.technology = platform::DeviceKind::Display;
    view.printRegion = nullptr;
    view.selectionFrameShown = 1;
    view.filterMask = 1;
    view.filterValue = 1;
    view.selectionColour = 12;
    view.selectionBox = Rect{20, 20, 100, 80};
    list.DrawWindowAnnotations(dc, -1);
    EXPECT_EQ(image.Pixel(20, 20), platform::Rgb(0, 0, 255));
    EXPECT_EQ(image.Pixel(60, 80), platform::Rgb(0, 0, 255));
    EXPECT_EQ(image.Pixel(60, 50), platform::Rgb(255, 255, 255));
    view.selectionFrameShown = 0;  // pictures without selection marks
    image.Fill(platform::Rgb(255, 255, 255));
    list.DrawWindowAnnotations(dc, -1);
    EXPECT_EQ(image.Pixel(20, 20), platform::Rgb(255, 255, 255));
}

TEST_F(Objects, PointMarkersShowACircleAndTheirTextInABox) {
    TestApp();  // texts need the fonts
    // Graph 0: x 0..20 over 0..200 pixels, y upwards from 200.
    graphs.markers = {GraphMarker{"M1", {{5, 15}, {18, 1}}}};
    list.DrawGraphMarkers(dc, -1);
    const platform::Color blue = platform::Rgb(0, 0, 255), yellow = platform::Rgb(255, 255, 0);
    // The point (5, 15) is at pixel (50, 50): its circle, and the box below it.
    EXPECT_EQ(image.Pixel(54, 50), blue);
    EXPECT_EQ(image.Pixel(50, 50), platform::Rgb(255, 255, 255));  // only the outline
    EXPECT_EQ(image.Pixel(50, 56), blue);                            // the box's top edge
    bool filled = false;
    for (int y = 57; y < 80 && !filled; ++y) filled = image.Pixel(51, y) == yellow;
    EXPECT_TRUE(filled);
    // The point (18, 1) at pixel (180, 190) is near the bottom: the box goes above it.
    EXPECT_EQ(image.Pixel(185, 183), blue);  // the box's bottom edge, above the circle
    EXPECT_NE(image.Pixel(178, 175), yellow);
    bool aboveFilled = false;
    for (int y = 165; y < 183 && !aboveFilled; ++y) aboveFilled = image.Pixel(182, y) == yellow;
    EXPECT_TRUE(aboveFilled);
    // At the right end of the graph the box goes to the left of the point.
    image.Fill(platform::Rgb(255, 255, 255));
    graphs.markers = {GraphMarker{"M2", {{19.5, 15}}}};
    list.DrawGraphMarkers(dc, -1);
    bool leftFilled = false;
    for (int y = 57; y < 80 && !leftFilled; ++y) leftFilled = image.Pixel(190, y) == yellow;
    EXPECT_TRUE(leftFilled);
    for (int y = 150; y < 200; ++y) EXPECT_NE(image.Pixel(201, y), yellow) << y;  // clipped to the graph
}

TEST(GraphicKinds, NamesAndClosedShapes) {
    EXPECT_STREQ(GraphicKindLabel(0x300), "Rectangle");
    EXPECT_STREQ(GraphicKindLabel(0x310), "Rectangle");
    EXPECT_STREQ(GraphicKindLabel(0x700), "");
    EXPECT_TRUE(GraphicKindClosed(kGraphicPie));
    EXPECT_FALSE(GraphicKindClosed(kGraphicArc));
}
