#pragma once
// A recorded picture: the drawing calls made on a DrawContext(Picture&), replayed later
// at any place (clipboard pictures, window pictures saved to files).

#include <memory>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace platform {

struct PictureData;

class Picture {
public:
    Picture();
    Picture(const Picture&);
    Picture& operator=(const Picture&);
    ~Picture();

    bool IsEmpty() const;
    Rect Bounds() const;

    std::vector<unsigned char> Bytes() const;
    bool SetBytes(const std::vector<unsigned char>& bytes);
    bool Save(const std::string& path) const;
    bool Load(const std::string& path);

    PictureData& Data() const { return *data_; }

private:
    std::unique_ptr<PictureData> data_;
};

}  // namespace platform
