#include "library_test_support.h"

#include "foundation/message_codes.h"
#include "libraries/component_types.h"
#include "libraries/library_files.h"
#include "libraries/shape_edit.h"

using namespace ob7;
using namespace ob7::test;

namespace {

class ComponentFileTest : public LibraryTest {
protected:
    // A library with one definition of each stored variant.
    void Fill(ComponentLibrary& lib)
    {
        ComponentGroup* g = lib.MakeGroupPath("Analog\nPassive");
        lib.MakeGroupPath("Digital");
        ComponentDef* r = lib.Add();
        r->name = "Resistor";
        r->type = CT_RESISTOR;
        r->shapeName = "ResistorShape";
        r->group = g->number;
        r->mask = 0x1840;
        r->memo = "A resistor";
        r->labelOffsets[0] = 56;
        r->labelOffsets[3] = -8;
        SetPinCount(*r, 2);
        r->pins[1].x = 6;
        r->pins[1].nameDx = 3;
        r->cost = 0.25;
        r->power = 0.125;

        ComponentDef* m = lib.Add();
        m->name = "MyMacro";
        m->type = CT_SUBCKT;
        SetComponentShape(*m, AutoMacroShape);
        m->macroBox[0] = -2;
        m->macroBox[2] = 5;
        SetPinCount(*m, 3);
        std::string second = "VOUT";
        SetPinName(*m, 0, 'a', "IN");
        SetPinName(*m, 1, 'd', "OUT", &second);
        // pin 2 keeps an empty text

        ComponentDef* noPins = lib.Add();
        noPins->name = "Box";
        noPins->type = CT_MACRO;
        SetComponentShape(*noPins, AutoMacroShape);
        noPins->macroBox[3] = 9;

        ComponentDef* port = lib.Add();
        port->name = "Port";
        port->type = CT_S_PORT;
        port->shapeName = "PortShape";
        SetPinCount(*port, 4);
    }

    static void ExpectSame(const ComponentDef& a, const ComponentDef& b)
    {
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.type, b.type);
        EXPECT_EQ(a.mask, b.mask);
        EXPECT_EQ(a.group, b.group);
        EXPECT_EQ(a.data1, b.data1);
        EXPECT_EQ(a.data2, b.data2);
        EXPECT_EQ(a.memo, b.memo);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(a.labelOffsets[i], b.labelOffsets[i]);
            EXPECT_EQ(a.macroBox[i], b.macroBox[i]);
        }
        EXPECT_EQ(a.pins, b.pins);
        EXPECT_EQ(a.shapeName, b.shapeName);
        EXPECT_EQ(a.cost, b.cost);
        EXPECT_EQ(a.power, b.power);
    }
};

}  // namespace

TEST_F(ComponentFileTest, CurrentVersionRoundTrips)
{
    ComponentLibrary lib;
    lib.fileName = Path("Lib.cmp");
    Fill(lib);
    ASSERT_EQ(lib.Write(kComponentFileVersion), 0);
    EXPECT_NE(lib.fileTime, 0);

    // The lower-case extension reads as a current file.
    ComponentLibrary back;
    ASSERT_EQ(back.Read(Path("Lib.cmp"), false, nullptr, true), 0);
    EXPECT_EQ(back.version, kComponentFileVersion);
    ASSERT_EQ(back.components.size(), lib.components.size());
    for (size_t i = 0; i < lib.components.size(); ++i)
        ExpectSame(*lib.components[i], *back.components[i]);
    EXPECT_EQ(back.components[1]->shape, AutoMacroShape);
    EXPECT_EQ(back.root.name, "Component");
    ASSERT_EQ(back.root.ChildCount(), 2);
    EXPECT_EQ(back.root.children[0].children[0].name, "Passive");
    EXPECT_EQ(back.root.children[0].children[0].parent, &back.root.children[0]);
    EXPECT_EQ(GetPinSecondName(*back.components[1], 1), "VOUT");

    // Reading again into the same library replaces everything.
    ASSERT_EQ(back.Read(Path("Lib.cmp"), false, nullptr, true), 0);
    EXPECT_EQ(back.components.size(), lib.components.size());
    EXPECT_EQ(back.root.ChildCount(), 2);
    EXPECT_TRUE(reports.ids.empty());
}

