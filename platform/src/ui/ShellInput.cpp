#include "ui/ShellInput.h"

#include "plat/Clock.h"
#include "plat/Menu.h"
#include "plat/MessageBox.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "plat/Window.h"
#include "ui/Keyboard.h"
#include "ui/MenuBar.h"
#include "ui/MenuTracker.h"
#include "ui/Presenter.h"
#include "ui/TitleOk.h"
#include "ui/WindowManager.h"

#include <cstdio>
#include <mutex>

namespace plat::ui {
namespace {

// Who gets the rest of a press: the shell keeps what it took from its start.
enum class PointerOwner { none, menu, bar, ok };

struct PointerState {
    std::mutex mutex;
    PointerOwner owner = PointerOwner::none;
    HWND target = nullptr;
};

PointerState& pointer() {
    static auto* s = new PointerState;
    return *s;
}

void queue_for(HWND target, uint32_t message, WPARAM wparam, LPARAM lparam) {
    queue_input(MSG{target, message, wparam, lparam, tick_count()});
}

uint32_t pointer_message(PointerEvent event) {
    switch (event) {
    case PointerEvent::down: return WM_LBUTTONDOWN;
    case PointerEvent::up: return WM_LBUTTONUP;
    default: return WM_MOUSEMOVE;
    }
}

} // namespace

void install_shell_menus() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    set_bottom_band_painter(&MenuBar::paint_band);
    // The hooks run inside the wait hooks, so they post the work.
    ScriptMenuHooks hooks;
    hooks.soft = [](int key) {
        if (HWND bar = MenuBar::current())
            post_message(bar, bar_soft_key_message, WPARAM(key), 0);
        else
            std::fprintf(stderr, "soft %d: no menu bar is shown; skipped\n", key);
    };
    hooks.choose = [](int entry) {
        if (HWND menu = MenuTracker::window())
            post_message(menu, menu_choose_message, WPARAM(entry), 0);
        else
            std::fprintf(stderr, "choose %d: no popup menu is open; skipped\n", entry);
    };
    set_script_menu_hooks(std::move(hooks));
}

bool shell_takes_key(uint32_t vk, bool down, bool was_down) {
    const LPARAM lparam = down ? key_repeat_count_one | (was_down ? KEY_PREVIOUS_DOWN : 0)
                               : key_repeat_count_one | KEY_PREVIOUS_DOWN | KEY_TRANSITION_UP;
    const uint32_t message = down ? WM_KEYDOWN : WM_KEYUP;
    if (HWND menu = MenuTracker::window()) {
        queue_for(menu, message, vk, lparam);
        return true;
    }
    const bool soft = vk == left_soft_key || vk == right_soft_key;
    if (!soft && vk != VK_ESCAPE)
        return false;
    HWND bar = MenuBar::current();
    if (!bar || !MenuBar::takes_input(bar))
        return false;
    if (soft) {
        // The older shell has no soft keys: its bar takes taps only.
        if (screen_profile().platform == PlatformType::pocketpc_old)
            return false;
        queue_for(bar, message, vk, lparam);
        return true;
    }
    const uint32_t flags = MenuBar::back_key_flags(bar);
    if (!flags)
        return false;
    if (flags & SHMBOF_NOTIFY)
        queue_for(MenuBar::owner_of(bar), WM_HOTKEY, HOTKEY_ID_BACK, back_key_lparam(!down));
    return true;
}

bool shell_takes_pointer(PointerEvent event, POINT screen) {
    PointerState& s = pointer();
    std::lock_guard lock(s.mutex);
    const LPARAM at = point_lparam(screen.x, screen.y);
    if (HWND menu = MenuTracker::window()) {
        // Input goes to the menu; a press that began before it opened ends there unseen.
        if (event == PointerEvent::down)
            s.owner = PointerOwner::menu;
        if (event != PointerEvent::move || s.owner == PointerOwner::menu)
            queue_for(menu, pointer_message(event), event == PointerEvent::up ? 0 : MK_LBUTTON, at);
        if (event == PointerEvent::up)
            s.owner = PointerOwner::none;
        return true;
    }
    if (event == PointerEvent::down) {
        s.owner = PointerOwner::none;
        if (HWND window = TitleOk::shown_for(); window && TitleOk::place().contains(screen.x, screen.y)) {
            s.owner = PointerOwner::ok;
            s.target = window;
            return true;
        }
        HWND bar = full_screen_mode() ? nullptr : MenuBar::current();
        if (bar && bottom_band_rect().contains(screen.x, screen.y)) {
            s.owner = PointerOwner::bar;
            s.target = bar;
            if (MenuBar::takes_input(bar))
                queue_for(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
            return true;
        }
        return false;
    }
    const PointerOwner owner = s.owner;
    if (event == PointerEvent::up)
        s.owner = PointerOwner::none;
    switch (owner) {
    case PointerOwner::ok:
        if (event == PointerEvent::up && TitleOk::shown_for() == s.target &&
            TitleOk::place().contains(screen.x, screen.y))
            queue_for(s.target, WM_COMMAND, WPARAM(IDOK), 0);
        return true;
    case PointerOwner::bar:
        if (event == PointerEvent::up && MenuBar::takes_input(s.target))
            queue_for(s.target, WM_LBUTTONUP, 0, at);
        return true;
    case PointerOwner::menu:
        return true;  // the menu closed during the press
    default:
        return false;
    }
}

} // namespace plat::ui
