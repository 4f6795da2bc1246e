#include "skinner/Image32.h"
#include "skinner/Picture.h"

#include "../platform/BmpBuilder.h"
#include "../platform/GifBuilder.h"
#include "LogCapture.h"
#include "TempRoot.h"
#include "plat/PngWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace skinner;
using plat::COLORREF;
using plat::rgb;

namespace {

const std::wstring source = L"\\skins\\test.skin";

void write_file(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = std::filesystem::path(testing_support::process_root()) / "skins" / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A 24-bit BMP of the colours, row by row.
std::string bmp(int w, int h, const std::vector<COLORREF>& colours) {
    testing_support::BmpBuilder b;
    b.width = w;
    b.height = h;
    for (COLORREF c : colours) {
        b.rows.push_back(plat::blue_of(c));
        b.rows.push_back(plat::green_of(c));
        b.rows.push_back(plat::red_of(c));
    }
    return b.build();
}

std::string png(int w, int h, const std::vector<COLORREF>& colours) {
    std::vector<uint8_t> pixels;
    for (COLORREF c : colours)
        pixels.insert(pixels.end(), {plat::blue_of(c), plat::green_of(c), plat::red_of(c), 0});
    std::vector<uint8_t> file = plat::encode_png(pixels.data(), w, h, w * 4);
    return std::string(file.begin(), file.end());
}

// A zip archive of stored entries.
std::string zip(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string z;
    auto put16 = [&](uint16_t v) { z.append({char(v & 0xFF), char(v >> 8)}); };
    auto put32 = [&](uint32_t v) {
        put16(uint16_t(v));
        put16(uint16_t(v >> 16));
    };
    for (const auto& [name, data] : entries) {
        put32(0x04034b50);
        put16(10);
        put16(0);
        put16(0);
        put32(0);
        put32(0);  // CRC, unchecked
        put32(uint32_t(data.size()));
        put32(uint32_t(data.size()));
        put16(uint16_t(name.size()));
        put16(0);
        z += name;
        z += data;
    }
    return z;
}

// Distinct colours for a w × h image: pixel (x, y) is rgb(x * 16 + 1, y * 16 + 1, 77).
std::vector<COLORREF> pattern(int w, int h) {
    std::vector<COLORREF> c;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            c.push_back(rgb(uint8_t(x * 16 + 1), uint8_t(y * 16 + 1), 77));
    return c;
}
COLORREF pattern_at(int x, int y) { return rgb(uint8_t(x * 16 + 1), uint8_t(y * 16 + 1), 77); }

// A canvas over a surface of its own.
struct Screen {
    Screen(int w, int h, COLORREF background = rgb(200, 200, 200)) : width(w), height(h) {
        plat::select_bitmap(dc, bitmap);
        plat::fill_rect(dc, {0, 0, w, h}, background);
        impl = std::make_unique<CanvasImpl>(dc, plat::POINT{0, 0}, plat::POINT{w, h});
        canvas = std::make_unique<Canvas>(impl.get());
    }
    ~Screen() {
        canvas.reset();
        impl.reset();
        plat::delete_dc(dc);
        plat::delete_bitmap(bitmap);
    }
    COLORREF at(int x, int y) const { return plat::get_pixel(dc, x, y); }

    int width = 0, height = 0;
    plat::HBITMAP bitmap = plat::create_bitmap(width, height);
    plat::HDC dc = plat::create_compatible_dc(nullptr);
    std::unique_ptr<CanvasImpl> impl;
    std::unique_ptr<Canvas> canvas;
};

Picture grid(const std::wstring& name, plat::POINT p0, plat::POINT p1, plat::POINT p2, plat::POINT p3, bool stretch,
             int scale = 1) {
    Picture p = Picture::load(source, name, stretch, scale);
    p.set_p0(p0);
    p.set_p1(p1);
    p.set_p2(p2);
    p.set_p3(p3);
    return p;
}

// Every pixel of the rectangle equals the source pixel the nine-grid mapping names.
void expect_mapped(const Screen& s, const Picture& p, plat::POINT position, plat::POINT size) {
    for (int y = position.y; y < position.y + size.y; ++y)
        for (int x = position.x; x < position.x + size.x; ++x) {
            const int sx = Picture::map_axis(x, position.x, position.x + size.x, p.p0().x, p.p1().x, p.p2().x,
                                             p.p3().x, p.stretch());
            const int sy = Picture::map_axis(y, position.y, position.y + size.y, p.p0().y, p.p1().y, p.p2().y,
                                             p.p3().y, p.stretch());
            ASSERT_EQ(s.at(x, y), pattern_at(sx, sy)) << x << "," << y;
        }
}

} // namespace

TEST(Picture, LoadsOnceAndSharesTheImage) {
    write_file("dot.bmp", bmp(3, 2, pattern(3, 2)));
    EXPECT_EQ(Picture::cache_size(), 0u);
    {
        Picture a = Picture::from_name(source, L"dot", true);
        Picture b = Picture::from_name(source, L"dot", false);
        ASSERT_TRUE(a.loaded());
        EXPECT_EQ(a.get_rep(), b.get_rep());
        EXPECT_EQ(Picture::cache_size(), 1u);
        EXPECT_EQ(a.get_size().x, 3);
        EXPECT_EQ(a.get_size().y, 2);
        EXPECT_EQ(a.get_border_size().x, 0);
        EXPECT_EQ(a.get_rep()->width, 3);
        Picture missing = Picture::from_name(source, L"nothing", true);
        EXPECT_NE(missing.get_rep(), nullptr);
        EXPECT_FALSE(missing.loaded());
        EXPECT_EQ(Picture::cache_size(), 2u);
        Screen s(4, 4);
        EXPECT_FALSE(missing.draw_shifted(*s.canvas, {0, 0}, {4, 4}));
        EXPECT_EQ(s.at(0, 0), rgb(200, 200, 200));
        Picture copy = a;
        a = Picture();
        EXPECT_TRUE(copy.loaded());
        Picture& same = copy;
        copy = same;
        EXPECT_TRUE(copy.loaded());
    }
    EXPECT_EQ(Picture::cache_size(), 0u);
    Picture empty;
    EXPECT_EQ(empty.get_rep(), nullptr);
    Screen s(2, 2);
    EXPECT_FALSE(empty.draw_shifted(*s.canvas, {0, 0}, {2, 2}));
}

TEST(Picture, ScaleVariantsAreUsedAsTheyAreOtherwiseTheImageIsEnlarged) {
    testing_support::LogCapture log;
    write_file("base.bmp", bmp(2, 1, {rgb(255, 0, 0), rgb(0, 0, 255)}));
    write_file("both.bmp", bmp(2, 1, {rgb(255, 0, 0), rgb(0, 0, 255)}));
    write_file("both_x2.bmp", bmp(3, 3, pattern(3, 3)));
    Picture variant = Picture::load(source, L"both", true, 2);
    ASSERT_TRUE(variant.loaded());
    EXPECT_EQ(variant.get_rep()->width, 3);
    EXPECT_EQ(variant.get_size().x, 3);

    Picture enlarged = Picture::load(source, L"base", true, 2);
    ASSERT_TRUE(enlarged.loaded());
    EXPECT_EQ(enlarged.get_rep()->width, 2);  // as decoded
    EXPECT_EQ(enlarged.get_size().x, 4);      // as drawn
    EXPECT_EQ(enlarged.get_size().y, 2);
    Screen s(4, 2);
    enlarged.draw_shifted(*s.canvas, {0, 0}, {4, 2});
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(s.at(0, y), rgb(255, 0, 0));
        EXPECT_EQ(s.at(1, y), rgb(255, 0, 0));
        EXPECT_EQ(s.at(2, y), rgb(0, 0, 255));
        EXPECT_EQ(s.at(3, y), rgb(0, 0, 255));
    }
    EXPECT_EQ(log.text(), L"bmp: Width=2 Height=1 bmBitsPixel=32 bmPlanes=1\n");
    // Scale 1 and scale 2 of one name are separate images.
    EXPECT_NE(Picture::from_name(source, L"base", true).get_rep(), enlarged.get_rep());
}

