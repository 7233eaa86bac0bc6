#include "circuit/circuit_file.h"

#include "circuit/file_values.h"
#include "circuit/plot_sections.h"
#include "circuit/protected_file.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/textfile.h"
#include "libraries/component_library.h"
#include "libraries/component_types.h"
#include "libraries/library_text.h"
#include "libraries/shape.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sys/stat.h>

namespace ob7 {

using namespace file_values;

int CircuitScreenWidth = 1024;
int CircuitScreenHeight = 768;

namespace {

constexpr int kMsgMustConvert = 15021;
constexpr int kMsgWrongPassword = 13509;
constexpr int kMsgNoShape = 13507;
constexpr int kMsgNewerVersion = 13512;
constexpr size_t kMaxPins = 4096;
constexpr int kMaxPages = 32767;

// A face name as read: control characters are no part of it (a saved name is trimmed
// when read back, so they would not survive a save either).
std::string FaceText(std::string value)
{
    value.erase(std::remove_if(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
                value.end());
    return value;
}

int16_t PageValue(const std::string& value)
{
    auto page = static_cast<int16_t>(ToLong(value));
    return page < 0 ? 0 : page;
}

std::string ColourText(int colour)
{
    return colour == kNoColor ? std::string("NONE") : std::to_string(colour);
}

std::string FontText(const FontRecord& f)
{
    return Fmt("Height=%d,FStyle=%d,Color=%d,Name=%s", f.height, f.style, f.color, FaceName(f.face));
}

std::string PlacementText(const WindowPlacement& p)
{
    return Fmt("%d,%d, %d,%d, %d,%d, %d,%d,%d,%d", static_cast<int>(p.flags), static_cast<int>(p.showCommand),
               p.minX, p.minY, p.maxX, p.maxY, p.normal.left, p.normal.top, p.normal.right, p.normal.bottom);
}

FontRef ToRef(const FontRecord& f)
{
    FontRef r;
    r.height = f.height;
    r.face = f.face;
    r.style = f.style;
    r.colour = f.color;
    return r;
}

bool IsLineLikeKind(int kind)
{
    return kind == 0x100 || kind == 0x800 || kind == 0x900 || kind == 0xa00;
}

const char* const kFillPatternNames[6] = {"Horizontal", "Vertical", "F Diagonal", "B Diagonal", "Cross",
                                          "Diagonal Cross"};

struct StyleWordRow {
    const char* name;
    uint16_t bit;
};
const StyleWordRow kStyleWordTable[] = {{"ArrowF", 1}, {"Arrow", 2},      {"Fill", 1},
                                        {"Rounded", 2}, {"Border", 0x80}, {"ShowPinText", 0x8000}};

// The 5.20 "Style" list: weight and pattern go into the style, the other words give bits.
uint16_t ParseStyleWords(const std::string& value, LineStyle& style)
{
    uint16_t bits = 0;
    for (const std::string& word : SplitCommas(value)) {
        if (EqualNoCase(word, "Weight2")) {
            style.weight = 2;
        } else if (EqualNoCase(word, "Weight3")) {
            style.weight = 3;
        } else if (int pattern = ParsePatternName(word.c_str())) {
            style.pattern = static_cast<uint8_t>(pattern);
        } else {
            for (const auto& row : kStyleWordTable)
                if (EqualNoCase(word, row.name)) {
                    bits |= row.bit;
                    break;
                }
        }
    }
    return bits;
}

}  // namespace

// A 5.20 scale: the zoom steps of that version are whole and half numbers.
double ConvertScaleTo520(double scale)
{
    int hundred = static_cast<int>(scale * 100);
    if (hundred == 266)
        return 2;
    if (hundred == 133)
        return 1;
    if (hundred == 66)
        return 0.5;
    return scale;
}

namespace {

const char kAnalysisLetters[3] = {'T', 'A', 'D'};

// Sections the reader knows; the first letter is the quick filter.
enum SectionId {
    S_MAIN, S_COMPDEF, S_SHAPEDEF, S_COMP, S_ATTR, S_WIRE, S_NODE_OFFSETS, S_CONDITION_OFFSETS, S_GRID_TEXT,
    S_OBJECT, S_CIRCUIT, S_FONT_AND_COLOR, S_WINDOW_PLACEMENT, S_FLAG, S_PAGE, S_TEXT_AREA, S_TRANSIENT, S_AC,
    S_DC, S_ANALYSIS, S_MC_OPTIONS, S_MONTE_CARLO, S_GRAPH3D, S_PERFORMANCE, S_PERF_WAVEFORM, S_PRINTER,
    S_AOBJECT, S_LIMITS, S_WAVEFORM, S_SCHEMATIC, S_STEPPING, S_OPTIMIZE, S_WATCH, S_BREAKPOINT, S_DSP, S_TF,
    S_SENS, S_TOOLS,
};
struct SectionRow {
    const char* name;
    SectionId id;
    bool plotSection;  // skipped with kLoadSkipAnalysis
};
const SectionRow kSectionTable[38] = {
    {"Main", S_MAIN, false}, {"CompDef", S_COMPDEF, false}, {"ShapeDef", S_SHAPEDEF, false},
    {"Comp", S_COMP, false}, {"Attr", S_ATTR, false}, {"Wire", S_WIRE, false},
    {"Node Offsets", S_NODE_OFFSETS, false}, {"Condition Offsets", S_CONDITION_OFFSETS, false},
    {"Grid Text", S_GRID_TEXT, false}, {"Object", S_OBJECT, false}, {"Circuit", S_CIRCUIT, false},
    {"FontAndColor", S_FONT_AND_COLOR, false}, {"Window Placement", S_WINDOW_PLACEMENT, false},
    {"Flag", S_FLAG, false}, {"Page", S_PAGE, false}, {"Text Area", S_TEXT_AREA, false},
    {"Transient", S_TRANSIENT, false}, {"AC", S_AC, false}, {"DC", S_DC, false},
    {"Analysis", S_ANALYSIS, false}, {"Monte Carlo Options", S_MC_OPTIONS, true},
    {"Monte Carlo", S_MONTE_CARLO, true}, {"Graph 3D", S_GRAPH3D, true}, {"Performance", S_PERFORMANCE, true},
    {"Performance WaveForm", S_PERF_WAVEFORM, true}, {"Printer", S_PRINTER, false},
    {"AObject", S_AOBJECT, true}, {"Limits", S_LIMITS, true}, {"WaveForm", S_WAVEFORM, true},
    {"Schematic", S_SCHEMATIC, false}, {"Stepping", S_STEPPING, false}, {"Optimize", S_OPTIMIZE, false},
    {"Watch", S_WATCH, false}, {"Breakpoint", S_BREAKPOINT, false}, {"DSP", S_DSP, false},
    {"TF", S_TF, false}, {"SENS", S_SENS, false}, {"Tools", S_TOOLS, true},
};

const SectionRow* FindSectionRow(const std::string& header)
{
    if (header.size() < 3 || header.front() != '[' || header.back() != ']')
        return nullptr;
    std::string name = header.substr(1, header.size() - 2);
    for (const auto& row : kSectionTable)
        if (EqualNoCase(name, row.name))
            return &row;
    return nullptr;
}

bool DefinitionsDiffer(const ComponentDef& read, const ComponentDef& existing)
{
    if (!existing.shape || read.type != existing.type)
        return true;
    auto shapeName = [](const ComponentDef& d) {
        return d.shape == AutoMacroShape ? std::string(kAutoMacroName) : d.shapeName;
    };
    if (shapeName(read) != shapeName(existing) || read.data1 != existing.data1 || read.data2 != existing.data2 ||
        read.PinCount() != existing.PinCount())
        return true;
    bool userPins = IsValidComponentType(read.type) && ComponentTypeTable[read.type].pinNameBase == PNB_USER;
    for (int i = 0; i < read.PinCount(); ++i) {
        if (userPins && (GetPinName(read, i) != GetPinName(existing, i) ||
                         GetPinSecondName(read, i) != GetPinSecondName(existing, i) ||
                         GetPinKind(read, i) != GetPinKind(existing, i)))
            return true;
        if (read.pins[i].x != existing.pins[i].x || read.pins[i].y != existing.pins[i].y)
            return true;
    }
    return false;
}

}  // namespace

std::string FormatCircuitVersion(int32_t version)
{
    return Fmt("%d.%02d", version >> 16, version & 0xFFFF);
}

std::string PackLineBreaks(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r')
            out += '\xFE';
        else if (c != '\n')
            out += c;
    }
    return out;
}

std::string UnpackLineBreaks(const std::string& value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '\xFE')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

// ---- Output and input primitives ----

void CircuitFile::Header(const char* name)
{
    if (!out_->empty())
        *out_ += '\n';
    *out_ += '[';
    *out_ += name;
    *out_ += "]\n";
}

void CircuitFile::Entry(const char* key, const std::string& value)
{
    *out_ += key;
    *out_ += '=';
    *out_ += value;
    *out_ += '\n';
}

void CircuitFile::EntryInt(const char* key, long value)
{
    Entry(key, std::to_string(value));
}

void CircuitFile::EntryDouble(const char* key, double value)
{
    Entry(key, Fmt("%.16g", value));
}

bool CircuitFile::NextLine(std::string& line)
{
    while (pos_ < in_->size()) {
        size_t end = in_->find('\n', pos_);
        if (end == std::string::npos)
            end = in_->size();
        line = Trim(in_->substr(pos_, end - pos_));
        pos_ = end < in_->size() ? end + 1 : end;
        if (!line.empty() && line[0] != ';')
            return true;
    }
    atEnd_ = true;
    return false;
}

bool CircuitFile::NextEntry(std::string& key, std::string& value)
{
    if (atEnd_) {
        header_.clear();
        return false;
    }
    std::string line;
    if (!NextLine(line)) {
        header_.clear();
        return false;
    }
    if (line[0] == '[') {
        header_ = line;
        return false;
    }
    size_t eq = line.find('=');
    key = Upper(Trim(line.substr(0, eq)));
    value = eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1));
    return true;
}

