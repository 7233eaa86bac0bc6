#include "library_test_support.h"

#include "foundation/profile.h"
#include "libraries/component_types.h"

using namespace ob7;
using namespace ob7::test;

namespace {

ComponentDef* AddDef(ComponentLibrary& lib, const std::string& name, int type = CT_RESISTOR)
{
    ComponentDef* d = lib.Add();
    d->name = name;
    d->type = type;
    return d;
}

class ComponentLibraryTest : public LibraryTest {};

}  // namespace

TEST_F(ComponentLibraryTest, IndexedLookupAndTheFirstLetterTable)
{
    int n = AddComponentLibrary(Path("A.cmp"));
    ComponentLibrary& lib = ComponentLibraryTable()[n];
    for (const char* name : {"SN7400", "2N2222", "BC547", "bav99", "74HC00", "Resistor"})
        AddDef(lib, name);
    BuildComponentIndex(lib, -1, true);
    ASSERT_EQ(lib.index.size(), 6u);
    EXPECT_EQ(lib.index.front()->name, "2N2222");
    EXPECT_EQ(lib.firstLetter['B'], 2);  // BAV99 then BC547, both under 'B'
    EXPECT_EQ(lib.firstLetter['Z'], -1);
    EXPECT_EQ(lib.FindIndexed("BAV99")->name, "bav99");
    EXPECT_EQ(lib.FindIndexed("bc547")->name, "BC547");
    EXPECT_EQ(lib.FindIndexed("BC548"), nullptr);
    EXPECT_EQ(lib.FindIndexed(""), nullptr);
    EXPECT_EQ(FindComponentIndexed("resistor")->name, "Resistor");

    // Without an index only the list walk finds names.
    lib.FreeIndex();
    EXPECT_EQ(lib.FindIndexed("BC547"), nullptr);
    EXPECT_EQ(lib.FindByName("bc547", nullptr, false)->name, "BC547");
}

TEST_F(ComponentLibraryTest, FindByNameExclusionsAndThePlaceholder)
{
    ComponentLibrary& lib = ComponentLibraryTable()[AddComponentLibrary(Path("A.cmp"))];
    ComponentDef* first = AddDef(lib, "Twin");
    ComponentDef* second = AddDef(lib, "TWIN");
    ComponentDef* shortDef = AddDef(lib, "Wire", CT_SHORT);
    BuildComponentIndex(lib, -1, true);

    ComponentDef* hit = lib.FindByName("Twin", nullptr, false);
    ASSERT_TRUE(hit == first || hit == second);
    // Excluding the hit finds the other one, never the excluded.
    ComponentDef* other = lib.FindByName("Twin", hit, false);
    EXPECT_NE(other, hit);
    EXPECT_NE(other, nullptr);
    ComponentDef* third = AddDef(lib, "Solo");
    BuildComponentIndex(lib, -1, true);
    EXPECT_EQ(lib.FindByName("solo", third, false), nullptr);

    EXPECT_EQ(FindComponentByName("Wire", nullptr, false), shortDef);
    EXPECT_EQ(FindComponentByName("Wire", nullptr, true), nullptr);
    EXPECT_EQ(FindComponentByName("", nullptr, false), nullptr);
    EXPECT_EQ(FindComponentByName("COMPONENT NOT FOUND", nullptr, false), &MissingComponentPlaceholder());
    EXPECT_EQ(FindComponentIndexed("component not found"), &MissingComponentPlaceholder());
    EXPECT_EQ(MissingComponentPlaceholder().type, CT_BLANK);
    EXPECT_EQ(MissingComponentPlaceholder().shape, &DefaultShape());
}

