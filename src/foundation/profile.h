#pragma once
// Profile: the stream of every sectioned key=value text file (the settings profile,
// circuit files, limit and optimizer settings). "[name]" section lines, "key=value"
// entries, ";" comments; keys compare in upper case. Values with line breaks are kept on
// one line: CR is written as byte 0xFE and LF dropped. Typed writers and parsers cover
// every kind of stored value, and ProfileValueRow tables write or read a whole group of
// settings in one call.

#include <cstdint>
#include <string>

#include "foundation/font_record.h"
#include "platform/geometry.h"
#include "foundation/number_format.h"
#include "foundation/textfile.h"

namespace ob7 {

// The product name of file headers.
inline constexpr char kProductName[] = "Ombrelic";

// Colour index that means "no colour"; written as "NONE".
inline constexpr int kNoColor = 74;

// A window's placement as stored in settings.
struct WindowPlacement {
    uint32_t length = 0;  // 44 when set, 0 for an unset placement
    uint32_t flags = 0;
    uint32_t showCommand = 0;
    int32_t minX = 0, minY = 0;  // minimised position
    int32_t maxX = 0, maxY = 0;  // maximised position
    platform::Rect normal;              // restored rectangle
};

// The line and text colours, width, dash pattern and rainbow switch of a curve or grid.
struct LineStyleSetting {
    uint8_t lineColor = 0;
    uint8_t textColor = 0;
    uint8_t width = 1;
    uint8_t pattern = 0;  // line-style code: 0 solid, 1 Dash ... 4 DashDotDot
    uint8_t rainbow = 0;
};

// Value kinds of ProfileValueRow.
enum ProfileValueType : int32_t {
    kValueColor = 1,        // int32 colour
    kValueColorByte = 2,    // uint8 colour
    kValueOnOff = 3,        // int32 flag
    kValuePlacement = 4,    // WindowPlacement
    kValueYesNo = 5,        // int32 flag
    kValueNumberFormat = 6, // NumberFormatSpec
    kValueDouble = 7,
    kValueInt = 8,
    kValueComment = 9,      // no target: the key is written as a ";" comment line
    kValueFont = 10,        // FontRecord
    kValueLineStyle = 11,   // LineStyleSetting
    kValueCharArray = 12,   // char[size]
    kValueOwnedText = 13,   // char* owned text slot
    kValueTrueFalse = 14,   // int32 flag
    kValueScale = 15,       // int32 scale index
    kValueWidth = 16,       // uint8, 1 to 20
    kValuePattern = 17,     // uint8 line-style code
};

struct ProfileValueRow {
    const char* key;
    void* target;
    int32_t type;
    int32_t size = 0;  // bytes of a kValueCharArray target
};

// Single values.
int IsTrue(const char* text);
int IsYes(const char* text);
int IsOn(const char* text);
// "NONE" (any case) 74, a negative number 0, 0 to 63 kept, larger numbers their low 6 bits.
int ParseColor(const char* text);
void ParseRect(platform::Rect& rect, const char* text);
void ParseWindowPlacement(const char* text, WindowPlacement& placement);
void ParseFont(const char* text, FontRecord& font);
void ParseLineStyle(const char* text, LineStyleSetting& style);
// The low byte of the number: 0 gives 1, above 20 gives 20.
int ParseWidth1to20(const char* text);
// "Dash" 1, "Dot" 2, "DashDot" 3, "DashDotDot" 4 (any case); 0 for anything else.
int ParsePatternName(const char* text);
// The name of a line-style code (low 8 bits) 1 to 4, else null.
const char* PatternName(int code);
// "7.2" gives 7 << 16 | 20, "7.05" 7 << 16 | 5, "7" 7 << 16.
int32_t ParseVersion(const char* text);
// "Normal", "dB/Octave", "dB/Decade" by index; ScaleNameIndex gives 0 for unknown names.
inline constexpr const char* kScaleNames[3] = {"Normal", "dB/Octave", "dB/Decade"};
int ScaleNameIndex(const char* text);
// "TRANSIENT" 0, "AC" 1, "DC" 2 (any case), else -1.
int AnalysisIndexFromName(const char* text);

// The value of the pair `name`=value in a text of comma-separated pairs (names compared
// without regard to case, value trimmed); empty when absent.
std::string GetSubValue(const char* text, const char* name);

// The key upper-cased and the value, both trimmed; without "=" the whole text is the key.
void SplitKeyValue(const char* text, std::string& key, std::string& value);

// -1 when the key has no "["; otherwise the strcmp of the part before "[" with the name;
// 0 with the number in the brackets stored in `index` when they match.
int ParseIndexedKey(const char* key, const char* name, int& index);

// A cursor over a modifiable text: NextComma returns the next comma-separated field,
// leading spaces skipped, ended in place at the comma or the end of the text.
struct FieldCursor {
    char* position;
    char* NextComma();
};

// A leading double-quoted field (after spaces) goes to `out` (0xFE as CR LF) and is
// removed from `text` with the spaces and one comma after it; a field that is only a
// comma gives "" and loses the comma; anything else gives "" and leaves `text` as it is.
void ParseQuotedField(std::string& out, std::string& text);

class Profile : public TextFile {
public:
    // Writers; each returns the stream's error.
    int WriteString(const char* key, const char* value);
    int WriteInt(const char* key, int value);
    int WriteDouble(const char* key, double value);
    int WriteByte(const char* key, int value);
    int WriteColor(const char* key, int color);
    int WriteVersion(const char* key, int32_t version);
    int WriteRect(const char* key, const platform::Rect& rect);
    int WriteTrueFalse(const char* key, int flag);
    int WriteYesNo(const char* key, int flag);
    int WriteOnOff(const char* key, int flag);
    int WriteWindowPlacement(const char* key, const WindowPlacement& placement);
    int WriteFont(const char* key, const FontRecord& font);
    // One entry ("Height", "FStyle", "Color", "Font") for each part that differs.
    int WriteFontDiff(const FontRecord& font, const FontRecord& reference);
    int WriteLineStyle(const char* key, const LineStyleSetting& style);
    int WriteScaleName(const char* key, int index);
    // The pattern's name; nothing for a pattern without one.
    int WriteNamedPattern(const char* key, int pattern);
    // "Analysis" with "Transient", "AC" or "DC".
    int WriteAnalysisName(int index);
    int WriteIndexedString(const char* name, int index, const char* value);
    int WriteIndexedTrueFalse(const char* name, int index, int flag);
    // "FileType", "Version" and "Program" entries.
    int WriteFileHeader(const char* type, int32_t version);
    // Every row of type 1 to 17 in table order; other rows are skipped.
    int WriteTypedValues(const ProfileValueRow* table, int count);

