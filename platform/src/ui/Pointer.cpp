#include "ui/Pointer.h"

#include "plat/Clock.h"
#include "plat/UiTest.h"
#include "plat/Window.h"
#include "ui/ShellInput.h"
#include "ui/WindowManager.h"
#include "ui/WindowTable.h"

#include <algorithm>
#include <cstdlib>

namespace plat::ui {
namespace {

uint32_t class_style(HWND window) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(window);
    return w ? w->window_class->window_class.style : 0;
}

bool same_point(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

// The window that gets the pointer at a screen point, null when none may.
HWND target_at(POINT screen) {
    HWND target = get_capture();
    if (!target)
        target = window_from_point(screen);
    return target && accepts_input(target) ? target : nullptr;
}

LPARAM client_lparam(HWND window, POINT screen) {
    screen_to_client(window, screen);
    return point_lparam(screen.x, screen.y);
}

void queue_for(HWND target, uint32_t message, WPARAM wparam, LPARAM lparam) {
    queue_input(MSG{target, message, wparam, lparam, tick_count()});
}

} // namespace

Pointer& Pointer::instance() {
    static auto* pointer = new Pointer;  // never destroyed: other threads may still point at exit
    return *pointer;
}

void Pointer::move(POINT screen) {
    if (shell_takes_pointer(PointerEvent::move, screen))
        return;
    HWND target = target_at(screen);
    if (!target)
        return;
    bool down = false;
    {
        std::lock_guard lock(mutex_);
        down = button_down_;
    }
    queue_for(target, WM_MOUSEMOVE, down ? MK_LBUTTON : 0, client_lparam(target, screen));
}

// Caller holds the mutex.
bool Pointer::is_double_click(const Press& press) const {
    return last_press_.window == press.window && press.time - last_press_.time <= double_click_ms &&
           std::abs(press.screen.x - last_press_.screen.x) <= double_click_distance &&
           std::abs(press.screen.y - last_press_.screen.y) <= double_click_distance;
}

void Pointer::down(POINT screen, bool right_click) {
    HWND target = target_at(screen);
    {
        std::lock_guard lock(mutex_);
        button_down_ = true;
        if (!target)
            last_press_ = Press{};
    }
    if (shell_takes_pointer(PointerEvent::down, screen))
        return;
    if (!target)
        return;
    activate_for_pointer(target);
    LPARAM lparam = client_lparam(target, screen);
    POINT client = lparam_point(lparam);
    bool wants_double_clicks = (class_style(target) & CS_DBLCLKS) != 0;
    bool double_click = false;
    {
        std::lock_guard lock(mutex_);
        Press press{target, screen, tick_count()};
        // The newest press at a point decides what the recogniser hears about it.
        std::erase_if(right_clicks_,
                      [&](const RightClick& r) { return r.window == target && same_point(r.client, client); });
        if (right_click) {
            if (right_clicks_.size() == max_pending_right_clicks)
                right_clicks_.erase(right_clicks_.begin());
            right_clicks_.push_back(RightClick{target, client});
            last_press_ = Press{};
        } else if (wants_double_clicks && is_double_click(press)) {
            double_click = true;
            last_press_ = Press{};  // a third press is a plain one again
        } else {
            last_press_ = press;
        }
    }
    queue_for(target, double_click ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, lparam);
}

void Pointer::up(POINT screen) {
    {
        std::lock_guard lock(mutex_);
        button_down_ = false;
    }
    if (shell_takes_pointer(PointerEvent::up, screen))
        return;
    if (HWND target = target_at(screen))
        queue_for(target, WM_LBUTTONUP, 0, client_lparam(target, screen));
}

void Pointer::wheel(POINT screen, int notches) {
    HWND target = get_focus();
    if (!target)
        target = window_from_point(screen);
    if (!target || !accepts_input(target))
        return;
    int64_t delta = std::clamp<int64_t>(int64_t(notches) * WHEEL_DELTA, INT16_MIN, INT16_MAX);
    WPARAM buttons = 0;
    {
        std::lock_guard lock(mutex_);
        buttons = button_down_ ? MK_LBUTTON : 0;
    }
    WPARAM wparam = WPARAM(uint16_t(int16_t(delta))) << 16 | buttons;
    queue_for(target, WM_MOUSEWHEEL, wparam, point_lparam(screen.x, screen.y));
}

bool Pointer::take_right_click(HWND window, POINT client) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(right_clicks_.begin(), right_clicks_.end(), [&](const RightClick& r) {
        return r.window == window && same_point(r.client, client);
    });
    if (it == right_clicks_.end())
        return false;
    right_clicks_.erase(it);
    return true;
}

} // namespace plat::ui

namespace plat {

void inject_pointer_move(int32_t x, int32_t y) { ui::Pointer::instance().move(POINT{x, y}); }
void inject_pointer_down(int32_t x, int32_t y) { ui::Pointer::instance().down(POINT{x, y}, false); }
void inject_pointer_up(int32_t x, int32_t y) { ui::Pointer::instance().up(POINT{x, y}); }

void inject_right_click(int32_t x, int32_t y) {
    ui::Pointer::instance().down(POINT{x, y}, true);
    ui::Pointer::instance().up(POINT{x, y});
}

void inject_wheel(int32_t x, int32_t y, int notches) { ui::Pointer::instance().wheel(POINT{x, y}, notches); }

} // namespace plat