// ---- [Main] ----

int CircuitFile::MainSection()
{
    if (writing_) {
        Header("Main");
        Entry("FileType", "CIR");
        Entry("Version", FormatCircuitVersion(version));
        Entry("Program", version == kCircuitVersion520 ? "Ombrelic V" : "Ombrelic");
        Entry("Screen", Fmt("%d,%d", CircuitScreenWidth, CircuitScreenHeight));
        if (version == kCircuitVersion520)
            Entry("OB5Version", "2.0");
        else
            Entry("OMBRVersion", "7.2.4.0");
        EntryInt("NLCnt", static_cast<long>(doc_->objects.size()));
        EntryInt("TXCnt", static_cast<long>(doc_->gridTexts.size()));
        return 0;
    }
    bool typeOk = false;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "FILETYPE") {
            typeOk = EqualNoCase(value, "CIR") || EqualNoCase(value, "OB5.CIR");
        } else if (key == "VERSION") {
            version = ParseVersion(value.c_str());
        } else if (key == "SCREEN") {
            auto f = SplitCommas(value);
            if (ToLong(f[0]) != CircuitScreenWidth || (f.size() > 1 ? ToLong(f[1]) : 0) != CircuitScreenHeight)
                screenChanged = true;
        }
    }
    return typeOk ? 0 : kMsgBadFormat;
}

// ---- [Circuit], [FontAndColor], [Window Placement] ----

namespace {

enum RowType { R_COLOUR, R_COLOUR_BYTE, R_FONT, R_PLACEMENT, R_TEXT, R_TRUE_FALSE, R_ON_OFF, R_CHARACTER };
struct Row {
    const char* key;
    void* target;
    RowType type;
};

std::string RowText(const Row& row)
{
    switch (row.type) {
    case R_COLOUR: return std::to_string(*static_cast<int32_t*>(row.target));
    case R_COLOUR_BYTE: return std::to_string(*static_cast<uint8_t*>(row.target));
    case R_FONT: return FontText(*static_cast<FontRecord*>(row.target));
    case R_PLACEMENT: return PlacementText(*static_cast<WindowPlacement*>(row.target));
    case R_TEXT: return PackLineBreaks(*static_cast<std::string*>(row.target));
    case R_TRUE_FALSE: return *static_cast<int32_t*>(row.target) ? "True" : "False";
    case R_ON_OFF: return "On";
    case R_CHARACTER: return std::to_string(*static_cast<int32_t*>(row.target));
    }
    return std::string();
}

bool ReadRow(const std::vector<Row>& rows, const std::string& key, const std::string& value)
{
    for (const Row& row : rows) {
        if (!EqualNoCase(key, row.key))
            continue;
        switch (row.type) {
        case R_COLOUR: *static_cast<int32_t*>(row.target) = ParseColor(value.c_str()); break;
        case R_COLOUR_BYTE: *static_cast<uint8_t*>(row.target) = static_cast<uint8_t>(ParseColor(value.c_str())); break;
        case R_FONT: ParseFont(FaceText(value).c_str(), *static_cast<FontRecord*>(row.target)); break;
        case R_PLACEMENT: ParseWindowPlacement(value.c_str(), *static_cast<WindowPlacement*>(row.target)); break;
        case R_TEXT: *static_cast<std::string*>(row.target) = UnpackLineBreaks(value); break;
        case R_TRUE_FALSE: *static_cast<int32_t*>(row.target) = IsTrue(value.c_str()) ? 1 : 0; break;
        case R_ON_OFF: break;
        case R_CHARACTER: {
            // A character code; anything else keeps the character there is.
            const long code = ToLong(value);
            if (code > 0 && code < 256)
                *static_cast<int32_t*>(row.target) = static_cast<int32_t>(code);
            break;
        }
        }
        return true;
    }
    return false;
}

}  // namespace

int CircuitFile::CircuitSection()
{
    CircuitAppearance& a = doc_->appearance;
    CircuitPlacements& p = doc_->placements;
    CircuitTitleBlock& t = doc_->titleBlock;
    bool v7 = writing_ ? version >= kCircuitVersion70 : true;
    std::vector<Row> rows = {
        {"WinBackGround Color", &a.background, R_COLOUR}, {"Grid Text Color", &a.gridText, R_FONT},
        {"Object Default", &a.objectDefault, R_FONT},     {"Component Color", &a.componentColour, R_COLOUR_BYTE},
        {"Attribute Text", &a.attributeText, R_FONT},     {"Wire Color", &a.wireColour, R_COLOUR_BYTE},
        {"Select Color", &a.selectColour, R_COLOUR},
    };
    if (v7)
        rows.push_back({"Pin Connection", &a.pinConnection, R_FONT});
    if (!writing_ || !v7)
        rows.push_back({"Pin Color", &a.pinConnection.color, R_COLOUR_BYTE});
    const Row rest[] = {
        {"Select Box Color", &a.selectBoxColour, R_COLOUR}, {"Node Number", &a.nodeNumber, R_FONT},
        {"Node Voltage Color", &a.nodeVoltageColour, R_COLOUR_BYTE}, {"Current", &a.current, R_FONT},
        {"Power/Condition", &a.powerCondition, R_FONT}, {"Digital Path Color", &a.digitalPathColour, R_COLOUR},
        {"Title Block", &a.titleBlock, R_FONT}, {"Digital 0 Color", &a.digitalColours[0], R_COLOUR},
        {"Digital R Color", &a.digitalColours[1], R_COLOUR}, {"Digital F Color", &a.digitalColours[2], R_COLOUR},
        {"Digital 1 Color", &a.digitalColours[3], R_COLOUR}, {"Digital X Color", &a.digitalColours[4], R_COLOUR},
        {"Digital Z Color", &a.digitalColours[5], R_COLOUR}, {"Window Placement", &p.circuit, R_PLACEMENT},
        {"Window Placement in Analysis", &p.circuitInAnalysis, R_PLACEMENT},
        {"Window Placement in Probe", &p.circuitInProbe, R_PLACEMENT},
    };
    rows.insert(rows.end(), std::begin(rest), std::end(rest));
    if (v7)
        rows.push_back({"Block Select Color", &a.blockSelectColour, R_COLOUR});
    static const char* const fieldKeys[5] = {"TitleBlock Field_1", "TitleBlock Field_2", "TitleBlock Field_3",
                                             "TitleBlock Field_4", "TitleBlock Field_5"};
    for (int i = 0; i < 5; ++i)
        rows.push_back({fieldKeys[i], &t.fields[i], R_TEXT});
    rows.push_back({"TitleBlock One Title", &t.oneTitle, R_TRUE_FALSE});
    if (v7) {
        rows.push_back({"Title_Block_Border", &t.border, R_TRUE_FALSE});
        rows.push_back({"Title_Block", &t.show, R_TRUE_FALSE});
    }
    if (writing_) {
        Header("Circuit");
        for (const Row& row : rows)
            Entry(row.key, RowText(row));
        return 0;
    }
    std::string key, value;
    while (NextEntry(key, value))
        ReadRow(rows, key, value);
    return 0;
}

int CircuitFile::FontAndColorSection()
{
    CircuitAppearance& a = doc_->appearance;
    AnalysisWindowLook& l = doc_->analysisLook;
    static int32_t scaleColour = 1;
    const std::vector<Row> rows = {
        {"Circuit Background", &a.background, R_COLOUR}, {"Grid Text", &a.gridText, R_FONT},
        {"Circuit Object", &a.objectDefault, R_FONT},    {"Component", &a.componentColour, R_COLOUR_BYTE},
        {"Attribute Text", &a.attributeText, R_FONT},    {"Wire", &a.wireColour, R_COLOUR_BYTE},
        {"Select", &a.selectColour, R_COLOUR},           {"Pin", &a.pinConnection.color, R_COLOUR_BYTE},
        {"Box Region", &a.selectBoxColour, R_COLOUR},    {"Node Number", &a.nodeNumber, R_FONT},
        {"Node Voltage", &a.nodeVoltageColour, R_COLOUR_BYTE}, {"Digital Path", &a.digitalPathColour, R_COLOUR},
        {"Title Block", &a.titleBlock, R_FONT},          {"Analysis Text", &l.text, R_FONT},
        {"Analysis Grid Color", &l.gridColour, R_COLOUR_BYTE},
        {"Analysis Graph Background", &l.graphBackground, R_COLOUR_BYTE},
        {"Analysis Object", &l.object, R_FONT},          {"Analysis Window Background", &l.windowBackground, R_COLOUR},
        {"NumOut", &l.numericOutput, R_FONT},            {"ScaleColor", &scaleColour, R_ON_OFF},
    };
    if (writing_) {
        Header("FontAndColor");
        for (const Row& row : rows)
            Entry(row.key, RowText(row));
        return 0;
    }
    std::string key, value;
    while (NextEntry(key, value))
        ReadRow(rows, key, value);
    return 0;
}

