#pragma once
// Owned text slots. A slot is a char* field owned by its record, in one of three states:
// null (no text), EmptyString (the empty text, shared, never freed), or a heap block
// from MemAlloc holding a NUL-terminated text. Compare with EmptyString by pointer.
// Functions that run out of memory leave the slot null; the caller reports 15002.

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace ob7 {

// The one shared empty text; MemSize reports 2 for it.
extern char* const EmptyString;

// Frees the block a slot holds unless it is EmptyString; the slot becomes null either
// way. Used for every owned block, not only texts.
void StrFreeBlock(void** slot);
template <class T>
inline void StrFree(T** slot) { StrFreeBlock(reinterpret_cast<void**>(slot)); }

// Stores EmptyString without freeing (fresh records).
void StrInitEmpty(char** slot);
// StrFree, then EmptyString.
void StrSetEmpty(char** slot);
// StrFree, then EmptyString for an empty text, else a heap copy (null when memory is
// exhausted). Returns the slot's new value. The text must not be null.
char* StrAssign(char** slot, const char* text);

// Heap copies (MemAlloc); null when memory is exhausted.
char* StrDup(const char* text);
// The first n characters (a negative n counts as 0), always terminated.
char* StrDupN(const char* text, int n);
// A copy from new[]; release with delete[], not StrFree.
char* StrDupNew(const char* text);

// Room for n more characters: null/EmptyString gets a zeroed block of n+1 bytes, else
// the block grows to length + n + 1. On exhausted memory the slot is freed and nulled.
char* StrReserve(char** slot, std::size_t n);
char* StrAppend(char** slot, const char* text);
char* StrAppendCharGrow(char** slot, char c);
// Appends in place to a buffer that already has room.
char* StrAppendChar(char* text, char c);
// Inserts text at a character position (clamped to the text's length).
char* StrInsertAt(char** slot, std::size_t position, const char* text);

// Formats into the slot, replacing its value. Results under 1000 bytes are built on the
// stack and stored with StrAssign; longer ones directly in a heap block of exactly the
// measured length + 1. Null (slot freed) when that block cannot be had.
char* StrFormat(char** slot, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Appends the formatted text; on exhausted memory for a long result the slot is unchanged.
char* StrAppendFormat(char** slot, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Formats through a 1370-byte buffer (at most 1369 characters) into the caller's buffer,
// which must hold the result.
enum { kFormatIntoSize = 1370 };
char* StrFormatInto(char* buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Bounded formatting of a prepared argument list; returns the length it wanted.
int VFormat(char* buffer, std::size_t size, const char* format, va_list args);

// Short texts kept inline: up to 7 (SmallString8) or 11 (SmallString12) characters live in
// the record and `text` points at it; a longer one is an owned heap copy. After Clear the
// inline buffer is empty and `text` is null. Readers go through `text`. A zero-filled
// record is a cleared one. Never copy these records: use Assign.
template <int N>
struct SmallString {
    char inlineText[N];
    char* text;

    SmallString() = default;
    SmallString(const SmallString&) = delete;
    SmallString& operator=(const SmallString&) = delete;

    void Clear();
    void Assign(const char* value);
    // Through a 50-byte stack buffer when the result fits, else a temporary heap block
    // (nothing happens when that cannot be had).
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* Text() const { return text ? text : ""; }
};
using SmallString8 = SmallString<8>;
using SmallString12 = SmallString<12>;

// Five owned texts with a mode word and two further words (title-block texts).
struct StringList5 {
    char* texts[5];
    int32_t mode;
    int32_t word1;
    int32_t word2;
    void Init();
};
void FreeStringArray5(StringList5* list);

}  // namespace ob7
