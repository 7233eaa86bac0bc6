#pragma once
// Logical lines of SPICE text held in memory: a line and the lines after it that begin
// with '+' (continuation), '*' or ';' (comments) or are empty form one logical line.
// Comments and continuation marks become blanks, the text is upper-cased, white space
// becomes blanks and the ends are trimmed. Lines end in LF or CR LF.

#include <string>

namespace ob7 {

class SpiceLogicalLines {
public:
    explicit SpiceLogicalLines(const std::string& text) : text_(text) {}

    // Continues at a byte offset whose (0-based) line number is `line`.
    void Seek(size_t position, int line) {
        pos_ = position;
        line_ = line;
    }
    // The next logical line; *position and *line tell where it begins (its first
    // non-blank character). False at the end of the text.
    bool Next(std::string& out, size_t* position = nullptr, int* line = nullptr);
    // True when the last line returned ran to the end of the text.
    bool ReachedEnd() const { return pos_ >= text_.size(); }

private:
    const std::string& text_;
    size_t pos_ = 0;
    int line_ = 0;
};

// Reads the logical line that begins at `position` of a file, reading only as much of
// the file as that line needs. 0, or the file error code (the name pending).
int ReadLogicalLineAt(const std::string& path, size_t position, std::string& out);

}  // namespace ob7
