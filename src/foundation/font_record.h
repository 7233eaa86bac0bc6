#pragma once
// FontRecord: the six-byte font of every text the program draws. Its face is an index
// into the one FaceNameTable, so records stay small and files store face names.

#include <cstdint>
#include <string>

#include "platform/geometry.h"

namespace ob7 {

// Style bits of a FontRecord.
enum FontStyle : uint8_t {
    kFontUnderline = 0x1, kFontItalic = 0x2, kFontBold = 0x4, kFontStrikeOut = 0x8,
    kFontRotate90 = 0x10, kFontRotate270 = 0x20, kFontRotate180 = 0x40,
};

struct FontRecord {
    int16_t height = 0;  // font size; 0 means DefaultFontSize
    uint16_t face = 0;   // index into FaceNameTable
    uint8_t style = 0;   // FontStyle bits
    uint8_t color = 0;   // colour slot

    // Height, face and style of `source`; the colour stays.
    void Copy(const FontRecord& source);
};
static_assert(sizeof(FontRecord) == 6);

// Longest face name kept (longer names are cut).
inline constexpr int kMaxFaceName = 31;

// The index of a face name, compared without regard to case; a new name is appended.
int FontFaceIndex(const char* faceName);
// The face name of an index ("" for an index not in the table).
const char* FaceName(int index);
// Number of names in the table.
int FaceNameCount();

// The size used for records of height 0 (12 when it is 0 too).
extern int16_t DefaultFontSize;
// The keyboard type the system reported at start-up; 7 (Japanese) selects SHIFTJIS.
extern int SystemKeyboardType;
// Vertical pixels per inch of the screen, set by the platform layer (96 headless).
extern int ScreenPixelsPerInch;

// Height DefaultFontSize, style 0, colour 0, face "Arial".
void DefaultFontRecord(FontRecord& record);

// 0 when height, face, style and colour are equal, 1 when any differs.
int FontRecordEqual(const FontRecord& a, const FontRecord& b);

// The system-neutral description of a font to be created.
struct LogicalFont {
    int32_t height = 0;
    int32_t escapement = 0;  // tenths of a degree
    int32_t weight = 0;      // 400 normal, 700 bold
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;     // 1 default, 128 SHIFTJIS
    uint8_t pitchAndFamily = 0;
    std::string faceName;
};

void FontRecordToLogFont(const FontRecord& record, LogicalFont& font);
// The colour of `record` is left as it was.
void LogFontToRecord(FontRecord& record, const LogicalFont& font);

// -(points * ScreenPixelsPerInch / 72), rounded; and back (a positive height is
// returned unchanged).
int PointsToLogicalHeight(int points);
int LogicalHeightToPoints(int height);

// Measures texts in the font selected for drawing; the drawing layer implements it.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual int TextWidth(const char* text, int length) = 0;
    virtual int TextHeight() = 0;
    virtual int ExternalLeading() = 0;
};

// Width of a text; 0 for a null or empty text.
int TextExtentX(TextMeasure& measure, const char* text);
// Text height plus external leading.
int LineHeight(TextMeasure& measure);

// Lines end at CR (CR LF counting as one) when the text holds a CR, else at LF. The
// rectangle keeps its left and top and gets the widest line's width (+5 for several
// lines) and lineHeight * lines (lineHeight 0: the font's text height). Returns the
// total height; a null text gives an empty rectangle and 0.
int MeasureMultilineText(TextMeasure& measure, const char* text, platform::Rect& rect, int lineHeight);

// The rectangle whose top-left is the anchor becomes the text's box for the rotation
// bits of `flags` (not normalised).
void PlaceTextRect(TextMeasure& measure, const char* text, int flags, platform::Rect& rect);

}  // namespace ob7
