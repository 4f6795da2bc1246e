#pragma once
#include "plat/Gdi.h"

#include <cstddef>
#include <cstdint>

// The decoders behind decode_picture; each takes the whole file and the size limits.
namespace plat {

struct PictureLimits {
    int32_t max_width = max_surface_dimension;
    int32_t max_height = max_surface_dimension;

    bool allow(int64_t width, int64_t height) const {
        return width > 0 && height > 0 && width <= max_width && height <= max_height &&
               width <= max_surface_dimension && height <= max_surface_dimension;
    }
};

HBITMAP decode_bmp(const uint8_t* data, size_t size, const PictureLimits& limits);
HBITMAP decode_gif(const uint8_t* data, size_t size, const PictureLimits& limits);
HBITMAP decode_jpeg(const uint8_t* data, size_t size, const PictureLimits& limits);

inline uint32_t pixel_word(uint8_t red, uint8_t green, uint8_t blue) {
    return uint32_t(blue) | uint32_t(green) << 8 | uint32_t(red) << 16;
}

} // namespace plat
