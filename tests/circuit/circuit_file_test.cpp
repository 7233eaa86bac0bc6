#include "circuit/circuit_file.h"
#include "circuit/plot_sections.h"
#include "circuit_fixture.h"
#include "report_capture.h"

#include <gtest/gtest.h>

using namespace ob7;
using namespace ob7::test;

namespace {

// A circuit with something of every record: parts with built-in and user attributes,
// wires, graphic objects, grid texts and a flag on two pages, a text area, and the
// analysis and tool-bar sections that other windows own.
void BuildCircuit(CircuitDocument& doc)
{
    const TestDefs& d = Defs();
    CircuitObject& r1 = doc.AddPart(d.resistor, 100, 120);
    r1.SetAttr(ATTR_PART, "R1").dx = 4;
    AttrNode& value = r1.SetAttr(ATTR_VALUE, "1k");
    value.flags = AF_SHOW_VALUE;
    value.dy = 12;
    value.font = {12, 0, kFontBold, 3};
    AttrNode& user = r1.SetAttrByName("MyParam", "a,b");
    user.dx = 10;
    user.dy = -20;
    r1.rotation = 5;
    r1.styleWord = SW_SHOW_PIN_TEXT;
    r1.showPackagePins = 1;
    r1.showPinMarkers = 1;
    r1.showCurrent = 0;
    CircuitObject& c1 = doc.AddPart(d.capacitor, 104, 120, 1);
    c1.SetAttr(ATTR_PART, "C1");
    c1.SetAttr(ATTR_VALUE, "10n");
    CircuitObject& w = doc.AddWire(104, 120, 104, 140);
    w.style.weight = 2;
    CircuitObject& line = doc.AddGraphic(0x100, 10, 10, 50, 10);
    line.styleWord |= SW_ARROW;
    line.style.colour = 5;
    line.style.pattern = 1;
    CircuitObject& box = doc.AddGraphic(0x300, 20, 20, 60, 40, 1);
    box.style.fillColour = 7;
    box.style.fillPattern = 3;
    box.styleWord |= SW_LOCKED;
    doc.AddGridText("OUT", 104, 140);
    doc.AddGridText("First line\r\nSecond line", 30, 30, 1);
    doc.AddGridText("VCC", 200, 200, 0, true);
    doc.pages.resize(2);
    doc.pages[0].name = "Main";
    doc.pages[0].scrollX[1] = 40;
    doc.pages[0].scrollY[1] = 80;
    doc.pages[0].gridX = doc.pages[0].gridY = 10;
    doc.pages[1].name = "Power";
    doc.pages[1].preview[1].on = 1;
    doc.pages[1].preview[1].place[2] = 0.5;
    doc.text = "* amplifier\r\n.MODEL Q1 NPN (BF=100)\r\n[not a header]\r\n";
    doc.commentColour = 4;
    doc.schematic.scale = 4.0;
    doc.schematic.panePage[1] = 1;
    doc.schematic.textQuad = 2;
    doc.titleBlock.fields[0] = "Amplifier";
    doc.titleBlock.show = 1;
    doc.printAutoTile[2] = 1;
    doc.appearance.wireColour = 9;
    doc.placements.circuit.normal = {10, 20, 610, 420};
    doc.keptSections.push_back({"Tools", {"Pos=Top", "Select=Yes"}, KEPT_SCHEMATIC_TOOLS});
    doc.keptSections.push_back({"Transient", {"Points=1000"}, KEPT_ANALYSIS_WINDOW});
    doc.keptSections.push_back({"Analysis", {"Analysis=Transient", "Title=amp"}, KEPT_ANALYSIS_WINDOW});
    doc.keptSections.push_back({"Watch", {"Expression=v(out)"}, KEPT_RUN_TOOLS});

    AnalysisSetup& tr = doc.analyses[0];
    tr.limits[0] = "1u";
    tr.limits[2] = "1000";
    tr.options = 5;
    CurveRowRecord row;
    row.options = CO_OUTPUT | CO_LINEARY;
    row.plotGroup = '1';
    row.xExpression = "T";
    row.yExpression = "v(out)";
    row.xRange = "1u,0";
    row.yRange = "5,-5";
    row.valueFormat[1] = "3";
    row.lineWidth = 2;
    row.lineColour = row.textColour = 9;
    tr.rows.push_back(row);
    tr.rows.push_back(CurveRowRecord());
    tr.steps[0].flags = SF_ENABLED | SF_LINEAR | SF_COMPONENT;
    tr.steps[0].texts[0] = "R1";
    tr.steps[0].texts[1] = "Value";
    tr.steps[0].texts[2] = "1k";
    tr.steps[0].texts[3] = "10k";
    tr.steps[0].texts[4] = "1k";
    tr.simultaneous = 1;
    tr.monteCarloFlags = kMonteCarloOn | 2;
    tr.monteCarloRuns = "10";
    AnalysisSetup& dc = doc.analyses[2];
    dc.limits[0] = "0,5,0.1";
    dc.limits[1] = "10";
    dc.sweep[0] = kDcSweepLinear;
    doc.dsp.status[0] = 1;
    doc.dsp.max[0] = "1m";
    doc.transfer.outputs = {"v(out)"};
    doc.transfer.inputSource = "V1";
    doc.sensitivity.outputs[0] = "v(out)";
    doc.sensitivity.outputs[3] = "i(r1)";
    doc.sensitivity.multiple = 1;
    doc.sensitivity.parameterType = kSensModel;
}

std::string Compose(CircuitDocument& doc, int32_t version)
{
    std::string text;
    CircuitFile stream;
    stream.Compose(doc, version, text);
    return text;
}

int Parse(const std::string& text, CircuitDocument& doc, int flags = kLoadQuiet)
{
    CircuitFile stream;
    return stream.Parse(text, doc, flags);
}

void ExpectSameAttrs(const CircuitObject& a, const CircuitObject& b)
{
    ASSERT_EQ(a.attrs.size(), b.attrs.size());
    for (size_t i = 0; i < a.attrs.size(); ++i) {
        SCOPED_TRACE(a.attrs[i].Name());
        EXPECT_EQ(a.attrs[i].Name(), b.attrs[i].Name());
        EXPECT_EQ(a.attrs[i].value, b.attrs[i].value);
        EXPECT_EQ(a.attrs[i].flags, b.attrs[i].flags);
        EXPECT_EQ(a.attrs[i].font, b.attrs[i].font);
        EXPECT_EQ(a.attrs[i].dx, b.attrs[i].dx);
        EXPECT_EQ(a.attrs[i].dy, b.attrs[i].dy);
    }
}

}  // namespace

