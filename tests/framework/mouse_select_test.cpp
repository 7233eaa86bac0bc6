#include <gtest/gtest.h>

#include <vector>

#include "platform/input.h"
#include "platform/qt_app.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/graphic_objects.h"
#include "ui/framework/shell_state.h"

using namespace ob7;
using platform::Point;
using platform::Rect;

namespace {

// One object of a fake view: its bounds, kind and selected bit; a press within 3 pixels
// of its lower-right corner is on a handle (flag 4).
struct Item {
    Rect bounds;
    int kind = kGraphicRectangle;
    int family = kHitGraphicObject;
    int objectKind = -1;  // family 1 kinds; -1 takes the graphic kind
    bool closed = true;
    uint8_t state = 0;
};

bool In(const Rect& r, Point p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// A view that records what the base asks of it.
struct RecordingView : CDraw {
    std::vector<Item> items;
    std::vector<int> refreshes;
    std::vector<TrackRequest> tracks;
    std::vector<int> ended;
    std::vector<std::pair<int, int>> selectionDrags;
    std::vector<std::string> undoLabels;
    int switches = 0, redrawn = 0, polygonsClosed = 0, cursorClicks = 0, redrawMarks = 0;

    void OnDocumentChanged() override {}
    void Refresh(int flags) override { refreshes.push_back(flags); }
    int CountSelected(int) override {
        int n = 0;
        for (auto& i : items) n += i.state & 1;
        return n;
    }
    int SetSelection(int, int select) override {
        for (auto& i : items) i.state = select ? (i.state | 1) : (i.state & ~1);
        return 1;
    }
    HitRecord HitTest(Point p, int mode) override {
        for (auto& i : items) {
            bool handle = std::abs(p.x - i.bounds.right) <= 3 && std::abs(p.y - i.bounds.bottom) <= 3;
            bool hit = mode >= 2 ? handle : In(i.bounds, p);
            if (!hit) continue;
            HitRecord r;
            r.family = i.family;
            r.object = &i;
            r.state = &i.state;
            r.handleFlags = handle ? 4 : 0;
            r.objectKind = i.objectKind >= 0 ? i.objectKind : i.kind;
            r.graphicKind = i.kind;
            r.closed = i.closed;
            r.bounds = i.bounds;
            r.anchor = Point{i.bounds.left, i.bounds.top};
            return r;
        }
        return {};
    }
    void BeginObjectUndo(void*, const std::string& label) override { undoLabels.push_back(label); }
    void BeginTrack(const TrackRequest& r) override { tracks.push_back(r); }
    void EndTrack(int code) override {
        ended.push_back(code);
        trackState = 0;  // the tracker ends as the views' trackers do
    }
    void StartSelectionDrag(int mode, int keyFlags) override { selectionDrags.push_back({mode, keyFlags}); }
    int GraphAtPoint(Point p) override { return p.y < 100 ? 0 : 1; }
    void ToggleDigitalSwitch(const HitRecord&) override { ++switches; }
    void RedrawGraphicObject(const HitRecord&) override { ++redrawn; }
    void MarkObjectsForRedraw() override { ++redrawMarks; }
    void ClosePolygon() override { ++polygonsClosed; }
    void CursorModeRightClick(Point, int) override { ++cursorClicks; }
};

// An analysis window in graphic-object mode.
struct PlotView : RecordingView {
    PlotView() {
        drawType = kDraw2DPlot;
        flags = kDrawObjectMode | kDrawAllowObjects;
        items = {Item{Rect{10, 10, 50, 40}}, Item{Rect{60, 10, 90, 30}, kGraphicText, kHitGraphicObject, -1, false},
                 Item{Rect{10, 120, 40, 150}, kGraphicMeasureV, kHitGraphicObject, -1, false}};
    }
};

struct Mouse : ::testing::Test {
    void SetUp() override { TestApp(); }
    void TearDown() override { Shell = ShellState{}; }
};

}  // namespace

TEST_F(Mouse, ClicksSelectExtendToggleAndDragsMoveTheSelection) {
    PlotView v;
    v.items[1].state = 1;

    // A plain click selects the object alone and repaints just it.
    v.MouseSelect(false, Point{20, 20}, false, 0);
    EXPECT_EQ(v.items[0].state, 1);
    EXPECT_EQ(v.items[1].state, 0);
    EXPECT_EQ(v.refreshes.back(), 4616);

    // A drag from the selected object (not a handle) moves the whole selection.
    v.MouseSelect(false, Point{20, 20}, true, platform::kLeftButton);
    EXPECT_EQ(v.trackState, 2);
    ASSERT_EQ(v.selectionDrags.size(), 1u);
    EXPECT_EQ(v.selectionDrags[0].first, 1);

    // A plain click on an already selected object keeps the selection.
    v.trackState = 0;
    v.items[1].state = 1;
    v.MouseSelect(false, Point{20, 20}, false, 0);
    EXPECT_EQ(v.items[1].state, 1);

    // An extend click deselects a selected object: its highlight is erased directly.
    v.refreshes.clear();
    v.MouseSelect(true, Point{20, 20}, false, platform::kMouseShift);
    EXPECT_EQ(v.items[0].state, 0);
    EXPECT_EQ(v.redrawn, 1);
    EXPECT_EQ(v.refreshes, (std::vector<int>{8}));
    v.MouseSelect(true, Point{20, 20}, false, platform::kMouseShift);
    EXPECT_EQ(v.items[0].state, 1);
    EXPECT_EQ(v.items[1].state, 1);
}

TEST_F(Mouse, HandlesResizeWithTheTrackerCodesAndTextsOnlyMark) {
    PlotView v;
    // A closed shape: "Resize" undo, the bounds as drag rectangle, code with handle and fill.
    v.MouseSelect(false, Point{50, 40}, true, platform::kLeftButton);
    EXPECT_EQ(v.trackState, 256);
    EXPECT_EQ(v.resizing, &v.items[0]);
    EXPECT_EQ(v.undoLabels, (std::vector<std::string>{"Resize"}));
    ASSERT_EQ(v.tracks.size(), 1u);
    EXPECT_EQ(v.tracks[0].code, 0x6017 + 4 + 0x8000);
    EXPECT_EQ(v.tracks[0].kind, kGraphicRectangle);
    EXPECT_EQ(v.tracks[0].graph, 0);
    EXPECT_EQ(v.dragRect, (Rect{10, 10, 50, 40}));

    // A measuring tag hands over its anchor and font; its code has no fill flag.
    v.trackState = 0;
    v.MouseSelect(false, Point{40, 150}, true, platform::kLeftButton);
    ASSERT_EQ(v.tracks.size(), 2u);
    EXPECT_EQ(v.tracks[1].code, 0x6017 + 4);
    EXPECT_TRUE(v.tracks[1].hasAnchor);
    EXPECT_EQ(v.tracks[1].anchor, (Point{10, 120}));
    EXPECT_EQ(v.tracks[1].graph, 1);

    // Texts are marked for resizing but start no track and no undo entry.
    v.trackState = 0;
    v.MouseSelect(false, Point{90, 30}, true, platform::kLeftButton);
    EXPECT_EQ(v.trackState, 256);
    EXPECT_EQ(v.resizing, &v.items[1]);
    EXPECT_EQ(v.tracks.size(), 2u);
    EXPECT_EQ(v.undoLabels.size(), 2u);
}

TEST_F(Mouse, EmptyPlacesRubberBandOrMoveTheSelectionBox) {
    PlotView v;
    v.items[0].state = 1;
    // A drag on empty space clears the selection and starts a rubber band.
    v.MouseSelect(false, Point{200, 50}, true, platform::kLeftButton);
    EXPECT_EQ(v.items[0].state, 0);
    EXPECT_EQ(v.trackState, 16);
    EXPECT_EQ(v.selectionBox, (Rect{200, 50, 200, 50}));
    ASSERT_EQ(v.tracks.size(), 1u);
    EXPECT_EQ(v.tracks[0].code, 0xCF14);

    // A drag that starts inside the selection box moves the selection without an object.
    v.trackState = 0;
    v.selectionBox = Rect{150, 40, 300, 90};
    v.MouseSelect(false, Point{200, 50}, true, platform::kLeftButton);
    EXPECT_EQ(v.trackState, 2);
    EXPECT_EQ(v.selectionDrags.size(), 1u);

    // Shift on empty space removes the box first; outside object mode the band is 0x8F14.
    v.trackState = 0;
    v.flags = kDrawAllowObjects;
    v.refreshes.clear();
    v.MouseSelect(true, Point{400, 50}, true, platform::kLeftButton | platform::kMouseShift);
    EXPECT_EQ(v.refreshes, (std::vector<int>{10760, 24}));
    EXPECT_EQ(v.tracks.back().code, 0x8F14);
    EXPECT_EQ(v.selectionBox, (Rect{400, 50, 400, 50}));
}

TEST_F(Mouse, DrawingToolsRightButtonAndThePolygonTool) {
    PlotView v;
    v.StartObjectTool(kModeEllipse, Point{30, 130}, Point{});
    EXPECT_EQ(v.trackState, 128);
    ASSERT_EQ(v.tracks.size(), 1u);
    EXPECT_EQ(v.tracks[0].code, 0x8007 + 0x4510);
    EXPECT_EQ(v.tracks[0].kind, kGraphicEllipse);
    EXPECT_EQ(v.tracks[0].graph, 1);

    // The polygon tool is ignored while another placement runs ...
    v.StartObjectTool(kModePolygon, Point{30, 30}, Point{});
    EXPECT_EQ(v.tracks.size(), 1u);
    // ... and otherwise makes its first point at once and stays in placement.
    v.trackState = 0;
    v.StartObjectTool(kModePolygon, Point{30, 30}, Point{});
    ASSERT_EQ(v.tracks.size(), 2u);
    EXPECT_EQ(v.tracks[1].code, 7 + 0x4510);
    EXPECT_EQ(v.ended, (std::vector<int>{0x30}));
    EXPECT_EQ(v.trackState, 128);
    v.StartObjectTool(kModeSelect, Point{}, Point{});  // not a drawing tool
    EXPECT_EQ(v.tracks.size(), 2u);

    // The right button closes a polygon being drawn and starts a right drag ...
    v.OnRButtonDown(platform::kRightButton, Point{70, 80});
    EXPECT_EQ(v.polygonsClosed, 1);
    EXPECT_EQ(v.rightDrag, 1);
    EXPECT_EQ(v.buttonDown, (Point{70, 80}));
    // ... but not while the left one is down; in Cursor mode the window takes the click.
    v.rightDrag = 0;
    v.OnRButtonDown(platform::kRightButton | platform::kLeftButton, Point{1, 1});
    EXPECT_EQ(v.rightDrag, 0);
    v.currentMode = kModeCursor;
    v.OnRButtonDown(platform::kRightButton, Point{1, 1});
    EXPECT_EQ(v.cursorClicks, 1);
    v.OnRButtonDown(platform::kRightButton | platform::kMouseCtrl, Point{1, 1});
    EXPECT_EQ(v.cursorClicks, 1);
    EXPECT_EQ(v.polygonsClosed, 2);
    CDraw::ReleaseCapture();
}

TEST_F(Mouse, SchematicWiresDrawingsAndTheTransientRun) {
    RecordingView v;
    v.drawType = kDrawSchematic;
    v.items = {Item{Rect{10, 10, 50, 40}, kGraphicEllipse, kHitSchematicObject, kHitDrawing, true},
               Item{Rect{100, 10, 140, 12}, 0, kHitSchematicObject, kHitWire, false},
               Item{Rect{10, 100, 40, 140}, 0, kHitSchematicObject, kHitComponent, false}};

    v.MouseSelect(false, Point{140, 12}, true, platform::kLeftButton);
    ASSERT_EQ(v.tracks.size(), 1u);
    EXPECT_EQ(v.tracks[0].code, 0x2016 + 4);
    EXPECT_EQ(v.undoLabels.back(), "Wire change");

    v.trackState = 0;
    v.MouseSelect(false, Point{50, 40}, true, platform::kLeftButton);
    EXPECT_EQ(v.tracks[1].code, 0x2017 + 4 + 0x8000);
    EXPECT_EQ(v.tracks[1].kind, kGraphicEllipse);

    // A closed shape is selected without repainting the others and then as a whole.
    v.trackState = 0;
    v.refreshes.clear();
    v.MouseSelect(false, Point{20, 20}, false, 0);
    EXPECT_EQ(v.items[0].state, 1);
    EXPECT_EQ(v.refreshes, (std::vector<int>{536}));

    // During a transient run a click on a component toggles its switch and selects nothing.
    Shell.analysisKind = 0;
    v.MouseSelect(false, Point{20, 120}, false, 0);
    EXPECT_EQ(v.switches, 1);
    EXPECT_EQ(v.items[2].state, 0);
    // A drag during an analysis does nothing unless Dynamic DC is on.
    v.trackState = 0;
    v.MouseSelect(false, Point{140, 12}, true, platform::kLeftButton);
    EXPECT_EQ(v.tracks.size(), 2u);
    Shell.dynamicDC = true;
    v.MouseSelect(false, Point{140, 12}, true, platform::kLeftButton);
    EXPECT_EQ(v.tracks.size(), 3u);
}
