#pragma once
#include "plat/Input.h"

#include <bitset>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

// The device keyboard: which keys are held, where key messages and typed
// text go, and which character a key types. The device has one keyboard per
// process, so its live state is shared by every thread. A thread reads the
// state as of the key messages it has taken (get_key_state): while it handles
// a key, the modifiers are as they were when that key went down, however
// quickly the user let go of them since.
namespace plat::ui {

// Key message lparam: every message stands for one key stroke.
constexpr LPARAM key_repeat_count_one = 1;
// Key message lparam bit that the device leaves unused: the window system
// sends this key's characters as text of their own (layout, dead keys and
// input methods applied), so its translation types only the control
// characters of Backspace, Tab, Enter and Escape.
constexpr LPARAM key_text_comes_apart = LPARAM(1) << 25;
constexpr uint32_t key_count = 256;

class Keyboard {
public:
    static Keyboard& instance();

    // Queues WM_KEYDOWN/WM_KEYUP (WM_SYS* while Alt is held) for the focus
    // window, else the active window; keys the device does not have are dropped.
    // text_apart: the key's characters follow as text (key_text_comes_apart).
    void key(uint32_t virtual_key, bool down, bool text_apart = false);
    // The live state, as the keyboard is now.
    bool held(uint32_t virtual_key) const;
    // WM_CHAR per character when all of them are in the Basic Multilingual
    // Plane (and compose is false), else one composition.
    void text(std::wstring_view text, bool compose);
    std::wstring composition_result(HWND window) const;

private:
    mutable std::mutex mutex_;
    std::bitset<key_count> held_;
    std::map<HWND, std::wstring> results_;  // the last composition of each window
};

// The device's keys: arrows, editing and navigation keys, modifiers, letters,
// digits and function keys.
bool is_device_key(uint32_t virtual_key);

// Where keys and text go: the focus window, else the active window, else
// nowhere (nor to a window that takes no input).
HWND key_target();

} // namespace plat::ui