namespace {

// The analysis window's placements and looks: [Analysis] keys from 6.0 on, the
// [FontAndColor] and [Window Placement] rows before; the document holds them so that a
// circuit saved in another version keeps them.
std::vector<Row> AnalysisWindowRows(CircuitDocument& d)
{
    AnalysisWindowLook& l = d.analysisLook;
    return {
        {"Window Placement", &d.placements.analysis, R_PLACEMENT},
        {"Window Placement in Probe", &d.placements.analysisInProbe, R_PLACEMENT},
        {"Num Out Header Left", &l.numericOutputHeader[0], R_TEXT},
        {"Num Out Header Center", &l.numericOutputHeader[1], R_TEXT},
        {"Num Out Header Right", &l.numericOutputHeader[2], R_TEXT},
        {"Num Out Delimiter", &l.numericOutputDelimiter, R_CHARACTER},
        {"Analysis Text", &l.text, R_FONT},
        {"Analysis Grid Color", &l.gridColour, R_COLOUR_BYTE},
        {"Analysis Graph Background", &l.graphBackground, R_COLOUR_BYTE},
        {"Object Default", &l.object, R_FONT},
        {"Analysis Window Background", &l.windowBackground, R_COLOUR},
        {"NumOut", &l.numericOutput, R_FONT},
    };
}

// [Analysis] keys a version does not have.
bool AnalysisKeyInVersion(const std::string& key, int32_t version)
{
    static const char* const since70[] = {"Tracker Foreground", "Tracker Background", "Baseline color",
                                          "Data Point Labels Color Fore", "Data Point Labels Color Back",
                                          "ThumbNail"};
    static const char* const since60[] = {"ScaleColor", "Select Color", "Select Box Color",
                                          "Cursor Select Color Primary", "Cursor Select Color Secondary",
                                          "Tracker Intercept", "Tracker Mouse", "Tracker Cursor"};
    if (version < kCircuitVersion70)
        for (const char* k : since70)
            if (EqualNoCase(key, k))
                return false;
    if (version < kCircuitVersion60)
        for (const char* k : since60)
            if (EqualNoCase(key, k))
                return false;
    return true;
}

}  // namespace

int CircuitFile::WindowPlacementSection()
{
    CircuitPlacements& p = doc_->placements;
    const std::vector<Row> rows = {
        {"Circuit", &p.circuit, R_PLACEMENT},       {"CircuitA", &p.circuitInAnalysis, R_PLACEMENT},
        {"Analysis", &p.analysis, R_PLACEMENT},     {"ProbeC", &p.circuitInProbe, R_PLACEMENT},
        {"ProbeA", &p.analysisInProbe, R_PLACEMENT},
    };
    if (writing_) {
        Header("Window Placement");
        for (const Row& row : rows)
            Entry(row.key, RowText(row));
        return 0;
    }
    std::string key, value;
    while (NextEntry(key, value))
        ReadRow(rows, key, value);
    return 0;
}

// ---- Object sections ----

void CircuitFile::WriteStyleKeys(const LineStyle& style, int defaultColour, uint16_t styleWord)
{
    int kind = styleWord & SW_GRAPHIC_KIND;
    if (styleWord & SW_LOCKED)
        Entry("Locked", "True");
    if (kind == 0x300 && (styleWord & SW_ARROW))
        Entry("Rounded", "True");
    if (style.weight >= 2)
        EntryInt("Weight", style.weight);
    if (IsLineLikeKind(kind)) {
        if (styleWord & SW_ARROW_F)
            Entry("EndPoint", "ArrowF");
        else if (styleWord & SW_ARROW)
            Entry("EndPoint", "Arrow");
    } else if (style.fillColour != kNoColor) {
        Entry("CFill", ColourText(style.fillColour));
    }
    if (style.colour != defaultColour)
        Entry("CBorder", ColourText(style.colour));
    if (const char* name = PatternName(style.pattern))
        Entry("Pattern", name);
    if (style.fillPattern < 6)
        Entry("Fill Pattern", kFillPatternNames[style.fillPattern]);
}

bool CircuitFile::ReadStyleKey(const std::string& key, const std::string& value, LineStyle& style,
                               uint16_t& styleWord)
{
    if (key == "LOCKED") {
        if (EqualNoCase(value, "TRUE"))
            styleWord |= SW_LOCKED;
    } else if (key == "WEIGHT") {
        style.weight = static_cast<uint8_t>(ToLong(value));
    } else if (key == "CFILL") {
        style.fillColour = static_cast<uint8_t>(ParseColor(value.c_str()));
    } else if (key == "CBORDER" || (key == "COLOR" && version <= kCircuitVersion520)) {
        style.colour = static_cast<uint8_t>(ParseColor(value.c_str()));
    } else if (key == "PATTERN") {
        style.pattern = static_cast<uint8_t>(ParsePatternName(value.c_str()));
    } else if (key == "FILL PATTERN") {
        for (int i = 0; i < 6; ++i)
            if (EqualNoCase(value, kFillPatternNames[i]))
                style.fillPattern = static_cast<uint8_t>(i);
    } else if (key == "ENDPOINT") {
        if (EqualNoCase(value, "ArrowF"))
            styleWord |= SW_ARROW_F;
        else if (EqualNoCase(value, "Arrow"))
            styleWord |= SW_ARROW;
        else
            return false;
    } else if (key == "ROUNDED") {
        if (EqualNoCase(value, "TRUE"))
            styleWord |= SW_ARROW;
    } else {
        return false;
    }
    return true;
}

void CircuitFile::WriteObjects()
{
    for (auto& object : doc_->objects) {
        current_ = object.get();
        if (object->kind == OK_COMPONENT)
            CompSection();
        else if (object->kind == OK_WIRE)
            WireSection();
        else
            ObjectSection();
    }
    current_ = nullptr;
}

ComponentDef* CircuitFile::ResolveComponent(const std::string& name)
{
    if ((loadFlags & kLoadNamePending) == kLoadNamePending)
        SetPendingMessageText(name.c_str());
    auto local = localMap_.find(Upper(name));
    if (local != localMap_.end()) {
        if (std::any_of(doc_->localDefinitions.begin(), doc_->localDefinitions.end(),
                        [&](const auto& d) { return d.get() == local->second; }))
            localDefinitionsUsed = true;
        return local->second;
    }
    return FindComponentByName(name, nullptr, false);
}

int CircuitFile::CompSection()
{
    if (writing_) {
        CircuitObject& part = *current_;
        Header("Comp");
        Entry("Name", !part.missingName.empty() ? part.missingName : part.def ? part.def->name : std::string());
        if (part.styleWord & SW_SHOW_PIN_TEXT)
            Entry("Style", "ShowPinText");
        if (version >= kCircuitVersion70) {
            if (part.showPinMarkers)
                Entry("ShowPinMarkers", "True");
            if (!part.showCurrent)
                Entry("ShowCurrent", "False");
            if (!part.showPower)
                Entry("ShowPower", "False");
            if (!part.showCondition)
                Entry("ShowCondition", "False");
        }
        if (part.showPackagePins)
            Entry("ShowPackagePins", "True");
        Entry("Grid", Fmt("%d,%d", part.coords[0], part.coords[1]));
        if (part.rotation)
            EntryInt("Rot", part.rotation);
        if (part.page)
            EntryInt("Page", part.page);
        WriteAttrs(part);
        return 0;
    }
    auto part = std::make_unique<CircuitObject>();
    part->kind = OK_COMPONENT;
    part->style.colour = static_cast<uint8_t>(doc_->appearance.objectDefault.color);
    current_ = nullptr;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "GRID") {
            auto f = SplitCommas(value);
            part->coords[0] = static_cast<int32_t>(ToLong(f[0]));
            part->coords[1] = f.size() > 1 ? static_cast<int32_t>(ToLong(f[1])) : 0;
        } else if (key == "NAME") {
            part->def = ResolveComponent(value);
            part->missingName.clear();
            if (!part->def) {
                std::string quoted = "'" + value + "'";
                if (!(loadFlags & kLoadNoMissingNames) &&
                    missingComponentNames.find(quoted) == std::string::npos)
                    missingComponentNames += (missingComponentNames.empty() ? "" : ", ") + quoted;
                part->def = &MissingComponentPlaceholder();
                part->missingName = value;
                AttrNode& note = part->SetAttr(ATTR_TEXT, Fmt("Component '%.50s' Not Found", value.c_str()));
                note.flags = AF_NOT_FOUND_TEXT;
                note.font = ToRef(doc_->appearance.attributeText);
            } else if (!part->def->shape && !(loadFlags & kLoadQuiet) && part->def != lastShapeWarning_) {
                lastShapeWarning_ = part->def;
                ReportMessage("E", kMsgNoShape);
            }
        } else if (key == "PAGE") {
            part->page = PageValue(value);
        } else if (key == "ROT") {
            int rot = static_cast<int>(ToLong(value));
            part->rotation = static_cast<int16_t>(IsBadRotation(rot, loadFlags) ? 0 : rot);
        } else if (key == "STYLE") {
            part->styleWord |= ParseStyleWords(value, part->style);
            if (version < kCircuitVersion70)
                part->showPinMarkers = (part->styleWord & SW_SHOW_PIN_TEXT) ? 1 : 0;
        } else if (key == "SHOWCURRENT") {
            part->showCurrent = IsTrue(value.c_str()) ? 1 : 0;
        } else if (key == "SHOWPOWER") {
            part->showPower = IsTrue(value.c_str()) ? 1 : 0;
        } else if (key == "SHOWCONDITION") {
            part->showCondition = IsTrue(value.c_str()) ? 1 : 0;
        } else if (key == "SHOWPACKAGEPINS") {
            part->showPackagePins = IsTrue(value.c_str()) ? 1 : 0;
        } else if (key == "SHOWPINMARKERS") {
            part->showPinMarkers = IsTrue(value.c_str()) ? 1 : 0;
        }
    }
    ClampGridPoint(part->coords[0], part->coords[1], loadFlags, &illegalCoordinates);
    if (!part->def)
        return 0;
    doc_->objects.push_back(std::move(part));
    current_ = doc_->objects.back().get();
    return 0;
}

