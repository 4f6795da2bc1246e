#include "Recorder.h"
#include "plat/Input.h"
#include "plat/UiTest.h"
#include "ui/WindowManager.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

using namespace windows_test;

namespace {

constexpr uint32_t WM_ECHO = WM_USER + 100;      // answers wparam doubled
constexpr uint32_t WM_NESTED = WM_USER + 20;     // runs a loop until WM_END_NESTED
constexpr uint32_t WM_END_NESTED = WM_USER + 21;

class Retrieval : public WindowsTest {
protected:
    void SetUp() override {
        WindowsTest::SetUp();
        g_handlers[WM_ECHO] = [](HWND, WPARAM wparam, LPARAM, LRESULT& result) {
            result = LRESULT(wparam * 2);
            return true;
        };
    }
};

} // namespace

TEST_F(Retrieval, SentThenPostedAndInputThenQuitThenPaintThenTimers) {
    HWND w = make(WS_VISIBLE);
    run_until_idle();
    ASSERT_TRUE(ui::thread_is_idle());
    watch({WM_USER + 1, WM_USER + 2, WM_KEYDOWN, WM_KEYUP, WM_PAINT, WM_TIMER});

    std::thread sender([&] { send_message(w, WM_USER + 2, 0, 0); });
    while (ui::thread_is_idle())  // until the sent message waits
        std::this_thread::yield();
    ASSERT_TRUE(set_timer(w, 1, 10));
    advance_fake_clock(20);
    invalidate_rect(w, nullptr, false);
    post_quit_message(5);
    ui::queue_input(MSG{w, WM_KEYDOWN, VK_A, 0, 0});
    post_message(w, WM_USER + 1, 0, 0);
    ui::queue_input(MSG{w, WM_KEYUP, VK_A, 0, 0});

    std::vector<uint32_t> retrieved;
    MSG msg;
    for (int i = 0; i < 6; ++i) {
        get_message(msg, nullptr, 0, 0);
        retrieved.push_back(msg.message);
        dispatch_message(msg);
    }
    sender.join();
    EXPECT_EQ(retrieved, (std::vector<uint32_t>{WM_KEYDOWN, WM_USER + 1, WM_KEYUP, WM_QUIT, WM_PAINT, WM_TIMER}));
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen[0].message, WM_USER + 2u);  // the sent message, handled before anything was retrieved
}

TEST_F(Retrieval, InputCountsAsPendingAndTheFrontComesFirst) {
    HWND w = make(0);
    ASSERT_TRUE(set_timer(w, 1, 1000));
    EXPECT_TRUE(ui::thread_is_idle());  // a timer not yet due does not count
    ui::queue_input(MSG{w, WM_KEYDOWN, VK_A, 0, 0});
    EXPECT_FALSE(ui::thread_is_idle());
    ui::queue_front(MSG{w, WM_CHAR, L'a', 0, 0});
    MSG msg;
    ASSERT_TRUE(peek_message(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CHAR);
    ASSERT_TRUE(peek_message(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_TRUE(ui::thread_is_idle());
    invalidate_rect(w, nullptr, false);
    EXPECT_TRUE(ui::thread_is_idle());  // hidden windows are not painted
    show_window(w, SW_SHOWNA);
    EXPECT_FALSE(ui::thread_is_idle());
    run_until_idle();
    EXPECT_TRUE(ui::thread_is_idle());
}

TEST_F(Retrieval, WaitHooksRunIdleOnceThenPumpUntilInputArrives) {
    HWND w = make(0);
    std::vector<std::string> calls;
    ui::WaitHooks hooks;
    hooks.slice_ms = 1;
    hooks.idle = [&] { calls.push_back("idle"); };
    hooks.pump = [&] {
        calls.push_back("pump");
        if (calls.size() == 4)
            ui::queue_input(MSG{w, WM_KEYDOWN, VK_A, 0, 0});
    };
    ui::set_wait_hooks(hooks);
    MSG msg;
    get_message(msg, nullptr, 0, 0);
    ui::set_wait_hooks({});
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_EQ(calls, (std::vector<std::string>{"idle", "pump", "pump", "pump"}));
}

TEST_F(Retrieval, AnotherThreadsInvalidationWakesAWaitingLoop) {
    HWND w = make(WS_VISIBLE);
    run_until_idle();
    watch({WM_PAINT});
    std::thread painter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        invalidate_rect(w, nullptr, false);
    });
    MSG msg;
    get_message(msg, nullptr, 0, 0);
    painter.join();
    EXPECT_EQ(msg.message, WM_PAINT);
}

TEST_F(Retrieval, NestedLoopServicesSendsFromOtherThreads) {
    HWND w = make(0);
    LRESULT answer = 0;
    bool inside = false;
    std::thread other;
    g_handlers[WM_NESTED] = [&](HWND, WPARAM, LPARAM, LRESULT&) {
        inside = true;
        other = std::thread([&] {
            answer = send_message(w, WM_ECHO, 21, 0);
            post_message(w, WM_END_NESTED, 0, 0);
        });
        MSG msg;
        while (get_message(msg, nullptr, 0, 0) > 0 && msg.message != WM_END_NESTED)
            dispatch_message(msg);
        inside = false;
        return true;
    };
    g_handlers[WM_ECHO] = [&](HWND, WPARAM wparam, LPARAM, LRESULT& result) {
        EXPECT_TRUE(inside);
        result = LRESULT(wparam * 2);
        return true;
    };
    post_message(w, WM_NESTED, 0, 0);
    run_until_idle();
    other.join();
    EXPECT_EQ(answer, 42);

    // A quit that meets run_until_idle is left for the loop that runs next.
    post_quit_message(4);
    run_until_idle();
    MSG msg;
    EXPECT_EQ(get_message(msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wparam, 4u);
}

TEST_F(Retrieval, ClockAdvancesThroughTimersInDeadlineOrder) {
    HWND w = make(0);
    watch({WM_TIMER});
    uint32_t start = tick_count();
    std::vector<std::pair<WPARAM, uint32_t>> fired;
    g_handlers[WM_TIMER] = [&](HWND, WPARAM id, LPARAM, LRESULT&) {
        fired.emplace_back(id, tick_count() - start);
        return true;
    };
    set_timer(w, 1, 300);
    set_timer(w, 2, 500);
    advance_clock_running_timers(1000);
    EXPECT_EQ(fired, (std::vector<std::pair<WPARAM, uint32_t>>{{1, 300}, {2, 500}, {1, 600}, {1, 900}, {2, 1000}}));
    EXPECT_EQ(tick_count() - start, 1000u);
}
