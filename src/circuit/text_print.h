#pragma once
// The page layout of a printed circuit text: how many lines a page holds beside its
// header and footer, how many pages a text needs, the statement and comment parts of a
// line (printed in their two colours), and the left, centre and right parts of header
// and footer lines.

#include <cstddef>
#include <string>
#include <vector>

namespace ob7 {

// The lines a header or footer text takes: none when empty, else one plus one for each
// backslash-'n' pair it holds.
int PrintTextLineCount(const std::string& text);

// Text lines on one page: the printable height in lines of `lineHeight` less the header
// and footer lines; at least 1.
int LinesPerTextPage(int printableHeight, int lineHeight, int headerLines, int footerLines);

// Pages of a text of `textLines` lines.
int TextPageCount(int textLines, int linesPerPage);

// Where the comment of a line starts: at a '*' that is its first non-blank character, or
// at its first ';'; npos when the line has none.
size_t PrintCommentStart(const std::string& line);

// A tab printed as two spaces.
std::string ExpandTabsForPrint(const std::string& line);

// One header or footer line: "$<" starts left-aligned text, "$|" centred and "$>"
// right-aligned; text before any marker is left-aligned.
struct PrintHeaderLine {
    std::string left, centre, right;
};
// The lines of a header or footer text, split at backslash-'n' pairs.
std::vector<PrintHeaderLine> SplitPrintHeader(const std::string& text);

}  // namespace ob7
