#include "netlist/spice_logical_lines.h"

#include <algorithm>
#include <cstdio>

#include "foundation/char_classes.h"
#include "foundation/messages.h"
#include "foundation/textfile.h"

namespace ob7 {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Blanks the comments and continuation marks of a logical line in place.
void BlankComments(std::string& s) {
    bool first = true;
    for (size_t i = 0; i < s.size();) {
        size_t j = i;
        while (j < s.size() && IsBlank(s[j])) ++j;
        size_t eol = s.find('\n', j);
        if (eol == std::string::npos) eol = s.size();
        if (j < eol) {
            if (s[j] == '*') {
                std::fill(s.begin() + j, s.begin() + eol, ' ');
            } else {
                if (s[j] == '+' && !first) s[j] = ' ';
                const size_t semi = s.find(';', j);
                if (semi < eol) std::fill(s.begin() + semi, s.begin() + eol, ' ');
            }
        }
        first = false;
        i = eol + 1;
    }
}

}  // namespace

bool SpiceLogicalLines::Next(std::string& out, size_t* position, int* line) {
    const std::string& t = text_;
    size_t p = pos_;
    // Lines that hold nothing are skipped, not returned.
    for (;;) {
        while (p < t.size() && (IsBlank(t[p]) || t[p] == '\r')) ++p;
        if (p < t.size() && t[p] == '\n') {
            ++p;
            ++line_;
            continue;
        }
        break;
    }
    if (p >= t.size()) {
        pos_ = p;
        return false;
    }
    const size_t start = p;
    const int startLine = line_;
    size_t end = t.size();
    for (size_t i = start; i < t.size(); ++i) {
        if (t[i] != '\n') continue;
        ++line_;
        size_t q = i + 1;
        while (q < t.size() && IsBlank(t[q])) ++q;
        // Empty lines (LF or CR LF alike) and comment or continuation lines belong here.
        if (q < t.size() && (t[q] == '+' || t[q] == ';' || t[q] == '*' || t[q] == '\r' || t[q] == '\n')) {
            i = q - 1;
            continue;
        }
        end = q;
        break;
    }
    pos_ = end;
    out.assign(t, start, end - start);
    BlankComments(out);
    for (char& c : out) c = HasClass(c, kCcWhite) ? ' ' : ToUpperMap(c);
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) {
        out.clear();
    } else {
        out.erase(out.find_last_not_of(' ') + 1);
        out.erase(0, first);
    }
    if (position) *position = start;
    if (line) *line = startLine;
    return true;
}

int ReadLogicalLineAt(const std::string& path, size_t position, std::string& out) {
    FILE* f = OpenBinaryRead(path.c_str());
    if (!f) return ErrnoToMessageId();
    std::string chunk;
    size_t want = 4096;
    int code = 0;
    for (;;) {
        chunk.resize(want);
        if (std::fseek(f, static_cast<long>(position), SEEK_SET) != 0) {
            code = ErrnoToMessageId();
            break;
        }
        chunk.resize(std::fread(chunk.data(), 1, want, f));
        const bool whole = chunk.size() < want;
        SpiceLogicalLines lines(chunk);
        if (!lines.Next(out)) out.clear();
        // A line that ran to the end of a partial chunk may continue beyond it.
        if (whole || !lines.ReachedEnd()) break;
        want *= 4;
    }
    std::fclose(f);
    return code;
}

}  // namespace ob7
