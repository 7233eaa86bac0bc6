#pragma once
// The value forms of sectioned circuit file entries: trimmed texts, upper-cased keys,
// integers and doubles as the C library reads them, comma lists, printf texts.

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "libraries/library_text.h"

namespace ob7::file_values {

inline std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

inline std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(ToUpperAscii(static_cast<unsigned char>(c)));
    return s;
}

inline long ToLong(const std::string& s)
{
    return std::strtol(s.c_str(), nullptr, 10);
}

inline double ToDouble(const std::string& s)
{
    return std::strtod(s.c_str(), nullptr);
}

// Comma-separated fields, leading blanks skipped.
inline std::vector<std::string> SplitCommas(const std::string& s)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t comma = s.find(',', start);
        out.push_back(Trim(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return out;
}

inline std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string Fmt(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

}  // namespace ob7::file_values
