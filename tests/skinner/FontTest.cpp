#include "skinner/Font.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <climits>

using namespace skinner;

namespace {

FontDescription mono(int size = 10) {
    FontDescription d;
    d.size = size;
    d.face = L"Courier New";
    return d;
}

struct Page {
    Page() {
        plat::select_bitmap(dc, bitmap);
        plat::fill_rect(dc, {0, 0, 200, 60}, plat::rgb(255, 255, 255));
    }
    ~Page() {
        plat::delete_dc(dc);
        plat::delete_bitmap(bitmap);
    }
    plat::RECT ink() const {
        plat::RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int32_t y = 0; y < 60; ++y)
            for (int32_t x = 0; x < 200; ++x)
                if (plat::get_pixel(dc, x, y) != plat::rgb(255, 255, 255)) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box;
    }
    plat::HBITMAP bitmap = plat::create_bitmap(200, 60);
    plat::HDC dc = plat::create_compatible_dc(nullptr);
};

} // namespace

TEST(FontDescription, ParsesSizeFlagsAndFace) {
    FontDescription d;
    EXPECT_TRUE(d.parse(L"10 1 0 0 Courier New"));
    EXPECT_EQ(d.size, 10);
    EXPECT_TRUE(d.bold);
    EXPECT_FALSE(d.italic);
    EXPECT_FALSE(d.underline);
    EXPECT_EQ(d.face, L"Courier New");

    FontDescription all(2);
    EXPECT_TRUE(all.parse(L"  8 0 5 -1   Some  Face "));
    EXPECT_EQ(all.scale, 2);
    EXPECT_TRUE(all.italic);
    EXPECT_TRUE(all.underline);
    EXPECT_EQ(all.face, L"Some  Face ");

    FontDescription bare;
    EXPECT_TRUE(bare.parse(L"9 0 0 0"));
    EXPECT_EQ(bare.face, L"");

    FontDescription partial;
    EXPECT_FALSE(partial.parse(L"14 1"));
    EXPECT_EQ(partial.size, 14);
    EXPECT_TRUE(partial.bold);
    EXPECT_EQ(partial.face, L"Tahoma");

    FontDescription none;
    EXPECT_FALSE(none.parse(L"big"));
    EXPECT_EQ(none.size, 12);
    EXPECT_EQ(none.face, L"Tahoma");
}

TEST(FontDescription, HeightsAndOrder) {
    FontDescription d(2);
    EXPECT_EQ(d.logical_height(), -32);
    d.scale = 1;
    EXPECT_EQ(d.logical_height(), -16);
    d.size = 10;
    EXPECT_EQ(d.logical_height(), -13);  // -1280 / 96 truncates toward zero
    d.size = -12;
    EXPECT_EQ(d.logical_height(), 16);
    // Sizes whose product overflows 32 bits are computed in 64 and cut.
    d.size = INT32_MAX;
    d.scale = 4;
    EXPECT_EQ(d.logical_height(), -FontDescription::max_height);
    d.size = INT32_MIN;
    EXPECT_EQ(d.logical_height(), FontDescription::max_height);

    FontDescription a, b;
    b.size = 1;
    b.scale = 2;
    EXPECT_LT(a, b);  // scale first
    b.scale = 1;
    EXPECT_GT(a, b);
    b = a;
    b.underline = true;
    a.italic = false;
    EXPECT_LT(a, b);
    b = a;
    b.face = L"A";
    EXPECT_GT(a, b);
    EXPECT_EQ(a, FontDescription());
}

TEST(Font, OneDescriptionSharesOnePlatformFont) {
    testing_support::LogCapture log;
    EXPECT_EQ(Font::cache_size(), 0u);
    {
        Font first(mono()), second(mono());
        Font other(mono(11));
        EXPECT_EQ(Font::cache_size(), 2u);
        EXPECT_EQ(first.get_font(), second.get_font());
        EXPECT_NE(first.get_font(), other.get_font());
        Font copy = other;
        other = Font();
        EXPECT_EQ(Font::cache_size(), 2u);
        copy = first;
        EXPECT_EQ(Font::cache_size(), 1u);
        Font self = copy;
        Font& alias = self;
        self = alias;
        EXPECT_EQ(self.get_font(), first.get_font());
    }
    EXPECT_EQ(Font::cache_size(), 0u);
    // One platform font was made per description.
    EXPECT_EQ(log.text(), L"dpiy=96 log_font.lfHeight=-13}\ndpiy=96 log_font.lfHeight=-14}\n");
    Font empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.get_font(), nullptr);
}

TEST(Font, ExtentsOfAFixedMetricFont) {
    Font font(mono());
    const plat::POINT one = font.get_text_extent(L"x");
    EXPECT_GT(one.x, 0);
    EXPECT_EQ(font.get_text_extent(L"abcd").x, 4 * one.x);
    EXPECT_EQ(font.get_text_extent(L"a&b").x, 3 * one.x);
    const plat::POINT empty = font.get_text_extent(L"");
    EXPECT_EQ(empty.x, 0);
    EXPECT_EQ(empty.y, one.y);
}

