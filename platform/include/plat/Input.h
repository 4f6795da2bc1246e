#pragma once
#include "plat/Gdi.h"
#include "plat/Messages.h"

#include <cstdint>
#include <string>

// Keys, pointer, capture, tap-and-hold and cursors. Input reaches the queue
// of the window it is for in arrival order with posted messages: keys go to
// the focus window, the pointer to the capture window or to the window under
// it. Disabled windows, and the children of disabled windows, get no input.
namespace plat {

// Virtual keys.
constexpr uint32_t VK_BACK = 8;
constexpr uint32_t VK_TAB = 9;
constexpr uint32_t VK_RETURN = 13;
constexpr uint32_t VK_SHIFT = 16;
constexpr uint32_t VK_CONTROL = 17;
constexpr uint32_t VK_MENU = 18;  // Alt
constexpr uint32_t VK_ESCAPE = 27;
constexpr uint32_t VK_SPACE = 32;
constexpr uint32_t VK_PRIOR = 33;  // Page Up
constexpr uint32_t VK_NEXT = 34;   // Page Down
constexpr uint32_t VK_END = 35;
constexpr uint32_t VK_HOME = 36;
constexpr uint32_t VK_LEFT = 37;
constexpr uint32_t VK_UP = 38;
constexpr uint32_t VK_RIGHT = 39;
constexpr uint32_t VK_DOWN = 40;
constexpr uint32_t VK_INSERT = 45;
constexpr uint32_t VK_DELETE = 46;
constexpr uint32_t VK_0 = 48;  // '0'..'9' are 48..57
constexpr uint32_t VK_A = 65;  // 'A'..'Z' are 65..90
constexpr uint32_t VK_APPS = 93;
constexpr uint32_t VK_F1 = 112;  // F1..F12 are 112..123
constexpr uint32_t VK_F12 = 123;

// Key message lparam bits.
constexpr LPARAM KEY_PREVIOUS_DOWN = LPARAM(1) << 30;  // a repeat
constexpr LPARAM KEY_TRANSITION_UP = LPARAM(1) << 31;

// The top bit (0x8000 as a 16-bit value, so the result is negative) is set
// while the key is held: get_key_state as of the key messages the calling
// thread has taken from its queue (a handler sees the modifiers of the key it
// handles), get_async_key_state as the keyboard is now.
int16_t get_key_state(uint32_t virtual_key);
int16_t get_async_key_state(uint32_t virtual_key);

// A key-down (WM_KEYDOWN or WM_SYSKEYDOWN) that types a character puts its
// WM_CHAR at the front of the queue, so it is retrieved next. True when it did.
// The keys of a desktop keyboard type only their control characters here
// (Backspace, Tab, Enter, Escape): their text arrives as WM_CHAR of its own.
bool translate_message(const MSG& msg);

// WM_IME_COMPOSITION lparam bit: the result text is ready; the window's
// composition result then answers it.
constexpr LPARAM GCS_RESULTSTR = 0x0800;
std::wstring get_composition_result(HWND window);

// Pointer messages: wparam holds the buttons (MK_LBUTTON), lparam the client
// point as two signed 16-bit halves (x low); a captured pointer may lie
// outside the window, so the halves may be negative. WM_MOUSEWHEEL carries
// 120 per notch in wparam's high word, positive away from the user, and the
// screen point.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr int WHEEL_DELTA = 120;
constexpr LPARAM point_lparam(int32_t x, int32_t y) {
    return LPARAM(uint32_t(uint16_t(int16_t(x))) | uint32_t(uint16_t(int16_t(y))) << 16);
}
constexpr POINT lparam_point(LPARAM lparam) {
    return POINT{int16_t(uint16_t(lparam)), int16_t(uint16_t(uint32_t(lparam) >> 16))};
}
// Double clicks (only for classes with CS_DBLCLKS): the second press within
// this time and within double_click_distance pixels of the first.
constexpr uint32_t double_click_ms = 500;
constexpr int32_t double_click_distance = 4;

// Capture: the pointer goes to the holder wherever it is. Every change, a
// release by the holder included, sends WM_CAPTURECHANGED to the loser with
// lparam the new holder (or null).
HWND set_capture(HWND window);
bool release_capture();
HWND get_capture();

// Tap-and-hold. In return-command mode the recogniser runs its own loop after
// a press: GN_CONTEXTMENU when the press is held tap_and_hold_ms within
// tap_and_hold_distance pixels, or at once for a right click (whose release
// is consumed); else 0, leaving the release or move that decided in the queue.
constexpr uint32_t SHRG_RETURNCMD = 0x00000001;
constexpr uint32_t SHRG_NOTIFYPARENT = 0x00000002;
constexpr uint32_t SHRG_LONGDELAY = 0x00000008;
constexpr uint32_t GN_CONTEXTMENU = 1000;
constexpr uint32_t tap_and_hold_ms = 500;
constexpr int32_t tap_and_hold_distance = 5;
struct SHRGINFO {
    uint32_t cbSize = sizeof(SHRGINFO);
    HWND hwndClient = nullptr;
    POINT ptDown;  // client coordinates of hwndClient
    uint32_t dwFlags = SHRG_RETURNCMD;
};
uint32_t recognize_gesture(const SHRGINFO& info);

// Cursors: the device's standard cursors by number. Headless, the shown
// cursor is only recorded; a null cursor shows the arrow.
struct CursorHandle;  // opaque
using HCURSOR = CursorHandle*;
constexpr int IDC_ARROW = 32512;
constexpr int IDC_IBEAM = 32513;
constexpr int IDC_WAIT = 32514;
constexpr int IDC_CROSS = 32515;
constexpr int IDC_SIZENWSE = 32642;
constexpr int IDC_SIZENESW = 32643;
constexpr int IDC_SIZEWE = 32644;
constexpr int IDC_SIZENS = 32645;
constexpr int IDC_SIZEALL = 32646;
constexpr int IDC_NO = 32648;
constexpr int IDC_HAND = 32649;
constexpr int IDC_APPSTARTING = 32650;
constexpr int IDC_HELP = 32651;
// Null for a number the device does not have.
HCURSOR load_cursor(int id);
// Answers the previous cursor.
HCURSOR set_cursor(HCURSOR cursor);
HCURSOR get_cursor();
// The standard number of a loaded cursor (IDC_ARROW for null).
int cursor_id(HCURSOR cursor);

} // namespace plat
