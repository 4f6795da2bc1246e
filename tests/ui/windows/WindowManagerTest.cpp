#include "Recorder.h"
#include "plat/Errors.h"
#include "plat/Input.h"
#include "plat/System.h"
#include "plat/UiTest.h"
#include "ui/WindowManager.h"

using namespace windows_test;

namespace {

class WindowManager : public WindowsTest {};

LPARAM size_lparam(int32_t width, int32_t height) { return LPARAM(width | height << 16); }

} // namespace

TEST_F(WindowManager, MovesTellOnlyWhatChanged) {
    HWND w = create_window(0, L"Recorder", L"w", 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           nullptr, 0, nullptr, nullptr);
    made_.push_back(w);
    RECT r;
    ASSERT_TRUE(get_window_rect(w, r));
    RECT work = work_area();
    EXPECT_EQ(std::vector<int32_t>({r.left, r.top, r.right, r.bottom}),
              std::vector<int32_t>({work.left, work.top, work.right, work.bottom}));

    watch({WM_MOVE, WM_SIZE});
    move_window(w, work.left, work.top, work.right - work.left, work.bottom - work.top, true);
    EXPECT_TRUE(g_seen.empty());
    move_window(w, 5, 6, work.right - work.left, work.bottom - work.top, true);
    set_window_pos(w, HWND_TOP, 0, 0, 40, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(g_seen, (std::vector<Seen>{{w, WM_MOVE, 0, point_lparam(5, 6)}, {w, WM_SIZE, SIZE_RESTORED, size_lparam(40, 30)}}));

    // A child lies in its parent's client coordinates.
    HWND child = make(WS_CHILD, w, {3, 4, 13, 14});
    POINT p{1, 1};
    client_to_screen(child, p);
    EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(9, 11));
    EXPECT_EQ(ui::screen_rect(child).right, 18);
    EXPECT_EQ(ui::top_level_of(child), w);
}

TEST_F(WindowManager, OwnedWindowsStayAboveTheirOwner) {
    HWND owner = make(WS_VISIBLE);
    HWND owned = make(WS_POPUP | WS_VISIBLE, owner);
    HWND other = make(WS_VISIBLE);
    EXPECT_EQ(ui::top_level_windows(true), (std::vector<HWND>{other, owned, owner}));
    set_foreground_window(owner);
    EXPECT_EQ(ui::top_level_windows(true), (std::vector<HWND>{owned, owner, other}));
    set_window_pos(owned, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(ui::top_level_windows(true), (std::vector<HWND>{owned, owner, other}));
    set_window_pos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(ui::top_level_windows(true).front(), other);
    EXPECT_EQ(get_active_window(), owner);

    std::vector<HWND> listed;
    enum_windows([&](HWND hwnd) {
        listed.push_back(hwnd);
        return true;
    });
    EXPECT_EQ(listed, ui::top_level_windows(false));
    // Hidden windows are listed too.
    show_window(other, SW_HIDE);
    EXPECT_EQ(ui::top_level_windows(true), (std::vector<HWND>{owned, owner}));
    EXPECT_EQ(ui::top_level_windows(false).size(), 3u);
}

TEST_F(WindowManager, StaticClassSearchesAndHitTesting) {
    HWND top = make(WS_VISIBLE, nullptr, {10, 10, 110, 110}, L"Recorder", L"Main window");
    HWND plain = make(WS_CHILD | WS_VISIBLE, top, {0, 0, 50, 50}, L"static", L"");
    EXPECT_EQ(get_class_name(plain), L"STATIC");
    EXPECT_EQ(send_message(plain, WM_ERASEBKGND, 0, 0), 0);  // the default procedure, no brush
    EXPECT_FALSE(unregister_class(L"Static"));
    WindowClass wc;
    wc.name = L"static";
    EXPECT_EQ(register_class(wc), 0);
    EXPECT_EQ(last_error(), ERROR_CLASS_ALREADY_EXISTS);

    EXPECT_EQ(find_window(L"RECORDER", L"Main window"), top);
    EXPECT_EQ(find_window(L"", L"Main window"), top);
    EXPECT_EQ(find_window(L"Recorder", L"main window"), nullptr);  // titles match exactly
    EXPECT_EQ(find_window(L"STATIC", L""), nullptr);             // children are not searched
    EXPECT_TRUE(is_child(top, plain));
    EXPECT_FALSE(is_child(plain, top));

    // The deepest visible child under the point; disabled ones count, hidden ones do not.
    HWND inner = make(WS_CHILD | WS_VISIBLE | WS_DISABLED, plain, {10, 10, 20, 20});
    HWND hidden = make(WS_CHILD, top, {60, 60, 90, 90});
    EXPECT_EQ(window_from_point(POINT{25, 25}), inner);
    EXPECT_EQ(window_from_point(POINT{15, 15}), plain);
    EXPECT_EQ(window_from_point(POINT{75, 75}), top);
    EXPECT_EQ(window_from_point(POINT{5, 5}), nullptr);
    EXPECT_FALSE(ui::accepts_input(inner));
    (void)hidden;

    // Another process's handle answers nothing but its name, text and copy data.
    HWND remote = reinterpret_cast<HWND>(ui::remote_handle_bit | 0x40);
    EXPECT_FALSE(is_window(remote));
    EXPECT_FALSE(show_window(remote, SW_SHOW));
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}
