#pragma once
#include "plat/Gdi.h"
#include "plat/Messages.h"
#include "plat/Screen.h"

#include <cstdint>
#include <string>

// System information and the shell's switches: screen metrics, the platform
// type text, the operating system's version, the task-bar band and the work
// area, full-screen mode, the input panel, display escapes and run-time
// screen-size changes.
namespace plat {

// get_system_metrics indexes.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
int get_system_metrics(int index);

// system_parameters_info answers ERROR_INSUFFICIENT_BUFFER when a text does
// not fit (its terminator included), ERROR_INVALID_PARAMETER for no buffer or
// an unknown action.
constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
// system_parameters_info actions.
constexpr uint32_t SPI_GETWORKAREA = 48;        // data: RECT*
constexpr uint32_t SPI_GETPLATFORMTYPE = 257;   // param: buffer size in bytes; data: wchar_t* (terminated)
constexpr uint32_t SPI_GETOEMINFO = 258;        // param, data as for the platform type
bool system_parameters_info(uint32_t action, uint32_t param, void* data, uint32_t flags);
// "PocketPC" or "SmartPhone".
std::wstring platform_type_text();

struct OsVersion {
    uint32_t major = 5;
    uint32_t minor = 0;
    uint32_t build = 0;
};
// Major 5 for pocketpc, 4 for pocketpc-old and smartphone.
OsVersion os_version();

// The task-bar band of a profile: smartphone 20/27/40/54 for widths
// 176/240/352/480 (0 otherwise); Pocket PC 26, or 52 for widths 480 and 640.
int band_height(const ScreenProfile& profile);
// The screen less twice the band (one band above for the task bar, one
// below for the menu bar), starting below the top band; the whole screen in
// full-screen mode.
RECT work_area();

// Full-screen mode (the shell's SHFullScreen flags); the top band is not
// drawn under a full-screen window and the work area is the whole screen.
// Only the task-bar flags change anything here (showing and hiding at once
// is refused); the input-panel button and the start icon are never drawn.
constexpr uint32_t SHFS_SHOWTASKBAR = 0x0001;
constexpr uint32_t SHFS_HIDETASKBAR = 0x0002;
constexpr uint32_t SHFS_SHOWSIPBUTTON = 0x0004;
constexpr uint32_t SHFS_HIDESIPBUTTON = 0x0008;
constexpr uint32_t SHFS_SHOWSTARTICON = 0x0010;
constexpr uint32_t SHFS_HIDESTARTICON = 0x0020;
bool sh_full_screen(HWND window, uint32_t flags);
// Whether the task bar is hidden for this window (for a child: for its top-level window).
bool is_full_screen_window(HWND window);
// Full-screen mode: on while the foreground window is full-screen. It asks
// the window manager, so call it without the window table's lock held.
bool full_screen_mode();

// The input panel: requests are recorded; no panel ever shows here.
constexpr int SIP_UP = 0;
constexpr int SIP_DOWN = 1;
bool sh_sip_preference(HWND window, int request);
int last_sip_request();  // -1 before any request

// Display escapes: none is supported (query answers 0), so the display counts as on.
constexpr int QUERYESCSUPPORT = 8;
constexpr int SETPOWERMANAGEMENT = 6147;
constexpr int GETPOWERMANAGEMENT = 6148;
int ext_escape(HDC dc, int escape, int input_size, const void* input, int output_size, void* output);

// A run-time change of the screen's size: the framebuffer is made anew and
// every top-level window of the process gets WM_SETTINGCHANGE with wparam
// SETTINGCHANGE_RESET (sent, so each has placed itself on return). The size
// it already has changes nothing and tells no one; a refused size (see
// resize_screen) answers false and tells no one either.
constexpr WPARAM SETTINGCHANGE_RESET = 12290;
bool set_screen_size(int width, int height);

} // namespace plat