// Every writable version reads back what it stores, section by section, and a file read
// and written again is the same file byte for byte.
TEST(CircuitFile, RoundTripInEveryWritableVersion)
{
    for (int32_t version : {kCircuitVersion70, kCircuitVersion60, kCircuitVersion520}) {
        SCOPED_TRACE(FormatCircuitVersion(version));
        const bool v7 = version >= kCircuitVersion70, v6 = version >= kCircuitVersion60;
        CircuitDocument doc;
        BuildCircuit(doc);
        const std::string first = Compose(doc, version);
        CircuitDocument back;
        ASSERT_EQ(Parse(first, back), 0);
        EXPECT_EQ(Compose(back, version), first);

        // [Comp], [Attr], [Wire], [Object]
        ASSERT_EQ(back.objects.size(), doc.objects.size());
        for (size_t i = 0; i < doc.objects.size(); ++i) {
            SCOPED_TRACE(i);
            const CircuitObject &a = *doc.objects[i], &b = *back.objects[i];
            EXPECT_EQ(b.kind, a.kind);
            EXPECT_EQ(b.def, a.def);
            EXPECT_EQ(b.page, a.page);
            EXPECT_EQ(b.coords[0], a.coords[0]);
            EXPECT_EQ(b.coords[1], a.coords[1]);
            if (a.kind != OK_COMPONENT) {
                EXPECT_EQ(b.coords[2], a.coords[2]);
                EXPECT_EQ(b.coords[3], a.coords[3]);
            }
            ExpectSameAttrs(a, b);
        }
        const CircuitObject& r1 = *back.objects[0];
        EXPECT_EQ(r1.rotation, 5);
        EXPECT_EQ(r1.styleWord, SW_SHOW_PIN_TEXT);
        EXPECT_EQ(r1.showPackagePins, 1);
        EXPECT_EQ(r1.showPinMarkers, 1);  // before 7.0 it follows ShowPinText
        EXPECT_EQ(r1.showCurrent, v7 ? 0 : 1);
        EXPECT_EQ(back.objects[2]->style.weight, v7 ? 2 : 1);
        const CircuitObject &line = *back.objects[3], &box = *back.objects[4];
        EXPECT_EQ(line.styleWord, 0x100 | SW_ARROW);
        EXPECT_EQ(line.style, doc.objects[3]->style);
        EXPECT_EQ(box.styleWord, 0x300 | (v6 ? SW_LOCKED : 0));
        EXPECT_EQ(box.style.fillColour, 7);
        EXPECT_EQ(box.style.fillPattern, v6 ? 3 : kNoHatch);

        // [Grid Text], [Flag]
        ASSERT_EQ(back.gridTexts.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(back.gridTexts[i]->text, doc.gridTexts[i]->text);
            EXPECT_EQ(back.gridTexts[i]->x, doc.gridTexts[i]->x);
            EXPECT_EQ(back.gridTexts[i]->page, doc.gridTexts[i]->page);
            EXPECT_EQ(back.gridTexts[i]->textFlags, doc.gridTexts[i]->textFlags);
        }

        // [Page], [Schematic], [Text Area], [Printer], [Circuit] or [FontAndColor]
        ASSERT_EQ(back.pages.size(), 2u);
        EXPECT_EQ(back.pages[1].name, "Power");
        EXPECT_EQ(back.pages[0].scrollY[1], 80);
        EXPECT_EQ(back.pages[0].gridX, 10);
        EXPECT_EQ(back.pages[1].preview[1].on, 1);
        EXPECT_EQ(back.pages[1].preview[1].place[2], 0.5);
        EXPECT_EQ(back.schematic.scale, 4.0);
        EXPECT_EQ(back.schematic.panePage[1], 1);
        EXPECT_EQ(back.schematic.textQuad, 2);
        EXPECT_EQ(back.titleBlock.show, 1);
        EXPECT_EQ(back.titleBlock.fields[0], v6 ? "Amplifier" : "");
        EXPECT_EQ(back.text, doc.text);
        EXPECT_EQ(back.commentColour, 4);
        EXPECT_EQ(back.printAutoTile[2], 1);
        EXPECT_EQ(back.appearance.wireColour, 9);
        EXPECT_EQ(back.placements.circuit.normal.right, 610);

        // Sections other windows own come back in their places, as the version keeps them.
        std::vector<std::string> kept;
        for (const auto& k : back.keptSections)
            kept.push_back(k.header);
        std::vector<std::string> expected = {"Tools", "Transient", "Analysis", "Watch"};
        if (!v7)
            expected.erase(expected.begin() + 1);
        if (!v6)
            expected.erase(expected.begin());
        EXPECT_EQ(kept, expected);

        // [Limits], [WaveForm], [Monte Carlo Options], [Stepping], [DSP], [TF]
        const AnalysisSetup &tr = back.analyses[0], &dc = back.analyses[2];
        EXPECT_EQ(tr.limits[0], "1u");
        EXPECT_EQ(tr.limits[2], "1000");
        EXPECT_EQ(tr.options, 5);
        EXPECT_EQ(tr.rows, doc.analyses[0].rows);
        EXPECT_EQ(tr.steps[0], doc.analyses[0].steps[0]);
        EXPECT_EQ(tr.simultaneous, 1);
        EXPECT_EQ(tr.monteCarloFlags, kMonteCarloOn | 2);
        EXPECT_EQ(tr.monteCarloRuns, "10");
        EXPECT_EQ(back.analyses[1].monteCarloFlags, 1);  // no distribution reads as Normal
        // 5.20 keeps the stepping of one analysis and gives it to all three.
        EXPECT_EQ(back.analyses[1].steps[0].texts[0], v6 ? "" : "R1");
        EXPECT_EQ(dc.limits[0], "0,5,0.1");
        EXPECT_EQ(dc.limits[1], v6 ? "10" : "None");  // 5.20: I2 without a second sweep
        EXPECT_EQ(dc.sweep[0], v6 ? kDcSweepLinear : 0);
        EXPECT_EQ(dc.sweep[1], 0);
        EXPECT_EQ(back.dsp, doc.dsp);
        EXPECT_EQ(back.transfer, v6 ? doc.transfer : TransferFunctionSettings());
        // [SENS]: the outputs close up in order; the chosen variables are not kept.
        SensitivitySettings sens;
        if (v6) {
            sens.outputs[0] = "v(out)";
            sens.outputs[1] = "i(r1)";
            sens.multiple = 1;
            sens.parameterType = kSensModel;
        }
        EXPECT_EQ(back.sensitivity, sens);
    }
}

