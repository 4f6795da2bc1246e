#pragma once
#include "plat/Clock.h"
#include "plat/CommonControls.h"
#include "plat/Input.h"
#include "plat/UiTest.h"
#include "plat/Window.h"

#include <gtest/gtest.h>

#include <vector>

// A form-like host window filling the screen, on a frozen clock (Wednesday
// 9 December 2026, 08:30), that writes down the WM_COMMAND messages its
// children send; the date classes are registered.
namespace controls_test {

using namespace plat;

struct Command {
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    bool operator==(const Command&) const = default;
};
inline std::vector<Command> g_commands;

inline LRESULT host_proc(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND)
        g_commands.push_back(Command{wparam, lparam});
    return def_window_proc(window, message, wparam, lparam);
}

class Controls : public testing::Test {
protected:
    void SetUp() override {
        set_fake_clock(SystemTime{2026, 12, 0, 9, 8, 30, 0, 0}, false);
        ASSERT_TRUE(init_common_controls_ex(InitCommonControlsEx{sizeof(InitCommonControlsEx), ICC_DATE_CLASSES}));
        WindowClass wc;
        wc.name = L"ControlsHost";
        wc.procedure = host_proc;
        wc.background = background_brush(rgb(0xF4, 0xF4, 0xF4));
        register_class(wc);
        host = create_window(0, L"ControlsHost", L"Host", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, 0,
                             nullptr, nullptr);
        ASSERT_TRUE(host);
        set_foreground_window(host);
        pump();
        g_commands.clear();
    }
    void TearDown() override {
        destroy_window(host);
        pump();
        g_commands.clear();
    }

    HWND child(const wchar_t* class_name, uint32_t style, RECT r, int id = 0) {
        HWND made = create_window(0, class_name, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, host, std::uintptr_t(id), nullptr, nullptr);
        pump();
        return made;
    }
    // The program's loop: key-downs are translated, so Backspace types its character.
    static void pump() {
        MSG msg;
        while (peek_message(msg, nullptr, 0, 0, PM_REMOVE)) {
            translate_message(msg);
            dispatch_message(msg);
        }
    }
    static void press(uint32_t key) {
        inject_key_press(key);
        pump();
    }
    // A tap at a point of the window's client area.
    static void tap(HWND window, int x, int y) {
        POINT p{x, y};
        client_to_screen(window, p);
        inject_pointer_down(p.x, p.y);
        inject_pointer_up(p.x, p.y);
        pump();
    }

    HWND host = nullptr;
};

inline SystemTime date(uint16_t year, uint16_t month, uint16_t day, uint16_t hour = 0, uint16_t minute = 0,
                       uint16_t second = 0) {
    return SystemTime{year, month, 0, day, hour, minute, second, 0};
}

// Year, month, day, weekday and time, for comparisons.
inline std::vector<int> fields(const SystemTime& t) {
    return {t.year, t.month, t.day, t.day_of_week, t.hour, t.minute, t.second};
}

} // namespace controls_test
