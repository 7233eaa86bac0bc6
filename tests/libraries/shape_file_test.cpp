#include "library_test_support.h"

#include "foundation/font_record.h"
#include "foundation/message_codes.h"
#include "libraries/library_files.h"
#include "libraries/shape_edit.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

using namespace ob7;
using namespace ob7::test;

namespace {

class ShapeFileTest : public LibraryTest {
protected:
    static std::unique_ptr<Shape> MakeShape(const std::string& name, std::vector<uint8_t> block, Rect32 box)
    {
        auto s = std::make_unique<Shape>();
        s->name = name;
        s->block = std::move(block);
        s->box = box;
        return s;
    }
    static std::vector<uint8_t> OneRect()
    {
        std::vector<uint8_t> block;
        AppendObject(block, MakeRectBody(0, 0, 16, 8), SO_RECTANGLE, SS_FILLED);
        return block;
    }
};

}  // namespace

TEST_F(ShapeFileTest, RoundTripOfEveryObjectKind)
{
    ShapeLibrary lib;
    lib.fileName = Path("Lib.shp");
    std::vector<uint8_t> block;
    AppendObject(block, MakeRectBody(0, 0, 8, 0), SO_LINE, 0);
    AppendObject(block, MakeRectBody(0, 0, 16, 8), SO_ELLIPSE, SS_FILLED);
    AppendObject(block, MakeArcBody({0, 0, 8, 8}, {8, 4}, {0, 4}), SO_ARC, 0);
    AppendObject(block, MakePolyBody({{0, 0}, {8, 8}, {16, 0}}), SO_POLY_CLOSED, SS_FILLED);
    AppendObject(block, MakeTextBody({0, 0, 20, 10}, 8, 0, 4, 2, "Arial", "Hi"), SO_TEXT, 0);
    AppendObject(block, MakeBlockBody({0, 0, 32, 16}, {{2, 8, -8}, {4, 8, 24}}), SO_BLOCK, 0);
    AppendObject(block, MakeRootBody("Box", 40, 0, 3), SO_ROOT, 0);
    lib.shapes.push_back(MakeShape("Everything", block, {0, -8, 60, 24}));
    lib.shapes.push_back(MakeShape("Box", OneRect(), {0, 0, 16, 8}));
    lib.shapes.push_back(MakeShape("Empty", {}, {0, 0, 1, 1}));  // block size 0
    ASSERT_EQ(lib.Write(), 0);

    ShapeLibrary back;
    ASSERT_EQ(back.Read(Path("Lib.shp"), true), 0);
    EXPECT_EQ(back.version, 11);
    ASSERT_EQ(back.shapes.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.shapes[i]->name, lib.shapes[i]->name);
        EXPECT_EQ(back.shapes[i]->box, lib.shapes[i]->box);
    }
    // The face index is re-established in this run; everything else is byte for byte.
    EXPECT_EQ(back.shapes[0]->block.size(), block.size());
    EXPECT_EQ(back.shapes[1]->block, lib.shapes[1]->block);
    EXPECT_TRUE(back.shapes[2]->block.empty());
    ASSERT_EQ(back.shapes[0]->rootLinks.size(), 1u);
    EXPECT_EQ(back.shapes[0]->rootLinks[0], back.shapes[1].get());
    EXPECT_TRUE(reports.ids.empty());

    ShapeLibrary none;
    none.fileName = Path("None.SHP");
    ASSERT_EQ(none.Write(), 0);
    EXPECT_EQ(ReadBytes("None.SHP").size(), 28u);  // header and a count of 0
    ASSERT_EQ(none.Read(Path("None.SHP"), true), 0);
    EXPECT_TRUE(none.shapes.empty());
}