// Version 5.03, the old line layout: what the layout holds reads back, the rest takes the
// conversions every file before 5.20 gets; a file read and written again is the same
// file byte for byte.
TEST(CircuitFile, OldLayoutRoundTrip)
{
    CircuitDocument doc;
    BuildCircuit(doc);
    doc.analyses[1].monteCarloFlags = 0;  // no distribution
    const std::string first = Compose(doc, kCircuitVersion503);
    ASSERT_EQ(first.rfind("5.03\nOmbrelic V\nTessellane Software\n\n:**** fonts ****\n", 0), 0u);
    const size_t part = first.find("\n:**** components ****\n5\nResistor\n0,100,120,");
    ASSERT_NE(part, std::string::npos);
    // Kind, place, colour, style word, rotation and the attribute count; then PART.
    const size_t colour = part + 44, rest = first.find(",32768,5,3\nPART\nR1\n0,", part);
    ASSERT_NE(rest, std::string::npos);
    EXPECT_EQ(first.substr(colour, rest - colour).find_first_not_of("0123456789"), std::string::npos);
    CircuitDocument back;
    ASSERT_EQ(Parse(first, back), 0);
    EXPECT_FALSE(back.modified);  // a 5.03 file needs no conversion
    const std::string second = Compose(back, kCircuitVersion503);
    CircuitDocument again;
    ASSERT_EQ(Parse(second, again), 0);
    EXPECT_EQ(Compose(again, kCircuitVersion503), second);

    ASSERT_EQ(back.objects.size(), doc.objects.size());
    for (size_t i = 0; i < doc.objects.size(); ++i) {
        SCOPED_TRACE(i);
        const CircuitObject &a = *doc.objects[i], &b = *back.objects[i];
        EXPECT_EQ(b.kind, a.kind);
        EXPECT_EQ(b.def, a.def);
        EXPECT_EQ(b.page, a.page);
        for (int k = 0; k < (a.kind == OK_COMPONENT ? 2 : 4); ++k)
            EXPECT_EQ(b.coords[k], a.coords[k]);
        ExpectSameAttrs(a, b);
    }
    EXPECT_EQ(back.objects[0]->rotation, 5);
    EXPECT_EQ(back.objects[0]->styleWord, SW_SHOW_PIN_TEXT);
    const CircuitObject &line = *back.objects[3], &box = *back.objects[4];
    EXPECT_EQ(line.styleWord, 0x100 | SW_ARROW);
    EXPECT_EQ(line.style.pattern, 1);
    EXPECT_EQ(box.styleWord, 0x300);  // no lock before 6.0
    // Files before 5.20: fills none, graphic objects in the default object colour.
    EXPECT_EQ(box.style.fillColour, kNoColor);
    EXPECT_EQ(line.style.colour, doc.appearance.objectDefault.color);

    ASSERT_EQ(back.gridTexts.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.gridTexts[i]->text, doc.gridTexts[i]->text);
        EXPECT_EQ(back.gridTexts[i]->y, doc.gridTexts[i]->y);
        EXPECT_EQ(back.gridTexts[i]->page, doc.gridTexts[i]->page);
        EXPECT_EQ(back.gridTexts[i]->textFlags, doc.gridTexts[i]->textFlags);
    }
    ASSERT_EQ(back.pages.size(), 2u);
    EXPECT_EQ(back.pages[0].name, "Page 1");
    EXPECT_EQ(back.pages[1].name, "Page 2");
    EXPECT_EQ(back.pages[0].scrollY[1], 80);
    EXPECT_EQ(back.pages[0].gridX, 10);
    EXPECT_EQ(back.schematic.scale, 4.0);
    EXPECT_EQ(back.schematic.panePage[1], 1);
    EXPECT_EQ(back.schematic.textQuad, 2);
    EXPECT_EQ(back.titleBlock.show, 1);
    EXPECT_EQ(back.text, doc.text);
    EXPECT_EQ(back.appearance.wireColour, 9);

    const AnalysisSetup &tr = back.analyses[0], &dc = back.analyses[2];
    EXPECT_EQ(tr.limits[0], "1u");
    EXPECT_EQ(tr.limits[2], "1000");
    EXPECT_EQ(tr.options, 5);
    ASSERT_EQ(tr.rows.size(), 2u);
    const CurveRowRecord& row = tr.rows[0];
    EXPECT_EQ(row.options, CO_OUTPUT | CO_LINEARY);
    EXPECT_EQ(row.lineColour, 9);
    EXPECT_EQ(row.plotGroup, '1');
    EXPECT_EQ(row.yExpression, "v(out)");
    EXPECT_EQ(row.yRange, "5,-5");
    EXPECT_EQ(row.valueFormat[1], "3");
    EXPECT_EQ(row.valueFormat[0], "3");
    EXPECT_EQ(tr.steps[0], doc.analyses[0].steps[0]);
    EXPECT_EQ(back.analyses[2].steps[0].texts[0], "R1");
    EXPECT_EQ(tr.monteCarloFlags, kMonteCarloOn | 2);
    EXPECT_EQ(tr.monteCarloRuns, "10");
    EXPECT_EQ(back.analyses[1].monteCarloFlags, 1);  // Normal, as sectioned files read it
    // A graphic object of no known kind is dropped, as sectioned files drop it.
    CircuitDocument odd;
    odd.AddGraphic(0, 10, 10, 20, 20);
    odd.AddGraphic(0x100, 10, 10, 20, 20);
    CircuitDocument oddBack;
    ASSERT_EQ(Parse(Compose(odd, kCircuitVersion503), oddBack), 0);
    ASSERT_EQ(oddBack.objects.size(), 1u);
    EXPECT_EQ(oddBack.objects[0]->GraphicKind(), 0x100);
    EXPECT_EQ(dc.limits[0], "0,5,0.1");
    EXPECT_EQ(dc.limits[1], "None");
    EXPECT_EQ(dc.sweep[1], 0);
    EXPECT_EQ(back.dsp, doc.dsp);
}

