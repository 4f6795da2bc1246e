#include "plat/MessageBox.h"

#include <mutex>

namespace plat {
namespace {

struct MessageBoxState {
    std::mutex mutex;
    MessageBoxHandler handler;
    std::vector<MessageBoxRecord> shown;
};

MessageBoxState& state() {
    static auto* s = new MessageBoxState;
    return *s;
}

} // namespace

const std::vector<int>& message_box_buttons(uint32_t type) {
    static const std::vector<int> buttons[] = {
        {IDOK}, {IDOK, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO}, {IDRETRY, IDCANCEL}};
    uint32_t kind = type & MB_TYPEMASK;
    if (kind >= std::size(buttons))
        kind = MB_OK;
    return buttons[kind];
}

size_t default_message_box_button(uint32_t type) {
    size_t index = (type & MB_DEFMASK) >> 8;
    return index < message_box_buttons(type).size() ? index : 0;
}

int default_message_box_answer(uint32_t type) { return message_box_buttons(type)[default_message_box_button(type)]; }

int message_box(HWND owner, std::wstring_view text, std::wstring_view caption, uint32_t type) {
    MessageBoxHandler handler;
    size_t index = 0;
    {
        // Recorded before it is shown: a fatal report never comes back from it.
        std::lock_guard lock(state().mutex);
        handler = state().handler;
        index = state().shown.size();
        state().shown.push_back(MessageBoxRecord{owner, std::wstring(text), std::wstring(caption), type, 0});
    }
    // The handler may run a loop of its own; no lock is held meanwhile.
    int answer = handler ? handler(owner, text, caption, type) : default_message_box_answer(type);
    std::lock_guard lock(state().mutex);
    state().shown[index].answer = answer;
    return answer;
}

MessageBoxHandler set_message_box_handler(MessageBoxHandler handler) {
    std::lock_guard lock(state().mutex);
    std::swap(state().handler, handler);
    return handler;
}

std::vector<MessageBoxRecord> shown_message_boxes() {
    std::lock_guard lock(state().mutex);
    return state().shown;
}

} // namespace plat
