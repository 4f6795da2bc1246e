#include "ScreenFixture.h"

#include "plat/System.h"
#include "ui/WindowManager.h"

namespace screen_test {
namespace {

constexpr COLORREF blue = rgb(0, 0, 255);
constexpr COLORREF green = rgb(0, 255, 0);
constexpr COLORREF yellow = rgb(255, 255, 0);

TEST_F(ScreenTest, WindowsStackBottomToTopAndHiddenOnesAreNotDrawn) {
    const COLORREF desktop = screen_pixel(200, 200);
    HWND lower = paper({20, 40, 120, 140}, blue);
    HWND upper = paper({60, 80, 160, 180}, green);
    HWND edge = paper({200, 250, 300, 350}, yellow);  // partly off the screen and over the bottom band

    EXPECT_EQ(screen_pixel(30, 50), blue);
    EXPECT_EQ(screen_pixel(100, 100), green);
    EXPECT_EQ(screen_pixel(159, 179), green);
    EXPECT_EQ(screen_pixel(200, 200), desktop);
    EXPECT_EQ(screen_pixel(239, 250), yellow);

    show_window(upper, SW_HIDE);
    EXPECT_EQ(screen_pixel(100, 100), blue);
    EXPECT_EQ(screen_pixel(150, 150), desktop);
    show_window(lower, SW_HIDE);
    EXPECT_EQ(screen_pixel(100, 100), desktop);
    destroy_window(edge);
    EXPECT_EQ(screen_pixel(239, 250), screen_pixel(239, 240));
}

TEST_F(ScreenTest, TopBandShowsTheTitleAndGoesUnderAFullScreenWindow) {
    HWND window = paper({0, 0, 240, 320}, green);
    set_foreground_window(window);
    const int band = ui::top_band_height();
    ASSERT_GT(band, 0);
    auto band_colours = [band] {
        std::vector<COLORREF> row;
        screen_pixel(0, 0);
        for (int x = 0; x < 100; ++x)
            row.push_back(screen_pixel(x, band / 2));
        return row;
    };
    const std::vector<COLORREF> untitled = band_colours();
    EXPECT_NE(untitled[50], green);
    EXPECT_NE(screen_pixel(120, 320 - 2), green);  // the bottom band
    set_window_text(window, L"Alarms");
    EXPECT_NE(band_colours(), untitled);

    sh_full_screen(window, SHFS_HIDETASKBAR);
    EXPECT_EQ(screen_pixel(50, band / 2), green);
    EXPECT_EQ(screen_pixel(120, 320 - 2), green);
}

TEST_F(ScreenTest, BottomBandIsDrawnByItsPainter) {
    std::vector<RECT> bands;
    ui::set_bottom_band_painter([&](HDC dc, const RECT& band) {
        bands.push_back(band);
        fill_rect(dc, band, yellow);
    });
    EXPECT_EQ(screen_pixel(5, 318), yellow);
    ui::set_bottom_band_painter(nullptr);
    EXPECT_NE(screen_pixel(5, 318), yellow);
    ASSERT_EQ(bands.size(), 1u);
    const int height = ui::bottom_band_height();
    EXPECT_EQ(bands[0].left, 0);
    EXPECT_EQ(bands[0].top, 320 - height);
    EXPECT_EQ(bands[0].right, 240);
    EXPECT_EQ(bands[0].bottom, 320);
}

} // namespace
} // namespace screen_test
