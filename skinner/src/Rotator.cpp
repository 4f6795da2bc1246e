#include "skinner/Rotator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace skinner {
namespace {

constexpr uint32_t pair_mask = 0x00FF00FF;
constexpr int64_t half = 0x8000;
// Vertices farther out than this are pulled in: no pixel of any image lies there,
// and the fixed-point arithmetic stays far from overflow.
constexpr double far_away = 16777216.0;

uint32_t word(const uint8_t* row, int64_t x) {
    uint32_t value = 0;
    std::memcpy(&value, row + x * 4, 4);
    return value;
}

void put_word(uint8_t* row, int64_t x, uint32_t value) { std::memcpy(row + x * 4, &value, 4); }

struct Vertex {
    int64_t x = 0; // 16.16
    int64_t y = 0;
};

// The row or column whose centre is nearest: floor((v + 0.5) in 16.16).
int64_t nearest(int64_t v) { return (v + half) >> 16; }

// x of the edge a-b at height y (a.y < b.y).
int64_t edge_x(const Vertex& a, const Vertex& b, int64_t y) {
    __int128 t = __int128(y - a.y) * (b.x - a.x);
    return a.x + int64_t(t / (b.y - a.y));
}

// (a × (256 − f) + b × f) / 256 on each channel, two channels per operation.
uint32_t lerp(uint32_t a, uint32_t b, uint32_t f) {
    uint32_t rb = (((a & pair_mask) * (256 - f) + (b & pair_mask) * f) >> 8) & pair_mask;
    uint32_t ag = ((((a >> 8) & pair_mask) * (256 - f) + ((b >> 8) & pair_mask) * f) >> 8) & pair_mask;
    return rb | ag << 8;
}

// d + floor(a (s − d) / 256) equals floor((d (256 − a) + s a) / 256), which
// needs no signs and so works on two channels at once. Kept here, apart from
// blend_pixel, so the triangle loop has it inline.
uint32_t mix_over(uint32_t d, uint32_t s) {
    uint32_t a = s >> 24;
    uint32_t rb = (((d & pair_mask) * (256 - a) + (s & pair_mask) * a) >> 8) & pair_mask;
    uint32_t ag = ((((d >> 8) & pair_mask) * (256 - a) + ((s >> 8) & pair_mask) * a) >> 8) & pair_mask;
    return rb | ag << 8;
}

// What the destination pixels sample: the source rectangle and the affine map
// from destination pixel centres to source positions, in 16.16.
struct Sampler {
    const Pixels32* source = nullptr;
    int left = 0, top = 0, right = 0, bottom = 0; // texels that may be read, inclusive
    uint32_t wrap_x = 0, wrap_y = 0;               // largest power of two <= size, minus 1
    bool wrap = false;
    int64_t u0 = 0, du_dx = 0, du_dy = 0;
    int64_t v0 = 0, dv_dx = 0, dv_dy = 0;

    int column(int64_t texel) const {
        if (wrap)
            return left + int((texel - left) & wrap_x);
        return int(std::clamp<int64_t>(texel, left, right));
    }
    int row(int64_t texel) const {
        if (wrap)
            return top + int((texel - top) & wrap_y);
        return int(std::clamp<int64_t>(texel, top, bottom));
    }
    // The bilinear sample at (u, v); with skip_clear, 0 as soon as all four texels are
    // fully transparent (their mix is then transparent too, and blends to nothing).
    uint32_t sample(int64_t u, int64_t v, bool skip_clear) const {
        int64_t su = u - half, sv = v - half;
        int64_t tx = su >> 16, ty = sv >> 16;
        uint32_t fx = uint32_t(su >> 8) & 0xFF, fy = uint32_t(sv >> 8) & 0xFF;
        int x0 = column(tx), x1 = column(tx + 1), y0 = row(ty), y1 = row(ty + 1);
        const uint8_t* row0 = source->pixels + int64_t(y0) * source->stride;
        const uint8_t* row1 = source->pixels + int64_t(y1) * source->stride;
        const uint32_t t00 = word(row0, x0), t10 = word(row0, x1), t01 = word(row1, x0), t11 = word(row1, x1);
        if (skip_clear && ((t00 | t10 | t01 | t11) >> 24) == 0)
            return 0;
        uint32_t upper = lerp(t00, t10, fx);
        uint32_t lower = lerp(t01, t11, fx);
        return lerp(upper, lower, fy);
    }
};

uint32_t power_of_two_mask(int size) {
    uint32_t p = 1;
    while (p * 2 <= uint32_t(size))
        p *= 2;
    return p - 1;
}

void fill_triangle(const Pixels32& dst, const Sampler& sampler, Vertex a, Vertex b, Vertex c, bool blend) {
    if (a.y > b.y)
        std::swap(a, b);
    if (b.y > c.y)
        std::swap(b, c);
    if (a.y > b.y)
        std::swap(a, b);
    int64_t first = std::max<int64_t>(nearest(a.y), 0);
    int64_t last = std::min<int64_t>(nearest(c.y), dst.height);
    int64_t middle = nearest(b.y);
    for (int64_t row = first; row < last; ++row) {
        int64_t y = (row << 16) + half;
        int64_t x_long = edge_x(a, c, y);
        int64_t x_short = row < middle ? edge_x(a, b, y) : edge_x(b, c, y);
        int64_t from = std::max<int64_t>(nearest(std::min(x_long, x_short)), 0);
        int64_t to = std::min<int64_t>(nearest(std::max(x_long, x_short)), dst.width);
        if (from >= to)
            continue;
        int64_t u = sampler.u0 + from * sampler.du_dx + row * sampler.du_dy;
        int64_t v = sampler.v0 + from * sampler.dv_dx + row * sampler.dv_dy;
        uint8_t* line = dst.pixels + row * dst.stride;
        for (int64_t x = from; x < to; ++x, u += sampler.du_dx, v += sampler.dv_dx) {
            uint32_t pixel = sampler.sample(u, v, blend);
            if (blend) {
                // A transparent pixel blends to the destination as it is.
                if ((pixel >> 24) == 0)
                    continue;
                pixel = mix_over(word(line, x), pixel);
            }
            put_word(line, x, pixel);
        }
    }
}

} // namespace

