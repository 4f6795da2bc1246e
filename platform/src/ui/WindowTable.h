#pragma once
#include "MessageQueue.h"
#include "plat/Window.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The process's table of window classes and windows, shared by the window
// calls (Window.cpp), the window manager, painting and focus. Every function
// marked "locked" expects the caller to hold the table's mutex; none of them
// calls a window procedure.
namespace plat::ui {

struct ClassEntry {
    WindowClass window_class;
    uint16_t atom = 0;
};

struct SurfaceDeleter {
    void operator()(Surface* surface) const;
};
using SurfacePtr = std::unique_ptr<Surface, SurfaceDeleter>;

struct WindowEntry {
    std::shared_ptr<const ClassEntry> window_class;
    WNDPROC procedure = nullptr;
    uint32_t style = 0;
    uint32_t ex_style = 0;
    std::wstring text;
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::intptr_t id = 0;
    std::intptr_t user_data = 0;
    std::shared_ptr<MessageQueue> queue;
    bool destroying = false;
    RECT rect;                    // parent client coordinates (screen for a top-level window)
    std::vector<HWND> children;   // top-most first
    RECT update;                  // client coordinates; empty when nothing waits
    bool erase_pending = false;
    SurfacePtr surface;           // top-level windows only

    bool visible_flag() const { return (style & WS_VISIBLE) != 0; }
    bool enabled_flag() const { return (style & WS_DISABLED) == 0; }
    int32_t width() const { return rect.right - rect.left; }
    int32_t height() const { return rect.bottom - rect.top; }
};

struct WindowTable {
    std::mutex mutex;
    std::map<std::wstring, std::shared_ptr<const ClassEntry>> classes;  // by lower-case name
    std::map<HWND, WindowEntry> windows;
    std::vector<HWND> z_order;  // top-level windows, top-most first
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    std::uintptr_t next_handle = 0x10000;
    uint16_t next_atom = 0xC000;
};

WindowTable& table();
// Locked. Null for an unknown (or remote) handle.
WindowEntry* find(HWND window);
// Locked. Null for an unknown handle, setting ERROR_INVALID_WINDOW_HANDLE.
WindowEntry* find_or_fail(HWND window);
// Locked. The top-level window of a window (itself for a top-level one).
HWND top_of(HWND window);
// Locked. Visible with every ancestor.
bool visible_locked(HWND window);
// Locked. Enabled with every ancestor.
bool accepts_input_locked(HWND window);
// Locked. Whether `window` is `ancestor` or lies inside it.
bool within(HWND window, HWND ancestor);
// Locked. The offset of a window's client origin inside its top-level window,
// and the part of its client area its ancestors leave visible (client coordinates).
POINT offset_in_top(HWND window);
RECT visible_client(HWND window);
// Locked. The next top-level window to activate when `leaving` stops being
// active: its owner when that can be, else the top-most visible enabled one.
HWND next_to_activate(HWND leaving);

// Moves a top-level window (and those it owns) to the top or bottom of the
// z-order, or just below `after`; owned windows always stay above their owner.
void restack_locked(HWND window, HWND after);

// A top-level window's surface made anew at its size, keeping what overlaps. Locked.
void resize_surface_locked(WindowEntry& window);

// Invalidates a window's rectangle (client coordinates, clipped to it) and
// the same area of its visible children; answers the queue to wake. Locked.
std::shared_ptr<MessageQueue> invalidate_locked(HWND window, const RECT& rect, bool erase);

// Window manager steps that send messages; the table must not be held.
void activate(HWND window, WPARAM how);    // WA_ACTIVE or WA_CLICKACTIVE; null deactivates
void window_leaving(HWND window);          // hidden or about to be destroyed: focus and activation move
// The default procedure's steps: the class brush over the client area
// (false without one); on activation the focus comes to the window.
bool erase_with_class_brush(HWND window, HDC dc);
void default_activate(HWND window, WPARAM wparam);

} // namespace plat::ui
