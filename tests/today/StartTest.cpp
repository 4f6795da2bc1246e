#include "TodayFixture.h"

namespace today_test {
namespace {

TEST_F(TodayTest, ActionAtOneOneStartsTheMainProgram) {
    make_item();
    show_item();
    EXPECT_EQ(plat::send_message(item, plat::WM_LBUTTONDOWN, 0, today::action_point), 1);
    EXPECT_EQ(plat::send_message(item, plat::WM_LBUTTONUP, 0, today::action_point), 1);
    const std::string started = starts();
    EXPECT_EQ(started, "start [] " + testing_support::process_root() + "\n");
}

TEST_F(TodayTest, ATapOnTheItemStartsTheMainProgram) {
    make_item();
    show_item();
    plat::inject_pointer_down(150, item_top + 12);
    plat::inject_pointer_up(150, item_top + 12);
    plat::run_until_idle();
    EXPECT_EQ(starts(), "start [] " + testing_support::process_root() + "\n");
}

TEST_F(TodayTest, NoMainProgramStartsNothing) {
    delete_value(L"MainProgram");
    make_item();
    show_item();
    plat::send_message(item, plat::WM_LBUTTONDOWN, 0, today::action_point);
    plat::send_message(item, plat::WM_LBUTTONUP, 0, today::action_point);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(starts(false), "");
}

} // namespace
} // namespace today_test
