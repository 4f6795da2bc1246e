#include "plat/Messages.h"

#include "MessageQueue.h"
#include "plat/Clock.h"
#include "plat/Errors.h"
#include "plat/Window.h"

namespace plat {

int current_thread_id() { return own_queue()->thread_id(); }

bool post_thread_message(int thread_id, uint32_t message, WPARAM wparam, LPARAM lparam) {
    std::shared_ptr<MessageQueue> queue = queue_of_thread(thread_id);
    if (!queue || !queue->post(MSG{nullptr, message, wparam, lparam, tick_count()})) {
        set_last_error(ERROR_INVALID_THREAD_ID);
        return false;
    }
    return true;
}

int get_message(MSG& msg, HWND window, uint32_t first, uint32_t last) {
    if (window && window != HWND_THREAD_MESSAGES && !is_window(window)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    own_queue()->take(msg, MessageFilter{window, first, last}, true, true);
    return msg.message == WM_QUIT ? 0 : 1;
}

bool peek_message(MSG& msg, HWND window, uint32_t first, uint32_t last, uint32_t flags) {
    return own_queue()->take(msg, MessageFilter{window, first, last}, (flags & PM_REMOVE) != 0, false);
}

LRESULT dispatch_message(const MSG& msg) {
    return msg.hwnd ? call_window(msg.hwnd, msg.message, msg.wparam, msg.lparam) : 0;
}

void post_quit_message(int exit_code) { own_queue()->request_quit(exit_code); }

} // namespace plat
