#include "foundation/char_classes.h"

namespace ob7 {
namespace {

struct Tables {
    std::array<uint32_t, 256> flags{};
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
};

constexpr bool In(const char* set, int c) {
    for (; *set; ++set)
        if (static_cast<unsigned char>(*set) == c)
            return true;
    return false;
}

// The rules in the order the flags build on each other. The delimiter sets include
// their terminating NUL, since NUL ends every text.
constexpr Tables MakeTables() {
    Tables t;
    for (int c = 0; c < 256; ++c) {
        t.upper[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        t.lower[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (c >= 128)
            continue;
        uint32_t f = 0;
        const bool lower = c >= 'a' && c <= 'z';
        const bool upper = c >= 'A' && c <= 'Z';
        const bool letter = lower || upper;
        const bool digit = c >= '0' && c <= '9';
        const bool white = (c >= 9 && c <= 13) || c == ' ';
        if (lower) f |= kCcLower;
        if (upper) f |= kCcUpper;
        if (letter || digit) f |= kCcAlnum;
        if (digit) f |= kCcDigit | kCcHexDigit;
        if (c >= '0' && c <= '7') f |= kCcOctalDigit;
        if ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) f |= kCcHexDigit;
        if (c == '.') f |= kCcDot;
        if (white) f |= kCcWhite;
        if (c == 0) f |= kCcEnd;
        if (letter || digit || In("_$%*+-/", c)) f |= kCcNameChar;
        if (f & (kCcNameChar | kCcDot)) f |= kCcNameDot;
        if (letter || c == '_') f |= kCcIdentStart;
        if (letter || digit || c == '_') f |= kCcIdentChar;
        if (digit || In("+-.", c)) f |= kCcNumberStart;
        if ((f & kCcNumberStart) || c == 'E' || c == 'e') f |= kCcNumberChar;
        if (white || c == 0 || c == '(') f |= kCcTokenEnd;
        if (In(" \"(),={|}", c)) f |= kCcFieldSep;
        if (In("01FRX", c)) f |= kCcState;
        if (In("!<=>", c)) f |= kCcRelation;
        if (In("&*+-/^|~", c)) f |= kCcOperator;
        if (c == 0 || In(",=()[]<>", c)) f |= kCcListDelim;
        if (c == 0 || In(",=()[]<>% ", c)) f |= kCcListDelimSpace;
        if (c == 0 || In(" ,=()[]<>^~*/+-='!|&", c)) f |= kCcExprDelim;
        if (c >= 32 && c <= 126) f |= kCcPrintable;
        if (c == ' ') f |= kCcSpace;
        if (c == '(') f |= kCcOpenParen;
        if (c == ')') f |= kCcCloseParen;
        if (c == '=') f |= kCcEquals;
        if (c == ',') f |= kCcComma;
        if (c == '{') f |= kCcOpenBrace;
        if (c == '}') f |= kCcCloseBrace;
        t.flags[c] = f;
    }
    return t;
}

constexpr Tables kInitial = MakeTables();

}  // namespace

constinit std::array<uint32_t, 256> CharClassTable = kInitial.flags;
constinit std::array<unsigned char, 256> UpperCaseMap = kInitial.upper;
constinit std::array<unsigned char, 256> LowerCaseMap = kInitial.lower;

void BuildCharClasses() {
    CharClassTable = kInitial.flags;
    UpperCaseMap = kInitial.upper;
    LowerCaseMap = kInitial.lower;
}

}  // namespace ob7
