#include "plat/Font.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

using namespace plat;

namespace {

struct Page {
    Page(int32_t w, int32_t h) : bitmap(create_bitmap(w, h)), dc(create_compatible_dc(nullptr)), width(w), height(h) {
        select_bitmap(dc, bitmap);
        fill_rect(dc, {0, 0, w, h}, rgb(255, 255, 255));
        set_bk_mode(dc, TRANSPARENT);
    }
    ~Page() {
        delete_dc(dc);
        delete_bitmap(bitmap);
    }
    // The box of every pixel that is not white; empty when there is none.
    RECT ink() const {
        RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                if (get_pixel(dc, x, y) != rgb(255, 255, 255)) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box.left == INT_MAX ? RECT{} : box;
    }

    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

struct FontDeleter {
    void operator()(FontObject* f) const { delete_font(f); }
};
using FontPtr = std::unique_ptr<FontObject, FontDeleter>;

FontPtr make_font(const wchar_t* face, int32_t height, bool bold = false, bool italic = false,
                  bool underline = false) {
    LogFont lf;
    lf.face_name = face;
    lf.height = height;
    lf.weight = bold ? FW_BOLD : FW_NORMAL;
    lf.italic = italic;
    lf.underline = underline;
    return FontPtr(create_font(lf));
}

std::string file_name(const FontPtr& font) {
    std::string file = get_font_details(font.get()).file;
    return file.substr(file.find_last_of('/') + 1);
}

} // namespace

TEST(Font, DeviceFacesMapOntoDejaVu) {
    EXPECT_EQ(file_name(make_font(L"Tahoma", -16)), "DejaVuSans.ttf");
    EXPECT_EQ(file_name(make_font(L"Courier New", -16)), "DejaVuSansMono.ttf");
    EXPECT_EQ(file_name(make_font(L"Tahoma", -16, true)), "DejaVuSans-Bold.ttf");
    EXPECT_EQ(file_name(make_font(L"Courier New", -16, true, true)), "DejaVuSansMono-BoldOblique.ttf");
    EXPECT_EQ(file_name(make_font(L"No Such Face", -16)), "DejaVuSans.ttf");
    EXPECT_EQ(file_name(make_font(L"", -16)), "DejaVuSans.ttf");
    // Only the first 31 characters of a face name count.
    EXPECT_EQ(file_name(make_font(L"Courier New                                   x", -16)),
              "DejaVuSansMono.ttf");
}

TEST(Font, StylesTheFaceLacksAreMadeUp) {
    FontPtr real = make_font(L"Tahoma", -16, true, true);
    EXPECT_FALSE(get_font_details(real.get()).synthetic_bold);
    EXPECT_FALSE(get_font_details(real.get()).synthetic_italic);
    FontPtr made = make_font(L"DejaVu Math TeX Gyre", -16, true, true);
    EXPECT_EQ(file_name(made), "DejaVuMathTeXGyre.ttf");
    EXPECT_TRUE(get_font_details(made.get()).synthetic_bold);
    EXPECT_TRUE(get_font_details(made.get()).synthetic_italic);

    Page plain(60, 30), bold(60, 30);
    FontPtr regular = make_font(L"DejaVu Math TeX Gyre", -16);
    select_font(plain.dc, regular.get());
    select_font(bold.dc, made.get());
    SIZE a, b;
    get_text_extent(plain.dc, L"III", a);
    get_text_extent(bold.dc, L"III", b);
    EXPECT_GT(b.cx, a.cx);  // emboldening widens every advance
}

TEST(Font, NegativeHeightIsThePixelHeightOfTheCharacters) {
    FontPtr small = make_font(L"Tahoma", -20), large = make_font(L"Tahoma", -40);
    EXPECT_EQ(get_font_details(small.get()).pixel_height, 20);
    EXPECT_EQ(get_font_details(large.get()).pixel_height, 40);
    Page a(100, 80), b(100, 80);
    select_font(a.dc, small.get());
    select_font(b.dc, large.get());
    RECT r{0, 0, 100, 80};
    draw_text(a.dc, L"H", r, DT_SINGLELINE | DT_NOPREFIX);
    draw_text(b.dc, L"H", r, DT_SINGLELINE | DT_NOPREFIX);
    const int ha = a.ink().bottom - a.ink().top, hb = b.ink().bottom - b.ink().top;
    EXPECT_NEAR(ha, 15, 1);  // the capital height of DejaVu Sans is 0.73 em
    EXPECT_NEAR(hb, 2 * ha, 1);
    // A positive height is the whole cell, so the characters come out smaller.
    FontPtr cell = make_font(L"Tahoma", 20);
    EXPECT_LT(get_font_details(cell.get()).pixel_height, 20);
    SIZE size;
    select_font(a.dc, cell.get());
    get_text_extent(a.dc, L"H", size);
    EXPECT_NEAR(size.cy, 20, 1);
}

TEST(Font, MonospacedTextMeasuresByCharacterCount) {
    Page page(10, 10);
    FontPtr mono = make_font(L"Courier New", -16);
    EXPECT_NE(select_font(page.dc, mono.get()), nullptr);  // the stock font comes back
    SIZE one, five, none;
    ASSERT_TRUE(get_text_extent(page.dc, L"W", one));
    get_text_extent(page.dc, L"Wi.&\x2026", five);
    get_text_extent(page.dc, L"", none);
    EXPECT_GT(one.cx, 5);
    EXPECT_EQ(five.cx, 5 * one.cx);
    EXPECT_EQ(none.cx, 0);
    EXPECT_EQ(none.cy, one.cy);
    const FontDetails d = get_font_details(mono.get());
    EXPECT_EQ(one.cy, d.ascent + d.descent);

    // The calculated rectangle counts '&' only when prefixes are off.
    RECT r{5, 7, 6, 8};
    EXPECT_EQ(draw_text(page.dc, L"a&b", r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER), one.cy);
    EXPECT_EQ(r.right, 5 + 3 * one.cx);
    EXPECT_EQ(r.bottom, 7 + one.cy);
    r = {0, 0, 1, 1};
    draw_text(page.dc, L"a&b&&", r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.right, 3 * one.cx);
}

TEST(Font, InkIsAlignedInTheRectangle) {
    FontPtr font = make_font(L"Courier New", -20);
    const RECT box{10, 10, 190, 90};
    struct Case {
        uint32_t format;
        int h, v;  // 0 start, 1 centre, 2 end
    } cases[] = {{DT_LEFT | DT_TOP, 0, 0},      {DT_CENTER | DT_VCENTER, 1, 1}, {DT_RIGHT | DT_BOTTOM, 2, 2},
                 {DT_RIGHT | DT_VCENTER, 2, 1}, {DT_CENTER | DT_BOTTOM, 1, 2}};
    SIZE text{};
    for (const Case& c : cases) {
        Page page(200, 100);
        select_font(page.dc, font.get());
        set_text_color(page.dc, rgb(0, 0, 0));
        get_text_extent(page.dc, L"MMMM", text);
        RECT r = box;
        draw_text(page.dc, L"MMMM", r, c.format | DT_SINGLELINE | DT_NOPREFIX);
        const RECT ink = page.ink();
        ASSERT_FALSE(ink.empty());
        // The text's box starts where the alignment puts it; "M" inks nearly its whole advance.
        const int left = c.h == 0 ? box.left : c.h == 1 ? (box.left + box.right - text.cx) / 2 : box.right - text.cx;
        const int top = c.v == 0 ? box.top : c.v == 1 ? (box.top + box.bottom - text.cy) / 2 : box.bottom - text.cy;
        EXPECT_GE(ink.left, left) << c.format;
        EXPECT_LE(ink.left, left + 3) << c.format;
        EXPECT_LE(ink.right, left + text.cx) << c.format;
        EXPECT_GE(ink.right, left + text.cx - 3) << c.format;
        EXPECT_GT(ink.top, top) << c.format;
        EXPECT_LT(ink.bottom, top + text.cy) << c.format;
    }
}

TEST(Font, TextIsAntiAliasedInTheTextColour) {
    Page page(80, 40);
    FontPtr font = make_font(L"Tahoma", -24);
    select_font(page.dc, font.get());
    EXPECT_EQ(set_text_color(page.dc, rgb(255, 0, 0)), 0u);
    RECT r{0, 0, 80, 40};
    draw_text(page.dc, L"Sw", r, DT_SINGLELINE | DT_NOPREFIX);
    int solid = 0, partial = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            COLORREF c = get_pixel(page.dc, x, y);
            EXPECT_EQ(red_of(c), 255);
            EXPECT_EQ(green_of(c), blue_of(c));
            if (c == rgb(255, 0, 0))
                ++solid;
            else if (c != rgb(255, 255, 255))
                ++partial;
        }
    EXPECT_GT(solid, 10);
    EXPECT_GT(partial, 10);
}

