#pragma once
// Plain text functions on NUL-terminated texts, in place unless said. "White" characters
// are those of the white-space class (bytes 9 to 13 and the space). Case-insensitive
// comparisons go through UpperCaseMap (char_classes.h).

#include <cstddef>
#include <cstdint>
#include <string>

namespace ob7 {

char* StrTrimBoth(char* text);        // trailing, then leading white characters
char* StrTrimRightWhite(char* text);  // trailing white characters
char* StrTrimRight(char* text);       // trailing spaces only
char* StrTrimLeft(char* text);        // leading spaces only
char* StrTrim(char* text);            // StrTrimRight, then StrTrimLeft
char* StrRemoveBlanks(char* text);    // every white character
// Every run of spaces becomes one space; EmptyString is left untouched.
char* StrCollapseBlanks(char* text);
char* StrRemoveChar(char* text, char c);
char* StrReplaceChar(char* text, char oldChar, char newChar);
void CStringReplaceChar(std::string& text, char oldChar, char newChar);
// Pads with spaces up to n characters and terminates at n (a longer text is cut).
char* StrPadRight(char* text, std::size_t n);

// Copies through the upper-case map; null or empty gives an empty result.
char* StrUpperCopy(char* destination, const char* text);
// Copies up to (not including) the first stop character or the end.
char* StrCopyUntil(char* destination, const char* text, char stop);
char* StrCopyUntilBlank(char* destination, const char* text);
// Copies at most n-1 characters and always terminates (n = 0 writes nothing).
char* StrCopyN(char* destination, const char* text, std::size_t n);
// Cuts the text at the first c and returns the rest after it; null when c is absent.
char* StrSplitAt(char* text, char c);

// First case-insensitive occurrence of part; null when none.
const char* StrFindNoCase(const char* text, const char* part);
char* StrFindNoCase(char* text, const char* part);
const char* StrChrNoCase(const char* text, char c);
// 1 when every character has one of the class flags (an empty text gives 1), else 0.
int StrAllInClass(const char* text, uint32_t classMask);
// Length without the trailing digits, so that R12 splits into R and 12.
std::size_t StrLenWithoutTrailingDigits(const char* text);
// Appends word to a separator-separated list unless it is already a whole word of it.
void StrAddWordOnce(std::string& list, const char* word, char separator);

// 0 when the text matches the pattern from its start (* ends with a match, ? matches
// any character, case-insensitive; a pattern matches every text that begins with a
// match of it), 1 otherwise.
int WildcardMatchNoCase(const char* pattern, const char* text);

// Sorts names so that R2 comes before R10: up to five alternating digit and text runs
// before the first blank; numbers compare numerically (a missing number sorts last),
// texts case-insensitively. An empty name sorts after every other name.
int CompareNatural(const char* name1, const char* name2);

}  // namespace ob7
