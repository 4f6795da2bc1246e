// The SDL presenter on a real (virtual) display: run by sdl-smoke.sh under xvfb-run.
#include "TempRoot.h"
#include "plat/Input.h"
#include "plat/Paint.h"
#include "plat/PngWriter.h"
#include "plat/Presenter.h"
#include "plat/Screen.h"
#include "plat/UiTest.h"
#include "plat/Window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace {

using namespace plat;

std::vector<MSG> g_input;
POINT paint_green_at{20, 20};  // in the window

// Red left half, blue right half, a green square (at (20, 20) first).
LRESULT smoke_proc(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = begin_paint(window, paint);
        RECT client;
        get_client_rect(window, client);
        fill_rect(dc, RECT{0, 0, client.right / 2, client.bottom}, rgb(255, 0, 0));
        fill_rect(dc, RECT{client.right / 2, 0, client.right, client.bottom}, rgb(0, 0, 255));
        fill_rect(dc, RECT{paint_green_at.x, paint_green_at.y, paint_green_at.x + 10, paint_green_at.y + 10},
                  rgb(0, 255, 0));
        end_paint(window, paint);
        return 0;
    }
    if (message == WM_KEYDOWN || message == WM_CHAR || message == WM_LBUTTONDOWN || message == WM_CLOSE) {
        g_input.push_back(MSG{window, message, wparam, lparam, 0});
        if (message == WM_CLOSE)
            return 0;  // the form decides; this one stays
    }
    return def_window_proc(window, message, wparam, lparam);
}

// The program's loop, woken by a window timer, until the condition holds or 5 s pass.
bool run_until(const std::function<bool()>& done) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    MSG msg;
    while (!done()) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        get_message(msg, nullptr, 0, 0);
        dispatch_message(msg);
    }
    return true;
}

void run_for(int rounds) {
    int left = rounds;
    run_until([&] { return left-- <= 0; });
}

SDL_Window* presenter_window() {
    for (uint32_t id = 1; id < 16; ++id)
        if (SDL_Window* window = SDL_GetWindowFromID(id))
            return window;
    return nullptr;
}

void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }

TEST(SdlScreen, ShowsTheScreenZoomedAndTurnsSdlEventsIntoDeviceInput) {
    start_screen(L"Smoke");
    ASSERT_EQ(presenter_kind(), PresenterKind::sdl);
    WindowClass smoke_class;
    smoke_class.name = L"Smoke";
    smoke_class.procedure = smoke_proc;
    register_class(smoke_class);
    HWND window = create_window(0, L"Smoke", L"Smoke test", WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, nullptr, 0,
                                nullptr, nullptr);
    set_foreground_window(window);
    set_focus(window);
    set_timer(window, 1, 20);
    ASSERT_TRUE(run_until([] { return presenter_shown(); }));
    run_for(5);

    SDL_Window* sdl_window = presenter_window();
    ASSERT_NE(sdl_window, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(sdl_window), "Smoke");
    EXPECT_TRUE(SDL_GetWindowFlags(sdl_window) & SDL_WINDOW_SHOWN);
    int width = 0, height = 0;
    SDL_GetWindowSize(sdl_window, &width, &height);
    EXPECT_EQ(width, 480);
    EXPECT_EQ(height, 640);

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = SDL_GetWindowID(sdl_window);
    key.key.state = SDL_PRESSED;
    key.key.keysym.scancode = SDL_SCANCODE_RETURN;
    key.key.keysym.sym = SDLK_RETURN;
    push(key);
    key.key.keysym.scancode = SDL_SCANCODE_A;
    key.key.keysym.sym = SDLK_a;
    push(key);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = key.key.windowID;
    std::strcpy(text.text.text, "a");  // the key's text comes as text only: the translation types none
    push(text);
    std::strcpy(text.text.text, "\xC3\xA9");
    push(text);
    // Alt+X is a shortcut: its key-down only (the key-up is not logged), not its text.
    key.key.keysym.sym = SDLK_x;
    key.key.keysym.mod = KMOD_LALT;
    push(key);
    std::strcpy(text.text.text, "x");
    push(text);
    SDL_Event press{};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.windowID = key.key.windowID;
    press.button.button = SDL_BUTTON_LEFT;
    press.button.state = SDL_PRESSED;
    press.button.x = 41;  // device (20, 50): client (20, 24)
    press.button.y = 101;
    push(press);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = key.key.windowID;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    push(close);
    ASSERT_TRUE(run_until([] { return g_input.size() >= 7; }));
    run_for(3);
    ASSERT_EQ(g_input.size(), 7u);
    EXPECT_EQ(g_input[0].message, WM_KEYDOWN);
    EXPECT_EQ(g_input[0].wparam, VK_RETURN);
    EXPECT_EQ(g_input[1].message, WM_KEYDOWN);
    EXPECT_EQ(g_input[1].wparam, VK_A);
    EXPECT_EQ(g_input[2].message, WM_CHAR);
    EXPECT_EQ(g_input[2].wparam, WPARAM(L'a'));
    EXPECT_EQ(g_input[3].message, WM_CHAR);
    EXPECT_EQ(g_input[3].wparam, WPARAM(L'\u00E9'));
    EXPECT_EQ(g_input[4].message, WM_KEYDOWN);
    EXPECT_EQ(g_input[4].wparam, VK_A + 23);
    EXPECT_EQ(g_input[5].message, WM_LBUTTONDOWN);
    EXPECT_EQ(lparam_point(g_input[5].lparam).x, 20);
    EXPECT_EQ(lparam_point(g_input[5].lparam).y, 24);
    EXPECT_EQ(g_input[6].message, WM_CLOSE);

    // The screenshot is the framebuffer as composed.
    const std::string shot = testing_support::process_root() + "/smoke.png";
    ASSERT_TRUE(write_screenshot(shot));
    BitmapInfo frame;
    ASSERT_TRUE(get_bitmap_info(screen_bitmap(), frame));
    std::ifstream in(shot, std::ios::binary);
    const std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, encode_png(frame.bits, frame.width, frame.height, frame.stride));

    // Each device pixel shows as a 2x2 block of the window, drawn into its own surface (no renderer,
    // so no GL), also after a change of a few rows only.
    run_for(5);
    EXPECT_EQ(SDL_GetRenderer(sdl_window), nullptr);
    auto expect_shown = [&](POINT at) {
        const SDL_Surface* surface = SDL_GetWindowSurface(sdl_window);
        ASSERT_NE(surface, nullptr) << SDL_GetError();
        const COLORREF expected = screen_pixel(at.x, at.y);
        for (int corner = 0; corner < 4; ++corner) {
            const int x = at.x * 2 + corner % 2, y = at.y * 2 + corner / 2;
            uint32_t shown = 0;
            std::memcpy(&shown,
                        static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch +
                            x * surface->format->BytesPerPixel,
                        surface->format->BytesPerPixel);
            uint8_t r = 0, g = 0, b = 0;
            SDL_GetRGB(shown, surface->format, &r, &g, &b);
            EXPECT_EQ(rgb(r, g, b), expected) << at.x << "," << at.y;
        }
    };
    for (POINT at : {POINT{10, 40}, POINT{200, 100}, POINT{25, 50}, POINT{0, 319}})
        expect_shown(at);
    EXPECT_EQ(screen_pixel(25, 50), rgb(0, 255, 0));
    paint_green_at = POINT{100, 124};  // device (100, 150)
    invalidate_rect(window, nullptr, false);
    run_for(5);
    EXPECT_EQ(screen_pixel(100, 150), rgb(0, 255, 0));
    for (POINT at : {POINT{100, 150}, POINT{99, 149}, POINT{25, 50}, POINT{0, 319}})
        expect_shown(at);

    // A resized window resizes the device screen by the zoom.
    SDL_SetWindowSize(sdl_window, 400, 600);
    EXPECT_TRUE(run_until([] { return screen_profile().width == 200 && screen_profile().height == 300; }));
    stop_screen();
}

} // namespace