// The analysis window's placements and looks cross versions: [Analysis] keys from 6.0 on,
// [FontAndColor] and [Window Placement] rows before; keys a version lacks are left out.
TEST(CircuitFile, AnalysisWindowRowsAcrossVersions)
{
    CircuitDocument doc;
    doc.analysisLook.text.height = 14;
    doc.analysisLook.gridColour = 5;
    doc.placements.analysis.normal = {1, 2, 300, 400};
    const std::string v520 = Compose(doc, kCircuitVersion520);
    EXPECT_NE(v520.find("\nAnalysis Grid Color=5\n"), std::string::npos);
    EXPECT_EQ(v520.find("[Analysis]"), std::string::npos);
    CircuitDocument old;
    ASSERT_EQ(Parse(v520, old), 0);
    EXPECT_EQ(old.analysisLook.text.height, 14);
    const std::string v7 = Compose(old, kCircuitVersion70);
    EXPECT_NE(v7.find("\n[Analysis]\nWindow Placement="), std::string::npos);
    EXPECT_NE(v7.find("\nAnalysis Grid Color=5\n"), std::string::npos);
    CircuitDocument now;
    ASSERT_EQ(Parse(v7, now), 0);
    EXPECT_EQ(now.placements.analysis.normal.right, 300);
    EXPECT_EQ(now.analysisLook.text.height, 14);
    EXPECT_EQ(Compose(now, kCircuitVersion70), v7);

    // A 7.0 [Analysis] saved as 6.0 and 5.20: the 7.0 keys go, and before 6.0 the rows
    // move to [FontAndColor] and [Window Placement].
    now.keptSections.back().lines.push_back("Tracker Foreground=Height=10,FStyle=0,Color=0,Name=Arial");
    now.keptSections.back().lines.push_back("Same Y Scales=Yes");
    const std::string v6 = Compose(now, kCircuitVersion60);
    EXPECT_EQ(v6.find("Tracker Foreground"), std::string::npos);
    EXPECT_NE(v6.find("\nSame Y Scales=Yes\n"), std::string::npos);
    const std::string back520 = Compose(now, kCircuitVersion520);
    const size_t analysis = back520.find("[Analysis]\n");
    ASSERT_NE(analysis, std::string::npos);
    EXPECT_EQ(back520.find("Window Placement=", analysis), std::string::npos);
    EXPECT_NE(back520.find("\nAnalysis Grid Color=5\n"), std::string::npos);
    EXPECT_NE(back520.find("\n[Window Placement]\n"), std::string::npos);
}

// The numeric output's header and delimiter: read from their [Analysis] keys, written
// back with the same keys and values, before 6.0 left out.
TEST(CircuitFile, NumericOutputHeaderKeysRoundTrip)
{
    CircuitDocument fresh;
    std::string text = Compose(fresh, kCircuitVersion70);
    const std::string defaults = "\nNum Out Header Left=Circuit: $nameext\nNum Out Header Center=$analysis\n"
                                 "Num Out Header Right=Date: $date\\nTime: $time\nNum Out Delimiter=32\n";
    const size_t at = text.find(defaults);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, defaults.size(),
                 "\nNUM OUT HEADER LEFT=Deck $name\nNum Out Header Center=\n"
                 "Num Out Header Right=Line one\\nLine two\nNum Out Delimiter=59\n");
    CircuitDocument read;
    ASSERT_EQ(Parse(text, read), 0);
    const AnalysisWindowLook& l = read.analysisLook;
    EXPECT_EQ(l.numericOutputHeader[0], "Deck $name");
    EXPECT_EQ(l.numericOutputHeader[1], "");
    EXPECT_EQ(l.numericOutputHeader[2], "Line one\\nLine two");
    EXPECT_EQ(l.numericOutputDelimiter, ';');
    read.analysisLook.numericOutputDelimiter = '\t';
    read.analysisLook.numericOutputHeader[1] = "$analysis";
    const std::string written = Compose(read, kCircuitVersion70);
    EXPECT_NE(written.find("\nWindow Placement in Probe="), std::string::npos);
    EXPECT_NE(written.find("\nNum Out Header Left=Deck $name\nNum Out Header Center=$analysis\n"
                           "Num Out Header Right=Line one\\nLine two\nNum Out Delimiter=9\n"),
              std::string::npos);
    EXPECT_EQ(Compose(read, kCircuitVersion520).find("Num Out"), std::string::npos);
    // A delimiter that is no character keeps the one there is.
    for (const char* value : {"x", "0", "300"}) {
        std::string odd = written;
        odd.replace(odd.find("Num Out Delimiter=9"), 19, std::string("Num Out Delimiter=") + value);
        CircuitDocument bad;
        ASSERT_EQ(Parse(odd, bad), 0);
        EXPECT_EQ(bad.analysisLook.numericOutputDelimiter, ' ') << value;
    }
}

