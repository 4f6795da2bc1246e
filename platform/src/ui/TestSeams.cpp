#include "MessageQueue.h"
#include "plat/Clock.h"
#include "plat/UiTest.h"

#include <algorithm>

// Running the calling thread's queue without waiting, for tests.
namespace plat {

void run_until_idle() {
    MSG msg;
    while (peek_message(msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The loop that runs next must see it.
            post_quit_message(int(msg.wparam));
            return;
        }
        dispatch_message(msg);
    }
}

void advance_clock_running_timers(uint32_t ms) {
    uint64_t remaining = ms;
    run_until_idle();
    for (;;) {
        int32_t left = 0;
        if (!own_queue()->next_timer(left) || uint64_t(std::max(left, 0)) > remaining || left <= 0) {
            // No timer within the time left (or one that cannot run: a quit is waiting).
            advance_fake_clock(remaining);
            run_until_idle();
            return;
        }
        advance_fake_clock(uint64_t(left));
        remaining -= uint64_t(left);
        run_until_idle();
    }
}

} // namespace plat
