#pragma once
#include "plat/Font.h"
#include "plat/Gdi.h"
#include "plat/Messages.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the parts of the window half tell each other (input, compositor,
// presenters, system information, the hand-over between processes). All of
// it is per process; the window table's lock is never held while a window
// procedure or a hook runs.
namespace plat::ui {

// ---- window manager (WindowManager.cpp) ----

// Top-level windows of this process, top-most first; with visible_only, only
// those shown.
std::vector<HWND> top_level_windows(bool visible_only);
// The surface a top-level window and its children draw into (its size is the
// window's); null for a child or an unknown window. Valid until the window
// is resized or destroyed; read it on the window's thread.
HBITMAP window_surface(HWND top_level);
// The window's rectangle in screen coordinates (empty for no window).
RECT screen_rect(HWND window);
// Whether the window and all its ancestors are enabled.
bool accepts_input(HWND window);
// The top-level window a window belongs to (itself for a top-level one).
HWND top_level_of(HWND window);

// Input is queued like a posted message, for the window's thread, in arrival
// order; it counts as pending input until retrieved.
bool queue_input(const MSG& msg);
// Put at the front of the calling thread's queue (translate_message's WM_CHAR).
void queue_front(const MSG& msg);
// While the calling thread's queue still holds key input for the key: true,
// with held its state before the first of those messages.
bool queued_key_state(uint32_t virtual_key, bool& held);
// Activation by a tap: an inactive, enabled top-level window under the
// pointer is activated before the press is queued.
void activate_for_pointer(HWND window);

// Nothing posted, no input, no paint pending and no sent message waiting for
// the calling thread (timers not yet due do not count).
bool thread_is_idle();

// Hooks of the screen's thread: before the thread's queue blocks it calls
// `idle`; whenever the wait wakes it calls `pump` (SDL events, the input
// script). Either may queue input; the wait then looks again. With a
// `slice_ms` the wait wakes at least that often. With `plan`, called before
// each wait, it also wakes after the milliseconds plan returns (negative:
// no time of its own) and when a descriptor plan adds is readable, so an
// idle screen sleeps until something is due. Installing empty functions
// removes them.
struct WaitHooks {
    std::function<void()> idle;
    std::function<void()> pump;
    uint32_t slice_ms = 10;  // 0: no periodic wake-up
    std::function<int32_t(std::vector<int>& fds)> plan = {};
};
void set_wait_hooks(WaitHooks hooks);  // for the calling thread
// Wakes the thread of the screen if it waits (from another thread or a signal-safe flag poller).
void wake_thread(int thread_id);

// ---- between processes (Remote.cpp) ----

// Handles of other processes' windows carry this bit; they are never in the window table.
constexpr std::uintptr_t remote_handle_bit = std::uintptr_t(1) << 62;
inline bool is_remote(HWND window) { return (reinterpret_cast<std::uintptr_t>(window) & remote_handle_bit) != 0; }

// Called by the window table for top-level windows with neither parent nor
// owner: published from creation until destruction.
void publish_window(HWND window);
void withdraw_window(HWND window);
// The other processes' published windows of this device root (entries
// nobody answers are dropped).
std::vector<HWND> remote_windows();
std::wstring remote_class_name(HWND window);
std::wstring remote_window_text(HWND window);
// Synchronous WM_COPYDATA to another process's window; 0 with last error
// ERROR_TIMEOUT when it does not answer in time.
LRESULT remote_send_copy_data(HWND window, HWND sender, const void* copy_data_struct);
// Test seam: how long a sender waits (10 s by default).
void set_copy_data_timeout_ms(uint32_t ms);

// ---- shell (System.cpp) and compositor (Compositor.cpp) ----

// The band height the compositor draws above and below.
int top_band_height();
int bottom_band_height();
// The bands' look, shared by the compositor and the shell's menu bar: slate
// with light text in a font that follows the band's height.
constexpr COLORREF band_colour = rgb(0x28, 0x30, 0x3C);
constexpr COLORREF band_text_colour = rgb(0xF0, 0xF0, 0xF0);
HFONT band_font(int band_height);
// Draws the visible top-level windows in z-order and the bands into the framebuffer.
void compose_screen();
// The menu issue's bottom bar draws through this; empty draws the plain band.
using BandPainter = std::function<void(HDC dc, const RECT& band)>;
void set_bottom_band_painter(BandPainter painter);

} // namespace plat::ui