TEST(Picture, ArchiveEntriesComeBeforeFilesInTheFolder) {
    // A GIF entry (stored in the archive under another letter case) wins over a PNG beside the archive.
    write_file("test.skin", zip({{"Pic.GIF", testing_support::make_gif(2, 1, 0, 0, 2, 1, {1, 2})}}));
    write_file("pic.png", png(2, 1, {rgb(9, 9, 9), rgb(9, 9, 9)}));
    write_file("other.png", png(2, 1, {rgb(9, 8, 7), rgb(1, 2, 3)}));
    Picture pic = Picture::from_name(source, L"pic", true);
    ASSERT_TRUE(pic.loaded());
    Screen s(2, 1);
    pic.draw_shifted(*s.canvas, {0, 0}, {2, 1});
    EXPECT_EQ(s.at(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(s.at(1, 0), rgb(0, 255, 0));
    Picture other = Picture::from_name(source, L"other", true);
    ASSERT_TRUE(other.loaded());
    other.draw_shifted(*s.canvas, {0, 0}, {2, 1});
    EXPECT_EQ(s.at(0, 0), rgb(9, 8, 7));
    EXPECT_EQ(s.at(1, 0), rgb(1, 2, 3));
}

TEST(Picture, ABrokenArchiveEntryEndsTheSearch) {
    write_file("test.skin", zip({{"bad.gif", "GIF89a broken"}}));
    write_file("bad.png", png(1, 1, {rgb(1, 1, 1)}));
    EXPECT_FALSE(Picture::from_name(source, L"bad", true).loaded());
}

TEST(Picture, AFileThatDoesNotDecodePassesToTheNextTry) {
    // Unlike a broken archive entry, a broken PNG or BMP beside the archive only moves the search on.
    write_file("next.png", "\x89PNG\r\n\x1a\n broken");
    write_file("next.bmp", "BM broken");
    write_file("next.gif", testing_support::make_gif(2, 1, 0, 0, 2, 1, {1, 2}));
    Picture pic = Picture::from_name(source, L"next", true);
    ASSERT_TRUE(pic.loaded());
    Screen s(2, 1);
    pic.draw_shifted(*s.canvas, {0, 0}, {2, 1});
    EXPECT_EQ(s.at(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(s.at(1, 0), rgb(0, 255, 0));
}

TEST(Picture, TheOwnBmpReaderServesArchiveEntriesWithoutThePlatformDecoder) {
    write_file("test.skin", zip({{"own.bmp", bmp(2, 1, {rgb(1, 2, 3), rgb(4, 5, 6)})}}));
    auto previous = Picture::set_platform_decoder(nullptr);
    Picture own = Picture::from_name(source, L"own", true);
    Picture::set_platform_decoder(previous);
    ASSERT_TRUE(own.loaded());
    Screen s(2, 1);
    own.draw_shifted(*s.canvas, {0, 0}, {2, 1});
    EXPECT_EQ(s.at(0, 0), rgb(1, 2, 3));
    EXPECT_EQ(s.at(1, 0), rgb(4, 5, 6));
}

TEST(Picture, NineGridStretchedByWholeFactors) {
    write_file("grid.bmp", bmp(4, 4, pattern(4, 4)));
    Picture p = grid(L"grid", {0, 0}, {1, 1}, {3, 3}, {4, 4}, true);
    Screen s(12, 12);
    ASSERT_TRUE(p.draw_shifted(*s.canvas, {1, 2}, {10, 8}));  // centre 8 x 6 from 2 x 2
    expect_mapped(s, p, {1, 2}, {10, 8});
    EXPECT_EQ(s.at(0, 2), rgb(200, 200, 200));
    EXPECT_EQ(s.at(11, 2), rgb(200, 200, 200));
    EXPECT_EQ(s.at(1, 10), rgb(200, 200, 200));
    // Spot checks of the mapping itself.
    EXPECT_EQ(s.at(1, 2), pattern_at(0, 0));
    EXPECT_EQ(s.at(10, 9), pattern_at(3, 3));
    EXPECT_EQ(s.at(5, 2), pattern_at(1, 0));
    EXPECT_EQ(s.at(6, 2), pattern_at(2, 0));
}

TEST(Picture, NineGridTiled) {
    write_file("tiles.bmp", bmp(5, 5, pattern(5, 5)));
    Picture p = grid(L"tiles", {0, 0}, {1, 1}, {4, 3}, {5, 5}, false);  // centre 3 x 2, bottom border 2
    Screen s(16, 16);
    p.draw_shifted(*s.canvas, {0, 0}, {11, 9});
    expect_mapped(s, p, {0, 0}, {11, 9});
    EXPECT_EQ(s.at(4, 1), pattern_at(1, 1));  // the second tile starts again
    EXPECT_EQ(s.at(9, 6), pattern_at(3, 2));  // the last tile is cut
    EXPECT_EQ(s.at(11, 0), rgb(200, 200, 200));
}

TEST(Picture, BordersShrinkWhenTheDestinationIsNarrower) {
    write_file("wide.bmp", bmp(6, 6, pattern(6, 6)));
    Picture p = grid(L"wide", {0, 0}, {3, 3}, {3, 3}, {6, 6}, true);
    Screen s(8, 8);
    p.draw_shifted(*s.canvas, {0, 0}, {3, 6});
    // 3 + 3 exceed 3 by 3: the left border loses 1, the right one 2.
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(s.at(0, y), pattern_at(0, y));
        EXPECT_EQ(s.at(1, y), pattern_at(1, y));
        EXPECT_EQ(s.at(2, y), pattern_at(5, y));
    }
    EXPECT_EQ(s.at(3, 0), rgb(200, 200, 200));
    // A border deeper than the whole destination gives its deficit to the other one.
    Picture lop = grid(L"wide", {0, 0}, {5, 0}, {5, 6}, {6, 6}, true);
    Screen t(4, 8);
    lop.draw_shifted(*t.canvas, {0, 0}, {1, 6});
    EXPECT_EQ(t.at(0, 0), pattern_at(0, 0));
    EXPECT_EQ(t.at(1, 0), rgb(200, 200, 200));
}

TEST(Picture, OnePixelPartsAreFilled) {
    write_file("one.bmp", bmp(3, 3, pattern(3, 3)));
    for (bool stretch : {true, false}) {
        Picture p = grid(L"one", {0, 0}, {1, 1}, {2, 2}, {3, 3}, stretch);
        Screen s(9, 9);
        p.draw_shifted(*s.canvas, {1, 1}, {7, 6});
        expect_mapped(s, p, {1, 1}, {7, 6});
        EXPECT_EQ(s.at(4, 4), pattern_at(1, 1));
    }
    // At scale 2 the one-pixel test is two drawn pixels.
    Picture big = grid(L"one", {0, 0}, {2, 2}, {4, 4}, {6, 6}, false, 2);
    Screen s(10, 10);
    big.draw_shifted(*s.canvas, {0, 0}, {10, 10});
    for (int y = 2; y < 8; ++y)
        for (int x = 2; x < 8; ++x)
            ASSERT_EQ(s.at(x, y), pattern_at(1, 1));
    EXPECT_EQ(s.at(9, 9), pattern_at(2, 2));
}

TEST(Picture, MasksLetTheBackgroundThrough) {
    const COLORREF w = rgb(255, 255, 255), k = 0, r = rgb(255, 0, 0), g = rgb(0, 255, 0);
    // Opaque where the mask is white; the image is white where it is transparent.
    write_file("masked.bmp", bmp(3, 3, {r, w, r, w, g, w, r, w, r}));
    write_file("masked_1.bmp", bmp(3, 3, {w, k, w, k, w, k, w, k, w}));
    write_file("masked_8.bmp", bmp(3, 3, {0, 0, 0, 0, 0, 0, 0, 0, 0}));  // ignored: the mask wins
    Picture p = Picture::from_name(source, L"masked", false);
    ASSERT_TRUE(p.loaded());
    EXPECT_FALSE(p.get_rep()->alpha);
    Screen s(6, 3, rgb(10, 20, 30));
    p.draw_shifted(*s.canvas, {0, 0}, {6, 3});  // no borders: the whole picture tiles twice
    const COLORREF bg = rgb(10, 20, 30);
    const COLORREF expect[3][3] = {{r, bg, r}, {bg, g, bg}, {r, bg, r}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(s.at(x, y), expect[y][x % 3]) << x << "," << y;
}

TEST(Picture, MaskedOnePixelFillsFollowTheMask) {
    testing_support::LogCapture log;
    const COLORREF w = rgb(255, 255, 255), k = 0, b = rgb(0, 0, 255);
    write_file("hole.bmp", bmp(3, 3, {b, b, b, b, w, b, b, b, b}));
    write_file("hole_1.bmp", bmp(3, 3, {w, w, w, w, k, w, w, w, w}));
    Picture p = grid(L"hole", {0, 0}, {1, 1}, {2, 2}, {3, 3}, true);
    Screen s(6, 6, rgb(1, 1, 1));
    p.draw_shifted(*s.canvas, {0, 0}, {6, 6});
    EXPECT_EQ(s.at(0, 0), b);
    EXPECT_EQ(s.at(3, 0), b);  // top edge: filled
    EXPECT_EQ(s.at(0, 3), b);  // left edge: filled
    EXPECT_EQ(s.at(2, 2), rgb(1, 1, 1));  // centre: its mask pixel is black
    EXPECT_EQ(s.at(4, 4), rgb(1, 1, 1));
    EXPECT_EQ(s.at(5, 5), b);
    // Four edges with a white mask pixel, then the centre with its black one.
    EXPECT_EQ(log.text(), L"ffill: mask_pix=16777215\nffill: mask_pix=16777215\nffill: mask_pix=16777215\n"
                          L"ffill: mask_pix=16777215\nffill: mask_pix=0\n");
}

TEST(Picture, AlphaPicturesBlendOverTheBackground) {
    const COLORREF red = rgb(255, 0, 0);
    write_file("glass.bmp", bmp(3, 1, {red, red, red}));
    write_file("glass_8.bmp", bmp(3, 1, {rgb(0, 0, 0), rgb(0, 0, 128), rgb(0, 0, 255)}));
    Picture p = Picture::from_name(source, L"glass", true);
    ASSERT_TRUE(p.loaded());
    EXPECT_TRUE(p.get_rep()->alpha);
    Screen s(5, 2, rgb(0, 100, 200));
    p.draw_shifted(*s.canvas, {1, 0}, {3, 1});
    auto mix = [](int d, int src, int a) { return d + ((a * (src - d)) >> 8); };
    EXPECT_EQ(s.at(0, 0), rgb(0, 100, 200));
    EXPECT_EQ(s.at(1, 0), rgb(0, 100, 200));  // alpha 0
    EXPECT_EQ(s.at(2, 0), rgb(uint8_t(mix(0, 255, 128)), uint8_t(mix(100, 0, 128)), uint8_t(mix(200, 0, 128))));
    EXPECT_EQ(s.at(3, 0), rgb(uint8_t(mix(0, 255, 255)), uint8_t(mix(100, 0, 255)), uint8_t(mix(200, 0, 255))));
    EXPECT_EQ(s.at(4, 0), rgb(0, 100, 200));
    EXPECT_EQ(s.at(2, 1), rgb(0, 100, 200));
}

TEST(Picture, DrawingKeepsToTheCanvasClip) {
    write_file("grid.bmp", bmp(4, 4, pattern(4, 4)));
    Picture p = grid(L"grid", {0, 0}, {1, 1}, {3, 3}, {4, 4}, true);
    Screen s(8, 8);
    s.canvas->push_clip({2, 2}, {2, 2});
    p.draw_shifted(*s.canvas, {0, 0}, {8, 8});
    EXPECT_EQ(s.at(1, 1), rgb(200, 200, 200));
    EXPECT_EQ(s.at(4, 4), rgb(200, 200, 200));
    EXPECT_NE(s.at(2, 2), rgb(200, 200, 200));
    EXPECT_TRUE(p.draw_shifted(*s.canvas, {0, 0}, {0, 5}));  // nothing to draw
}

TEST(Picture, TransparencyTestInItsOrder) {
    const COLORREF w = rgb(255, 255, 255), k = 0;
    write_file("plain.bmp", bmp(2, 2, pattern(2, 2)));
    write_file("cut.bmp", bmp(2, 2, pattern(2, 2)));
    write_file("cut_1.bmp", bmp(2, 2, {w, k, k, w}));
    Picture plain = Picture::from_name(source, L"plain", true);
    Picture cut = Picture::from_name(source, L"cut", true);
    EXPECT_TRUE(plain.is_transparent({10, 10}, {0, 0}, {4, 4}));  // outside
    EXPECT_TRUE(plain.is_transparent({-1, 0}, {0, 0}, {4, 4}));
    EXPECT_FALSE(plain.is_transparent({3, 3}, {0, 0}, {4, 4}));   // no mask
    EXPECT_FALSE(cut.is_transparent({0, 0}, {0, 0}, {4, 4}));
    EXPECT_TRUE(cut.is_transparent({3, 0}, {0, 0}, {4, 4}));      // maps to (1, 0): black
    EXPECT_FALSE(cut.is_transparent({3, 3}, {0, 0}, {4, 4}));
    EXPECT_TRUE(cut.is_transparent({4, 3}, {0, 0}, {4, 4}));
    EXPECT_TRUE(Picture().is_transparent({0, 0}, {0, 0}, {4, 4}));
}

TEST(Picture, AxisMapping) {
    // Borders 2 and 1 of a 10-pixel axis (centre 2..9) drawn over [10, 30).
    auto map = [](int a, bool stretch) { return Picture::map_axis(a, 10, 30, 0, 2, 9, 10, stretch); };
    EXPECT_EQ(map(9, true), -1);
    EXPECT_EQ(map(30, true), -1);
    EXPECT_EQ(map(10, true), 0);
    EXPECT_EQ(map(12, true), 2);  // o equal to the border still counts as border
    EXPECT_EQ(map(29, true), 9);
    EXPECT_EQ(map(13, true), 2 + 1 * 7 / 17);
    EXPECT_EQ(map(28, true), 2 + 16 * 7 / 17);
    EXPECT_EQ(map(13, false), 3);
    EXPECT_EQ(map(21, false), 2 + 9 % 7);
    EXPECT_EQ(Picture::map_axis(5, 0, 10, 0, 3, 3, 6, false), 0);  // no centre to tile
}

TEST(Image32, PicturesRenderWithAlphaAndPowerOfTwoSizes) {
    write_file("hand.bmp", bmp(5, 3, pattern(5, 3)));
    Picture p = Picture::from_name(source, L"hand", true);
    Image32 image;
    ASSERT_TRUE(image.create_from_picture(p, true));
    EXPECT_EQ(image.size().x, 8);
    EXPECT_EQ(image.size().y, 4);
    const Pixels32 px = image.pixels();
    EXPECT_EQ(px.get(4, 2), 0xFF000000u | plat::rgb(77, uint8_t(2 * 16 + 1), uint8_t(4 * 16 + 1)));
    EXPECT_EQ(px.get(5, 0), 0u);
    EXPECT_EQ(px.get(0, 3), 0u);

    // An alpha picture's blue channel becomes the alpha.
    write_file("soft.bmp", bmp(2, 1, {rgb(255, 0, 0), rgb(0, 255, 0)}));
    write_file("soft_8.bmp", bmp(2, 1, {rgb(0, 0, 64), rgb(9, 9, 200)}));
    Image32 soft;
    ASSERT_TRUE(soft.create_from_picture(Picture::from_name(source, L"soft", true), false));
    EXPECT_EQ(soft.pixels().get(0, 0), 0x40FF0000u);
    EXPECT_EQ(soft.pixels().get(1, 0), 0xC800FF00u);

    // A mask's black pixels become transparent.
    const COLORREF w = rgb(255, 255, 255), k = 0;
    write_file("stencil.bmp", bmp(2, 1, {rgb(1, 2, 3), w}));
    write_file("stencil_1.bmp", bmp(2, 1, {w, k}));
    Image32 stencil;
    ASSERT_TRUE(stencil.create_from_picture(Picture::from_name(source, L"stencil", true), false));
    EXPECT_EQ(stencil.pixels().get(0, 0), 0xFF010203u);
    EXPECT_EQ(stencil.pixels().get(1, 0), 0u);
}

TEST(Image32, GrabAndPut) {
    Screen s(6, 6, rgb(5, 6, 7));
    s.canvas->fill_rect({2, 2}, {1, 1}, {9, 8, 7, 0});
    Image32 image;
    ASSERT_TRUE(image.grab(*s.canvas, {2, 2}, {2, 2}));
    EXPECT_EQ(image.pixels().get(0, 0), 0xFF090807u);
    EXPECT_EQ(image.pixels().get(1, 1), 0xFF050607u);
    image.put(*s.canvas, {0, 0});
    EXPECT_EQ(s.at(0, 0), rgb(9, 8, 7));
    EXPECT_EQ(s.at(1, 1), rgb(5, 6, 7));
    EXPECT_FALSE(image.grab(*s.canvas, {0, 0}, {0, 3}));
    EXPECT_EQ(image.bitmap(), nullptr);
}
