#pragma once
#include "plat/Clock.h"
#include "plat/Input.h"
#include "plat/UiTest.h"
#include "plat/Window.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// Two top-level windows side by side (A takes double clicks, B does not) and
// a child inside A, on a frozen clock; every message they get is logged.
namespace input_test {

using namespace plat;

struct Seen {
    HWND hwnd = nullptr;
    uint32_t message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    bool operator==(const Seen&) const = default;
};
inline void PrintTo(const Seen& s, std::ostream* os) {
    *os << s.hwnd << " 0x" << std::hex << s.message << " " << s.wparam << " " << s.lparam << std::dec;
}

inline std::vector<Seen> g_seen;
inline bool g_recognise = false;           // presses run the tap-and-hold recogniser
inline uint32_t g_gesture = 0;             // its last answer
inline uint32_t g_left_after_gesture = 0;  // the message it left first in the queue

inline LRESULT logging_proc(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if ((message >= WM_KEYDOWN && message <= WM_IME_COMPOSITION) || message == WM_ACTIVATE ||
        (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL) || message >= WM_USER)
        g_seen.push_back(Seen{hwnd, message, wparam, lparam});
    if (message == WM_LBUTTONDOWN && g_recognise) {
        SHRGINFO info;
        info.hwndClient = hwnd;
        info.ptDown = lparam_point(lparam);
        g_gesture = recognize_gesture(info);
        MSG next;
        g_left_after_gesture = peek_message(next, nullptr, 0, 0, PM_NOREMOVE) ? next.message : 0;
    }
    return def_window_proc(hwnd, message, wparam, lparam);
}

class Input : public testing::Test {
protected:
    void SetUp() override {
        set_fake_clock(SystemTime{2026, 3, 0, 2, 8, 0, 0, 0}, false);
        for (auto [name, style] : {std::pair{L"InputA", CS_DBLCLKS}, std::pair{L"InputB", 0u}}) {
            WindowClass wc;
            wc.name = name;
            wc.style = style;
            wc.procedure = logging_proc;
            register_class(wc);
        }
        b = create_window(0, L"InputB", L"b", WS_POPUP | WS_VISIBLE, 120, 40, 100, 100, nullptr, 0, nullptr, nullptr);
        a = create_window(0, L"InputA", L"a", WS_POPUP | WS_VISIBLE, 10, 40, 100, 100, nullptr, 0, nullptr, nullptr);
        child = create_window(0, L"InputA", L"c", WS_CHILD | WS_VISIBLE, 50, 50, 40, 40, a, 1, nullptr, nullptr);
        set_focus(a);
        pump();
        g_seen.clear();
    }
    void TearDown() override {
        release_capture();
        destroy_window(a);
        destroy_window(b);
        pump();
        g_recognise = false;
    }
    // The program's loop: every key-down is translated.
    static void pump() {
        MSG msg;
        while (peek_message(msg, nullptr, 0, 0, PM_REMOVE)) {
            translate_message(msg);
            dispatch_message(msg);
        }
    }
    static void click(int32_t x, int32_t y) {
        inject_pointer_down(x, y);
        inject_pointer_up(x, y);
    }
    static std::vector<Seen> seen() {
        pump();
        return g_seen;
    }
    static std::vector<uint32_t> messages() {
        pump();
        std::vector<uint32_t> out;
        for (const Seen& s : g_seen)
            out.push_back(s.message);
        return out;
    }
    HWND a = nullptr, b = nullptr, child = nullptr;
};

} // namespace input_test