TEST_F(ComponentFileTest, StoredBytesOfPinTextsAndMacroBoxes)
{
    ComponentLibrary lib;
    lib.fileName = Path("Small.cmp");
    ComponentDef* m = lib.Add();
    m->name = "M";
    m->type = CT_MACRO;
    SetComponentShape(*m, AutoMacroShape);
    SetPinCount(*m, 1);  // an empty pin text: only its int16 0
    ASSERT_EQ(lib.Write(kComponentFileVersion), 0);
    std::vector<uint8_t> bytes = ReadBytes("Small.cmp");
    // header 24, root group 2+9+2+2, count 4, shape 2+9, 5 int16, memo 2, offsets 8,
    // pin count 2, name 2+1, pin 4 + 4, pin text 2, box 16, power and cost 16.
    EXPECT_EQ(bytes.size(), 24u + 15 + 4 + 11 + 10 + 2 + 8 + 2 + 3 + 8 + 2 + 16 + 16);

    // A pin text is stored as its length and exactly that many bytes: the kind letter and
    // name, and a NUL and the second name when there is one; no terminator follows.
    struct Case {
        char kind;
        const char* name;
        const char* second;
        std::vector<uint8_t> stored;
    };
    const Case cases[] = {
        {'a', "IN", nullptr, {3, 0, 'a', 'I', 'N'}},
        {'d', "OUT", "VOUT", {9, 0, 'D', 'O', 'U', 'T', 0, 'V', 'O', 'U', 'T'}},
    };
    for (const Case& c : cases) {
        std::string second = c.second ? c.second : "";
        SetPinName(*m, 0, c.kind, c.name, c.second ? &second : nullptr);
        ASSERT_EQ(lib.Write(kComponentFileVersion), 0);
        bytes = ReadBytes("Small.cmp");
        const size_t at = 24 + 15 + 4 + 11 + 10 + 2 + 8 + 2 + 3 + 8;
        ASSERT_EQ(bytes.size(), at + c.stored.size() + 16 + 16) << c.name;
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + c.stored.size()), c.stored) << c.name;
        ComponentLibrary back;
        ASSERT_EQ(back.Read(Path("Small.cmp"), false, nullptr, true), 0);
        EXPECT_EQ(back.components[0]->pins, m->pins) << c.name;
    }
}

TEST_F(ComponentFileTest, VersionFifteenDropsNewTypesAndCosts)
{
    ComponentLibrary lib;
    lib.fileName = Path("Old.cmp");
    Fill(lib);
    ASSERT_EQ(lib.Write(kComponentFileVersionOld), 0);
    EXPECT_EQ(lib.fileTime, 0);  // saving for the older program keeps no time
    ComponentLibrary back;
    ASSERT_EQ(back.Read(Path("Old.cmp"), false, nullptr, true), 0);
    EXPECT_EQ(back.version, 15);
    ASSERT_EQ(back.components.size(), 4u);
    EXPECT_EQ(back.components[3]->type, CT_NULL);
    EXPECT_EQ(back.components[0]->cost, 0.0);
    EXPECT_EQ(back.components[0]->power, 0.0);
    EXPECT_EQ(back.components[1]->macroBox[2], 5);
}

TEST_F(ComponentFileTest, VersionSevenTenIsReadAndBadTypesAreDropped)
{
    ByteWriter w;
    PutHeader(w, "CMP", 0x7000a);
    w.LenString("Component");
    w.I16(-1);
    w.I16(0);
    w.I32(2);
    for (int type : {int(CT_CAPACITOR), 200}) {
        w.LenString("Cap");
        w.I16(type);
        for (int i = 0; i < 4; ++i)
            w.I16(0);
        w.LenString("memo");
        for (int i = 0; i < 4; ++i)
            w.I16(0);
        w.I16(1);
        w.LenString(type == 200 ? "Bad" : "C1");
        w.I16(1); w.I16(2); w.I16(3); w.I16(4);
        w.F64(1.5);
        w.F64(2.5);
        w.I16(77);  // the extra word of this version
    }
    WriteBytes("New.CMP", w.bytes);
    ComponentLibrary lib;
    ASSERT_EQ(lib.Read(Path("New.CMP"), false, nullptr, true), 0);
    ASSERT_EQ(lib.components.size(), 1u);
    EXPECT_EQ(lib.components[0]->name, "C1");
    EXPECT_EQ(lib.components[0]->power, 1.5);
    EXPECT_EQ(lib.components[0]->cost, 2.5);
    EXPECT_EQ(lib.components[0]->pins[0].nameDy, 4);
}

