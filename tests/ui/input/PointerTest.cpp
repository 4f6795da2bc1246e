#include "InputFixture.h"

using namespace input_test;

namespace {

// Screen points: A's client origin is (10, 40), the child's (60, 90), B's (120, 40).
std::vector<uint32_t> presses() {
    std::vector<uint32_t> out;
    for (const Seen& s : g_seen)
        if (s.message == WM_LBUTTONDOWN || s.message == WM_LBUTTONDBLCLK)
            out.push_back(s.message);
    return out;
}

} // namespace

TEST_F(Input, CapturedPointerGoesToTheHolderInItsClientCoordinates) {
    set_capture(a);
    inject_pointer_down(5, 30);
    inject_pointer_move(170, 30);
    inject_pointer_up(170, 30);
    inject_pointer_move(0, 0);
    std::vector<Seen> want{{a, WM_LBUTTONDOWN, MK_LBUTTON, point_lparam(-5, -10)},
                           {a, WM_MOUSEMOVE, MK_LBUTTON, point_lparam(160, -10)},
                           {a, WM_LBUTTONUP, 0, point_lparam(160, -10)},
                           {a, WM_MOUSEMOVE, 0, point_lparam(-10, -40)}};
    EXPECT_EQ(seen(), want);
}

TEST_F(Input, DisabledWindowsAndTheirChildrenGetNoPointer) {
    click(65, 95);
    EXPECT_EQ(seen(), (std::vector<Seen>{{child, WM_LBUTTONDOWN, MK_LBUTTON, point_lparam(5, 5)},
                                         {child, WM_LBUTTONUP, 0, point_lparam(5, 5)}}));
    g_seen.clear();
    enable_window(a, false);
    click(65, 95);
    click(20, 50);
    enable_window(b, false);
    click(150, 60);
    EXPECT_EQ(presses(), std::vector<uint32_t>{});
}

TEST_F(Input, TapOnAnInactiveWindowActivatesItBeforeThePressIsQueued) {
    ASSERT_EQ(get_active_window(), a);
    inject_pointer_down(150, 60);
    EXPECT_EQ(get_active_window(), b);
    EXPECT_EQ(seen().back(), (Seen{b, WM_LBUTTONDOWN, MK_LBUTTON, point_lparam(30, 20)}));
    inject_pointer_up(150, 60);  // the pointer outlives the test
}

TEST_F(Input, DoubleClicksOnlyForClassesThatAskQuickAndClose) {
    const uint32_t down = WM_LBUTTONDOWN, dbl = WM_LBUTTONDBLCLK;
    click(20, 50);
    advance_fake_clock(100);
    click(22, 52);  // double
    advance_fake_clock(100);
    click(22, 52);  // a third press is plain again
    advance_fake_clock(600);
    click(22, 52);  // too slow
    advance_fake_clock(100);
    click(27, 52);  // too far
    advance_fake_clock(100);
    click(27, 52);  // double
    pump();
    EXPECT_EQ(presses(), (std::vector<uint32_t>{down, dbl, down, down, down, dbl}));

    g_seen.clear();
    click(150, 60);
    click(150, 60);
    pump();
    EXPECT_EQ(presses(), (std::vector<uint32_t>{down, down}));
}

TEST_F(Input, WheelGoesToTheFocusElseUnderThePoint) {
    inject_wheel(150, 60, 2);
    inject_wheel(150, 60, -1);
    set_focus(nullptr);
    inject_wheel(150, 60, 1);
    std::vector<Seen> want{{a, WM_MOUSEWHEEL, WPARAM(2 * WHEEL_DELTA) << 16, point_lparam(150, 60)},
                           {a, WM_MOUSEWHEEL, WPARAM(uint16_t(-WHEEL_DELTA)) << 16, point_lparam(150, 60)},
                           {b, WM_MOUSEWHEEL, WPARAM(WHEEL_DELTA) << 16, point_lparam(150, 60)}};
    EXPECT_EQ(seen(), want);
}
