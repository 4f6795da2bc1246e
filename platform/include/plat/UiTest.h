#pragma once
#include "plat/Gdi.h"
#include "plat/Messages.h"

#include <cstdint>
#include <string_view>

// Test seams of the window half: input as the presenter would deliver it,
// running the calling thread's queue until idle, moving a frozen fake clock
// with the timers firing in order, and reading pixels.
namespace plat {

// Keys by virtual key; a down while the key is held is a repeat.
void inject_key(uint32_t virtual_key, bool down);
void inject_key_press(uint32_t virtual_key);  // down and up
// Text without a key: WM_CHAR per Basic Multilingual Plane character, or
// one composition for anything else.
void inject_text(std::wstring_view text);
void inject_composition(std::wstring_view text);  // always one composition
// The pointer, in screen (device) pixels.
void inject_pointer_move(int32_t x, int32_t y);
void inject_pointer_down(int32_t x, int32_t y);
void inject_pointer_up(int32_t x, int32_t y);
void inject_right_click(int32_t x, int32_t y);
void inject_wheel(int32_t x, int32_t y, int notches);  // positive away from the user

// Dispatches what the calling thread has pending (sent, posted, input,
// paints, timers already due) until nothing is left, without waiting.
void run_until_idle();
// With a frozen fake clock: moves it ms forward in steps, each due timer
// firing (and everything it causes running) in deadline order.
void advance_clock_running_timers(uint32_t ms);

// Pixels of a window's client area as last painted (CLR_INVALID outside it).
COLORREF window_pixel(HWND window, int32_t x, int32_t y);
// Composes the screen and reads the framebuffer.
COLORREF screen_pixel(int32_t x, int32_t y);

} // namespace plat
