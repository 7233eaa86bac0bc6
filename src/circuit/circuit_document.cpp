#include "circuit/circuit_document.h"

#include <algorithm>
#include <cctype>

namespace ob7 {

CircuitAppearance::CircuitAppearance()
{
    for (FontRecord* f : {&gridText, &objectDefault, &attributeText, &pinConnection, &nodeNumber, &current,
                          &powerCondition, &titleBlock})
        DefaultFontRecord(*f);
    objectDefault.color = 0;
    pinConnection.color = 12;
    nodeNumber.color = 9;
    current.color = 10;
    powerCondition.color = 13;
    const int32_t levels[6] = {9, 10, 11, 12, 13, 14};
    std::copy(levels, levels + 6, digitalColours);
}

CircuitDocument::CircuitDocument()
{
    DefaultFontRecord(textFont);
    pages.emplace_back();
    pages.back().name = "Main";
}

static FontRef AsFontRef(const FontRecord& f)
{
    FontRef r;
    r.height = f.height;
    r.face = f.face;
    r.style = f.style;
    r.colour = f.color;
    return r;
}

CircuitObject& CircuitDocument::AddPart(ComponentDef* def, int32_t x, int32_t y, int page)
{
    auto part = std::make_unique<CircuitObject>();
    part->kind = OK_COMPONENT;
    part->def = def;
    part->coords[0] = x;
    part->coords[1] = y;
    part->page = static_cast<int16_t>(page);
    part->style.colour = static_cast<uint8_t>(appearance.objectDefault.color);
    objects.push_back(std::move(part));
    needsNumbering = true;
    return *objects.back();
}

CircuitObject& CircuitDocument::AddWire(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int page)
{
    auto wire = std::make_unique<CircuitObject>();
    wire->kind = OK_WIRE;
    wire->coords[0] = x1;
    wire->coords[1] = y1;
    wire->coords[2] = x2;
    wire->coords[3] = y2;
    wire->page = static_cast<int16_t>(page);
    objects.push_back(std::move(wire));
    needsNumbering = true;
    return *objects.back();
}

CircuitObject& CircuitDocument::AddGraphic(int kindCode, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int page)
{
    CircuitObject& g = AddWire(x1, y1, x2, y2, page);
    g.kind = OK_GRAPHIC;
    g.styleWord = static_cast<uint16_t>(kindCode & SW_GRAPHIC_KIND);
    g.style.colour = static_cast<uint8_t>(appearance.objectDefault.color);
    return g;
}

GridText& CircuitDocument::AddGridText(const std::string& content, int32_t x, int32_t y, int page, bool flag)
{
    auto t = std::make_unique<GridText>();
    t->text = content;
    t->x = x;
    t->y = y;
    t->page = static_cast<int16_t>(page);
    t->font = AsFontRef(appearance.gridText);
    t->textFlags = flag ? GT_FLAG : 0;
    UpdateNodeLabelFlag(*t);
    gridTexts.push_back(std::move(t));
    needsNumbering = true;
    return *gridTexts.back();
}

void CircuitDocument::ClearContent()
{
    auto keep = std::move(companion);
    *this = CircuitDocument();
    companion = std::move(keep);
}

void CircuitDocument::MarkModified()
{
    modified = true;
    for (int32_t& c : changedSinceRun)
        c = 1;
}

bool ZoomTextFont(FontRecord& font, int command)
{
    int height = font.height < 0 ? -font.height : font.height;
    int zoomed = height;
    if (command == kCommandZoomOut && height > 2)
        --zoomed;
    else if (command == kCommandZoomIn && height < 72)
        ++zoomed;
    if (zoomed == height)
        return false;
    font.height = static_cast<int16_t>(font.height < 0 ? -zoomed : zoomed);
    return true;
}

void UpdateNodeLabelFlag(GridText& text)
{
    bool word = !text.text.empty() && !(text.textFlags & GT_FLAG);
    for (unsigned char c : text.text)
        if (!std::isalnum(c) && c != '_')
            word = false;
    if (word)
        text.textFlags |= GT_NODE_NAME;
    else
        text.textFlags &= static_cast<uint8_t>(~GT_NODE_NAME);
}

TextLines::TextLines(const std::string& text) : text_(text)
{
    starts_.push_back(0);
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && i + 1 < text.size())
            starts_.push_back(i + 1);
    if (text.empty())
        starts_.clear();
}

size_t TextLines::Start(int i) const
{
    if (i < 0)
        return 0;
    if (i >= Count())
        return text_.size();
    return starts_[static_cast<size_t>(i)];
}

std::string TextLines::Line(int i) const
{
    if (i < 0 || i >= Count())
        return std::string();
    size_t begin = starts_[static_cast<size_t>(i)];
    size_t end = text_.find('\n', begin);
    if (end == std::string::npos)
        end = text_.size();
    if (end > begin && text_[end - 1] == '\r')
        --end;
    return text_.substr(begin, end - begin);
}

int TextLines::LineOfOffset(size_t offset) const
{
    if (starts_.empty())
        return 0;
    auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return static_cast<int>(it - starts_.begin()) - 1;
}

namespace {

bool IsEndStatement(const std::string& line)
{
    size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line.size() - b < 4)
        return false;
    std::string word = line.substr(b, 4);
    for (char& c : word)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (word != ".END")
        return false;
    return line.size() - b == 4 || std::isspace(static_cast<unsigned char>(line[b + 4]));
}

}  // namespace

int PrepareAppendLine(CircuitDocument& doc)
{
    TextLines lines(doc.text);
    int line = lines.Count() - 1;
    if (doc.kind == DOC_TEXT)
        for (int i = 0; i < lines.Count(); ++i)
            if (IsEndStatement(lines.Line(i))) {
                line = i - 1;
                break;
            }
    if (line < 0) {
        if (lines.Count() == 0 || lines.Line(0).empty())
            return 0;
        doc.text.insert(0, "\r\n");
        return 0;
    }
    if (lines.Line(line).empty())
        return line;
    size_t end = lines.Start(line) + lines.Line(line).size();
    bool lastWithoutBreak = end >= doc.text.size();
    if (lastWithoutBreak) {
        doc.text += "\r\n";
        return line + 1;
    }
    // After the line's own line end.
    size_t next = doc.text.find('\n', end);
    doc.text.insert(next + 1, "\r\n");
    return line + 1;
}

std::string FileNameOfPath(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace ob7