TEST_F(ShapeFileTest, VersionNineNamesAndTextsAreConverted)
{
    ByteWriter w;
    PutHeader(w, "SHP", 9);
    w.I32(1);
    w.FixedString("SixteenCharsName", 16);  // exactly 16, not terminated
    for (int v : {0, 0, 20, 10})
        w.I32(v);
    // A text object as such files store it: no face name after the font record.
    std::vector<uint8_t> body(22 + 3, 0);
    PutI32(body.data() + 8, 20);
    PutI32(body.data() + 12, 10);
    PutI16(body.data() + 16, 9);
    std::memcpy(body.data() + 22, "AB", 3);
    std::vector<uint8_t> block;
    AppendObject(block, body, SO_TEXT, 0);
    w.I32(static_cast<int32_t>(block.size()));
    w.Bytes(block.data(), block.size());
    WriteBytes("Nine.shp", w.bytes);

    ShapeLibrary lib;
    ASSERT_EQ(lib.Read(Path("Nine.shp"), true), 0);
    ASSERT_EQ(lib.shapes.size(), 1u);
    EXPECT_EQ(lib.shapes[0]->name, "SixteenCharsName");
    ShapeEditList list;
    ShapeToEditList(*lib.shapes[0], list);
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(list[0]->data.size(), body.size() + 32);
    EXPECT_STREQ(reinterpret_cast<const char*>(list[0]->data.data() + kTextFaceOffset), FaceName(0));
    EXPECT_STREQ(reinterpret_cast<const char*>(list[0]->data.data() + kTextStringOffset), "AB");

    // Written back it is version 11 with a length-prefixed name.
    lib.fileName = Path("Eleven.shp");
    ASSERT_EQ(lib.Write(), 0);
    ShapeLibrary back;
    ASSERT_EQ(back.Read(Path("Eleven.shp"), true), 0);
    EXPECT_EQ(back.version, 11);
    EXPECT_EQ(back.shapes[0]->name, "SixteenCharsName");
    EXPECT_EQ(back.shapes[0]->block, lib.shapes[0]->block);
}

TEST_F(ShapeFileTest, OldShapeFilesFillTheSlotTableAndConvertReferences)
{
    ByteWriter w;
    w.I16(7);
    w.I16(3);
    w.I16(5);
    auto shape = [&](int slot, const char* name, const std::vector<uint8_t>& block) {
        w.I16(slot);
        w.FixedString(name, 16);
        for (int v : {0, 0, 16, 8})
            w.I32(v);
        w.I32(static_cast<int32_t>(block.size()));
        w.Bytes(block.data(), block.size());
    };
    // An old reference: code = slot number of the included shape, a 12-byte body.
    std::vector<uint8_t> ref(12, 0);
    PutI32(ref.data(), 24);
    PutI32(ref.data() + 4, 8);
    PutI16(ref.data() + 8, 1);
    std::vector<uint8_t> withRef;
    AppendObject(withRef, MakeRectBody(0, 0, 4, 4), SO_RECTANGLE, 0);
    // AppendObject only stores known codes; write the old record by hand.
    withRef.insert(withRef.end(), {5, 0, 0, 0, 12, 0, 0, 0});
    withRef.insert(withRef.end(), ref.begin(), ref.end());
    PutI16(withRef.data(), 2);
    shape(5, "Inner", OneRect());
    shape(0, "NoSlot", OneRect());
    shape(2, "Outer", withRef);
    WriteBytes("shape1.ob5", w.bytes);

    ShapeLibrary lib;
    ASSERT_EQ(lib.Read(Path("shape1.ob5"), true), 0);
    EXPECT_EQ(lib.version, 7);
    EXPECT_EQ(lib.slots.size(), 6u);  // version 7: one more than the count
    ASSERT_EQ(lib.shapes.size(), 2u);  // the slot-0 shape is dropped
    EXPECT_EQ(lib.slots[5]->name, "Inner");
    Shape* outer = lib.FindShape("outer");
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->rootLinks.size(), 1u);
    EXPECT_EQ(outer->rootLinks[0], lib.FindShape("Inner"));
    ShapeEditList list;
    ShapeToEditList(*outer, list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]->code, SO_ROOT);
    EXPECT_EQ(list[1]->includedName, "Inner");
    EXPECT_EQ(list[1]->orientation, 1);
}

