#include "circuit/text_print.h"

#include <algorithm>

namespace ob7 {

int PrintTextLineCount(const std::string& text)
{
    if (text.empty())
        return 0;
    int lines = 1;
    for (size_t at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 2))
        ++lines;
    return lines;
}

int LinesPerTextPage(int printableHeight, int lineHeight, int headerLines, int footerLines)
{
    if (lineHeight <= 0)
        return 1;
    return std::max(1, printableHeight / lineHeight - headerLines - footerLines);
}

int TextPageCount(int textLines, int linesPerPage)
{
    if (textLines <= 0 || linesPerPage <= 0)
        return 0;
    return (textLines + linesPerPage - 1) / linesPerPage;
}

size_t PrintCommentStart(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '*')
        return first;
    return line.find(';');
}

std::string ExpandTabsForPrint(const std::string& line)
{
    std::string out;
    out.reserve(line.size());
    for (char c : line) {
        if (c == '\t')
            out += "  ";
        else
            out += c;
    }
    return out;
}

std::vector<PrintHeaderLine> SplitPrintHeader(const std::string& text)
{
    std::vector<PrintHeaderLine> lines;
    if (text.empty())
        return lines;
    lines.emplace_back();
    std::string* target = &lines.back().left;
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && next == 'n') {
            lines.emplace_back();
            target = &lines.back().left;
            ++i;
        } else if (text[i] == '$' && (next == '<' || next == '|' || next == '>')) {
            PrintHeaderLine& line = lines.back();
            target = next == '<' ? &line.left : next == '|' ? &line.centre : &line.right;
            ++i;
        } else {
            *target += text[i];
        }
    }
    return lines;
}

}  // namespace ob7