// The written layout: the [Main] keys of each version, a part with its attributes, and
// the text area's characters right after its "Len" line.
TEST(CircuitFile, WrittenLayout)
{
    CircuitDocument doc;
    BuildCircuit(doc);
    const std::string v7 = Compose(doc, kCircuitVersion70);
    EXPECT_EQ(v7.rfind("[Main]\nFileType=CIR\nVersion=7.00\nProgram=Ombrelic\nScreen=1024,768\n"
                       "OMBRVersion=7.2.4.0\nNLCnt=5\nTXCnt=3\n",
                       0),
              0u);
    EXPECT_NE(v7.find("\n[Comp]\nName=Resistor\nStyle=ShowPinText\nShowPinMarkers=True\nShowCurrent=False\n"
                      "ShowPackagePins=True\nGrid=100,120\nRot=5\n\n[Attr]\nONV=4,0,PART,R1\n"),
              std::string::npos);
    EXPECT_NE(v7.find("\n[Attr]\nONV=10,-20,MyParam,a,b\n"), std::string::npos);
    EXPECT_NE(v7.find("\n[Wire]\nGrids=104,120,104,140\nWeight=2\n"), std::string::npos);
    EXPECT_NE(v7.find("\n[Object]\nObject=Line\nEndPoint=Arrow\nCBorder=5\nPattern=Dash\nGrids=10,10,50,10\n"),
              std::string::npos);
    EXPECT_NE(v7.find("Len=" + std::to_string(doc.text.size()) + "\n" + doc.text + "\n\n[Printer]\n"),
              std::string::npos);
    EXPECT_NE(v7.find("\n[Grid Text]\nText=First line\xFESecond line\n"), std::string::npos);
    EXPECT_NE(v7.find("\n[Flag]\nText=VCC\n"), std::string::npos);

    const std::string v520 = Compose(doc, kCircuitVersion520);
    EXPECT_EQ(v520.rfind("[Main]\nFileType=CIR\nVersion=5.20\nProgram=Ombrelic V\nScreen=1024,768\n"
                         "OB5Version=2.0\n",
                         0),
              0u);
    EXPECT_NE(v520.find("\n[Object]\nObject=Line\nStyle=Arrow,Border,Dash\nGrids=10,10,50,10\nColor=5\n"),
              std::string::npos);
    EXPECT_NE(v520.find("\n[FontAndColor]\n"), std::string::npos);
    EXPECT_EQ(v520.find("\n[Circuit]\n"), std::string::npos);
}

// Key cases of the object sections, read from hand-written files.
TEST(CircuitFile, ObjectSectionCases)
{
    Defs();
    const std::string head = "[Main]\nFileType=CIR\nVersion=5.20\n";
    CircuitDocument doc;
    ASSERT_EQ(Parse(head +
                        "[Attr]\nONV=1,1,VALUE,lost\n"  // no part before it: skipped
                        "[Comp]\nName=Resistor\nGrid=10,10\n"
                        "[Attr]\nONV=10,-20,MyAttr,a,b\n"
                        "[Object]\nObject=Line\nStyle=Arrow,Border\nGrids=1,1,5,5\nColor=6\n"
                        "[Object]\nObject=Line\nStyle=ArrowF,Border\nGrids=1,1,5,5\nColor=6\n"
                        "[Object]\nObject=Rectangle\nGrids=1,1,5,5\nColor=6\nCFill=3\n"
                        "[Grid Text]\nText=\nGrid=5,5\n"
                        "[Unknown Section]\nText=ignored\n",
                    doc),
              0);
    ASSERT_EQ(doc.objects.size(), 4u);
    const AttrNode& a = doc.objects[0]->attrs.at(0);
    EXPECT_EQ(a.Name(), "MyAttr");
    EXPECT_EQ(a.value, "a,b");
    EXPECT_EQ(a.dx, 10);
    EXPECT_EQ(a.dy, -20);
    EXPECT_EQ(doc.objects[0]->attrs.size(), 1u);
    const CircuitObject &arrow = *doc.objects[1], &arrowF = *doc.objects[2], &rect = *doc.objects[3];
    EXPECT_EQ(arrow.styleWord, 0x100 | SW_ARROW);
    EXPECT_EQ(arrow.style.colour, 6);
    EXPECT_EQ(arrowF.styleWord, 0x100);  // bit 0 is the old fill bit: no arrow head
    EXPECT_EQ(arrowF.style.colour, 6);
    EXPECT_EQ(rect.style.colour, kNoColor);  // no Border, no Fill in its Style
    EXPECT_EQ(rect.style.fillColour, kNoColor);
    EXPECT_EQ(doc.gridTexts.at(0)->text, "Missing text!");
    // That rectangle stays without border and fill through a 7.0 save and reload.
    CircuitDocument again;
    ASSERT_EQ(Parse(Compose(doc, kCircuitVersion70), again), 0);
    EXPECT_EQ(again.objects[3]->style.colour, kNoColor);
    EXPECT_EQ(again.objects[3]->style.fillColour, kNoColor);

    // A user attribute name loses "," and "=" when written, and keeps the shortened name.
    CircuitObject& part = *doc.objects[0];
    part.SetAttrByName("K=1,2", "v");
    std::string v7 = Compose(doc, kCircuitVersion70);
    EXPECT_NE(v7.find("ONV=0,0,K12,v\n"), std::string::npos);
    EXPECT_EQ(part.attrs.back().userName, "K12");
}

TEST(CircuitFile, MainSectionCases)
{
    struct Case {
        const char* file;
        int code;
    } cases[] = {
        {"[main]\nFileType=CIR\nVersion=7.0\n", 0},
        {"[Main]\nFileType=OB5.CIR\nVersion=7.0\n", 0},
        {"[Main]\nFileType=LBR\nFileType=CIR\nVersion=7.0\n", 0},
        {"[Main]\nFileType=CIR\nFileType=LBR\nVersion=7.0\n", 15009},
        {"[Main]\nVersion=7.0\n", 15009},
        {"3.00\nOmbrelic V\n", 15021},
        {"5.00\nOmbrelic IV\nTessellane Software\n", 15009},
        {"", 15009},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CircuitDocument doc;
        EXPECT_EQ(Parse(c.file, doc), c.code);
    }
}

TEST(CircuitFile, NewerVersionWarnsUnlessQuiet)
{
    const std::string file = "[Main]\nFileType=CIR\nVersion=8.00\n";
    {
        ReportCapture capture;
        CircuitDocument doc;
        EXPECT_EQ(Parse(file, doc, 0), 0);
        ASSERT_EQ(capture.reports.size(), 1u);
        EXPECT_EQ(capture.Last().id, 13512);
        EXPECT_NE(capture.Last().text.find("OB8"), std::string::npos);
    }
    ReportCapture capture;
    CircuitDocument doc;
    EXPECT_EQ(Parse(file, doc, kLoadQuiet), 0);
    EXPECT_TRUE(capture.reports.empty());
}

