#pragma once
// The raw message files embedded at build time (generated string_table_data.cpp), and
// the reader of their lines.

#include <cstddef>
#include <string>

namespace ob7 {

struct StringTableSource {
    const char* fileName;  // e.g. "foundation.txt"
    const char* text;      // the file's whole content
};

extern const StringTableSource kStringTableSources[];
extern const int kStringTableSourceCount;

// One line "<id><TAB><text>" (without its line end) with the escapes \n \t \\ resolved;
// false for comments, blank and malformed lines.
bool ParseStringTableLine(const char* line, std::size_t length, int* id, std::string* text);

// Calls add(id, text) for every message line of a whole file's text (CR LF or LF).
template <class Add>
void ForEachStringTableLine(const char* fileText, Add add) {
    for (const char* p = fileText; *p;) {
        std::size_t length = 0;
        while (p[length] && p[length] != '\n')
            ++length;
        std::size_t used = length > 0 && p[length - 1] == '\r' ? length - 1 : length;
        int id = 0;
        std::string text;
        if (ParseStringTableLine(p, used, &id, &text))
            add(id, text);
        p += length + (p[length] ? 1 : 0);
    }
}

}  // namespace ob7
