// Circuit files of versions 4 and 5.0x: files written here block by block from the old
// line layout are read into the document and converted.
#include <gtest/gtest.h>

#include <fstream>

#include "circuit/circuit_file.h"
#include "circuit/document_files.h"
#include "circuit/old_conversions.h"
#include "circuit_fixture.h"
#include "foundation/font_record.h"
#include "report_capture.h"

using namespace ob7;
using namespace ob7::test;

namespace {

ComponentDef* ShortDef()
{
    static ComponentDef* d = [] {
        Defs();
        ComponentLibrary& lib = ComponentLibraryTable()[AddComponentLibrary("old_layout_test.cmp")];
        return AddDef(lib, "Short", CT_SHORT, {{0, 0}, {2, 0}});
    }();
    return d;
}

int Parse(const std::string& text, CircuitDocument& doc, int flags = kLoadQuiet)
{
    CircuitFile f;
    return f.Parse(text, doc, flags);
}

const std::string kFont = "10,0,0,0,3\n";  // height, style, face, 0, colour

// A 5.02 file: a resistor, a wire and a filled rectangle, one grid text, the analysis
// set-up and the window blocks, and a text area.
std::string File502(const std::string& components = "")
{
    std::string s = "5.02\nOmbrelic V\nTessellane Software\n\n"
                     ":**** fonts ****\n2\nArial\nCourier New\n"
                     ":**** components ****\n3\n";
    s += components.empty() ? "Resistor\n0,10,20,0,0,2,2\n"
                              "PART\nR1\n8192,12,4,1,0,5,5,-4\n"
                              "VALUE\n10K\n8192,0,0,0,0\n"
                              "0\n"
                              "\n1,30,20,40,20,0,0,0,0\n0\n"
                              "\n2,50,50,60,60,3,773,12,0\n1\n"
                            : components;
    s += "0\n"
         ":**** grid text ****\n1\n15,25,1,1,12,4,1,0,7,0\n.define X 1\n"
         ":**** analysis limits ****\n3\n1u\n100n\n0\n0\n5\n1k,1meg\n50\nAuto\n0\n1\n0\n"
         "6\nV1\n0,5,0.1\nNone\n50\n0\n0\n1\n"
         ":**** analysis options ****\n1,2,3\n"
         ":**** transient analysis monitor ****\n1\n5\n3\n1\nT\nv(OUT)\n1u,0\n10,-10\n5.3\n"
         ":**** ac analysis monitor ****\n0\n5\n"
         ":**** dc analysis monitor ****\n0\n5\n"
         ":**** monte carlo ****\n2\n1\n10\nx\n2\n20\ny\n3\n30\nz\n"
         ":**** dsp ****\n2\n1\n10\n0\n64\n0\n1meg\n1k\n128\n"
         ":**** stepping ****\n5\nR1\nvalue\n1k\n10k\n1k\n2\n"
         ":**** analysis elements ****\n1\n0,1,2,3,4,5,0,3840,3,10,0,0,0,1\nHello\n"
         ":**** analysis optimize ****\n\n\n\n"
         "26\n\n\n\n\n"
         ":**** window placement ****\n";
    for (int i = 0; i < 5; ++i)
        s += "0,1,-1,-1,-1,-1,10,20,300,400\n";
    s += ":**** window font colors ****\n" + kFont + "10,0,0,0,5\n10,0,0,0,9\n" + kFont + kFont +
         ":**** schematic options ****\n2\n1\n448\n"
         ":**** quads ****\n0,0,1,0,2,100,200,0,0\n";
    for (int p = 0; p < 2; ++p)
        s += "1,2,0,0,3,4,0,0,5,6,0,0,7,8,0,0,10,11\n";
    s += "1\n:**** circuit fonts and colors ****\n63\n" + kFont + kFont + "4\n" + kFont + "5\n12\n6\n0\n" + kFont +
         "8\n12\n" + kFont + std::string(10, '\n') +
         ":**** text page data ****\n10,0,1,0,2\n14\n:**** text page ****\n.tran 1u\r\n.end";
    return s;
}

TEST(OldLayout, Version502FileReadsBlockByBlock)
{
    Defs();
    CircuitDocument doc;
    ASSERT_EQ(Parse(File502(), doc), 0);
    EXPECT_TRUE(doc.modified);  // converted: only a 5.03 file reads unchanged
    ASSERT_EQ(doc.objects.size(), 3u);
    const CircuitObject& r = *doc.objects[0];
    EXPECT_EQ(r.def, Defs().resistor);
    EXPECT_EQ(r.coords[0], 10);
    EXPECT_EQ(r.coords[1], 20);
    EXPECT_EQ(r.rotation, 2);
    ASSERT_EQ(r.attrs.size(), 2u);
    EXPECT_EQ(r.attrs[0].id, ATTR_PART);
    EXPECT_EQ(r.attrs[0].value, "R1");
    EXPECT_EQ(r.attrs[0].flags, 8192);
    EXPECT_EQ(r.attrs[0].font.height, 12);
    EXPECT_EQ(r.attrs[0].font.style, 4);
    EXPECT_STREQ(FaceName(r.attrs[0].font.face), "Courier New");  // face 1 of the file's list
    EXPECT_EQ(r.attrs[0].font.colour, 5);
    EXPECT_EQ(r.attrs[0].dx, 5);
    EXPECT_EQ(r.attrs[0].dy, -4);
    EXPECT_EQ(r.attrs[1].value, "10K");
    EXPECT_EQ(doc.objects[1]->kind, OK_WIRE);
    EXPECT_EQ(doc.objects[1]->coords[2], 40);
    // A rectangle with style bits 0 and 2: filled with the record's fill colour, weight 2.
    const CircuitObject& rect = *doc.objects[2];
    EXPECT_EQ(rect.kind, OK_GRAPHIC);
    EXPECT_EQ(rect.GraphicKind(), 0x300);
    EXPECT_EQ(rect.style.weight, 2);
    EXPECT_EQ(rect.style.fillColour, kNoColor);  // every fill colour is reset for files before 5.20
    EXPECT_EQ(rect.page, 1);

    ASSERT_EQ(doc.gridTexts.size(), 1u);
    EXPECT_EQ(doc.gridTexts[0]->text, ".define X 1");
    EXPECT_EQ(doc.gridTexts[0]->page, 1);
    EXPECT_EQ(doc.gridTexts[0]->font.height, 12);
    EXPECT_EQ(doc.gridTexts[0]->font.colour, 7);

    EXPECT_EQ(doc.analyses[0].limits[0], "1u");
    EXPECT_EQ(doc.analyses[1].limits[0], "1k,1meg");
    EXPECT_EQ(doc.analyses[2].limits[1], "0,5,0.1");
    EXPECT_EQ(doc.analyses[0].options, 1);
    EXPECT_EQ(doc.analyses[1].options, 2 | 0x40);  // AC word: bit 6 set, bits 10 and 11 cleared
    ASSERT_EQ(doc.analyses[0].rows.size(), 1u);
    const CurveRowRecord& row = doc.analyses[0].rows[0];
    EXPECT_EQ(row.plotGroup, '1');
    EXPECT_EQ(row.yExpression, "v(OUT)");
    EXPECT_EQ(row.yRange, "10,-10");
    EXPECT_EQ(row.valueFormat[1], "3");
    EXPECT_EQ(row.valueFormat[0], "3");  // the X format follows the Y format
    EXPECT_EQ(row.lineColour, 3);
    EXPECT_EQ(row.scaleFormat[0], "2");
    EXPECT_EQ(doc.analyses[1].monteCarloRuns, "20");
    EXPECT_EQ(doc.analyses[2].monteCarloFlags, 3);
    EXPECT_EQ(doc.dsp.points[1], "128");
    const StepRecord& step = doc.analyses[0].steps[0];
    EXPECT_EQ(step.texts[0], "R1");
    EXPECT_EQ(step.texts[4], "1k");
    EXPECT_EQ(step.device, 2);
    EXPECT_EQ(step.flags, 26);
    EXPECT_EQ(doc.analyses[2].steps[0], step);  // stepping is copied to AC and DC

    EXPECT_EQ(doc.analysisLook.gridColour, 5);
    EXPECT_EQ(doc.analysisLook.graphBackground, 9);
    EXPECT_DOUBLE_EQ(doc.schematic.scale, 2);
    EXPECT_EQ(doc.schematic.splitterY, 200);
    EXPECT_EQ(doc.schematic.panePage[2], 1);
    ASSERT_EQ(doc.pages.size(), 2u);
    EXPECT_EQ(doc.pages[1].scrollX[3], 7);
    EXPECT_EQ(doc.pages[1].gridY, 11);
    EXPECT_EQ(doc.pages[0].name, "Page 1");
    EXPECT_EQ(doc.pages[1].name, "Page 2");
    EXPECT_EQ(doc.appearance.componentColour, 4);
    EXPECT_EQ(doc.appearance.pinConnection.color, 6);
    EXPECT_EQ(doc.text, ".tran 1u\r\n.end");
    EXPECT_EQ(doc.textFont.color, 2);
}

TEST(OldLayout, DamagedOldFilesAreRefused)
{
    Defs();
    const std::string good = File502();
    auto replace = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    struct Case {
        const char* what;
        std::string text;
        int code;
    } cases[] = {
        {"wrong marker", replace(":**** dsp ****", ":**** dsp2 ****"), 15009},
        {"plot group of two characters", replace("3\n1\nT\n", "3\n12\nT\n"), 15009},
        {"component count larger than the file", replace("components ****\n3\n", "components ****\n300000\n"),
         15009},
        {"negative count", replace("grid text ****\n1\n", "grid text ****\n-2\n"), 15009},
        {"bad rotation", replace("0,10,20,0,0,2,2\n", "0,10,20,0,0,9,2\n"), 15009},
        {"unknown object kind", replace("0,10,20,0,0,2,2\n", "7,10,20,0,0,2,2\n"), 15009},
        {"too many limit texts", replace("limits ****\n3\n", "limits ****\n9\n"), 15009},
        {"text length beyond the file", replace("\n14\n:****", "\n99999\n:****"), 15009},
        {"cut inside the components", good.substr(0, good.find("grid text") - 30), 15007},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CircuitDocument doc;
        doc.AddWire(1, 1, 2, 2);
        EXPECT_EQ(Parse(c.text, doc), c.code);
        EXPECT_EQ(doc.objects.size(), 1u);
    }
    // A colour beyond the sixteen of the layout keeps its low four bits (found by fuzzing:
    // it changed when saved and read again).
    {
        CircuitDocument doc;
        ASSERT_EQ(Parse(replace("1,30,20,40,20,0,", "1,30,20,40,20,203,"), doc), 0);
        EXPECT_EQ(doc.objects[1]->style.colour, 203 & 15);
    }
    // Control characters in a face name are dropped (found by fuzzing: a saved name lost
    // them when read again).
    {
        CircuitDocument doc;
        ASSERT_EQ(Parse(replace("Courier New\n", "Cou\frier New\f\f\n"), doc), 0);
        EXPECT_STREQ(FaceName(doc.objects[0]->attrs[0].font.face), "Courier New");
    }
    // An empty grid text reads as the placeholder of the sectioned files (found by
    // fuzzing: it changed when saved and read again).
    {
        CircuitDocument doc;
        ASSERT_EQ(Parse(replace(".define X 1\n", "\n"), doc), 0);
        EXPECT_EQ(doc.gridTexts[0]->text, "Missing text!");
    }
    // Load flag 2 keeps a bad rotation.
    CircuitDocument doc;
    EXPECT_EQ(Parse(replace("0,10,20,0,0,2,2\n", "0,10,20,0,0,9,2\n"), doc, kLoadQuiet | kLoadNoChecks), 0);
    // Every cut of the file reads without a crash and either fails or holds what it read.
    for (size_t cut = 0; cut < good.size(); cut += 7) {
        CircuitDocument part;
        part.AddWire(1, 1, 2, 2);
        if (Parse(good.substr(0, cut), part) != 0) {
            EXPECT_EQ(part.objects.size(), 1u) << cut;
        }
    }
}

TEST(OldLayout, TransientLimitOfMinusOneEndsTheFile)
{
    Defs();
    std::string file = File502();
    file = file.substr(0, file.find(":**** analysis limits ****\n") + 27) + "-1\n";
    CircuitDocument doc;
    ASSERT_EQ(Parse(file, doc), 0);
    EXPECT_EQ(doc.objects.size(), 3u);
    EXPECT_EQ(doc.gridTexts.size(), 1u);
}

// A version-4 file: no markers, records of name, point, rotation and one value text.
std::string File4()
{
    return "4.00\nOmbrelic IV\nTessellane Software\n\n"
           "3\n"
           "Resistor\n10,10,0,1\nskipped\nskipped\n10K TC=0.001,0.002\n"
           "Short\n20,20,1,0\n\nS1\n"
           "Capacitor\n30,10,0,0\n\nPOLY 1p LOT=5%\n"
           "0\n"
           "2\n5,0,1,1,12\n.pin2\n6,7,1,0,4\n.define Y 2^3\n"
           "3\n1u\n100n\n0\n0\n5\n1k,1meg\n50\nAuto\n0\n1\n0\n6\nV1\n0,5,0.1\nNone\n50\n0\n0\n1\n"
           "DJ2b\nX1b\nZ\n"
           // Monitors: fields and rows, then per field the rows' group and value.
           "5\n2\n1\nT\n1\nT\n1\nA-B\n1\nD(OUT)\n1\n1u@0\n1\nAuto\n1\n10,0\n1\nAuto\n1\n5.4\n1\n5.2\n"
           "0\n0\n0\n0\n"
           // Six groups of three option words (transient, DC, AC).
           "5\n0,0,0\n0,0,0\n1,0,0\n0,0,0\n5,0,0\n2,0,0\n"
           "1\nB\n10\nC\n1\n1D\n1\n"
           "1\nR1.value\n1k\n"
           "1\n0,1.5,2.5,0,9,3\nNote\n"
           "\n\n\n1b\n\n\n\n\n7\n";
}

TEST(OldLayout, Version4FileConverts)
{
    Defs();
    ShortDef();
    CircuitDocument doc;
    ASSERT_EQ(Parse(File4(), doc), 0);
    ASSERT_EQ(doc.objects.size(), 3u);
    CircuitObject& r = *doc.objects[0];
    // PART takes the first word of the value text, VALUE the whole text.
    EXPECT_EQ(r.FindAttr(ATTR_PART)->value, "10K");
    EXPECT_EQ(r.FindAttr(ATTR_PART)->flags, AF_SHOW_VALUE);
    // The temperature coefficients move into a model of their own; a resistor keeps its
    // VALUE unless it had a LOT word.
    EXPECT_EQ(r.FindAttr(ATTR_VALUE)->value, "10K TC=0.001,0.002");
    EXPECT_EQ(r.FindAttr(ATTR_MODEL)->value, "RES1");
    // The short at (20,20), rotated a quarter turn, becomes a wire between its pins.
    const CircuitObject& wire = *doc.objects[1];
    EXPECT_EQ(wire.kind, OK_WIRE);
    int32_t dx = 2, dy = 0;
    RotatePinOffset(1, dx, dy);
    EXPECT_EQ(wire.coords[0], 20);
    EXPECT_EQ(wire.coords[2], 20 + dx);
    EXPECT_EQ(wire.coords[3], 20 + dy);
    CircuitObject& c = *doc.objects[2];
    EXPECT_EQ(c.FindAttr(ATTR_VALUE)->value, "1p");  // the word after POLY
    EXPECT_EQ(c.FindAttr(ATTR_MODEL)->value, "CAP2");
    EXPECT_NE(doc.text.find("\r\n.MODEL RES1 RES (TC1=0.001 TC2=0.002)"), std::string::npos);
    EXPECT_NE(doc.text.find("\r\n.MODEL CAP2 CAP (C=1.0 LOT=5%)"), std::string::npos);

    ASSERT_EQ(doc.gridTexts.size(), 2u);
    EXPECT_EQ(doc.gridTexts[0]->text, "PinB");
    EXPECT_EQ(doc.gridTexts[0]->y, 1);  // a y below 1 becomes 1
    EXPECT_EQ(doc.gridTexts[0]->font.height, -14);
    EXPECT_EQ(doc.gridTexts[0]->font.style, kFontBold);
    // The unused .define is commented out and moved to the text area, with a note.
    EXPECT_EQ(doc.gridTexts[1]->text, "** Some text moved to Text area Type Ctrl+G **");
    EXPECT_NE(doc.text.find("\r\n*define Y 2**3"), std::string::npos);

    // D, J and 2b in the transient string; X and 1b in the AC string; Z for DC.
    EXPECT_EQ(doc.analyses[0].options, 0x1 | 0x40 | 0x400);
    EXPECT_EQ(doc.analyses[1].options, (0x8 | 0x100 | 0x40) & ~0xc00);
    EXPECT_EQ(doc.analyses[2].options, 0x20);

    const auto& rows = doc.analyses[0].rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].yExpression, "v(A)-v(B)");
    EXPECT_EQ(rows[1].yExpression, "Del(OUT)");
    EXPECT_EQ(rows[0].xRange, "1u 0");
    EXPECT_EQ(rows[1].valueFormat[1], "2");
    // Word 4 of the transient analysis is 5: rows 0 and 2 are LINEARX; word 2 marks row 0
    // OUTPUT, word 5 marks row 1 LINEARY.
    EXPECT_EQ(rows[0].options & (CO_OUTPUT | CO_LINEARX | CO_LINEARY), CO_OUTPUT | CO_LINEARX);
    EXPECT_EQ(rows[1].options & (CO_OUTPUT | CO_LINEARX | CO_LINEARY), CO_LINEARY);

    EXPECT_EQ(doc.analyses[0].monteCarloFlags, 1 | kMonteCarloOn);
    EXPECT_EQ(doc.analyses[1].monteCarloFlags, 2);
    EXPECT_EQ(doc.analyses[2].monteCarloFlags, 3);
    const StepRecord& step = doc.analyses[0].steps[0];
    EXPECT_EQ(step.texts[0], "R1");
    EXPECT_EQ(step.texts[1], "value");
    EXPECT_EQ(step.texts[2], "1k");
    EXPECT_EQ(step.flags, SF_MODEL | SF_LOG | SF_ENABLED);
    EXPECT_EQ(doc.schematic.viewBits & 0x32, 0x30);
}

