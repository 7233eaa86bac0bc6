#include "netlist/text_page_ops.h"

#include <cctype>
#include <cstring>

#include "libraries/component_types.h"
#include "netlist/netlist_reader.h"

namespace ob7 {

int GetTextPageLineCount(const NetlistTextPage& page) {
    const std::string& t = page.Text();
    int count = 1;
    for (char c : t)
        if (c == '\n') ++count;
    return count;
}

size_t TextPageLineStart(const NetlistTextPage& page, int line) {
    const std::string& t = page.Text();
    size_t p = 0;
    for (int i = 0; i < line; ++i) {
        const size_t nl = t.find('\n', p);
        if (nl == std::string::npos) return t.size();
        p = nl + 1;
    }
    return p;
}

std::string GetTextPageLine(const NetlistTextPage& page, int line) {
    const std::string& t = page.Text();
    if (line < 0 || line >= GetTextPageLineCount(page)) return {};
    const size_t start = TextPageLineStart(page, line);
    size_t end = t.find('\n', start);
    if (end == std::string::npos) end = t.size();
    if (end > start && t[end - 1] == '\r') --end;
    return t.substr(start, end - start);
}

void DeleteTextPageLine(NetlistTextPage& page, int line) {
    if (line < 0 || line >= GetTextPageLineCount(page)) return;
    const size_t start = TextPageLineStart(page, line);
    const size_t end = line + 1 < GetTextPageLineCount(page) ? TextPageLineStart(page, line + 1) : page.Text().size();
    page.Replace(start, end, std::string());
}

std::string ToCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

void AppendToTextPage(NetlistTextPage& page, int line, const std::string& text, int flags) {
    std::string insert = ToCrLf(text);
    if (flags & kAppendAsLine) insert += "\r\n";
    size_t at;
    if (line < GetTextPageLineCount(page)) {
        at = TextPageLineStart(page, line);
    } else {
        at = page.Text().size();
    }
    page.Replace(at, at, insert);
}

int FindEndLine(const NetlistTextPage& page) {
    const int count = GetTextPageLineCount(page);
    for (int i = count - 1; i >= 0; --i) {
        std::string l = GetTextPageLine(page, i);
        if (l.size() < 4 || l[0] != '.') continue;
        for (char& c : l) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (l.compare(0, 4, ".END") == 0 && l.compare(0, 5, ".ENDS") != 0) return i;
    }
    return count - 1;
}

int SkipBlanks(const char** text, bool multiLine) {
    const char* p = *text;
    for (;;) {
        while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
        if (!multiLine) break;
        if (*p == ';') {
            while (*p && *p != '\n') ++p;
            continue;
        }
        if (*p == '\n') {
            ++p;
            while (*p == ' ' || *p == '\t') ++p;
            if (*p == '*') {
                while (*p && *p != '\n') ++p;
            } else if (*p == '+') {
                ++p;
            }
            continue;
        }
        break;
    }
    const int skipped = static_cast<int>(p - *text);
    *text = p;
    return skipped;
}

int DotCommandHelpContext(const std::string& lineIn, bool schematic, bool inputTarget) {
    size_t p = lineIn.find_first_not_of(" \t");
    if (p == std::string::npos) return 0;
    const std::string line = lineIn.substr(p);
    if (line[0] == '.') {
        for (int i = 0; i < kDotCommandCount; ++i) {
            const DotCommandInfo* d = DotCommandAt(i);
            if (!(d->flags & (schematic ? 1 : 2))) continue;
            const size_t n = std::strlen(d->name);
            if (line.size() < n + 1 || strncasecmp(line.c_str() + 1, d->name, n) != 0) continue;
            const char after = line.size() > n + 1 ? line[n + 1] : '\0';
            if (after == '\0' || after == ' ' || after == '\t' || after == ',' || after == '=' || after == '(' ||
                after == ')' || after == '"' || after == '{' || after == '}' || after == '|' || after == '\r' ||
                after == '\n')
                return d->code;
        }
        return 0;
    }
    if (!inputTarget || !std::isalpha(static_cast<unsigned char>(line[0]))) return 0;
    const int letter = std::toupper(static_cast<unsigned char>(line[0]));
    for (int type = 0; type < kComponentTypeCount; ++type)
        if (ComponentTypeTable[type].letter == letter) return 6000 + type;
    return 0;
}

}  // namespace ob7
