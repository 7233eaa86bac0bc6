#pragma once
// Small text helpers shared by the library code: name comparison without regard to
// case (names of components, shapes and packages) and string-table texts.

#include <string>

namespace ob7 {

int ToUpperAscii(int c);
int ToLowerAscii(int c);
bool EqualNoCase(const std::string& a, const std::string& b);
// <0, 0, >0 like strcmp, comparing upper-cased characters.
int CompareNoCase(const std::string& a, const std::string& b);
std::string UpperCopy(const std::string& text);
// The string-table text of an id (empty when the table has none).
std::string LibraryText(int id);
// The default face name of text objects and the run's index of a face name.
std::string LibraryDefaultFaceName();
int LibraryFontFaceIndex(const std::string& face);

}  // namespace ob7