TEST(OldLayout, Version4LoadMessages)
{
    Defs();
    ShortDef();
    {
        ReportCapture capture;
        CircuitDocument doc;
        EXPECT_EQ(Parse(File4(), doc, 0), 0);
        ASSERT_EQ(capture.reports.size(), 1u);
        EXPECT_EQ(capture.Last().id, 13503);
    }
    for (int flags : {kLoadHidden, kLoadRefuseVersion4}) {
        ReportCapture capture;
        CircuitDocument doc;
        EXPECT_EQ(Parse(File4(), doc, flags), 15055);
        EXPECT_EQ(capture.Last().id, 13505);
        EXPECT_TRUE(doc.objects.empty());
    }
}

TEST(OldLayout, Conversions)
{
    struct StyleCase {
        uint16_t word;
        uint8_t weight, pattern, fill;
        uint16_t left;
    } styles[] = {
        {0x301 | 0x4, 2, 0, 12, 0x300},   // rectangle, filled, weight 2
        {0x300 | 0x8 | 0x20, 3, 2, kNoColor, 0x300},
        {0x101 | 0x30, 1, 3, kNoColor, 0x101},  // a line keeps bit 0 (its arrow)
    };
    for (const StyleCase& c : styles) {
        uint16_t word = c.word;
        LineStyle style;
        ConvertOldGraphicStyle(word, style, 12);
        EXPECT_EQ(style.weight, c.weight) << c.word;
        EXPECT_EQ(style.pattern, c.pattern) << c.word;
        EXPECT_EQ(style.fillColour, c.fill) << c.word;
        EXPECT_EQ(word, c.left) << c.word;
    }
    struct TextCase {
        const char* in;
        const char* out;
    } expressions[] = {
        {"OUT", "v(OUT)"}, {"A-B", "v(A)-v(B)"}, {"a+b-c", "v(a)+v(b)-v(c)"}, {"db(A-B)", "db(v(A,B))"},
        {"DB( out )", "DB(v(out))"}, {"sin", "sin"}, {"v(1)*2", "v(1)*2"}, {"2", "2"},
    };
    for (const TextCase& c : expressions)
        EXPECT_EQ(ConvertVersion4CurveExpression(c.in), c.out) << c.in;
    EXPECT_EQ(RenameOldDerivative("D(x)+ADD(y)*d(z)"), "Del(x)+ADD(y)*Del(z)");
}

