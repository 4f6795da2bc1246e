#include "ControlsFixture.h"

using namespace controls_test;

namespace {

class DateTimePicker : public Controls {
protected:
    HWND make(uint32_t style) {
        HWND made = child(DATETIMEPICK_CLASS, style, {20, 30, 160, 52});
        set_focus(made);
        pump();
        return made;
    }
    static SystemTime value(HWND picker) {
        SystemTime t;
        EXPECT_EQ(send_message(picker, DTM_GETSYSTEMTIME, 0, LPARAM(&t)), LRESULT(GDT_VALID));
        return t;
    }
    static bool set(HWND picker, const SystemTime& t) {
        return send_message(picker, DTM_SETSYSTEMTIME, GDT_VALID, LPARAM(&t)) != 0;
    }
    static HWND calendar_of(HWND picker) { return HWND(send_message(picker, DTM_GETMONTHCAL, 0, 0)); }
};

} // namespace

TEST_F(DateTimePicker, DateRoundTripRefusesWhatTheDeviceRefuses) {
    HWND picker = make(DTS_SHORTDATEFORMAT);
    EXPECT_EQ(fields(value(picker)), (std::vector<int>{2026, 12, 9, 3, 8, 30, 0}));
    ASSERT_TRUE(set(picker, date(2028, 2, 29, 6, 15, 45)));
    EXPECT_EQ(fields(value(picker)), (std::vector<int>{2028, 2, 29, 2, 6, 15, 45}));
    EXPECT_FALSE(set(picker, date(2027, 2, 29)));
    EXPECT_FALSE(set(picker, date(2027, 1, 1, 24)));
    SystemTime ok = date(2027, 1, 1);
    EXPECT_EQ(send_message(picker, DTM_SETSYSTEMTIME, GDT_NONE, LPARAM(&ok)), 0);
    EXPECT_EQ(fields(value(picker)), (std::vector<int>{2028, 2, 29, 2, 6, 15, 45}));
    // Its own calendar follows the date.
    SystemTime shown;
    send_message(calendar_of(picker), MCM_GETCURSEL, 0, LPARAM(&shown));
    EXPECT_EQ(fields(shown), (std::vector<int>{2028, 2, 29, 2, 0, 0, 0}));
}

TEST_F(DateTimePicker, EnterDropsTheCalendarWhoseKeysChooseTheDate) {
    HWND picker = make(DTS_SHORTDATEFORMAT);
    HWND calendar = calendar_of(picker);
    ASSERT_TRUE(calendar);
    EXPECT_FALSE(is_window_visible(calendar));
    press(VK_RETURN);
    ASSERT_TRUE(is_window_visible(calendar));
    RECT under, picker_rect;
    get_window_rect(calendar, under);
    get_window_rect(picker, picker_rect);
    EXPECT_EQ(under.left, picker_rect.left);
    EXPECT_EQ(under.top, picker_rect.bottom);
    EXPECT_EQ(get_focus(), picker);

    press(VK_DOWN);
    press(VK_RIGHT);
    press(VK_RETURN);
    EXPECT_FALSE(is_window_visible(calendar));
    EXPECT_EQ(fields(value(picker)), (std::vector<int>{2026, 12, 17, 4, 8, 30, 0}));

    // Escape closes it and keeps the date.
    press(VK_RETURN);
    press(VK_NEXT);
    press(VK_ESCAPE);
    EXPECT_FALSE(is_window_visible(calendar));
    EXPECT_EQ(value(picker).day, 17);
    EXPECT_EQ(value(picker).month, 12);
}

TEST_F(DateTimePicker, TapsDropTheCalendarChooseADayOrCloseIt) {
    HWND picker = make(DTS_SHORTDATEFORMAT);
    HWND calendar = calendar_of(picker);
    tap(picker, 50, 10);
    ASSERT_TRUE(is_window_visible(calendar));
    // A tap outside closes it unchanged.
    tap(host, 230, 300);
    EXPECT_FALSE(is_window_visible(calendar));
    EXPECT_EQ(value(picker).day, 9);

    tap(picker, 130, 10);
    ASSERT_TRUE(is_window_visible(calendar));
    tap(calendar, 3 + 5 * 24 + 12, 43 + 3 * 18 + 9);  // Friday 25 December
    EXPECT_FALSE(is_window_visible(calendar));
    EXPECT_EQ(fields(value(picker)), (std::vector<int>{2026, 12, 25, 5, 8, 30, 0}));
}

TEST_F(DateTimePicker, TimeFieldsArePickedAndWrapWithoutCarrying) {
    HWND picker = make(DTS_TIMEFORMAT);
    ASSERT_TRUE(set(picker, date(2026, 12, 31, 23, 59, 0)));
    press(VK_UP);  // the hour
    EXPECT_EQ(fields(value(picker)), (std::vector<int>{2026, 12, 31, 4, 0, 59, 0}));
    press(VK_RIGHT);
    press(VK_UP);  // the minute
    press(VK_RIGHT);
    press(VK_DOWN);  // the second
    EXPECT_EQ(fields(value(picker)), (std::vector<int>{2026, 12, 31, 4, 0, 0, 59}));
    press(VK_RIGHT);  // back round to the hour
    press(VK_DOWN);
    EXPECT_EQ(value(picker).hour, 23);
    // Enter drops nothing in a time field.
    press(VK_RETURN);
    EXPECT_FALSE(is_window_visible(calendar_of(picker)));
}

TEST_F(DateTimePicker, ColoursSetThroughItsCalendarApplyToTheDropDown) {
    HWND picker = make(DTS_SHORTDATEFORMAT);
    const COLORREF green = rgb(0, 140, 60);
    send_message(calendar_of(picker), MCM_SETCOLOR, MCSC_TITLEBK, LPARAM(green));
    press(VK_RETURN);
    EXPECT_EQ(window_pixel(calendar_of(picker), 40, 3), green);
}
