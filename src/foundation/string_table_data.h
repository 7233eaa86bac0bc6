#pragma once
// The raw message files embedded at build time (generated string_table_data.cpp).

namespace ob7 {

struct StringTableSource {
    const char* fileName;  // e.g. "foundation.txt"
    const char* text;      // the file's whole content
};

extern const StringTableSource kStringTableSources[];
extern const int kStringTableSourceCount;

}  // namespace ob7
