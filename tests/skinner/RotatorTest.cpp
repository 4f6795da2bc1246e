#include "skinner/Rotator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using skinner::Pixels32;
using skinner::RasterPoint;

namespace {

// An owned pixel buffer with a guard band of `margin` pixels around the view.
struct Surface {
    int width, height, margin;
    std::vector<uint32_t> words;
    static constexpr uint32_t guard = 0xDEADBEEF;

    Surface(int w, int h, uint32_t fill = 0, int m = 0)
        : width(w), height(h), margin(m), words(size_t((w + 2 * m) * (h + 2 * m)), guard) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                at(x, y) = fill;
    }
    uint32_t& at(int x, int y) { return words[size_t((y + margin) * (width + 2 * margin) + x + margin)]; }
    Pixels32 view() {
        return {reinterpret_cast<uint8_t*>(&at(0, 0)), width, height, (width + 2 * margin) * 4};
    }
    bool guard_intact() const {
        int full = width + 2 * margin;
        for (int y = 0; y < height + 2 * margin; ++y)
            for (int x = 0; x < full; ++x) {
                bool inside = x >= margin && x < margin + width && y >= margin && y < margin + height;
                if (!inside && words[size_t(y * full + x)] != guard)
                    return false;
            }
        return true;
    }
};

Surface pattern(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.at(x, y) = 0xFF000000u | uint32_t(x * 29 + 7) << 16 | uint32_t(y * 41 + 3) << 8 | uint32_t(x * y + 1);
    return s;
}

void draw(Surface& dst, Surface& src, RasterPoint centre, RasterPoint pivot, double angle, bool wrap = false,
          bool blend = false) {
    skinner::draw_transformed_bitmap(dst.view(), src.view(), centre, {0, 0}, {src.width, src.height}, pivot, angle,
                                     wrap, blend);
}

constexpr uint32_t background = 0x11223344;

} // namespace

TEST(Rotator, AngleZeroReproducesTheSource) {
    Surface src = pattern(8, 6);
    Surface dst(20, 16, background, 2);
    draw(dst, src, {10, 8}, {4, 3}, 0.0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x) {
            bool inside = x >= 6 && x < 14 && y >= 5 && y < 11;
            EXPECT_EQ(dst.at(x, y), inside ? src.at(x - 6, y - 5) : background) << x << "," << y;
        }
    EXPECT_TRUE(dst.guard_intact());
}

TEST(Rotator, AnglePiFlipsAndHalfPiTurnsClockwise) {
    Surface src = pattern(8, 6);
    Surface flipped(8, 6, background);
    draw(flipped, src, {4, 3}, {4, 3}, M_PI);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(flipped.at(x, y), src.at(7 - x, 5 - y)) << x << "," << y;

    // A quarter turn clockwise: the source's top row becomes the right column.
    Surface square = pattern(4, 4);
    Surface turned(4, 4, background);
    draw(turned, square, {2, 2}, {2, 2}, M_PI / 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(turned.at(x, y), square.at(y, 3 - x)) << x << "," << y;
}

TEST(Rotator, ClippedDrawingWritesNothingOutside) {
    Surface src = pattern(30, 30);
    for (RasterPoint centre : {RasterPoint{1, 2}, RasterPoint{39, 0}, RasterPoint{20, 29}, RasterPoint{-5, 12}}) {
        for (double angle : {0.0, 0.7, 2.5, -1.3}) {
            Surface dst(40, 30, background, 8);
            draw(dst, src, centre, {15, 15}, angle);
            EXPECT_TRUE(dst.guard_intact()) << centre.x << "," << centre.y << " " << angle;
            int written = 0;
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x)
                    written += dst.at(x, y) != background;
            EXPECT_GT(written, 0);
        }
    }
}

TEST(Rotator, NothingIsDrawnForEmptyOrFarAwaySources) {
    Surface src = pattern(8, 8);
    Surface dst(16, 16, background, 4);
    draw(dst, src, {-100, -100}, {4, 4}, 0.3);
    draw(dst, src, {1000000000, 5}, {4, 4}, 0.3);
    draw(dst, src, {8, 8}, {4, 4}, std::nan(""));
    skinner::draw_transformed_bitmap(dst.view(), src.view(), {8, 8}, {0, 0}, {0, 8}, {0, 0}, 0, false, false);
    skinner::draw_transformed_bitmap(dst.view(), src.view(), {8, 8}, {8, 0}, {4, 4}, {0, 0}, 0, false, false);
    skinner::draw_transformed_bitmap(dst.view(), Pixels32{}, {8, 8}, {0, 0}, {4, 4}, {0, 0}, 0, false, false);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(dst.at(x, y), background);
    EXPECT_TRUE(dst.guard_intact());
}

TEST(Rotator, WrapMasksByTheLargestPowerOfTwoNotAboveTheWidth) {
    // A 3-pixel source wraps within its first two texels; a 1-pixel one within its only texel.
    Surface three(3, 1);
    three.at(0, 0) = 0xFF0000AA;
    three.at(1, 0) = 0xFF0000BB;
    three.at(2, 0) = 0xFF0000CC;
    Surface dst(3, 1, background);
    draw(dst, three, {0, 0}, {0, 0}, 0.0, true);
    EXPECT_EQ(dst.at(0, 0), 0xFF0000AAu);
    EXPECT_EQ(dst.at(1, 0), 0xFF0000BBu);
    EXPECT_EQ(dst.at(2, 0), 0xFF0000AAu);

    Surface one(1, 1);
    one.at(0, 0) = 0xFF123456;
    Surface small(1, 1, background);
    draw(small, one, {0, 0}, {0, 0}, 0.4, true);
    EXPECT_EQ(small.at(0, 0), 0xFF123456u);
}

TEST(Rotator, BlendingByTheSourceAlpha) {
    EXPECT_EQ(skinner::blend_pixel(0x80C8C8C8, 0x00000000), 0x80C8C8C8u); // alpha 0 keeps
    // alpha 255 replaces up to the 255/256 rounding: 200 -> 0 exactly, 0 -> 99 for 100.
    EXPECT_EQ(skinner::blend_pixel(0x00C8C8C8, 0xFF000000), 0xFE000000u);
    EXPECT_EQ(skinner::blend_pixel(0x00000000, 0xFF646464), 0xFE636363u);
    // Half alpha: d + ((128 (s - d)) >> 8) per channel, flooring negative steps.
    EXPECT_EQ(skinner::blend_pixel(0xFF0A0005, 0x80000A00), 0xBF050502u);

    // Drawn with the blend flag, each covered pixel is blended exactly once,
    // also along the diagonal shared by the source's two triangles.
    Surface src(8, 8, 0x80FFFFFF);
    Surface dst(8, 8, 0xFF000000);
    draw(dst, src, {4, 4}, {4, 4}, 0.0, false, true);
    uint32_t expected = skinner::blend_pixel(0xFF000000, 0x80FFFFFF);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(dst.at(x, y), expected) << x << "," << y;
}
