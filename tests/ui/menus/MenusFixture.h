#pragma once
#include "TempRoot.h"
#include "plat/Clock.h"
#include "plat/Input.h"
#include "plat/Menu.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "plat/UiTest.h"
#include "plat/Window.h"
#include "ui/MenuBar.h"
#include "ui/MenuTracker.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <vector>

// A form filling the work area that writes down the shell's messages it
// gets; a test adds behaviour through g_react. The clock is frozen.
namespace menus_test {

using namespace plat;

struct Seen {
    HWND hwnd = nullptr;
    uint32_t message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    bool operator==(const Seen&) const = default;
};
inline void PrintTo(const Seen& s, std::ostream* os) {
    *os << s.hwnd << " 0x" << std::hex << s.message << " " << s.wparam << " " << s.lparam << std::dec;
}

inline std::vector<Seen> g_seen;
inline std::function<void(HWND, uint32_t, WPARAM, LPARAM)> g_react;

inline LRESULT form_proc(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_KEYDOWN: case WM_KEYUP: case WM_COMMAND: case WM_INITMENUPOPUP: case WM_HOTKEY: case WM_TIMER:
        g_seen.push_back(Seen{hwnd, message, wparam, lparam});
        if (g_react)
            g_react(hwnd, message, wparam, lparam);
        return 0;
    default:
        return def_window_proc(hwnd, message, wparam, lparam);
    }
}

using Step = std::function<void()>;

class Menus : public testing::Test {
protected:
    void TearDown() override {
        g_react = nullptr;
        if (form)
            destroy_window(form);  // with its bars and children
        unregister_class(L"Form");
        run_until_idle();
        g_seen.clear();
    }
    // Each test picks its device first.
    void start(const char* screen, const char* platform) {
        set_screen_profile(make_screen_profile(screen, platform));
        set_fake_clock(SystemTime{2026, 3, 0, 2, 9, 5, 0, 0}, false);
        register_class(WindowClass{0, &form_proc, nullptr, 0, 0, 0, L"Form"});
        form = create_window(0, L"Form", L"Alarms", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, 0,
                             nullptr, nullptr);
        ASSERT_TRUE(form);
        set_foreground_window(form);
        set_focus(form);
        run_until_idle();
        g_seen.clear();
    }
    static HWND bar_for(HWND owner, uint32_t template_id) {
        MenuBarInfo info;
        info.owner = owner;
        info.template_id = template_id;
        EXPECT_TRUE(create_menu_bar(info));
        return info.bar;
    }
    // Runs `action`, taking one step each time an open menu's loop waits; a
    // quit ends a menu that is still open when the steps run out.
    void with_steps(std::vector<Step> steps, const std::function<void()>& action) {
        auto script = std::make_shared<std::vector<Step>>(std::move(steps));
        auto next = std::make_shared<size_t>(0);
        ran_out = false;
        auto step = [this, script, next] {
            if (!ui::MenuTracker::running())
                return;
            if (*next < script->size())
                (*script)[(*next)++]();
            else if (!ran_out) {
                ran_out = true;
                post_quit_message(99);
            }
        };
        ui::set_wait_hooks({step, step, 1});
        action();
        ui::set_wait_hooks({});
        EXPECT_FALSE(ran_out) << "a menu stayed open";
    }
    static POINT centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    static void tap(POINT p) {
        inject_pointer_down(p.x, p.y);
        inject_pointer_up(p.x, p.y);
    }
    static Step tap_entry(size_t level, size_t entry) {
        return [level, entry] { tap(centre(ui::MenuTracker::running()->entry_screen_rect(level, entry))); };
    }
    static Step press(uint32_t key) {
        return [key] { inject_key_press(key); };
    }
    static RECT button_rect(HWND bar, size_t index) { return ui::MenuBar::lay_out(bar, ui::bottom_band_rect())[index]; }
    static std::vector<uint32_t> messages() {
        std::vector<uint32_t> out;
        for (const Seen& s : g_seen)
            out.push_back(s.message);
        return out;
    }

    HWND form = nullptr;
    bool ran_out = false;
};

} // namespace menus_test