    // The next line that is neither empty nor a ";" comment, trimmed. At the end of the
    // file the line is empty and the result 0.
    int ReadLine(std::string& text);
    // Unless an error is stored: ReadLine, its result stored as the error; the section
    // becomes the line when it begins with "[", else empty. 1 for an entry line.
    int NextEntry(std::string& entry);
    // As NextEntry, the error given back in `error` and not stored; an entry leaves the
    // section alone.
    int NextEntryErr(std::string& entry, int& error);
    // As NextEntry into `lineBuffer`, through ReadLineGrow (0xFE read as CR LF);
    // ";" lines come back as entries.
    int NextEntryGrow();
    // Splits `lineBuffer` at its first "=": key upper-cased, key and value trimmed.
    void SplitLineKeyValue(std::string& key, std::string& value);
    // The next entry as key (upper-cased) and value, both trimmed; an empty key at the end.
    int ReadKeyValue(std::string& key, std::string& value);

    // Reads the whole file into memory for the readers below. 0 or the error code.
    int ReadWholeFile(const char* name);
    // As ReadKeyValue from memory; the value ends at its first white space.
    int ReadKeyValueMem(std::string& key, std::string& value);
    // The next line from memory, trailing spaces cut; 15007 when nothing is left.
    int ReadLineMem(std::string& text);
    void FreeBuffer();

    // Reads the three header entries: 0, or 5355 when the type, the "VERSION" key or the
    // program differ. The version is returned through `version`.
    int CheckFileHeader(const char* type, int32_t& version);

    // Stores `value` by the row whose key equals `key` (any case): 1, or 0 when no row has
    // that key.
    int ReadTypedValue(const ProfileValueRow* table, int count, const char* key, const char* value);

    std::string lineBuffer;   // the line of NextEntryGrow
    int32_t fileVersion = 0;  // packed major << 16 | minor, for the owner
    std::string section;      // the last section line read, brackets included

private:
    std::string memoryText_;
};

}  // namespace ob7
