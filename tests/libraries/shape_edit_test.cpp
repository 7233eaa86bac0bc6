#include "library_test_support.h"

#include "libraries/shape_edit.h"

using namespace ob7;
using namespace ob7::test;

namespace {

ShapeEditNode* AddSimple(ShapeEditList& list, int code, Rect32 r, int style = 0)
{
    std::vector<uint8_t> body = MakeRectBody(r.left, r.top, r.right, r.bottom);
    return CreateEditObject(list, body.data(), 16, 0, 0, code, style, 0);
}

ShapeEditNode* AddBody(ShapeEditList& list, int code, const std::vector<uint8_t>& body, int style = 0)
{
    return CreateEditObject(list, body.data(), static_cast<int>(body.size()), 0, 0, code, style, 0);
}

Point32 ArcPoint(const ShapeEditNode& n, int which)
{
    const uint8_t* d = n.data.data() + 16 + 8 * which;
    return {GetI32(d), GetI32(d + 4)};
}

class ShapeEditTest : public LibraryTest {};

}  // namespace

TEST(Orientation, CodesAndComposition)
{
    const Point32 expected[8] = {{3, 7}, {-7, 3}, {-3, -7}, {7, -3}, {3, -7}, {-7, -3}, {-3, 7}, {7, 3}};
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(RotateOffset(c, 3, 7), expected[c]) << c;
    EXPECT_EQ(OrientAndOffsetPoint(1, 3, 7, 10, 20), (Point32{3, 23}));
    // Composing is placing in a parent: first the child's code, then the parent's.
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < 8; ++b) {
            Point32 once = RotateOffset(ComposeOrientation(a, b), 3, 7);
            Point32 inner = RotateOffset(a, 3, 7);
            EXPECT_EQ(once, RotateOffset(b, inner.x, inner.y)) << a << " " << b;
        }
}

TEST(ShapeObjects, BodySizes)
{
    int count = 0;
    EXPECT_EQ(ObjectBodySize(SO_TEXT, &count, 0), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ObjectBodySize(SO_ARC, &count, 0), 40);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(ObjectBodySize(SO_LINE, nullptr, 0), 16);
    EXPECT_EQ(ObjectBodySize(-11, nullptr, 0), 32);
    EXPECT_EQ(ObjectBodySize(SO_POLY_OPEN, nullptr, 36), 36);
    EXPECT_EQ(ObjectBodySize(-9, &count, 99), 0);
    EXPECT_EQ(count, 1);
}

TEST_F(ShapeEditTest, RotatingAndMirroringRectangles)
{
    ShapeEditList list;
    ShapeEditNode* r = AddSimple(list, SO_RECTANGLE, {0, 0, 40, 20}, SS_SELECTED);
    TransformEditList(list, 1, 0, 20, 10);
    EXPECT_EQ(r->rect, (Rect32{10, -10, 30, 30}));

    for (int code : {2, 5, 7, 4, 6, 1}) {
        ShapeEditList l;
        ShapeEditNode* n = AddSimple(l, SO_ELLIPSE, {8, 16, 48, 36}, SS_SELECTED);
        int back = code == 1 ? 3 : code;  // a quarter turn undoes with three more
        TransformEditList(l, code, 0, 28, 26);
        TransformEditList(l, back, 0, 28, 26);
        EXPECT_EQ(n->rect, (Rect32{8, 16, 48, 36})) << code;
    }

    // Unselected nodes stay unless every node is asked for.
    ShapeEditList l;
    ShapeEditNode* still = AddSimple(l, SO_RECTANGLE, {0, 0, 40, 20});
    TransformEditList(l, 2, 0, 0, 0);
    EXPECT_EQ(still->rect, (Rect32{0, 0, 40, 20}));
    TransformEditList(l, 2, 1, 0, 0);
    EXPECT_EQ(still->rect, (Rect32{-40, -20, 0, 0}));
}