void CircuitFile::WriteAttr(const AttrNode& a, const std::string& name, const std::string& value)
{
    Header("Attr");
    Entry("ONV", Fmt("%d,%d,", a.dx, a.dy) + name + "," + PackLineBreaks(value));
    if (a.flags)
        EntryInt("Style", a.flags);
    const FontRecord& d = doc_->appearance.attributeText;
    if (a.font.height != d.height)
        EntryInt("Height", a.font.height);
    if (a.font.style != d.style)
        EntryInt("FStyle", a.font.style);
    if (a.font.colour != d.color)
        EntryInt("Color", a.font.colour);
    if (a.font.face != d.face)
        Entry("Font", FaceName(a.font.face));
}

std::vector<CircuitFile::WrittenAttr> CircuitFile::AttrsToWrite(CircuitObject& part)
{
    std::vector<WrittenAttr> written;
    const FontRef defaultFont = ToRef(doc_->appearance.attributeText);
    int type = part.def ? part.def->type : -1;
    for (size_t i = 0; i < part.attrs.size(); ++i) {
        AttrNode& a = part.attrs[i];
        // The generated "not found" note belongs to this load, not to the file.
        if (a.flags & AF_NOT_FOUND_TEXT)
            continue;
        if (version <= kCircuitVersion520 &&
            (a.id == ATTR_GATE || a.id == ATTR_COMPNAME || a.id == ATTR_SLIDER_MIN || a.id == ATTR_SLIDER_MAX))
            continue;
        if (a.id == ATTR_SLIDER_MIN && (a.value.empty() || a.value == "0"))
            continue;
        if (a.id == ATTR_SLIDER_MAX && (a.value.empty() || a.value == "1"))
            continue;
        if (a.id == ATTR_PACKAGE) {
            if (version <= kCircuitVersion520 || a.value.empty())
                continue;
        } else if (a.id != 0 && a.value.empty() && !a.flags && a.font == defaultFont) {
            continue;
        }
        if (a.id == 0) {
            std::string shortened;
            for (char c : a.userName)
                if (c != ',' && c != '=')
                    shortened += c;
            // A name made only of those characters leaves an attribute without identity,
            // and one that becomes the name of another attribute of the part would merge
            // with it when read: such an attribute is dropped.
            bool taken = false;
            for (size_t j = 0; j < part.attrs.size(); ++j)
                taken = taken || (j != i && EqualNoCase(part.attrs[j].Name(), shortened));
            if (shortened.empty() || taken) {
                part.attrs.erase(part.attrs.begin() + static_cast<long>(i--));
                continue;
            }
            a.SetName(shortened);
        }
        std::string name = a.Name();
        if (version == kCircuitVersion520 && type == CT_SAMPLE_AND_HOLD) {
            if (a.id == ATTR_SAMPLE_EXPR)
                continue;
            if (a.id == ATTR_INPUT_EXPR)
                name = "EXPR";
        }
        if (version < kCircuitVersion70 && type == CT_MACRO) {
            // Older versions keep the macro call in VALUE; the arguments are in it.
            if (a.id == 0 && a.userName.size() >= 6 && EqualNoCase(a.userName.substr(0, 6), "Param:"))
                continue;
            if (a.id == ATTR_FILE) {
                written.push_back({i, "VALUE", MacroCallText(part, macroParameters_.For(a.value, doc_->path))});
                continue;
            }
        }
        written.push_back({i, name, a.value});
    }
    return written;
}

void CircuitFile::WriteAttrs(CircuitObject& part)
{
    for (const WrittenAttr& w : AttrsToWrite(part))
        WriteAttr(part.attrs[w.index], w.name, w.value);
}

int CircuitFile::AttrSection()
{
    if (writing_)
        return 0;  // written by the object sections
    std::string key, value;
    AttrNode* attr = nullptr;
    while (NextEntry(key, value)) {
        if (!current_)
            continue;
        if (key == "ONV") {
            size_t c1 = value.find(',');
            size_t c2 = c1 == std::string::npos ? std::string::npos : value.find(',', c1 + 1);
            int32_t dx = static_cast<int32_t>(ToLong(value));
            int32_t dy = c1 == std::string::npos ? 0 : static_cast<int32_t>(ToLong(value.substr(c1 + 1)));
            std::string rest = c2 == std::string::npos ? std::string() : value.substr(c2 + 1);
            size_t c3 = rest.find(',');
            std::string name = rest.substr(0, c3);
            std::string text = c3 == std::string::npos ? std::string() : UnpackLineBreaks(rest.substr(c3 + 1));
            bool existed = current_->FindAttrByName(name) != nullptr;
            attr = &current_->SetAttrByName(name, text);
            if (!existed)
                attr->font = ToRef(doc_->appearance.attributeText);
            attr->dx = dx;
            attr->dy = dy;
        } else if (attr) {
            if (key == "STYLE")
                attr->flags = static_cast<uint16_t>(ToLong(value));
            else if (key == "HEIGHT")
                attr->font.height = static_cast<int16_t>(ToLong(value));
            else if (key == "FSTYLE")
                attr->font.style = static_cast<uint8_t>(ToLong(value));
            else if (key == "COLOR")
                attr->font.colour = static_cast<uint8_t>(ParseColor(value.c_str()));
            else if (key == "FONT")
                attr->font.face = static_cast<uint16_t>(FontFaceIndex(Trim(FaceText(value)).c_str()));
        }
    }
    if (attr) {
        if (attr->id == 0 && attr->userName.empty()) {
            current_->attrs.erase(current_->attrs.begin() + (attr - current_->attrs.data()));
        } else {
            attr->ClampOffset();
        }
    }
    return 0;
}

int CircuitFile::WireSection()
{
    if (writing_) {
        CircuitObject& w = *current_;
        Header("Wire");
        Entry("Grids", Fmt("%d,%d,%d,%d", w.coords[0], w.coords[1], w.coords[2], w.coords[3]));
        if (w.page)
            EntryInt("Page", w.page);
        if (version >= kCircuitVersion70 && w.style.weight > 1)
            EntryInt("Weight", w.style.weight);
        return 0;
    }
    auto wire = std::make_unique<CircuitObject>();
    wire->kind = OK_WIRE;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "GRIDS") {
            auto f = SplitCommas(value);
            for (size_t i = 0; i < 4; ++i)
                wire->coords[i] = i < f.size() ? static_cast<int32_t>(ToLong(f[i])) : 0;
        } else if (key == "PAGE") {
            // A negative page would put the wire on no page the editor can show.
            wire->page = PageValue(value);
        } else if (key == "WEIGHT") {
            wire->style.weight = static_cast<uint8_t>(ToLong(value));
        }
    }
    ClampGridPoint(wire->coords[0], wire->coords[1], loadFlags, &illegalCoordinates);
    ClampGridPoint(wire->coords[2], wire->coords[3], loadFlags, &illegalCoordinates);
    doc_->objects.push_back(std::move(wire));
    current_ = doc_->objects.back().get();
    return 0;
}

