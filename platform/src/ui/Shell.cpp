#include "plat/Errors.h"
#include "plat/System.h"
#include "plat/Window.h"
#include "ui/WindowManager.h"

#include <map>
#include <mutex>
#include <vector>

// The shell's switches: which top-level windows hide the task bar, and the
// last input-panel request. The window manager is never called with this
// state's lock held, since it may ask for the work area under its own.
namespace plat {
namespace {

struct ShellState {
    std::mutex mutex;
    std::map<HWND, bool> hides_task_bar;  // by top-level window
    int last_sip_request = -1;
};

ShellState& state() {
    static auto* s = new ShellState;
    return *s;
}

// Forgets windows that are gone, so a later window never inherits their switch.
void forget_destroyed_windows() {
    std::vector<HWND> known;
    {
        std::lock_guard lock(state().mutex);
        for (const auto& entry : state().hides_task_bar)
            known.push_back(entry.first);
    }
    std::vector<HWND> gone;
    for (HWND window : known)
        if (!is_window(window))
            gone.push_back(window);
    std::lock_guard lock(state().mutex);
    for (HWND window : gone)
        state().hides_task_bar.erase(window);
}

} // namespace

bool sh_full_screen(HWND window, uint32_t flags) {
    HWND top = ui::top_level_of(window);
    if (!top) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    const bool hide = flags & SHFS_HIDETASKBAR;
    const bool show = flags & SHFS_SHOWTASKBAR;
    if (hide && show) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    // The input-panel button and the start icon are never drawn here.
    if (!hide && !show)
        return true;
    forget_destroyed_windows();
    std::lock_guard lock(state().mutex);
    state().hides_task_bar[top] = hide;
    return true;
}

bool is_full_screen_window(HWND window) {
    HWND top = ui::top_level_of(window);
    if (!top)
        return false;
    std::lock_guard lock(state().mutex);
    auto it = state().hides_task_bar.find(top);
    return it != state().hides_task_bar.end() && it->second;
}

bool full_screen_mode() {
    HWND foreground = get_foreground_window();
    return foreground && is_full_screen_window(foreground);
}

bool sh_sip_preference(HWND window, int request) {
    if (request != SIP_UP && request != SIP_DOWN) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!is_window(window)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    std::lock_guard lock(state().mutex);
    state().last_sip_request = request;
    return true;
}

int last_sip_request() {
    std::lock_guard lock(state().mutex);
    return state().last_sip_request;
}

} // namespace plat