TEST_F(ComponentLibraryTest, LibrariesAreSearchedInTableOrder)
{
    ComponentLibrary& a = ComponentLibraryTable()[AddComponentLibrary(Path("A.cmp"))];
    AddDef(a, "Shared")->memo = "first";
    int nb = AddComponentLibrary(Path("B.cmp"));
    EXPECT_EQ(AddComponentLibrary(Path("b.CMP")), nb);  // already loaded
    ComponentLibrary& b = ComponentLibraryTable()[nb];
    AddDef(b, "Shared")->memo = "second";
    AddDef(b, "Only");
    EXPECT_EQ(FindComponentByName("shared", nullptr, false)->memo, "first");
    EXPECT_EQ(TotalComponentCount(), 3);
    EXPECT_EQ(FindLibraryOfComponent(FindComponentByName("Only", nullptr, false)), &ComponentLibraryTable()[1]);
    RemoveComponentLibrary(0);
    EXPECT_EQ(FindComponentByName("shared", nullptr, false)->memo, "second");
}

TEST_F(ComponentLibraryTest, GroupTree)
{
    ComponentLibrary lib;
    ComponentGroup* g = lib.MakeGroupPath("Analog\nPassive");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetPath(), "Analog\\Passive");
    // A sibling added later may move the group, so only its number is kept.
    const int16_t passive = g->number;
    ComponentGroup* again = lib.MakeGroupPath("ANALOG\nActive");
    EXPECT_EQ(lib.root.ChildCount(), 1);
    EXPECT_EQ(again->parent, &lib.root.children[0]);
    EXPECT_NE(again->number, passive);
    ComponentGroup* found = lib.root.FindPath("analog\npassive");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, lib.root.FindByNumber(passive));
    EXPECT_EQ(found->name, "Passive");
    EXPECT_EQ(lib.root.FindByName("active"), again);

    // Inserting in front moves the records; the parent links follow.
    ComponentGroup* added = lib.root.InsertChild(true, 0, &lib.root);
    EXPECT_EQ(added->name, "New Group");
    EXPECT_EQ(lib.root.children[1].children[0].parent, &lib.root.children[1]);
    EXPECT_EQ(lib.root.CountGroups(), 5);
    lib.root.RemoveChildAt(0);
    EXPECT_EQ(lib.root.children[0].children[1].parent, &lib.root.children[0]);

    // Depth limit.
    ComponentGroup* deep = &lib.root;
    int levels = 0;
    while (ComponentGroup* next = deep->InsertChild(true, -1, &lib.root)) {
        deep = next;
        ++levels;
    }
    EXPECT_EQ(levels, kMaxGroupDepth);
    EXPECT_EQ(FindOrAddGroup(lib.root, "passive"), lib.root.FindByName("Passive"));
}

TEST_F(ComponentLibraryTest, RecentComponentsOrderAndCurrentComponent)
{
    ComponentLibrary& lib = ComponentLibraryTable()[AddComponentLibrary(Path("A.cmp"))];
    AddDef(lib, "First");
    ComponentDef* resistor = AddDef(lib, "RESISTOR");
    ClearRecentComponents();
    InitCurrentComponent();
    EXPECT_EQ(CurrentComponent, resistor);

    for (int i = 0; i < 11; ++i)
        AddRecentComponent("Part" + std::to_string(i));
    ASSERT_EQ(RecentComponentCount(), 10);
    EXPECT_EQ(RecentComponentName(0), "Part10");
    EXPECT_EQ(RecentComponentName(9), "Part1");  // Part0 dropped off
    AddRecentComponent("part5");
    EXPECT_EQ(RecentComponentName(0), "part5");
    EXPECT_EQ(RecentComponentCount(), 10);

    SetRecentComponentsFrozen(true);  // demo playback
    AddRecentComponent("First");
    SetRecentComponentsFrozen(false);
    EXPECT_EQ(RecentComponentName(0), "part5");

    EXPECT_EQ(OnRecentComponent(0), nullptr);  // no such component: nothing happens
    EXPECT_EQ(CurrentComponent, resistor);
    AddRecentComponent("first");
    EXPECT_EQ(OnRecentComponent(0)->name, "First");
    InitCurrentComponent();
    EXPECT_EQ(CurrentComponent->name, "First");
    ClearRecentComponents();
}

