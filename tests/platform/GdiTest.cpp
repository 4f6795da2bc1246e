#include "plat/Gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

using namespace plat;

namespace {

// A surface selected into its own context, freed with the test.
struct Canvas {
    explicit Canvas(int32_t w, int32_t h) : bitmap(create_bitmap(w, h)), dc(create_compatible_dc(nullptr)) {
        select_bitmap(dc, bitmap);
    }
    ~Canvas() {
        delete_dc(dc);
        delete_bitmap(bitmap);
    }
    COLORREF at(int32_t x, int32_t y) const { return get_pixel(dc, x, y); }
    void fill(COLORREF c) const { fill_rect(dc, {0, 0, 10000, 10000}, c); }

    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
};

constexpr COLORREF red = rgb(255, 0, 0);
constexpr COLORREF green = rgb(0, 255, 0);
constexpr COLORREF blue = rgb(0, 0, 255);
constexpr COLORREF white = rgb(255, 255, 255);

} // namespace

TEST(Gdi, SurfacesAreZeroFilledBgraTopDownAndLimited) {
    EXPECT_EQ(create_bitmap(0, 5), nullptr);
    EXPECT_EQ(create_bitmap(5, 0), nullptr);
    EXPECT_EQ(create_bitmap(-1, 5), nullptr);
    EXPECT_EQ(create_bitmap(10001, 1), nullptr);
    EXPECT_EQ(create_bitmap(1, 10001), nullptr);
    HBITMAP big = create_bitmap(10000, 1);
    EXPECT_NE(big, nullptr);
    delete_bitmap(big);

    Canvas c(3, 2);
    BitmapInfo info;
    ASSERT_TRUE(get_bitmap_info(c.bitmap, info));
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.stride, 12);
    EXPECT_EQ(info.bits_per_pixel, 32);
    EXPECT_EQ(info.planes, 1);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(info.bits[i], 0);
    set_pixel(c.dc, 2, 1, rgb(0x11, 0x22, 0x33));
    const uint8_t* last = info.bits + 1 * 12 + 2 * 4;
    EXPECT_EQ(last[0], 0x33);  // blue
    EXPECT_EQ(last[1], 0x22);  // green
    EXPECT_EQ(last[2], 0x11);  // red
    EXPECT_EQ(last[3], 0x00);
    EXPECT_EQ(c.at(2, 1), rgb(0x11, 0x22, 0x33));
    EXPECT_EQ(c.at(3, 0), CLR_INVALID);
    EXPECT_EQ(c.at(-1, 0), CLR_INVALID);

    // Large and small surfaces alike start at zero where a freed one of the same size was drawn on.
    for (int32_t side : {300, 300, 20, 20}) {
        Canvas fresh(side, side);
        ASSERT_TRUE(get_bitmap_info(fresh.bitmap, info));
        EXPECT_TRUE(std::all_of(info.bits, info.bits + size_t(side) * size_t(info.stride), [](uint8_t b) { return b == 0; }));
        fill_rect(fresh.dc, {0, 0, side, side}, rgb(1, 2, 3));
    }
}

namespace {

// With the address space capped just above what the process uses, 400 MB of pixels cannot come.
[[noreturn]] void create_without_memory() {
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(64) << 20);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
    std::_Exit(create_bitmap(10000, 10000) == nullptr ? 0 : 1);
}

} // namespace

TEST(GdiDeathTest, ASurfaceWithoutMemoryIsRefused) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's allocator needs more address space than the limit leaves";
#else
    EXPECT_EXIT(create_without_memory(), testing::ExitedWithCode(0), "");
#endif
}

TEST(Gdi, SkinColourBytesBecomeBgrValues) {
    EXPECT_EQ(skin_colour({0x12, 0x34, 0x56, 0x78}), 0x00563412u);
    EXPECT_EQ(skin_colour({255, 0, 0, 7}), rgb(255, 0, 0));
}

TEST(Gdi, ABitmapIsSelectedIntoOneContextAtATime) {
    HBITMAP bitmap = create_bitmap(2, 2);
    HDC first = create_compatible_dc(nullptr);
    HDC second = create_compatible_dc(first);
    HBITMAP stock = select_bitmap(first, bitmap);
    ASSERT_NE(stock, nullptr);  // a fresh context holds the stock bitmap
    EXPECT_EQ(select_bitmap(second, bitmap), nullptr);
    EXPECT_EQ(select_bitmap(first, stock), bitmap);
    EXPECT_NE(select_bitmap(second, bitmap), nullptr);
    EXPECT_EQ(select_bitmap(first, nullptr), nullptr);
    EXPECT_FALSE(fill_rect(first, {0, 0, 1, 1}, red));  // nothing to draw on but the stock bitmap
    delete_dc(second);
    delete_dc(first);
    delete_bitmap(bitmap);
    delete_bitmap(nullptr);
    delete_dc(nullptr);
}