// Damaged files: the Part's message and the document left as it was.
TEST(CircuitFile, BadInputLeavesTheDocumentAlone)
{
    Defs();
    CircuitDocument good;
    BuildCircuit(good);
    const std::string file = Compose(good, kCircuitVersion70);
    const size_t len = file.find("Len=");
    ASSERT_NE(len, std::string::npos);
    struct Case {
        const char* what;
        std::string text;
        int code;
    } cases[] = {
        {"text block cut short", file.substr(0, len + 20), 15009},
        {"text length beyond the file", file.substr(0, len) + "Len=999999999\nabc\n", 15009},
        {"pin count beyond reason", "[Main]\nFileType=CIR\nVersion=7.0\n[compdef]\nName=X\nPinCnt=99999999\n", 15009},
        {"pin count beyond the file", "[Main]\nFileType=CIR\nVersion=7.0\n[compdef]\nName=X\nPinCnt=3\nPin=\"A\",0,0\n",
         15009},
        {"page index beyond reason", "[Main]\nFileType=CIR\nVersion=7.0\n[Page]\nIndex=2000000000\n", 15009},
        {"unknown old version", "4.50\nOmbrelic V\nTessellane Software\n", 15021},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CircuitDocument doc;
        doc.AddWire(1, 1, 2, 2);
        EXPECT_EQ(Parse(c.text, doc), c.code);
        EXPECT_EQ(doc.objects.size(), 1u);
        EXPECT_TRUE(doc.text.empty());
    }
    // A file that ends inside a section keeps what was read.
    CircuitDocument doc;
    EXPECT_EQ(Parse(file.substr(0, file.find("[Wire]") + 12), doc), 0);
    EXPECT_EQ(doc.objects.size(), 3u);
}

TEST(CircuitFile, WindowAndPageCases)
{
    CircuitDocument doc;
    ASSERT_EQ(Parse("[Main]\nFileType=CIR\nVersion=7.0\n[Page]\nName=One\nX.PrintPreview=On,1,2,3,4\n"
                    "[Page]\nIndex=3\nName=Four\nd.printpreview=On,0,0,0,2\n"
                    "[Circuit]\nPin Connection=Height=10,FStyle=0,Color=5,Name=Arial\nPin Color=6\n",
                    doc),
              0);
    ASSERT_EQ(doc.pages.size(), 4u);
    EXPECT_EQ(doc.pages[0].name, "One");
    EXPECT_EQ(doc.pages[3].name, "Four");
    EXPECT_EQ(doc.pages[0].preview[0].on + doc.pages[0].preview[1].on + doc.pages[0].preview[2].on, 0);
    EXPECT_EQ(doc.pages[3].preview[2].on, 1);  // keys in any case
    EXPECT_EQ(doc.pages[3].preview[2].place[3], 2.0);
    EXPECT_EQ(doc.appearance.pinConnection.color, 6);  // the later entry wins

    doc.schematic.scale = 2.66;
    EXPECT_NE(Compose(doc, kCircuitVersion520).find("\nScale=2\n"), std::string::npos);
    doc.schematic.scale = 1.5;
    EXPECT_NE(Compose(doc, kCircuitVersion520).find("\nScale=1.5\n"), std::string::npos);
}

// A part whose definition is found nowhere keeps its name through a save; its name is
// collected once for the open flow.
TEST(CircuitFile, MissingComponentsKeepTheirNames)
{
    Defs();
    ReportCapture capture;
    CircuitDocument doc;
    CircuitFile stream;
    ASSERT_EQ(stream.Parse("[Main]\nFileType=CIR\nVersion=7.0\n[Comp]\nName=Gizmo\nGrid=5,5\n"
                           "[Comp]\nName=Gizmo\nGrid=9,5\n",
                           doc, 0),
              0);
    EXPECT_EQ(stream.missingComponentNames, "'Gizmo'");
    ASSERT_EQ(doc.objects.size(), 2u);
    EXPECT_EQ(doc.objects[0]->def, &MissingComponentPlaceholder());
    EXPECT_EQ(doc.objects[0]->FindAttr(ATTR_TEXT)->value, "Component 'Gizmo' Not Found");
    const std::string saved = Compose(doc, kCircuitVersion70);
    EXPECT_NE(saved.find("[Comp]\nName=Gizmo\nGrid=5,5\n"), std::string::npos);
    EXPECT_EQ(saved.find("Not Found"), std::string::npos);
}

// Definitions travel with the file: an equal library definition is used, a different one
// stays with the document under its name and its parts use it.
TEST(CircuitFile, CarriedComponentDefinitions)
{
    const TestDefs& d = Defs();
    CircuitDocument doc;
    doc.AddPart(d.resistor, 10, 10);
    doc.AddPart(d.resistor, 20, 10);
    std::string file = Compose(doc, kCircuitVersion70);
    size_t first = file.find("[compdef]");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(file.find("[compdef]", first + 1), std::string::npos);  // two parts, one section
    EXPECT_NE(file.find("[compdef]\nName=Resistor\nDefinition=Resistor\nShape=Shape not Found\nMask=0\n"
                        "Label Offset=0,0,0,0\nPinCnt=2\nPin=\"Plus\",0,0\nPin=\"Minus\",4,0\n"),
              std::string::npos);

    CircuitFile equal;
    CircuitDocument same;
    ASSERT_EQ(equal.Parse(file, same, kLoadQuiet), 0);
    EXPECT_EQ(same.objects[0]->def, d.resistor);
    EXPECT_TRUE(same.localDefinitions.empty());

    const std::string moved = "Pin=\"Minus\",8,0";
    file.replace(file.find("Pin=\"Minus\",4,0"), moved.size() - 1, moved);
    CircuitFile other;
    CircuitDocument differs;
    ASSERT_EQ(other.Parse(file, differs, kLoadQuiet), 0);
    ASSERT_EQ(differs.localDefinitions.size(), 1u);
    EXPECT_EQ(differs.objects[0]->def, differs.localDefinitions[0].get());
    EXPECT_EQ(differs.objects[1]->def->pins[1].x, 8);
    EXPECT_TRUE(other.localDefinitionsUsed);
    EXPECT_TRUE(differs.modified);
    // The different definition takes the first free numbered name, and its parts with it;
    // reading the saved circuit again finds that name and adds nothing.
    EXPECT_EQ(differs.localDefinitions[0]->name, "Resistor1");
    const std::string resaved = Compose(differs, kCircuitVersion70);
    EXPECT_NE(resaved.find("[Comp]\nName=Resistor1\n"), std::string::npos);
    CircuitDocument third;
    ASSERT_EQ(Parse(resaved, third), 0);
    ASSERT_EQ(third.localDefinitions.size(), 1u);
    EXPECT_EQ(third.localDefinitions[0]->name, "Resistor1");
    EXPECT_EQ(Compose(third, kCircuitVersion70), resaved);
}

