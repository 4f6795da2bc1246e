#pragma once
#include <array>
#include <cstdint>

// The drawing layer: 32-bit surfaces (bytes blue, green, red, alpha; rows
// top-down) and device contexts that draw into the surface selected into them
// through one clip rectangle. Colours are the device's 0x00BBGGRR values.
namespace plat {

using COLORREF = uint32_t;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

constexpr COLORREF rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return COLORREF(red) | (COLORREF(green) << 8) | (COLORREF(blue) << 16);
}
constexpr uint8_t red_of(COLORREF colour) { return uint8_t(colour); }
constexpr uint8_t green_of(COLORREF colour) { return uint8_t(colour >> 8); }
constexpr uint8_t blue_of(COLORREF colour) { return uint8_t(colour >> 16); }
// A skin colour is [red, green, blue, unused].
constexpr COLORREF skin_colour(const std::array<uint8_t, 4>& bytes) { return rgb(bytes[0], bytes[1], bytes[2]); }

struct POINT {
    int32_t x = 0;
    int32_t y = 0;
};

struct SIZE {
    int32_t cx = 0;
    int32_t cy = 0;
};

struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};
RECT intersect(const RECT& a, const RECT& b);  // empty results are (0, 0, 0, 0)

// Raster operations of bit_blt and stretch_blt.
constexpr uint32_t SRCCOPY = 0x00CC0020;   // destination = source
constexpr uint32_t SRCPAINT = 0x00EE0086;  // destination |= source
constexpr uint32_t SRCAND = 0x008800C6;    // destination &= source

// get_device_caps indexes.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

constexpr int max_surface_dimension = 10000;

class Surface;
class DeviceContext;
using HBITMAP = Surface*;
using HDC = DeviceContext*;

struct BitmapInfo {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // bytes per row
    uint16_t planes = 1;
    uint16_t bits_per_pixel = 32;
    uint8_t* bits = nullptr;  // row y at bits + y * stride
};

// A zero-filled surface; null for 0 or more than max_surface_dimension in
// either direction (or no memory).
HBITMAP create_bitmap(int32_t width, int32_t height);
// Null is skipped; the stock bitmap of a fresh context is never deleted.
void delete_bitmap(HBITMAP bitmap);
bool get_bitmap_info(HBITMAP bitmap, BitmapInfo& info);

// A context without a surface of its own (it holds the 1x1 stock bitmap);
// `like` is ignored: every context is compatible with every other.
HDC create_compatible_dc(HDC like);
// Null is skipped. The selected surface is not deleted.
void delete_dc(HDC dc);
// Returns the previously selected bitmap, or null when the bitmap is null or
// already selected into another context (nothing changes then).
HBITMAP select_bitmap(HDC dc, HBITMAP bitmap);
HBITMAP get_selected_bitmap(HDC dc);

// Logical (0, 0) lies at `origin` of the surface. The bounds are the area the
// owner of the context allows (a window's area, a paint's update rectangle),
// in logical coordinates; the clip rectangle narrows them further.
void set_dc_origin(HDC dc, POINT origin);
void set_dc_bounds(HDC dc, const RECT& bounds);
// Null removes the clip rectangle.
void select_clip_rect(HDC dc, const RECT* clip);
// The area drawing reaches: surface, bounds and clip together (logical).
RECT get_clip_box(HDC dc);

// Transfers are clipped to the destination's clip box; pixels whose source
// lies outside the source surface are left alone.
bool bit_blt(HDC destination, int32_t x, int32_t y, int32_t width, int32_t height, HDC source, int32_t source_x,
             int32_t source_y, uint32_t rop);
// Nearest neighbour: destination pixel i takes source pixel (2i + 1) * source
// size / (2 * size), so integer factors replicate pixels exactly.
bool stretch_blt(HDC destination, int32_t x, int32_t y, int32_t width, int32_t height, HDC source,
                 int32_t source_x, int32_t source_y, int32_t source_width, int32_t source_height, uint32_t rop);
bool fill_rect(HDC dc, const RECT& rect, COLORREF colour);
// CLR_INVALID outside the surface.
COLORREF get_pixel(HDC dc, int32_t x, int32_t y);
bool set_pixel(HDC dc, int32_t x, int32_t y, COLORREF colour);

int get_device_caps(HDC dc, int index);

} // namespace plat
