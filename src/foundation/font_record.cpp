#include "foundation/font_record.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace ob7 {

int16_t DefaultFontSize = 0;
int SystemKeyboardType = 0;
int ScreenPixelsPerInch = 96;

namespace {

// Indices stay valid for the whole run: names are only ever appended.
std::vector<std::string>& FaceNameTable() {
    static std::vector<std::string> table;
    return table;
}

}  // namespace

void FontRecord::Copy(const FontRecord& source) {
    height = source.height;
    face = source.face;
    style = source.style;
}

int FontFaceIndex(const char* faceName) {
    std::string name(faceName ? faceName : "");
    if (name.size() > kMaxFaceName) name.resize(kMaxFaceName);
    auto& table = FaceNameTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (::strcasecmp(table[i].c_str(), name.c_str()) == 0) return static_cast<int>(i);
    if (table.size() > 0xFFFF) return 0;
    try {
        table.push_back(name);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return static_cast<int>(table.size() - 1);
}

const char* FaceName(int index) {
    auto& table = FaceNameTable();
    if (index < 0 || index >= static_cast<int>(table.size())) return "";
    return table[index].c_str();
}

int FaceNameCount() { return static_cast<int>(FaceNameTable().size()); }

void DefaultFontRecord(FontRecord& record) {
    record.height = DefaultFontSize;
    record.style = 0;
    record.color = 0;
    record.face = static_cast<uint16_t>(FontFaceIndex("Arial"));
}

int FontRecordEqual(const FontRecord& a, const FontRecord& b) {
    return a.height == b.height && a.face == b.face && a.style == b.style && a.color == b.color ? 0 : 1;
}

void FontRecordToLogFont(const FontRecord& record, LogicalFont& font) {
    font = LogicalFont{};
    font.weight = (record.style & kFontBold) ? 700 : 400;
    font.italic = (record.style & kFontItalic) ? 1 : 0;
    font.underline = (record.style & kFontUnderline) ? 1 : 0;
    font.strikeOut = (record.style & kFontStrikeOut) ? 1 : 0;
    if (record.style & kFontRotate90) font.escapement = 900;
    if (record.style & kFontRotate270) font.escapement = 2700;
    if (record.style & kFontRotate180) font.escapement = 1800;
    font.faceName = FaceName(record.face);
    font.height = record.height ? record.height : (DefaultFontSize ? DefaultFontSize : 12);
    font.charSet = SystemKeyboardType == 7 ? 128 : 1;
}

void LogFontToRecord(FontRecord& record, const LogicalFont& font) {
    uint8_t style = font.weight == 700 ? kFontBold : 0;
    if (font.underline) style |= kFontUnderline;
    if (font.italic) style |= kFontItalic;
    if (font.strikeOut) style |= kFontStrikeOut;
    if (font.escapement == 900) style |= kFontRotate90;
    if (font.escapement == 2700) style |= kFontRotate270;
    record.style = style;
    record.height = static_cast<int16_t>(font.height);
    record.face = static_cast<uint16_t>(FontFaceIndex(font.faceName.c_str()));
}

int PointsToLogicalHeight(int points) {
    return -static_cast<int>(std::lround(static_cast<double>(points) * ScreenPixelsPerInch / 72.0));
}

int LogicalHeightToPoints(int height) {
    if (height > 0 || ScreenPixelsPerInch <= 0) return height;
    return static_cast<int>(std::lround(-static_cast<double>(height) * 72.0 / ScreenPixelsPerInch));
}

int TextExtentX(TextMeasure& measure, const char* text) {
    if (!text || !*text) return 0;
    return measure.TextWidth(text, static_cast<int>(std::strlen(text)));
}

int LineHeight(TextMeasure& measure) { return measure.TextHeight() + measure.ExternalLeading(); }

int MeasureMultilineText(TextMeasure& measure, const char* text, platform::Rect& rect, int lineHeight) {
    if (!text) {
        rect.right = rect.left;
        rect.bottom = rect.top;
        return 0;
    }
    if (lineHeight == 0) lineHeight = measure.TextHeight();
    const char end = std::strchr(text, '\r') ? '\r' : '\n';
    int lines = 0;
    int width = 0;
    const char* p = text;
    while (*p) {
        const char* stop = std::strchr(p, end);
        if (!stop) stop = p + std::strlen(p);
        width = std::max(width, measure.TextWidth(p, static_cast<int>(stop - p)));
        ++lines;
        if (!*stop) break;
        p = stop + 1;
        if (end == '\r' && *p == '\n') ++p;
    }
    rect.bottom = rect.top + lineHeight * lines;
    rect.right = rect.left + width + (lines > 1 ? 5 : 0);
    return lineHeight * lines;
}

void PlaceTextRect(TextMeasure& measure, const char* text, int flags, platform::Rect& rect) {
    const int x = rect.left;
    const int y = rect.top;
    platform::Rect box{x, y, x, y};
    int h = MeasureMultilineText(measure, text, box, 0);
    int w = box.right - box.left;
    if (flags & kFontRotate180) {
        rect = {x - 1, y - h, x - 1 - w, y};
    } else if (flags & kFontRotate90) {
        rect = {x, y - (w + 1), x + h, y};
    } else if (flags & kFontRotate270) {
        rect = {x, y, x - h, y + w + 1};
    } else {
        rect = {x, y - h, x + w + 1, y};
    }
}

}  // namespace ob7