// Fix-ups after a load: a 5.20 sample-and-hold's "EXPR" is its INPUT EXPR (and is
// written back under that name); the "Param:" attributes of a macro part follow FILE.
TEST(CircuitFile, AttributeFixUpsAfterLoading)
{
    InitMissingComponentPlaceholder();
    int n = AddComponentLibrary("fixups.cmp");
    ComponentDef* sh = AddDef(ComponentLibraryTable()[n], "SampleHold", CT_SAMPLE_AND_HOLD, {{0, 0}, {4, 0}});
    ComponentDef* amp = Defs().macro;
    CircuitDocument doc;
    ASSERT_EQ(Parse("[Main]\nFileType=CIR\nVersion=5.20\n[Comp]\nName=SampleHold\nGrid=10,10\n"
                    "[Attr]\nONV=0,0,EXPR,v(in)*2\n",
                    doc),
              0);
    ASSERT_EQ(doc.objects.at(0)->def, sh);
    ASSERT_EQ(doc.objects[0]->attrs.size(), 1u);
    EXPECT_EQ(doc.objects[0]->attrs[0].id, ATTR_INPUT_EXPR);
    EXPECT_EQ(doc.objects[0]->attrs[0].value, "v(in)*2");
    EXPECT_NE(Compose(doc, kCircuitVersion520).find("ONV=0,0,EXPR,v(in)*2\n"), std::string::npos);

    CircuitDocument macro;
    ASSERT_EQ(Parse("[Main]\nFileType=CIR\nVersion=7.00\n[Comp]\nName=Amp\nGrid=10,10\n"
                    "[Attr]\nONV=0,0,Param:GAIN,10\n[Attr]\nONV=0,0,PART,X1\n[Attr]\nONV=0,0,FILE,amp\n"
                    "[Attr]\nONV=0,0,Param:R,1k\n",
                    macro),
              0);
    ASSERT_EQ(macro.objects.at(0)->def, amp);
    std::vector<std::string> names;
    for (const AttrNode& a : macro.objects[0]->attrs)
        names.push_back(a.Name());
    EXPECT_EQ(names, (std::vector<std::string>{"PART", "FILE", "Param:GAIN", "Param:R"}));
}

