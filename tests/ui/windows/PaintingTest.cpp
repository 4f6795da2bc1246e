#include "Recorder.h"
#include "plat/UiTest.h"
#include "ui/WindowManager.h"

using namespace windows_test;

namespace {

constexpr COLORREF red = rgb(255, 0, 0);
constexpr COLORREF blue = rgb(0, 0, 255);
constexpr COLORREF white = rgb(255, 255, 255);

class Painting : public WindowsTest {
protected:
    // WM_PAINT fills the update box with the window's colour and notes the box.
    void paint_with(std::map<HWND, COLORREF> colours) {
        colours_ = std::move(colours);
        g_handlers[WM_PAINT] = [this](HWND hwnd, WPARAM, LPARAM, LRESULT&) {
            PAINTSTRUCT ps;
            begin_paint(hwnd, ps);
            boxes.push_back(ps.paint);
            erased.push_back(ps.erase);
            fill_rect(ps.hdc, ps.paint, colours_[hwnd]);
            end_paint(hwnd, ps);
            return true;
        };
    }
    std::vector<RECT> boxes;
    std::vector<bool> erased;

private:
    std::map<HWND, COLORREF> colours_;
};

bool same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

TEST_F(Painting, InvalidationsCoalesceAndEraseOnlyWhenAsked) {
    HWND w = make(WS_VISIBLE);
    run_until_idle();
    paint_with({{w, blue}});
    watch({WM_PAINT, WM_ERASEBKGND});

    RECT first{0, 0, 10, 10}, second{20, 20, 30, 30};
    invalidate_rect(w, &first, false);
    invalidate_rect(w, &second, false);
    run_until_idle();
    ASSERT_EQ(g_seen.size(), 1u);  // one WM_PAINT for both, no erase
    EXPECT_EQ(g_seen[0].message, WM_PAINT);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(same(boxes[0], RECT{0, 0, 30, 30}));

    // An erase request stays until the paint, whatever comes after it.
    g_seen.clear();
    invalidate_rect(w, &second, true);
    invalidate_rect(w, nullptr, false);
    run_until_idle();
    EXPECT_EQ(g_seen, (std::vector<Seen>{{w, WM_PAINT, 0, 0}, {w, WM_ERASEBKGND, g_seen[1].wparam, 0}}));
    EXPECT_TRUE(erased.back());  // no class brush: the background was left to the painter
    EXPECT_TRUE(same(boxes.back(), RECT{0, 0, 100, 100}));

    // With a class brush the default procedure erases.
    HWND brushed = make(WS_VISIBLE, nullptr, {0, 0, 50, 50}, L"WhiteRecorder");
    g_handlers.clear();
    run_until_idle();
    EXPECT_EQ(window_pixel(brushed, 49, 49), white);
    EXPECT_EQ(window_pixel(brushed, 50, 0), CLR_INVALID);
}

TEST_F(Painting, PaintRepeatsUntilTheRegionIsValidated) {
    HWND w = make(WS_VISIBLE);
    int paints = 0;
    g_handlers[WM_PAINT] = [&](HWND, WPARAM, LPARAM, LRESULT&) {
        return ++paints < 3;  // the third goes to the default procedure, which validates
    };
    run_until_idle();
    EXPECT_EQ(paints, 3);
    EXPECT_FALSE(get_update_rect(w, nullptr, false));
}

TEST_F(Painting, ChildrenEndUpDrawnOverTheirParent) {
    HWND parent = make(WS_VISIBLE, nullptr, {10, 20, 110, 120});
    HWND child = make(WS_CHILD | WS_VISIBLE, parent, {10, 10, 30, 30});
    HWND hidden = make(WS_CHILD, parent, {50, 50, 60, 60});
    paint_with({{parent, blue}, {child, red}, {hidden, white}});
    run_until_idle();
    watch({WM_PAINT});

    // The child paints first here, then the parent over it: the child is painted again.
    invalidate_rect(parent, nullptr, false);
    update_window(child);
    run_until_idle();
    EXPECT_EQ(g_seen, (std::vector<Seen>{{child, WM_PAINT, 0, 0}, {parent, WM_PAINT, 0, 0}, {child, WM_PAINT, 0, 0}}));
    EXPECT_EQ(window_pixel(parent, 15, 15), red);
    EXPECT_EQ(window_pixel(child, 0, 0), red);
    EXPECT_EQ(window_pixel(parent, 5, 5), blue);
    EXPECT_EQ(window_pixel(parent, 55, 55), blue);  // the hidden child never painted

    // A child's context reads what the parent drew beneath it, at the child's offset.
    HDC dc = get_dc(child);
    EXPECT_EQ(get_pixel(dc, 0, 0), red);
    fill_rect(dc, RECT{-10, -10, 5, 5}, white);  // clipped to the child
    release_dc(child, dc);
    EXPECT_EQ(window_pixel(parent, 9, 9), blue);
    EXPECT_EQ(window_pixel(parent, 10, 10), white);

    // A top-level surface follows the window's size and keeps what overlaps.
    move_window(parent, 10, 20, 200, 50, false);
    BitmapInfo info;
    ASSERT_TRUE(get_bitmap_info(ui::window_surface(parent), info));
    EXPECT_EQ(info.width, 200);
    EXPECT_EQ(info.height, 50);
    EXPECT_EQ(window_pixel(parent, 10, 10), white);
    EXPECT_EQ(ui::window_surface(child), nullptr);
}

TEST_F(Painting, OverlappingSiblingsKeepTheirStacking) {
    HWND parent = make(WS_VISIBLE, nullptr, {0, 0, 100, 100});
    HWND lower = make(WS_CHILD | WS_VISIBLE, parent, {10, 10, 50, 50});
    HWND upper = make(WS_CHILD | WS_VISIBLE, parent, {30, 30, 70, 70});
    set_window_pos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(window_from_point(POINT{40, 40}), upper);
    paint_with({{parent, blue}, {lower, red}, {upper, white}});

    // All at once: the lower sibling paints first.
    invalidate_rect(parent, nullptr, false);
    run_until_idle();
    EXPECT_EQ(window_pixel(parent, 40, 40), white);
    EXPECT_EQ(window_pixel(parent, 20, 20), red);

    // The lower one alone: the upper one is drawn over it again.
    invalidate_rect(lower, nullptr, false);
    run_until_idle();
    EXPECT_EQ(window_pixel(parent, 40, 40), white);
    EXPECT_EQ(window_pixel(parent, 20, 20), red);
    EXPECT_EQ(window_pixel(parent, 60, 60), white);
}
