#pragma once
#include "plat/Input.h"
#include "plat/Menu.h"
#include "plat/Window.h"

#include <cstdint>
#include <vector>

// The menu bars of the process. A bar is a hidden-size child of its owner
// that is disabled, so it never takes the focus or activation and goes with
// its owner; the bottom band draws it, and the shell's input hook hands it
// the band's taps (as pointer messages in screen coordinates) and the soft
// keys (as F1/F2 key-downs).
namespace plat::ui {

// The desktop keys that stand for the soft keys.
constexpr uint32_t left_soft_key = VK_F1;
constexpr uint32_t right_soft_key = VK_F1 + 1;

// Posted to a bar: press soft key wparam (1 left, 2 right).
constexpr uint32_t bar_soft_key_message = WM_USER + 1;

class MenuBar {
public:
    // The bar the bottom band shows: that of the active window, or of the
    // nearest owner that has one; null for none.
    static HWND current();
    // Whether its owner takes input (a bar whose owner is disabled takes none).
    static bool takes_input(HWND bar);
    static HWND owner_of(HWND bar);
    // The overridden Back key's flags (SHMBOF_*), 0 when not overridden.
    static uint32_t back_key_flags(HWND bar);
    // Draws the current bar into the band (the plain band without one).
    static void paint_band(HDC dc, const RECT& band);
    // The buttons' places in a band (separators get an empty rectangle).
    static std::vector<RECT> lay_out(HWND bar, const RECT& band);

    static LRESULT procedure(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam);
};

// The bottom band as it is now on the screen.
RECT bottom_band_rect();

} // namespace plat::ui
