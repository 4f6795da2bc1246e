#include "skinner/Image32.h"

#include "skinner/HDCSelector.h"
#include "skinner/Picture.h"

#include <cstring>

namespace skinner {
namespace {

int32_t round_up_to_power_of_two(int32_t value) {
    int32_t p = 1;
    while (p < value && p < (1 << 30))
        p <<= 1;
    return p;
}

} // namespace

Image32::~Image32() { plat::delete_bitmap(bitmap_); }

bool Image32::create(plat::POINT size) {
    plat::delete_bitmap(bitmap_);
    bitmap_ = plat::create_bitmap(size.x, size.y);
    size_ = bitmap_ ? size : plat::POINT{};
    return bitmap_ != nullptr;
}

bool Image32::create_from_picture(const Picture& picture, bool power_of_two) {
    return create_from_picture(picture, picture.get_size(), power_of_two);
}

bool Image32::create_from_picture(const Picture& picture, plat::POINT size, bool power_of_two) {
    plat::POINT image_size = size;
    if (power_of_two)
        image_size = {round_up_to_power_of_two(size.x), round_up_to_power_of_two(size.y)};
    if (!create(image_size))
        return false;
    picture.render_into(*this, size);
    return true;
}

bool Image32::grab(Canvas& canvas, plat::POINT position, plat::POINT size) {
    // Every pixel is copied over, so an image of that size is used again.
    if ((!bitmap_ || size.x != size_.x || size.y != size_.y) && !create(size))
        return false;
    {
        HDCSelector target(canvas.dc(), bitmap_);
        plat::bit_blt(target.dc(), 0, 0, size.x, size.y, canvas.dc(), position.x, position.y, plat::SRCCOPY);
    }
    // Row by row through plain words: the loop runs over the whole clock each second.
    const Pixels32 p = pixels();
    for (int y = 0; y < p.height; ++y) {
        uint8_t* row = p.pixels + int64_t(y) * p.stride;
        for (int x = 0; x < p.width; ++x) {
            uint32_t value = 0;
            std::memcpy(&value, row + int64_t(x) * 4, 4);
            value |= 0xFF000000u;
            std::memcpy(row + int64_t(x) * 4, &value, 4);
        }
    }
    return true;
}

void Image32::put(Canvas& canvas, plat::POINT position) const {
    if (!bitmap_)
        return;
    HDCSelector source(canvas.dc(), bitmap_);
    plat::bit_blt(canvas.dc(), position.x, position.y, size_.x, size_.y, source.dc(), 0, 0, plat::SRCCOPY);
}

Pixels32 Image32::pixels() const {
    plat::BitmapInfo info;
    if (!plat::get_bitmap_info(bitmap_, info))
        return {};
    return {info.bits, info.width, info.height, info.stride};
}

} // namespace skinner
