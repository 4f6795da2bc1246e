#include "PngReference.h"
#include "skinner/PngDecoder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

using namespace pngtest;
using skinner::InflateResult;
using skinner::QxRawPngDecoder;

namespace {

Bytes fixture(const std::string& name) {
    std::ifstream in(std::string(CHIMELY_SKINNER_TEST_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Decoded {
    int rc = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    Bytes pixels;
    InflateResult inflate = InflateResult::unsupported;
};

Decoded decode(const Bytes& file) {
    QxRawPngDecoder decoder;
    Decoded d;
    d.rc = decoder.decode(file.data(), file.size());
    d.width = decoder.width();
    d.height = decoder.height();
    d.pixels = decoder.pixels();
    d.inflate = decoder.inflate_result();
    return d;
}

void expect_picture(const std::string& png, const std::string& rgba, uint32_t width, uint32_t height) {
    Decoded d = decode(fixture(png));
    EXPECT_EQ(d.rc, 1) << png;
    EXPECT_EQ(d.width, width) << png;
    EXPECT_EQ(d.height, height) << png;
    EXPECT_TRUE(d.pixels == fixture(rgba)) << png;
}

// An 8-bit RGBA picture of the given rows, filter type 0, one stored block.
Bytes rgba_png(uint32_t width, uint32_t height, uint8_t first_filter = 0) {
    Bytes raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(y == 0 ? first_filter : 0);
        for (uint32_t x = 0; x < width * 4; ++x)
            raw.push_back(uint8_t(y * 16 + x + 1));
    }
    return png(ihdr(width, height, 8, 6), stored_zlib(raw));
}

} // namespace

TEST(PngDecoder, DecodesEveryAcceptedForm) {
    struct Form {
        const char* name;
        uint32_t width, height;
    } forms[] = {{"grey1", 13, 5}, {"grey8", 11, 6}, {"rgb8", 10, 7},   {"rgb16", 9, 5},
                 {"pal4", 13, 6},  {"pal8", 12, 6},  {"greya8", 8, 5}, {"rgba8", 10, 6}};
    for (const Form& f : forms) {
        std::string base = f.name;
        expect_picture(base + ".png", base + ".rgba", f.width, f.height);
        expect_picture(base + "_i.png", base + ".rgba", f.width, f.height);
        // Narrower and shorter than 5: several Adam7 passes are empty.
        expect_picture(base + "_4x3_i.png", base + "_4x3.rgba", 4, 3);
    }
}

TEST(PngDecoder, TransparencyKeysAndGreyOneBit) {
    Decoded grey = decode(fixture("grey8.png"));
    // (0, 0) holds the key 77: alpha 0; (1, 0) does not.
    EXPECT_EQ(grey.pixels[3], 0);
    EXPECT_EQ(grey.pixels[0], 77);
    EXPECT_EQ(grey.pixels[7], 255);

    Decoded rgb16 = decode(fixture("rgb16.png"));
    // (0, 0) is the 16-bit key; (1, 0) has the same high bytes but another red low byte.
    EXPECT_EQ(Bytes(rgb16.pixels.begin(), rgb16.pixels.begin() + 8), (Bytes{0x12, 0x56, 0x9A, 0, 0x12, 0x56, 0x9A, 255}));

    Decoded bits = decode(fixture("grey1.png"));
    for (size_t i = 0; i < bits.pixels.size(); i += 4) {
        EXPECT_TRUE(bits.pixels[i] == 0 || bits.pixels[i] == 255);
        EXPECT_EQ(bits.pixels[i + 3], 0);
    }
}

TEST(PngDecoder, Adam7EqualsNonInterlaced) {
    for (const char* size : {"1x1", "3x3", "9x7", "33x17"}) {
        std::string base = std::string("adam7_") + size;
        Decoded plain = decode(fixture(base + ".png"));
        Decoded laced = decode(fixture(base + "_i.png"));
        EXPECT_TRUE(plain.pixels == fixture(base + ".rgba")) << size;
        EXPECT_TRUE(laced.pixels == plain.pixels) << size;
        EXPECT_EQ(laced.width, plain.width);
        EXPECT_EQ(laced.height, plain.height);
        EXPECT_EQ(laced.inflate, InflateResult::done) << size;
    }
}

TEST(PngDecoder, StoredFixedDynamicSplitAndBadCrcDecodeAlike) {
    for (const char* name : {"deflate_stored.png", "deflate_fixed.png", "deflate_dynamic.png", "deflate_split.png",
                             "deflate_badcrc.png"}) {
        Decoded d = decode(fixture(name));
        EXPECT_EQ(d.inflate, InflateResult::done) << name;
        EXPECT_EQ(d.width, 64u);
        EXPECT_EQ(d.height, 48u);
        EXPECT_TRUE(d.pixels == fixture("deflate.rgba")) << name;
    }
}

TEST(PngDecoder, NotAPng) {
    Bytes file = fixture("rgba8.png");
    EXPECT_EQ(decode(Bytes(file.begin(), file.begin() + 7)).rc, -1);
    EXPECT_EQ(decode(Bytes{}).rc, -1);
    Bytes bad = file;
    bad[1] = 'p';
    EXPECT_EQ(decode(bad).rc, -1);
    // Exactly the signature: a PNG without chunks, so no picture.
    Decoded empty = decode(signature());
    EXPECT_EQ(empty.rc, 1);
    EXPECT_EQ(empty.width, 0u);
}

TEST(PngDecoder, PaletteLengthNotMultipleOfThreeFails) {
    Bytes raw{0, 0};
    EXPECT_EQ(decode(png(ihdr(1, 1, 8, 3), stored_zlib(raw), Bytes(4, 9))).rc, -1);
}

TEST(PngDecoder, RefusedHeadersGiveNoPicture) {
    Bytes one_row{0, 1, 2, 3, 4};
    struct Case {
        const char* why;
        Bytes header;
    } cases[] = {
        {"width 0", ihdr(0, 1, 8, 6)},
        {"height 0", ihdr(1, 0, 8, 6)},
        {"too wide", ihdr(10001, 1, 8, 6)},
        {"too tall", ihdr(1, 10001, 8, 6)},
        {"huge", ihdr(0xFFFFFFFF, 0xFFFFFFFF, 8, 6)},
        {"RGB depth 4", ihdr(1, 1, 4, 2)},
        {"grey depth 16", ihdr(1, 1, 16, 0)},
        {"colour type 5", ihdr(1, 1, 8, 5)},
        {"interlace 2", ihdr(1, 1, 8, 6, 2)},
        {"palette without PLTE", ihdr(1, 1, 8, 3)},
    };
    for (const Case& c : cases) {
        Decoded d = decode(png(c.header, stored_zlib(one_row)));
        EXPECT_EQ(d.rc, 1) << c.why;
        EXPECT_EQ(d.width, 0u) << c.why;
        EXPECT_EQ(d.height, 0u) << c.why;
        EXPECT_TRUE(d.pixels.empty()) << c.why;
    }
    // An IHDR of 12 bytes is ignored.
    Bytes short_header = ihdr(1, 1, 8, 6);
    short_header.pop_back();
    EXPECT_EQ(decode(png(short_header, stored_zlib(one_row))).width, 0u);
    // The largest accepted side.
    Decoded wide = decode(png(ihdr(10000, 1, 8, 0), stored_zlib(Bytes(10001, 0))));
    EXPECT_EQ(wide.width, 10000u);
    EXPECT_EQ(wide.inflate, InflateResult::done);
}

TEST(PngDecoder, BadFilterTypeStopsAndKeepsEarlierRows) {
    Bytes raw{0, 1, 2, 3, 4, /*row 2*/ 5, 9, 9, 9, 9, /*row 3*/ 0, 7, 7, 7, 7};
    Decoded d = decode(png(ihdr(1, 3, 8, 6), stored_zlib(raw)));
    EXPECT_EQ(d.inflate, InflateResult::stopped);
    EXPECT_EQ(d.pixels, (Bytes{1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(PngDecoder, TruncatedDataKeepsWhatArrived) {
    Bytes file = rgba_png(2, 2);
    Decoded full = decode(file);
    ASSERT_EQ(full.inflate, InflateResult::done);
    // Cut the stored block after the first row and one pixel of the second.
    Bytes raw{0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 17, 18, 19, 20};
    Bytes stream = stored_zlib(Bytes(18, 0));
    Bytes cut(stream.begin(), stream.begin() + 7);
    cut.insert(cut.end(), raw.begin(), raw.end());
    Decoded d = decode(png(ihdr(2, 2, 8, 6), cut));
    EXPECT_EQ(d.inflate, InflateResult::corrupt);
    EXPECT_EQ(d.width, 2u);
    EXPECT_EQ(d.pixels, Bytes(16, 0)); // the stored block's length exceeds the data: nothing of it is used

    // A fixed-code stream that simply ends: the completed pixels stay.
    BitWriter w;
    w.bits(1, 1);
    w.bits(1, 2);
    for (int b : {0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 17, 18, 19, 20, 21})
        w.fixed_symbol(b);
    Decoded partial = decode(png(ihdr(2, 2, 8, 6), w.zlib()));
    EXPECT_EQ(partial.inflate, InflateResult::corrupt);
    EXPECT_EQ(partial.pixels, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 17, 18, 19, 20, 0, 0, 0, 0}));
}

TEST(PngDecoder, BytesAfterTheLastRowAreRefused) {
    Bytes raw{0, 1, 2, 3, 4, 0, 9, 9};
    Decoded d = decode(png(ihdr(1, 1, 8, 6), stored_zlib(raw)));
    EXPECT_EQ(d.inflate, InflateResult::stopped);
    EXPECT_EQ(d.pixels, (Bytes{1, 2, 3, 4}));
}

TEST(PngDecoder, PaletteBeyondItsSizeAndOverLongPalette) {
    // Index 2 of a two-entry palette writes nothing; index 1 does.
    Bytes palette{10, 20, 30, 40, 50, 60};
    Decoded d = decode(png(ihdr(2, 1, 8, 3), stored_zlib({0, 2, 1}), palette));
    EXPECT_EQ(d.pixels, (Bytes{0, 0, 0, 0, 40, 50, 60, 255}));

    // 300 entries: the first 256 are kept, index 255 works.
    Bytes big;
    for (int i = 0; i < 300; ++i)
        big.insert(big.end(), {uint8_t(i), uint8_t(i), 7});
    Decoded e = decode(png(ihdr(1, 1, 8, 3), stored_zlib({0, 255}), big));
    EXPECT_EQ(e.pixels, (Bytes{255, 255, 7, 255}));
}

TEST(PngDecoder, BadZlibHeaderGivesAnEmptyPictureOfItsSize) {
    Bytes stream = stored_zlib({0, 1, 2, 3, 4});
    stream[0] = 0x77; // method 7
    Decoded d = decode(png(ihdr(1, 1, 8, 6), stream));
    EXPECT_EQ(d.inflate, InflateResult::unsupported);
    EXPECT_EQ(d.width, 1u);
    EXPECT_EQ(d.pixels, Bytes(4, 0));
}

TEST(PngDecoder, ReusedDecoderForgetsTheEarlierPicture) {
    QxRawPngDecoder decoder;
    Bytes good = fixture("rgba8.png");
    ASSERT_EQ(decoder.decode(good.data(), good.size()), 1);
    EXPECT_EQ(decoder.width(), 10u);
    Bytes junk{1, 2, 3};
    EXPECT_EQ(decoder.decode(junk.data(), junk.size()), -1);
    EXPECT_EQ(decoder.width(), 0u);
    EXPECT_TRUE(decoder.pixels().empty());
}

namespace {

// Gradients, noise, a flat block and varying alpha: every filter has work.
Picture varied(uint32_t width, uint32_t height, uint32_t channels) {
    Picture p{width, height, channels, Bytes(size_t(width) * height * channels)};
    uint32_t noise = 99;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            noise = noise * 1103515245 + 12345;
            bool flat = x > width / 2 && y > height / 2;
            uint8_t* px = &p.samples[(size_t(y) * width + x) * channels];
            px[0] = flat ? 40 : uint8_t(x * 3 + (noise >> 28));
            px[1] = flat ? 80 : uint8_t(y * 2);
            px[2] = flat ? 120 : uint8_t((x ^ y) + (noise >> 30));
            if (channels == 4)
                px[3] = flat ? 255 : uint8_t(x + y);
        }
    return p;
}

// The scan-line bytes that a cut stream still yields.
size_t inflated_size(const Bytes& stream) {
    struct Count : skinner::InflateSink {
        size_t bytes = 0;
        int put_byte(uint8_t) override { return ++bytes, 1; }
    } count;
    skinner::Inflate().run(stream.data(), stream.size(), count);
    return count.bytes;
}

} // namespace

TEST(PngDecoder, MatchesTheLibraryOnZlibPictures) {
    struct Case {
        uint32_t channels;
        int level, filter;
        uint8_t interlace;
    } cases[] = {{4, 1, filter_cycle, 0},  {4, 6, filter_cycle, 0}, {4, 9, filter_cycle, 0},
                 {4, 9, filter_chosen, 0}, {4, 9, filter_cycle, 1}, {3, 6, filter_cycle, 0},
                 {3, 9, filter_chosen, 1}};
    for (const Case& c : cases) {
        // Larger than the inflater's run of output between deliveries.
        Picture p = varied(301, 203, c.channels);
        Bytes lines = c.interlace ? adam7_scan_lines(p, c.filter) : scan_lines(p, c.filter);
        Bytes file = checked_png(p, zlib_level(lines, c.level), c.interlace);
        Bytes reference = library_rgba(file);
        ASSERT_EQ(reference.size(), size_t(301) * 203 * 4);
        Decoded d = decode(file);
        EXPECT_EQ(d.inflate, InflateResult::done) << c.channels << " " << c.level << " " << int(c.interlace);
        EXPECT_TRUE(d.pixels == reference) << c.channels << " " << c.level << " " << int(c.interlace);
    }
}

TEST(PngDecoder, CutStreamsKeepEveryWholePixelThatArrived) {
    // RGBA rows are unfiltered in the output itself, RGB rows beside it.
    for (uint32_t channels : {4u, 3u}) {
        Picture p = varied(57, 31, channels);
        Bytes stream = zlib_level(scan_lines(p, filter_cycle), 9);
        Bytes file = checked_png(p, stream);
        Bytes full = library_rgba(file);
        const size_t line = 1 + size_t(p.width) * channels;
        for (size_t cut : {size_t(30), stream.size() / 3, stream.size() / 2, stream.size() - 9}) {
            Bytes part(stream.begin(), stream.begin() + long(cut));
            size_t bytes = inflated_size(part);
            size_t rest = bytes % line;
            size_t whole = bytes / line * p.width + (rest > 1 ? (rest - 1) / channels : 0);
            Bytes expected(full.size(), 0);
            std::copy(full.begin(), full.begin() + long(whole * 4), expected.begin());
            Decoded d = decode(png(ihdr(p.width, p.height, 8, channels == 4 ? 6 : 2), part));
            EXPECT_EQ(d.inflate, InflateResult::corrupt) << channels << " " << cut;
            EXPECT_TRUE(d.pixels == expected) << channels << " " << cut << " " << whole;
        }
    }
}
