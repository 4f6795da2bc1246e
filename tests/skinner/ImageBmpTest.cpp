#include "skinner/ImageBmp.h"

#include "../platform/BmpBuilder.h"
#include "base/File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace skinner;
using testing_support::BmpBuilder;

namespace {

class MemoryReader : public liba::ResourceReader {
public:
    explicit MemoryReader(std::string bytes, uint32_t start = 0) : bytes_(std::move(bytes)), position_(start) {}
    uint32_t read(void* buffer, uint32_t count) override {
        const uint32_t n = std::min<uint32_t>(count, uint32_t(bytes_.size()) - position_);
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        return n;
    }
    uint32_t skip(uint32_t count) override {
        const uint32_t n = std::min<uint32_t>(count, uint32_t(bytes_.size()) - position_);
        position_ += n;
        return n;
    }
    uint32_t get_size() override { return uint32_t(bytes_.size()); }
    bool seek(uint32_t position) override {
        if (position > bytes_.size())
            return false;
        position_ = position;
        return true;
    }
    uint32_t tell() override { return position_; }

private:
    std::string bytes_;
    uint32_t position_ = 0;
};

struct Bitmap {
    explicit Bitmap(plat::HBITMAP b) : bitmap(b) { plat::get_bitmap_info(b, info); }
    ~Bitmap() { plat::delete_bitmap(bitmap); }
    plat::COLORREF at(int x, int y) const {
        const uint8_t* p = info.bits + y * info.stride + x * 4;
        return plat::rgb(p[2], p[1], p[0]);
    }
    plat::HBITMAP bitmap = nullptr;
    plat::BitmapInfo info;
};

plat::HBITMAP read(const std::string& bytes) {
    MemoryReader reader(bytes);
    return read_bmp(reader, L"test.bmp");
}

} // namespace

TEST(ImageBmp, ReadsBottomUpAndTopDownRows) {
    for (bool top_down : {false, true}) {
        BmpBuilder b;
        b.width = 2;
        b.height = 3;
        b.top_down = top_down;
        b.rows = {0, 0, 255, 0, 255, 0,  //
                  255, 0, 0, 1, 2, 3,    //
                  9, 9, 9, 4, 5, 6};
        Bitmap bitmap(read(b.build()));
        ASSERT_TRUE(bitmap.bitmap);
        EXPECT_EQ(bitmap.info.width, 2);
        EXPECT_EQ(bitmap.info.height, 3);
        EXPECT_EQ(bitmap.at(0, 0), plat::rgb(255, 0, 0));
        EXPECT_EQ(bitmap.at(1, 0), plat::rgb(0, 255, 0));
        EXPECT_EQ(bitmap.at(0, 1), plat::rgb(0, 0, 255));
        EXPECT_EQ(bitmap.at(1, 2), plat::rgb(6, 5, 4));
    }
}

TEST(ImageBmp, PaletteOfTheUsedColoursAndPixelsAtTheirOffset) {
    BmpBuilder b;
    b.width = 3;
    b.height = 1;
    b.bits = 8;
    b.used_colours = 2;
    b.palette = {0, 0, 255, 0, 0, 255, 0, 0};
    b.gap = 10;  // the pixels do not follow the palette directly
    b.rows = {1, 0, 7};
    Bitmap bitmap(read(b.build()));
    ASSERT_TRUE(bitmap.bitmap);
    EXPECT_EQ(bitmap.at(0, 0), plat::rgb(0, 255, 0));
    EXPECT_EQ(bitmap.at(1, 0), plat::rgb(255, 0, 0));
    EXPECT_EQ(bitmap.at(2, 0), plat::rgb(0, 0, 0));  // past the used colours

    BmpBuilder nibbles;
    nibbles.width = 2;
    nibbles.height = 1;
    nibbles.bits = 4;
    nibbles.palette.assign(64, 0);
    nibbles.palette[4 * 3 + 2] = 200;
    nibbles.rows = {0x03};
    Bitmap n(read(nibbles.build()));
    ASSERT_TRUE(n.bitmap);
    EXPECT_EQ(n.at(0, 0), plat::rgb(0, 0, 0));
    EXPECT_EQ(n.at(1, 0), plat::rgb(200, 0, 0));
}

