#include "netlist/netlist_line_source.h"

#include <cctype>
#include <cstdio>

#include "foundation/char_classes.h"
#include "foundation/messages.h"
#include "foundation/textfile.h"

namespace ob7 {

bool KeepNetlistComments = false;

namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

}  // namespace

void NetlistLineSource::OpenOnText(const std::string& source, const std::string& name, size_t begin, size_t finish,
                                   int firstLine) {
    owned.reset();
    text = &source;
    end = finish < source.size() ? finish : source.size();
    pos = begin < end ? begin : end;
    line = firstLine;
    logicalStart = firstLine;
    logicalPosition = pos;
    fileName = name;
    error = 0;
    open = true;
}

int NetlistLineSource::OpenFile(const std::string& path, size_t begin, size_t finish, int firstLine) {
    Close();
    FILE* f = OpenBinaryRead(path.c_str());
    if (!f) {
        const int code = ErrnoToMessageId();
        SetPendingMessageText(path.c_str());
        return code ? code : 15055;
    }
    auto content = std::make_shared<std::string>();
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) content->append(buffer, n);
    std::fclose(f);
    OpenOnText(*content, path, begin, finish, firstLine);
    owned = std::move(content);
    return 0;
}

void NetlistLineSource::Close() {
    owned.reset();
    text = nullptr;
    pos = end = 0;
    window = nullptr;
    open = false;
}

void BlankNetlistComments(std::string& s, bool raw) {
    bool mark = true;
    const size_t n = s.size();
    for (size_t i = 0; i < n; ++i) {
        char& c = s[i];
        if (IsBlankOrTab(c)) {
            c = ' ';
        } else if (c == '\n') {
            if (!raw) c = ' ';
            mark = true;
            size_t j = i + 1;
            while (j < n && IsBlankOrTab(s[j])) {
                if (!raw) s[j] = ' ';
                ++j;
            }
            if (j < n && s[j] == '+') {
                if (!raw) s[j] = ' ';
                mark = false;
                i = j;
            } else {
                i = j - 1;
            }
        } else if (c == '*' && mark) {
            while (i < n && s[i] != '\n') s[i++] = ' ';
            --i;
        } else {
            mark = false;
            if (c == ';' && !raw) {
                while (i < n && s[i] != '\n') s[i++] = ' ';
                --i;
            }
        }
    }
}

int ReadLogicalLine(NetlistLineSource& src, std::string& out, int flags) {
    out.clear();
    if (!src.open || !src.text) return 15007;
    if (src.error) return src.error;
    const std::string& t = *src.text;
    src.logicalStart = src.line;
    size_t p = src.pos;
    while (p < src.end && IsBlankOrTab(t[p])) ++p;
    if (p >= src.end) {
        src.pos = p;
        return 15007;
    }
    const size_t start = p;
    src.logicalPosition = start;
    // With flag 8: the end of the last physical line that was not a comment or empty.
    size_t lastContentEnd = std::string::npos;
    int lastContentLine = src.line;
    bool absorbedTail = false;
    size_t endOfLine = src.end;
    size_t next = src.end;
    for (size_t i = start; i < src.end; ++i) {
        if (t[i] != '\n') continue;
        ++src.line;
        size_t q = i + 1;
        while (q < src.end && IsBlankOrTab(t[q])) ++q;
        if (q < src.end && (t[q] == '+' || t[q] == ';' || t[q] == '*' || t[q] == '\r')) {
            if (t[q] == '+') {
                absorbedTail = false;
            } else {
                if (!absorbedTail) {
                    lastContentEnd = i + 1;
                    lastContentLine = src.line;
                }
                absorbedTail = true;
            }
            i = q - 1;
            continue;
        }
        endOfLine = q;
        next = q;
        break;
    }
    const bool startsWithComment = t[start] == '*' || t[start] == ';';
    if ((flags & kLineNoTrailingComments) && absorbedTail && !startsWithComment && lastContentEnd != std::string::npos) {
        endOfLine = next = lastContentEnd;
        src.line = lastContentLine;
    }
    src.pos = next;
    if ((flags & kLineDotOnly) && t[start] != '.') return 0;
    out.assign(t, start, endOfLine - start);
    for (char& c : out)
        if (c == '\r') c = ' ';
    const bool raw = flags & kLineRaw;
    if (!(raw && KeepNetlistComments)) BlankNetlistComments(out, raw);
    if (!(flags & kLineKeepTrailing)) {
        size_t e = out.size();
        while (e > 0 && (out[e - 1] == ' ' || out[e - 1] == '\n' || out[e - 1] == '\t')) --e;
        out.resize(e);
    }
    if (raw) return 0;
    for (char& c : out) c = HasClass(c, kCcWhite) ? ' ' : ToUpperMap(c);
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) {
        out.clear();
        return 0;
    }
    out.erase(out.find_last_not_of(' ') + 1);
    out.erase(0, first);
    return 0;
}

int ReadRawLine(NetlistLineSource& src, std::string& out, bool fieldMode) {
    out.clear();
    if (!src.open || !src.text) return 15007;
    if (src.error) return src.error;
    const std::string& t = *src.text;
    if (src.pos >= src.end) return 15007;
    size_t p = src.pos;
    bool lineEnded = false;
    // A CR, a CR LF or a bare LF ends the line (a text written with LF only still reads
    // line by line).
    while (p < src.end) {
        const char ch = t[p];
        if (ch == '\r' || ch == '\n') {
            ++p;
            if (ch == '\r' && p < src.end && t[p] == '\n') ++p;
            lineEnded = true;
            break;
        }
        if (fieldMode && ch == ',') {
            ++p;
            break;
        }
        out += ch;
        ++p;
    }
    if (lineEnded || p >= src.end) ++src.line;
    src.pos = p;
    size_t e = out.size();
    while (e > 0 && std::isspace(static_cast<unsigned char>(out[e - 1]))) --e;
    out.resize(e);
    return 0;
}

void IncludeStack::Pop() {
    if (depth < 0) return;
    entries[depth].Close();
    --depth;
}

void IncludeStack::PopAll() {
    while (depth >= 0) Pop();
}

bool IncludeStack::NextLineOrPopInclude() {
    if (depth < 0) return false;
    while (!entries[depth].HasMore() && depth > 0) Pop();
    return entries[depth].HasMore();
}

int ParseIncludeFileName(std::string& name, const std::string& line) {
    size_t p = 0;
    while (p < line.size() && (std::isalpha(static_cast<unsigned char>(line[p])) || line[p] == '.')) ++p;
    size_t e = line.size();
    while (p < e && (line[p] == ' ' || line[p] == '\t')) ++p;
    while (e > p && (line[e - 1] == ' ' || line[e - 1] == '\t')) --e;
    name.assign(line, p, e - p);
    if (name.empty()) return 0;
    const bool open = name.front() == '"';
    const bool close = name.size() > 1 && name.back() == '"';
    if (open != close || (name.size() == 1 && open)) {
        SetPendingMessageText(line.c_str());
        return 15047;
    }
    if (open) {
        name = name.substr(1, name.size() - 2);
        const size_t a = name.find_first_not_of(" \t");
        if (a == std::string::npos) name.clear();
        else name = name.substr(a, name.find_last_not_of(" \t") - a + 1);
    }
    if (name.size() > 259) name.resize(259);
    return 0;
}

}  // namespace ob7
