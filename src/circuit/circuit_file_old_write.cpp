// Writing version 5.03 in the old line layout (File/Translate to the first version-5
// format): the blocks the old reader takes, in its order, with the conversions of 5.20
// (scale, view bits, value formats, the stepping of the busiest analysis, macro calls in
// VALUE).

#include "circuit/circuit_file.h"
#include "circuit/file_values.h"
#include "libraries/component_library.h"

#include <algorithm>

namespace ob7 {

using namespace file_values;

namespace {

// The most faces, attributes of one part and curve rows of one analysis the old reader
// takes; the writer keeps within them.
constexpr int kMaxOldFaces = 256;
constexpr size_t kMaxOldAttrs = 4096;
constexpr size_t kMaxOldRows = 1000;
const char* const kMonitorTitles[3] = {"Transient Analysis", "AC Analysis", "DC Analysis"};

// The serial values: each followed by ',' or, ending its line, by a line end.
class OldWriter {
public:
    explicit OldWriter(std::string& out) : out_(out) {}
    void Field(long value) { out_ += std::to_string(value) + ","; }
    void End(long value) { out_ += std::to_string(value) + "\n"; }
    void Double(double value) { out_ += Fmt("%.16g,", value); }
    void Line(const std::string& text) { out_ += text + "\n"; }
    void EmptyLines(int count) { out_.append(static_cast<size_t>(count), '\n'); }
    void Marker(const char* name)
    {
        std::string lower = name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        Line(":**** " + lower + " ****");
    }
    // Height; when not 0 the style, the face index and a 0; the colour. Ends the line.
    void Font(int height, int style, int face, int colour)
    {
        Field(height);
        if (height) {
            Field(style);
            Field(face < kMaxOldFaces ? face : 0);
            Field(0);
        }
        End(colour);
    }
    void Font(const FontRef& f) { Font(f.height, f.style, f.face, f.colour); }
    void Font(const FontRecord& f) { Font(f.height, f.style, f.face, f.color); }
    void Placement(const WindowPlacement& p)
    {
        for (long v : {static_cast<long>(p.flags), static_cast<long>(p.showCommand), static_cast<long>(p.minX),
                       static_cast<long>(p.minY), static_cast<long>(p.maxX), static_cast<long>(p.maxY),
                       static_cast<long>(p.normal.left), static_cast<long>(p.normal.top),
                       static_cast<long>(p.normal.right)})
            Field(v);
        End(p.normal.bottom);
    }

private:
    std::string& out_;
};

// The old layout keeps the sixteen basic colour slots, or none.
int OldColourSlot(int colour)
{
    return colour == kNoColor ? colour : colour & 15;
}

// The style word of a graphic object as the old reader converts it back: the line
// pattern in bits 4-6, the weights 2 and 3 in bits 2 and 3, and for kinds other than
// Line and Arc bit 0 when filled.
uint16_t OldGraphicStyleWord(const CircuitObject& o)
{
    const int kind = o.GraphicKind();
    uint16_t word = static_cast<uint16_t>(o.styleWord & ~0x7c);
    word |= static_cast<uint16_t>((o.style.pattern & 7) << 4);
    if (o.style.weight == 2)
        word |= 4;
    else if (o.style.weight > 2)
        word |= 8;
    if (kind != 0x100 && kind != 0x500) {
        word &= static_cast<uint16_t>(~1);
        if (o.style.fillColour != kNoColor)
            word |= 1;
    }
    return word;
}

}  // namespace

void CircuitFile::WriteOldLayout()
{
    CircuitDocument& d = *doc_;
    OldWriter w(*out_);
    w.Line(FormatCircuitVersion(version));
    w.Line("Ombrelic V");
    w.Line("Tessellane Software");
    w.Line("");

    // Fonts: the whole face table, so that a face index is the table's.
    w.Marker("fonts");
    const int faces = std::min(FaceNameCount(), kMaxOldFaces);
    w.End(faces);
    for (int i = 0; i < faces; ++i)
        w.Line(FaceName(i));

    w.Marker("components");
    w.End(static_cast<long>(d.objects.size()));
    for (auto& object : d.objects) {
        CircuitObject& o = *object;
        const bool part = o.kind == OK_COMPONENT;
        w.Line(!part ? std::string() : !o.missingName.empty() ? o.missingName : o.def ? o.def->name : std::string());
        w.Field(o.kind);
        w.Field(o.coords[0]);
        w.Field(o.coords[1]);
        if (!part) {
            w.Field(o.coords[2]);
            w.Field(o.coords[3]);
        }
        w.Field(OldColourSlot(o.style.colour));
        w.Field(o.kind == OK_GRAPHIC ? OldGraphicStyleWord(o) : o.styleWord);
        w.Field(o.kind == OK_GRAPHIC ? OldColourSlot(o.style.fillColour) : part ? o.rotation : 0);
        std::vector<WrittenAttr> attrs;
        if (part)
            attrs = AttrsToWrite(o);
        if (attrs.size() > kMaxOldAttrs)
            attrs.resize(kMaxOldAttrs);
        w.End(static_cast<long>(attrs.size()));
        for (const WrittenAttr& wa : attrs) {
            const AttrNode& a = o.attrs[wa.index];
            w.Line(wa.name);
            w.Line(PackLineBreaks(wa.value));
            w.Field(a.flags);
            w.Field(a.font.height);
            if (a.font.height) {
                w.Field(a.font.style);
                w.Field(a.font.face < kMaxOldFaces ? a.font.face : 0);
                w.Field(0);
            }
            w.Field(a.font.colour);
            w.Field(a.dx);
            w.End(a.dy);
        }
        w.End(o.page);
    }
    w.End(0);

    w.Marker("grid text");
    w.End(static_cast<long>(d.gridTexts.size()));
    for (const auto& text : d.gridTexts) {
        const GridText& t = *text;
        w.Field(t.x);
        w.Field(t.y);
        w.Field(t.editorField);
        w.Field(t.page);
        w.Field(t.font.height);
        if (t.font.height) {
            w.Field(t.font.style);
            w.Field(t.font.face < kMaxOldFaces ? t.font.face : 0);
            w.Field(0);
        }
        w.Field(t.font.colour);
        w.End(t.textFlags);
        w.Line(PackLineBreaks(t.text));
    }

    w.Marker("analysis limits");
    for (int a = 0; a < 3; ++a) {
        int count = 0;
        AnalysisLimitNames(a, &count);
        w.End(count - 1);
        for (int i = 0; i < count; ++i) {
            const bool noSecondSweep = a == 2 && i == 1 && d.analyses[2].sweep[1] == 0;
            w.Line(noSecondSweep ? std::string("None") : d.analyses[a].limits[i]);
        }
    }
    w.Marker("analysis options");
    for (const AnalysisSetup& s : d.analyses)
        w.End(s.options);
    for (int a = 0; a < 3; ++a) {
        w.Marker(Fmt("%s monitor", kMonitorTitles[a]).c_str());
        const AnalysisSetup& s = d.analyses[a];
        const size_t rows = std::min(s.rows.size(), kMaxOldRows);
        w.End(static_cast<long>(rows));
        w.End(5);
        for (size_t r = 0; r < rows; ++r) {
            const CurveRowRecord& row = s.rows[r];
            // The low four bits of the option word hold the line colour.
            w.End((row.options & ~15) | (row.lineColour & 15));
            w.Line(row.plotGroup ? std::string(1, row.plotGroup) : std::string());
            w.Line(row.xExpression);
            w.Line(row.yExpression);
            w.Line(row.xRange);
            w.Line(row.yRange);
            w.Line(VersionedFormat(row.valueFormat[1], version));
        }
    }
    // Monte Carlo: one text per analysis, the number of runs in its first piece.
    w.Marker("monte carlo");
    w.End(1);
    for (const AnalysisSetup& s : d.analyses) {
        w.End(s.monteCarloFlags);
        w.Line(s.monteCarloRuns.substr(0, 12));
    }
    w.Marker("dsp");
    w.End(2);
    for (int a = 0; a < 2; ++a) {
        w.End(d.dsp.status[a]);
        w.Line(d.dsp.max[a].substr(0, 19));
        w.Line(d.dsp.min[a].substr(0, 19));
        w.Line(d.dsp.points[a].substr(0, 19));
    }
    // Stepping: the first record of the analysis with the most enabled records.
    const StepRecord& step = d.analyses[PickSteppingAnalysis(d)].steps[0];
    w.Marker("stepping");
    w.End(5);
    for (const std::string& text : step.texts)
        w.Line(text);
    w.End(step.device);
    // The analysis window keeps its own graphic objects.
    w.Marker("analysis elements");
    w.End(0);
    w.Marker("analysis optimize");
    w.EmptyLines(3);
    w.End(step.flags);
    w.EmptyLines(4);

    w.Marker("window placement");
    for (const WindowPlacement* p : {&d.placements.circuit, &d.placements.circuitInAnalysis, &d.placements.analysis,
                                     &d.placements.circuitInProbe, &d.placements.analysisInProbe})
        w.Placement(*p);
    w.Marker("window font colors");
    w.Font(d.analysisLook.text);
    w.Font(0, 0, 0, d.analysisLook.gridColour);
    w.Font(0, 0, 0, d.analysisLook.graphBackground);
    w.Font(d.analysisLook.numericOutput);
    w.Font(0, 0, 0, 0);
    w.Font(d.appearance.objectDefault);
    w.Font(d.analysisLook.object);

    const SchematicSettings& s = d.schematic;
    w.Marker("schematic options");
    w.Double(ConvertScaleTo520(s.scale));
    w.Double(s.printerScale);
    w.End((s.viewBits & 0x3F) | (d.titleBlock.border ? 0x40 : 0) | (d.titleBlock.show ? 0x80 : 0));
    w.Marker("quads");
    for (int32_t page : s.panePage)
        w.Field(page);
    w.Field(static_cast<long>(d.pages.size()));
    w.Field(s.splitterX);
    w.Field(s.splitterY);
    w.Field(0);
    w.End(0);
    for (const PageRecord& page : d.pages) {
        for (int q = 0; q < 4; ++q) {
            w.Field(page.scrollX[q]);
            w.Field(page.scrollY[q]);
            w.Field(0);
            w.Field(0);
        }
        w.Field(page.gridX);
        w.End(page.gridY);
    }
    w.End(s.textQuad);

    const CircuitAppearance& a = d.appearance;
    w.Marker("circuit fonts and colors");
    w.End(a.background);
    w.Font(a.gridText);
    w.Font(a.objectDefault);
    w.End(a.componentColour);
    w.Font(a.attributeText);
    w.End(a.wireColour);
    w.End(a.selectColour);
    w.End(a.pinConnection.color);
    w.End(a.selectBoxColour);
    w.Font(a.nodeNumber);
    w.End(a.nodeVoltageColour);
    w.End(a.digitalPathColour);
    w.Font(a.titleBlock);
    w.EmptyLines(10);

    w.Marker("text page data");
    w.Font(d.textFont);
    w.End(static_cast<long>(d.text.size()));
    w.Marker("text page");
    *out_ += d.text;
}

}  // namespace ob7
