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
    pump();
    std::vector<std::tuple<HWND, uint32_t, WPARAM, LPARAM>> got;
    for (const Seen& s : g_seen)
        got.emplace_back(s.hwnd, s.message, s.wparam, s.lparam);
    std::vector<std::tuple<HWND, uint32_t, WPARAM, LPARAM>> want{
        {a, WM_LBUTTONDOWN, MK_LBUTTON, point_lparam(-5, -10)},
        {a, WM_MOUSEMOVE, MK_LBUTTON, point_lparam(160, -10)},
        {a, WM_LBUTTONUP, 0, point_lparam(160, -10)},
        {a, WM_MOUSEMOVE, 0, point_lparam(-10, -40)}};
    EXPECT_EQ(got, want);
}

TEST_F(Input, DisabledWindowsAndTheirChildrenGetNoPointer) {
    click(65, 95);
    ASSERT_EQ(messages(), (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(g_seen[0].hwnd, child);
    EXPECT_EQ(g_seen[0].lparam, point_lparam(5, 5));

    g_seen.clear();
    enable_window(a, false);
    click(65, 95);
    click(20, 50);
    enable_window(b, false);
    click(150, 60);
    EXPECT_EQ(presses(), std::vector<uint32_t>{});
}

TEST_F(Input, TapOnAnInactiveWindowActivatesItBeforeThePress) {
    ASSERT_EQ(get_active_window(), a);
    inject_pointer_down(150, 60);
    EXPECT_EQ(get_active_window(), b);
    pump();
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.back().hwnd, b);
    EXPECT_EQ(g_seen.back().message, WM_LBUTTONDOWN);
    bool activated_first = false;
    for (const Seen& s : g_seen)
        activated_first |= s.hwnd == b && s.message == WM_ACTIVATE && (s.wparam & 0xFFFF) == WA_CLICKACTIVE;
    EXPECT_TRUE(activated_first);
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
    pump();
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[0].hwnd, a);
    EXPECT_EQ(g_seen[0].message, WM_MOUSEWHEEL);
    EXPECT_EQ(int16_t(g_seen[0].wparam >> 16), 2 * WHEEL_DELTA);
    EXPECT_EQ(g_seen[0].lparam, point_lparam(150, 60));
    EXPECT_EQ(int16_t(g_seen[1].wparam >> 16), -WHEEL_DELTA);
    EXPECT_EQ(g_seen[2].hwnd, b);
}
