#pragma once
#include "plat/Errors.h"
#include "plat/Gdi.h"
#include "plat/Messages.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Window classes and windows. A window belongs to the thread that created it:
// its posted messages, sent messages and timers go to that thread's queue.
// Its procedure can be replaced (subclassing). Top-level windows lie in
// screen coordinates, children in their parent's client coordinates; there
// is no non-client area, so the client rectangle is the window's own size.
namespace plat {

// Class styles.
constexpr uint32_t CS_VREDRAW = 0x0001;
constexpr uint32_t CS_HREDRAW = 0x0002;
constexpr uint32_t CS_DBLCLKS = 0x0008;

// Window styles.
constexpr uint32_t WS_OVERLAPPED = 0x00000000;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_CHILD = 0x40000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_DISABLED = 0x08000000;
constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000;
constexpr uint32_t WS_CLIPCHILDREN = 0x02000000;
constexpr uint32_t WS_CAPTION = 0x00C00000;
constexpr uint32_t WS_BORDER = 0x00800000;
constexpr uint32_t WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_GROUP = 0x00020000;
constexpr uint32_t WS_TABSTOP = 0x00010000;
constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080;

// Default position or size for create_window.
constexpr int32_t CW_USEDEFAULT = INT32_MIN;

// Indexes of get_window_long / set_window_long.
constexpr int GWL_ID = -12;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_USERDATA = -21;

// A class background: a solid colour as background_brush(colour); 0 leaves
// WM_ERASEBKGND to the window (the default procedure then answers 0).
constexpr std::uintptr_t background_brush(uint32_t colour) { return std::uintptr_t(colour) + 1; }

struct WindowClass {
    uint32_t style = 0;
    WNDPROC procedure = nullptr;
    void* instance = nullptr;
    std::uintptr_t icon = 0;
    std::uintptr_t cursor = 0;
    std::uintptr_t background = 0;
    std::wstring name;
};

// What WM_NCCREATE and WM_CREATE carry in lparam (a pointer to it).
struct CreateStruct {
    void* create_params = nullptr;
    void* instance = nullptr;
    std::uintptr_t menu = 0;
    HWND parent = nullptr;
    int32_t height = 0, width = 0, y = 0, x = 0;
    uint32_t style = 0;
    std::wstring_view name;
    std::wstring_view class_name;
    uint32_t ex_style = 0;
};

// Class names match ignoring case. Returns the class atom, 0 when the name is
// empty or taken (last error ERROR_CLASS_ALREADY_EXISTS).
uint16_t register_class(const WindowClass& window_class);
// Fails while windows of the class exist.
bool unregister_class(std::wstring_view name);

// Sends WM_NCCREATE (0 fails the creation) then WM_CREATE (-1 fails it).
// parent is the parent of a WS_CHILD window, else the owner.
HWND create_window(uint32_t ex_style, std::wstring_view class_name, std::wstring_view window_name, uint32_t style,
                   int32_t x, int32_t y, int32_t width, int32_t height, HWND parent, std::uintptr_t menu_or_id,
                   void* instance, void* create_params);
// Only the window's own thread may destroy it. Sends WM_DESTROY, destroys its
// children and owned windows, sends WM_NCDESTROY; its timers and the messages
// still queued for it go with it.
bool destroy_window(HWND window);
bool is_window(HWND window);

// The default handling: WM_NCCREATE answers 1, WM_CLOSE destroys the window.
LRESULT def_window_proc(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam);
WNDPROC get_window_proc(HWND window);
// Replaces the procedure and returns the previous one (null for no window).
WNDPROC set_window_proc(HWND window, WNDPROC procedure);
LRESULT call_window_proc(WNDPROC procedure, HWND window, uint32_t message, WPARAM wparam, LPARAM lparam);

std::intptr_t get_window_long(HWND window, int index);
// Returns the previous value.
std::intptr_t set_window_long(HWND window, int index, std::intptr_t value);

int get_window_thread_id(HWND window);
std::wstring get_class_name(HWND window);
std::wstring get_window_text(HWND window);
bool set_window_text(HWND window, std::wstring_view text);
// The parent of a child window; null for a top-level window.
HWND get_parent(HWND window);
// The owner of a top-level window; null for a child or an unowned window.
HWND get_owner(HWND window);

// The built-in class of plain child windows (a combo's drop-down stands on one).
constexpr wchar_t STATIC_CLASS[] = L"STATIC";

// show_window commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// set_window_pos: where in the z-order, and what to leave alone.
inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(std::intptr_t(1));
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(std::intptr_t(-1));
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(std::intptr_t(-2));
constexpr uint32_t SWP_NOSIZE = 0x0001;
constexpr uint32_t SWP_NOMOVE = 0x0002;
constexpr uint32_t SWP_NOZORDER = 0x0004;
constexpr uint32_t SWP_NOREDRAW = 0x0008;
constexpr uint32_t SWP_NOACTIVATE = 0x0010;
constexpr uint32_t SWP_FRAMECHANGED = 0x0020;
constexpr uint32_t SWP_SHOWWINDOW = 0x0040;
constexpr uint32_t SWP_HIDEWINDOW = 0x0080;

// WM_SIZE wparam.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
// WM_ACTIVATE wparam (low word).
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
constexpr WPARAM WA_CLICKACTIVE = 2;

// Geometry. A top-level window created with CW_USEDEFAULT as its width gets
// the work area ("plat/System.h"). Moves send WM_MOVE (client origin) and
// WM_SIZE (width | height << 16) when they change.
bool move_window(HWND window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint);
bool set_window_pos(HWND window, HWND insert_after, int32_t x, int32_t y, int32_t width, int32_t height,
                    uint32_t flags);
bool get_window_rect(HWND window, RECT& rect);  // in screen coordinates
bool get_client_rect(HWND window, RECT& rect);  // (0, 0, width, height)
bool client_to_screen(HWND window, POINT& point);
bool screen_to_client(HWND window, POINT& point);

// Visibility and enabled state. show_window answers whether the window was
// visible before; enable_window whether it was disabled before.
bool show_window(HWND window, int command);
bool is_window_visible(HWND window);  // its own flag and every ancestor's
bool enable_window(HWND window, bool enable);
bool is_window_enabled(HWND window);  // its own flag only, as on the device

// Focus and activation (per process: the device has one input queue here).
// Each answers the previous holder.
HWND set_focus(HWND window);
HWND get_focus();
HWND set_active_window(HWND window);
HWND get_active_window();
bool set_foreground_window(HWND window);
HWND get_foreground_window();
bool bring_window_to_top(HWND window);

// Relations and searches. enum_windows visits the top-level windows, top-most
// first, then those of other processes (see "Between processes" below);
// the visitor answers false to stop.
bool enum_windows(const std::function<bool(HWND)>& visit);
// An empty class name or title matches any.
HWND find_window(std::wstring_view class_name, std::wstring_view title);
bool is_child(HWND parent, HWND window);  // any depth
// The deepest visible child (or the top-level window itself) under a screen
// point; null over no window of this process.
HWND window_from_point(POINT point);

// Between processes: WM_COPYDATA's lparam points to this record; wparam is
// the sending window. Windows of other processes answer get_class_name,
// get_window_text and send_message(WM_COPYDATA) only; a send that the other
// process does not answer within 5 s returns 0 with ERROR_TIMEOUT.
struct COPYDATASTRUCT {
    std::uintptr_t dwData = 0;
    uint32_t cbData = 0;
    const void* lpData = nullptr;
};
constexpr uint32_t max_copy_data_bytes = 64 * 1024;

} // namespace plat
