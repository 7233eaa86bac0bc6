#include "foundation/tokenizer.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/char_classes.h"
#include "foundation/memory.h"
#include "foundation/message_codes.h"

namespace ob7 {

char* TokenizerPosition = nullptr;
int32_t LargestFieldBuffer = 0;

const char* SkipCharClass(const char* text, uint32_t mask) {
    while (*text && HasClass(*text, mask))
        ++text;
    return text;
}

char* SkipCharClass(char* text, uint32_t mask) {
    return const_cast<char*>(SkipCharClass(static_cast<const char*>(text), mask));
}

const char* CopyCharClass(char* destination, const char* text, uint32_t mask, int n) {
    if (n <= 0)
        return text;
    int copied = 0;
    while (*text && HasClass(*text, mask) && copied < n - 1)
        destination[copied++] = *text++;
    destination[copied] = 0;
    return text;
}

void StrCursor::SkipBlanks(const char** cursor) {
    while (**cursor && HasClass(**cursor, kCcWhite))
        ++*cursor;
}

void StrCursor::SkipBlanks(char** cursor) {
    while (**cursor && HasClass(**cursor, kCcWhite))
        ++*cursor;
}

const char* SkipBraceGroup(const char* text) {
    int depth = 0;
    for (; *text; ++text) {
        if (*text == '{')
            ++depth;
        else if (*text == '}' && --depth == 0)
            return text;
    }
    return text;
}

char* NextToken(char* text, uint32_t separatorMask) {
    if (text)
        TokenizerPosition = text;
    char* p = TokenizerPosition;
    if (!p)
        return nullptr;
    const bool braces = (separatorMask & kCcOpenBrace) != 0;
    auto isSeparator = [&](char c) { return HasClass(c, separatorMask) && !(braces && c == '{'); };
    while (*p && isSeparator(*p))
        ++p;
    if (!*p) {
        TokenizerPosition = p;
        return nullptr;
    }
    char* token = p;
    while (*p && !isSeparator(*p)) {
        if (braces && *p == '{') {
            p = const_cast<char*>(SkipBraceGroup(p));
            if (!*p)
                break;
        }
        ++p;
    }
    if (*p) {
        *p = 0;
        TokenizerPosition = p + 1;
    } else {
        TokenizerPosition = p;
    }
    return token;
}

int CStrBuf::Reserve(int32_t n) {
    if (n < 1)
        n = 1;
    if (data && capacity >= n)
        return kMsgOk;
    delete[] data;
    data = new (std::nothrow) char[static_cast<std::size_t>(n)];
    if (!data) {
        capacity = 0;
        return kMsgInsufficientMemory;
    }
    data[0] = 0;
    capacity = n;
    return kMsgOk;
}

char* CStrBuf::Set(const char* text) { return SetN(text, text ? static_cast<int>(std::strlen(text)) : 0); }

char* CStrBuf::SetN(const char* text, int n) {
    if (!text || n < 0) {
        text = "";
        n = 0;
    }
    n = static_cast<int>(strnlen(text, static_cast<std::size_t>(n)));
    if (data && text >= data && text < data + capacity) {
        std::memmove(data, text, static_cast<std::size_t>(n));  // a part of our own text
        data[n] = 0;
        return data;
    }
    if (Reserve(n + 1) != kMsgOk)
        return nullptr;
    std::memcpy(data, text, static_cast<std::size_t>(n));
    data[n] = 0;
    return data;
}

char* CStrBuf::Append(const char* text) {
    const std::size_t oldLength = data ? std::strlen(data) : 0;
    const std::size_t addLength = std::strlen(text);
    char* fresh = new (std::nothrow) char[oldLength + addLength + 1];
    if (!fresh)
        return nullptr;
    if (oldLength)
        std::memcpy(fresh, data, oldLength);
    std::memcpy(fresh + oldLength, text, addLength + 1);
    delete[] data;
    data = fresh;
    capacity = static_cast<int32_t>(oldLength + addLength + 1);
    return data;
}

int CStrArray::Grow(int32_t n) {
    if (n <= count)
        return kMsgOk;
    void* block = MemAllocZero(static_cast<std::size_t>(n) * sizeof(CStrBuf));
    if (!block)
        return kMsgInsufficientMemory;
    CStrBuf* fresh = static_cast<CStrBuf*>(block);
    if (entries)
        std::memcpy(fresh, entries, static_cast<std::size_t>(count) * sizeof(CStrBuf));
    std::free(entries);
    entries = fresh;
    count = n;
    return kMsgOk;
}

int CStrArray::Reset() {
    if (int code = Grow(100))
        return code;
    for (int i = 0; i < 10; ++i)
        if (entries[i].data)
            entries[i].data[0] = 0;
    return kMsgOk;
}

namespace {

bool AtLineStart(const char* line, const char* p) { return p == line || p[-1] == '\n'; }

// The netlist blank skipper: white space, ";" comments to the line end, lines that begin
// with "*", and a continuation "+" at a line start.
const char* SkipNetlistBlanks(const char* line, const char* p) {
    for (;;) {
        if (HasClass(*p, kCcWhite) && *p) {
            ++p;
        } else if (*p == ';' || (*p == '*' && AtLineStart(line, p))) {
            while (*p && *p != '\n')
                ++p;
        } else if (*p == '+' && AtLineStart(line, p)) {
            ++p;
        } else {
            return p;
        }
    }
}

bool IsNameModeChar(char c) { return HasClass(c, kCcNameDot) || c == '#' || c == ':' || c == '?'; }

// The end of a field that starts at p.
const char* FieldEnd(const char* p, bool nameMode) {
    const char c = *p;
    if ((nameMode && HasClass(c, kCcNameDot)) || c == '#' || c == '\'' || c == '?') {
        const char* q = c == '\'' ? p + 1 : p;
        while (*q && IsNameModeChar(*q)) {
            if (*q++ == ':')
                break;
        }
        return q == p ? p + 1 : q;
    }
    if (HasClass(c, kCcDigit | kCcDot)) {
        const char* q = p;
        while (HasClass(*q, kCcDigit | kCcDot))
            ++q;
        if (*q == 'E' || *q == 'e') {
            const char* e = q + 1;
            if (*e == '+' || *e == '-')
                ++e;
            if (HasClass(*e, kCcDigit)) {
                while (HasClass(*e, kCcDigit))
                    ++e;
                q = e;
            }
        }
        while (*q && (HasClass(*q, kCcIdentStart) || *q == '$' || *q == '%'))
            ++q;
        return q;
    }
    if (HasClass(c, kCcIdentStart) || c == '.' || c == '$') {
        const char* q = p;
        while (*q && (HasClass(*q, kCcIdentChar) || *q == '.' || *q == ':' || *q == '$'))
            ++q;
        return q;
    }
    if (c == '"') {
        const char* q = p + 1;
        while (*q && *q != '"' && *q != '\n')
            ++q;
        return *q == '"' ? q + 1 : q;
    }
    return p + 1;
}

}  // namespace

int CStrArray::Split(const char* line, int flags) {
    if (int code = Reset())
        return code;
    const bool nameMode = (flags & kNameMode) != 0;
    int n = 0;
    auto addField = [&](const char* from, const char* to) {
        if (count - n < 10 && Grow(count + 100) != kMsgOk)
            return false;
        return entries[n++].SetN(from, static_cast<int>(to - from)) != nullptr;
    };
    const char* p = line ? line : "";
    if (*p != '*') {
        for (;;) {
            if (flags & kSkipComments)
                p = SkipNetlistBlanks(line, p);
            if (!*p || *p == ';')
                break;
            if (HasClass(*p, kCcWhite)) {
                ++p;
                continue;
            }
            const char* end = FieldEnd(p, nameMode);
            if (!addField(p, end))
                return kMsgInsufficientMemory;
            const bool import = end - p == 6 && strncasecmp(p, "IMPORT", 6) == 0;
            p = end;
            if (!import)
                continue;
            // IMPORT(file, expression): the arguments stay whole.
            const char* open = p;
            while (HasClass(*open, kCcWhite))
                ++open;
            if (*open != '(')
                continue;
            const char* comma = nullptr;
            const char* close = nullptr;
            int depth = 0;
            for (const char* q = open; *q; ++q) {
                if (*q == '(') {
                    ++depth;
                } else if (*q == ')' && --depth == 0) {
                    close = q;
                    break;
                } else if (*q == ',' && depth == 1 && !comma) {
                    comma = q;
                }
            }
            if (!comma || !close)
                continue;
            if (!addField(open, open + 1) || !addField(open + 1, comma) || !addField(comma, comma + 1) ||
                !addField(comma + 1, close) || !addField(close, close + 1))
                return kMsgInsufficientMemory;
            p = close + 1;
        }
    }
    if (count - n < 1 && Grow(count + 100) != kMsgOk)
        return kMsgInsufficientMemory;
    return entries[n].Set("") ? kMsgOk : kMsgInsufficientMemory;
}

int CStrArray::FieldCount() const {
    int n = 0;
    while (n < count && entries[n].data && entries[n].data[0])
        ++n;
    return n;
}

const char* CStrArray::Field(int index) const {
    if (index < 0 || index >= count)
        return "";
    return entries[index].Text();
}

int CStrArray::IsNumberField(int index) const {
    const char* field = Field(index);
    if (!*field)
        return 0;
    for (; *field; ++field)
        if (!HasClass(*field, kCcDigit))
            return 0;
    return 1;
}

int CStrArray::InsertField(int index, const char* text) {
    const int fields = FieldCount();
    if (index < 0)
        index = 0;
    if (index > fields)
        index = fields;
    if (fields + 2 > count) {
        if (int code = Grow(count + 100))
            return code;
    }
    // The spare entry after the terminator moves into place; the rest shift up.
    CStrBuf spare = entries[fields + 1];
    std::memmove(&entries[index + 1], &entries[index], static_cast<std::size_t>(fields + 1 - index) * sizeof(CStrBuf));
    entries[index] = spare;
    return entries[index].Set(text) ? kMsgOk : kMsgInsufficientMemory;
}

int CStrArray::RemoveField(int index) {
    const int fields = FieldCount();
    if (index < 0 || index >= fields)
        return kMsgOk;
    CStrBuf removed = entries[index];
    std::memmove(&entries[index], &entries[index + 1], static_cast<std::size_t>(fields - index) * sizeof(CStrBuf));
    entries[fields] = removed;
    if (removed.data)
        removed.data[0] = 0;
    return kMsgOk;
}

void CStrArray::TrimBuffers() {
    for (int i = 0; i < count && entries[i].data; ++i) {
        CStrBuf& buffer = entries[i];
        if (buffer.capacity <= 100)
            continue;
        if (buffer.capacity > LargestFieldBuffer)
            LargestFieldBuffer = buffer.capacity;
        delete[] buffer.data;
        buffer.data = nullptr;
        buffer.capacity = 0;
        buffer.Reserve(1);
    }
}

void CStrArray::Free() {
    for (int i = 0; i < count; ++i)
        delete[] entries[i].data;
    std::free(entries);
    entries = nullptr;
    count = 0;
}

int TokenizeLine(CStrArray* array, const char* line, int nameMode) {
    return array->Split(line, nameMode ? CStrArray::kNameMode : 0);
}

}  // namespace ob7
