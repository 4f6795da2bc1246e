// Frames per second of the screen: every top-level window repainting its
// whole surface and the compositor putting them on a 480x640 screen, and the
// composition alone, for 1, 4 and 16 windows.
#include "plat/Paint.h"
#include "plat/UiTest.h"
#include "plat/Window.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace plat;

LRESULT filling_proc(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_PAINT)
        return def_window_proc(window, message, wparam, lparam);
    PAINTSTRUCT paint;
    HDC dc = begin_paint(window, paint);
    RECT client;
    get_client_rect(window, client);
    fill_rect(dc, client, COLORREF(get_window_long(window, GWL_USERDATA)));
    end_paint(window, paint);
    return 0;
}

template <typename Frame>
double frames_per_second(Frame frame) {
    const auto start = std::chrono::steady_clock::now();
    int frames = 0;
    std::chrono::duration<double> spent{};
    do {
        frame();
        ++frames;
        spent = std::chrono::steady_clock::now() - start;
    } while (spent.count() < 1.0);
    return frames / spent.count();
}

} // namespace

int main() {
    setenv("CHIMELY_SCREEN", "480x640", 1);
    setenv("CHIMELY_VIDEO", "headless", 1);
    WindowClass filling;
    filling.name = L"Filling";
    filling.procedure = filling_proc;
    register_class(filling);

    std::printf("screen 480x640\n%8s %22s %18s\n", "windows", "repaint+compose fps", "compose fps");
    std::vector<HWND> windows;
    for (size_t count : {1u, 4u, 16u}) {
        while (windows.size() < count) {
            // Staggered, so each window lies partly over the ones below it.
            const int32_t offset = int32_t(windows.size()) * 8;
            HWND window = create_window(0, L"Filling", L"", WS_POPUP | WS_VISIBLE, offset, 52 + offset, 480 - offset,
                                        536 - offset, nullptr, 0, nullptr, nullptr);
            set_window_long(window, GWL_USERDATA, std::intptr_t(rgb(uint8_t(windows.size() * 15), 80, 160)));
            windows.push_back(window);
        }
        const double repaint = frames_per_second([&] {
            for (HWND window : windows)
                invalidate_rect(window, nullptr, false);
            run_until_idle();
            screen_pixel(0, 0);
        });
        const double compose = frames_per_second([] { screen_pixel(0, 0); });
        std::printf("%8zu %22.0f %18.0f\n", count, repaint, compose);
    }
    return 0;
}