TEST_F(ShapeEditTest, LinesPolygonsAndArcsMoveTheirPoints)
{
    ShapeEditList list;
    ShapeEditNode* line = AddSimple(list, SO_LINE, {0, 0, 16, 0}, SS_SELECTED);
    ShapeEditNode* poly = AddBody(list, SO_POLY_OPEN, MakePolyBody({{0, 0}, {10, 0}, {10, 20}}), SS_SELECTED);
    TransformEditList(list, 1, 0, 0, 0);
    EXPECT_EQ(line->rect, (Rect32{0, 0, 0, 16}));  // end points, not normalised
    EXPECT_EQ(poly->rect, (Rect32{-20, 0, 0, 10}));
    EXPECT_EQ(GetI32(poly->data.data() + 20), 0);   // (0,0) -> (0,0)
    EXPECT_EQ(GetI32(poly->data.data() + 36), -20); // (10,20) -> (-20,10)
    EXPECT_EQ(GetI32(poly->data.data() + 40), 10);

    // A mirror reverses the sense of rotation: the ends swap for every mirrored code.
    for (int code = 0; code < 8; ++code) {
        ShapeEditList l;
        ShapeEditNode* arc = AddBody(l, SO_ARC, MakeArcBody({0, 0, 16, 16}, {16, 8}, {0, 8}), SS_SELECTED);
        TransformEditList(l, code, 0, 8, 8);
        Point32 start = ArcPoint(*arc, 0), end = ArcPoint(*arc, 1);
        Point32 s = RotateOffset(code, 8, 0), e = RotateOffset(code, -8, 0);
        if (code >= 4)
            std::swap(s, e);
        EXPECT_EQ(start, (Point32{8 + s.x, 8 + s.y})) << code;
        EXPECT_EQ(end, (Point32{8 + e.x, 8 + e.y})) << code;
    }
}

TEST_F(ShapeEditTest, PinBlocks)
{
    std::vector<uint8_t> wide = BuildBlockLines({0, 0, 64, 16}, nullptr, 16, -1);
    ASSERT_FALSE(wide.empty());
    int n = GetI16(wide.data());
    EXPECT_EQ(n % 2, 0);
    ShapeEditList list;
    ShapeEditNode* block = AddBody(list, SO_BLOCK, wide);
    // Horizontal: pins above and below, the widened rectangle reaches their ends.
    EXPECT_LT(block->rect.top, 0);
    EXPECT_GT(block->rect.bottom, 16);
    EXPECT_EQ(block->rect.left, 0);
    for (int i = 0; i < n; ++i) {
        const uint8_t* line = wide.data() + 20 + 12 * i;
        EXPECT_EQ(GetI32(line + 4) % 8, 0);
        EXPECT_EQ(GetI32(line + 8) % 8, 0);
        EXPECT_EQ(GetI16(line), 4);
    }
    std::vector<uint8_t> tall = BuildBlockLines({0, 0, 16, 64}, nullptr, 16, -1);
    ShapeEditNode* vertical = AddBody(list, SO_BLOCK, tall);
    EXPECT_LT(vertical->rect.left, 0);
    EXPECT_GT(vertical->rect.right, 16);
    EXPECT_TRUE(BuildBlockLines({0, 0, 4, 2}, nullptr, 16, -1).empty());

    // Decorations survive a rebuild with the same count; a turn keeps sides in order.
    PutI16(wide.data() + 20, 2);
    std::vector<uint8_t> again = BuildBlockLines({0, 0, 64, 16}, &wide, 16, -1);
    EXPECT_EQ(GetI16(again.data() + 20), 2);
    block->style = SS_SELECTED;
    TransformEditList(list, 1, 0, 32, 8);
    Rect32 box = GetObjectRect(*block);
    EXPECT_EQ(box.right - box.left, 16);
    int lines = GetI16(block->data.data());
    for (int i = 1; i < lines / 2; ++i)
        EXPECT_GT(GetI32(block->data.data() + 20 + 12 * i + 8), GetI32(block->data.data() + 20 + 12 * (i - 1) + 8));
}

