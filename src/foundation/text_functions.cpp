#include "foundation/text_functions.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "foundation/char_classes.h"
#include "foundation/owned_strings.h"

namespace ob7 {
namespace {

bool IsWhite(char c) { return HasClass(c, kCcWhite); }

}  // namespace

char* StrTrimRightWhite(char* text) {
    std::size_t n = std::strlen(text);
    while (n > 0 && IsWhite(text[n - 1]))
        --n;
    text[n] = 0;
    return text;
}

char* StrTrimBoth(char* text) {
    StrTrimRightWhite(text);
    char* start = text;
    while (IsWhite(*start))
        ++start;
    if (start != text)
        std::memmove(text, start, std::strlen(start) + 1);
    return text;
}

char* StrTrimRight(char* text) {
    std::size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        --n;
    text[n] = 0;
    return text;
}

char* StrTrimLeft(char* text) {
    char* start = text;
    while (*start == ' ')
        ++start;
    if (start != text)
        std::memmove(text, start, std::strlen(start) + 1);
    return text;
}

char* StrTrim(char* text) { return StrTrimLeft(StrTrimRight(text)); }

char* StrRemoveBlanks(char* text) {
    char* out = text;
    for (const char* in = text; *in; ++in)
        if (!IsWhite(*in))
            *out++ = *in;
    *out = 0;
    return text;
}

char* StrCollapseBlanks(char* text) {
    if (text == EmptyString)
        return text;
    char* out = text;
    for (const char* in = text; *in; ++in)
        if (!(*in == ' ' && out > text && out[-1] == ' '))
            *out++ = *in;
    *out = 0;
    return text;
}

char* StrRemoveChar(char* text, char c) {
    char* out = text;
    for (const char* in = text; *in; ++in)
        if (*in != c)
            *out++ = *in;
    *out = 0;
    return text;
}

char* StrReplaceChar(char* text, char oldChar, char newChar) {
    for (char* p = text; *p; ++p)
        if (*p == oldChar)
            *p = newChar;
    return text;
}

void CStringReplaceChar(std::string& text, char oldChar, char newChar) {
    for (char& c : text)
        if (c == oldChar)
            c = newChar;
}

char* StrPadRight(char* text, std::size_t n) {
    std::size_t length = strnlen(text, n);
    while (length < n)
        text[length++] = ' ';
    text[n] = 0;
    return text;
}

char* StrUpperCopy(char* destination, const char* text) {
    char* out = destination;
    if (text)
        for (; *text; ++text)
            *out++ = ToUpperMap(*text);
    *out = 0;
    return destination;
}

char* StrCopyUntil(char* destination, const char* text, char stop) {
    char* out = destination;
    while (*text && *text != stop)
        *out++ = *text++;
    *out = 0;
    return destination;
}

char* StrCopyUntilBlank(char* destination, const char* text) { return StrCopyUntil(destination, text, ' '); }

char* StrCopyN(char* destination, const char* text, std::size_t n) {
    if (n == 0)
        return destination;
    std::size_t length = strnlen(text, n - 1);
    std::memmove(destination, text, length);
    destination[length] = 0;
    return destination;
}

char* StrSplitAt(char* text, char c) {
    char* at = std::strchr(text, c);
    if (!at || c == 0)
        return nullptr;
    *at = 0;
    return at + 1;
}

const char* StrFindNoCase(const char* text, const char* part) {
    if (!*part)
        return text;
    for (; *text; ++text) {
        const char* a = text;
        const char* b = part;
        while (*a && *b && ToUpperMap(*a) == ToUpperMap(*b)) {
            ++a;
            ++b;
        }
        if (!*b)
            return text;
    }
    return nullptr;
}

char* StrFindNoCase(char* text, const char* part) {
    return const_cast<char*>(StrFindNoCase(static_cast<const char*>(text), part));
}

const char* StrChrNoCase(const char* text, char c) {
    const char upper = ToUpperMap(c);
    for (; *text; ++text)
        if (ToUpperMap(*text) == upper)
            return text;
    return nullptr;
}

int StrAllInClass(const char* text, uint32_t classMask) {
    for (; *text; ++text)
        if (!HasClass(*text, classMask))
            return 0;
    return 1;
}

std::size_t StrLenWithoutTrailingDigits(const char* text) {
    std::size_t n = std::strlen(text);
    while (n > 0 && HasClass(text[n - 1], kCcDigit))
        --n;
    return n;
}

void StrAddWordOnce(std::string& list, const char* word, char separator) {
    const std::size_t wordLength = std::strlen(word);
    for (std::size_t at = list.find(word); at != std::string::npos; at = list.find(word, at + 1)) {
        bool startOk = at == 0 || list[at - 1] == separator;
        std::size_t end = at + wordLength;
        bool endOk = end == list.size() || list[end] == separator;
        if (startOk && endOk)
            return;
    }
    if (!list.empty())
        list += separator;
    list += word;
}

int WildcardMatchNoCase(const char* pattern, const char* text) {
    for (;; ++pattern, ++text) {
        if (!*pattern || *pattern == '*')
            return 0;
        if (!*text) {
            for (; *pattern; ++pattern)
                if (*pattern != '*' && *pattern != '?')
                    return 1;
            return 0;
        }
        if (*pattern != '?' && ToUpperMap(*pattern) != ToUpperMap(*text))
            return 1;
    }
}

namespace {

enum { kRuns = 5, kRunSize = 100 };

// Cuts a name (up to its first blank) into runs: digits, text, digits, text, rest.
// Each run keeps at most kRunSize-1 characters; longer runs are cut there (the rest of
// an over-long run is skipped, so the following runs stay aligned).
void CutRuns(const char* name, char runs[kRuns][kRunSize]) {
    for (int r = 0; r < kRuns; ++r)
        runs[r][0] = 0;
    const char* p = name;
    for (int r = 0; r < kRuns && *p && *p != ' '; ++r) {
        std::size_t n = 0;
        while (*p && *p != ' ') {
            bool digit = HasClass(*p, kCcDigit);
            if (r < kRuns - 1 && digit != (r % 2 == 0))
                break;
            if (n < kRunSize - 1)
                runs[r][n++] = *p;
            ++p;
        }
        runs[r][n] = 0;
    }
}

long RunNumber(const char* run) {
    if (!*run)
        return INT_MAX;  // a missing number sorts after every present one
    return std::strtol(run, nullptr, 10);
}

int CompareNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int ua = static_cast<unsigned char>(ToUpperMap(*a));
        int ub = static_cast<unsigned char>(ToUpperMap(*b));
        if (ua != ub || !ua)
            return ua < ub ? -1 : (ua > ub ? 1 : 0);
    }
}

}  // namespace

int CompareNatural(const char* name1, const char* name2) {
    if (!*name1 || !*name2)
        return CompareNoCase(name2, name1);
    char runs1[kRuns][kRunSize];
    char runs2[kRuns][kRunSize];
    CutRuns(name1, runs1);
    CutRuns(name2, runs2);
    for (int r = 0; r < kRuns; ++r) {
        if (r % 2 == 0) {
            long a = RunNumber(runs1[r]);
            long b = RunNumber(runs2[r]);
            if (a != b)
                return a < b ? -1 : 1;
        } else {
            int c = CompareNoCase(runs1[r], runs2[r]);
            if (c != 0)
                return c;
        }
    }
    return 0;
}

}  // namespace ob7