uint32_t Pixels32::get(int x, int y) const {
    uint32_t value = 0;
    std::memcpy(&value, pixels + int64_t(y) * stride + int64_t(x) * 4, 4);
    return value;
}

void Pixels32::set(int x, int y, uint32_t value) const {
    std::memcpy(pixels + int64_t(y) * stride + int64_t(x) * 4, &value, 4);
}

uint32_t blend_pixel(uint32_t d, uint32_t s) { return mix_over(d, s); }

void draw_transformed_bitmap(const Pixels32& destination, const Pixels32& source, RasterPoint centre,
                             RasterPoint origin, RasterPoint size, RasterPoint pivot, double angle, bool wrap,
                             bool blend) {
    if (destination.empty() || source.empty() || size.x <= 0 || size.y <= 0 || !std::isfinite(angle))
        return;
    Sampler sampler;
    sampler.source = &source;
    sampler.left = std::max(origin.x, 0);
    sampler.top = std::max(origin.y, 0);
    sampler.right = int(std::min<int64_t>(int64_t(origin.x) + size.x, source.width)) - 1;
    sampler.bottom = int(std::min<int64_t>(int64_t(origin.y) + size.y, source.height)) - 1;
    if (sampler.left > sampler.right || sampler.top > sampler.bottom)
        return;
    sampler.wrap = wrap;
    sampler.wrap_x = power_of_two_mask(sampler.right - sampler.left + 1);
    sampler.wrap_y = power_of_two_mask(sampler.bottom - sampler.top + 1);

    const double c = std::cos(angle), s = std::sin(angle);
    const double px = double(origin.x) + pivot.x, py = double(origin.y) + pivot.y;
    // Destination pixel centre (X + 0.5, Y + 0.5) seen from the centre, turned back by the angle.
    const double cx = 0.5 - centre.x, cy = 0.5 - centre.y;
    sampler.u0 = std::llround((px + cx * c + cy * s) * 65536.0);
    sampler.v0 = std::llround((py - cx * s + cy * c) * 65536.0);
    sampler.du_dx = std::llround(c * 65536.0);
    sampler.du_dy = std::llround(s * 65536.0);
    sampler.dv_dx = std::llround(-s * 65536.0);
    sampler.dv_dy = std::llround(c * 65536.0);

    auto place = [&](double u, double v) {
        double dx = u - px, dy = v - py;
        double x = std::clamp((dx * c - dy * s + centre.x) * 256.0, -far_away * 256, far_away * 256);
        double y = std::clamp((dx * s + dy * c + centre.y) * 256.0, -far_away * 256, far_away * 256);
        return Vertex{int64_t(x) << 8, int64_t(y) << 8};
    };
    const double x0 = origin.x, y0 = origin.y;
    const double x1 = double(origin.x) + size.x, y1 = double(origin.y) + size.y;
    Vertex top_left = place(x0, y0), top_right = place(x1, y0);
    Vertex bottom_left = place(x0, y1), bottom_right = place(x1, y1);
    fill_triangle(destination, sampler, top_left, top_right, bottom_left, blend);
    fill_triangle(destination, sampler, bottom_left, top_right, bottom_right, blend);
}

} // namespace skinner