TEST(Gdi, FillsKeepToTheClipRectangleBoundsAndSurface) {
    Canvas c(10, 10);
    RECT clip{2, 2, 5, 5};
    select_clip_rect(c.dc, &clip);
    EXPECT_TRUE(fill_rect(c.dc, {0, 0, 10, 10}, red));
    EXPECT_EQ(c.at(1, 2), 0u);
    EXPECT_EQ(c.at(2, 2), red);
    EXPECT_EQ(c.at(4, 4), red);
    EXPECT_EQ(c.at(5, 4), 0u);
    EXPECT_EQ(get_clip_box(c.dc).right, 5);
    select_clip_rect(c.dc, nullptr);
    set_dc_bounds(c.dc, {8, 8, 20, 20});
    fill_rect(c.dc, {-100, -100, 100, 100}, blue);
    EXPECT_EQ(c.at(7, 8), 0u);
    EXPECT_EQ(c.at(9, 9), blue);
    RECT box = get_clip_box(c.dc);
    EXPECT_EQ(box.left, 8);
    EXPECT_EQ(box.right, 10);
    // Drawing coordinates move with the origin; the bounds are logical too.
    set_dc_origin(c.dc, {3, 0});
    fill_rect(c.dc, {0, 0, 1, 10}, green);  // lands at x 3, outside the bounds (now at x 11)
    EXPECT_EQ(get_pixel(c.dc, 0, 8), 0u);
    EXPECT_EQ(get_pixel(c.dc, 5, 8), blue);
    set_dc_bounds(c.dc, {-3, 0, 7, 10});
    fill_rect(c.dc, {0, 0, 1, 10}, green);
    EXPECT_EQ(get_pixel(c.dc, 0, 0), green);
    EXPECT_EQ(get_pixel(c.dc, -3, 0), 0u);
}

TEST(Gdi, TransfersCopyOrAndWithinTheClip) {
    Canvas source(2, 1), target(4, 1);
    set_pixel(source.dc, 0, 0, rgb(0x0F, 0xF0, 0x00));
    set_pixel(source.dc, 1, 0, rgb(0xFF, 0xFF, 0xFF));
    target.fill(rgb(0xF0, 0x0F, 0x81));
    EXPECT_TRUE(bit_blt(target.dc, 0, 0, 2, 1, source.dc, 0, 0, SRCPAINT));
    EXPECT_EQ(target.at(0, 0), rgb(0xFF, 0xFF, 0x81));
    EXPECT_EQ(target.at(1, 0), white);
    target.fill(rgb(0xF0, 0x0F, 0x81));
    EXPECT_TRUE(bit_blt(target.dc, 1, 0, 2, 1, source.dc, 0, 0, SRCAND));
    EXPECT_EQ(target.at(0, 0), rgb(0xF0, 0x0F, 0x81));
    EXPECT_EQ(target.at(1, 0), rgb(0x00, 0x00, 0x00));
    EXPECT_EQ(target.at(2, 0), rgb(0xF0, 0x0F, 0x81));
    EXPECT_FALSE(bit_blt(target.dc, 0, 0, 2, 1, source.dc, 0, 0, 0x00660046));  // an operation we lack

    RECT clip{3, 0, 4, 1};
    target.fill(0);
    select_clip_rect(target.dc, &clip);
    bit_blt(target.dc, 2, 0, 2, 1, source.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(target.at(2, 0), 0u);
    EXPECT_EQ(target.at(3, 0), white);
}

TEST(Gdi, SourcePixelsOutsideTheSourceLeaveTheTargetAlone) {
    Canvas source(2, 2), target(4, 4);
    source.fill(red);
    target.fill(blue);
    bit_blt(target.dc, 0, 0, 4, 4, source.dc, -1, -1, SRCCOPY);
    EXPECT_EQ(target.at(0, 0), blue);
    EXPECT_EQ(target.at(1, 1), red);
    EXPECT_EQ(target.at(2, 2), red);
    EXPECT_EQ(target.at(3, 3), blue);
}

TEST(Gdi, OverlappingCopyWithinOneSurface) {
    Canvas c(5, 1);
    for (int x = 0; x < 5; ++x)
        set_pixel(c.dc, x, 0, rgb(uint8_t(x), 0, 0));
    bit_blt(c.dc, 1, 0, 4, 1, c.dc, 0, 0, SRCCOPY);
    for (int x = 1; x < 5; ++x)
        EXPECT_EQ(c.at(x, 0), rgb(uint8_t(x - 1), 0, 0)) << x;
}

TEST(Gdi, StretchingByIntegerFactorsReplicatesPixels) {
    Canvas source(3, 2), target(9, 4);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            set_pixel(source.dc, x, y, rgb(uint8_t(10 * x), uint8_t(10 * y), 1));
    EXPECT_TRUE(stretch_blt(target.dc, 0, 0, 9, 4, source.dc, 0, 0, 3, 2, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(target.at(x, y), rgb(uint8_t(10 * (x / 3)), uint8_t(10 * (y / 2)), 1)) << x << "," << y;
    // Shrinking takes the pixel under each target pixel's centre.
    Canvas small(1, 1);
    stretch_blt(small.dc, 0, 0, 1, 1, target.dc, 0, 0, 9, 4, SRCCOPY);
    EXPECT_EQ(small.at(0, 0), rgb(10, 10, 1));
    EXPECT_FALSE(stretch_blt(target.dc, 0, 0, 0, 4, source.dc, 0, 0, 3, 2, SRCCOPY));
    EXPECT_FALSE(stretch_blt(target.dc, 0, 0, 4, 4, source.dc, 0, 0, -3, 2, SRCCOPY));
}

TEST(Gdi, StretchKeepsToTheClipAndMapsFromTheWholeTarget) {
    Canvas source(2, 1), target(4, 1);
    set_pixel(source.dc, 0, 0, red);
    set_pixel(source.dc, 1, 0, blue);
    RECT clip{2, 0, 4, 1};
    select_clip_rect(target.dc, &clip);
    stretch_blt(target.dc, 0, 0, 4, 1, source.dc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(target.at(1, 0), 0u);
    EXPECT_EQ(target.at(2, 0), blue);
    EXPECT_EQ(target.at(3, 0), blue);
}

TEST(Gdi, DeviceCapsFollowTheScreenProfile) {
    EXPECT_EQ(get_device_caps(nullptr, BITSPIXEL), 32);
    EXPECT_EQ(get_device_caps(nullptr, PLANES), 1);
    EXPECT_GT(get_device_caps(nullptr, LOGPIXELSY), 0);
}
