#include "ui/Keyboard.h"

#include "plat/Clock.h"
#include "plat/UiTest.h"
#include "plat/Window.h"
#include "ui/ShellInput.h"
#include "ui/WindowManager.h"

#include <algorithm>

namespace plat::ui {
namespace {

constexpr uint32_t VK_9 = VK_0 + 9;
constexpr uint32_t VK_Z = VK_A + 25;
constexpr wchar_t lower_case_offset = L'a' - L'A';
constexpr uint32_t last_bmp_character = 0xFFFF;
constexpr uint32_t first_surrogate = 0xD800, last_surrogate = 0xDFFF;
constexpr uint32_t last_character = 0x10FFFF;
constexpr wchar_t replacement_character = 0xFFFD;
constexpr wchar_t first_printable = L' ';

bool in(uint32_t value, uint32_t first, uint32_t last) { return value >= first && value <= last; }

// Code points that are no character (lone surrogate halves, past the last plane).
wchar_t valid_character(wchar_t c) {
    uint32_t v = uint32_t(c);
    return in(v, first_surrogate, last_surrogate) || v > last_character ? replacement_character : c;
}

void queue_for(HWND target, uint32_t message, WPARAM wparam, LPARAM lparam) {
    queue_input(MSG{target, message, wparam, lparam, tick_count()});
}

// The character a key-down types with the modifiers as the calling thread sees them; 0 for none.
wchar_t character_of(uint32_t vk) {
    auto held = [](uint32_t key) { return get_key_state(key) < 0; };
    // Control and Alt combinations type nothing on the device's keyboard.
    if (held(VK_CONTROL) || held(VK_MENU))
        return 0;
    switch (vk) {
    case VK_BACK: case VK_TAB: case VK_RETURN: case VK_ESCAPE: case VK_SPACE:
        return wchar_t(vk);  // their characters share the key's number
    default:
        break;
    }
    if (in(vk, VK_0, VK_9))
        return wchar_t(vk);
    if (in(vk, VK_A, VK_Z))
        return held(VK_SHIFT) ? wchar_t(vk) : wchar_t(vk) + lower_case_offset;
    return 0;
}

} // namespace

bool is_device_key(uint32_t vk) {
    switch (vk) {
    case VK_BACK: case VK_TAB: case VK_RETURN: case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_ESCAPE:
    case VK_SPACE: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP:
    case VK_RIGHT: case VK_DOWN: case VK_INSERT: case VK_DELETE: case VK_APPS:
        return true;
    default:
        return in(vk, VK_0, VK_9) || in(vk, VK_A, VK_Z) || in(vk, VK_F1, VK_F12);
    }
}

HWND key_target() {
    HWND target = get_focus();
    if (!target)
        target = get_active_window();
    return target && accepts_input(target) ? target : nullptr;
}

Keyboard& Keyboard::instance() {
    static auto* keyboard = new Keyboard;  // never destroyed: other threads may still type at exit
    return *keyboard;
}

void Keyboard::key(uint32_t vk, bool down, bool text_apart) {
    if (!is_device_key(vk))
        return;
    bool was_down = false, alt = false;
    {
        std::lock_guard lock(mutex_);
        was_down = held_[vk];
        alt = held_[VK_MENU] || vk == VK_MENU;
        held_[vk] = down;
    }
    if (shell_takes_key(vk, down, was_down))
        return;
    HWND target = key_target();
    if (!target)
        return;
    const LPARAM apart = text_apart ? key_text_comes_apart : 0;
    if (down) {
        // A held key repeats its key-down, marked as already down, with no key-up between.
        LPARAM lparam = key_repeat_count_one | (was_down ? KEY_PREVIOUS_DOWN : 0) | apart;
        queue_for(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lparam);
    } else {
        LPARAM lparam = key_repeat_count_one | KEY_PREVIOUS_DOWN | KEY_TRANSITION_UP | apart;
        queue_for(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, lparam);
    }
}

bool Keyboard::held(uint32_t vk) const {
    std::lock_guard lock(mutex_);
    return vk < key_count && held_[vk];
}

void Keyboard::text(std::wstring_view text, bool compose) {
    if (text.empty())
        return;
    HWND target = key_target();
    if (!target)
        return;
    std::wstring checked(text);
    std::transform(checked.begin(), checked.end(), checked.begin(), valid_character);
    compose = compose || std::any_of(checked.begin(), checked.end(),
                                     [](wchar_t c) { return uint32_t(c) > last_bmp_character; });
    if (!compose) {
        for (wchar_t c : checked)
            queue_for(target, WM_CHAR, WPARAM(c), key_repeat_count_one);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        results_[target] = std::move(checked);
    }
    queue_for(target, WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
}

std::wstring Keyboard::composition_result(HWND window) const {
    std::lock_guard lock(mutex_);
    auto it = results_.find(window);
    return it == results_.end() ? std::wstring() : it->second;
}

} // namespace plat::ui

namespace plat {

int16_t get_key_state(uint32_t vk) {
    // Key messages still waiting in the thread's queue have not happened yet for it.
    bool held = false;
    if (!ui::queued_key_state(vk, held))
        held = ui::Keyboard::instance().held(vk);
    return held ? INT16_MIN : 0;
}

int16_t get_async_key_state(uint32_t vk) {
    return ui::Keyboard::instance().held(vk) ? INT16_MIN : 0;
}

bool translate_message(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !msg.hwnd)
        return false;  // WM_SYSKEYDOWN: Alt is held, which types nothing
    const wchar_t c = ui::character_of(uint32_t(msg.wparam));
    if (!c || (c >= ui::first_printable && (msg.lparam & ui::key_text_comes_apart)))
        return false;
    ui::queue_front(MSG{msg.hwnd, WM_CHAR, WPARAM(c), msg.lparam, msg.time});
    return true;
}

std::wstring get_composition_result(HWND window) {
    return ui::Keyboard::instance().composition_result(window);
}

void inject_key(uint32_t vk, bool down) { ui::Keyboard::instance().key(vk, down); }

void inject_key_press(uint32_t vk) {
    inject_key(vk, true);
    inject_key(vk, false);
}

void inject_text(std::wstring_view text) { ui::Keyboard::instance().text(text, false); }

void inject_composition(std::wstring_view text) { ui::Keyboard::instance().text(text, true); }

} // namespace plat