TEST_F(ShapeFileTest, DamagedAndForeignFiles)
{
    ShapeLibrary lib;
    lib.fileName = Path("Good.shp");
    lib.shapes.push_back(MakeShape("A", OneRect(), {0, 0, 16, 8}));
    lib.shapes.push_back(MakeShape("B", OneRect(), {0, 0, 16, 8}));
    ASSERT_EQ(lib.Write(), 0);
    std::vector<uint8_t> full = ReadBytes("Good.shp");
    for (size_t n = 0; n < full.size(); ++n) {
        WriteBytes("Cut.shp", std::vector<uint8_t>(full.begin(), full.begin() + n));
        ShapeLibrary cut;
        EXPECT_NE(cut.Read(Path("Cut.shp"), false), 0) << n;
        EXPECT_TRUE(cut.shapes.empty()) << n;
    }
    std::vector<uint8_t> negative = full;
    PutI32(negative.data() + 24, -5);
    WriteBytes("Negative.shp", negative);
    EXPECT_EQ(lib.Read(Path("Negative.shp"), true), kMsgReported);
    EXPECT_EQ(reports.ids.back(), 5355);

    // A damaged object block inside a shape ends the object walk, nothing more.
    std::vector<uint8_t> badBlock = OneRect();
    PutI32(badBlock.data() + 6, 1000000);
    ShapeLibrary odd;
    odd.shapes.push_back(MakeShape("Odd", badBlock, {0, 0, 1, 1}));
    odd.ConvertOldObjects(11);
    EXPECT_EQ(odd.shapes[0]->ObjectCount(), 0);

    // A file that cannot be written is reported and the write fails.
    std::filesystem::create_directory(Path("Dir.shp"));
    lib.fileName = Path("Dir.shp");
    size_t before = reports.ids.size();
    EXPECT_EQ(lib.Write(), kMsgReported);
    EXPECT_EQ(reports.ids.size(), before + 1);

    ByteWriter cmp;
    PutHeader(cmp, "CMP", 0x70000);
    WriteBytes("Comp.shp", cmp.bytes);
    EXPECT_EQ(lib.Read(Path("Comp.shp"), true), kMsgReported);
    EXPECT_EQ(reports.ids.back(), 5355);
    ByteWriter v12;
    PutHeader(v12, "SHP", 12);
    WriteBytes("Twelve.shp", v12.bytes);
    EXPECT_EQ(lib.Read(Path("Twelve.shp"), true), kMsgReported);
    EXPECT_EQ(reports.ids.back(), 14051);
}

TEST_F(ShapeFileTest, CoordinatesNearTheIntLimitsAreBoundedOnRead)
{
    const int32_t big = 0x7fffff00, low = INT32_MIN;
    ShapeLibrary lib;
    lib.fileName = Path("Far.shp");
    std::vector<uint8_t> block;
    AppendObject(block, MakeRectBody(-big, 0, big, 8), SO_RECTANGLE, 0);
    AppendObject(block, MakePolyBody({{low, 0}, {big, big}, {0, 8}}), SO_POLY_OPEN, 0);
    AppendObject(block, MakeBlockBody({0, 0, big, 16}, {{2, big, -8}, {4, 8, low}}), SO_BLOCK, 0);
    AppendObject(block, MakeArcBody({low, low, big, big}, {big, 4}, {low, 4}), SO_ARC, 0);
    AppendObject(block, MakeRootBody("Box", big, big, 1), SO_ROOT, 0);
    lib.shapes.push_back(MakeShape("Far", block, {low, low, big, big}));
    lib.shapes.push_back(MakeShape("Box", OneRect(), {0, 0, 16, big}));
    ASSERT_EQ(lib.Write(), 0);

    ShapeLibrary back;
    ASSERT_EQ(back.Read(Path("Far.shp"), true), 0);
    ASSERT_EQ(back.shapes.size(), 2u);
    const int32_t m = kMaxShapeCoordinate;
    EXPECT_EQ(back.shapes[0]->box, (Rect32{-m, -m, m, m}));
    EXPECT_EQ(back.shapes[1]->box, (Rect32{0, 0, 16, m}));
    ShapeEditList list;
    ShapeToEditList(*back.shapes[0], list);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0]->rect, (Rect32{-m, 0, m, 8}));
    // Every position, also of the included shape, stays within a few bounds.
    std::function<void(const ShapeEditList&)> check = [&](const ShapeEditList& nodes) {
        for (const auto& n : nodes) {
            const Rect32 r = GetObjectRect(*n);
            for (int32_t v : {r.left, r.top, r.right, r.bottom})
                EXPECT_LE(std::abs(static_cast<int64_t>(v)), 4 * static_cast<int64_t>(m)) << n->code;
            check(n->children);
        }
    };
    check(list);
    // Turning the whole list about the origin keeps each size.
    TransformEditList(list, 1, 1, 0.0, 0.0);
    EXPECT_EQ(list[0]->rect.right - list[0]->rect.left, 8);
    EXPECT_EQ(list[0]->rect.bottom - list[0]->rect.top, 2 * m);
    check(list);
}