TEST_F(ComponentFileTest, OldHeaderlessFileTakesShapesFromItsSlotTable)
{
    // The old shape file beside "comp1.ob5" is "SHAPE1.ob5" (found in any case).
    ByteWriter s;
    s.I16(8);
    s.I16(2);
    s.I16(3);
    for (int slot : {2, 0}) {
        s.I16(slot);
        s.FixedString(slot ? "OldRes" : "Dropped", 16);
        for (int v : {0, 0, 10, 10})
            s.I32(v);
        std::vector<uint8_t> block;
        AppendObject(block, MakeRectBody(0, 0, 10, 10), SO_RECTANGLE, 0);
        s.I32(static_cast<int32_t>(block.size()));
        s.Bytes(block.data(), block.size());
    }
    WriteBytes("shape1.ob5", s.bytes);

    ByteWriter c;
    c.I16(14);
    c.I16(5);  // sub-version below 9: user pin names are shown
    c.LenString("Component");
    c.I16(-1);
    c.I16(0);
    c.I16(2);  // palette names
    c.LenString("");
    c.LenString("Mine");
    c.I16(2);
    for (int slot : {2, 1}) {
        c.I16(slot);
        c.I16(slot == 2 ? CT_RESISTOR : CT_MACRO);
        for (int i = 0; i < 4; ++i)
            c.I16(0);
        c.LenString("");
        for (int i = 0; i < 4; ++i)
            c.I16(0);
        c.I16(slot == 2 ? 2 : 1);
        c.LenString(slot == 2 ? "R" : "Mac");
        for (int i = 0; i < (slot == 2 ? 4 : 2); ++i)
            c.I16(i);
        for (int i = 0; i < (slot == 2 ? 4 : 2); ++i)
            c.I16(0);
        if (slot == 1) {
            c.I16(3);
            c.Bytes("aIN", 3);
        }
    }
    WriteBytes("comp1.ob5", c.bytes);

    ComponentLibrary lib;
    UserPaletteNames() = {};
    ASSERT_EQ(lib.Read(Path("comp1.ob5"), true, nullptr, true), 0);
    EXPECT_EQ(lib.version, 14);
    EXPECT_EQ(UserPaletteNames()[0], "Mine");
    EXPECT_EQ(UserPaletteNames()[1], "");
    ASSERT_EQ(lib.components.size(), 2u);
    ComponentDef& r = *lib.components[0];
    ASSERT_NE(r.shape, nullptr);
    EXPECT_EQ(r.shapeName, "OldRes");
    EXPECT_EQ(r.pins[1].x, 2);
    ComponentDef& m = *lib.components[1];
    EXPECT_TRUE(m.mask & CM_SHOW_PIN_NAMES);
    EXPECT_EQ(GetPinName(m, 0), "IN");
    EXPECT_FALSE(r.mask & CM_SHOW_PIN_NAMES);
    // Slot 1 is empty: the definition gets the first shape of the first library.
    EXPECT_EQ(m.shapeName, "OldRes");
    // The old shape file's library: slot table of 3 + 0 entries, slot-0 shape dropped.
    ASSERT_EQ(ShapeLibraryTable().size(), 1u);
    EXPECT_EQ(ShapeLibraryTable()[0].shapes.size(), 1u);
    EXPECT_EQ(ShapeLibraryTable()[0].slots.size(), 3u);

    // Loaded as a library of the program, the old file is kept in the current format
    // beside it, and the old file stays as it was.
    std::vector<uint8_t> original = ReadBytes("comp1.ob5");
    int n = AddComponentLibrary(Path("comp1.ob5"));
    ASSERT_EQ(LoadComponentLibrary(n), 0);
    EXPECT_EQ(ComponentLibraryTable()[n].fileName, Path("comp1.cmp"));
    EXPECT_EQ(ReadBytes("comp1.ob5"), original);
    ComponentLibrary converted;
    ASSERT_EQ(converted.Read(Path("comp1.cmp"), false, nullptr, true), 0);
    EXPECT_EQ(converted.components.size(), 2u);
    EXPECT_EQ(converted.components[0]->shapeName, "OldRes");
}

TEST_F(ComponentFileTest, AMissingShapeKeepsItsNameThroughASave)
{
    ShapeLibrary& shapes = ShapeLibraryTable()[AddShapeLibrary(Path("Standard.shp"))];
    auto first = std::make_unique<Shape>();
    first->name = "First";
    shapes.shapes.push_back(std::move(first));
    ComponentLibrary lib;
    lib.fileName = Path("Lib.cmp");
    Fill(lib);
    ASSERT_EQ(lib.Write(kComponentFileVersion), 0);

    ComponentLibrary back;
    ASSERT_EQ(back.Read(Path("Lib.cmp"), false, nullptr, true), 0);
    ComponentDef& r = *back.components[0];
    EXPECT_EQ(r.shape, shapes.shapes[0].get());  // drawn with the first shape meanwhile
    EXPECT_EQ(r.shapeName, "ResistorShape");
    back.fileName = Path("Again.cmp");
    ASSERT_EQ(back.Write(kComponentFileVersion), 0);
    ComponentLibrary again;
    ASSERT_EQ(again.Read(Path("Again.cmp"), false, nullptr, true), 0);
    EXPECT_EQ(again.components[0]->shapeName, "ResistorShape");

    // Once the shape exists, relinking finds it by the kept name.
    auto named = std::make_unique<Shape>();
    named->name = "ResistorShape";
    Shape* real = named.get();
    shapes.shapes.push_back(std::move(named));
    ComponentLibraryTable().push_back(std::move(again));
    LinkComponentShapes();
    EXPECT_EQ(ComponentLibraryTable().back().components[0]->shape, real);
}

