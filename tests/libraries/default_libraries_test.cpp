#include "library_test_support.h"

#include "libraries/component_types.h"
#include "libraries/shape_edit.h"

#include <set>

using namespace ob7;
using namespace ob7::test;

namespace {

class DefaultLibrariesTest : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        const char* data = std::getenv("OB7_DATA_DIR");
        ASSERT_TRUE(data && *data) << "OB7_DATA_DIR is not set";
        for (const char* name : {"Demo.cmp", "Import.cmp", "Macro.cmp", "Filter.cmp", "Standard.shp",
                                 "Import.shp", "Demo.pkg"}) {
            std::filesystem::path from = std::filesystem::path(data) / name;
            ASSERT_TRUE(std::filesystem::exists(from)) << from;
            std::filesystem::copy_file(from, dir / name);
        }
    }

    // The points where lines, polygons and pin lines of a shape's objects end.
    static void CollectEnds(const ShapeEditList& list, std::set<std::pair<int, int>>& ends)
    {
        for (const auto& n : list) {
            if (n->code == SO_LINE) {
                ends.insert({n->rect.left, n->rect.top});
                ends.insert({n->rect.right, n->rect.bottom});
            } else if (n->code == SO_POLY_OPEN || n->code == SO_POLY_CLOSED) {
                int count = GetI16(n->data.data());
                for (int i = 0; i < count; ++i)
                    ends.insert({GetI32(n->data.data() + 20 + 8 * i), GetI32(n->data.data() + 24 + 8 * i)});
            } else if (n->code == SO_ROOT) {
                CollectEnds(n->children, ends);
            }
        }
    }
};

}  // namespace

TEST_F(DefaultLibrariesTest, LoadAndEveryPinLiesOnItsShape)
{
    ASSERT_EQ(LoadShapeLibraries(), 0);
    ASSERT_EQ(ShapeLibraryTable().size(), 1u);
    ASSERT_EQ(LoadComponentLibraries(), 0);
    ASSERT_EQ(ComponentLibraryTable().size(), 1u);
    EXPECT_TRUE(reports.ids.empty());
    EXPECT_EQ(LinkComponentShapes(), "");

    std::set<int> types;
    for (const auto& d : ComponentLibraryTable()[0].components) {
        SCOPED_TRACE(d->name);
        ASSERT_NE(d->shape, nullptr);
        ASSERT_TRUE(IsLibraryShape(d->shape));
        EXPECT_EQ(GetPinCount(*d), d->PinCount());
        EXPECT_NE(ComponentLibraryTable()[0].root.FindByNumber(d->group), nullptr);
        EXPECT_FALSE(d->memo.empty());
        ShapeEditList list;
        ShapeToEditList(*d->shape, list);
        std::set<std::pair<int, int>> ends;
        CollectEnds(list, ends);
        for (int i = 0; i < d->PinCount(); ++i)
            EXPECT_TRUE(ends.count({8 * d->pins[i].x, 8 * d->pins[i].y}))
                << "pin " << i << " (" << GetPinName(*d, i) << ") at " << d->pins[i].x << "," << d->pins[i].y;
        // Pins of one part never share a point.
        std::set<std::pair<int, int>> at;
        for (const auto& p : d->pins)
            EXPECT_TRUE(at.insert({p.x, p.y}).second);
        types.insert(d->type);
    }
    // Every kind of part a user places is there.
    const int wanted[] = {CT_RESISTOR, CT_CAPACITOR, CT_INDUCTOR, CT_DIODE, CT_NPN, CT_PNP, CT_NMOS,
                          CT_PMOS, CT_NJFET, CT_PJFET, CT_GAASFET, CT_BATTERY, CT_PULSE, CT_SINE,
                          CT_USER_SOURCE, CT_ISOURCE, CT_VSPICE, CT_ISPICE, 26, 27, 28, 29, 35, 37,
                          CT_SWITCH, CT_VSWITCH, CT_ISWITCH, CT_TLINE, CT_TRANSFORMER, CT_CORE,
                          CT_OPAMP, CT_GROUND, CT_BUF, CT_INV, CT_AND, CT_NAND, CT_OR, CT_NOR,
                          CT_XOR, CT_NXOR, CT_DFF, CT_JKFF, CT_SRFF, CT_DLTCH, CT_STIM, CT_FSTIM,
                          CT_ADC, CT_DAC, CT_DIGITAL_LED, CT_SEVEN_SEGMENT, CT_DIGITAL_SWITCH,
                          CT_SAMPLE_AND_HOLD, CT_PULLUP, CT_PULLDN};
    for (int t : wanted)
        EXPECT_TRUE(types.count(t)) << "type " << t;

    EXPECT_EQ(FindComponentByType(CT_GROUND)->name, "Ground");
    EXPECT_EQ(FindComponentByType(CT_OPAMP)->name, "Opamp");
    EXPECT_EQ(FindComponentByType(CT_ROM), nullptr);
    InitCurrentComponent();
    ASSERT_NE(CurrentComponent, nullptr);
    EXPECT_EQ(CurrentComponent->name, "Resistor");

    ASSERT_EQ(ParsePackageList(PackageList()), 0);
    EXPECT_GE(PackageList().size(), 5u);
    EXPECT_EQ(PackageConsistencyText(PackageList()), "");
    for (const Package& p : PackageList())
        for (const PackagePin& pin : p.pins)
            EXPECT_LT(pin.componentPin, p.component->PinCount() + static_cast<int>(p.otherNames.size()));
}

TEST_F(DefaultLibrariesTest, TheOtherLibrariesStartEmpty)
{
    // A file whose name differs in case is still the program's file.
    std::filesystem::rename(dir / "Macro.cmp", dir / "MACRO.CMP");
    for (const char* name : {"Import.cmp", "Macro.cmp", "Filter.cmp"}) {
        int n = FindOrLoadComponentLibrary(name);
        EXPECT_TRUE(ComponentLibraryTable()[n].components.empty()) << name;
        EXPECT_EQ(ComponentLibraryTable()[n].version, kComponentFileVersion) << name;
    }
    ComponentLibrary& macro = ComponentLibraryTable()[FindOrLoadComponentLibrary("Macro.cmp")];
    macro.Add()->name = "Made";
    ASSERT_EQ(macro.Write(kComponentFileVersion), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "Macro.cmp"));  // the existing file is updated
    EXPECT_TRUE(std::filesystem::exists(dir / "MACRO.CMP"));

    ShapeLibrary import;
    EXPECT_EQ(import.Read(Path("Import.shp"), true), 0);
    EXPECT_TRUE(import.shapes.empty());
}