TEST_F(ShapeEditTest, HitTests)
{
    ShapeEditList list;
    AddSimple(list, SO_LINE, {0, 0, 100, 10});
    int handle = -1;
    EXPECT_NE(HitTestEditObjects(list, {50, 7}, &handle), nullptr);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(HitTestEditObjects(list, {50, 9}, &handle), nullptr);

    // A horizontal line is widened by 2 above and below.
    ShapeEditList flat;
    AddSimple(flat, SO_LINE, {0, 20, 40, 20});
    EXPECT_NE(HitTestEditObjects(flat, {20, 21}, nullptr), nullptr);
    EXPECT_EQ(HitTestEditObjects(flat, {20, 23}, nullptr), nullptr);

    // The topmost (last) node wins; handles of selected nodes answer too.
    ShapeEditList stack;
    ShapeEditNode* below = AddSimple(stack, SO_RECTANGLE, {0, 0, 40, 40});
    ShapeEditNode* above = AddSimple(stack, SO_RECTANGLE, {10, 10, 30, 30});
    EXPECT_EQ(HitTestEditObjects(stack, {20, 20}, nullptr), above);
    EXPECT_EQ(HitTestEditObjects(stack, {5, 5}, nullptr), below);
    below->style = SS_SELECTED;
    EXPECT_EQ(HitTestEditObjects(stack, {41, 41}, &handle), below);
    EXPECT_EQ(handle, 0xA00);

    ShapeEditList arcs;
    AddBody(arcs, SO_ARC, MakeArcBody({0, 0, 16, 16}, {16, 8}, {0, 8}), SS_SELECTED);
    EXPECT_NE(HitTestEditObjects(arcs, {16, 9}, &handle), nullptr);
    EXPECT_EQ(handle, 0x10000);
    EXPECT_NE(HitTestEditObjects(arcs, {0, 8}, &handle), nullptr);
    EXPECT_EQ(handle, 0x20000);
}

TEST_F(ShapeEditTest, SelectionAndBounds)
{
    ShapeEditList list;
    AddSimple(list, SO_RECTANGLE, {0, 0, 10, 10});
    AddSimple(list, SO_RECTANGLE, {100, 100, 110, 110});
    Rect32 area{200, 200, 300, 300};
    EXPECT_EQ(SelectEditNodesInRect(list, area, false), 0);
    EXPECT_EQ(area, (Rect32{200, 200, 300, 300}));
    area = {5, 5, 50, 50};
    EXPECT_EQ(SelectEditNodesInRect(list, area, false), 1);
    EXPECT_EQ(area, (Rect32{-2, -2, 14, 14}));
    Rect32 bounds;
    EXPECT_EQ(EditListBounds(list, bounds, SS_SELECTED), 1);
    EXPECT_EQ(bounds, (Rect32{-3, -3, 14, 14}));
    EXPECT_EQ(EditListBounds(list, bounds, 0), 1);  // the unselected one
    EXPECT_EQ(SetEditNodeFlags(list, 0), 1);
    EXPECT_EQ(EditListBounds(list, bounds, SS_SELECTED), 0);
    EXPECT_EQ(bounds, (Rect32{1000, 1000, 1000, 1000}));
}

TEST_F(ShapeEditTest, IncludedShapesArePlacedAndOriented)
{
    ShapeLibrary& lib = ShapeLibraryTable()[AddShapeLibrary(Path("S.shp"))];
    auto inner = std::make_unique<Shape>();
    inner->name = "Inner";
    AppendObject(inner->block, MakeRectBody(0, 0, 40, 20), SO_RECTANGLE, 0);
    inner->box = {0, 0, 40, 20};
    auto outer = std::make_unique<Shape>();
    outer->name = "Outer";
    AppendObject(outer->block, MakeRootBody("Inner", 100, 50, 1), SO_ROOT, 0);
    AppendObject(outer->block, MakeRootBody("Nowhere", 0, 0, 0), SO_ROOT, 0);
    lib.shapes.push_back(std::move(inner));
    lib.shapes.push_back(std::move(outer));
    lib.LinkRootObjects();
    Shape& o = *lib.shapes[1];

    ShapeEditList list;
    ShapeToEditList(o, list);
    ASSERT_EQ(list.size(), 1u);  // the unlinked inclusion gives no node
    ShapeEditNode& root = *list[0];
    EXPECT_EQ(root.rect, (Rect32{100, 50, 120, 90}));  // turned, top left at (x, y)
    ASSERT_EQ(root.children.size(), 1u);
    EXPECT_EQ(root.children[0]->rect, root.rect);
    EXPECT_TRUE(root.children[0]->style & SS_INCLUDED);
    EXPECT_STREQ(GetObjectKindName(root), "Inner");

    ShapeEditList keep;
    ShapeToEditList(o, keep, EOF_KEEP_UNLINKED_ROOT);
    ASSERT_EQ(keep.size(), 2u);
    EXPECT_EQ(keep[1]->rect, (Rect32{0, 0, 0, 0}));
    EXPECT_TRUE(keep[1]->children.empty());
    EXPECT_STREQ(GetObjectKindName(*keep[1]), "Shape not Found");

    // Stored back, the inclusion keeps its place and orientation.
    Shape copy;
    StoreEditList(copy, list);
    EXPECT_EQ(copy.box, (Rect32{100, 50, 120, 90}));
    ShapeEditList again;
    copy.rootLinks = {lib.shapes[0].get()};
    ShapeToEditList(copy, again);
    EXPECT_EQ(again[0]->rect, root.rect);
    EXPECT_EQ(again[0]->orientation, 1);
}

