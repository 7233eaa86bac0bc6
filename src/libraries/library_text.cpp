#include "libraries/library_text.h"

#include "foundation/char_classes.h"
#include "foundation/font_record.h"
#include "foundation/string_table.h"

namespace ob7 {

int ToUpperAscii(int c)
{
    return static_cast<unsigned char>(ToUpperMap(static_cast<char>(c)));
}

int ToLowerAscii(int c)
{
    return static_cast<unsigned char>(ToLowerMap(static_cast<char>(c)));
}

int CompareNoCase(const std::string& a, const std::string& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = ToUpperAscii(static_cast<unsigned char>(a[i]));
        int cb = ToUpperAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca - cb;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::string UpperCopy(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        c = ToUpperMap(c);
    return out;
}

std::string LibraryText(int id)
{
    const char* text = FindResString(id);
    return text ? text : "";
}

std::string LibraryDefaultFaceName()
{
    const char* face = FaceName(0);
    return face ? face : "";
}

int LibraryFontFaceIndex(const std::string& face)
{
    return FontFaceIndex(face.c_str());
}

}  // namespace ob7