int CircuitFile::ObjectSection()
{
    const int defaultColour = doc_->appearance.objectDefault.color;
    if (writing_) {
        CircuitObject& g = *current_;
        int kind = g.GraphicKind();
        Header("Object");
        if (*GraphicKindName(kind))
            Entry("Object", GraphicKindName(kind));
        if (version == kCircuitVersion520) {
            std::vector<std::string> words;
            if (kind == 0x100) {
                if (g.styleWord & SW_ARROW_F)
                    words.push_back("ArrowF");
                else if (g.styleWord & SW_ARROW)
                    words.push_back("Arrow");
            }
            if (g.style.colour != kNoColor)
                words.push_back("Border");
            if (g.style.fillColour != kNoColor)
                words.push_back("Fill");
            if (kind == 0x300 && (g.styleWord & SW_ARROW))
                words.push_back("Rounded");
            if (g.style.weight == 2)
                words.push_back("Weight2");
            else if (g.style.weight > 2)
                words.push_back("Weight3");
            if (kind != 0xf00 && PatternName(g.style.pattern))
                words.push_back(PatternName(g.style.pattern));
            std::string list;
            for (const auto& w : words)
                list += (list.empty() ? "" : ",") + w;
            if (!list.empty())
                Entry("Style", list);
        } else {
            WriteStyleKeys(g.style, defaultColour, g.styleWord);
        }
        Entry("Grids", Fmt("%d,%d,%d,%d", g.coords[0], g.coords[1], g.coords[2], g.coords[3]));
        if (version == kCircuitVersion520) {
            if (g.style.colour != defaultColour && g.style.colour != kNoColor)
                EntryInt("Color", g.style.colour);
            if (GraphicKindIsClosed(kind) && g.style.fillColour != kNoColor)
                EntryInt("CFill", g.style.fillColour);
        }
        if (g.page)
            EntryInt("Page", g.page);
        if (version >= kCircuitVersion70 && kind == 0xb00)
            EntryInt("Rot", g.rotation);
        WriteAttrs(g);
        return 0;
    }
    auto g = std::make_unique<CircuitObject>();
    g->kind = OK_GRAPHIC;
    g->style.colour = static_cast<uint8_t>(defaultColour);
    current_ = nullptr;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "OBJECT") {
            g->styleWord |= static_cast<uint16_t>(GraphicKindFromName(value.c_str()));
        } else if (key == "STYLE") {
            g->styleWord |= ParseStyleWords(value, g->style);
        } else if (key == "GRIDS") {
            auto f = SplitCommas(value);
            for (size_t i = 0; i < 4; ++i)
                g->coords[i] = i < f.size() ? static_cast<int32_t>(ToLong(f[i])) : 0;
        } else if (key == "ROT") {
            int rot = static_cast<int>(ToLong(value));
            g->rotation = static_cast<int16_t>(IsBadRotation(rot, loadFlags) ? 0 : rot);
        } else if (!ReadStyleKey(key, value, g->style, g->styleWord) && key == "PAGE") {
            g->page = PageValue(value);
        }
    }
    int kind = g->GraphicKind();
    if (!kind)
        return 0;
    // Colours the file gave are kept, "NONE" for both included (an object read from 5.20
    // without border and fill), so that a save and a reload change nothing.
    if (version <= kCircuitVersion520) {
        if (g->styleWord & SW_BORDER)
            g->styleWord &= static_cast<uint16_t>(~SW_BORDER);
        else if (kind != 0x100 && kind != 0x500)
            g->style.colour = kNoColor;
        if (g->styleWord & SW_ARROW_F)
            g->styleWord &= static_cast<uint16_t>(~SW_ARROW_F);
        else
            g->style.fillColour = kNoColor;
    }
    doc_->objects.push_back(std::move(g));
    current_ = doc_->objects.back().get();
    return 0;
}

int CircuitFile::GridTextSection(bool flag)
{
    const FontRef defaultFont = ToRef(doc_->appearance.gridText);
    if (writing_) {
        const GridText& t = *currentText_;
        Header((t.textFlags & GT_FLAG) ? "Flag" : "Grid Text");
        Entry("Text", PackLineBreaks(t.text));
        Entry("Grid", Fmt("%d,%d", t.x, t.y));
        if (t.font.height != defaultFont.height)
            EntryInt("Height", t.font.height);
        if (t.font.style != defaultFont.style)
            EntryInt("FStyle", t.font.style);
        if (t.font.colour != defaultFont.colour)
            EntryInt("Color", t.font.colour);
        if (t.font.face != defaultFont.face)
            Entry("Font", FaceName(t.font.face));
        if (t.page)
            EntryInt("Page", t.page);
        if (version >= kCircuitVersion60)
            WriteStyleKeys(t.style, kNoColor, 0);
        return 0;
    }
    auto t = std::make_unique<GridText>();
    t->font = defaultFont;
    t->style.colour = kNoColor;
    t->textFlags = flag ? GT_FLAG : 0;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "TEXT") {
            t->text = value.empty() ? std::string("Missing text!") : UnpackLineBreaks(value);
        } else if (key == "GRID") {
            auto f = SplitCommas(value);
            t->x = static_cast<int32_t>(ToLong(f[0]));
            t->y = f.size() > 1 ? static_cast<int32_t>(ToLong(f[1])) : 0;
        } else if (key == "HEIGHT") {
            t->font.height = static_cast<int16_t>(ToLong(value));
        } else if (key == "FSTYLE") {
            t->font.style = static_cast<uint8_t>(ToLong(value));
        } else if (key == "COLOR") {
            t->font.colour = static_cast<uint8_t>(ParseColor(value.c_str()));
        } else if (key == "FONT") {
            t->font.face = static_cast<uint16_t>(FontFaceIndex(Trim(FaceText(value)).c_str()));
        } else if (key == "PAGE") {
            t->page = PageValue(value);
        } else {
            uint16_t dropped = 0;
            ReadStyleKey(key, value, t->style, dropped);
        }
    }
    if (t->text.empty())
        t->text = "Missing text!";
    UpdateNodeLabelFlag(*t);
    ClampGridPoint(t->x, t->y, loadFlags, &illegalCoordinates);
    doc_->gridTexts.push_back(std::move(t));
    return 0;
}

// ---- [Node Offsets] ----

int CircuitFile::NodeOffsetsSection()
{
    if (writing_) {
        Header("Node Offsets");
        for (int i = 1; i <= doc_->nodeCount && i < static_cast<int>(doc_->nodeTable.size()); ++i) {
            const NodeTableEntry& e = doc_->nodeTable[i];
            if (e.dx || e.dy)
                Entry("Offset", Fmt("%d,%d,%d,%d,%d,%d", e.node, e.page, e.x, e.y, e.dx, e.dy));
        }
        return 0;
    }
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key != "OFFSET")
            continue;
        auto f = SplitCommas(value);
        if (f.size() < 6)
            continue;
        if (doc_->nodeTable.empty())
            doc_->nodeTable.emplace_back();
        NodeTableEntry e;
        e.node = static_cast<int32_t>(ToLong(f[0]));
        e.page = static_cast<int16_t>(ToLong(f[1]));
        e.x = static_cast<int32_t>(ToLong(f[2]));
        e.y = static_cast<int32_t>(ToLong(f[3]));
        e.dx = static_cast<int32_t>(ToLong(f[4]));
        e.dy = static_cast<int32_t>(ToLong(f[5]));
        doc_->nodeTable.push_back(e);
        ++doc_->nodeCount;
    }
    return 0;
}

// ---- [Schematic], [Page], [Text Area], [Printer] ----

int CircuitFile::SchematicSection()
{
    SchematicSettings& s = doc_->schematic;
    CircuitTitleBlock& t = doc_->titleBlock;
    if (writing_) {
        Header("Schematic");
        for (int pane = 0; pane < 4; ++pane) {
            EntryInt(Fmt("Page %d", pane).c_str(), s.panePage[pane]);
            if (s.firstTab[pane] > 0)
                EntryInt(Fmt("FirstTab %d", pane).c_str(), s.firstTab[pane]);
            if (s.tabSize[pane] > 0)
                EntryInt(Fmt("TabSize %d", pane).c_str(), s.tabSize[pane]);
        }
        EntryInt("Splitter.xs", s.splitterX);
        EntryInt("Splitter.ys", s.splitterY);
        EntryInt("TextQuad", s.textQuad);
        EntryDouble("Scale", version == kCircuitVersion520 ? ConvertScaleTo520(s.scale) : s.scale);
        EntryDouble("PrinterScale", s.printerScale);
        int32_t view = s.viewBits;
        if (version < kCircuitVersion70)
            view = (view & 0x3F) | (t.border ? 0x40 : 0) | (t.show ? 0x80 : 0);
        EntryInt("View", (view | 0x100) & ~2);
        return 0;
    }
    std::string key, value;
    while (NextEntry(key, value)) {
        int pane = key.empty() ? -1 : key.back() - '0';
        bool paneKey = key.size() >= 2 && key[key.size() - 2] == ' ' && pane >= 0 && pane <= 3;
        std::string stem = paneKey ? key.substr(0, key.size() - 2) : key;
        if (paneKey && stem == "PAGE")
            s.panePage[pane] = static_cast<int32_t>(ToLong(value));
        else if (paneKey && stem == "FIRSTTAB")
            s.firstTab[pane] = static_cast<int32_t>(ToLong(value));
        else if (paneKey && stem == "TABSIZE")
            s.tabSize[pane] = static_cast<int32_t>(ToLong(value));
        else if (key == "SPLITTER.XS")
            s.splitterX = static_cast<int32_t>(ToLong(value));
        else if (key == "SPLITTER.YS")
            s.splitterY = static_cast<int32_t>(ToLong(value));
        else if (key == "TEXTQUAD")
            s.textQuad = static_cast<int32_t>(ToLong(value));
        else if (key == "SCALE")
            s.scale = SnapZoomFactor(ToDouble(value));
        else if (key == "PRINTERSCALE")
            s.printerScale = ToDouble(value);
        else if (key == "VIEW") {
            s.viewBits = static_cast<int32_t>(ToLong(value)) & ~2;
            if (version < kCircuitVersion70) {
                t.border = (s.viewBits & 0x40) ? 1 : 0;
                t.show = (s.viewBits & 0x80) ? 1 : 0;
                s.viewBits &= ~0xC0;
            }
        }
    }
    return 0;
}

