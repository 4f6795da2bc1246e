#include "Recorder.h"
#include "plat/Input.h"
#include "plat/UiTest.h"
#include "ui/WindowManager.h"

using namespace windows_test;

namespace {

class Focus : public WindowsTest {
protected:
    void SetUp() override {
        WindowsTest::SetUp();
        watch({WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS, WM_CAPTURECHANGED, WM_ENABLE});
    }
};

LPARAM lp(HWND hwnd) { return LPARAM(hwnd); }
WPARAM wp(HWND hwnd) { return WPARAM(hwnd); }

} // namespace

TEST_F(Focus, FocusAndActivationMessagesInOrder) {
    HWND a = make(WS_VISIBLE);
    HWND a_child = make(WS_CHILD | WS_VISIBLE, a);
    HWND b = make(WS_VISIBLE);
    HWND b_child = make(WS_CHILD | WS_VISIBLE, b);
    EXPECT_EQ(get_active_window(), b);
    EXPECT_EQ(get_focus(), b);  // the default procedure gives the winner the focus

    g_seen.clear();
    EXPECT_EQ(set_focus(b_child), b);
    EXPECT_EQ(set_focus(b_child), b_child);  // no change, no message
    EXPECT_EQ(g_seen, (std::vector<Seen>{{b, WM_KILLFOCUS, wp(b_child), 0}, {b_child, WM_SETFOCUS, wp(b), 0}}));

    // Focusing a window of an inactive top-level window activates that one first.
    g_seen.clear();
    set_focus(a_child);
    EXPECT_EQ(g_seen, (std::vector<Seen>{{b, WM_ACTIVATE, WA_INACTIVE, lp(a)},
                                         {a, WM_ACTIVATE, WA_ACTIVE, lp(b)},
                                         {b_child, WM_KILLFOCUS, wp(a_child), 0},
                                         {a_child, WM_SETFOCUS, wp(b_child), 0}}));

    // Foreground: activates and raises; the winner takes the focus.
    EXPECT_TRUE(set_foreground_window(b));
    EXPECT_EQ(ui::top_level_windows(true).front(), b);
    EXPECT_EQ(get_focus(), b);

    // A subclass that answers WM_ACTIVATE itself puts the focus where it wants.
    g_handlers[WM_ACTIVATE] = [&](HWND hwnd, WPARAM wparam, LPARAM, LRESULT&) {
        if (hwnd == a && wparam != WA_INACTIVE)
            set_focus(a_child);
        return true;
    };
    set_foreground_window(a);
    EXPECT_EQ(get_focus(), a_child);
    EXPECT_EQ(get_foreground_window(), a);
}

TEST_F(Focus, DisabledWindowsLoseAndRefuseFocusAndActivation) {
    HWND a = make(WS_VISIBLE);
    HWND child = make(WS_CHILD | WS_VISIBLE, a);
    HWND b = make(WS_VISIBLE);
    set_focus(child);
    g_seen.clear();
    EXPECT_FALSE(enable_window(a, false));
    EXPECT_EQ(g_seen, (std::vector<Seen>{{child, WM_KILLFOCUS, 0, 0}, {a, WM_ENABLE, 0, 0}}));
    EXPECT_EQ(get_focus(), nullptr);
    EXPECT_EQ(set_focus(child), nullptr);
    EXPECT_EQ(get_focus(), nullptr);
    EXPECT_FALSE(set_foreground_window(a));
    EXPECT_EQ(get_active_window(), a);  // disabling does not deactivate
    EXPECT_TRUE(enable_window(a, true));
    EXPECT_FALSE(enable_window(a, true));  // no change: no WM_ENABLE
    EXPECT_EQ(g_seen.back(), (Seen{a, WM_ENABLE, 1, 0}));
    EXPECT_EQ(set_focus(child), nullptr);
    EXPECT_EQ(get_focus(), child);
    EXPECT_TRUE(set_foreground_window(b));
    EXPECT_EQ(get_focus(), b);
}

TEST_F(Focus, ShowHideDestroyAndTapMoveTheActivation) {
    HWND main = make(WS_VISIBLE);
    HWND other = make(WS_VISIBLE);
    HWND dialog = make(WS_POPUP | WS_VISIBLE, main);
    EXPECT_EQ(get_active_window(), dialog);

    // The owner comes first, though another window lies above it.
    show_window(dialog, SW_HIDE);
    EXPECT_EQ(get_active_window(), main);
    EXPECT_EQ(get_focus(), main);

    // Showing without activating leaves the activation alone.
    show_window(dialog, SW_SHOWNA);
    EXPECT_EQ(get_active_window(), main);

    // A tap on an inactive window activates it as a click.
    HWND button = make(WS_CHILD | WS_VISIBLE, other);
    g_seen.clear();
    ui::activate_for_pointer(button);
    EXPECT_EQ(g_seen[0], (Seen{main, WM_ACTIVATE, WA_INACTIVE, lp(other)}));
    EXPECT_EQ(g_seen[1], (Seen{other, WM_ACTIVATE, WA_CLICKACTIVE, lp(main)}));
    EXPECT_EQ(ui::top_level_windows(true).front(), other);
    g_seen.clear();
    ui::activate_for_pointer(button);  // already active
    EXPECT_TRUE(g_seen.empty());

    // Destroying the active window activates the next visible enabled one.
    enable_window(main, false);
    destroy_window(other);
    EXPECT_EQ(get_active_window(), dialog);
    destroy_window(main);
    EXPECT_EQ(get_active_window(), nullptr);
    EXPECT_EQ(get_focus(), nullptr);
}

TEST_F(Focus, CaptureChangesTellTheLoser) {
    HWND a = make(0);
    HWND b = make(0);
    EXPECT_EQ(set_capture(a), nullptr);
    EXPECT_EQ(set_capture(b), a);
    EXPECT_TRUE(release_capture());
    EXPECT_EQ(get_capture(), nullptr);
    set_capture(a);
    set_capture(a);  // no change
    EXPECT_EQ(g_seen, (std::vector<Seen>{{a, WM_CAPTURECHANGED, 0, lp(b)}, {b, WM_CAPTURECHANGED, 0, 0}}));
    // The holder's own release tells it too; destroying the holder releases it.
    release_capture();
    EXPECT_EQ(g_seen.back(), (Seen{a, WM_CAPTURECHANGED, 0, 0}));
    set_capture(b);
    destroy_window(b);
    EXPECT_EQ(get_capture(), nullptr);
}
