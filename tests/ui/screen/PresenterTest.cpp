#include "ScreenFixture.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace screen_test {
namespace {

TEST_F(ScreenTest, SignalWritesTheScreenshotOnTheScreensThread) {
    const std::string shot = root_file("signal.png");
    setenv("CHIMELY_SCREENSHOT", shot.c_str(), 1);
    paper({0, 26, 240, 294}, rgb(0, 128, 255));
    start_screen(L"Signal");
    EXPECT_EQ(presenter_kind(), PresenterKind::headless);
    std::raise(SIGUSR1);
    EXPECT_FALSE(std::filesystem::exists(shot));  // the handler only sets a flag
    ui::Presenter::instance().pump();
    EXPECT_EQ(png_pixel(shot, 120, 100), rgb(0, 128, 255));
    unsetenv("CHIMELY_SCREENSHOT");
}

// The SDL library and the desktop libraries behind it are loaded only for the SDL screen.
TEST_F(ScreenTest, HeadlessScreenLeavesTheSdlLibraryUnloaded) {
    start_screen(L"Headless");
    EXPECT_EQ(presenter_kind(), PresenterKind::headless);
    EXPECT_TRUE(write_screenshot(root_file("headless.png")));
    std::ifstream maps("/proc/self/maps");
    std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("libSDL2"), std::string::npos);
}

TEST_F(ScreenTest, BackNavigationHidesTheScreenUntilAWindowComesForward) {
    start_screen(L"Back");
    ui::Presenter& presenter = ui::Presenter::instance();
    EXPECT_FALSE(presenter_shown());  // no window yet
    HWND window = paper({0, 26, 240, 294}, rgb(0, 0, 255));
    set_foreground_window(window);
    presenter.idle();
    EXPECT_TRUE(presenter_shown());

    navigate_back();
    EXPECT_FALSE(presenter_shown());
    EXPECT_EQ(get_foreground_window(), nullptr);
    presenter.idle();
    EXPECT_FALSE(presenter_shown());
    set_foreground_window(window);
    presenter.idle();
    EXPECT_TRUE(presenter_shown());
    show_window(window, SW_HIDE);
    presenter.idle();
    EXPECT_FALSE(presenter_shown());
}

TEST_F(ScreenTest, CursorsAreTheStandardNumbersAndHeadlessOnlyRecorded) {
    for (int id : {IDC_ARROW, IDC_IBEAM, IDC_WAIT, IDC_CROSS, IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS,
                   IDC_SIZEALL, IDC_NO, IDC_HAND, IDC_APPSTARTING, IDC_HELP}) {
        ASSERT_NE(load_cursor(id), nullptr) << id;
        EXPECT_EQ(cursor_id(load_cursor(id)), id);
    }
    EXPECT_EQ(load_cursor(32600), nullptr);
    EXPECT_EQ(cursor_id(nullptr), IDC_ARROW);

    start_screen(L"Cursors");
    EXPECT_EQ(get_cursor(), nullptr);
    EXPECT_EQ(set_cursor(load_cursor(IDC_HAND)), nullptr);
    EXPECT_EQ(set_cursor(load_cursor(IDC_WAIT)), load_cursor(IDC_HAND));
    EXPECT_EQ(cursor_id(get_cursor()), IDC_WAIT);
}

} // namespace
} // namespace screen_test
