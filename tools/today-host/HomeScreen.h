#pragma once
#include "today/TodayShell.h"

#include "plat/Gdi.h"
#include "plat/Messages.h"

#include <memory>
#include <string>
#include <vector>

namespace plat {
class NamedEvent;
}

// A home screen of our own: one full-screen window with a background, the
// items of the libraries it loads laid out top-down under the task bar, a
// highlight on the selected item, and the shell's side of the item messages.
class HomeScreen {
public:
    static constexpr wchar_t class_name[] = L"ChimelyTodayHost";
    static constexpr uint32_t refresh_interval_ms = 2000;
    static constexpr std::uintptr_t refresh_timer = 1;
    static constexpr plat::COLORREF text_colour = plat::rgb(255, 255, 255);
    static constexpr plat::COLORREF top_colour = plat::rgb(24, 52, 96);
    static constexpr plat::COLORREF bottom_colour = plat::rgb(70, 130, 160);
    static constexpr plat::COLORREF highlight_colour = plat::rgb(230, 140, 40);

    HomeScreen();
    ~HomeScreen();
    HomeScreen(const HomeScreen&) = delete;
    HomeScreen& operator=(const HomeScreen&) = delete;

    // Loads the library at the device path and asks it for its item; false
    // (with the reason on standard error) when there is none.
    bool load(const std::wstring& path);
    // Tells the items the shell is ready, sizes them and starts the refreshes.
    void start();
    // Runs every window of the thread until the screen closes; the exit code.
    int run();

    plat::HWND window() const { return window_; }

private:
    struct Item {
        std::wstring path;
        void* library = nullptr;
        today::DllMain dll_main = nullptr;
        plat::HWND window = nullptr;
        today::TodayListItem record;
        int32_t top = 0;
    };

    static plat::LRESULT procedure(plat::HWND window, uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam);
    plat::LRESULT handle(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam);
    void refresh();
    void layout();
    void select(int index);
    void act();
    // Paints the background of the screen rectangle `area` into dc at `at`.
    void draw_background(plat::HDC dc, plat::POINT at, const plat::RECT& area);
    void draw_watermark(const today::TodayDrawWatermarkInfo& info);
    int item_of(plat::HWND window) const;
    void unload();

    plat::HWND window_ = nullptr;
    std::vector<Item> items_;
    int selected_ = 0;
    std::unique_ptr<plat::NamedEvent> ready_;
};
