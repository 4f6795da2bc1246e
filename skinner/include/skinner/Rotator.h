#pragma once
#include <cstdint>

namespace skinner {

// A view of 32-bit pixels: bytes blue, green, red, alpha (a little-endian word
// with blue in bits 0-7 and alpha in 24-31); row y starts at pixels + y × stride.
struct Pixels32 {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;

    bool empty() const { return pixels == nullptr || width <= 0 || height <= 0; }
    uint32_t get(int x, int y) const;
    void set(int x, int y, uint32_t value) const;
};

struct RasterPoint {
    int x = 0;
    int y = 0;
};

// Draws the source rectangle (origin, origin + size) of `source` into
// `destination`, rotated by `angle` radians (clockwise on the screen for a
// positive angle) so that `pivot` (relative to origin) lands on `centre`.
// Sampling is bilinear; `wrap` repeats the source (exact for power-of-two
// sizes) instead of clamping at its edges; `blend` mixes by the source alpha
// instead of replacing. Nothing outside the destination is written.
void draw_transformed_bitmap(const Pixels32& destination, const Pixels32& source, RasterPoint centre,
                             RasterPoint origin, RasterPoint size, RasterPoint pivot, double angle, bool wrap,
                             bool blend);

// Each channel (alpha too) becomes d + ((a × (s − d)) >> 8), a = the source alpha.
uint32_t blend_pixel(uint32_t destination, uint32_t source);

} // namespace skinner
