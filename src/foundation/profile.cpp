#include "foundation/profile.h"

#include "foundation/owned_strings.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace ob7 {
namespace {

const char* const kPatternNames[] = {"Dash", "Dot", "DashDot", "DashDotDot"};
const char* const kAnalysisNames[] = {"Transient", "AC", "DC"};

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    while (first < text.size() && IsWhite(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && IsWhite(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// One-line form of a value: CR becomes 0xFE, LF is dropped.
std::string OneLine(const char* value) {
    std::string text;
    for (const char* p = value; *p; ++p) {
        if (*p == '\r')
            text += '\xFE';
        else if (*p != '\n')
            text += *p;
    }
    return text;
}

// Colours as ParseColor reads them back: "NONE" for no colour.
std::string ColorText(int color) { return color == kNoColor ? "NONE" : std::to_string(color); }

int ToInt(const std::string& text) { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); }

}  // namespace

// ---- Single values

int IsTrue(const char* text) { return text && ::strcasecmp(text, "True") == 0; }
int IsYes(const char* text) { return text && ::strcasecmp(text, "Yes") == 0; }
int IsOn(const char* text) { return text && ::strcasecmp(text, "On") == 0; }

int ParseColor(const char* text) {
    if (!text) return 0;
    std::string t = Trim(text);
    if (::strcasecmp(t.c_str(), "NONE") == 0) return kNoColor;
    long n = std::strtol(t.c_str(), nullptr, 10);
    if (n < 0) return 0;
    if (n <= 63) return static_cast<int>(n);
    return static_cast<int>(n & 0x3F);
}

void ParseRect(platform::Rect& rect, const char* text) {
    std::string copy(text ? text : "");
    FieldCursor cursor{copy.data()};
    int32_t* parts[4] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
    for (int32_t* part : parts) *part = ToInt(cursor.NextComma());
}

void ParseWindowPlacement(const char* text, WindowPlacement& placement) {
    placement = WindowPlacement{};
    std::string copy(text ? text : "");
    FieldCursor cursor{copy.data()};
    placement.flags = static_cast<uint32_t>(ToInt(cursor.NextComma()));
    placement.showCommand = static_cast<uint32_t>(ToInt(cursor.NextComma()));
    placement.minX = ToInt(cursor.NextComma());
    placement.minY = ToInt(cursor.NextComma());
    placement.maxX = ToInt(cursor.NextComma());
    placement.maxY = ToInt(cursor.NextComma());
    ParseRect(placement.normal, cursor.position);
    // A placement whose restored rectangle has no width was never set.
    placement.length = placement.normal.right != placement.normal.left ? 44 : 0;
}

void ParseFont(const char* text, FontRecord& font) {
    std::string value = GetSubValue(text, "Height");
    if (!value.empty()) font.height = static_cast<int16_t>(ToInt(value));
    value = GetSubValue(text, "FStyle");
    if (!value.empty()) font.style = static_cast<uint8_t>(ToInt(value));
    value = GetSubValue(text, "Color");
    if (!value.empty()) font.color = static_cast<uint8_t>(ParseColor(value.c_str()));
    value = GetSubValue(text, "Name");
    if (!value.empty()) font.face = static_cast<uint16_t>(FontFaceIndex(value.c_str()));
}

void ParseLineStyle(const char* text, LineStyleSetting& style) {
    std::string value = GetSubValue(text, "Line");
    if (!value.empty()) style.lineColor = static_cast<uint8_t>(ParseColor(value.c_str()));
    value = GetSubValue(text, "Text");
    if (!value.empty()) style.textColor = static_cast<uint8_t>(ParseColor(value.c_str()));
    value = GetSubValue(text, "LineWidth");
    if (!value.empty()) style.width = static_cast<uint8_t>(ToInt(value));
    value = GetSubValue(text, "LinePattern");
    if (!value.empty()) style.pattern = static_cast<uint8_t>(ParsePatternName(value.c_str()));
    value = GetSubValue(text, "Rainbow");
    if (!value.empty()) style.rainbow = IsYes(value.c_str()) ? 1 : 0;
}

int ParseWidth1to20(const char* text) {
    int width = static_cast<int>(std::strtol(text ? text : "", nullptr, 10)) & 0xFF;
    if (width == 0) return 1;
    return width > 20 ? 20 : width;
}

int ParsePatternName(const char* text) {
    if (!text) return 0;
    for (int i = 0; i < 4; ++i)
        if (::strcasecmp(text, kPatternNames[i]) == 0) return i + 1;
    return 0;
}

const char* PatternName(int code) {
    int c = code & 0xFF;
    return c >= 1 && c <= 4 ? kPatternNames[c - 1] : nullptr;
}

int32_t ParseVersion(const char* text) {
    if (!text) return 0;
    int32_t major = static_cast<int32_t>(std::strtol(text, nullptr, 10));
    const char* dot = std::strchr(text, '.');
    if (!dot) return major << 16;
    int minor = 0;
    const char* p = dot + 1;
    if (std::isdigit(static_cast<unsigned char>(p[0]))) {
        minor = (p[0] - '0') * 10;
        if (std::isdigit(static_cast<unsigned char>(p[1]))) minor += p[1] - '0';
    }
    return (major & 0xffff) << 16 | minor;
}

int ScaleNameIndex(const char* text) {
    for (int i = 0; i < 3; ++i)
        if (text && ::strcasecmp(text, kScaleNames[i]) == 0) return i;
    return 0;
}

int AnalysisIndexFromName(const char* text) {
    for (int i = 0; i < 3; ++i)
        if (text && ::strcasecmp(text, kAnalysisNames[i]) == 0) return i;
    return -1;
}

std::string GetSubValue(const char* text, const char* name) {
    std::string copy(text ? text : "");
    FieldCursor cursor{copy.data()};
    while (*cursor.position) {
        std::string pair = cursor.NextComma();
        auto eq = pair.find('=');
        if (eq == std::string::npos) continue;
        if (::strcasecmp(Trim(pair.substr(0, eq)).c_str(), name) == 0) return Trim(pair.substr(eq + 1));
    }
    return {};
}

void SplitKeyValue(const char* text, std::string& key, std::string& value) {
    std::string t(text ? text : "");
    auto eq = t.find('=');
    if (eq == std::string::npos) {
        key = Upper(Trim(t));
        value.clear();
        return;
    }
    key = Upper(Trim(t.substr(0, eq)));
    value = Trim(t.substr(eq + 1));
}

int ParseIndexedKey(const char* key, const char* name, int& index) {
    const char* bracket = std::strchr(key, '[');
    if (!bracket) return -1;
    std::string prefix(key, bracket);
    int order = std::strcmp(prefix.c_str(), name);
    if (order != 0) return order;
    std::string number(bracket + 1);
    number = number.substr(0, std::min<std::size_t>(number.find(']'), 49));
    index = std::atoi(number.c_str());
    return 0;
}

char* FieldCursor::NextComma() {
    while (*position == ' ') ++position;
    char* field = position;
    char* comma = std::strchr(position, ',');
    if (comma) {
        *comma = 0;
        position = comma + 1;
    } else {
        position += std::strlen(position);
    }
    return field;
}

void ParseQuotedField(std::string& out, std::string& text) {
    out.clear();
    std::size_t p = text.find_first_not_of(' ');
    if (p == std::string::npos) return;
    if (text[p] == ',') {
        text.erase(0, p + 1);
        return;
    }
    if (text[p] != '"') return;
    std::size_t close = text.find('"', p + 1);
    std::size_t end = close == std::string::npos ? text.size() : close;
    for (std::size_t i = p + 1; i < end; ++i) {
        if (text[i] == '\xFE')
            out += "\r\n";
        else
            out += text[i];
    }
    std::size_t rest = close == std::string::npos ? text.size() : close + 1;
    while (rest < text.size() && text[rest] == ' ') ++rest;
    if (rest < text.size() && text[rest] == ',') ++rest;
    text.erase(0, rest);
}

// ---- Writing

int Profile::WriteString(const char* key, const char* value) {
    if (!value || !*value) return Printf("%s\n", key);
    if (!std::strpbrk(value, "\r\n")) return Printf("%s=%s\n", key, value);
    return Printf("%s=%s\n", key, OneLine(value).c_str());
}

int Profile::WriteInt(const char* key, int value) { return Printf("%s=%d\n", key, value); }

int Profile::WriteDouble(const char* key, double value) { return Printf("%s=%.16g\n", key, value); }

int Profile::WriteByte(const char* key, int value) { return Printf("%s=%d\n", key, value & 0xFF); }

int Profile::WriteColor(const char* key, int color) {
    if (color == kNoColor) return WriteString(key, "NONE");
    return WriteInt(key, color);
}

int Profile::WriteVersion(const char* key, int32_t version) {
    return WriteString(key, FormatVersion(version).c_str());
}

int Profile::WriteRect(const char* key, const platform::Rect& r) {
    return Printf("%s=%d,%d,%d,%d\n", key, r.left, r.top, r.right, r.bottom);
}

int Profile::WriteTrueFalse(const char* key, int flag) { return WriteString(key, flag ? "True" : "False"); }
int Profile::WriteYesNo(const char* key, int flag) { return WriteString(key, flag ? "Yes" : "No"); }
int Profile::WriteOnOff(const char* key, int flag) { return WriteString(key, flag ? "On" : "Off"); }

int Profile::WriteWindowPlacement(const char* key, const WindowPlacement& p) {
    return Printf("%s=%d,%d, %d,%d, %d,%d, %d,%d,%d,%d\n", key, static_cast<int>(p.flags),
                  static_cast<int>(p.showCommand), p.minX, p.minY, p.maxX, p.maxY, p.normal.left,
                  p.normal.top, p.normal.right, p.normal.bottom);
}

int Profile::WriteFont(const char* key, const FontRecord& font) {
    return Printf("%s=Height=%d,FStyle=%d,Color=%s,Name=%s\n", key, font.height, font.style,
                  ColorText(font.color).c_str(), FaceName(font.face));
}

int Profile::WriteFontDiff(const FontRecord& font, const FontRecord& reference) {
    if (font.height != reference.height) WriteInt("Height", font.height);
    if (font.style != reference.style) WriteInt("FStyle", font.style);
    if (font.color != reference.color) WriteInt("Color", font.color);
    if (font.face != reference.face) WriteString("Font", FaceName(font.face));
    return error;
}

int Profile::WriteLineStyle(const char* key, const LineStyleSetting& style) {
    std::string value = "Line=" + ColorText(style.lineColor) + ",Text=" + ColorText(style.textColor);
    if (style.width > 1) value += ",LineWidth=" + std::to_string(style.width);
    if (const char* name = PatternName(style.pattern)) value += std::string(",LinePattern=") + name;
    if (style.rainbow) value += ",Rainbow=Yes";
    return WriteString(key, value.c_str());
}

int Profile::WriteScaleName(const char* key, int index) {
    return WriteString(key, kScaleNames[index >= 0 && index < 3 ? index : 0]);
}

int Profile::WriteNamedPattern(const char* key, int pattern) {
    const char* name = PatternName(pattern);
    return name ? WriteString(key, name) : error;
}

int Profile::WriteAnalysisName(int index) {
    return WriteString("Analysis", kAnalysisNames[index >= 0 && index < 3 ? index : 0]);
}

int Profile::WriteIndexedString(const char* name, int index, const char* value) {
    std::string key = std::string(name) + "[" + std::to_string(index) + "]";
    return WriteString(key.c_str(), value);
}

int Profile::WriteIndexedTrueFalse(const char* name, int index, int flag) {
    return WriteIndexedString(name, index, flag ? "True" : "False");
}

int Profile::WriteFileHeader(const char* type, int32_t version) {
    WriteString("FileType", type);
    WriteVersion("Version", version);
    return WriteString("Program", kProductName);
}

int Profile::WriteTypedValues(const ProfileValueRow* table, int count) {
    for (int i = 0; i < count; ++i) {
        const ProfileValueRow& row = table[i];
        void* t = row.target;
        switch (row.type) {
        // Colours go through WriteColor so that "no colour" (74) reads back as itself.
        case kValueColor: WriteColor(row.key, *static_cast<int32_t*>(t)); break;
        case kValueColorByte: WriteColor(row.key, *static_cast<uint8_t*>(t)); break;
        case kValueOnOff: WriteOnOff(row.key, *static_cast<int32_t*>(t)); break;
        case kValuePlacement: WriteWindowPlacement(row.key, *static_cast<WindowPlacement*>(t)); break;
        case kValueYesNo: WriteYesNo(row.key, *static_cast<int32_t*>(t)); break;
        case kValueNumberFormat: WriteString(row.key, static_cast<NumberFormatSpec*>(t)->text); break;
        case kValueDouble: WriteDouble(row.key, *static_cast<double*>(t)); break;
        case kValueInt: WriteInt(row.key, *static_cast<int32_t*>(t)); break;
        case kValueComment: Printf(";%s\n", row.key); break;
        case kValueFont: WriteFont(row.key, *static_cast<FontRecord*>(t)); break;
        case kValueLineStyle: WriteLineStyle(row.key, *static_cast<LineStyleSetting*>(t)); break;
        case kValueCharArray: WriteString(row.key, static_cast<char*>(t)); break;
        case kValueOwnedText: WriteString(row.key, *static_cast<char**>(t)); break;
        case kValueTrueFalse: WriteTrueFalse(row.key, *static_cast<int32_t*>(t)); break;
        case kValueScale: WriteScaleName(row.key, *static_cast<int32_t*>(t)); break;
        case kValueWidth: WriteByte(row.key, *static_cast<uint8_t*>(t)); break;
        case kValuePattern: WriteNamedPattern(row.key, *static_cast<uint8_t*>(t)); break;
        default: break;
        }
    }
    return 0;
}

// ---- Reading

int Profile::ReadLine(std::string& text) {
    for (;;) {
        int code = TextFile::ReadLine(text);
        if (code == kMsgLoadError) {
            text.clear();
            return 0;
        }
        if (code) return code;
        text = Trim(text);
        if (!text.empty() && text[0] != ';') return 0;
    }
}

int Profile::NextEntry(std::string& entry) {
    if (error) {
        entry.clear();
        return 0;
    }
    error = ReadLine(entry);
    if (!entry.empty() && entry[0] == '[') {
        section = entry;
        return 0;
    }
    section.clear();
    return !entry.empty() && error == 0 ? 1 : 0;
}

int Profile::NextEntryErr(std::string& entry, int& errorOut) {
    errorOut = ReadLine(entry);
    if (!entry.empty() && entry[0] != '[' && errorOut == 0) return 1;
    section = !entry.empty() && entry[0] == '[' ? entry : std::string();
    return 0;
}

int Profile::NextEntryGrow() {
    lineBuffer.clear();
    if (error) return 0;
    int code;
    do {
        code = ReadLineGrow(lineBuffer);
        lineBuffer = Trim(lineBuffer);
    } while (code == 0 && lineBuffer.empty());
    if (code == kMsgLoadError) {
        lineBuffer.clear();
        code = 0;
    }
    error = code;
    if (!lineBuffer.empty() && lineBuffer[0] == '[') {
        section = lineBuffer;
        return 0;
    }
    section.clear();
    return !lineBuffer.empty() && error == 0 ? 1 : 0;
}

void Profile::SplitLineKeyValue(std::string& key, std::string& value) {
    auto eq = lineBuffer.find('=');
    key = Upper(Trim(lineBuffer.substr(0, eq)));
    value = eq == std::string::npos ? std::string() : Trim(lineBuffer.substr(eq + 1));
}

int Profile::ReadKeyValue(std::string& key, std::string& value) {
    std::string text;
    int code = ReadLine(text);
    SplitKeyValue(text.c_str(), key, value);
    return code;
}

int Profile::ReadWholeFile(const char* name) {
    FreeBuffer();
    FILE* f = OpenBinaryRead(name);
    if (!f) return error = ErrnoToMessageId() ? ErrnoToMessageId() : kMsgCannotAccess;
    long length = FileLength(f);
    try {
        memoryText_.assign(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        return error = kMsgInsufficientMemory;
    }
    std::size_t got = std::fread(memoryText_.data(), 1, memoryText_.size(), f);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed || (got == 0 && length > 0)) {
        memoryText_.clear();
        return error = ErrnoToMessageId() ? ErrnoToMessageId() : kMsgLoadError;
    }
    memoryText_.resize(got);
    buffer = memoryText_.c_str();
    bufferLength = static_cast<long>(got);
    bufferBase = 0;
    readPosition = 0;
    return 0;
}

int Profile::ReadLineMem(std::string& text) {
    text.clear();
    if (!buffer || readPosition >= bufferLength) return kMsgLoadError;
    for (int c = ReadChar(); c >= 0 && c != '\n'; c = ReadChar()) text += static_cast<char>(c);
    text.erase(text.find_last_not_of(' ') + 1);
    return 0;
}

int Profile::ReadKeyValueMem(std::string& key, std::string& value) {
    std::string text;
    key.clear();
    value.clear();
    for (;;) {
        if (ReadLineMem(text)) return 0;
        text = Trim(text);
        if (!text.empty() && text[0] != ';') break;
    }
    SplitKeyValue(text.c_str(), key, value);
    std::size_t white = 0;
    while (white < value.size() && !IsWhite(value[white])) ++white;
    value.resize(white);
    return 0;
}

void Profile::FreeBuffer() {
    memoryText_.clear();
    memoryText_.shrink_to_fit();
    buffer = nullptr;
    bufferLength = 0;
    readPosition = 0;
}

int Profile::CheckFileHeader(const char* type, int32_t& version) {
    std::string key, value;
    int code = 0;
    ReadKeyValue(key, value);
    if (key != "FILETYPE" || ::strcasecmp(value.c_str(), type) != 0) code = kMsgBadFileFormat;
    ReadKeyValue(key, value);
    if (key == "VERSION")
        version = ParseVersion(value.c_str());
    else
        code = kMsgBadFileFormat;
    ReadKeyValue(key, value);
    if (key != "PROGRAM" ||
        (::strcasecmp(value.c_str(), kProductName) != 0 &&
         ::strcasecmp(value.c_str(), (std::string(kProductName) + " V").c_str()) != 0))
        code = kMsgBadFileFormat;
    return error ? error : code;
}

int Profile::ReadTypedValue(const ProfileValueRow* table, int count, const char* key, const char* value) {
    const ProfileValueRow* row = nullptr;
    for (int i = 0; i < count && !row; ++i)
        if (::strcasecmp(table[i].key, key) == 0) row = &table[i];
    if (!row) return 0;
    void* t = row->target;
    switch (row->type) {
    case kValueColor: *static_cast<int32_t*>(t) = ParseColor(value); break;
    case kValueColorByte: *static_cast<uint8_t*>(t) = static_cast<uint8_t>(ParseColor(value)); break;
    case kValueOnOff: *static_cast<int32_t*>(t) = IsOn(value); break;
    case kValuePlacement: ParseWindowPlacement(value, *static_cast<WindowPlacement*>(t)); break;
    case kValueYesNo: *static_cast<int32_t*>(t) = IsYes(value); break;
    case kValueNumberFormat: static_cast<NumberFormatSpec*>(t)->Set(value); break;
    case kValueDouble: *static_cast<double*>(t) = std::strtod(value, nullptr); break;
    case kValueInt: *static_cast<int32_t*>(t) = static_cast<int32_t>(std::strtol(value, nullptr, 10)); break;
    case kValueFont: ParseFont(value, *static_cast<FontRecord*>(t)); break;
    case kValueLineStyle: ParseLineStyle(value, *static_cast<LineStyleSetting*>(t)); break;
    case kValueCharArray:
        // Bounded by the row's size: an overlong value is cut, never overruns.
        if (row->size > 0) {
            std::size_t n = std::min(std::strlen(value), static_cast<std::size_t>(row->size - 1));
            std::memcpy(t, value, n);
            static_cast<char*>(t)[n] = 0;
        }
        break;
    case kValueOwnedText: StrAssign(static_cast<char**>(t), value); break;
    case kValueTrueFalse: *static_cast<int32_t*>(t) = IsTrue(value); break;
    case kValueScale: *static_cast<int32_t*>(t) = ScaleNameIndex(value); break;
    case kValueWidth: *static_cast<uint8_t*>(t) = static_cast<uint8_t>(ParseWidth1to20(value)); break;
    case kValuePattern: *static_cast<uint8_t*>(t) = static_cast<uint8_t>(ParsePatternName(value)); break;
    default: break;
    }
    return 1;
}

}  // namespace ob7
