#pragma once
// The string table: message and resource texts by id, from the files
// src/resources/strings/*.txt compiled into the program.

#include <cstddef>

namespace ob7 {

// Plain load into buffer (always terminated, cut to size-1). Returns the length copied;
// an id without a text gives an empty buffer and -1.
int LoadResString(char* buffer, int id, std::size_t size);
// LoadResString, and a leading "%E" or "%W" becomes "#E"/"#W" so that the text can
// serve as a printf format.
int LoadMessageText(char* buffer, int id, std::size_t size);
// LoadMessageText into one shared 200-byte buffer; the next call overwrites it.
enum { kMessageTextTempSize = 200 };
const char* LoadMessageTextTemp(int id);
// The full text of an id, or null when the table has none.
const char* FindResString(int id);

}  // namespace ob7
