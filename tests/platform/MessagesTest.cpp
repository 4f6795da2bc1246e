#include "plat/Clock.h"
#include "plat/Messages.h"
#include "plat/Threads.h"
#include "plat/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace plat;

namespace {

constexpr uint32_t WM_SCHEDULER = WM_USER + 5;

struct Seen {
    HWND hwnd = nullptr;
    uint32_t message = 0;
    WPARAM wparam = 0;
    uint32_t tick = 0;
};

thread_local std::vector<Seen>* t_seen = nullptr;

LRESULT recording_proc(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (t_seen && message != WM_NCCREATE && message != WM_CREATE)
        t_seen->push_back(Seen{hwnd, message, wparam, tick_count()});
    if (message == WM_USER + 100)  // echo: answers with its wparam doubled
        return LRESULT(wparam * 2);
    if (message == WM_USER + 20) {  // a modal loop: runs until WM_USER + 21
        MSG msg;
        while (get_message(msg, nullptr, 0, 0) > 0 && msg.message != WM_USER + 21)
            dispatch_message(msg);
        return 0;
    }
    if (message == WM_USER + 101)  // asks the window in lparam to echo, adds one
        return send_message(reinterpret_cast<HWND>(lparam), WM_USER + 100, wparam, 0) + 1;
    return def_window_proc(hwnd, message, wparam, lparam);
}

HWND make_window() {
    static bool registered = [] {
        WindowClass wc;
        wc.name = L"MessagesTestClass";
        wc.procedure = recording_proc;
        return register_class(wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return create_window(0, L"MessagesTestClass", L"test", WS_DISABLED, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, 0, nullptr, nullptr);
}

// Every test starts with a frozen fake clock; timers then run without waiting.
class Messages : public testing::Test {
protected:
    void SetUp() override {
        SystemTime st;
        st.year = 2024;
        st.month = 3;
        st.day = 1;
        set_fake_clock(st, false);
        t_seen = &seen;
        window = make_window();
        ASSERT_NE(window, nullptr);
        start = tick_count();
    }
    void TearDown() override {
        destroy_window(window);
        MSG msg;
        while (peek_message(msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        t_seen = nullptr;
        clear_fake_clock();
    }
    // Takes and dispatches the next message; returns it.
    MSG next() {
        MSG msg;
        get_message(msg, nullptr, 0, 0);
        dispatch_message(msg);
        return msg;
    }

    std::vector<Seen> seen;
    HWND window = nullptr;
    uint32_t start = 0;
};

} // namespace

TEST_F(Messages, FilteredRemoveKeepsTheOrderOfTheRest) {
    HWND other = make_window();
    post_message(window, WM_USER + 1, 1, 0);
    post_message(window, WM_SCHEDULER, 2, 0);
    post_message(other, WM_USER + 1, 3, 0);
    post_message(nullptr, WM_USER + 1, 4, 0);  // thread message
    post_message(window, WM_SCHEDULER, 5, 0);
    post_message(other, WM_SCHEDULER, 6, 0);

    MSG msg;
    // The scheduler's search: its own message number on its own window.
    ASSERT_TRUE(peek_message(msg, window, WM_SCHEDULER, WM_SCHEDULER, PM_REMOVE));
    EXPECT_EQ(msg.wparam, 2u);
    ASSERT_TRUE(peek_message(msg, window, WM_SCHEDULER, WM_SCHEDULER, PM_NOREMOVE));
    EXPECT_EQ(msg.wparam, 5u);
    ASSERT_TRUE(peek_message(msg, window, WM_SCHEDULER, WM_SCHEDULER, PM_REMOVE));
    EXPECT_EQ(msg.wparam, 5u);
    EXPECT_FALSE(peek_message(msg, window, WM_SCHEDULER, WM_SCHEDULER, PM_REMOVE));

    ASSERT_TRUE(peek_message(msg, HWND_THREAD_MESSAGES, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wparam, 4u);

    std::vector<WPARAM> rest;
    while (peek_message(msg, nullptr, 0, 0, PM_REMOVE))
        rest.push_back(msg.wparam);
    EXPECT_EQ(rest, (std::vector<WPARAM>{1, 3, 6}));
    destroy_window(other);
}

TEST_F(Messages, DispatchCallsTheWindowProcedure) {
    post_message(window, WM_USER + 7, 42, 0);
    MSG msg = next();
    EXPECT_EQ(msg.message, WM_USER + 7u);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].hwnd, window);
    EXPECT_EQ(seen[0].wparam, 42u);
    EXPECT_EQ(send_message(window, WM_USER + 100, 21, 0), 42);
}

TEST_F(Messages, NestedLoopRunsInsideADispatch) {
    post_message(window, WM_USER + 20, 0, 0);
    post_message(window, WM_USER + 1, 1, 0);
    post_message(window, WM_USER + 21, 0, 0);
    post_message(window, WM_USER + 1, 2, 0);
    ASSERT_TRUE(set_timer(window, 1, 100));
    EXPECT_EQ(next().message, WM_USER + 20u);  // returns once the inner loop ended
    std::vector<std::pair<uint32_t, WPARAM>> order;
    for (const Seen& s : seen)
        order.emplace_back(s.message, s.wparam);
    EXPECT_EQ(order, (std::vector<std::pair<uint32_t, WPARAM>>{{WM_USER + 20, 0}, {WM_USER + 1, 1}}));
    EXPECT_EQ(next().wparam, 2u);
    EXPECT_EQ(next().message, WM_TIMER);
}

TEST_F(Messages, QuitComesAfterPostedMessagesAndOnlyToUnfilteredCalls) {
    post_quit_message(3);
    post_message(window, WM_USER + 1, 0, 0);
    MSG msg;
    EXPECT_EQ(get_message(msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_USER + 1u);
    // A search for one message number must not eat the quit request.
    EXPECT_FALSE(peek_message(msg, window, WM_SCHEDULER, WM_SCHEDULER, PM_REMOVE));
    EXPECT_FALSE(peek_message(msg, nullptr, WM_SCHEDULER, WM_SCHEDULER, PM_REMOVE));
    EXPECT_EQ(get_message(msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wparam, 3u);
    EXPECT_FALSE(peek_message(msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Messages, TimersFireInDeadlineOrderWithoutWaiting) {
    ASSERT_TRUE(set_timer(window, 1, 1000));
    ASSERT_TRUE(set_timer(window, 2, 500));
    // Posted messages come before due timers.
    post_message(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(next().message, WM_USER + 1u);

    std::vector<std::pair<WPARAM, uint32_t>> fired;
    for (int i = 0; i < 5; ++i) {
        MSG msg = next();
        ASSERT_EQ(msg.message, WM_TIMER);
        fired.emplace_back(msg.wparam, msg.time - start);
    }
    // Timer 2 repeats every 500 ms; timer 1 fires once per second; a tie goes to the older one.
    EXPECT_EQ(fired, (std::vector<std::pair<WPARAM, uint32_t>>{{2, 500}, {1, 1000}, {2, 1000}, {2, 1500}, {1, 2000}}));
    EXPECT_EQ(tick_count() - start, 2000u);
}

TEST_F(Messages, RestartMovesTheDeadlineAndKillStopsTheTimer) {
    ASSERT_TRUE(set_timer(window, 1, 1000));
    ASSERT_TRUE(set_timer(window, 2, 600));
    ASSERT_TRUE(set_timer(window, 3, 700));
    MSG msg = next();
    ASSERT_EQ(msg.wparam, 2u);
    ASSERT_TRUE(kill_timer(window, 2));
    EXPECT_FALSE(kill_timer(window, 2));
    ASSERT_TRUE(set_timer(window, 1, 1000));  // restarted at 600: due at 1600, never at 1000
    EXPECT_TRUE(kill_timer(window, 3));

    msg = next();
    EXPECT_EQ(msg.wparam, 1u);
    EXPECT_EQ(msg.time - start, 1600u);
    for (const Seen& s : seen)
        EXPECT_NE(s.wparam, 3u);
}

TEST_F(Messages, TimersSurviveTheTickCountWrap) {
    // Move the 32-bit tick count to 300 ms before it wraps.
    advance_fake_clock(uint32_t(0xFFFFFFFFu - 299 - tick_count()));
    ASSERT_EQ(tick_count(), 0xFFFFFFFFu - 299);
    ASSERT_TRUE(set_timer(window, 1, 1000));  // due after the wrap
    ASSERT_TRUE(set_timer(window, 2, 200));   // due before it
    ASSERT_TRUE(set_timer(window, 3, 400));   // due just after it

    std::vector<WPARAM> order;
    std::vector<uint32_t> times;
    for (int i = 0; i < 3; ++i) {
        MSG msg = next();
        order.push_back(msg.wparam);
        times.push_back(msg.time);
        kill_timer(window, msg.wparam);
    }
    EXPECT_EQ(order, (std::vector<WPARAM>{2, 3, 1}));
    EXPECT_EQ(times, (std::vector<uint32_t>{0xFFFFFFFFu - 99, 100, 700}));
}

TEST_F(Messages, PeekLeavesADueTimerUntilItIsTaken) {
    ASSERT_TRUE(set_timer(window, 1, 100));
    MSG msg;
    EXPECT_FALSE(peek_message(msg, nullptr, 0, 0, PM_REMOVE));  // peek never moves the clock
    advance_fake_clock(150);
    ASSERT_TRUE(peek_message(msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    ASSERT_TRUE(peek_message(msg, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    // Taken at 150: the next one is due at 250.
    EXPECT_FALSE(peek_message(msg, nullptr, 0, 0, PM_REMOVE));
    advance_fake_clock(100);
    EXPECT_TRUE(peek_message(msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Messages, ADestroyedWindowTakesItsTimersAndMessages) {
    HWND other = make_window();
    ASSERT_TRUE(set_timer(other, 1, 10));
    ASSERT_TRUE(set_timer(window, 1, 50));
    post_message(other, WM_USER + 1, 0, 0);
    ASSERT_TRUE(destroy_window(other));
    EXPECT_FALSE(post_message(other, WM_USER + 1, 0, 0));
    EXPECT_FALSE(set_timer(other, 1, 10));
    MSG msg = next();
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.time - start, 50u);
}

TEST_F(Messages, ThreadMessagesReachTheThreadsOwnQueue) {
    std::atomic<int> worker_id{0};
    std::vector<WPARAM> received;
    int exit_code = -1;
    std::thread worker([&] {
        MSG msg;
        peek_message(msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
        worker_id = current_thread_id();
        while (get_message(msg, nullptr, 0, 0) > 0)
            received.push_back(msg.wparam);
        exit_code = int(msg.wparam);
    });
    while (worker_id == 0)
        std::this_thread::yield();
    EXPECT_NE(worker_id.load(), current_thread_id());
    for (WPARAM i = 1; i <= 100; ++i)
        ASSERT_TRUE(post_thread_message(worker_id, WM_USER, i, 0));
    ASSERT_TRUE(post_thread_message(worker_id, WM_QUIT, 9, 0));
    worker.join();
    ASSERT_EQ(received.size(), 100u);
    for (WPARAM i = 0; i < 100; ++i)
        EXPECT_EQ(received[i], i + 1);
    EXPECT_EQ(exit_code, 9);
    // The queue ended with its thread.
    EXPECT_FALSE(post_thread_message(worker_id, WM_USER, 0, 0));
}

TEST_F(Messages, PostFromAnotherThreadWakesAWaitingLoop) {
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        post_message(window, WM_USER + 3, 7, 0);
    });
    // No timer: the frozen clock stays put and the loop waits for the post.
    MSG msg = next();
    poster.join();
    EXPECT_EQ(msg.message, WM_USER + 3u);
    EXPECT_EQ(msg.wparam, 7u);
    EXPECT_EQ(tick_count(), start);
}

TEST_F(Messages, SendAcrossThreadsRunsOnTheWindowsThread) {
    HWND main_window = window;
    LRESULT answer = 0;
    HWND worker_window = nullptr;
    std::thread worker([&] {
        worker_window = make_window();
        // The main thread handles this by sending back to the worker, which
        // answers while it waits for its own send.
        answer = send_message(main_window, WM_USER + 101, 4, reinterpret_cast<LPARAM>(worker_window));
        post_message(main_window, WM_USER + 2, 0, 0);
        destroy_window(worker_window);
    });
    while (next().message != WM_USER + 2) {
    }
    worker.join();
    EXPECT_EQ(answer, 9);
    ASSERT_EQ(seen.size(), 2u);  // handled here, on the window's own thread
    EXPECT_EQ(seen[0].message, WM_USER + 101u);
    // A send to a window that is gone answers 0.
    EXPECT_EQ(send_message(worker_window, WM_USER + 100, 8, 0), 0);
}

TEST_F(Messages, RealClockTimersWaitTheirInterval) {
    clear_fake_clock();
    uint32_t begin = tick_count();
    ASSERT_TRUE(set_timer(window, 1, 30));
    MSG msg = next();
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_GE(tick_count() - begin, 30u);
}

TEST_F(Messages, FilterNamingNoWindowFails) {
    HWND gone = make_window();
    destroy_window(gone);
    MSG msg;
    EXPECT_EQ(get_message(msg, gone, 0, 0), -1);
}
