#pragma once
#include "plat/Gdi.h"

#include <cstdint>
#include <functional>

// The picture decoder: GIF (its first frame), JPEG and BMP files, read
// through a callback, into 32-bit surfaces (the fourth byte of each pixel is 0).
namespace plat {

// Fills up to `size` bytes; returns how many, 0 at the end or on an error.
using PictureReadFunction = std::function<uint32_t(uint8_t* buffer, uint32_t size)>;

struct PictureRequest {
    PictureReadFunction read;
    uint32_t buffer_size = 4096;        // bytes asked for per call
    int bits_per_pixel = 0;             // 0: the screen's; every surface has 32 bits
    int32_t max_width = max_surface_dimension;
    int32_t max_height = max_surface_dimension;
};

// Files larger than this are refused unread.
constexpr uint32_t max_picture_file_size = 64u << 20;

// Null for an unknown format, a damaged file, or a picture over the limits.
HBITMAP decode_picture(const PictureRequest& request);

} // namespace plat