int CircuitFile::PageSection()
{
    if (writing_) {
        for (size_t index = 0; index < doc_->pages.size(); ++index) {
            const PageRecord& p = doc_->pages[index];
            Header("Page");
            EntryInt("Index", static_cast<long>(index));
            Entry("Name", p.name);
            for (int a = 0; a < 3; ++a) {
                const PrintPreviewSetting& pp = p.preview[a];
                if (pp.on || pp.place[0] || pp.place[1] || pp.place[2] || pp.place[3])
                    Entry(Fmt("%c.PrintPreview", kAnalysisLetters[a]).c_str(),
                          Fmt("%s,%.16g,%.16g,%.16g,%.16g", pp.on ? "On" : "Off", pp.place[0], pp.place[1],
                              pp.place[2], pp.place[3]));
            }
            for (int pane = 0; pane < 4; ++pane) {
                if (p.scrollX[pane] || p.scrollY[pane])
                    Entry(Fmt("SB %d", pane).c_str(), Fmt("%d,%d", p.scrollX[pane], p.scrollY[pane]));
                if (version >= kCircuitVersion70)
                    EntryDouble(Fmt("Scale %d", pane).c_str(), p.zoom[pane]);
            }
            Entry("Grid", Fmt("%d,%d", p.gridX, p.gridY));
        }
        return 0;
    }
    auto& pages = doc_->pages;
    if (pages.empty())
        pages.emplace_back();
    size_t target = pages.size() - 1;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "INDEX") {
            long index = std::max(0L, ToLong(value));
            if (index >= kMaxPages)
                return kMsgBadFormat;
            if (pages.size() <= static_cast<size_t>(index))
                pages.resize(static_cast<size_t>(index) + 1);
            target = static_cast<size_t>(index);
        } else if (key == "NAME") {
            pages[target].name = value;
        } else if (key.size() == 4 && key.compare(0, 3, "SB ") == 0 && key[3] >= '0' && key[3] <= '3') {
            auto f = SplitCommas(value);
            pages[target].scrollX[key[3] - '0'] = static_cast<int32_t>(ToLong(f[0]));
            pages[target].scrollY[key[3] - '0'] = f.size() > 1 ? static_cast<int32_t>(ToLong(f[1])) : 0;
        } else if (key.size() == 7 && key.compare(0, 6, "SCALE ") == 0 && key[6] >= '0' && key[6] <= '3') {
            pages[target].zoom[key[6] - '0'] = SnapZoomFactor(ToDouble(value));
        } else if (key == "GRID") {
            auto f = SplitCommas(value);
            pages[target].gridX = static_cast<int32_t>(ToLong(f[0]));
            pages[target].gridY = f.size() > 1 ? static_cast<int32_t>(ToLong(f[1])) : 0;
        } else if (key.size() == 14 && key.compare(1, 13, ".PRINTPREVIEW") == 0) {
            const char* letter = std::find(kAnalysisLetters, kAnalysisLetters + 3, key[0]);
            if (letter == kAnalysisLetters + 3)
                continue;
            PrintPreviewSetting& pp = pages[target].preview[letter - kAnalysisLetters];
            auto f = SplitCommas(value);
            pp.on = IsOn(f[0].c_str()) ? 1 : 0;
            for (size_t i = 0; i < 4; ++i)
                pp.place[i] = i + 1 < f.size() ? ToDouble(f[i + 1]) : 0;
        }
    }
    return 0;
}

int CircuitFile::TextAreaSection()
{
    if (writing_) {
        Header("Text Area");
        Entry("Font", FontText(doc_->textFont));
        EntryInt("Comment Color", doc_->commentColour);
        EntryInt("Background Color", doc_->backgroundColour);
        EntryInt("Len", static_cast<long>(doc_->text.size()));
        *out_ += doc_->text;
        *out_ += '\n';
        return 0;
    }
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "FONT") {
            ParseFont(value.c_str(), doc_->textFont);
        } else if (key == "COMMENT COLOR") {
            doc_->commentColour = ParseColor(value.c_str());
        } else if (key == "BACKGROUND COLOR") {
            doc_->backgroundColour = ParseColor(value.c_str());
        } else if (key == "LEN") {
            long n = ToLong(value);
            if (n < 1) {
                doc_->text.clear();
                continue;
            }
            // The length must lie inside the file: a damaged count is not trusted.
            if (static_cast<unsigned long>(n) > in_->size() - pos_)
                return kMsgBadFormat;
            doc_->text.assign(*in_, pos_, static_cast<size_t>(n));
            pos_ += static_cast<size_t>(n);
            size_t end = in_->find('\n', pos_);
            pos_ = end == std::string::npos ? in_->size() : end + 1;
        }
    }
    return 0;
}

int CircuitFile::PrinterSection()
{
    if (writing_) {
        Header("Printer");
        for (int a = 0; a < 3; ++a) {
            Entry(Fmt("%c.AutoTile", kAnalysisLetters[a]).c_str(), doc_->printAutoTile[a] ? "Yes" : "No");
            Entry(Fmt("%c.BlackBorder", kAnalysisLetters[a]).c_str(), doc_->printBlackBorder[a] ? "Yes" : "No");
        }
        return 0;
    }
    std::string key, value;
    while (NextEntry(key, value)) {
        for (int a = 0; a < 3; ++a) {
            if (EqualNoCase(key, Fmt("%c.AutoTile", kAnalysisLetters[a])))
                doc_->printAutoTile[a] = IsYes(value.c_str()) ? 1 : 0;
            else if (EqualNoCase(key, Fmt("%c.BlackBorder", kAnalysisLetters[a])))
                doc_->printBlackBorder[a] = IsYes(value.c_str()) ? 1 : 0;
        }
    }
    return 0;
}

// ---- Sections kept as read ----

int CircuitFile::KeepSection(int slot)
{
    KeptSection kept;
    kept.header = header_.substr(1, header_.size() - 2);
    kept.slot = slot;
    while (!atEnd_) {
        std::string line;
        if (!NextLine(line)) {
            header_.clear();
            break;
        }
        if (line[0] == '[') {
            header_ = line;
            break;
        }
        kept.lines.push_back(line);
    }
    if (atEnd_)
        header_.clear();
    if (IsPlotWindowSection(kept.header))
        kept.lines = PlotSectionToCurrent(kept.header, kept.lines, version);
    doc_->keptSections.push_back(std::move(kept));
    return 0;
}

void CircuitFile::WriteKept(int slot)
{
    for (const KeptSection& k : doc_->keptSections) {
        if (k.slot != slot)
            continue;
        if (version < kCircuitVersion60 && EqualNoCase(k.header, "Tools"))
            continue;
        if (version < kCircuitVersion70 &&
            (EqualNoCase(k.header, "Transient") || EqualNoCase(k.header, "AC") || EqualNoCase(k.header, "DC")))
            continue;
        Header(k.header.c_str());
        const bool analysis = EqualNoCase(k.header, "Analysis");
        const std::vector<Row> rows = AnalysisWindowRows(*doc_);
        const std::vector<std::string> lines =
            IsPlotWindowSection(k.header) ? PlotSectionForVersion(k.header, k.lines, version) : k.lines;
        for (const auto& line : lines) {
            if (analysis) {
                // The window's rows as the document holds them now; keys the version
                // lacks are left out (before 6.0 the rows go to other sections).
                const std::string key = Trim(line.substr(0, line.find('=')));
                auto row = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return EqualNoCase(key, r.key); });
                if (row != rows.end()) {
                    if (version >= kCircuitVersion60)
                        Entry(row->key, RowText(*row));
                    continue;
                }
                if (!AnalysisKeyInVersion(key, version))
                    continue;
            }
            *out_ += line;
            *out_ += '\n';
        }
    }
    // A circuit without the window's section (one read from an older version) gets one
    // for the window's rows.
    if (slot == KEPT_ANALYSIS_WINDOW && version >= kCircuitVersion60 &&
        std::none_of(doc_->keptSections.begin(), doc_->keptSections.end(),
                     [](const KeptSection& k) { return EqualNoCase(k.header, "Analysis"); })) {
        Header("Analysis");
        for (const Row& row : AnalysisWindowRows(*doc_))
            Entry(row.key, RowText(row));
    }
}

// ---- [CompDef] ----

void CircuitFile::WriteCompDefs()
{
    std::set<const ComponentDef*> written;
    for (const auto& object : doc_->objects) {
        const ComponentDef* d = object->def;
        if (object->kind != OK_COMPONENT || object->editorField != 1 || !d || d == &MissingComponentPlaceholder() ||
            !written.insert(d).second)
            continue;
        Header("compdef");
        Entry("Name", d->name);
        Entry("Definition", IsValidComponentType(d->type) && ComponentTypeTable[d->type].definitionName
                                ? ComponentTypeTable[d->type].definitionName
                                : "");
        Entry("Shape", d->shape == AutoMacroShape ? std::string(kAutoMacroName)
                       : d->shape && d->shape != AutoMacroShape ? d->shape->name
                                                                : d->shapeName);
        EntryInt("Mask", d->mask & ~CM_WRITTEN);
        if (d->data1)
            EntryInt("Data1", d->data1);
        if (d->data2)
            EntryInt("Data2", d->data2);
        if (!d->memo.empty())
            Entry("memo", d->memo);
        Entry("Label Offset", Fmt("%d,%d,%d,%d", d->labelOffsets[0], d->labelOffsets[1], d->labelOffsets[2],
                                  d->labelOffsets[3]));
        EntryInt("PinCnt", d->PinCount());
        bool userPins = IsValidComponentType(d->type) && ComponentTypeTable[d->type].pinNameBase == PNB_USER;
        for (int i = 0; i < d->PinCount(); ++i) {
            const ComponentPin& p = d->pins[i];
            std::string v = "\"" + PackLineBreaks(GetPinName(*d, i)) + "\"";
            if (userPins) {
                if (PinHasSecondName(*d, i))
                    v += ",\"" + GetPinSecondName(*d, i) + "\"";
                // A pin without a text has no kind letter: its field stays empty.
                v += ",";
                if (char kind = GetPinKind(*d, i))
                    v += kind;
            }
            v += Fmt(",%d,%d", p.x, p.y);
            if (p.nameDx || p.nameDy)
                v += Fmt(",%d,%d", p.nameDx, p.nameDy);
            Entry("Pin", v);
        }
        if (d->shape == AutoMacroShape)
            Entry("AutoRect", Fmt("%d %d %d %d", d->macroBox[0], d->macroBox[1], d->macroBox[2], d->macroBox[3]));
        if (d->cost)
            Entry("Cost", Fmt("%.8g", d->cost));
        if (d->power)
            Entry("Power", Fmt("%.8g", d->power));
    }
}

