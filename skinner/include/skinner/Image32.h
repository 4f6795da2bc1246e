#pragma once
#include "skinner/Canvas.h"
#include "skinner/Rotator.h"
#include "plat/Gdi.h"

namespace skinner {

class Picture;

// A 32-bit image for the software rasteriser: blue, green, red and alpha
// bytes per pixel, rows top-down.
class Image32 {
public:
    Image32() = default;
    ~Image32();
    Image32(const Image32&) = delete;
    Image32& operator=(const Image32&) = delete;

    // A fully transparent black image; false (and no image) for a refused size.
    bool create(plat::POINT size);
    // The picture rendered at its own size (or the given one) into the top-left
    // corner; with power_of_two each side is rounded up to a power of two and
    // the pixels beyond the picture are 0.
    bool create_from_picture(const Picture& picture, bool power_of_two);
    bool create_from_picture(const Picture& picture, plat::POINT size, bool power_of_two);
    // The canvas pixels at the position, every alpha set to 255 (an image of
    // that size already there is reused).
    bool grab(Canvas& canvas, plat::POINT position, plat::POINT size);
    // Copies the whole image to the canvas at the position.
    void put(Canvas& canvas, plat::POINT position) const;

    plat::HBITMAP bitmap() const { return bitmap_; }
    plat::POINT size() const { return size_; }
    Pixels32 pixels() const;

private:
    plat::HBITMAP bitmap_ = nullptr;
    plat::POINT size_;
};

} // namespace skinner
