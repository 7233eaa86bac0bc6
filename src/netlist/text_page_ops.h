#pragma once
// Line operations on a circuit's text page (every edit goes through the page's Replace,
// so it joins the page's undo), and the help context of a text line.

#include <string>

#include "netlist/netlist_text_page.h"

namespace ob7 {

// Lines end in LF (a CR before it belongs to the line); a text ending in a line end has
// an empty last line.
int GetTextPageLineCount(const NetlistTextPage& page);
// The line without its line end.
std::string GetTextPageLine(const NetlistTextPage& page, int line);
// Byte offset of the start of a line; the text's size past the last line.
size_t TextPageLineStart(const NetlistTextPage& page, int line);
// Deletes a line with its line end (the last line to the end of the text).
void DeleteTextPageLine(NetlistTextPage& page, int line);
// Inserts "\r" before every LF that has no CR before it.
std::string ToCrLf(const std::string& text);
enum : int { kAppendAsLine = 128 };
// Inserts the text at the start of a line (past the last line: at the end of the text);
// with kAppendAsLine a "\r\n" follows it.
void AppendToTextPage(NetlistTextPage& page, int line, const std::string& text, int flags);
// The ".END" line of a SPICE text (the last line beginning with ".end", any case, that
// is not ".ends"); the last line when there is none.
int FindEndLine(const NetlistTextPage& page);
// Skips blanks (and with multiLine ';' comments, '*' comment lines and one '+' after a
// line end); returns the number of characters skipped.
int SkipBlanks(const char** text, bool multiLine);
// The help context of a statement or card line: 7000..7029 for a dot command valid in
// the window (schematic text: flag 1, text page: flag 2), 6000 plus the component type
// for a device letter when the window is the input target; 0 for none.
int DotCommandHelpContext(const std::string& line, bool schematic, bool inputTarget);

}  // namespace ob7
