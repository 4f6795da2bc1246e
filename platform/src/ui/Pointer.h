#pragma once
#include "plat/Input.h"

#include <cstdint>
#include <mutex>
#include <vector>

// The device's pointer (one per process): presses, moves and releases go to
// the capture window, else to the window under the point, in its client
// coordinates; windows that do not accept input get nothing. The device has
// one button; a desktop right click stands for a tap-and-hold.
namespace plat::ui {

// Kept presses of right clicks waiting for the recogniser; older ones go first.
constexpr size_t max_pending_right_clicks = 16;
// The recogniser's own timer on the pressed window; no caller uses ids this high.
constexpr std::uintptr_t gesture_timer_id = 0x7E57'0001;

class Pointer {
public:
    static Pointer& instance();

    void move(POINT screen);
    // right_click: a press the recogniser answers at once as a context request.
    void down(POINT screen, bool right_click);
    void up(POINT screen);
    void wheel(POINT screen, int notches);
    // Whether the press of `window` at `client` was a right click; the mark is taken.
    bool take_right_click(HWND window, POINT client);

private:
    struct Press {
        HWND window = nullptr;
        POINT screen;
        uint32_t time = 0;
    };
    struct RightClick {
        HWND window = nullptr;
        POINT client;
    };

    bool is_double_click(const Press& press) const;

    std::mutex mutex_;
    bool button_down_ = false;
    Press last_press_;  // the first press of a possible double click; no window when none
    std::vector<RightClick> right_clicks_;
};

} // namespace plat::ui
