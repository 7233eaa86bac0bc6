#pragma once
// Scanning over character classes, a strtok-like tokenizer that can keep {...} groups
// whole, and the field splitter of netlist and definition lines.

#include <cstdint>

namespace ob7 {

// First position whose byte has none of the mask's flags.
const char* SkipCharClass(const char* text, uint32_t mask);
char* SkipCharClass(char* text, uint32_t mask);
// Copies the leading run of bytes with one of the mask's flags, at most n-1 of them,
// terminates the destination and returns the position after the copied run; n = 0
// copies nothing and returns text.
const char* CopyCharClass(char* destination, const char* text, uint32_t mask, int n);

struct StrCursor {
    // Advances *cursor past white bytes.
    static void SkipBlanks(const char** cursor);
    static void SkipBlanks(char** cursor);
};

// The continuation point of NextToken.
extern char* TokenizerPosition;
// Next token of text (null: continue the last text) separated by bytes of the mask;
// the separator that ends a token is overwritten with NUL. With kCcOpenBrace in the
// mask a {...} group stays whole. Null when no token is left.
char* NextToken(char* text, uint32_t separatorMask);
// Position of the } that matches the { at text (nesting counted), or of the end.
const char* SkipBraceGroup(const char* text);

// A growable text buffer (new[]/delete[]).
struct CStrBuf {
    char* data;
    int32_t capacity;

    // 0, or 15002 (capacity 0). A buffer of n bytes or more is kept; otherwise it is
    // replaced by one of n bytes holding an empty text.
    int Reserve(int32_t n);
    char* Set(const char* text);
    char* SetN(const char* text, int n);
    char* Append(const char* text);
    const char* Text() const { return data ? data : ""; }
};

// The field array of the line tokenizer: fields occupy entries 0, 1, 2 ...; the entry
// after the last field holds an empty text. Buffers are reused from line to line.
// A zero-filled record is an empty array.
struct CStrArray {
    int32_t count;     // entries allocated
    CStrBuf* entries;  // from MemAlloc

    enum SplitFlags { kSkipComments = 1, kNameMode = 2 };

    int Grow(int32_t n);  // room for n entries; 0 or 15002
    int Reset();          // 100 entries, the first ten emptied
    // Resets, then splits a line into fields; 0 or 15002. A line that begins with '*' or
    // is empty gives none; ';' ends the line. Fields: numbers with exponent, suffix and unit
    // (4.7K, 1.5e-3V); names over letters, digits, _ . : $; quoted texts with their
    // quotes; '#', '\'' and '?' names (and, in name mode, every name-character run)
    // ending after a ':'; every other character alone. After IMPORT the group
    // (file,expression) gives "(", file, ",", expression, ")". kSkipComments also skips
    // ';' comments, '*' comment lines and '+' continuations of a multi-line text.
    int Split(const char* line, int flags);
    int IsNumberField(int index) const;
    int InsertField(int index, const char* text);
    int RemoveField(int index);
    // Buffers over 100 bytes become fresh empty ones.
    void TrimBuffers();
    void Free();

    const char* Field(int index) const;  // "" beyond the allocated entries
    int FieldCount() const;              // fields before the terminating empty one
};

// The largest buffer capacity TrimBuffers has seen (statistics).
extern int32_t LargestFieldBuffer;

// CStrArray::Split with the name mode when nameMode is non-zero.
int TokenizeLine(CStrArray* array, const char* line, int nameMode);

}  // namespace ob7
