#include "plat/Errors.h"
#include "plat/Input.h"
#include "plat/Window.h"
#include "ui/WindowManager.h"
#include "ui/WindowTable.h"

#include <mutex>

// Focus, activation and capture: one of each per process, as the device has
// one input queue here. State changes under the table's lock; the messages
// that announce them are sent after it is released.
namespace plat {
namespace ui {
namespace {

// The window that set_focus is about to focus while it activates that
// window's top-level window, so the default activation does not take the
// focus first.
thread_local HWND t_focus_target = nullptr;

HWND change_focus(HWND hwnd) {
    HWND old = nullptr;
    {
        std::lock_guard lock(table().mutex);
        old = table().focus;
        if (old == hwnd)
            return old;
        table().focus = hwnd;
    }
    if (old)
        send_message(old, WM_KILLFOCUS, WPARAM(hwnd), 0);
    if (hwnd)
        send_message(hwnd, WM_SETFOCUS, WPARAM(old), 0);
    return old;
}

} // namespace

void activate(HWND hwnd, WPARAM how) {
    HWND old = nullptr;
    {
        std::lock_guard lock(table().mutex);
        WindowEntry* w = find(hwnd);
        if (hwnd && (!w || w->parent || !w->enabled_flag() || w->destroying))
            return;
        old = table().active;
        if (old == hwnd)
            return;
        table().active = hwnd;
    }
    if (old)
        send_message(old, WM_ACTIVATE, WA_INACTIVE, LPARAM(hwnd));
    if (hwnd)
        send_message(hwnd, WM_ACTIVATE, how, LPARAM(old));
    // A winner that kept the focus elsewhere leaves none in the window that lost.
    bool stray = false;
    {
        std::lock_guard lock(table().mutex);
        WindowTable& t = table();
        stray = t.focus && !within(t.focus, t.active) && !within(t_focus_target, t.active);
    }
    if (stray)
        change_focus(nullptr);
}

void default_activate(HWND hwnd, WPARAM wparam) {
    if ((wparam & 0xFFFF) == WA_INACTIVE)
        return;
    {
        std::lock_guard lock(table().mutex);
        if (within(table().focus, hwnd) || within(t_focus_target, hwnd) || !accepts_input_locked(hwnd))
            return;
    }
    change_focus(hwnd);
}

void window_leaving(HWND hwnd) {
    bool was_active = false, focus_inside = false;
    HWND next = nullptr, focus_to = nullptr;
    {
        std::lock_guard lock(table().mutex);
        WindowTable& t = table();
        WindowEntry* w = find(hwnd);
        if (!w)
            return;
        was_active = t.active == hwnd;
        focus_inside = within(t.focus, hwnd);
        if (was_active)
            next = next_to_activate(hwnd);
        else if (focus_inside && w->parent && accepts_input_locked(w->parent) && visible_locked(w->parent))
            focus_to = w->parent;
    }
    if (was_active)
        activate(next, WA_ACTIVE);
    else if (focus_inside)
        change_focus(focus_to);
}

} // namespace ui

using ui::find;
using ui::find_or_fail;
using ui::table;

HWND set_focus(HWND hwnd) {
    if (!hwnd)
        return ui::change_focus(nullptr);
    HWND top = nullptr;
    {
        std::lock_guard lock(table().mutex);
        if (!find_or_fail(hwnd) || !ui::accepts_input_locked(hwnd))
            return nullptr;
        top = ui::top_of(hwnd);
        if (table().active == top)
            top = nullptr;
    }
    if (top) {
        ui::t_focus_target = hwnd;
        ui::activate(top, WA_ACTIVE);
        ui::t_focus_target = nullptr;
    }
    return ui::change_focus(hwnd);
}

HWND get_focus() {
    std::lock_guard lock(table().mutex);
    return table().focus;
}

HWND set_active_window(HWND hwnd) {
    HWND old = nullptr, top = nullptr;
    {
        std::lock_guard lock(table().mutex);
        if (!find_or_fail(hwnd))
            return nullptr;
        top = ui::top_of(hwnd);
        old = table().active;
    }
    ui::activate(top, WA_ACTIVE);
    return old;
}

HWND get_active_window() {
    std::lock_guard lock(table().mutex);
    return table().active;
}

bool set_foreground_window(HWND hwnd) {
    HWND top = nullptr;
    {
        std::lock_guard lock(table().mutex);
        if (!find_or_fail(hwnd))
            return false;
        top = ui::top_of(hwnd);
        if (!find(top)->enabled_flag())
            return false;
        ui::restack_locked(top, HWND_TOP);
    }
    ui::activate(top, WA_ACTIVE);
    return true;
}

HWND get_foreground_window() { return get_active_window(); }

HWND set_capture(HWND hwnd) {
    if (!hwnd) {
        HWND old = get_capture();
        release_capture();
        return old;
    }
    HWND old = nullptr;
    {
        std::lock_guard lock(table().mutex);
        if (!find_or_fail(hwnd))
            return nullptr;
        old = table().capture;
        table().capture = hwnd;
    }
    if (old && old != hwnd)
        send_message(old, WM_CAPTURECHANGED, 0, LPARAM(hwnd));
    return old;
}

bool release_capture() {
    HWND old = nullptr;
    {
        std::lock_guard lock(table().mutex);
        old = table().capture;
        table().capture = nullptr;
    }
    // The holder hears of its own release too.
    if (old)
        send_message(old, WM_CAPTURECHANGED, 0, 0);
    return true;
}

HWND get_capture() {
    std::lock_guard lock(table().mutex);
    return table().capture;
}

namespace ui {

void activate_for_pointer(HWND hwnd) {
    HWND top = nullptr;
    {
        std::lock_guard lock(table().mutex);
        top = top_of(hwnd);
        WindowEntry* w = find(top);
        if (!w || table().active == top || !w->enabled_flag() || !accepts_input_locked(hwnd))
            return;
        restack_locked(top, HWND_TOP);
    }
    activate(top, WA_CLICKACTIVE);
}

} // namespace ui
} // namespace plat