TEST(Font, EllipsisCuts) {
    Font font(mono());
    const int32_t c = font.get_text_extent(L"x").x;
    ASSERT_EQ(font.get_text_extent(L"\x2026").x, c);
    const std::wstring text = L"abcdefgh";
    EXPECT_EQ(font.ellipsis_length(text, 8 * c), 8u);   // fits whole
    EXPECT_EQ(font.ellipsis_length(text, 5 * c), 3u);   // 3 + ellipsis = 4 < 5; 4 + ellipsis reaches 5
    EXPECT_EQ(font.ellipsis_length(text, 5 * c + 1), 4u);
    EXPECT_EQ(font.ellipsis_length(text, 2 * c), 0u);   // first character plus ellipsis too wide
    EXPECT_EQ(font.ellipsis_length(text, 0), 0u);
    EXPECT_EQ(font.ellipsis_length(L"", 0), 0u);
    // A cut between the halves of a surrogate pair keeps neither half.
    const std::wstring pair = std::wstring(L"abc") + wchar_t(0xD83D) + wchar_t(0xDE00) + L"defgh";
    ASSERT_EQ(font.get_text_extent(pair).x, 10 * c);
    EXPECT_EQ(font.ellipsis_length(pair, 5 * c + 1), 3u);
    EXPECT_EQ(font.ellipsis_length(pair, 6 * c + 1), 5u);
}

TEST(Font, EllipsisDrawingShowsTheCutText) {
    Font font(mono());
    const int32_t c = font.get_text_extent(L"x").x;
    Page cut, expected;
    CanvasImpl a(cut.dc, {0, 0}, {200, 60}), b(expected.dc, {0, 0}, {200, 60});
    Canvas ca(&a), cb(&b);
    font.draw_text_ellipsis(ca, {0, 0, 0, 0}, L"abcdefgh", {0, 0}, {5 * c, 30}, 0, 0);
    font.draw_text(cb, {0, 0, 0, 0}, L"abc\x2026", {0, 0}, {5 * c, 30}, 0, 0);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(plat::get_pixel(cut.dc, x, y), plat::get_pixel(expected.dc, x, y)) << x << "," << y;
    EXPECT_LE(cut.ink().right, 5 * c);
}

TEST(Font, AlignmentIndexesPlaceTheInk) {
    Font font(mono(14));
    const plat::POINT text = font.get_text_extent(L"MM");
    struct Case {
        int h, v;
        int expect_h, expect_v;
    } cases[] = {{0, 0, 0, 0}, {2, 1, 2, 1}, {1, 2, 1, 2}, {7, -3, 2, 0}, {-1, 9, 0, 2}};
    const plat::POINT position{20, 5}, size{160, 50};
    for (const Case& k : cases) {
        Page page;
        CanvasImpl impl(page.dc, {0, 0}, {200, 60});
        Canvas canvas(&impl);
        font.draw_text(canvas, {0, 0, 255, 0}, L"MM", position, size, k.h, k.v);
        const plat::RECT ink = page.ink();
        const int left = k.expect_h == 0 ? position.x
                         : k.expect_h == 1 ? position.x + (size.x - text.x) / 2
                                           : position.x + size.x - text.x;
        const int top = k.expect_v == 0 ? position.y
                        : k.expect_v == 1 ? position.y + (size.y - text.y) / 2
                                          : position.y + size.y - text.y;
        EXPECT_GE(ink.left, left) << k.h << "," << k.v;
        EXPECT_LE(ink.right, left + text.x) << k.h << "," << k.v;
        EXPECT_GE(ink.right, left + text.x - 3) << k.h << "," << k.v;
        EXPECT_GT(ink.top, top) << k.h << "," << k.v;
        EXPECT_LT(ink.bottom, top + text.y) << k.h << "," << k.v;
        EXPECT_EQ(plat::get_pixel(page.dc, ink.left + 1, (ink.top + ink.bottom) / 2) & 0xFFFF, 0u);  // blue ink
    }
}

TEST(Font, DrawingRestoresTheContextAndAnEmptyFontDrawsNothing) {
    Page page;
    CanvasImpl impl(page.dc, {0, 0}, {200, 60});
    Canvas canvas(&impl);
    plat::set_text_color(page.dc, plat::rgb(1, 2, 3));
    plat::HFONT mine = plat::create_font(plat::LogFont{});
    plat::HFONT stock = plat::select_font(page.dc, mine);
    Font font(mono());
    font.draw_text(canvas, {9, 9, 9, 0}, L"&", {0, 0}, {100, 40}, 0, 0);
    EXPECT_EQ(plat::get_text_color(page.dc), plat::rgb(1, 2, 3));
    EXPECT_EQ(plat::select_font(page.dc, stock), mine);
    plat::delete_font(mine);
    EXPECT_GT(page.ink().right, 0);  // '&' drawn as it stands

    Page blank;
    CanvasImpl other(blank.dc, {0, 0}, {200, 60});
    Canvas empty_canvas(&other);
    Font().draw_text(empty_canvas, {0, 0, 0, 0}, L"text", {0, 0}, {100, 40}, 0, 0);
    EXPECT_EQ(blank.ink().right, INT_MIN);
}
