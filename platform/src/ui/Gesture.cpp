#include "plat/Clock.h"
#include "plat/Input.h"
#include "plat/Window.h"
#include "ui/Pointer.h"
#include "ui/WindowManager.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

namespace plat {
namespace {

bool is_pointer_message(uint32_t message) { return message >= WM_MOUSEMOVE && message <= WM_LBUTTONDBLCLK; }

// Whether a pointer message lies farther from the press than a hold allows.
bool moved_away(const MSG& msg, HWND window, POINT down) {
    POINT p = lparam_point(msg.lparam);
    client_to_screen(msg.hwnd, p);
    screen_to_client(window, p);
    return std::abs(p.x - down.x) > tap_and_hold_distance || std::abs(p.y - down.y) > tap_and_hold_distance;
}

// A window timer is pending at most once: keep one per (window, id).
void keep_timer(std::vector<MSG>& kept, const MSG& msg) {
    bool already = std::any_of(kept.begin(), kept.end(), [&](const MSG& m) {
        return m.message == WM_TIMER && m.hwnd == msg.hwnd && m.wparam == msg.wparam;
    });
    if (!already)
        kept.push_back(msg);
}

} // namespace

uint32_t recognize_gesture(const SHRGINFO& info) {
    HWND window = info.hwndClient;
    if (!(info.dwFlags & SHRG_RETURNCMD) || !is_window(window))
        return 0;
    if (ui::Pointer::instance().take_right_click(window, info.ptDown)) {
        // The click's release belongs to the context request.
        MSG release;
        peek_message(release, nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE);
        return GN_CONTEXTMENU;
    }

    // Everything taken out while the press is watched goes back in its order,
    // so the window sees the release or move that decided, and all that followed.
    std::vector<MSG> kept;
    std::optional<int> quit_code;
    uint32_t answer = 0;
    uint32_t deadline = tick_count() + tap_and_hold_ms;
    set_timer(window, ui::gesture_timer_id, tap_and_hold_ms);
    for (;;) {
        MSG msg;
        if (get_message(msg, nullptr, 0, 0) == 0) {
            quit_code = int(msg.wparam);
            break;
        }
        if (msg.message == WM_TIMER && msg.hwnd == window && msg.wparam == ui::gesture_timer_id) {
            answer = GN_CONTEXTMENU;
            break;
        }
        if (msg.message == WM_PAINT) {
            dispatch_message(msg);  // made again until painted, so it cannot wait
            continue;
        }
        if (msg.message == WM_TIMER) {
            keep_timer(kept, msg);
            continue;
        }
        kept.push_back(msg);
        if (int32_t(msg.time - deadline) >= 0) {
            answer = GN_CONTEXTMENU;  // came after the press had been held long enough
            break;
        }
        if (is_pointer_message(msg.message) &&
            (msg.message != WM_MOUSEMOVE || moved_away(msg, window, info.ptDown)))
            break;
        if (!is_window(window))
            break;
    }
    kill_timer(window, ui::gesture_timer_id);
    for (auto it = kept.rbegin(); it != kept.rend(); ++it)
        ui::queue_front(*it);
    if (quit_code)
        post_quit_message(*quit_code);
    return answer;
}

} // namespace plat