// The analysis set-up sections as each version writes them, and their reading rules.
TEST(CircuitFile, AnalysisSetupSections)
{
    CircuitDocument doc;
    BuildCircuit(doc);
    doc.analyses[0].rows[1].valueFormat[0] = "3E";
    auto count = [](const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    const std::string v7 = Compose(doc, kCircuitVersion70), v6 = Compose(doc, kCircuitVersion60),
                      v520 = Compose(doc, kCircuitVersion520);
    EXPECT_EQ(count(v7, "[Stepping]"), 1);    // the used records only
    EXPECT_EQ(count(v6, "[Stepping]"), 30);   // all records of all three analyses
    EXPECT_EQ(count(v520, "[Stepping]"), 10); // the busiest analysis, without its name
    EXPECT_NE(v7.find("[Stepping]\nAnalysis=Transient\nIndex=1\nSimultaneous=Yes\nStatus=On\n"
                      "Parameter Type=Component\nName=R1\nParam=Value\nFrom=1k\nTo=10k\nValue=1k\n"),
              std::string::npos);
    EXPECT_NE(v520.find("[Stepping]\nIndex=1\nSimultaneous=Yes\nStatus=On\n"), std::string::npos);
    EXPECT_NE(v7.find("[WaveForm]\nAnalysis=Transient\nOptions=OUTPUT,LINEARY\nAliasID=0\nPlt=1\nXExp=T\n"
                      "YExp=v(out)\nXRng=1u,0\nYRng=5,-5\nVFmtY=3\nLWdth=2\nLine Color=9\nText Color=9\n"),
              std::string::npos);
    EXPECT_NE(v7.find("[WaveForm]\nAnalysis=Transient\nOptions\nAliasID=0\nVFmtX=3E\n"), std::string::npos);
    EXPECT_NE(v520.find("VFmtY=5.3\nLWdth=2\nColor=9\n"), std::string::npos);
    EXPECT_NE(v520.find("VFmtX=3E\n"), std::string::npos);
    EXPECT_NE(v520.find("[Limits]\nAnalysis=DC\nI2Range=0,5,0.1\nI2=None\nOPT=0\n"), std::string::npos);
    EXPECT_NE(v6.find("Sweep1 type=Linear\nSweep2 type=None\n"), std::string::npos);
    EXPECT_NE(v7.find("[Monte Carlo Options]\nAnalysis=Transient\nStatus=On\nDistribution=Linear\n"
                      "Number of Runs=10\n"),
              std::string::npos);
    EXPECT_NE(v7.find("[DSP]\nT.Status=On\nT.Max=1m\nA.Status=Off\n"), std::string::npos);
    EXPECT_NE(v7.find("[TF]\nOutput=v(out)\nInput Source=V1\nPlace Text=False\n\n"
                      "[SENS]\nOutput=v(out)\nOutput=i(r1)\nMultiple=True\nParameter Type=Model\n"),
              std::string::npos);
    EXPECT_EQ(v520.find("[SENS]"), std::string::npos);

    CircuitDocument read;
    ASSERT_EQ(Parse("[Main]\nFileType=CIR\nVersion=7.00\n"
                    "[WaveForm]\nAnalysis=Noise\nYExp=onoise\n"
                    "[WaveForm]\nAnalysis=AC\nChart Type=Round\nVFmtX=5.4\n"
                    "[Monte Carlo Options]\nAnalysis=DC\nStatus=On\n"
                    "[Stepping]\nIndex=3\nName=lost\n"
                    "[Stepping]\nAnalysis=DC\nIndex=99\nMethod=log\nParameter Type=model\nName=QN\n"
                    "[SENS]\noutput=a\nOutput=b\nOutput=c\nOutput=d\nOutput=e\nOutput=f\nOutput=g\nOutput=h\n"
                    "Output=i\nOutput=j\nOutput=k\nmultiple=true\nparameter type=Param\n",
                    read),
              0);
    // Keys ignoring case; outputs beyond ten dropped; an unknown parameter type is Symbolic.
    EXPECT_EQ(read.sensitivity.outputs[0], "a");
    EXPECT_EQ(read.sensitivity.outputs[9], "j");
    EXPECT_EQ(read.sensitivity.multiple, 1);
    EXPECT_EQ(read.sensitivity.parameterType, kSensSymbolic);
    EXPECT_TRUE(read.analyses[0].rows.empty());
    ASSERT_EQ(read.analyses[1].rows.size(), 1u);
    EXPECT_EQ(read.analyses[1].rows[0].chartType, 2);  // anything but Polar is Smith
    EXPECT_EQ(read.analyses[1].rows[0].valueFormat[0], "4");
    EXPECT_EQ(read.analyses[2].monteCarloFlags, kMonteCarloOn | 1);
    EXPECT_TRUE(read.analyses[0].steps[2].texts[0].empty());  // no analysis named yet
    EXPECT_EQ(read.analyses[2].steps[0].texts[0], "QN");     // index out of range: the first
    EXPECT_EQ(read.analyses[2].steps[0].flags, SF_LOG | SF_MODEL);
}

// Plot windows saved in each version read back as the same windows: the function text
// of 7.0 is split up before 7.0, every run is 0 there, and 5.20 has one curve colour.
TEST(CircuitFile, PlotWindowSectionsAcrossVersions)
{
    CircuitDocument doc;
    auto keep = [&](const char* header, std::vector<std::string> lines) {
        doc.keptSections.push_back(KeptSection{header, std::move(lines), KEPT_PLOT_WINDOWS});
    };
    keep("Performance", {"Analysis=Transient", "Title=Rise", "Grid Color=4", "ScaleColor=On", "Same Y Scales=Yes",
                         "Options=3"});
    keep("Performance WaveForm", {"PMExpression=Rise_Time(v(out),1,1,0.2,0.8)", "XData=2", "ZData=0",
                                  "TempCase=All", "SteppingCase 2=3", "Line Color=3", "Text Color=3", "Enable=1",
                                  "Auto Scale X=Yes", "Range Min X=0", "Range Max X=1"});
    keep("Graph 3D", {"Analysis=AC", "Color=1", "XRot=30", "PMExpression=Peak_Y(db(v(2)),1,1)", "XData=0",
                      "ZData=1", "MCCase=All"});
    keep("Monte Carlo", {"Analysis=DC", "Intervals=10", "PMExpression=Width(v(x),v(en)>0,2,2.5)"});
    const std::string v7 = Compose(doc, kCircuitVersion70);

    const std::string v6 = Compose(doc, kCircuitVersion60);
    EXPECT_NE(v6.find("[Performance WaveForm]\nFunction=Rise_Time\nExpression=v(out)\nBoolean=1\nArg 0=1\n"
                      "Arg 1=0.2\nArg 2=0.8\nXData=2\nZData=0\nTempCase=0\n"),
              std::string::npos);
    EXPECT_NE(v6.find("Function=Width\nExpression=v(x)\nBoolean=v(en)>0\nArg 0=2\nArg 1=2.5\n"), std::string::npos);
    EXPECT_EQ(v6.find("PMExpression"), std::string::npos);
    const std::string v520 = Compose(doc, kCircuitVersion520);
    EXPECT_NE(v520.find("\nColor=3\nEnable=1\n"), std::string::npos);
    EXPECT_EQ(v520.find("Text Color"), std::string::npos);

    for (const std::string* saved : {&v6, &v520, &v7}) {
        CircuitDocument back;
        ASSERT_EQ(Parse(*saved, back), 0);
        EXPECT_EQ(Compose(back, back.fileVersion), *saved);  // the same version again: same bytes
        EXPECT_EQ(Compose(back, kCircuitVersion70), v7);      // and the same windows
    }

    // What an older version cannot hold: Phase_Margin is stored as High_X, stepping
    // levels from 10 on and the 7.0 keys are left out.
    doc.keptSections[1].lines = {"PMExpression=Phase_Margin(v(db))", "SteppingCase 12=2", "SteppingCase 1=All",
                                 "AliasID=4", "Range Grid X=0.5", "Pattern=Dots"};
    doc.keptSections[0].lines.push_back("PLUSMARK=True");
    doc.keptSections[0].lines.push_back("Select Color=9");
    const std::string old6 = Compose(doc, kCircuitVersion60);
    EXPECT_NE(old6.find("[Performance WaveForm]\nFunction=High_X\nExpression=v(db)\nSteppingCase 1=0\n"
                        "Pattern=Dots\n\n[Graph 3D]"),
              std::string::npos);
    EXPECT_EQ(old6.find("PLUSMARK"), std::string::npos);
    EXPECT_NE(old6.find("Select Color=9"), std::string::npos);
    const std::string old520 = Compose(doc, kCircuitVersion520);
    EXPECT_EQ(old520.find("Select Color"), std::string::npos);
    EXPECT_EQ(old520.find("Pattern=Dots"), std::string::npos);
    // Any case of "all" is every run; a function the table lacks stores no split keys.
    EXPECT_EQ(ParseCaseValue("aLL"), kAllCases);
    EXPECT_EQ(ParseCaseValue("7"), 7);
    EXPECT_TRUE(WritePerfFunction("Nosuch(v(1),1)", kCircuitVersion60).empty());
    PerfFunctionKeys keys;
    ASSERT_TRUE(ReadPerfFunctionKey("FUNCTION", "Peak", keys));
    ASSERT_TRUE(ReadPerfFunctionKey("EXPRESSION", "v(1)", keys));
    EXPECT_EQ(PerfFunctionText(keys), "Peak_Y(v(1),1,)");
}
