#include "TodayFixture.h"

namespace today_test {
namespace {

int count_of(plat::HWND window, plat::COLORREF colour, const plat::RECT& area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += plat::window_pixel(window, x, y) == colour ? 1 : 0;
    return count;
}

TEST_F(TodayTest, ItemIsDrawnOverTheHostBackgroundInTheHostColour) {
    write_state(L"Dentist", L"08 : 05", 0);
    make_item();
    show_item();
    EXPECT_GT(HomeWindow::watermarks, 0);
    const plat::COLORREF blue = plat::rgb(0, 0, 255);
    // The form has no background of its own: the host's shows around the icon and text.
    EXPECT_EQ(plat::window_pixel(item, 1, 1), blue);
    EXPECT_EQ(plat::window_pixel(item, 238, 28), blue);
    EXPECT_EQ(plat::window_pixel(item, 14, 15), icon_colour);
    // The status text is drawn in the host's text colour.
    EXPECT_GT(count_of(item, text_colour, {30, 0, 236, 30}), 20);
    EXPECT_EQ(count_of(item, text_colour, {0, 0, 30, 30}), 0);

    // After an erase the host's new background is taken.
    HomeWindow::background = plat::rgb(255, 255, 0);
    plat::invalidate_rect(item, nullptr, true);
    plat::run_until_idle();
    EXPECT_EQ(plat::window_pixel(item, 1, 1), plat::rgb(255, 255, 0));
    EXPECT_EQ(plat::window_pixel(item, 14, 15), icon_colour);
    EXPECT_GT(count_of(item, text_colour, {30, 0, 236, 30}), 20);

    // A repaint without an erase keeps the snapshot, and draws the text again.
    HomeWindow::background = plat::rgb(0, 0, 0);
    plat::invalidate_rect(item, nullptr, false);
    plat::run_until_idle();
    EXPECT_EQ(plat::window_pixel(item, 1, 1), plat::rgb(255, 255, 0));
    EXPECT_GT(count_of(item, text_colour, {30, 0, 236, 30}), 20);

    // A new status redraws over a clean background.
    const int before = count_of(item, text_colour, {30, 0, 236, 30});
    write_state(L"A", L"09 : 00", 0);
    query();
    plat::run_until_idle();
    const int after = count_of(item, text_colour, {30, 0, 236, 30});
    EXPECT_GT(after, 0);
    EXPECT_LT(after, before);
}

} // namespace
} // namespace today_test
