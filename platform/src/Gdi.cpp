#include "GdiObjects.h"
#include "plat/Screen.h"

#include <algorithm>
#include <new>

namespace plat {
namespace {

// Every fresh context holds this one until a surface is selected.
Surface& stock_bitmap() {
    static Surface stock = [] {
        Surface s(1, 1);
        s.stock = true;
        return s;
    }();
    return stock;
}

bool known_rop(uint32_t rop) { return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND; }

inline void apply(uint32_t& destination, uint32_t source, uint32_t rop) {
    if (rop == SRCCOPY)
        destination = source;
    else if (rop == SRCPAINT)
        destination |= source;
    else
        destination &= source;
}

int32_t clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

RECT to_device(const DeviceContext& dc, const RECT& r) {
    return {clamp32(int64_t(r.left) + dc.origin.x), clamp32(int64_t(r.top) + dc.origin.y),
            clamp32(int64_t(r.right) + dc.origin.x), clamp32(int64_t(r.bottom) + dc.origin.y)};
}

bool drawable(HDC dc) { return dc && dc->surface && !dc->surface->stock; }

} // namespace

RECT intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.empty())
        return {};
    return r;
}

RECT DeviceContext::device_clip() const {
    if (!surface)
        return {};
    RECT r{0, 0, surface->width(), surface->height()};
    if (has_bounds)
        r = intersect(r, to_device(*this, bounds));
    if (has_clip)
        r = intersect(r, to_device(*this, clip));
    return r;
}

