#include "plat/Clipboard.h"

#include "plat/Errors.h"
#include "plat/Presenter.h"
#include "plat/Text.h"

#include <SDL.h>

#include <mutex>

namespace plat {
namespace {

struct ClipboardState {
    std::mutex mutex;
    bool open = false;
    std::wstring text;  // headless only
};

ClipboardState& state() {
    static auto* s = new ClipboardState;  // never destroyed: other threads may copy at exit
    return *s;
}

bool on_desktop() { return presenter_kind() == PresenterKind::sdl; }

// The device's clipboard text is zero-terminated, and so is SDL's.
std::wstring_view up_to_zero(std::wstring_view text) { return text.substr(0, text.find(L'\0')); }

// Locked by the caller.
bool store(std::wstring_view text) {
    if (!on_desktop()) {
        state().text = text;
        return true;
    }
    return SDL_SetClipboardText(to_utf8(text).c_str()) == 0;
}

bool refuse_closed() {
    set_last_error(ERROR_ACCESS_DENIED);
    return false;
}

} // namespace

bool open_clipboard(HWND) {
    std::lock_guard lock(state().mutex);
    if (state().open)
        return refuse_closed();
    state().open = true;
    return true;
}

bool close_clipboard() {
    std::lock_guard lock(state().mutex);
    if (!state().open)
        return refuse_closed();
    state().open = false;
    return true;
}

bool empty_clipboard() {
    std::lock_guard lock(state().mutex);
    return state().open ? store(L"") : refuse_closed();
}

bool set_clipboard_text(std::wstring_view text) {
    std::lock_guard lock(state().mutex);
    return state().open ? store(up_to_zero(text)) : refuse_closed();
}

bool get_clipboard_text(std::wstring& text) {
    text.clear();
    std::lock_guard lock(state().mutex);
    if (!state().open)
        return refuse_closed();
    if (!on_desktop()) {
        text = state().text;
    } else if (SDL_HasClipboardText()) {
        char* utf8 = SDL_GetClipboardText();
        if (utf8)
            text = from_utf8(utf8);
        SDL_free(utf8);
    }
    return !text.empty();
}

} // namespace plat
