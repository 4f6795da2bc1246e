#pragma once
#include "plat/Gdi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

class FontObject;

// A block of 32-bit pixels; each word is blue | green << 8 | red << 16 | alpha << 24.
// The pixels start at zero (std::bad_alloc when there is no memory for them).
class Surface {
public:
    Surface(int32_t width, int32_t height);
    Surface(Surface&& other) noexcept;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    Surface& operator=(Surface&& other) noexcept;  // the old pixels go to `other`
    ~Surface();

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    uint32_t* row(int32_t y) { return pixels_ + size_t(y) * size_t(width_); }
    uint32_t* data() { return pixels_; }

    DeviceContext* selected_into = nullptr;
    bool stock = false;

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint32_t* pixels_ = nullptr;
    bool mapped_ = false;
};

class DeviceContext {
public:
    Surface* surface = nullptr;
    POINT origin;
    bool has_bounds = false;
    RECT bounds;
    bool has_clip = false;
    RECT clip;
    FontObject* font = nullptr;  // null: the stock font
    COLORREF text_colour = 0;
    int background_mode = 2;

    // The clip box in surface coordinates.
    RECT device_clip() const;
};

// A surface word from a colour and back (the fourth byte stays 0).
inline uint32_t word_of(COLORREF colour) {
    return uint32_t(blue_of(colour)) | uint32_t(green_of(colour)) << 8 | uint32_t(red_of(colour)) << 16;
}
inline COLORREF colour_of(uint32_t word) { return rgb(uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)); }

} // namespace plat
