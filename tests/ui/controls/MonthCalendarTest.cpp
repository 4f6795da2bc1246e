#include "ControlsFixture.h"

using namespace controls_test;

namespace {

class MonthCalendar : public Controls {
protected:
    void SetUp() override {
        Controls::SetUp();
        calendar = child(MONTHCAL_CLASS, 0, {10, 40, 10, 40});
        RECT min;
        ASSERT_EQ(send_message(calendar, MCM_GETMINREQRECT, 0, LPARAM(&min)), 1);
        set_window_pos(calendar, HWND_TOP, 10, 40, min.right, min.bottom, SWP_NOZORDER);
        set_focus(calendar);
        pump();
    }
    SystemTime selection() {
        SystemTime t;
        EXPECT_NE(send_message(calendar, MCM_GETCURSEL, 0, LPARAM(&t)), 0);
        return t;
    }
    bool select(const SystemTime& t) { return send_message(calendar, MCM_SETCURSEL, 0, LPARAM(&t)) != 0; }
    // The centre of a day cell: 1 pixel of border, 2 of margin, cells 24 x 18 under a
    // 24-pixel title and an 18-pixel weekday header.
    void tap_cell(int row, int column) { tap(calendar, 3 + column * 24 + 12, 43 + row * 18 + 9); }

    HWND calendar = nullptr;
};

} // namespace

TEST_F(MonthCalendar, StartsOnTodayAndAnswersTheDateAtMidnight) {
    EXPECT_EQ(fields(selection()), (std::vector<int>{2026, 12, 9, 3, 0, 0, 0}));
    ASSERT_TRUE(select(date(2027, 3, 14, 17, 45, 30)));
    EXPECT_EQ(fields(selection()), (std::vector<int>{2027, 3, 14, 0, 0, 0, 0}));
    EXPECT_EQ(send_message(calendar, MCM_GETCURSEL, 0, 0), 0);
}

TEST_F(MonthCalendar, AnInvalidDateAnswersZeroAndChangesNothing) {
    for (const SystemTime& bad : {date(2026, 2, 29), date(2026, 13, 1), date(2026, 4, 31), date(1600, 12, 31)})
        EXPECT_FALSE(select(bad)) << bad.year << "-" << bad.month << "-" << bad.day;
    EXPECT_EQ(send_message(calendar, MCM_SETCURSEL, 0, 0), 0);
    EXPECT_EQ(fields(selection()), (std::vector<int>{2026, 12, 9, 3, 0, 0, 0}));
}

TEST_F(MonthCalendar, KeysMoveByDayWeekAndMonthAcrossYearEnds) {
    ASSERT_TRUE(select(date(2026, 12, 31)));
    const std::pair<uint32_t, std::vector<int>> steps[] = {
        {VK_RIGHT, {2027, 1, 1}}, {VK_DOWN, {2027, 1, 8}},  {VK_UP, {2027, 1, 1}},   {VK_LEFT, {2026, 12, 31}},
        {VK_NEXT, {2027, 1, 31}}, {VK_NEXT, {2027, 2, 28}}, {VK_PRIOR, {2027, 1, 28}}, {VK_PRIOR, {2026, 12, 28}},
    };
    for (const auto& [key, want] : steps) {
        press(key);
        const SystemTime t = selection();
        EXPECT_EQ((std::vector<int>{t.year, t.month, t.day}), want) << key;
    }
    // A leap year keeps 29 February; the Pocket PC loop's WM_USER+2 and characters move nothing.
    ASSERT_TRUE(select(date(2024, 1, 31)));
    press(VK_NEXT);
    EXPECT_EQ(selection().day, 29);
    send_message(calendar, WM_USER + 2, VK_RIGHT, 0);
    send_message(calendar, WM_CHAR, L'x', 0);
    EXPECT_EQ(selection().day, 29);
}

TEST_F(MonthCalendar, TapsChooseDaysAndTheTitleArrowsTurnTheMonth) {
    // December 2026 starts on a Tuesday, so the grid opens on Sunday 29 November.
    tap_cell(2, 3);
    EXPECT_EQ(fields(selection()), (std::vector<int>{2026, 12, 16, 3, 0, 0, 0}));
    tap_cell(0, 0);
    EXPECT_EQ(selection().month, 11);
    EXPECT_EQ(selection().day, 29);
    tap(calendar, 170, 12);  // the next arrow
    EXPECT_EQ((std::vector<int>{selection().year, selection().month, selection().day}),
              (std::vector<int>{2026, 12, 29}));
    tap(calendar, 4, 12);  // the previous arrow
    tap(calendar, 4, 12);
    EXPECT_EQ((std::vector<int>{selection().year, selection().month, selection().day}),
              (std::vector<int>{2026, 10, 29}));
}

TEST_F(MonthCalendar, MinimumRectangleAndColours) {
    RECT min;
    send_message(calendar, MCM_GETMINREQRECT, 0, LPARAM(&min));
    EXPECT_EQ((std::vector<int>{min.left, min.top, min.right, min.bottom}), (std::vector<int>{0, 0, 174, 154}));

    const COLORREF red = rgb(200, 0, 0), cream = rgb(250, 240, 200);
    EXPECT_EQ(COLORREF(send_message(calendar, MCM_SETCOLOR, MCSC_TITLEBK, LPARAM(red))), rgb(0x1F, 0x4E, 0x8C));
    EXPECT_EQ(COLORREF(send_message(calendar, MCM_SETCOLOR, MCSC_TITLEBK, LPARAM(red))), red);
    EXPECT_EQ(COLORREF(send_message(calendar, MCM_SETCOLOR, MCSC_MONTHBK, LPARAM(cream))), rgb(255, 255, 255));
    EXPECT_EQ(COLORREF(send_message(calendar, MCM_SETCOLOR, 6, LPARAM(red))), CLR_INVALID);
    pump();
    EXPECT_EQ(window_pixel(calendar, 40, 3), red);         // the title band
    EXPECT_EQ(window_pixel(calendar, 2, 150), cream);      // behind the days
    EXPECT_EQ(window_pixel(calendar, 0, 100), rgb(0, 0, 0));  // the border, in the text colour
}
