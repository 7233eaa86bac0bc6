// The old line layout of circuit files (versions 4 and 5.00 to 5.03): fixed blocks of
// comma-separated values separated by marker lines, read into the current document
// model and converted. Every count is checked against the bytes left, so a damaged file
// ends in 15009 or 15007 and never reads past its end.

#include "circuit/circuit_file.h"
#include "circuit/file_values.h"
#include "circuit/old_conversions.h"
#include "foundation/messages.h"
#include "foundation/profile.h"
#include "foundation/textfile.h"
#include "libraries/component_library.h"
#include "libraries/component_types.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace ob7 {

using namespace file_values;

namespace {

constexpr int kMsgVersion4Macro = 13505;
constexpr int kMsgVersion4Nodes = 13503;
constexpr int kMsgAlreadyReported = 15055;
constexpr int kMaxOldFaces = 256;
constexpr int kMaxOldRows = 1000;
constexpr int kMaxOldTexts = 64;

long BytesLeft(const TextFile& f)
{
    return f.bufferLength - f.readPosition;
}

// A count read from the file: not negative and not more than the bytes left could hold,
// at `perItem` bytes an item at least.
int Count(TextFile& f, int32_t& n, long perItem, long limit)
{
    int code = Serial::Int(f, n);
    if (code)
        return code;
    if (n < 0 || n > limit || n > BytesLeft(f) / perItem)
        return kMsgBadFormat;
    return 0;
}

// A text field. Texts are trimmed, as the sectioned files keep them.
int Line(TextFile& f, std::string& text)
{
    int code = f.ReadLine(text);
    text = Trim(text.substr(0, text.find('\0')));  // a text ends at a NUL
    return code;
}

// A text that may hold several lines (CR written as 0xFE).
int MultiLine(TextFile& f, std::string& text)
{
    std::string raw;
    int code = f.ReadLine(raw);
    text = UnpackLineBreaks(Trim(raw.substr(0, raw.find('\0'))));
    return code;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string RemoveChar(std::string text, char c)
{
    text.erase(std::remove(text.begin(), text.end(), c), text.end());
    return text;
}

bool StartsNoCase(const std::string& text, const char* prefix)
{
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

// Version-4 size and style flags as a font: the size (at least 8) as a negative height
// two below it; flags 1, 2 and 4 are bold, italic and underline.
void Version4Font(FontRef& font, int size, int flags)
{
    font.height = static_cast<int16_t>(-std::max(size, 8) - 2);
    font.style = static_cast<uint8_t>(((flags & 1) ? kFontBold : 0) | ((flags & 2) ? kFontItalic : 0) |
                                      ((flags & 4) ? kFontUnderline : 0));
}

FontRef ToFontRef(const FontRecord& f)
{
    FontRef r;
    r.height = f.height;
    r.face = f.face;
    r.style = f.style;
    r.colour = f.color;
    return r;
}

bool EqualsNoCase(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

// Colours of the old layout are the sixteen basic slots (the writer keeps the low four
// bits of any other) or "none".
uint8_t OldColour(int32_t colour)
{
    if (colour == kNoColor)
        return kNoColor;
    return static_cast<uint8_t>(colour < 0 ? 0 : colour & 15);
}

const char* const kMonitorTitles[3] = {"Transient Analysis", "AC Analysis", "DC Analysis"};

}  // namespace

int CircuitFile::ReadOldFont(TextFile& f, FontRef& font)
{
    int32_t height = 0, style = 0, face = 0, zero = 0, colour = 0;
    int code = Serial::Int(f, height);
    if (!code && height != 0) {
        code = Serial::Int(f, style);
        if (!code)
            code = Serial::Int(f, face);
        if (!code)
            code = Serial::Int(f, zero);
    }
    if (!code && version >= 0x50001)
        code = Serial::Int(f, colour);
    if (code)
        return code;
    font.height = static_cast<int16_t>(height);
    font.style = static_cast<uint8_t>(style);
    font.face = face >= 0 && face < static_cast<int32_t>(oldFaces_.size()) ? oldFaces_[static_cast<size_t>(face)] : 0;
    font.colour = OldColour(colour);
    return 0;
}

int CircuitFile::ReadOldFontRecord(TextFile& f, FontRecord& font)
{
    FontRef r;
    r.colour = font.color;
    int code = ReadOldFont(f, r);
    if (code)
        return code;
    font.height = r.height;
    font.style = r.style;
    font.face = r.face;
    if (version >= 0x50001)
        font.color = r.colour;
    return 0;
}

int CircuitFile::ReadOldHeaderAndFonts(TextFile& f)
{
    std::string ignored;
    int code = Line(f, ignored);
    if (code || version == kCircuitVersion4)
        return code;
    if ((code = Serial::Marker(f, "fonts")))
        return code;
    int32_t count = 0;
    if ((code = Count(f, count, 1, kMaxOldFaces)))
        return code;
    oldFaces_.clear();
    for (int i = 0; i < count; ++i) {
        std::string face;
        if ((code = Line(f, face)))
            return code;
        // Faces are kept in entries of 31 characters; a longer name is cut there. Control
        // characters are no part of a face name.
        face.erase(std::remove_if(face.begin(), face.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
                   face.end());
        face = Trim(Trim(face).substr(0, kMaxFaceName));
        oldFaces_.push_back(static_cast<uint16_t>(FontFaceIndex(face.c_str())));
    }
    return 0;
}

void CircuitFile::ConvertVersion4Part(CircuitObject& part, const std::string& valueText)
{
    const int type = part.def ? part.def->type : -1;
    const std::string value = ReplaceAll(valueText, "^", "**");
    const FontRef font = ToFontRef(doc_->appearance.attributeText);
    auto show = [&](AttrNode& a) {
        a.flags = AF_SHOW_VALUE;
        a.font = font;
    };
    const size_t blank = value.find_first_of(" \t");
    const std::string first = value.substr(0, blank);
    const std::string rest = blank == std::string::npos ? std::string() : Trim(value.substr(blank));
    if (type != CT_BLANK)
        show(part.SetAttr(ATTR_PART, first));
    if (IsValidComponentType(type))
        for (int id : ComponentTypeTable[type].defaultAttrs) {
            if (!id)
                break;
            if (!part.FindAttr(id))
                part.SetAttr(id, "");
        }
    if (type == CT_TIE || !IsValidComponentType(type))
        return;
    const bool modelled = TypeHasModel(type) && !(ComponentTypeTable[type].pinSchemeFlags & PSF_VALUE_PRINCIPAL);
    if (int id = TypeFirstAttrId(type); id)
        show(part.SetAttr(id, modelled ? rest : value));
    if (modelled) {
        if (ComponentTypeTable[type].domain == 1)
            show(part.SetAttr(ATTR_TIMING_MODEL, "D0_GATE"));
        else
            show(part.SetAttr(ATTR_MODEL, value));
    }
    if (type == CT_SUBCKT) {
        show(part.SetAttr(ATTR_FILE, value));
        size_t comma = value.find(',');
        std::string name = comma == std::string::npos ? FileNameOfPath(value) : Trim(value.substr(comma + 1));
        if (comma == std::string::npos)
            name = name.substr(0, name.rfind('.'));
        show(part.SetAttr(ATTR_NAME, name));
    }
}

int CircuitFile::ReadOldObject(TextFile& f)
{
    std::string name;
    int code = Line(f, name);
    if (code)
        return code;
    name = Trim(name);
    auto object = std::make_unique<CircuitObject>();
    CircuitObject& o = *object;
    auto resolve = [&]() {
        o.def = ResolveComponent(name);
        if (!o.def) {
            std::string quoted = "'" + name + "'";
            if (!(loadFlags & kLoadNoMissingNames) && missingComponentNames.find(quoted) == std::string::npos)
                missingComponentNames += (missingComponentNames.empty() ? "" : ", ") + quoted;
            o.def = &MissingComponentPlaceholder();
            o.missingName = name;
            AttrNode& note = o.SetAttr(ATTR_TEXT, Fmt("Component '%.50s' Not Found", name.c_str()));
            note.flags = AF_NOT_FOUND_TEXT;
            note.font = ToFontRef(doc_->appearance.attributeText);
        }
    };
    if (version == kCircuitVersion4) {
        int32_t rotation = 0, skipped = 0;
        std::string valueText;
        o.kind = OK_COMPONENT;
        if ((code = Serial::Point(f, o.coords[0], o.coords[1])) || (code = Serial::Int(f, rotation)) ||
            (code = Count(f, skipped, 1, BytesLeft(f))) || (code = Serial::SkipLines(f, skipped + 1)) ||
            (code = Line(f, valueText)))
            return code;
        if (IsBadRotation(rotation, loadFlags) && !(loadFlags & kLoadNoChecks))
            return kMsgBadFormat;
        o.rotation = static_cast<int16_t>(rotation & 7);
        o.style.colour = static_cast<uint8_t>(doc_->appearance.objectDefault.color);
        resolve();
        ConvertVersion4Part(o, valueText);
        ClampGridPoint(o.coords[0], o.coords[1], loadFlags, &illegalCoordinates);
        doc_->objects.push_back(std::move(object));
        return 0;
    }
    int32_t kind = 0, colour = 0, last = 0, attrCount = 0, page = 0;
    if ((code = Serial::Int(f, kind)) || (code = Serial::Point(f, o.coords[0], o.coords[1])))
        return code;
    if (kind != OK_COMPONENT && kind != OK_WIRE && kind != OK_GRAPHIC)
        return kMsgBadFormat;
    o.kind = static_cast<int16_t>(kind);
    if (kind != OK_COMPONENT && (code = Serial::Point(f, o.coords[2], o.coords[3])))
        return code;
    if ((code = Serial::Int(f, colour)) || (code = Serial::UShort(f, o.styleWord)) || (code = Serial::Int(f, last)) ||
        (code = Count(f, attrCount, 4, 4096)))
        return code;
    o.style.colour = OldColour(colour);
    if (kind == OK_COMPONENT) {
        if (IsBadRotation(last, loadFlags))
            return kMsgBadFormat;
        o.rotation = static_cast<int16_t>(last & 7);
        resolve();
    } else if (kind == OK_GRAPHIC) {
        ConvertOldGraphicStyle(o.styleWord, o.style, OldColour(last));
    }
    for (int i = 0; i < attrCount; ++i) {
        AttrNode a;
        std::string attrName;
        int32_t flags = 0;
        if ((code = Line(f, attrName)) || (code = MultiLine(f, a.value)) || (code = Serial::Int(f, flags)) ||
            (code = ReadOldFont(f, a.font)) || (code = Serial::Point(f, a.dx, a.dy)))
            return code;
        a.SetName(Trim(attrName));
        a.flags = static_cast<uint16_t>(flags);
        a.ClampOffset();
        if (kind == OK_COMPONENT)
            o.attrs.push_back(std::move(a));
    }
    if ((code = Serial::Int(f, page)))
        return code;
    // A graphic object of no known kind is dropped, as sectioned files drop it.
    if (kind == OK_GRAPHIC && !*GraphicKindName(o.GraphicKind()))
        return 0;
    o.page = static_cast<int16_t>(std::clamp(page, 0, 32767));
    ClampGridPoint(o.coords[0], o.coords[1], loadFlags, &illegalCoordinates);
    if (kind != OK_COMPONENT)
        ClampGridPoint(o.coords[2], o.coords[3], loadFlags, &illegalCoordinates);
    doc_->objects.push_back(std::move(object));
    return 0;
}

int CircuitFile::ReadOldComponents(TextFile& f)
{
    int code = 0;
    if (version != kCircuitVersion4 && (code = Serial::Marker(f, "components")))
        return code;
    int32_t count = 0;
    if ((code = Count(f, count, 6, BytesLeft(f))))
        return code;
    for (int i = 0; i < count; ++i)
        if ((code = ReadOldObject(f)))
            return code;
    int32_t closing = 0;
    return Serial::Int(f, closing);
}

int CircuitFile::ReadOldGridText(TextFile& f)
{
    auto t = std::make_unique<GridText>();
    int32_t editor = 0, page = 0, flags = 0, size = 0;
    int code = Serial::Point(f, t->x, t->y);
    if (!code)
        code = Serial::Int(f, editor);
    if (version == kCircuitVersion4) {
        if (!code)
            code = Serial::Int(f, flags);
        if (!code)
            code = Serial::Int(f, size);
    } else {
        if (!code)
            code = Serial::Int(f, page);
        if (!code)
            code = ReadOldFont(f, t->font);
        if (!code)
            code = Serial::Int(f, flags);
    }
    if (!code)
        code = MultiLine(f, t->text);
    if (code)
        return code;
    t->editorField = editor;
    // A grid text is never empty: the placeholder the sectioned files use stands in.
    if (t->text.empty())
        t->text = "Missing text!";
    if (version == kCircuitVersion4) {
        if (StartsNoCase(t->text, ".pin")) {
            int n = std::atoi(t->text.c_str() + 4);
            if (n >= 1 && n <= 26)
                t->text = Fmt("Pin%c", 'A' + n - 1);
        } else if (StartsNoCase(t->text, ".define")) {
            t->text = ReplaceAll(t->text, "^", "**");
        }
        t->font = ToFontRef(doc_->appearance.gridText);
        Version4Font(t->font, size, flags);
        t->y = std::max(t->y, 1);
    } else {
        t->page = static_cast<int16_t>(std::clamp(page, 0, 32767));
        t->textFlags = static_cast<uint8_t>(flags);
    }
    UpdateNodeLabelFlag(*t);
    ClampGridPoint(t->x, t->y, loadFlags, &illegalCoordinates);
    doc_->gridTexts.push_back(std::move(t));
    return 0;
}

int CircuitFile::ReadOldMonitors(TextFile& f)
{
    int code = 0;
    for (int a = 0; a < 3; ++a) {
        AnalysisSetup& s = doc_->analyses[a];
        int32_t rows = 0, fields = 0;
        if ((code = Serial::Marker(f, Fmt("%s monitor", kMonitorTitles[a]).c_str())) ||
            (code = Count(f, rows, 7, kMaxOldRows)) || (code = Serial::Int(f, fields)))
            return code;
        if (fields != 5)
            return kMsgBadFormat;
        s.rows.clear();
        for (int r = 0; r < rows; ++r) {
            CurveRowRecord row;
            std::string group, format;
            if ((code = Serial::Int(f, row.options)) || (code = Line(f, group)) ||
                (code = Line(f, row.xExpression)) || (code = Line(f, row.yExpression)) ||
                (code = Line(f, row.xRange)) || (code = Line(f, row.yRange)) || (code = Line(f, format)))
                return code;
            if (group.size() > 1)
                return kMsgBadFormat;
            row.plotGroup = group.empty() ? 0 : group[0];
            size_t point = format.find('.');
            row.valueFormat[1] = point == std::string::npos ? format : format.substr(point + 1);
            s.rows.push_back(std::move(row));
        }
    }
    return 0;
}

int CircuitFile::ReadVersion4Monitors(TextFile& f)
{
    int code = 0;
    for (int a = 0; a < 3; ++a) {
        AnalysisSetup& s = doc_->analyses[a];
        int32_t fields = 0, rows = 0;
        if ((code = Count(f, fields, 1, 5)) || (code = Count(f, rows, 2, kMaxOldRows)))
            return code;
        s.rows.assign(static_cast<size_t>(rows), CurveRowRecord());
        for (int field = 0; field < fields; ++field)
            for (CurveRowRecord& row : s.rows) {
                std::string group, value;
                if ((code = Line(f, group)) || (code = Line(f, value)))
                    return code;
                if (group.size() > 1)
                    return kMsgBadFormat;
                row.plotGroup = group.empty() ? 0 : group[0];
                if (field < 4) {
                    value = ReplaceAll(value, "@", " ");
                    if (field < 2)
                        value = ReplaceAll(value, "^", "**");
                    value = RenameOldDerivative(value);
                }
                switch (field) {
                case 0: row.xExpression = value; break;
                case 1: row.yExpression = value; break;
                case 2: row.xRange = value; break;
                case 3: row.yRange = value; break;
                default: {
                    size_t point = value.find('.');
                    row.valueFormat[1] = point == std::string::npos ? value : value.substr(point + 1);
                }
                }
            }
    }
    // Option-bit words: bit r of a word stands for curve row r; words 2, 4 and 5 are
    // OUTPUT, LINEARX and LINEARY. Groups past the sixth are read and dropped.
    int32_t n = 0;
    if ((code = Count(f, n, 6, BytesLeft(f))))
        return code;
    static const int kOrder[3] = {0, 2, 1};  // transient, DC, AC
    for (int w = 0; w <= n; ++w)
        for (int k = 0; k < 3; ++k) {
            int32_t word = 0;
            if ((code = Serial::Int(f, word)))
                return code;
            const int bit = w == 2 ? CO_OUTPUT : w == 4 ? CO_LINEARX : w == 5 ? CO_LINEARY : 0;
            std::vector<CurveRowRecord>& rows = doc_->analyses[kOrder[k]].rows;
            if (bit)
                for (size_t r = 0; r < rows.size() && r < 32; ++r)
                    if (word & (1 << r))
                        rows[r].options |= bit;
        }
    return 0;
}

int CircuitFile::ReadOldStepping(TextFile& f)
{
    StepRecord& step = doc_->analyses[0].steps[0];
    int32_t n = 0;
    int code = 0;
    if (version != kCircuitVersion4) {
        if ((code = Serial::Marker(f, "stepping")) || (code = Count(f, n, 1, 5)))
            return code;
        for (int i = 0; i < n; ++i)
            if ((code = Line(f, step.texts[i])))
                return code;
        return Serial::Int(f, step.device);
    }
    if ((code = Count(f, n, 1, 3)))
        return code;
    std::string texts[4];
    for (int i = 0; i <= n; ++i)
        if ((code = Line(f, texts[i])))
            return code;
    const std::string& first = texts[0];
    const size_t dot = first.find('.');
    if (dot == std::string::npos) {
        step.texts[0] = first;
        step.texts[1] = "Value";
        step.flags = SF_COMPONENT;
    } else {
        step.texts[0] = first.substr(0, dot);
        step.texts[1] = first.substr(dot + 1);
        step.flags = std::count(first.begin(), first.end(), '.') == 1 ? SF_MODEL : SF_COMPONENT;
    }
    for (int i = 1; i <= n; ++i)
        step.texts[1 + i] = texts[i];
    return 0;
}

int CircuitFile::ReadOldAnalysisObjects(TextFile& f)
{
    // The 2-D analysis window's graphic objects are read over: the analysis window keeps
    // its own objects.
    int code = 0;
    int32_t count = 0;
    if (version == kCircuitVersion4) {
        if ((code = Count(f, count, 8, BytesLeft(f))))
            return code;
        for (int i = 0; i < count; ++i) {
            int32_t v = 0;
            double d = 0;
            std::string text;
            if ((code = Serial::Int(f, v)) || (code = Serial::Double(f, d)) || (code = Serial::Double(f, d)) ||
                (code = Serial::Int(f, v)) || (code = Serial::Int(f, v)) || (code = Serial::Int(f, v)) ||
                (code = Line(f, text)))
                return code;
        }
        return 0;
    }
    if ((code = Serial::Marker(f, "analysis elements")) || (code = Count(f, count, 10, BytesLeft(f))))
        return code;
    for (int i = 0; i < count; ++i) {
        int32_t graph = 0, analysis = 0, type = 0, pen = 0;
        double d = 0;
        if ((code = Serial::Int(f, graph)))
            return code;
        for (int k = 0; k < 5; ++k)
            if ((code = Serial::Double(f, d)))
                return code;
        if ((code = Serial::Int(f, analysis)) || (code = Serial::Int(f, type)) || (code = Serial::Int(f, pen)))
            return code;
        const int kind = type & SW_GRAPHIC_KIND;
        FontRef font;
        std::string text;
        if ((kind == 0x800 || kind == 0x900 || kind == 0xa00 || kind == 0xf00) && (code = ReadOldFont(f, font)))
            return code;
        if (kind == 0xf00 && (code = Line(f, text)))
            return code;
    }
    return 0;
}

int CircuitFile::ReadOldAnalysisSetup(TextFile& f, bool& stopped)
{
    CircuitDocument& d = *doc_;
    const bool v4 = version == kCircuitVersion4;
    int code = 0;
    // Analysis limits.
    if (!v4 && (code = Serial::Marker(f, "analysis limits")))
        return code;
    for (int a = 0; a < 3; ++a) {
        int count = 0;
        AnalysisLimitNames(a, &count);
        int32_t n = 0;
        if ((code = Serial::Int(f, n)))
            return code;
        if (a == 0 && n == -1) {
            stopped = true;
            return 0;
        }
        if (n < 0 || n + 1 > count)
            return kMsgBadFormat;
        for (int i = 0; i <= n; ++i)
            if ((code = Line(f, d.analyses[a].limits[i])))
                return code;
    }
    // No sweep methods are kept: the second sweep runs when I2 is given.
    const std::string& i2 = d.analyses[2].limits[1];
    d.analyses[2].sweep[0] = 0;
    d.analyses[2].sweep[1] = (!i2.empty() && !EqualsNoCase(i2, "None") && i2 != "0") ? kDcSweepLinear : 0;
    // Run options.
    if (!v4 && (code = Serial::Marker(f, "analysis options")))
        return code;
    int32_t acExtra = 0;
    for (int a = 0; a < 3; ++a) {
        if (!v4) {
            if ((code = Serial::Int(f, d.analyses[a].options)))
                return code;
            continue;
        }
        std::string letters;
        if ((code = Line(f, letters)))
            return code;
        d.analyses[a].options = Version4OptionBits(letters, a, acExtra);
    }
    d.analyses[1].options |= acExtra;
    if ((code = v4 ? ReadVersion4Monitors(f) : ReadOldMonitors(f)))
        return code;
    // Monte Carlo: a count of texts, then per analysis its flags and texts; the first
    // text is the number of runs.
    if (version >= 0x50002 && (code = Serial::Marker(f, "monte carlo")))
        return code;
    int32_t n = 0;
    if ((code = Count(f, n, 3, kMaxOldTexts)))
        return code;
    for (int a = 0; a < 3; ++a) {
        AnalysisSetup& s = d.analyses[a];
        if (v4) {
            std::string distribution;
            if ((code = Line(f, distribution)))
                return code;
            char c = distribution.empty() ? 0 : distribution[0];
            if (c == '1' && distribution.size() > 1)
                c = distribution[1];
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            s.monteCarloFlags = c == 'B' ? 1 : c == 'C' ? 2 : c == 'D' ? 3 : s.monteCarloFlags;
        } else if ((code = Serial::Int(f, s.monteCarloFlags))) {
            return code;
        }
        for (int i = 0; i < n; ++i) {
            std::string text;
            if ((code = Line(f, text)))
                return code;
            if (i == 0)
                s.monteCarloRuns = Trim(text.substr(0, 12));
        }
        if (v4 && std::atoi(s.monteCarloRuns.c_str()) > 1)
            s.monteCarloFlags |= kMonteCarloOn;
        // As in sectioned files, no distribution reads as Normal.
        if (!(s.monteCarloFlags & 3))
            s.monteCarloFlags |= 1;
    }
    if (version >= 0x50002) {
        int32_t count = 0;
        if ((code = Serial::Marker(f, "dsp")) || (code = Serial::Int(f, count)))
            return code;
        for (int a = 0; a < 2; ++a) {
            if ((code = Serial::Int(f, d.dsp.status[a])) || (code = Line(f, d.dsp.max[a])) ||
                (code = Line(f, d.dsp.min[a])) || (code = Line(f, d.dsp.points[a])))
                return code;
            for (std::string* t : {&d.dsp.max[a], &d.dsp.min[a], &d.dsp.points[a]})
                *t = Trim(t->substr(0, 19));  // fields of 20 bytes
        }
    }
    if ((code = ReadOldStepping(f)) || (code = ReadOldAnalysisObjects(f)))
        return code;
    if (!v4 && ((code = Serial::Marker(f, "analysis optimize")) || (code = Serial::SkipLines(f, 3))))
        return code;
    // Stepping method.
    StepRecord& step = d.analyses[0].steps[0];
    if (!v4) {
        if ((code = Serial::Int(f, step.flags)))
            return code;
    } else {
        std::string method;
        if ((code = Serial::SkipLines(f, 3)) || (code = Line(f, method)))
            return code;
        step.flags |= Trim(method) == "1b" ? SF_LOG : SF_LINEAR;
        if (EqualsNoCase(Trim(step.texts[0]), "NONE"))
            step.texts[0].clear();
        if (!Trim(step.texts[0]).empty())
            step.flags |= SF_ENABLED;
    }
    if (!(step.flags & (SF_MODEL | SF_COMPONENT | SF_SYMBOLIC)))
        step.flags = SF_LINEAR | SF_COMPONENT;
    if ((code = Serial::SkipLines(f, 4)))
        return code;
    if (v4) {
        int32_t dropped = 0;
        if ((code = Serial::Int(f, dropped)))
            return code;
        d.schematic.viewBits = (d.schematic.viewBits | 0x30) & ~0x2;
        d.text.clear();
    }
    return 0;
}

int CircuitFile::ReadOldWindowBlocks(TextFile& f)
{
    CircuitDocument& d = *doc_;
    int code = Serial::Marker(f, "window placement");
    WindowPlacement* placements[5] = {&d.placements.circuit, &d.placements.circuitInAnalysis, &d.placements.analysis,
                                      &d.placements.circuitInProbe, &d.placements.analysisInProbe};
    for (WindowPlacement* p : placements) {
        int32_t v[10];
        for (int32_t& x : v)
            if (!code)
                code = Serial::Int(f, x);
        if (code)
            return code;
        p->length = 44;
        p->flags = static_cast<uint32_t>(v[0]);
        p->showCommand = static_cast<uint32_t>(v[1]);
        p->minX = v[2], p->minY = v[3], p->maxX = v[4], p->maxY = v[5];
        p->normal = {v[6], v[7], v[8], v[9]};
    }
    FontRecord grid, background, dropped;
    if ((code = Serial::Marker(f, "window font colors")) || (code = ReadOldFontRecord(f, d.analysisLook.text)) ||
        (code = ReadOldFontRecord(f, grid)) || (code = ReadOldFontRecord(f, background)) ||
        (code = ReadOldFontRecord(f, d.analysisLook.numericOutput)) || (code = ReadOldFontRecord(f, dropped)))
        return code;
    d.analysisLook.gridColour = grid.color;
    d.analysisLook.graphBackground = background.color;
    if (version >= kCircuitVersion503 && ((code = ReadOldFontRecord(f, d.appearance.objectDefault)) ||
                                          (code = ReadOldFontRecord(f, d.analysisLook.object))))
        return code;
    SchematicSettings& s = d.schematic;
    if ((code = Serial::Marker(f, "schematic options")) || (code = Serial::Double(f, s.scale)) ||
        (code = Serial::Double(f, s.printerScale)) || (code = Serial::Int(f, s.viewBits)))
        return code;
    // Scales are zoom steps; any other value reads as 1. Bits 6 and 7 of the view word
    // are the title block's border and the title block itself.
    s.scale = SnapZoomFactor(s.scale);
    d.titleBlock.border = (s.viewBits & 0x40) ? 1 : 0;
    d.titleBlock.show = (s.viewBits & 0x80) ? 1 : 0;
    s.viewBits &= ~0xC0;
    int32_t pages = 0, dropped32 = 0;
    if ((code = Serial::Marker(f, "quads")))
        return code;
    for (int32_t& p : s.panePage)
        if ((code = Serial::Int(f, p)))
            return code;
    if ((code = Count(f, pages, 20, 32767)) || (code = Serial::Int(f, s.splitterX)) ||
        (code = Serial::Int(f, s.splitterY)) || (code = Serial::Int(f, dropped32)) ||
        (code = Serial::Int(f, dropped32)))
        return code;
    d.pages.assign(static_cast<size_t>(std::max(pages, 1)), PageRecord());
    for (int p = 0; p < pages; ++p) {
        PageRecord& page = d.pages[static_cast<size_t>(p)];
        for (int q = 0; q < 4; ++q)
            if ((code = Serial::Int(f, page.scrollX[q])) || (code = Serial::Int(f, page.scrollY[q])) ||
                (code = Serial::Int(f, dropped32)) || (code = Serial::Int(f, dropped32)))
                return code;
        if ((code = Serial::Point(f, page.gridX, page.gridY)))
            return code;
    }
    if ((code = Serial::Int(f, s.textQuad)))
        return code;
    CircuitAppearance& a = d.appearance;
    FontRecord pin = a.pinConnection;
    int32_t componentColour = 0, wireColour = 0, pinColour = 0, voltageColour = 0;
    if ((code = Serial::Marker(f, "circuit fonts and colors")) || (code = Serial::Int(f, a.background)) ||
        (code = ReadOldFontRecord(f, a.gridText)) || (code = ReadOldFontRecord(f, a.objectDefault)) ||
        (code = Serial::Int(f, componentColour)) || (code = ReadOldFontRecord(f, a.attributeText)) ||
        (code = Serial::Int(f, wireColour)) || (code = Serial::Int(f, a.selectColour)) ||
        (code = Serial::Int(f, pinColour)) || (code = Serial::Int(f, a.selectBoxColour)) ||
        (code = ReadOldFontRecord(f, a.nodeNumber)) || (code = Serial::Int(f, voltageColour)) ||
        (code = Serial::Int(f, a.digitalPathColour)) || (code = ReadOldFontRecord(f, a.titleBlock)) ||
        (code = Serial::SkipLines(f, 10)))
        return code;
    // Colour slots as the sectioned files read them.
    auto slot = [](int32_t colour) { return colour == kNoColor ? colour : ParseColor(std::to_string(colour).c_str()); };
    a.background = slot(a.background);
    a.selectColour = slot(a.selectColour);
    a.selectBoxColour = slot(a.selectBoxColour);
    a.digitalPathColour = slot(a.digitalPathColour);
    a.componentColour = static_cast<uint8_t>(slot(componentColour));
    a.wireColour = static_cast<uint8_t>(slot(wireColour));
    a.pinConnection = pin;
    a.pinConnection.color = static_cast<uint8_t>(slot(pinColour));
    a.nodeVoltageColour = static_cast<uint8_t>(slot(voltageColour));
    int32_t length = 0;
    if ((code = Serial::Marker(f, "text page data")) || (code = ReadOldFontRecord(f, d.textFont)) ||
        (code = Serial::Int(f, length)) || (code = Serial::Marker(f, "text page")))
        return code;
    if (length < 0 || length > BytesLeft(f))
        return kMsgBadFormat;
    d.text.assign(f.buffer + f.readPosition, static_cast<size_t>(length));
    f.readPosition += length;
    return 0;
}

int CircuitFile::ReadOldLayout(TextFile& f, bool& stopped)
{
    int code = 0;
    if (version != kCircuitVersion4 && (code = Serial::Marker(f, "grid text")))
        return code;
    int32_t count = 0;
    if ((code = Count(f, count, 6, BytesLeft(f))))
        return code;
    for (int i = 0; i < count; ++i)
        if ((code = ReadOldGridText(f)))
            return code;
    if ((code = ReadOldAnalysisSetup(f, stopped)) || stopped)
        return code;
    if (version == kCircuitVersion4)
        return 0;
    return ReadOldWindowBlocks(f);
}

void CircuitFile::ConvertVersion4Document()
{
    CircuitDocument& d = *doc_;
    for (size_t i = 0; i < d.objects.size(); ++i) {
        CircuitObject& o = *d.objects[i];
        if (o.kind == OK_COMPONENT && o.def && o.def->type == CT_SHORT)
            ConvertShortToWire(d, i);
    }
    for (AnalysisSetup& s : d.analyses)
        for (CurveRowRecord& row : s.rows) {
            row.xExpression = ConvertVersion4CurveExpression(row.xExpression);
            row.yExpression = ConvertVersion4CurveExpression(row.yExpression);
        }
    int modelNumber = 0;
    for (auto& o : d.objects) {
        if (o->kind != OK_COMPONENT || !o->def || !IsValidComponentType(o->def->type))
            continue;
        if (AttrNode* first = o->FindAttr(TypeFirstAttrId(o->def->type)))
            first->value = RemoveChar(first->value, '@');
        ConvertVersion4Values(d, *o, modelNumber);
    }
    MoveVersion4Statements(d);
}

void CircuitFile::FinishOldLayout()
{
    CircuitDocument& d = *doc_;
    if (!(loadFlags & kLoadSkipAnalysis)) {
        ResetVersion4Colours(d);
        for (AnalysisSetup& s : d.analyses)
            for (CurveRowRecord& row : s.rows) {
                // The low four bits of the option word are the colour, not options.
                row.lineColour = row.textColour = row.options & 15;
                row.options &= ~15;
                row.valueFormat[0] = row.valueFormat[1];
                row.scaleFormat[0] = row.scaleFormat[1] = "2";
            }
        d.placements = CircuitPlacements();
    }
    d.analyses[1].options = (d.analyses[1].options | 0x40) & ~0xc00;
}

int CircuitFile::ReadOldLayoutFile()
{
    const bool v4 = version == kCircuitVersion4;
    if (v4 && (loadFlags & kLoadHidden)) {
        if (!(loadFlags & kLoadQuiet))
            ReportMessage("E", kMsgVersion4Macro);
        return kMsgAlreadyReported;
    }
    if (v4 && !(loadFlags & kLoadQuiet))
        ReportMessage("E", kMsgVersion4Nodes);
    TextFile f;
    f.OpenOnText(in_->data() + pos_, static_cast<long>(in_->size() - pos_));
    int code = ReadOldHeaderAndFonts(f);
    if (!code)
        code = ReadOldComponents(f);
    if (code)
        return code;
    oldLayoutChanged_ = version != kCircuitVersion503;
    bool stopped = false;
    if ((code = ReadOldLayout(f, stopped)))
        return code;
    if (stopped)
        return 0;
    FinishOldLayout();
    if (v4) {
        if (loadFlags & kLoadRefuseVersion4) {
            if (!(loadFlags & kLoadQuiet))
                ReportMessage("E", kMsgVersion4Macro);
            return kMsgAlreadyReported;
        }
        ConvertVersion4Document();
    }
    return 0;
}

}  // namespace ob7
