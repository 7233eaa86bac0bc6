#pragma once
// The line source of every netlist reader: a text held in memory read as logical
// netlist lines, and the stack of nested include files that the SPICE reader walks.

#include <memory>
#include <string>

namespace ob7 {

class NetlistTextPage;

// ReadLogicalLine flags.
enum LogicalLineFlags : int {
    kLineRaw = 1,            // no case folding, no blank normalising
    kLineDotOnly = 2,        // lines that do not begin with '.' are skipped (text left empty)
    kLineKeepTrailing = 4,   // keep trailing line ends and blanks
    kLineNoTrailingComments = 8,  // trailing comment or empty lines start the next line
};

// Keeps '*' comment lines in raw reads (set while subcircuit text is copied verbatim).
extern bool KeepNetlistComments;

struct NetlistLineSource {
    std::shared_ptr<const std::string> owned;  // a file's text
    const std::string* text = nullptr;         // what is read (owned or a page's text)
    size_t pos = 0, end = 0;
    int line = 0;          // physical lines consumed (0-based line of pos)
    int logicalStart = 0;  // line where the last logical line began
    size_t logicalPosition = 0;
    std::string fileName;  // shown in messages
    NetlistTextPage* window = nullptr;
    int error = 0;
    bool open = false;

    // Opens on a text kept elsewhere, from byte `begin` (line `firstLine`) to `finish`.
    void OpenOnText(const std::string& source, const std::string& name, size_t begin = 0,
                    size_t finish = std::string::npos, int firstLine = 0);
    // Opens a file; 0 or a file error code (the name pending).
    int OpenFile(const std::string& path, size_t begin = 0, size_t finish = std::string::npos, int firstLine = 0);
    void Close();
    bool HasMore() const { return open && pos < end; }
};

// Reads one logical line into `out`. 0, or 15007 at the end of the text.
int ReadLogicalLine(NetlistLineSource& source, std::string& out, int flags);
// Reads one physical line, or in field mode one comma-separated field, without case
// folding; trailing white space is removed. 0, 15007 at the end of the text, or the
// source's stored error.
int ReadRawLine(NetlistLineSource& source, std::string& out, bool fieldMode);
// Blanks comments (and, unless raw, ';' tails, line ends and continuation marks).
void BlankNetlistComments(std::string& text, bool raw);

inline constexpr int kMaxIncludeDepth = 14;

struct IncludeStack {
    NetlistLineSource entries[kMaxIncludeDepth + 1];
    int depth = -1;
    NetlistLineSource& Top() { return entries[depth < 0 ? 0 : depth]; }
    void Pop();
    void PopAll();
    // True when the entry at the depth has a line; exhausted include entries are popped.
    bool NextLineOrPopInclude();
};

// Copies the argument of an include or library statement (without keyword, blanks and a
// pair of quotes). 0, or 15047 with the line pending when only one quote is there.
int ParseIncludeFileName(std::string& name, const std::string& line);

}  // namespace ob7