int CircuitFile::CompDefSection()
{
    auto def = std::make_unique<ComponentDef>();
    def->Clear();
    def->group = -1;
    int pinIndex = 0;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "NAME") {
            def->name = value;
        } else if (key == "DEFINITION") {
            int type = ComponentTypeFromDefinitionName(value);
            def->type = type < 0 ? 0 : type;
        } else if (key == "MASK") {
            def->mask = static_cast<uint16_t>(ToLong(value));
        } else if (key == "DATA1") {
            def->data1 = static_cast<int16_t>(ToLong(value));
        } else if (key == "DATA2") {
            def->data2 = static_cast<int16_t>(ToLong(value));
        } else if (key == "MEMO") {
            def->memo = value;
        } else if (key == "LABEL OFFSET") {
            auto f = SplitCommas(value);
            for (size_t i = 0; i < 4; ++i)
                def->labelOffsets[i] = i < f.size() ? static_cast<int16_t>(ToLong(f[i])) : 0;
        } else if (key == "PINCNT") {
            // Every pin has a "Pin" line of at least 6 bytes after this one: a count the
            // rest of the file cannot hold is damage, not a reason to allocate.
            long n = ToLong(value);
            if (n < 0 || static_cast<size_t>(n) > kMaxPins || static_cast<size_t>(n) * 6 > in_->size() - pos_)
                return kMsgBadFormat;
            def->pins.assign(static_cast<size_t>(n), ComponentPin());
        } else if (key == "PIN") {
            int n = pinIndex++;
            if (n >= def->PinCount())
                continue;
            std::string rest = value, name, second;
            ParseQuotedField(name, rest);
            bool userPins = IsValidComponentType(def->type) && ComponentTypeTable[def->type].pinNameBase == PNB_USER;
            char kind = 0;
            if (userPins) {
                std::string lead = Trim(rest);
                if (!lead.empty() && lead[0] == '"')
                    ParseQuotedField(second, rest);
                auto f = SplitCommas(rest);
                kind = f[0].empty() ? 0 : f[0][0];
                rest = rest.find(',') == std::string::npos ? std::string() : rest.substr(rest.find(',') + 1);
                if (kind)
                    SetPinName(*def, n, kind, name, second.empty() ? nullptr : &second);
            }
            auto f = SplitCommas(rest);
            ComponentPin& p = def->pins[n];
            p.x = static_cast<int16_t>(ToLong(f[0]));
            p.y = f.size() > 1 ? static_cast<int16_t>(ToLong(f[1])) : 0;
            p.nameDx = f.size() > 2 ? static_cast<int16_t>(ToLong(f[2])) : 0;
            p.nameDy = f.size() > 3 ? static_cast<int16_t>(ToLong(f[3])) : 0;
        } else if (key == "SHAPE") {
            def->shapeName = value;
            def->shape = FindShapeByName(value);
            if (def->shape)
                SetComponentShape(*def, def->shape);
        } else if (key == "AUTORECT") {
            int box[4] = {};
            std::sscanf(value.c_str(), "%d %d %d %d", &box[0], &box[1], &box[2], &box[3]);
            for (int i = 0; i < 4; ++i)
                def->macroBox[i] = static_cast<int16_t>(box[i]);
        } else if (key == "COST") {
            def->cost = ToDouble(value);
        } else if (key == "POWER") {
            def->power = ToDouble(value);
        }
    }
    if (def->memo.empty())
        def->memo = "";
    if (def->name.empty())
        return 0;
    // An equal definition is used as it is. A missing one stays with the document under
    // its name; one whose name is taken by a different definition stays under the first
    // free numbered name (an equal definition under a numbered name is used instead), and
    // the parts of this file that name it are redirected to it.
    const std::string original = def->name;
    auto findDefinition = [&](const std::string& name) -> ComponentDef* {
        if (ComponentDef* e = FindComponentByName(name, &MissingComponentPlaceholder(), false))
            return e;
        for (const auto& local : doc_->localDefinitions)
            if (EqualNoCase(local->name, name))
                return local.get();
        return nullptr;
    };
    ComponentDef* existing = findDefinition(original);
    if (existing && !DefinitionsDiffer(*def, *existing)) {
        localMap_[Upper(original)] = existing;
        return 0;
    }
    if (existing) {
        for (int k = 1;; ++k) {
            std::string candidate = original + std::to_string(k);
            ComponentDef* numbered = findDefinition(candidate);
            if (numbered && !DefinitionsDiffer(*def, *numbered)) {
                localMap_[Upper(original)] = numbered;
                return 0;
            }
            if (!numbered) {
                def->name = candidate;
                break;
            }
        }
    }
    localMap_[Upper(original)] = def.get();
    doc_->localDefinitions.push_back(std::move(def));
    return 0;
}

// ---- Reading ----

int CircuitFile::ReadHeader(const char* password)
{
    std::string line;
    if (in_->size() >= 24 && in_->compare(0, 4, std::string("CRP\0", 4)) == 0) {
        int code = ReadProtectedBytes(*in_, password, plain_, wrongPassword);
        if (code)
            return code;
        if (!password || wrongPassword) {
            doc_->locked = true;
            if (!(loadFlags & kLoadHidden))
                return kMsgWrongPassword;
        }
        in_ = &plain_;
        pos_ = 0;
    }
    if (!NextLine(line))
        return kMsgBadFormat;
    line = line.substr(0, 50);
    if (EqualNoCase(line, "[Main]")) {
        header_ = line;
        int code = MainSection();
        if (code)
            return code;
        if (version < kCircuitVersion520)
            return kMsgBadFormat;
        if (version > 0x7ffff && !(loadFlags & kLoadQuiet))
            ReportMessage("E", kMsgNewerVersion, version >> 16);
        return 0;
    }
    version = ParseVersion(line.c_str());
    std::string marker;
    if (!NextLine(marker))
        return kMsgBadFormat;
    marker = marker.substr(0, 40);
    if (version == kCircuitVersion4) {
        if (!EqualNoCase(marker, "Ombrelic IV"))
            return kMsgBadFormat;
    } else if (version >= kCircuitVersion500 && version <= kCircuitVersion503) {
        if (!EqualNoCase(marker, "Ombrelic V"))
            return kMsgBadFormat;
    } else {
        return kMsgMustConvert;
    }
    std::string maker;
    if (!NextLine(maker) || maker != "Tessellane Software")
        return kMsgBadFormat;
    return ReadOldLayoutFile();
}

int CircuitFile::ReadSections()
{
    while (!header_.empty()) {
        const SectionRow* row = FindSectionRow(header_);
        int code = 0;
        if (!row || (row->plotSection && (loadFlags & kLoadSkipAnalysis))) {
            std::string key, value;
            while (NextEntry(key, value)) {
            }
            continue;
        }
        int after = KEPT_ANALYSIS_WINDOW;  // where a [Tools] or [AObject] after it belongs
        switch (row->id) {
        case S_MAIN: code = MainSection(); break;
        case S_COMPDEF: code = CompDefSection(); break;
        case S_SHAPEDEF: code = KeepSection(KEPT_DEFINITIONS); break;
        case S_COMP: code = CompSection(); break;
        case S_ATTR: code = AttrSection(); break;
        case S_WIRE: code = WireSection(); break;
        case S_NODE_OFFSETS: code = NodeOffsetsSection(); break;
        case S_CONDITION_OFFSETS: code = KeepSection(KEPT_AFTER_OBJECTS); break;
        case S_GRID_TEXT: current_ = nullptr; code = GridTextSection(false); break;
        case S_FLAG: current_ = nullptr; code = GridTextSection(true); break;
        case S_OBJECT: code = ObjectSection(); break;
        case S_CIRCUIT: code = CircuitSection(); break;
        case S_FONT_AND_COLOR: code = FontAndColorSection(); break;
        case S_WINDOW_PLACEMENT: code = WindowPlacementSection(); break;
        case S_PAGE: code = PageSection(); break;
        case S_TEXT_AREA: code = TextAreaSection(); break;
        case S_PRINTER: code = PrinterSection(); break;
        case S_SCHEMATIC: code = SchematicSection(); after = KEPT_SCHEMATIC_TOOLS; break;
        case S_TRANSIENT: case S_AC: case S_DC: code = KeepSection(KEPT_ANALYSIS_WINDOW); break;
        case S_ANALYSIS: {
            code = KeepSection(KEPT_ANALYSIS_WINDOW);
            const std::vector<Row> rows = AnalysisWindowRows(*doc_);
            for (const std::string& line : doc_->keptSections.back().lines) {
                const size_t eq = line.find('=');
                ReadRow(rows, Trim(line.substr(0, eq)), eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1)));
            }
            break;
        }
        case S_MC_OPTIONS: code = MonteCarloOptionsSection(-1); after = KEPT_PLOT_WINDOWS; break;
        case S_MONTE_CARLO: case S_GRAPH3D: case S_PERFORMANCE: case S_PERF_WAVEFORM:
            code = KeepSection(KEPT_PLOT_WINDOWS);
            after = KEPT_PLOT_WINDOWS;
            break;
        case S_LIMITS: code = LimitsSection(-1); after = KEPT_RUN_TOOLS; break;
        case S_WAVEFORM: code = WaveFormSection(nullptr, -1); after = KEPT_RUN_TOOLS; break;
        case S_STEPPING: code = SteppingSection(); after = KEPT_RUN_TOOLS; break;
        case S_OPTIMIZE: case S_WATCH: case S_BREAKPOINT: code = KeepSection(KEPT_RUN_TOOLS); after = KEPT_RUN_TOOLS; break;
        case S_DSP: code = DSPSection(); after = KEPT_RUN_TOOLS; break;
        case S_TF: code = TFSection(); after = KEPT_SENSITIVITY; break;
        case S_SENS: code = SensitivitySection(); after = KEPT_SENSITIVITY; break;
        case S_TOOLS: case S_AOBJECT: code = KeepSection(toolsSlot_); after = toolsSlot_; break;
        }
        // A tool bar and graphic objects belong to the window whose section they follow,
        // and go back to where the writer puts that window's sections.
        toolsSlot_ = after;
        if (code)
            return code;
    }
    return 0;
}