// Inputs that showed the overflow while fuzzing: a selector byte, then the file.
TEST_F(ShapeFileTest, FuzzedFilesWithCoordinatesNearTheIntLimits)
{
    const char* data = std::getenv("OB7_TEST_DATA");
    ASSERT_TRUE(data && *data);
    for (const char* name : {"shp_rect_transform.bin", "shp_root_include.bin"}) {
        SCOPED_TRACE(name);
        std::ifstream in(std::string(data) + "/fuzz/" + name, std::ios::binary);
        std::vector<uint8_t> input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ASSERT_GT(input.size(), 1u);
        WriteBytes("in.shp", std::vector<uint8_t>(input.begin() + 1, input.end()));
        ShapeLibrary lib;
        ASSERT_EQ(lib.Read(Path("in.shp"), true), 0);
        ASSERT_FALSE(lib.shapes.empty());
        const int64_t bound = 4 * static_cast<int64_t>(kMaxShapeCoordinate);
        std::function<void(const ShapeEditList&)> check = [&](const ShapeEditList& nodes) {
            for (const auto& n : nodes) {
                const Rect32 r = GetObjectRect(*n);
                for (int32_t v : {r.left, r.top, r.right, r.bottom})
                    EXPECT_LE(std::abs(static_cast<int64_t>(v)), bound) << n->code;
                check(n->children);
            }
        };
        for (auto& shape : lib.shapes) {
            for (int32_t v : {shape->box.left, shape->box.top, shape->box.right, shape->box.bottom})
                EXPECT_LE(std::abs(static_cast<int64_t>(v)), kMaxShapeCoordinate);
            ShapeEditList list;
            ShapeToEditList(*shape, list);
            check(list);
            TransformEditList(list, (input[0] >> 2) & 7, 1, 0.0, 0.0);
            check(list);
        }
    }
}

TEST_F(ShapeFileTest, CyclicInclusionsAreReportedAndCut)
{
    ShapeLibrary lib;
    lib.fileName = Path("Cycle.shp");
    for (const char* pair : {"AB", "BC", "CA", "DA"}) {
        std::vector<uint8_t> block;
        AppendObject(block, MakeRootBody(std::string(1, pair[1]), 0, 0, 0), SO_ROOT, 0);
        lib.shapes.push_back(MakeShape(std::string(1, pair[0]), block, {0, 0, 1, 1}));
    }
    ASSERT_EQ(lib.Write(), 0);
    ShapeLibrary back;
    ASSERT_EQ(back.Read(Path("Cycle.shp"), true), 0);
    ASSERT_EQ(reports.ids, (std::vector<int>{14060}));
    EXPECT_NE(reports.texts[0].find("'C'"), std::string::npos);
    EXPECT_EQ(back.FindShape("C")->rootLinks[0], nullptr);
    EXPECT_EQ(back.FindShape("D")->rootLinks[0], back.FindShape("A"));
    ShapeEditList list;
    ShapeToEditList(*back.FindShape("D"), list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->children.size(), 1u);  // A holds B, B holds nothing drawable
}

