#include "ScreenFixture.h"
#include "ui/InputScript.h"

#include <gmock/gmock.h>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace screen_test {
namespace {

using testing::HasSubstr;

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::vector<uint32_t> messages() {
    std::vector<uint32_t> out;
    for (const Seen& seen : g_seen)
        out.push_back(seen.message);
    return out;
}

TEST_F(ScreenTest, ScriptAppliesEveryCommandInOrderAndReportsBadLines) {
    const std::vector<std::string> lines = {
        "# the whole vocabulary",  // 1
        "",                        // 2
        "key 65",                  // 3
        "keydown 16",              // 4
        "keyup 16",                // 5
        "char h\xC3\xA9 ",         // 6: UTF-8 "hé" and a space
        "tap 20 60",               // 7
        "hold 30 70",              // 8
        "wait 250",                // 9
        "key 66",                  // 10
        "frob 1",                  // 11
        "key 300",                 // 12
        "tap 5",                   // 13
        "soft 1",                  // 14
        "choose 2",                // 15
        "char",                    // 16
        "key 82",                  // 17
        "shot shot.png",           // 18: relative to the current folder
    };
    testing_support::TempRoot folder;
    folder.write("script.txt", join(lines));
    ASSERT_EQ(chdir(folder.path().c_str()), 0);
    HWND window = paper({0, 26, 240, 294}, rgb(0, 0, 255));
    set_focus(window);

    start_screen(L"Script");
    ui::Presenter::instance().start_script(folder.file("script.txt"));
    testing::internal::CaptureStderr();
    run_script();
    const std::string errors = testing::internal::GetCapturedStderr();

    const std::vector<uint32_t> expected = {
        WM_KEYDOWN, WM_KEYUP,       WM_KEYDOWN,   WM_KEYUP,       WM_CHAR,      WM_CHAR,    WM_CHAR,
        WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_KEYUP, WM_KEYDOWN, WM_KEYUP};
    ASSERT_EQ(messages(), expected);
    EXPECT_EQ(g_seen[0].wparam, 65u);
    EXPECT_EQ(g_seen[2].wparam, 16u);
    EXPECT_EQ(g_seen[4].wparam, WPARAM(L'h'));
    EXPECT_EQ(g_seen[5].wparam, WPARAM(L'\u00E9'));
    EXPECT_EQ(g_seen[6].wparam, WPARAM(L' '));
    EXPECT_EQ(lparam_point(g_seen[7].lparam).x, 20);  // device pixels, client of a window at y 26
    EXPECT_EQ(lparam_point(g_seen[7].lparam).y, 34);
    EXPECT_EQ(g_seen[8].lparam, g_seen[7].lparam);
    EXPECT_EQ(g_seen[10].time - g_seen[9].time, ui::script_hold_ms);
    EXPECT_GE(g_seen[11].time - g_seen[10].time, 250u);
    EXPECT_LT(g_seen[11].time - g_seen[10].time, 280u);
    EXPECT_EQ(g_seen[11].wparam, 66u);
    EXPECT_EQ(g_seen[13].wparam, 82u);

    // The shot was taken once the red repaint had run.
    EXPECT_EQ(png_pixel(folder.file("shot.png"), 100, 100), rgb(255, 0, 0));
    EXPECT_THAT(errors, HasSubstr("line 11: unknown command \"frob\""));
    EXPECT_THAT(errors, HasSubstr("line 12: missing or bad number"));
    EXPECT_THAT(errors, HasSubstr("line 13: missing or bad number"));
    EXPECT_THAT(errors, HasSubstr("line 14: soft keys are not available"));
    EXPECT_THAT(errors, HasSubstr("line 15: popup choices are not available"));
    EXPECT_THAT(errors, HasSubstr("line 16: char without text"));
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 6);
}

TEST_F(ScreenTest, ScriptHandsSoftKeysAndPopupChoicesToTheMenuHooks) {
    std::vector<int> soft, chosen;
    ui::set_script_menu_hooks({[&](int key) { soft.push_back(key); }, [&](int entry) { chosen.push_back(entry); }});
    testing_support::TempRoot folder;
    folder.write("script.txt", "soft 2\nchoose 3\nsoft 1");  // the last line has no line end
    start_screen(L"Script");
    ui::Presenter::instance().start_script(folder.file("script.txt"));
    run_script();
    ui::set_script_menu_hooks({});
    EXPECT_EQ(soft, (std::vector<int>{2, 1}));
    EXPECT_EQ(chosen, (std::vector<int>{3}));
}

// The real waits of the screen's thread read a FIFO as its writers fill it;
// a line split between two writers is one line.
TEST_F(ScreenTest, ScriptFromAFifoWrittenInTwoParts) {
    const std::string fifo = root_file("input.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    setenv("CHIMELY_INPUT", fifo.c_str(), 1);
    HWND window = paper({0, 26, 240, 294}, rgb(0, 0, 255));
    set_focus(window);
    start_screen(L"Fifo");

    auto write_part = [&](const std::string& text) {
        int fd = open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
        close(fd);
    };
    std::atomic<bool> gave_up = false;
    const int screen_thread = current_thread_id();
    std::thread writer([&] {
        write_part("key 6");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        write_part("5\nkey 81\n");
        // A guard: the loop below would otherwise wait for ever.
        for (int i = 0; i < 100 && !gave_up; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gave_up = true;
        post_thread_message(screen_thread, WM_USER, 0, 0);
    });
    MSG msg;
    while (!gave_up && (g_seen.empty() || g_seen.back().wparam != 81 || g_seen.back().message != WM_KEYUP)) {
        get_message(msg, nullptr, 0, 0);
        dispatch_message(msg);
    }
    const bool timed_out = gave_up.exchange(true);
    writer.join();
    EXPECT_FALSE(timed_out);
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYUP, WM_KEYDOWN, WM_KEYUP}));
    EXPECT_EQ(g_seen[0].wparam, 65u);
    unsetenv("CHIMELY_INPUT");
}

} // namespace
} // namespace screen_test
