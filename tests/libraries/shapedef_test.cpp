#include "library_test_support.h"

#include "foundation/profile.h"
#include "libraries/shape_edit.h"
#include "libraries/shapedef.h"

using namespace ob7;
using namespace ob7::test;

namespace {

class ShapeDefTest : public LibraryTest {
protected:
    Shape* AddShape(ShapeLibrary& lib, const std::string& name, std::vector<uint8_t> block, Rect32 box)
    {
        auto s = std::make_unique<Shape>();
        s->name = name;
        s->block = std::move(block);
        s->box = box;
        lib.shapes.push_back(std::move(s));
        return lib.shapes.back().get();
    }

    // Reads every "shapedef" section of a file as the circuit reader does.
    std::vector<Shape*> ReadSections(const std::string& path, ShapeDefReader& reader)
    {
        std::vector<Shape*> shapes;
        Profile f;
        EXPECT_EQ(f.OpenRead(path.c_str()), 0);
        std::string entry, key, value;
        bool open = false;
        for (;;) {
            int isEntry = f.NextEntry(entry);
            if (isEntry) {
                SplitKeyValue(entry.c_str(), key, value);
                reader.Entry(key, value);
                continue;
            }
            if (open)
                shapes.push_back(reader.End());
            open = !f.section.empty();
            if (!open)
                break;
            reader.Begin();
        }
        f.Close();
        return shapes;
    }

    void WriteText(const std::string& name, const std::string& text)
    {
        std::ofstream out(Path(name));
        out << text;
    }
};

}  // namespace

TEST_F(ShapeDefTest, WrittenSectionsReadBackIntoTheImportLibrary)
{
    ShapeLibrary& lib = ShapeLibraryTable()[AddShapeLibrary(Path("Standard.shp"))];
    std::vector<uint8_t> leaf;
    AppendObject(leaf, MakeRectBody(0, 0, 8, 8), SO_DIAMOND, SS_FILLED);
    AddShape(lib, "Leaf", leaf, {0, 0, 8, 8});
    std::vector<uint8_t> mid;
    AppendObject(mid, MakeRootBody("Leaf", 0, 0, 2), SO_ROOT, 0);
    AppendObject(mid, MakeArcBody({0, 0, 16, 16}, {16, 8}, {0, 8}), SO_ARC, 0);
    AppendObject(mid, MakePolyBody({{0, 0}, {4, 9}, {8, 0}}), SO_POLY_CLOSED, SS_FILLED);
    AppendObject(mid, MakeTextBody({0, 0, 20, 10}, 9, 0, 4, 0, "Arial", "Hi"), SO_TEXT, 0);
    AppendObject(mid, MakeBlockBody({0, 0, 32, 16}, {{1, 8, -8}, {2, 8, 24}}), SO_BLOCK, 0);
    AppendObject(mid, MakeRectBody(0, 0, 4, 4), SO_LED, 0);
    AddShape(lib, "Mid", mid, {0, -8, 32, 24});
    std::vector<uint8_t> top;
    AppendObject(top, MakeRootBody("Mid", 10, 10, 0), SO_ROOT, 0);
    AppendObject(top, MakeRootBody("Leaf", 40, 0, 0), SO_ROOT, 0);
    Shape* topShape = AddShape(lib, "Top", top, {0, 0, 48, 40});
    AddShape(lib, "Unused", leaf, {0, 0, 8, 8});
    lib.LinkRootObjects();

    // A part using one shape that includes two others writes three sections.
    ComponentDef part;
    part.shape = topShape;
    ComponentDef macro;
    macro.shape = AutoMacroShape;
    Profile out;
    ASSERT_EQ(out.OpenWrite(Path("c.cir").c_str()), 0);
    ASSERT_EQ(WriteShapeDefSections(out, {&part, &macro, &part}), 0);
    ASSERT_EQ(out.Close(), 0);
    for (auto& s : lib.shapes)
        EXPECT_EQ(s->usedMark, 0);

    // On another installation: the shapes are unknown and go to the import library.
    FreeShapeLibraries();
    ShapeDefReader reader;
    std::vector<Shape*> read = ReadSections(Path("c.cir"), reader);
    ASSERT_EQ(read.size(), 3u);
    ASSERT_GE(reader.importIndex, 0);
    ShapeLibrary& import = ShapeLibraryTable()[reader.importIndex];
    EXPECT_EQ(import.fileName, ImportShapeLibraryPath());
    EXPECT_EQ(reader.importedNames, (std::vector<std::string>{"Leaf", "Mid", "Top"}));
    import.LinkRootObjects();
    Shape* midBack = import.FindShape("Mid");
    ASSERT_NE(midBack, nullptr);
    ShapeEditList original, copy;
    ShapeToEditList(*lib.FindShape("Mid"), original);
    ShapeToEditList(*midBack, copy);
    ASSERT_EQ(copy.size(), original.size());
    for (size_t i = 0; i < copy.size(); ++i) {
        EXPECT_EQ(copy[i]->code, original[i]->code) << i;
        EXPECT_EQ(copy[i]->rect, original[i]->rect) << i;
        EXPECT_EQ(copy[i]->style & SS_FILLED, original[i]->style & SS_FILLED) << i;
    }
    EXPECT_EQ(midBack->box, lib.FindShape("Mid")->box);
    EXPECT_EQ(copy[0]->orientation, 2);
}