TEST(ImageBmp, SixteenAndThirtyTwoBits) {
    BmpBuilder b;
    b.width = 1;
    b.height = 1;
    b.bits = 16;
    b.rows = {0xE0, 0x03};  // 5-5-5 green
    Bitmap sixteen(read(b.build()));
    ASSERT_TRUE(sixteen.bitmap);
    EXPECT_EQ(sixteen.at(0, 0), plat::rgb(0, 255, 0));
    b.bits = 32;
    b.rows = {1, 2, 3, 4};
    Bitmap wide(read(b.build()));
    ASSERT_TRUE(wide.bitmap);
    EXPECT_EQ(wide.at(0, 0), plat::rgb(3, 2, 1));
    EXPECT_EQ(wide.info.bits[3], 0);
}

TEST(ImageBmp, StartsWhereTheReaderStands) {
    BmpBuilder b;
    b.rows = {10, 20, 30};
    MemoryReader reader("junk" + b.build(), 4);
    Bitmap bitmap(read_bmp(reader, L"x.bmp"));
    ASSERT_TRUE(bitmap.bitmap);
    EXPECT_EQ(bitmap.at(0, 0), plat::rgb(30, 20, 10));
}

TEST(ImageBmp, RefusesBadHeadersAndShortFiles) {
    BmpBuilder b;
    b.width = 4;
    b.height = 2;
    b.bits = 8;
    b.palette.assign(256 * 4, 0);
    const std::string good = b.build();
    ASSERT_TRUE(Bitmap(read(good)).bitmap);
    auto with16 = [&](size_t at, uint16_t v) {
        std::string s = good;
        BmpBuilder::put16(s, at, v);
        return s;
    };
    auto with32 = [&](size_t at, uint32_t v) {
        std::string s = good;
        BmpBuilder::put32(s, at, v);
        return s;
    };
    EXPECT_EQ(read(with16(0, 0x4142)), nullptr);                          // no signature
    EXPECT_EQ(read(with16(BmpBuilder::at_planes, 0)), nullptr);
    EXPECT_EQ(read(with16(BmpBuilder::at_bits, 2)), nullptr);
    EXPECT_EQ(read(with16(BmpBuilder::at_bits, 0)), nullptr);
    EXPECT_EQ(read(with32(BmpBuilder::at_compression, 1)), nullptr);
    EXPECT_EQ(read(with32(BmpBuilder::at_compression, 3)), nullptr);
    EXPECT_EQ(read(with32(BmpBuilder::at_width, 0)), nullptr);
    EXPECT_EQ(read(with32(BmpBuilder::at_width, uint32_t(-4))), nullptr);
    EXPECT_EQ(read(with32(BmpBuilder::at_height, 0)), nullptr);
    EXPECT_EQ(read(with32(BmpBuilder::at_width, 10001)), nullptr);
    EXPECT_EQ(read(with32(BmpBuilder::at_height, uint32_t(-10001))), nullptr);
    EXPECT_EQ(read(with32(14, 12)), nullptr);                             // an older header
    EXPECT_EQ(read(with32(BmpBuilder::at_pixel_offset, 0xFFFFFFFFu)), nullptr);
    EXPECT_EQ(read(with32(14, 0xFFFFFFF2u)), nullptr);  // the colour table's offset wraps to 0 in 32 bits
    EXPECT_EQ(read(good.substr(0, good.size() - 1)), nullptr);
    EXPECT_EQ(read(good.substr(0, 60)), nullptr);                          // palette cut off
    EXPECT_EQ(read(good.substr(0, 20)), nullptr);
    // A used-colours count beyond the bit depth means the full table.
    ASSERT_TRUE(Bitmap(read(with32(BmpBuilder::at_used_colours, 100000))).bitmap);
}
