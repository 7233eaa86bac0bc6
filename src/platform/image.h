#pragma once
// A raster image in 32-bit RGB: memory bitmaps, pictures of windows, clipboard
// bitmaps. Copies share the pixels until one of them is changed.

#include <memory>
#include <string>

#include "platform/geometry.h"

namespace platform {

struct ImageData;

class Image {
public:
    Image();
    Image(int width, int height, Color fill = Rgb(255, 255, 255));
    Image(const Image&);
    Image& operator=(const Image&);
    ~Image();

    bool IsNull() const;
    int Width() const;
    int Height() const;
    Color Pixel(int x, int y) const;  // 0 outside the image
    void SetPixel(int x, int y, Color c);
    void Fill(Color c);
    Image Copy(const Rect& area) const;

    bool SavePng(const std::string& path) const;
    // Reads BMP, PNG, GIF or JPEG; a null image when the file cannot be read.
    static Image Load(const std::string& path);

    bool operator==(const Image& other) const;  // same size and pixels

    ImageData& Data() const { return *data_; }

private:
    std::unique_ptr<ImageData> data_;
};

}  // namespace platform