TEST_F(ShapeEditTest, CyclicInclusionsEnd)
{
    ShapeLibrary& lib = ShapeLibraryTable()[AddShapeLibrary(Path("S.shp"))];
    for (const char* name : {"A", "B"}) {
        auto s = std::make_unique<Shape>();
        s->name = name;
        AppendObject(s->block, MakeRectBody(0, 0, 8, 8), SO_RECTANGLE, 0);
        AppendObject(s->block, MakeRootBody(name[0] == 'A' ? "B" : "A", 8, 0, 0), SO_ROOT, 0);
        s->box = {0, 0, 16, 8};
        lib.shapes.push_back(std::move(s));
    }
    // Linking cuts the inclusion that closes the cycle.
    EXPECT_EQ(lib.LinkRootObjects(), (std::vector<std::string>{"B"}));
    EXPECT_EQ(lib.shapes[0]->rootLinks[0], lib.shapes[1].get());
    EXPECT_EQ(lib.shapes[1]->rootLinks[0], nullptr);
    // Links made otherwise are still expanded only once along a path.
    lib.shapes[1]->rootLinks[0] = lib.shapes[0].get();
    ShapeEditList list;
    ShapeToEditList(*lib.shapes[0], list);
    ASSERT_EQ(list.size(), 2u);
    // A includes B, which would include A again: that inclusion is not expanded.
    ShapeEditNode& b = *list[1];
    ASSERT_EQ(b.children.size(), 2u);
    EXPECT_TRUE(b.children[1]->children.empty());
    Rect32 box = ComputeShapeBox(*lib.shapes[0]);
    EXPECT_EQ(box.left, 0);
}

TEST_F(ShapeEditTest, ResizingPolygonsAndTexts)
{
    ShapeEditList list;
    ShapeEditNode* poly = AddBody(list, SO_POLY_CLOSED, MakePolyBody({{0, 0}, {10, 0}, {10, 10}}));
    SetEditNodeRect({0, 0, 20, 40}, *poly);
    EXPECT_EQ(GetI32(poly->data.data() + 20 + 16), 20);
    EXPECT_EQ(GetI32(poly->data.data() + 20 + 20), 40);
    SetEditNodeRect({0, 0, 0, 40}, *poly);  // zero width: points stay
    EXPECT_EQ(GetI32(poly->data.data() + 20 + 16), 20);

    ShapeEditNode* text = AddBody(list, SO_TEXT, MakeTextBody({0, 0, 10, 10}, 8, 0, 0, 0, "Arial", "T"));
    MoveEditNode(*text, 5, 6);
    SetEditNodeRect({1, 2, 30, 40}, *text);
    EXPECT_EQ(GetI32(text->data.data() + 8), 30);
    std::vector<uint8_t> body = EditNodeToBody(*text);
    EXPECT_EQ(GetI32(body.data()), 1);
}

TEST_F(ShapeEditTest, CopyingAndMovingSelectedNodes)
{
    ShapeEditList list;
    AddSimple(list, SO_RECTANGLE, {0, 0, 8, 8}, SS_SELECTED);
    AddSimple(list, SO_LINE, {0, 0, 8, 0});
    AddBody(list, SO_POLY_OPEN, MakePolyBody({{0, 0}, {4, 4}}), SS_SELECTED);

    // Duplicating in place: the copies are appended selected, the sources deselected.
    CopySelectedEditNodes(list, list, {16, 16}, 0);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[3]->rect, (Rect32{16, 16, 24, 24}));
    EXPECT_TRUE(list[3]->style & SS_SELECTED);
    EXPECT_FALSE(list[0]->style & SS_SELECTED);
    EXPECT_EQ(GetI32(list[4]->data.data() + 28), 20);

    ShapeEditList clip;
    AddSimple(clip, SO_LINE, {1, 1, 2, 2});
    CopySelectedEditNodes(clip, list, {0, 0}, CEF_EMPTY_TARGET | CEF_MOVE);
    EXPECT_EQ(clip.size(), 2u);
    EXPECT_EQ(list.size(), 3u);
}