void CircuitFile::FinishLoad()
{
    CircuitDocument& d = *doc_;
    int count = std::max<int>(static_cast<int>(d.pages.size()), 1);
    for (const auto& o : d.objects)
        count = std::max(count, o->page + 1);
    for (const auto& t : d.gridTexts)
        count = std::max(count, t->page + 1);
    d.pages.resize(static_cast<size_t>(count));
    for (int32_t& page : d.schematic.panePage)
        if (page < 0 || page >= count)
            page = 0;
    if (version < kCircuitVersion70)
        for (PageRecord& p : d.pages)
            for (double& z : p.zoom)
                z = d.schematic.scale;
    if (screenChanged)
        d.placements = CircuitPlacements();
    if (version < kCircuitVersion520)
        for (size_t i = 0; i < d.pages.size(); ++i)
            d.pages[i].name = Fmt("Page %d", static_cast<int>(i) + 1);
    for (auto& object : d.objects) {
        CircuitObject& part = *object;
        int type = part.kind == OK_COMPONENT && part.def ? part.def->type : -1;
        if (version <= kCircuitVersion520 && type == CT_SAMPLE_AND_HOLD) {
            // 5.20 kept the input expression under the name "EXPR".
            if (AttrNode* expr = part.FindAttrByName("EXPR"); expr && expr->id == 0) {
                if (AttrNode* input = part.FindAttr(ATTR_INPUT_EXPR)) {
                    input->value = expr->value;
                    part.attrs.erase(part.attrs.begin() + (expr - part.attrs.data()));
                } else {
                    expr->SetName("INPUT EXPR");
                }
            }
        } else if (version <= kCircuitVersion520 && type == CT_CORE) {
            if (AttrNode* size = part.FindAttrByName("Size"); size && size->id == 0)
                part.attrs.erase(part.attrs.begin() + (size - part.attrs.data()));
        } else if (type == CT_MACRO && version < kCircuitVersion70 && !(loadFlags & kLoadNoMacroFixup)) {
            if (const AttrNode* value = part.FindAttr(ATTR_VALUE)) {
                std::string call = value->value;
                std::string file = call.substr(0, call.find('('));
                file.erase(0, file.find_first_not_of(" \t"));
                file.erase(file.find_last_not_of(" \t") + 1);
                ConvertMacroValueAttr(part, macroParameters_.For(file, d.path));
            }
        } else if (type == CT_MACRO && version >= kCircuitVersion70 && !(loadFlags & kLoadNoMacroFixup)) {
            // The "Param:" attributes of a macro part follow its FILE attribute, in order.
            auto isParam = [](const AttrNode& a) {
                return a.id == 0 && a.userName.size() >= 6 && EqualNoCase(a.userName.substr(0, 6), "Param:");
            };
            std::vector<AttrNode> params, others;
            for (AttrNode& a : part.attrs)
                (isParam(a) ? params : others).push_back(std::move(a));
            auto file = std::find_if(others.begin(), others.end(), [](const AttrNode& a) { return a.id == ATTR_FILE; });
            size_t at = file == others.end() ? others.size() : static_cast<size_t>(file - others.begin()) + 1;
            others.insert(others.begin() + static_cast<long>(at), std::make_move_iterator(params.begin()),
                          std::make_move_iterator(params.end()));
            part.attrs = std::move(others);
        }
    }
    d.fileVersion = version;
    d.needsNumbering = true;
}

int CircuitFile::Compose(CircuitDocument& doc, int32_t saveVersion, std::string& out)
{
    writing_ = true;
    doc_ = &doc;
    out_ = &out;
    out.clear();
    version = saveVersion;
    current_ = nullptr;
    if (version < kCircuitVersion520) {
        WriteOldLayout();
        writing_ = false;
        return 0;
    }
    MainSection();
    WriteKept(KEPT_DEFINITIONS);
    if (version >= kCircuitVersion70)
        WriteCompDefs();
    if (version < kCircuitVersion60) {
        FontAndColorSection();
        WindowPlacementSection();
    } else {
        CircuitSection();
    }
    WriteObjects();
    NodeOffsetsSection();
    WriteKept(KEPT_AFTER_OBJECTS);
    for (auto& t : doc.gridTexts) {
        currentText_ = t.get();
        GridTextSection(false);
    }
    currentText_ = nullptr;
    SchematicSection();
    if (version >= kCircuitVersion60)
        WriteKept(KEPT_SCHEMATIC_TOOLS);
    PageSection();
    TextAreaSection();
    PrinterSection();
    WriteAnalysisSetup();
    writing_ = false;
    return 0;
}

int CircuitFile::Parse(const std::string& bytes, CircuitDocument& doc, int flags, const char* password)
{
    CircuitDocument fresh;
    fresh.kind = doc.kind;
    fresh.path = doc.path;
    fresh.displayName = doc.displayName;
    fresh.hidden = doc.hidden;
    fresh.pages.clear();
    writing_ = false;
    doc_ = &fresh;
    in_ = &bytes;
    pos_ = 0;
    atEnd_ = false;
    header_.clear();
    loadFlags = flags;
    current_ = nullptr;
    toolsSlot_ = KEPT_ANALYSIS_WINDOW;
    localMap_.clear();
    oldLayoutChanged_ = false;
    int code = ReadHeader(password);
    if (!code)
        code = ReadSections();
    in_ = nullptr;
    doc_ = nullptr;
    if (code)
        return code;
    doc_ = &fresh;
    FinishAnalysisSetup();
    FinishLoad();
    doc_ = nullptr;
    fresh.modified = localDefinitionsUsed || oldLayoutChanged_;
    fresh.companion = std::move(doc.companion);
    doc = std::move(fresh);
    return 0;
}

// ---- Files ----

int ReplaceWithTempFile(const std::string& temp, const std::string& target)
{
    const std::string backup = target + "_bak";
    std::remove(backup.c_str());
    const bool kept = std::rename(target.c_str(), backup.c_str()) == 0;
    const int result = std::rename(temp.c_str(), target.c_str());
    // A replacement that fails leaves the target where it was, not only in the backup.
    if (result != 0 && kept)
        std::rename(backup.c_str(), target.c_str());
    return result;
}

int SaveCircuitFile(CircuitDocument& doc, const std::string& path, int32_t version)
{
    std::string text;
    CircuitFile stream;
    stream.Compose(doc, version, text);
    SetPendingMessageText(path.c_str());
    // A link stays a link: its target takes the new content (and keeps the backup).
    const std::string target = SaveTargetPath(path);
    if (IsReadOnlyFile(target))
        return 16000 + EACCES;
    const std::string temp = target + "$$TEMP$$";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return 16000 + errno;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fflush(f) == 0) && ok;
    int closeFailed = std::fclose(f);
    if (!ok || closeFailed) {
        std::remove(temp.c_str());
        return kMsgWriteError;
    }
    // The target is replaced only by a complete file; a failed rename leaves the new
    // content in the temporary file and the target as it was.
    if (ReplaceWithTempFile(temp, target) != 0)
        return kMsgWriteError;
    doc.modified = false;
    doc.fileVersion = version;
    return 0;
}

int ReadCircuitFile(CircuitDocument& doc, const std::string& path, CircuitFile& stream, int flags,
                    const char* password)
{
    SetPendingMessageText(path.c_str());
    // Only a plain file is a circuit: a folder or a device is not read.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 15022;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return errno == ENOENT ? 15022 : 16000 + errno;
    std::string bytes;
    std::fseek(f, 0, SEEK_END);
    long length = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (length < 0 || length > kMaxCircuitFileBytes) {
        std::fclose(f);
        return kMsgInsufficientMemory;
    }
    bytes.resize(static_cast<size_t>(length));
    size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (got != bytes.size())
        return 15007;
    int code = stream.Parse(bytes, doc, flags, password);
    if (code)
        return code;
    doc.path = path;
    doc.displayName = FileNameOfPath(path);
    return 0;
}

}  // namespace ob7
