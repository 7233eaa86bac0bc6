#include "foundation/owned_strings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/memory.h"

namespace ob7 {
namespace {

char emptyText[2] = {0, 0};

enum { kFormatStackSize = 1000, kSmallFormatStackSize = 50 };

// The exact length vsnprintf will produce; -1 for a bad format.
int MeasureFormat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    return length;
}

// Formats into a fresh heap block of exactly the measured length + 1; null when it
// cannot be had.
char* FormatToHeap(const char* format, va_list args, int length) {
    char* block = static_cast<char*>(MemAlloc(static_cast<std::size_t>(length) + 1));
    if (block)
        std::vsnprintf(block, static_cast<std::size_t>(length) + 1, format, args);
    return block;
}

char* VStrFormat(char** slot, const char* format, va_list args) {
    int length = MeasureFormat(format, args);
    if (length < 0)
        length = 0;
    if (length + 1 <= kFormatStackSize) {
        char buffer[kFormatStackSize];
        std::vsnprintf(buffer, sizeof buffer, format, args);
        StrAssign(slot, buffer);
        return *slot;
    }
    char* block = FormatToHeap(format, args, length);
    StrFree(slot);
    *slot = block;
    return block;
}

}  // namespace

char* const EmptyString = emptyText;

void StrFreeBlock(void** slot) {
    if (*slot && *slot != EmptyString)
        std::free(*slot);
    *slot = nullptr;
}

void StrInitEmpty(char** slot) { *slot = EmptyString; }

void StrSetEmpty(char** slot) {
    StrFree(slot);
    *slot = EmptyString;
}

char* StrAssign(char** slot, const char* text) {
    if (text == *slot)
        return *slot;  // assigning a slot its own text keeps it
    if (!text || !*text) {
        StrSetEmpty(slot);
        return *slot;
    }
    char* copy = StrDup(text);
    StrFree(slot);
    *slot = copy;
    return copy;
}

char* StrDup(const char* text) {
    std::size_t length = std::strlen(text);
    char* copy = static_cast<char*>(MemAlloc(length + 1));
    if (copy)
        std::memcpy(copy, text, length + 1);
    return copy;
}

char* StrDupN(const char* text, int n) {
    std::size_t length = n < 0 ? 0 : strnlen(text, static_cast<std::size_t>(n));
    char* copy = static_cast<char*>(MemAlloc(length + 1));
    if (copy) {
        std::memcpy(copy, text, length);
        copy[length] = 0;
    }
    return copy;
}

char* StrDupNew(const char* text) {
    std::size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

char* StrReserve(char** slot, std::size_t n) {
    if (!*slot || *slot == EmptyString) {
        *slot = static_cast<char*>(MemAllocZero(n + 1));
        return *slot;
    }
    std::size_t length = std::strlen(*slot);
    char* grown = static_cast<char*>(MemReallocRetry(*slot, length + n + 1));
    if (!grown) {
        StrFree(slot);
        return nullptr;
    }
    *slot = grown;
    return grown;
}

char* StrAppend(char** slot, const char* text) {
    std::size_t add = std::strlen(text);
    // The text may live inside the slot's own block, which StrReserve may move.
    char* copy = nullptr;
    if (*slot && text >= *slot && text <= *slot + std::strlen(*slot)) {
        copy = StrDup(text);
        if (!copy) {
            StrFree(slot);
            return nullptr;
        }
        text = copy;
    }
    char* grown = StrReserve(slot, add);
    if (grown)
        std::strcat(grown, text);
    std::free(copy);
    return grown;
}

char* StrAppendCharGrow(char** slot, char c) {
    char* grown = StrReserve(slot, 1);
    if (grown)
        StrAppendChar(grown, c);
    return grown;
}

char* StrAppendChar(char* text, char c) {
    std::size_t length = std::strlen(text);
    text[length] = c;
    text[length + 1] = 0;
    return text;
}

char* StrInsertAt(char** slot, std::size_t position, const char* text) {
    char* copy = StrDup(text);
    if (!copy) {
        StrFree(slot);
        return nullptr;
    }
    std::size_t add = std::strlen(copy);
    char* grown = StrReserve(slot, add);
    if (grown) {
        std::size_t length = std::strlen(grown);
        if (position > length)
            position = length;
        std::memmove(grown + position + add, grown + position, length - position + 1);
        std::memcpy(grown + position, copy, add);
    }
    std::free(copy);
    return grown;
}

char* StrFormat(char** slot, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* result = VStrFormat(slot, format, args);
    va_end(args);
    return result;
}

char* StrAppendFormat(char** slot, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = MeasureFormat(format, args);
    if (length < 0)
        length = 0;
    char* result;
    if (length + 1 <= kFormatStackSize) {
        char buffer[kFormatStackSize];
        std::vsnprintf(buffer, sizeof buffer, format, args);
        result = StrAppend(slot, buffer);
    } else {
        char* block = FormatToHeap(format, args, length);
        result = block ? StrAppend(slot, block) : *slot;
        std::free(block);
    }
    va_end(args);
    return result;
}

int VFormat(char* buffer, std::size_t size, const char* format, va_list args) {
    return std::vsnprintf(buffer, size, format, args);
}

char* StrFormatInto(char* buffer, const char* format, ...) {
    char temp[kFormatIntoSize];
    va_list args;
    va_start(args, format);
    VFormat(temp, sizeof temp, format, args);
    va_end(args);
    std::strcpy(buffer, temp);
    return buffer;
}

template <int N>
void SmallString<N>::Clear() {
    if (text != inlineText)
        StrFree(&text);
    text = nullptr;
    inlineText[0] = 0;
}

template <int N>
void SmallString<N>::Assign(const char* value) {
    if (!value) {
        Clear();
        return;
    }
    if (value == text)
        return;
    std::size_t length = std::strlen(value);
    if (length > N - 1) {
        if (text == inlineText)
            text = nullptr;
        StrAssign(&text, value);  // value may be the inline text: copy before emptying
        inlineText[0] = 0;
        return;
    }
    char copy[N];
    std::memcpy(copy, value, length + 1);  // value may be our own heap text
    if (text != inlineText)
        StrFree(&text);
    std::memcpy(inlineText, copy, length + 1);
    text = inlineText;
}

template <int N>
void SmallString<N>::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = MeasureFormat(format, args);
    if (length < 0)
        length = 0;
    if (length + 1 <= kSmallFormatStackSize) {
        char buffer[kSmallFormatStackSize];
        std::vsnprintf(buffer, sizeof buffer, format, args);
        Assign(buffer);
    } else if (char* block = FormatToHeap(format, args, length)) {
        Assign(block);
        std::free(block);
    }
    va_end(args);
}

template struct SmallString<8>;
template struct SmallString<12>;

void StringList5::Init() {
    for (char*& t : texts)
        t = nullptr;
    mode = 1;
    word1 = 0;
    word2 = 0;
}

void FreeStringArray5(StringList5* list) {
    for (char*& t : list->texts)
        StrFree(&t);
}

}  // namespace ob7
