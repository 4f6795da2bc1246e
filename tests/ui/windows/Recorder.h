#pragma once
#include "plat/Clock.h"
#include "plat/Paint.h"
#include "plat/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Windows of one test class that write down the messages they get; a test
// may answer a message itself through `on`, else the default procedure does.
namespace windows_test {

using namespace plat;

struct Seen {
    HWND hwnd = nullptr;
    uint32_t message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;

    bool operator==(const Seen&) const = default;
};

inline std::vector<Seen> g_seen;
inline std::map<uint32_t, std::function<bool(HWND, WPARAM, LPARAM, LRESULT&)>> g_handlers;
// The messages written down; creation, destruction and the rest are left out.
inline std::vector<uint32_t> g_watched;

inline LRESULT recording_proc(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (std::find(g_watched.begin(), g_watched.end(), message) != g_watched.end())
        g_seen.push_back(Seen{hwnd, message, wparam, lparam});
    if (auto it = g_handlers.find(message); it != g_handlers.end()) {
        LRESULT result = 0;
        if (it->second(hwnd, wparam, lparam, result))
            return result;
    }
    return def_window_proc(hwnd, message, wparam, lparam);
}

class WindowsTest : public testing::Test {
protected:
    void SetUp() override {
        SystemTime st;
        st.year = 2024;
        st.month = 3;
        st.day = 1;
        set_fake_clock(st, false);
        g_seen.clear();
        g_handlers.clear();
        g_watched.clear();
        WindowClass wc;
        wc.name = L"Recorder";
        wc.procedure = recording_proc;
        register_class(wc);  // once per process
        WindowClass white = wc;
        white.name = L"WhiteRecorder";
        white.background = background_brush(rgb(255, 255, 255));
        register_class(white);
    }
    void TearDown() override {
        for (HWND hwnd : made_)
            if (is_window(hwnd))
                destroy_window(hwnd);
        MSG msg;
        g_handlers.clear();
        while (peek_message(msg, nullptr, 0, 0, PM_REMOVE))
            dispatch_message(msg);
        clear_fake_clock();
    }
    HWND make(uint32_t style, HWND parent = nullptr, RECT r = {0, 0, 100, 100}, const wchar_t* cls = L"Recorder",
              const wchar_t* title = L"w") {
        HWND hwnd = create_window(0, cls, title, style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent, 0,
                                  nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr);
        made_.push_back(hwnd);
        return hwnd;
    }
    void watch(std::vector<uint32_t> messages) {
        g_watched = std::move(messages);
        g_seen.clear();
    }

    std::vector<HWND> made_;
};

} // namespace windows_test
