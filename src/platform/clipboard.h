#pragma once
// The system clipboard: text, bitmaps, recorded pictures and private formats (the
// drawing objects of the program's own windows).

#include <string>
#include <vector>

namespace platform {

class Image;
class Picture;

// Clear empties the clipboard; each Set adds its format to what this program put on
// the clipboard since then (text and picture of one copy), replacing the same format.
namespace clipboard {

void Clear();
void SetText(const std::string& text);
bool HasText();
std::string Text();

void SetImage(const Image& image);
bool HasImage();
Image GetImage();  // a null image when there is none

void SetPicture(const Picture& picture);
bool HasPicture();
Picture GetPicture();

// A private format by name; the bytes are the program's own.
void SetPrivate(const std::string& format, const std::vector<unsigned char>& bytes);
bool HasPrivate(const std::string& format);
std::vector<unsigned char> GetPrivate(const std::string& format);

}  // namespace clipboard
}  // namespace platform