HBITMAP create_bitmap(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > max_surface_dimension || height > max_surface_dimension)
        return nullptr;
    // The pixels come from decoded files too: running out of memory is a refusal, not a crash.
    try {
        return new Surface(width, height);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void delete_bitmap(HBITMAP bitmap) {
    if (!bitmap || bitmap->stock)
        return;
    if (bitmap->selected_into)
        bitmap->selected_into->surface = &stock_bitmap();
    delete bitmap;
}

bool get_bitmap_info(HBITMAP bitmap, BitmapInfo& info) {
    if (!bitmap)
        return false;
    info.width = bitmap->width();
    info.height = bitmap->height();
    info.stride = bitmap->width() * 4;
    info.planes = 1;
    info.bits_per_pixel = 32;
    info.bits = reinterpret_cast<uint8_t*>(bitmap->data());
    return true;
}

HDC create_compatible_dc(HDC) {
    auto* dc = new (std::nothrow) DeviceContext;
    if (dc)
        dc->surface = &stock_bitmap();
    return dc;
}

void delete_dc(HDC dc) {
    if (!dc)
        return;
    if (dc->surface && !dc->surface->stock)
        dc->surface->selected_into = nullptr;
    delete dc;
}

HBITMAP select_bitmap(HDC dc, HBITMAP bitmap) {
    if (!dc || !bitmap)
        return nullptr;
    if (!bitmap->stock && bitmap->selected_into && bitmap->selected_into != dc)
        return nullptr;
    HBITMAP previous = dc->surface;
    if (previous && !previous->stock)
        previous->selected_into = nullptr;
    dc->surface = bitmap;
    if (!bitmap->stock)
        bitmap->selected_into = dc;
    return previous;
}

HBITMAP get_selected_bitmap(HDC dc) { return dc ? dc->surface : nullptr; }

void set_dc_origin(HDC dc, POINT origin) {
    if (dc)
        dc->origin = origin;
}

void set_dc_bounds(HDC dc, const RECT& bounds) {
    if (!dc)
        return;
    dc->has_bounds = true;
    dc->bounds = bounds;
}

void select_clip_rect(HDC dc, const RECT* clip) {
    if (!dc)
        return;
    dc->has_clip = clip != nullptr;
    if (clip)
        dc->clip = *clip;
}

RECT get_clip_box(HDC dc) {
    if (!dc)
        return {};
    RECT r = dc->device_clip();
    if (r.empty())
        return {};
    return {r.left - dc->origin.x, r.top - dc->origin.y, r.right - dc->origin.x, r.bottom - dc->origin.y};
}

bool bit_blt(HDC destination, int32_t x, int32_t y, int32_t width, int32_t height, HDC source, int32_t source_x,
             int32_t source_y, uint32_t rop) {
    if (!drawable(destination) || !source || !source->surface || !known_rop(rop) || width <= 0 || height <= 0)
        return false;
    Surface& to = *destination->surface;
    Surface& from = *source->surface;
    // Both rectangles in surface coordinates; the shift takes a destination pixel to its source.
    RECT target = to_device(*destination, {x, y, clamp32(int64_t(x) + width), clamp32(int64_t(y) + height)});
    int64_t shift_x = int64_t(source_x) + source->origin.x - target.left;
    int64_t shift_y = int64_t(source_y) + source->origin.y - target.top;
    RECT from_area{clamp32(-shift_x), clamp32(-shift_y), clamp32(from.width() - shift_x),
                   clamp32(from.height() - shift_y)};
    RECT area = intersect(intersect(target, destination->device_clip()), from_area);
    if (area.empty())
        return true;
    const int32_t count = area.right - area.left;
    std::vector<uint32_t> copy;  // a transfer within one surface may overlap itself
    for (int32_t row = 0; row < area.bottom - area.top; ++row) {
        int32_t dy = area.top + row;
        const uint32_t* in = from.row(int32_t(dy + shift_y)) + (area.left + shift_x);
        if (&from == &to) {
            copy.assign(in, in + count);
            in = copy.data();
        }
        uint32_t* out = to.row(dy) + area.left;
        for (int32_t i = 0; i < count; ++i)
            apply(out[i], in[i], rop);
    }
    return true;
}

bool stretch_blt(HDC destination, int32_t x, int32_t y, int32_t width, int32_t height, HDC source,
                 int32_t source_x, int32_t source_y, int32_t source_width, int32_t source_height, uint32_t rop) {
    if (!drawable(destination) || !source || !source->surface || !known_rop(rop) || width <= 0 || height <= 0 ||
        source_width <= 0 || source_height <= 0)
        return false;
    Surface& to = *destination->surface;
    Surface& from = *source->surface;
    RECT target = to_device(*destination, {x, y, clamp32(int64_t(x) + width), clamp32(int64_t(y) + height)});
    RECT area = intersect(target, destination->device_clip());
    if (area.empty())
        return true;
    // Source column and row of every destination column and row; -1 outside the source surface.
    auto mapping = [](int32_t first, int32_t last, int32_t start, int32_t size, int64_t source_start,
                      int32_t source_size, int32_t limit) {
        std::vector<int32_t> map;
        map.reserve(size_t(last - first));
        for (int32_t d = first; d < last; ++d) {
            int64_t i = int64_t(d) - start;
            int64_t s = source_start + (2 * i + 1) * source_size / (2 * int64_t(size));
            map.push_back(s >= 0 && s < limit ? int32_t(s) : -1);
        }
        return map;
    };
    auto columns = mapping(area.left, area.right, target.left, width, int64_t(source_x) + source->origin.x,
                           source_width, from.width());
    auto rows = mapping(area.top, area.bottom, target.top, height, int64_t(source_y) + source->origin.y,
                        source_height, from.height());
    std::vector<uint32_t> line;
    for (int32_t r = 0; r < area.bottom - area.top; ++r) {
        if (rows[size_t(r)] < 0)
            continue;
        const uint32_t* in = from.row(rows[size_t(r)]);
        if (&from == &to) {
            line.assign(in, in + from.width());
            in = line.data();
        }
        uint32_t* out = to.row(area.top + r) + area.left;
        for (size_t c = 0; c < columns.size(); ++c)
            if (columns[c] >= 0)
                apply(out[c], in[columns[c]], rop);
    }
    return true;
}

bool fill_rect(HDC dc, const RECT& rect, COLORREF colour) {
    if (!drawable(dc))
        return false;
    RECT area = intersect(to_device(*dc, rect), dc->device_clip());
    const uint32_t word = word_of(colour);
    for (int32_t y = area.top; y < area.bottom; ++y)
        std::fill(dc->surface->row(y) + area.left, dc->surface->row(y) + area.right, word);
    return true;
}

COLORREF get_pixel(HDC dc, int32_t x, int32_t y) {
    if (!drawable(dc))
        return CLR_INVALID;
    int64_t dx = int64_t(x) + dc->origin.x, dy = int64_t(y) + dc->origin.y;
    if (dx < 0 || dy < 0 || dx >= dc->surface->width() || dy >= dc->surface->height())
        return CLR_INVALID;
    return colour_of(dc->surface->row(int32_t(dy))[dx]);
}

bool set_pixel(HDC dc, int32_t x, int32_t y, COLORREF colour) {
    if (!drawable(dc))
        return false;
    int64_t dx = int64_t(x) + dc->origin.x, dy = int64_t(y) + dc->origin.y;
    if (dx != int32_t(dx) || dy != int32_t(dy) || !dc->device_clip().contains(int32_t(dx), int32_t(dy)))
        return false;
    dc->surface->row(int32_t(dy))[dx] = word_of(colour);
    return true;
}

int get_device_caps(HDC, int index) {
    const ScreenProfile& screen = screen_profile();
    switch (index) {
    case HORZRES: return screen.width;
    case VERTRES: return screen.height;
    case BITSPIXEL: return screen.bits_per_pixel;
    case PLANES: return 1;
    case LOGPIXELSX: return screen.dpi_x;
    case LOGPIXELSY: return screen.dpi_y;
    default: return 0;
    }
}

} // namespace plat
