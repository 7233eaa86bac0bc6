#pragma once
// Plain geometry and colour values of the platform API. Rectangles keep the
// left/top/right/bottom form the window code computes with; right and bottom are
// exclusive.

#include <cstdint>

namespace platform {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A colour is 0x00BBGGRR, or a palette slot: kPaletteFlag | slot, resolved against the
// palette of the drawing context it is used on.
using Color = std::uint32_t;

constexpr Color kPaletteFlag = 0x01000000u;

constexpr Color Rgb(int r, int g, int b) {
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr Color PaletteIndex(int slot) { return kPaletteFlag | static_cast<Color>(slot & 0xFFFF); }
constexpr bool IsPaletteIndex(Color c) { return (c & 0xFF000000u) == kPaletteFlag; }
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

}  // namespace platform