TEST_F(ShapeFileTest, LookUpByNameAcrossLibraries)
{
    int a = AddShapeLibrary(Path("A.shp"));
    int b = AddShapeLibrary(Path("B.shp"));
    EXPECT_EQ(AddShapeLibrary(Path("a.SHP")), a);
    ShapeLibraryTable()[a].shapes.push_back(MakeShape("Same", OneRect(), {0, 0, 16, 8}));
    ShapeLibraryTable()[b].shapes.push_back(MakeShape("same", OneRect(), {0, 0, 16, 8}));
    ShapeLibraryTable()[b].shapes.push_back(MakeShape("Shape not Found", OneRect(), {0, 0, 16, 8}));
    EXPECT_EQ(FindShapeByName("SAME"), ShapeLibraryTable()[a].shapes[0].get());
    EXPECT_EQ(FindShapeByName("automacro"), AutoMacroShape);
    EXPECT_EQ(FindShapeByName("SHAPE NOT FOUND"), &DefaultShape());
    EXPECT_EQ(FindShapeByName("nothing"), nullptr);
    EXPECT_TRUE(IsLibraryShape(ShapeLibraryTable()[b].shapes[0].get()));
    EXPECT_FALSE(IsLibraryShape(&DefaultShape()));
    EXPECT_EQ(DefaultShape().box, (Rect32{0, 0, 20, 20}));
    EXPECT_EQ(DefaultShape().block.size(), 26u);

    // Removing a library detaches the components that used its shapes.
    ComponentLibrary& comps = ComponentLibraryTable()[AddComponentLibrary(Path("C.cmp"))];
    ComponentDef* d = comps.Add();
    d->shapeName = "same";
    LinkComponentShapes();
    EXPECT_EQ(d->shape, ShapeLibraryTable()[a].shapes[0].get());
    RemoveShapeLibrary(a);
    EXPECT_EQ(d->shape, nullptr);
}

TEST_F(ShapeFileTest, MissingShapesAreListedSixAtMost)
{
    ComponentLibrary& comps = ComponentLibraryTable()[AddComponentLibrary(Path("C.cmp"))];
    for (int i = 0; i < 7; ++i) {
        ComponentDef* d = comps.Add();
        d->name = "C" + std::to_string(i);
        d->shapeName = "Gone" + std::to_string(i);
    }
    std::string text = LinkComponentShapes();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
    EXPECT_NE(text.find("Warning a Component C0 uses shape Gone0 which does not exist."), std::string::npos);
    EXPECT_EQ(text.find("C6"), std::string::npos);
    EXPECT_EQ(reports.ids.size(), 1u);  // shown once
}

TEST_F(ShapeFileTest, StartUpLoadsTheStandardLibrary)
{
    ShapeLibrary standard;
    standard.fileName = Path("Standard.shp");
    standard.shapes.push_back(MakeShape("A", OneRect(), {0, 0, 16, 8}));
    ASSERT_EQ(standard.Write(), 0);
    AddShapeLibrary(Path("Missing.shp"));
    EXPECT_EQ(LoadShapeLibraries(), 0);
    EXPECT_TRUE(ShapeLibraryTable().empty());  // the only registered one failed
    EXPECT_EQ(reports.ids.size(), 1u);
    EXPECT_EQ(LoadShapeLibraries(), 0);
    ASSERT_EQ(ShapeLibraryTable().size(), 1u);
    EXPECT_EQ(ShapeLibraryTable()[0].fileName, DefaultShapeLibraryPath());
    EXPECT_NE(FindShapeByName("a"), nullptr);
}
