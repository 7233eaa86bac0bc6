#include "circuit/circuit_file.h"
#include "circuit/document_files.h"
#include "circuit/macro_attributes.h"
#include "circuit_fixture.h"

#include <gtest/gtest.h>

using namespace ob7;
using namespace ob7::test;

namespace {

void SaveMacro(const ScratchFolder& folder, const std::string& name, const std::string& parameters)
{
    CircuitDocument macro;
    macro.AddGridText(".PARAMETERS(" + parameters + ")", 10, 10);
    ASSERT_EQ(SaveCircuitDocument(macro, folder.File(name)), 0);
}

std::vector<std::pair<std::string, std::string>> Attrs(const CircuitObject& part)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const AttrNode& a : part.attrs)
        out.emplace_back(a.Name(), a.value);
    return out;
}

}  // namespace

// A 5.20 save writes a macro part's FILE as the VALUE call with its arguments in the
// order of the macro's parameter list (defaults for missing ones), and no Param:
// attributes; reading it back gives FILE and Param: attributes again.
TEST(MacroAttributes, CallTextInOlderVersions)
{
    ScratchFolder folder;
    SaveMacro(folder, "amp.MAC", "GAIN=1,R=1k");
    CircuitDocument doc;
    doc.path = folder.File("top.cir");
    CircuitObject& x1 = doc.AddPart(Defs().macro, 10, 10);
    x1.SetAttr(ATTR_PART, "X1");
    x1.SetAttr(ATTR_FILE, "amp");
    x1.SetAttrByName("Param:GAIN", "10");
    std::string text;
    CircuitFile writer;
    writer.Compose(doc, kCircuitVersion520, text);
    EXPECT_NE(text.find("[Attr]\nONV=0,0,VALUE,amp(10,1k)\n"), std::string::npos);
    EXPECT_EQ(text.find("Param:"), std::string::npos);

    CircuitDocument back;
    back.path = doc.path;
    CircuitFile reader;
    ASSERT_EQ(reader.Parse(text, back, kLoadQuiet), 0);
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Attrs(*back.objects.at(0)),
              (Pairs{{"PART", "X1"}, {"FILE", "amp"}, {"Param:GAIN", "10"}, {"Param:R", "1k"}}));
}

TEST(MacroAttributes, ValueCallConversion)
{
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* value;
        std::vector<std::string> parameters;
        Pairs result;
    } cases[] = {
        {"amp(1,,3)", {"A=0", "B=5", "C=7"}, {{"FILE", "amp"}, {"Param:A", "1"}, {"Param:B", ""}, {"Param:C", "3"}}},
        {" amp(2,", {"A", "B"}, {{"FILE", "amp"}, {"Param:A", "2"}, {"Param:B", ""}}},  // "," dropped, ")" added
        {"amp(f(1,2),3)", {"A", "B"}, {{"FILE", "amp"}, {"Param:A", "f(1,2)"}, {"Param:B", "3"}}},
        {"amp", {}, {{"FILE", "amp"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        CircuitObject part;
        AttrNode& v = part.SetAttr(ATTR_VALUE, c.value);
        v.flags = AF_SHOW_VALUE | AF_SHOW_NAME | 0x4;
        ConvertMacroValueAttr(part, c.parameters);
        EXPECT_EQ(Attrs(part), c.result);
        EXPECT_EQ(part.FindAttr(ATTR_FILE)->flags, AF_SHOW_VALUE | AF_SHOW_NAME | 0x4);
        if (part.attrs.size() > 1) {
            EXPECT_EQ(part.attrs[1].flags, 0x4);
        }
    }
    EXPECT_EQ(ParseParameterList(".PARAMETERS(GAIN=1, R=1k)"), (std::vector<std::string>{"GAIN=1", "R=1k"}));
    EXPECT_TRUE(ParseParameterList(".PARAMETERS").empty());
}

// A 6.0 file read with the macro's list (A=0,B=5,C=7): VALUE amp(1,,3) becomes FILE amp
// with Param:A 1, Param:B empty and Param:C 3.
TEST(MacroAttributes, SixPointZeroFileConverts)
{
    ScratchFolder folder;
    SaveMacro(folder, "amp.MAC", "A=0,B=5,C=7");
    Defs();
    CircuitDocument doc;
    doc.path = folder.File("top.cir");
    CircuitFile reader;
    ASSERT_EQ(reader.Parse("[Main]\nFileType=CIR\nVersion=6.00\n[Comp]\nName=Amp\nGrid=10,10\n"
                           "[Attr]\nONV=0,0,VALUE,amp(1,,3)\n",
                           doc, kLoadQuiet),
              0);
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Attrs(*doc.objects.at(0)),
              (Pairs{{"FILE", "amp"}, {"Param:A", "1"}, {"Param:B", ""}, {"Param:C", "3"}}));
}
