#include "BmpBuilder.h"
#include "GifBuilder.h"
#include "plat/Picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

using namespace plat;
using testing_support::BmpBuilder;
using testing_support::make_gif;

namespace {

struct BitmapDeleter {
    void operator()(Surface* b) const { delete_bitmap(b); }
};
using BitmapPtr = std::unique_ptr<Surface, BitmapDeleter>;

// Decodes the bytes, handing them out in pieces of at most `piece` bytes.
BitmapPtr decode(const std::string& bytes, uint32_t piece = 4096, int32_t max_side = max_surface_dimension) {
    size_t position = 0;
    PictureRequest request;
    request.buffer_size = piece;
    request.max_width = request.max_height = max_side;
    request.read = [&](uint8_t* buffer, uint32_t size) -> uint32_t {
        EXPECT_LE(size, piece);
        size_t n = std::min<size_t>(size, bytes.size() - position);
        std::memcpy(buffer, bytes.data() + position, n);
        position += n;
        return uint32_t(n);
    };
    return BitmapPtr(decode_picture(request));
}

// The colour of pixel (x, y) and its fourth byte.
COLORREF pixel(const BitmapPtr& b, int x, int y, uint8_t* fourth = nullptr) {
    BitmapInfo info;
    get_bitmap_info(b.get(), info);
    const uint8_t* p = info.bits + y * info.stride + x * 4;
    if (fourth)
        *fourth = p[3];
    return rgb(p[2], p[1], p[0]);
}

std::string fixture(const char* name) {
    std::ifstream in(std::string(std::getenv("CHIMELY_SOURCE")) + "/tests/platform/data/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr COLORREF red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255), black = 0;

} // namespace

TEST(PictureBmp, TwentyFourBitsBottomUpAndTopDown) {
    for (bool top_down : {false, true}) {
        BmpBuilder b;
        b.width = 3;
        b.height = 2;
        b.top_down = top_down;
        b.rows = {0, 0, 255, 0, 255, 0, 255, 0, 0,  // red, green, blue
                  1, 2, 3, 4, 5, 6, 7, 8, 9};
        BitmapPtr bitmap = decode(b.build(), 7);
        ASSERT_TRUE(bitmap) << top_down;
        uint8_t fourth = 1;
        EXPECT_EQ(pixel(bitmap, 0, 0, &fourth), red);
        EXPECT_EQ(fourth, 0);
        EXPECT_EQ(pixel(bitmap, 1, 0), green);
        EXPECT_EQ(pixel(bitmap, 2, 0), blue);
        EXPECT_EQ(pixel(bitmap, 2, 1), rgb(9, 8, 7));
    }
}

TEST(PictureBmp, PalettesUseTheUsedColourCount) {
    BmpBuilder b;
    b.width = 4;
    b.height = 1;
    b.bits = 8;
    b.used_colours = 2;
    b.palette = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
    b.rows = {1, 0, 1, 200};                  // 200 lies past the palette
    BitmapPtr bitmap = decode(b.build());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(pixel(bitmap, 0, 0), blue);
    EXPECT_EQ(pixel(bitmap, 1, 0), red);
    EXPECT_EQ(pixel(bitmap, 3, 0), black);

    BmpBuilder mono;
    mono.width = 10;
    mono.height = 1;
    mono.bits = 1;
    mono.palette = {0, 0, 0, 0, 255, 255, 255, 0};
    mono.rows = {0xA0, 0x40};  // pixels 0, 2 and 9 set
    bitmap = decode(mono.build());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(pixel(bitmap, 0, 0), rgb(255, 255, 255));
    EXPECT_EQ(pixel(bitmap, 1, 0), black);
    EXPECT_EQ(pixel(bitmap, 2, 0), rgb(255, 255, 255));
    EXPECT_EQ(pixel(bitmap, 9, 0), rgb(255, 255, 255));

    BmpBuilder nibbles;
    nibbles.width = 3;
    nibbles.height = 1;
    nibbles.bits = 4;
    nibbles.palette.assign(16 * 4, 0);
    nibbles.palette[4 * 5 + 1] = 255;  // entry 5 green
    nibbles.rows = {0x50, 0x50};
    bitmap = decode(nibbles.build());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(pixel(bitmap, 0, 0), green);
    EXPECT_EQ(pixel(bitmap, 1, 0), black);
    EXPECT_EQ(pixel(bitmap, 2, 0), green);
}

TEST(PictureBmp, SixteenAndThirtyTwoBits) {
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bits = 16;
    b.rows = {0x00, 0x7C, 0x1F, 0x00};  // 5-5-5: red, blue
    BitmapPtr bitmap = decode(b.build());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(pixel(bitmap, 0, 0), red);
    EXPECT_EQ(pixel(bitmap, 1, 0), blue);

    BmpBuilder wide;
    wide.width = 1;
    wide.height = 1;
    wide.bits = 32;
    wide.rows = {10, 20, 30, 40};
    bitmap = decode(wide.build());
    ASSERT_TRUE(bitmap);
    uint8_t fourth = 1;
    EXPECT_EQ(pixel(bitmap, 0, 0, &fourth), rgb(30, 20, 10));
    EXPECT_EQ(fourth, 0);

    // 5-6-5 bit fields after the header.
    BmpBuilder fields;
    fields.width = 1;
    fields.height = 1;
    fields.bits = 16;
    fields.gap = 12;
    fields.rows = {0xE0, 0x07};  // all green bits
    std::string s = fields.build();
    BmpBuilder::put32(s, BmpBuilder::at_compression, 3);
    BmpBuilder::put32(s, 54, 0xF800);
    BmpBuilder::put32(s, 58, 0x07E0);
    BmpBuilder::put32(s, 62, 0x001F);
    bitmap = decode(s);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(pixel(bitmap, 0, 0), green);
}

TEST(PictureBmp, BadHeadersAndShortFilesAreRefused) {
    BmpBuilder b;
    b.width = 2;
    b.height = 2;
    const std::string good = b.build();
    ASSERT_TRUE(decode(good));
    auto spoil16 = [&](size_t at, uint16_t v) {
        std::string s = good;
        BmpBuilder::put16(s, at, v);
        return s;
    };
    auto spoil32 = [&](size_t at, uint32_t v) {
        std::string s = good;
        BmpBuilder::put32(s, at, v);
        return s;
    };
    EXPECT_FALSE(decode(spoil16(BmpBuilder::at_planes, 2)));
    EXPECT_FALSE(decode(spoil16(BmpBuilder::at_bits, 7)));
    EXPECT_FALSE(decode(spoil32(BmpBuilder::at_compression, 1)));  // run-length
    EXPECT_FALSE(decode(spoil32(BmpBuilder::at_width, 0)));
    EXPECT_FALSE(decode(spoil32(BmpBuilder::at_height, 0)));
    EXPECT_FALSE(decode(spoil32(BmpBuilder::at_width, 10001)));
    EXPECT_FALSE(decode(spoil32(BmpBuilder::at_width, 0x80000000u)));
    EXPECT_FALSE(decode(spoil32(BmpBuilder::at_pixel_offset, 0xFFFFFFF0u)));
    EXPECT_FALSE(decode(spoil32(14, 1000)));  // header size
    EXPECT_FALSE(decode(good.substr(0, good.size() - 1)));
    EXPECT_FALSE(decode(good.substr(0, 30)));
    EXPECT_FALSE(decode(good, 4096, 1));  // the caller's limit
}

TEST(PictureGif, TheFirstFrameOnItsLogicalScreen) {
    BitmapPtr bitmap = decode(make_gif(3, 2, 0, 0, 3, 2, {1, 2, 3, 0, 1, 2}), 5);
    ASSERT_TRUE(bitmap);
    BitmapInfo info;
    get_bitmap_info(bitmap.get(), info);
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(pixel(bitmap, 0, 0), red);
    EXPECT_EQ(pixel(bitmap, 1, 0), green);
    EXPECT_EQ(pixel(bitmap, 2, 0), blue);
    EXPECT_EQ(pixel(bitmap, 0, 1), black);
    EXPECT_EQ(pixel(bitmap, 2, 1), green);

    // A smaller frame sits at its offset over the background colour (index 3, blue).
    bitmap = decode(make_gif(4, 3, 1, 1, 2, 1, {1, 1}));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(pixel(bitmap, 0, 0), blue);
    EXPECT_EQ(pixel(bitmap, 1, 1), red);
    EXPECT_EQ(pixel(bitmap, 2, 1), red);
    EXPECT_EQ(pixel(bitmap, 3, 1), blue);
}

TEST(PictureGif, InterlacedRowsLandInPlace) {
    // Rows arrive in the order 0, 4, 2, 1, 3 for five rows; row r has colour r % 3 + 1.
    std::vector<int> indexes;
    for (int row : {0, 4, 2, 1, 3})
        indexes.push_back(row % 3 + 1);
    BitmapPtr bitmap = decode(make_gif(1, 5, 0, 0, 1, 5, indexes, true));
    ASSERT_TRUE(bitmap);
    const COLORREF colours[] = {red, green, blue};
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(pixel(bitmap, 0, y), colours[y % 3]) << y;
}

TEST(PictureGif, DamagedOrOversizedFilesAreRefused) {
    const std::string good = make_gif(2, 2, 0, 0, 2, 2, {1, 2, 3, 1});
    ASSERT_TRUE(decode(good));
    EXPECT_FALSE(decode(good.substr(0, good.size() - 6)));
    EXPECT_FALSE(decode(good.substr(0, 13)));
    EXPECT_FALSE(decode(std::string("GIF89a") + std::string(7, '\0') + ";"));  // no frame
    EXPECT_FALSE(decode(make_gif(20000, 1, 0, 0, 20000, 1, {1})));
    // A frame under the limit on an unusable screen stands alone.
    BitmapPtr alone = decode(make_gif(20000, 20000, 0, 0, 2, 1, {1, 2}));
    ASSERT_TRUE(alone);
    BitmapInfo info;
    get_bitmap_info(alone.get(), info);
    EXPECT_EQ(info.width, 2);
}

TEST(PictureJpeg, ColourAndGreyFiles) {
    BitmapPtr bitmap = decode(fixture("halves.jpg"));
    ASSERT_TRUE(bitmap);
    BitmapInfo info;
    get_bitmap_info(bitmap.get(), info);
    EXPECT_EQ(info.width, 16);
    EXPECT_EQ(info.height, 8);
    const COLORREF left = pixel(bitmap, 2, 4), right = pixel(bitmap, 13, 4);
    EXPECT_GT(red_of(left), 230);
    EXPECT_LT(blue_of(left), 30);
    EXPECT_GT(blue_of(right), 230);
    EXPECT_LT(red_of(right), 30);

    bitmap = decode(fixture("grey.jpg"));
    ASSERT_TRUE(bitmap);
    EXPECT_NEAR(red_of(pixel(bitmap, 3, 3)), 128, 2);
    EXPECT_EQ(red_of(pixel(bitmap, 3, 3)), blue_of(pixel(bitmap, 3, 3)));
}

TEST(PictureJpeg, DamagedFilesAndLimits) {
    const std::string good = fixture("halves.jpg");
    ASSERT_FALSE(good.empty());
    EXPECT_FALSE(decode(good.substr(0, 100)));
    EXPECT_FALSE(decode(good, 4096, 15));
    EXPECT_TRUE(decode(good, 4096, 16));
}

TEST(Picture, UnknownFormatsAndReadersAreRefused) {
    EXPECT_FALSE(decode(""));
    EXPECT_FALSE(decode("\x89PNG\r\n\x1a\n"));
    PictureRequest request;
    EXPECT_EQ(decode_picture(request), nullptr);
    // A reader that claims more than it was asked for is not trusted.
    request.read = [](uint8_t*, uint32_t size) { return size + 1; };
    EXPECT_EQ(decode_picture(request), nullptr);
}
