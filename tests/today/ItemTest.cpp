#include "TodayFixture.h"

namespace today_test {
namespace {

TEST_F(TodayTest, FirstRefreshGivesTheSkinHeightOnceThenFalse) {
    make_item();
    EXPECT_EQ(query(), 1);
    EXPECT_EQ(record.cyp, uint32_t(item_height));
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(record.cyp, uint32_t(item_height));
    // A new record of the shell is sized again.
    today::TodayListItem other;
    EXPECT_EQ(plat::send_message(item, today::WM_TODAYCUSTOM_QUERYREFRESHCACHE, reinterpret_cast<plat::WPARAM>(&other), 0), 1);
    EXPECT_EQ(other.cyp, uint32_t(item_height));
    EXPECT_EQ(plat::send_message(item, today::WM_TODAYCUSTOM_QUERYREFRESHCACHE, 0, 0), 0);
}

TEST_F(TodayTest, BeforeTheShellIsReadyTheQueryAnswersZeroButStillRefreshes) {
    ready_->reset();
    write_state(L"Dentist", L"08 : 05", 0);
    make_item();
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(record.cyp, 0u);
    EXPECT_EQ(last_status(), L"08 : 05  Dentist");
    ready_->set();
    EXPECT_EQ(query(), 1);
    EXPECT_EQ(record.cyp, uint32_t(item_height));
    // A shell without the event does not hold the item back.
    ready_.reset();
    today::TodayListItem other;
    EXPECT_EQ(plat::send_message(item, today::WM_TODAYCUSTOM_QUERYREFRESHCACHE, reinterpret_cast<plat::WPARAM>(&other), 0), 1);
}

TEST_F(TodayTest, WindowAndLibraryLifecyclesEndCleanly) {
    make_item();
    const plat::HWND first = item;
    // A second item replaces the form; the shell keeps the first window.
    item = library_->initialize(&record, home.window);
    ASSERT_NE(item, nullptr);
    EXPECT_NE(item, first);
    EXPECT_TRUE(plat::is_window(first));
    plat::destroy_window(first);
    EXPECT_EQ(query(), 1);
    // The shell destroys the item's window before the form goes.
    plat::destroy_window(item);
    item = library_->initialize(&record, home.window);
    ASSERT_NE(item, nullptr);
    // Unloading while the window lives leaves a plain window behind.
    library_->unload();
    ASSERT_TRUE(plat::is_window(item));
    EXPECT_EQ(plat::send_message(item, today::WM_TODAYCUSTOM_QUERYREFRESHCACHE, reinterpret_cast<plat::WPARAM>(&record), 0), 0);
    plat::invalidate_rect(item, nullptr, true);
    plat::run_until_idle();
    plat::destroy_window(item);
    // Loaded again, the library makes items as before.
    record = {};
    make_item();
    EXPECT_EQ(query(), 1);
    show_item();
    EXPECT_EQ(plat::window_pixel(item, 10, 10), icon_colour);
}

TEST_F(TodayTest, AFailedWindowGivesNullAndNoForm) {
    library_ = std::make_unique<Library>();
    ASSERT_NE(library_->handle, nullptr);
    const plat::HWND gone = plat::create_window(0, L"TestHome", L"", plat::WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr, nullptr);
    plat::destroy_window(gone);
    EXPECT_EQ(library_->initialize(&record, gone), nullptr);
    item = library_->initialize(&record, home.window);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(query(), 1);
    // Without the library entry there is no item.
    library_->dll_main(library_->handle, today::reason_process_detach, nullptr);
    EXPECT_EQ(library_->initialize(&record, home.window), nullptr);
    library_->dll_main(library_->handle, today::reason_process_attach, nullptr);
}

} // namespace
} // namespace today_test
