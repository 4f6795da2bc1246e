#include "plat/PngWriter.h"
#include "plat/Screen.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace plat;

TEST(Screen, ProfileComesFromTheTwoTexts) {
    ScreenProfile p = make_screen_profile("", "");
    EXPECT_EQ(p.width, 240);
    EXPECT_EQ(p.height, 320);
    EXPECT_EQ(p.dpi_y, 96);
    EXPECT_EQ(p.platform, PlatformType::pocketpc);

    p = make_screen_profile("480x640", "smartphone");
    EXPECT_EQ(p.width, 480);
    EXPECT_EQ(p.height, 640);
    EXPECT_EQ(p.dpi_x, 192);
    EXPECT_EQ(p.dpi_y, 192);
    EXPECT_EQ(p.platform, PlatformType::smartphone);
    EXPECT_EQ(make_screen_profile("176x220", "pocketpc-old").platform, PlatformType::pocketpc_old);
    EXPECT_EQ(make_screen_profile("640X480", "").height, 480);

    for (const char* bad : {"240", "x320", "240x", "0x320", "240x-1", "240x320x1", "20000x320", "abc"}) {
        p = make_screen_profile(bad, "desktop");
        EXPECT_EQ(p.width, 240) << bad;
        EXPECT_EQ(p.height, 320) << bad;
        EXPECT_EQ(p.platform, PlatformType::pocketpc) << bad;
    }
}

TEST(Screen, TheFramebufferHasTheProfilesSize) {
    HDC dc = get_screen_dc();
    BitmapInfo info;
    ASSERT_TRUE(get_bitmap_info(get_selected_bitmap(dc), info));
    EXPECT_EQ(info.width, screen_profile().width);
    EXPECT_EQ(info.height, screen_profile().height);
    // Many contexts may draw on the screen at once.
    HDC other = get_screen_dc();
    fill_rect(other, {0, 0, 1, 1}, rgb(1, 2, 3));
    EXPECT_EQ(get_pixel(dc, 0, 0), rgb(1, 2, 3));
    delete_dc(other);
    delete_dc(dc);
}

namespace {
uint32_t be32(const std::vector<uint8_t>& d, size_t at) {
    return uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | d[at + 3];
}
} // namespace

TEST(PngWriter, WritesRgbRowsInStoredBlocks) {
    const uint8_t pixels[] = {1, 2, 3, 0, 4, 5, 6, 0, 9, 9, 9, 9,  // the third word lies past the width
                              7, 8, 9, 0, 10, 11, 12, 0, 9, 9, 9, 9};
    std::vector<uint8_t> png = encode_png(pixels, 2, 2, 12);
    ASSERT_GT(png.size(), 8u + 25 + 12);
    EXPECT_EQ(png[0], 0x89);
    EXPECT_EQ(png[1], 'P');
    EXPECT_EQ(be32(png, 8), 13u);
    EXPECT_EQ(be32(png, 16), 2u);
    EXPECT_EQ(be32(png, 20), 2u);
    EXPECT_EQ(png[24], 8);  // depth
    EXPECT_EQ(png[25], 2);  // RGB
    const size_t idat = 8 + 25;
    EXPECT_EQ(std::string(png.begin() + idat + 4, png.begin() + idat + 8), "IDAT");
    const size_t block = idat + 8 + 2;
    EXPECT_EQ(png[block], 1);  // final stored block
    const std::vector<uint8_t> raw(png.begin() + std::ptrdiff_t(block + 5), png.begin() + std::ptrdiff_t(block + 5 + 14));
    EXPECT_EQ(raw, (std::vector<uint8_t>{0, 3, 2, 1, 6, 5, 4, 0, 9, 8, 7, 12, 11, 10}));
    EXPECT_TRUE(encode_png(pixels, 0, 2, 12).empty());
    EXPECT_TRUE(encode_png(pixels, 4, 2, 12).empty());
    EXPECT_TRUE(encode_png(pixels, 0x40000000, 1, 12).empty());  // 4 bytes a pixel wrap to 0 in 32 bits
}

TEST(PngWriter, LargeImagesSplitIntoSeveralBlocksAndFilesAreReplaced) {
    std::vector<uint8_t> pixels(size_t(200) * 200 * 4, 0x40);
    std::vector<uint8_t> png = encode_png(pixels.data(), 200, 200, 800);
    // 200 rows of 601 bytes need two stored blocks of at most 65535 bytes.
    const size_t raw = 200 * 601;
    EXPECT_EQ(be32(png, 8 + 25), 2 + raw + 2 * 5 + 4);
    const std::string path = std::string(getenv("CHIMELY_ROOT")) + "/shot.png";
    ASSERT_TRUE(write_png(path, pixels.data(), 200, 200, 800));
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, png);
    EXPECT_FALSE(write_png(path + "/no/such/folder.png", pixels.data(), 200, 200, 800));
}