TEST_F(ComponentFileTest, UnreadableFilesGiveAClearMessage)
{
    ComponentLibrary lib;
    EXPECT_EQ(lib.Read(Path("missing.cmp"), false, nullptr, true), kMsgErrnoBase + ENOENT);
    EXPECT_TRUE(reports.ids.empty());  // open errors are the caller's to report

    ByteWriter wrongTag;
    PutHeader(wrongTag, "SHP", 11);
    WriteBytes("Wrong.cmp", wrongTag.bytes);
    EXPECT_EQ(lib.Read(Path("Wrong.cmp"), false, nullptr, true), kMsgReported);
    ASSERT_EQ(reports.ids.size(), 1u);
    EXPECT_EQ(reports.ids[0], 5355);

    ByteWriter wrongVersion;
    PutHeader(wrongVersion, "CMP", 0x80000);
    WriteBytes("Future.cmp", wrongVersion.bytes);
    EXPECT_EQ(lib.Read(Path("Future.cmp"), false, nullptr, true), kMsgReported);
    EXPECT_EQ(reports.ids.back(), 14051);
    EXPECT_NE(reports.texts.back().find("Future.cmp"), std::string::npos);

    WriteBytes("Bad.old", {9, 0});
    EXPECT_EQ(lib.Read(Path("Bad.old"), false, nullptr, true), kMsgReported);
    EXPECT_EQ(reports.ids.back(), 14051);
}

TEST_F(ComponentFileTest, DamagedFilesNeverReadPastTheirData)
{
    ComponentLibrary lib;
    lib.fileName = Path("Full.cmp");
    Fill(lib);
    ASSERT_EQ(lib.Write(kComponentFileVersion), 0);
    std::vector<uint8_t> full = ReadBytes("Full.cmp");

    // Every truncation is refused as a format error, none crashes.
    for (size_t n = 0; n < full.size(); ++n) {
        WriteBytes("Cut.cmp", std::vector<uint8_t>(full.begin(), full.begin() + n));
        ComponentLibrary cut;
        int code = cut.Read(Path("Cut.cmp"), false, nullptr, false);
        EXPECT_NE(code, 0) << n;
        EXPECT_TRUE(cut.components.empty()) << n;
    }

    // Huge or negative counts are refused without allocating for them.
    struct Patch { size_t offset; std::vector<uint8_t> bytes; };
    const size_t countOffset = 24 + 2 + 9 + 4;  // the root's child count
    const Patch patches[] = {
        {countOffset, {0xff, 0x7f}},   // 32767 child groups
        {countOffset, {0xff, 0xff}},   // -1 child groups
    };
    for (const Patch& p : patches) {
        std::vector<uint8_t> bad = full;
        std::copy(p.bytes.begin(), p.bytes.end(), bad.begin() + p.offset);
        WriteBytes("Patched.cmp", bad);
        ComponentLibrary patched;
        EXPECT_EQ(patched.Read(Path("Patched.cmp"), false, nullptr, true), kMsgReported);
        EXPECT_EQ(reports.ids.back(), 5355);
    }
    ByteWriter hugeCount;
    PutHeader(hugeCount, "CMP", 0x70000);
    hugeCount.LenString("Component");
    hugeCount.I16(-1);
    hugeCount.I16(0);
    hugeCount.I32(0x7fffffff);
    WriteBytes("Huge.cmp", hugeCount.bytes);
    ComponentLibrary huge;
    EXPECT_EQ(huge.Read(Path("Huge.cmp"), false, nullptr, false), kMsgReported);
}