TEST(OldLayout, Version4StatementsMoveToTheTextArea)
{
    CircuitDocument doc;
    for (const char* t : {".define A 1", ".define B 2", ".define C B", ".param x={A}", ".define E 3",
                          ".mutual L1 L2 E", "@E", ".MODEL D1 D", "OUT"})
        doc.AddGridText(t, 10, 10);
    MoveVersion4Statements(doc);
    // A is used by .param; C by nothing, then B only by C; E only by a .mutual text and
    // after an '@'.
    std::vector<std::string> left;
    for (const auto& t : doc.gridTexts)
        left.push_back(t->text);
    EXPECT_EQ(left, (std::vector<std::string>{".define A 1", ".param x={A}", ".mutual L1 L2 E", "@E", "OUT",
                                              "** Some text moved to Text area Type Ctrl+G **"}));
    EXPECT_EQ(doc.text, "\r\n*define B 2\r\n*define C B\r\n*define E 3\r\n.MODEL D1 D");
    EXPECT_EQ(doc.gridTexts.back()->x, 2);
    // Nothing to move: no note.
    CircuitDocument plain;
    plain.AddGridText(".define A 1", 1, 1);
    plain.AddGridText(".tran A", 1, 1);
    MoveVersion4Statements(plain);
    EXPECT_EQ(plain.gridTexts.size(), 2u);
}

}  // namespace