TEST_F(ShapeDefTest, KnownShapesAreUsedAndFillFlagsFollowTheirRules)
{
    ShapeLibrary& lib = ShapeLibraryTable()[AddShapeLibrary(Path("Standard.shp"))];
    std::vector<uint8_t> block;
    AppendObject(block, MakeRectBody(0, 0, 8, 8), SO_RECTANGLE, 0);
    Shape* known = AddShape(lib, "Known", block, {0, 0, 8, 8});
    WriteText("c.cir",
              "[shapedef]\nName=KNOWN\nLine=0,0,99,99\n"
              "[shapedef]\nName=Fills\nRectangle=0,0,8,8,solid\nEllipse=0,0,8,8,SOLID\n"
              "PolyClosed=2 ,solid\nPolyLine=0,0\nPolyLine=8,8\n"
              "Block=0,0,32,16,0,2\nBlockLine=\"Clock\",8,-8\nLine=1,1,2,2\n"
              "PolyOpen=0\nMystery=1,2\nRoot=\"Elsewhere\",0,0,9\n");
    ShapeDefReader reader;
    std::vector<Shape*> read = ReadSections(Path("c.cir"), reader);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0], known);  // used as it is; nothing imported for it
    EXPECT_EQ(known->ObjectCount(), 1);
    Shape* fills = read[1];
    ASSERT_NE(fills, nullptr);
    ShapeEditList list;
    ShapeToEditList(*fills, list, EOF_KEEP_UNLINKED_ROOT);
    // rectangle (not filled: lower case), ellipse (filled), polygon (filled: any case),
    // the block cut short by the LINE entry (which is consumed), an empty polygon, the ROOT.
    ASSERT_EQ(list.size(), 6u);
    EXPECT_FALSE(list[0]->style & SS_FILLED);
    EXPECT_TRUE(list[1]->style & SS_FILLED);
    EXPECT_EQ(list[2]->code, SO_POLY_CLOSED);
    EXPECT_TRUE(list[2]->style & SS_FILLED);
    EXPECT_EQ(list[3]->code, SO_BLOCK);
    EXPECT_EQ(GetI16(list[3]->data.data()), 2);
    EXPECT_EQ(GetI16(list[3]->data.data() + 20), 1);
    EXPECT_EQ(list[4]->code, SO_POLY_OPEN);
    EXPECT_EQ(list[5]->includedName, "Elsewhere");
    EXPECT_EQ(list[5]->orientation, 1);
    EXPECT_EQ(reader.importedNames, (std::vector<std::string>{"Fills"}));
}

TEST_F(ShapeDefTest, ImportedShapesBringTheShapesTheyInclude)
{
    ShapeLibrary& lib = ShapeLibraryTable()[AddShapeLibrary(Path("Standard.shp"))];
    std::vector<uint8_t> leaf;
    AppendObject(leaf, MakeRectBody(0, 0, 8, 8), SO_RECTANGLE, 0);
    AddShape(lib, "Leaf", leaf, {0, 0, 8, 8});
    std::vector<uint8_t> base;
    AppendObject(base, MakeRootBody("Leaf", 0, 0, 0), SO_ROOT, 0);
    AddShape(lib, "Base", base, {0, 0, 8, 8});
    lib.LinkRootObjects();

    WriteText("c.cir", "[shapedef]\nName=New\nRoot=\"Base\",0,0,0\n");
    ShapeDefReader reader;
    ReadSections(Path("c.cir"), reader);
    reader.ResolveImportedRootShapes();
    ShapeLibrary& import = ShapeLibraryTable()[reader.importIndex];
    ASSERT_EQ(import.shapes.size(), 3u);
    EXPECT_EQ(import.shapes[1]->name, "Base");
    EXPECT_EQ(import.shapes[1]->importAlias, "Base");
    EXPECT_EQ(import.shapes[2]->name, "Leaf");
    // Written and re-linked, the import library stands on its own.
    ASSERT_EQ(import.Write(), 0);
    ShapeLibrary alone;
    ASSERT_EQ(alone.Read(ImportShapeLibraryPath(), true), 0);
    EXPECT_EQ(alone.FindShape("New")->rootLinks[0], alone.FindShape("Base"));
    EXPECT_EQ(alone.FindShape("Base")->rootLinks[0], alone.FindShape("Leaf"));
    ClearShapeImportAliases();
    EXPECT_EQ(FindShapeByImportAlias("Base"), nullptr);
}

TEST_F(ShapeDefTest, CyclicInclusionsAreMarkedAndResolvedOnce)
{
    ShapeLibrary& lib = ShapeLibraryTable()[AddShapeLibrary(Path("Standard.shp"))];
    for (const char* name : {"A", "B"}) {
        std::vector<uint8_t> block;
        AppendObject(block, MakeRootBody(name[0] == 'A' ? "B" : "A", 0, 0, 0), SO_ROOT, 0);
        AddShape(lib, name, block, {0, 0, 1, 1});
    }
    lib.LinkRootObjects();
    MarkShapeUsed(lib.shapes[0].get());
    EXPECT_EQ(lib.shapes[1]->usedMark, 1);

    WriteText("c.cir", "[shapedef]\nName=C\nRoot=\"A\",0,0,0\n");
    ShapeDefReader reader;
    ReadSections(Path("c.cir"), reader);
    reader.ResolveImportedRootShapes();
    EXPECT_EQ(ShapeLibraryTable()[reader.importIndex].shapes.size(), 3u);
}

TEST_F(ShapeDefTest, CoordinatesBeyondTheIntRangeAreBounded)
{
    // 4294967304 is 8 plus 2^32: cut to 32 bits it would read as 8.
    ShapeDefReader reader;
    reader.Begin();
    reader.Entry("NAME", "Far");
    reader.Entry("RECTANGLE", "-99999999999,0,4294967304,8");
    std::unique_ptr<Shape> shape = reader.TakeShape();
    ASSERT_NE(shape, nullptr);
    ShapeEditList list;
    ShapeToEditList(*shape, list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->rect, (Rect32{-kMaxShapeCoordinate, 0, kMaxShapeCoordinate, 8}));
}
