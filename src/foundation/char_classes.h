#pragma once
// One table of 32-bit class flags per byte value, with the case maps beside it. Every
// class test is CharClassTable[(unsigned char)c] & mask. Bytes 128 to 255 carry no flag
// and map to themselves. The tables are ready before any code runs.

#include <array>
#include <cstdint>

namespace ob7 {

enum CharClass : uint32_t {
    kCcNameChar = 0x1,           // letters, digits, _ $ % * + - /
    kCcIdentChar = 0x2,          // letters, digits, _
    kCcIdentStart = 0x4,         // letters, _ (also unit letters after a number)
    kCcNameDot = 0x8,            // name characters and '.'
    kCcNumberChar = 0x10,        // digits, + - . E e
    kCcTokenEnd = 0x20,          // NUL, white, (
    kCcNumberStart = 0x40,       // digits, + - .
    kCcFieldSep = 0x80,          // space " ( ) , = { | }
    kCcAlnum = 0x100,
    kCcUnused = 0x200,
    kCcDot = 0x400,
    kCcDigit = 0x800,
    kCcOperator = 0x1000,        // & * + - / ^ | ~
    kCcRelation = 0x2000,        // ! < = >
    kCcState = 0x4000,           // 0 1 F R X
    kCcCloseParen = 0x8000,
    kCcListDelim = 0x10000,      // NUL , = ( ) [ ] < >
    kCcListDelimSpace = 0x20000, // NUL, space, % , = ( ) [ ] < >
    kCcWhite = 0x40000,          // bytes 9 to 13 and the space
    kCcEnd = 0x80000,            // NUL
    kCcHexDigit = 0x100000,
    kCcOpenParen = 0x200000,
    kCcEquals = 0x400000,
    kCcLower = 0x800000,
    kCcUpper = 0x1000000,
    kCcPrintable = 0x2000000,    // bytes 32 to 126
    kCcExprDelim = 0x4000000,    // NUL, space , = ( ) [ ] < > ^ ~ * / + - ' ! | &
    kCcSpace = 0x8000000,
    kCcComma = 0x10000000,
    kCcOpenBrace = 0x20000000,   // in a tokenizer mask: keep {...} groups whole
    kCcCloseBrace = 0x40000000,
    kCcOctalDigit = 0x80000000,
};

extern std::array<uint32_t, 256> CharClassTable;
extern std::array<unsigned char, 256> UpperCaseMap;
extern std::array<unsigned char, 256> LowerCaseMap;

// Fills the table and the maps afresh (they are already filled at program load).
void BuildCharClasses();

inline bool HasClass(char c, uint32_t mask) { return (CharClassTable[static_cast<unsigned char>(c)] & mask) != 0; }
inline char ToUpperMap(char c) { return static_cast<char>(UpperCaseMap[static_cast<unsigned char>(c)]); }
inline char ToLowerMap(char c) { return static_cast<char>(LowerCaseMap[static_cast<unsigned char>(c)]); }

}  // namespace ob7