TEST_F(ComponentLibraryTest, TemporaryDefinitionsAndNames)
{
    ComponentLibrary local;
    local.holdsTemporary = true;
    AddDef(local, "Kept");
    AddDef(local, "Taken")->mask = CM_TEMPORARY;
    RemoveTemporaryComponents(local);
    ASSERT_EQ(local.components.size(), 1u);
    EXPECT_FALSE(local.holdsTemporary);

    EXPECT_EQ(NormalizeLibraryFileName("C:\\lib\\My.Lib"), "My.cmp");
    EXPECT_EQ(NormalizeLibraryFileName("d:mine.CMP"), "mine.CMP");
    EXPECT_EQ(NormalizeLibraryFileName("plain"), "plain.cmp");
}

TEST_F(ComponentLibraryTest, SettingsSections)
{
    ClearRecentComponents();
    AddRecentComponent("Older");
    AddRecentComponent("Newest");
    Profile out;
    ASSERT_EQ(out.OpenWrite(Path("ombr.dat").c_str()), 0);
    out.WriteSection("Recent Components");
    SerializeRecentComponents(out);
    out.WriteSection("Component Files");
    out.WriteString("File1", "C:\\old\\Mine.cmp");
    EXPECT_EQ(LibraryFilesSection(out), 0);  // writes nothing
    ASSERT_EQ(out.Close(), 0);

    ClearRecentComponents();
    Profile in;
    ASSERT_EQ(in.OpenRead(Path("ombr.dat").c_str()), 0);
    std::string entry;
    in.NextEntry(entry);
    SerializeRecentComponents(in);
    EXPECT_EQ(RecentComponentName(0), "Newest");
    EXPECT_EQ(RecentComponentName(1), "Older");
    EXPECT_NE(in.section.find("Component Files"), std::string::npos);
    LibraryFilesSection(in);
    in.Close();
    // The listed file is passed over; the default library is registered.
    ASSERT_EQ(ComponentLibraryTable().size(), 1u);
    EXPECT_EQ(ComponentLibraryTable()[0].fileName, DefaultLibraryName());
    ClearRecentComponents();
}

TEST_F(ComponentLibraryTest, FindComponentSearch)
{
    ComponentLibrary& lib = ComponentLibraryTable()[AddComponentLibrary(Path("A.cmp"))];
    AddDef(lib, "SN7400")->memo = "Quad NAND 74 family";
    AddDef(lib, "74HC00");
    AddDef(lib, "2N2222")->shapeName = "NPN";
    AddDef(lib, "Wire74", CT_SHORT);
    AddDef(lib, "");
    auto names = [](const std::vector<ComponentDef*>& found) {
        std::vector<std::string> out;
        for (auto* d : found)
            out.push_back(d->name);
        return out;
    };
    EXPECT_EQ(names(SearchComponents(" 74 ", CSF_NAME, false)), (std::vector<std::string>{"SN7400", "74HC00"}));
    EXPECT_EQ(names(SearchComponents("74", CSF_NAME, true)), (std::vector<std::string>{"74HC00"}));
    EXPECT_EQ(names(SearchComponents("2n2", CSF_NAME, true)), (std::vector<std::string>{"2N2222"}));
    EXPECT_EQ(names(SearchComponents("74", CSF_ALL, false)), (std::vector<std::string>{"SN7400", "74HC00"}));
    EXPECT_EQ(names(SearchComponents("npn", CSF_SHAPE, false)), (std::vector<std::string>{"2N2222"}));
    EXPECT_EQ(names(SearchComponents("resis", CSF_DEFINITION, true)).size(), 3u);
    EXPECT_TRUE(SearchComponents("nothing", CSF_ALL, false).empty());
}