TEST(Font, DrawingKeepsToTheRectangleAndTheClip) {
    FontPtr font = make_font(L"Courier New", -20);
    Page page(200, 60);
    select_font(page.dc, font.get());
    RECT r{20, 10, 40, 50};
    draw_text(page.dc, L"MMMMMMMM", r, DT_SINGLELINE | DT_NOPREFIX);
    RECT ink = page.ink();
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.right, 40);

    Page free(200, 60);
    select_font(free.dc, font.get());
    r = {20, 10, 40, 50};
    draw_text(free.dc, L"MMMMMMMM", r, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    EXPECT_GT(free.ink().right, 100);

    Page clipped(200, 60);
    select_font(clipped.dc, font.get());
    RECT clip{0, 0, 30, 60};
    select_clip_rect(clipped.dc, &clip);
    r = {20, 10, 200, 50};
    draw_text(clipped.dc, L"MMMMMMMM", r, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    EXPECT_LE(clipped.ink().right, 30);
    EXPECT_GT(clipped.ink().right, 20);
}

TEST(Font, AmpersandsAreLiteralOnlyWithNoPrefix) {
    FontPtr font = make_font(L"Courier New", -20);
    Page literal(200, 40), prefixed(200, 40), plain(200, 40);
    for (Page* p : {&literal, &prefixed, &plain})
        select_font(p->dc, font.get());
    RECT r{0, 0, 200, 40};
    draw_text(literal.dc, L"&&", r, DT_SINGLELINE | DT_NOPREFIX);
    draw_text(prefixed.dc, L"&&", r, DT_SINGLELINE);
    draw_text(plain.dc, L"&", r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_GT(literal.ink().right - plain.ink().right, 5);
    EXPECT_EQ(prefixed.ink().right, plain.ink().right);
}

TEST(Font, UnderlineRunsUnderTheWholeText) {
    FontPtr font = make_font(L"Courier New", -20, false, false, true);
    Page page(200, 40);
    select_font(page.dc, font.get());
    RECT r{0, 0, 200, 40};
    draw_text(page.dc, L"a b", r, DT_SINGLELINE | DT_NOPREFIX);
    SIZE size;
    get_text_extent(page.dc, L"a b", size);
    bool found = false;
    for (int y = 0; y < 40 && !found; ++y) {
        bool full = true;
        for (int x = 0; x < size.cx; ++x)
            full = full && get_pixel(page.dc, x, y) == rgb(0, 0, 0);
        found = full && get_pixel(page.dc, size.cx, y) == rgb(255, 255, 255);
    }
    EXPECT_TRUE(found);
}

TEST(Font, ContextsWithoutASurfaceStillMeasure) {
    HDC dc = create_compatible_dc(nullptr);
    SIZE size;
    EXPECT_TRUE(get_text_extent(dc, L"Hello", size));  // in the stock font
    EXPECT_GT(size.cx, 0);
    RECT r{0, 0, 100, 100};
    EXPECT_GT(draw_text(dc, L"Hello", r, DT_SINGLELINE), 0);
    EXPECT_EQ(select_font(dc, nullptr), nullptr);
    delete_dc(dc);
    EXPECT_EQ(draw_text(nullptr, L"x", r, 0), 0);
}

// Fonts of one file share a face; each still draws at its own size and slant, whatever the
// other drew last, and one font's end leaves the others whole.
TEST(Font, FontsOfOneFileKeepTheirOwnSizeAndSlant) {
    auto drawn = [](const FontPtr& font, Page& page) {
        select_font(page.dc, font.get());
        RECT r{0, 0, page.width, page.height};
        draw_text(page.dc, L"Agy_", r, DT_SINGLELINE | DT_NOPREFIX);
        std::vector<COLORREF> pixels;
        for (int32_t y = 0; y < page.height; ++y)
            for (int32_t x = 0; x < page.width; ++x)
                pixels.push_back(get_pixel(page.dc, x, y));
        return pixels;
    };
    Page alone_small(80, 40), alone_large(80, 40);
    const auto small_alone = drawn(make_font(L"DejaVu Math TeX Gyre", -12, false, false, true), alone_small);
    const auto large_alone = drawn(make_font(L"DejaVu Math TeX Gyre", -28, false, true), alone_large);

    FontPtr small = make_font(L"DejaVu Math TeX Gyre", -12, false, false, true);
    FontPtr large = make_font(L"DejaVu Math TeX Gyre", -28, false, true);
    FontPtr other = make_font(L"DejaVu Math TeX Gyre", -20);
    ASSERT_EQ(get_font_details(small.get()).file, get_font_details(large.get()).file);
    Page a(80, 40), b(80, 40), c(80, 40);
    drawn(other, c);
    EXPECT_EQ(drawn(large, b), large_alone);
    other.reset();
    EXPECT_EQ(drawn(small, a), small_alone);
    EXPECT_EQ(get_font_details(small.get()).pixel_height, 12);
}
