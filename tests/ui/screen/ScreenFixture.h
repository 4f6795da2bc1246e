#pragma once
#include "TempRoot.h"
#include "plat/Clock.h"
#include "plat/Input.h"
#include "plat/Paint.h"
#include "plat/Presenter.h"
#include "plat/UiTest.h"
#include "plat/Window.h"
#include "ui/Presenter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Paper windows fill themselves with the colour in their user data and write
// down the input they get; the key 'R' turns them red. The clock is frozen.
namespace screen_test {

using namespace plat;

struct Seen {
    uint32_t message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    uint32_t time = 0;
};
inline std::vector<Seen> g_seen;

inline LRESULT paper_proc(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = begin_paint(window, paint);
        RECT client;
        get_client_rect(window, client);
        fill_rect(dc, client, COLORREF(get_window_long(window, GWL_USERDATA)));
        end_paint(window, paint);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        g_seen.push_back(Seen{message, wparam, lparam, tick_count()});
        if (message == WM_KEYDOWN && wparam == 'R') {
            set_window_long(window, GWL_USERDATA, std::intptr_t(rgb(255, 0, 0)));
            invalidate_rect(window, nullptr, false);
        }
        return 0;
    default:
        return def_window_proc(window, message, wparam, lparam);
    }
}

class ScreenTest : public testing::Test {
protected:
    void SetUp() override {
        set_fake_clock(SystemTime{2026, 3, 0, 2, 9, 5, 0, 0}, false);
        WindowClass paper_class;
        paper_class.name = L"Paper";
        paper_class.procedure = paper_proc;
        register_class(paper_class);
        g_seen.clear();
    }
    void TearDown() override {
        stop_screen();
        std::vector<HWND> windows;
        enum_windows([&](HWND window) {
            windows.push_back(window);
            return true;
        });
        for (HWND window : windows)
            destroy_window(window);
        unregister_class(L"Paper");
        run_until_idle();
    }

    static HWND paper(RECT place, COLORREF colour, std::wstring_view title = L"") {
        HWND window = create_window(0, L"Paper", title, WS_POPUP | WS_VISIBLE, place.left, place.top,
                                    place.right - place.left, place.bottom - place.top, nullptr, 0, nullptr, nullptr);
        set_window_long(window, GWL_USERDATA, std::intptr_t(colour));
        invalidate_rect(window, nullptr, false);
        run_until_idle();
        return window;
    }
    // The screen's thread as its waits run it: everything pending, the idle
    // hook, the pump, then 10 ms of device time; until the script is done.
    static void run_script() {
        ui::Presenter& presenter = ui::Presenter::instance();
        for (int round = 0; round < 1000 && !presenter.script_finished(); ++round) {
            run_until_idle();
            presenter.idle();
            run_until_idle();
            presenter.pump();
            advance_clock_running_timers(10);
        }
        run_until_idle();
    }
    static std::string root_file(const std::string& name) { return testing_support::process_root() + "/" + name; }
};

// A pixel of a screenshot as our writer lays it out: stored deflate blocks of
// RGB rows, each after a filter byte of 0. CLR_INVALID when it is not there.
inline COLORREF png_pixel(const std::string& path, int x, int y) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto be32 = [&](size_t at) {
        return uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 | uint32_t(file[at + 2]) << 8 | file[at + 3];
    };
    std::vector<uint8_t> z;
    uint32_t width = 0;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = be32(at);
        const std::string type(file.begin() + long(at) + 4, file.begin() + long(at) + 8);
        if (type == "IHDR")
            width = be32(at + 8);
        if (type == "IDAT")
            z.insert(z.end(), file.begin() + long(at) + 8, file.begin() + long(at) + 8 + length);
        at += 12 + length;
    }
    std::vector<uint8_t> raw;
    for (size_t at = 2; at + 5 <= z.size();) {
        const size_t count = z[at + 1] | size_t(z[at + 2]) << 8;
        if (at + 5 + count > z.size())
            break;
        raw.insert(raw.end(), z.begin() + long(at) + 5, z.begin() + long(at + 5 + count));
        at += 5 + count;
    }
    const size_t offset = size_t(y) * (1 + width * 3) + 1 + size_t(x) * 3;
    if (x < 0 || uint32_t(x) >= width || offset + 3 > raw.size())
        return CLR_INVALID;
    return rgb(raw[offset], raw[offset + 1], raw[offset + 2]);
}

} // namespace screen_test
