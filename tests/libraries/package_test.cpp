#include "library_test_support.h"

#include "foundation/message_codes.h"
#include "libraries/component_types.h"

using namespace ob7;
using namespace ob7::test;

namespace {

class PackageTest : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        ComponentLibrary& lib = ComponentLibraryTable()[AddComponentLibrary(Path("Demo.cmp"))];
        ComponentDef* gate = lib.Add();
        gate->name = "Nand2";
        gate->type = CT_NAND;
        gate->data1 = 2;
        SetPinCount(*gate, 3);
        BuildComponentIndex(lib, -1, true);
    }
    std::vector<Package> Parse(const std::string& text)
    {
        std::ofstream(Path("p.pkg")) << text;
        std::vector<Package> list;
        EXPECT_EQ(ParsePackageList(list, Path("p.pkg")), 0);
        return list;
    }
    std::string FileText(const std::string& name)
    {
        std::ifstream in(Path(name));
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

}  // namespace

TEST_F(PackageTest, ReadingRules)
{
    std::vector<Package> list = Parse(
        "[Data]\nP0=1\nM=DIP14\nP0=5\nPinCnt=3\nP0=0\nP1=1,X1\nP2=nc#\nPinCnt=4\nP9=1\n"
        "comp=nand2\nC=yes\nP3=2,B\n"
        "M=Second\nC=1\nComp=Nobody\n"
        "M=Third\nComp=Component\n"
        "  ; a comment\n\n=stop\nM=NeverRead\n");
    ASSERT_EQ(list.size(), 3u);
    Package& p = list[0];
    ASSERT_EQ(p.PinCount(), 4);  // the second count keeps the first entries
    EXPECT_EQ(p.pins[0].componentPin, 0);
    EXPECT_EQ(p.pins[0].boardName, "1");
    EXPECT_EQ(p.pins[1].boardName, "X1");
    EXPECT_EQ(p.pins[2].componentPin, -1);
    EXPECT_EQ(p.pins[2].boardName, "3");
    EXPECT_EQ(p.pins[3].gate, 'B');
    EXPECT_EQ(p.pins[3].boardName, "4");
    EXPECT_EQ(p.complex, 1);
    ASSERT_NE(p.component, nullptr);
    EXPECT_EQ(p.DisplayName(), "Nand2 DIP14");
    EXPECT_EQ(list[1].complex, 0);
    EXPECT_EQ(list[1].component, nullptr);
    EXPECT_EQ(list[1].ComponentName(), "Nobody");
    // A value ends at its first blank, so the placeholder's name cannot be named here.
    EXPECT_EQ(list[2].missingComponentName, "Component");
    EXPECT_EQ(FindPackageByDisplayName(list, "nobody second"), &list[1]);
    EXPECT_EQ(FindPackageByDisplayName(list, "nobody"), nullptr);
}

TEST_F(PackageTest, WritingAndReadingBack)
{
    std::vector<Package> list(3);
    list[0].name = "DIP 14";
    list[0].accelName = "DIP14A";
    list[0].padsName = "DIP14P";
    list[0].complex = 1;
    list[0].AddOtherName("VCC");
    list[0].component = FindComponentIndexed("Nand2");
    list[0].SetPinCount(3);
    list[0].pins[0] = {"01", 1, 0};   // read without a gate field
    list[0].pins[1] = {"GND", -1, '*'};
    list[0].pins[2] = {"3", 3, 'A'};
    list[1].missingComponentName = "Gone";
    list[1].SetPinCount(1);
    list[1].pins[0] = {"1", 0, 0};
    ASSERT_EQ(WritePackageList(list, Path("out.pkg")), 0);
    std::string text = FileText("out.pkg");
    EXPECT_EQ(text.rfind("[Main]\nFileType=PKG\nVersion=1.00\nProgram=Ombrelic\n\n[Data]\n", 0), 0u);
    EXPECT_NE(text.find("M=DIP 14\nAccel=DIP14A\nPADS=DIP14P\nC=Yes\nO=VCC\nPinCnt=3\nComp=Nand2\n"
                        "P0=1,\nP1=NC#,*,GND\nP2=3,A\n\n"), std::string::npos);
    EXPECT_NE(text.find("\nM\nPinCnt=1\nComp=Gone\nP0=0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nM\nPinCnt=0\nComp\n"), std::string::npos);

    std::vector<Package> back;
    ASSERT_EQ(ParsePackageList(back, Path("out.pkg")), 0);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].name, "DIP");  // a blank ends a value
    EXPECT_EQ(back[0].pins[0].boardName, "1");
    EXPECT_EQ(back[0].pins[0].gate, 0);
    EXPECT_EQ(back[0].pins[1], list[0].pins[1]);
    EXPECT_EQ(back[0].pins[2], list[0].pins[2]);
    EXPECT_EQ(back[0].otherNames, list[0].otherNames);
    EXPECT_EQ(back[1].missingComponentName, "Gone");
}

TEST_F(PackageTest, ComplexPinWithoutGateKeepsItsBoardName)
{
    std::vector<Package> list(1);
    list[0].complex = 1;
    list[0].SetPinCount(1);
    list[0].pins[0] = {"VDD", 2, 0};
    ASSERT_EQ(WritePackageList(list, Path("gate.pkg")), 0);
    EXPECT_NE(FileText("gate.pkg").find("P0=2,,VDD\n"), std::string::npos);
    std::vector<Package> back;
    ASSERT_EQ(ParsePackageList(back, Path("gate.pkg")), 0);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].pins[0], list[0].pins[0]);
}

TEST_F(PackageTest, MissingComponentsAndFiles)
{
    std::vector<Package> list(12);
    for (size_t i = 0; i < list.size(); ++i)
        list[i].missingComponentName = "C" + std::to_string(i);
    std::string text = PackageConsistencyText(list);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 9 + 1 + 2);
    EXPECT_NE(text.find("Warning a Package C0 No name uses Component C0 which does not exist."), std::string::npos);
    EXPECT_NE(text.find("\n<more.....>\n\nTotal warnings 12"), std::string::npos);
    EXPECT_EQ(PackageConsistencyText({}), "");
    std::vector<Package> one(1);
    EXPECT_EQ(PackageConsistencyText(one).find("Total"), std::string::npos);

    std::vector<Package> none;
    EXPECT_EQ(ParsePackageList(none, Path("missing.pkg")), kMsgReported);
    ASSERT_EQ(reports.ids.size(), 1u);
    EXPECT_NE(reports.texts[0].find("missing.pkg"), std::string::npos);

    // The default file lives in the program folder.
    PackageList() = std::vector<Package>(1);
    ASSERT_EQ(SavePackageList(), 0);
    ClearPackageList();
    ASSERT_EQ(ParsePackageList(PackageList()), 0);
    EXPECT_EQ(PackageList().size(), 1u);
    EXPECT_EQ(DefaultPackagePath(), Path("Demo.pkg"));

    // A failed save is reported, not passed for success.
    std::filesystem::remove(Path("Demo.pkg"));
    std::filesystem::create_directory(Path("Demo.pkg"));
    size_t before = reports.ids.size();
    EXPECT_NE(SavePackageList(), 0);
    EXPECT_EQ(reports.ids.size(), before + 1);

    // A count no package can have leaves the map empty.
    std::vector<Package> odd = Parse("M=X\nPinCnt=99999999\nP5=1\nM=Y\nPinCnt=-3\n");
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(odd[0].PinCount(), 0);
    EXPECT_EQ(odd[1].PinCount(), 0);
}
