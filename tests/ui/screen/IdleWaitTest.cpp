#include "ScreenFixture.h"
#include "ui/WindowManager.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <thread>
#include <unistd.h>

namespace screen_test {
namespace {

using Clock = std::chrono::steady_clock;

// What the screen's thread takes once another thread has done `poke`.
MSG take_after(const std::function<void()>& poke) {
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        poke();
    });
    MSG msg;
    get_message(msg, nullptr, 0, 0);
    other.join();
    return msg;
}

// An idle screen thread sleeps: it wakes for a post, for a descriptor its
// plan watches and at the time its plan or a timer names, never in slices.
TEST_F(ScreenTest, APlannedWaitWakesOnlyForAPostADescriptorOrADueTime) {
    clear_fake_clock();
    HWND window = paper({0, 26, 240, 294}, rgb(0, 0, 255));
    int pipe_fds[2];
    ASSERT_EQ(pipe2(pipe_fds, O_NONBLOCK | O_CLOEXEC), 0);
    int pumps = 0;
    int32_t due = -1;
    Clock::time_point deadline = Clock::time_point::max();
    ui::WaitHooks hooks;
    hooks.slice_ms = 0;
    hooks.idle = [] {};
    hooks.pump = [&] {
        ++pumps;
        char byte = 0;
        while (read(pipe_fds[0], &byte, 1) > 0)
            ui::queue_input(MSG{window, WM_KEYDOWN, 'P', 0, 0});
        if (Clock::now() >= deadline)
            ui::queue_input(MSG{window, WM_KEYDOWN, 'D', 0, 0});
    };
    hooks.plan = [&](std::vector<int>& fds) {
        fds.push_back(pipe_fds[0]);
        return due;
    };
    ui::set_wait_hooks(hooks);

    MSG msg = take_after([&] { post_message(window, WM_USER, 0, 0); });
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_EQ(pumps, 1);

    pumps = 0;
    msg = take_after([&] { ASSERT_EQ(write(pipe_fds[1], "x", 1), 1); });
    EXPECT_EQ(msg.wparam, WPARAM('P'));
    EXPECT_EQ(pumps, 1);

    // Timed wakes may come a millisecond early and look once more.
    pumps = 0;
    due = 120;
    const Clock::time_point start = Clock::now();
    deadline = start + std::chrono::milliseconds(due);
    get_message(msg, nullptr, 0, 0);
    EXPECT_EQ(msg.wparam, WPARAM('D'));
    EXPECT_LE(pumps, 3);

    pumps = 0;
    due = -1;
    deadline = Clock::time_point::max();
    ASSERT_TRUE(set_timer(window, 7, 120));
    get_message(msg, nullptr, 0, 0);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_LE(pumps, 3);
    kill_timer(window, 7);

    ui::set_wait_hooks({});
    close(pipe_fds[0]);
    close(pipe_fds[1]);
}

// The signal's handler cannot compose the screen; it wakes the sleeping
// screen thread, which writes the shot while nothing else happens.
TEST_F(ScreenTest, TheScreenshotSignalWakesASleepingHeadlessScreen) {
    const std::string shot = root_file("asleep.png");
    setenv("CHIMELY_SCREENSHOT", shot.c_str(), 1);
    paper({0, 26, 240, 294}, rgb(0, 128, 255));
    start_screen(L"Asleep");
    const int screen_thread = current_thread_id();
    std::atomic<bool> written_while_asleep = false;
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        kill(getpid(), SIGUSR1);
        for (int i = 0; i < 200 && !std::filesystem::exists(shot); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        written_while_asleep = std::filesystem::exists(shot);
        post_thread_message(screen_thread, WM_USER, 0, 0);
    });
    MSG msg;
    while (get_message(msg, nullptr, 0, 0) > 0 && msg.message != WM_USER)
        dispatch_message(msg);
    other.join();
    EXPECT_TRUE(written_while_asleep);
    EXPECT_EQ(png_pixel(shot, 120, 100), rgb(0, 128, 255));
    unsetenv("CHIMELY_SCREENSHOT");
}

} // namespace
} // namespace screen_test
