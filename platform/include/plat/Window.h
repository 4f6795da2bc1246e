#pragma once
#include "plat/Messages.h"

#include <cstdint>
#include <string>
#include <string_view>

// Window classes and windows. A window belongs to the thread that created it:
// its posted messages, sent messages and timers go to that thread's queue.
// Its procedure can be replaced (subclassing); nothing is drawn here.
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

} // namespace plat