TEST_F(ComponentFileTest, AFileChangedOnDiskIsOnlyOverwrittenWhenAllowed)
{
    ComponentLibrary lib;
    lib.fileName = Path("Shared.cmp");
    Fill(lib);
    ASSERT_EQ(lib.Write(kComponentFileVersion), 0);
    int64_t recorded = lib.fileTime;
    std::vector<uint8_t> other = {1, 2, 3};
    WriteBytes("Shared.cmp", other);
    std::filesystem::last_write_time(Path("Shared.cmp"),
                                     std::filesystem::last_write_time(Path("Shared.cmp")) + std::chrono::seconds(5));

    reports.answer = kButtonNo;
    EXPECT_EQ(lib.Write(kComponentFileVersion), 0);
    EXPECT_EQ(reports.ids.back(), 13508);
    EXPECT_EQ(ReadBytes("Shared.cmp"), other);
    EXPECT_EQ(lib.fileTime, recorded);
    EXPECT_EQ(lib.Write(kComponentFileVersion), 0);  // asks again
    EXPECT_EQ(reports.ids.size(), 2u);

    // Saving for the older program never asks.
    EXPECT_EQ(lib.Write(kComponentFileVersionOld), 0);
    EXPECT_EQ(reports.ids.size(), 2u);

    reports.answer = kButtonYes;
    lib.fileTime = recorded;
    EXPECT_EQ(lib.Write(kComponentFileVersion), 0);
    EXPECT_EQ(lib.fileTime, FileTimeByName(Path("Shared.cmp")));
}

TEST_F(ComponentFileTest, StartUpLoadsTheDefaultLibraryAndReportsFailures)
{
    EXPECT_EQ(DefaultLibraryName(), Path("Demo.cmp"));
    EXPECT_EQ(LoadComponentLibraries(), kMsgReported);  // no Demo.cmp: start-up fails
    EXPECT_TRUE(ComponentLibraryTable().empty());
    EXPECT_EQ(reports.ids.size(), 1u);

    ComponentLibrary demo;
    demo.fileName = Path("Demo.cmp");
    Fill(demo);
    ASSERT_EQ(demo.Write(kComponentFileVersion), 0);
    AddComponentLibrary(Path("Broken.cmp"));
    AddComponentLibrary(Path("Demo.cmp"));
    WriteBytes("Broken.cmp", {1, 2, 3});
    EXPECT_EQ(LoadComponentLibraries(), 0);
    ASSERT_EQ(ComponentLibraryTable().size(), 1u);  // the broken one was removed
    EXPECT_FALSE(ComponentLibraryTable()[0].index.empty());
    EXPECT_NE(FindComponentIndexed("mymacro"), nullptr);

    int n = FindOrLoadComponentLibrary("Filter.cmp");  // missing: a new empty library
    EXPECT_EQ(ComponentLibraryTable()[n].fileName, Path("Filter.cmp"));
    EXPECT_TRUE(ComponentLibraryTable()[n].components.empty());
    EXPECT_EQ(FindOrLoadComponentLibrary("Demo.cmp"), 0);
}

// Saving at the end writes only libraries that hold what their file held: one that was
// only registered, or whose file could not be read, keeps its file as it is.
TEST_F(ComponentFileTest, ExitSaveWritesOnlyLibrariesReadFromTheirFile)
{
    ComponentLibrary good;
    good.fileName = Path("Good.cmp");
    Fill(good);
    ASSERT_EQ(good.Write(kComponentFileVersion), 0);
    const std::vector<uint8_t> full = ReadBytes("Good.cmp");
    const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(full.size() / 2));
    WriteBytes("Cut.cmp", cut);

    const int read = FindOrLoadComponentLibrary("Good.cmp");
    const int damaged = FindOrLoadComponentLibrary("Cut.cmp");  // stays registered, empty
    AddComponentLibrary(Path("Missing.cmp"));
    ASSERT_EQ(ComponentLibraryTable().size(), 3u);
    EXPECT_TRUE(ComponentLibraryTable()[read].backedByFile);
    EXPECT_FALSE(ComponentLibraryTable()[damaged].backedByFile);
    ComponentLibraryTable()[read].FreeIndex();
    ComponentLibraryTable()[read].components.pop_back();

    SaveComponentLibraries();
    EXPECT_TRUE(reports.ids.empty());
    EXPECT_LT(ReadBytes("Good.cmp").size(), full.size());  // the change was written
    EXPECT_EQ(ReadBytes("Cut.cmp"), cut);
    EXPECT_FALSE(std::filesystem::exists(Path("Missing.cmp")));

    // A library written once stands for its file from then on.
    ComponentLibrary& missing = ComponentLibraryTable()[2];
    missing.Add()->name = "New";
    ASSERT_EQ(missing.Write(kComponentFileVersion), 0);
    EXPECT_TRUE(missing.backedByFile);
}