// A converted old circuit saves in 7.0 and reads back to the same bytes.
TEST(OldLayout, ConvertedCircuitsSaveInTheCurrentVersion)
{
    Defs();
    ShortDef();
    for (const std::string& file : {File502(), File4()}) {
        CircuitDocument doc;
        ASSERT_EQ(Parse(file, doc), 0);
        std::string first, second;
        CircuitFile writer;
        writer.Compose(doc, kCircuitVersion70, first);
        CircuitDocument back;
        ASSERT_EQ(Parse(first, back), 0) << first;
        CircuitFile writer2;
        writer2.Compose(back, kCircuitVersion70, second);
        EXPECT_EQ(first, second);
    }
}

// Opening a converted file leaves the document modified (only a 5.03 file reads
// unchanged), so that closing it asks to save it in the current version.
TEST(OldLayout, OpenedOldFileIsModified)
{
    Defs();
    ScratchFolder folder;
    for (const char* version : {"5.02", "5.03"}) {
        std::string file = File502();
        file.replace(0, 4, version);
        if (std::string(version) == "5.03")  // 5.03 adds the two object default fonts
            file.replace(file.find(":**** schematic options"), 0, kFont + kFont);
        const std::string path = folder.File("old.cir");
        std::ofstream(path, std::ios::binary) << file;
        CircuitDocument doc;
        ASSERT_EQ(LoadCircuitDocument(doc, path, kLoadQuiet | kLoadNoNumbering), 0) << version;
        EXPECT_EQ(doc.modified, std::string(version) == "5.02") << version;
    }
}
