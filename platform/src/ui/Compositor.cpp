#include "plat/Clock.h"
#include "plat/Font.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "plat/UiTest.h"
#include "plat/Window.h"
#include "ui/TitleOk.h"
#include "ui/WindowManager.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

namespace plat::ui {
namespace {

// Our plain look: a dark desktop, slate bands with light text.
constexpr uint32_t desktop_word = 0x00404850;  // surface word: 0x00RRGGBB
constexpr int band_text_margin = 4;

BandPainter g_bottom_painter;


void fill_rows(const BitmapInfo& screen, const RECT& area, uint32_t word) {
    for (int32_t y = area.top; y < area.bottom; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(screen.bits + size_t(y) * size_t(screen.stride));
        std::fill(row + area.left, row + area.right, word);
    }
}

// One memcpy per row of the part of the window that lies on the screen.
void copy_window(const BitmapInfo& screen, HWND window) {
    BitmapInfo surface;
    if (!get_bitmap_info(window_surface(window), surface))
        return;
    const RECT place = screen_rect(window);
    const RECT shown = intersect(intersect(place, RECT{0, 0, screen.width, screen.height}),
                                 RECT{place.left, place.top, place.left + surface.width, place.top + surface.height});
    if (shown.empty())
        return;
    const size_t bytes = size_t(shown.right - shown.left) * 4;
    for (int32_t y = shown.top; y < shown.bottom; ++y) {
        const uint8_t* from = surface.bits + size_t(y - place.top) * size_t(surface.stride) + size_t(shown.left - place.left) * 4;
        std::memcpy(screen.bits + size_t(y) * size_t(screen.stride) + size_t(shown.left) * 4, from, bytes);
    }
}

std::wstring clock_text() {
    const SystemTime now = local_time();
    wchar_t text[8];
    std::swprintf(text, 8, L"%u:%02u", unsigned(now.hour), unsigned(now.minute));
    return text;
}

void draw_top_band(HDC dc, const RECT& band) {
    fill_rect(dc, band, band_colour);
    select_font(dc, band_font(band.bottom - band.top));
    set_text_color(dc, band_text_colour);
    RECT text_area{band.left + band_text_margin, band.top, band.right - band_text_margin, band.bottom};
    text_area.right -= TitleOk::paint(dc, band);  // the title-bar OK takes the right end
    RECT time_area = text_area;
    const std::wstring time = clock_text();
    draw_text(dc, time, time_area, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    // The title keeps clear of the clock.
    SIZE time_size;
    if (get_text_extent(dc, time, time_size))
        text_area.right -= time_size.cx + band_text_margin;
    if (HWND foreground = get_foreground_window())
        draw_text(dc, get_window_text(foreground), text_area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace

// Made again when the band's height changes with the screen.
HFONT band_font(int band_height) {
    static HFONT font = nullptr;
    static int made_for = 0;
    if (font && made_for == band_height)
        return font;
    delete_font(font);
    LogFont log_font;
    log_font.height = -std::max(8, band_height * 11 / 20);
    log_font.face_name = L"Tahoma";
    font = create_font(log_font);
    made_for = band_height;
    return font;
}

void compose_screen() {
    BitmapInfo screen;
    if (!get_bitmap_info(screen_bitmap(), screen))
        return;
    fill_rows(screen, RECT{0, 0, screen.width, screen.height}, desktop_word);
    const std::vector<HWND> windows = top_level_windows(true);
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        copy_window(screen, *it);

    // A full-screen window owns the whole screen: neither band is drawn over it.
    HWND foreground = get_foreground_window();
    if (foreground && is_full_screen_window(foreground))
        return;
    HDC dc = get_screen_dc();
    const RECT top{0, 0, screen.width, std::min(screen.height, top_band_height())};
    if (!top.empty())
        draw_top_band(dc, top);
    const RECT bottom{0, std::max(0, screen.height - bottom_band_height()), screen.width, screen.height};
    if (!bottom.empty()) {
        if (g_bottom_painter)
            g_bottom_painter(dc, bottom);
        else
            fill_rect(dc, bottom, band_colour);
    }
    delete_dc(dc);
}

void set_bottom_band_painter(BandPainter painter) { g_bottom_painter = std::move(painter); }

} // namespace plat::ui

namespace plat {

COLORREF screen_pixel(int32_t x, int32_t y) {
    ui::compose_screen();
    HDC dc = get_screen_dc();
    const COLORREF colour = get_pixel(dc, x, y);
    delete_dc(dc);
    return colour;
}

} // namespace plat
