#include "skinner/controls/ControlCalendar.h"

#include "FormFixture.h"
#include "LogCapture.h"
#include "plat/CommonControls.h"
#include "plat/UiTest.h"

#include <gtest/gtest.h>

using namespace skinner;

namespace {

const char* const calendar_skin = R"(<skin id="cal" devices=""><design width="240" height="320"/>
  <form name="Dates">
    <point name="Size" x="240" y="260"/>
    <control name="calMonth"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="180"/>
      <color name="Text" value="#102030"/><color name="TitleText" value="#405060"/>
      <color name="Background" value="#708090"/><color name="TitleBackground" value="#A0B0C0"/></control>
    <control name="calDate"><string name="Appearance" value="DatePicker"/>
      <point name="Position" x="10" y="190"/><point name="Size" x="100" y="24"/>
      <color name="Text" value="#010203"/><color name="TitleBackground" value="#040506"/></control>
    <control name="calTime"><string name="Appearance" value="TimePicker"/>
      <point name="Position" x="120" y="190"/><point name="Size" x="100" y="24"/></control>
    <control name="calOdd"><string name="Appearance" value="Moon"/>
      <point name="Position" x="0" y="220"/><point name="Size" x="240" y="30"/></control>
  </form></skin>)";

struct CalendarTest : testing::Test {
    CalendarTest() {
        const plat::ScreenProfile& profile = plat::screen_profile();
        properties.load_skin(skin_fixture::write_skin(calendar_skin), {profile.width, profile.height});
        form = std::make_unique<form_fixture::TestForm>(&properties, L"Dates");
        month = std::make_unique<ControlCalendar>(form.get(), L"calMonth");
        date = std::make_unique<ControlCalendar>(form.get(), L"calDate");
        time = std::make_unique<ControlCalendar>(form.get(), L"calTime");
        form->show(true);
        form->activate(true);  // as the modal loop's activation does
        plat::run_until_idle();
    }
    ~CalendarTest() override {
        time.reset();
        date.reset();
        month.reset();
    }
    static plat::RECT client_rect(const ControlCalendar& control, plat::HWND form_window) {
        plat::RECT rect;
        plat::get_window_rect(control.get_native_window(), rect);
        plat::POINT origin{0, 0};
        plat::client_to_screen(form_window, origin);
        return {rect.left - origin.x, rect.top - origin.y, rect.right - origin.x, rect.bottom - origin.y};
    }
    // The device reads modifiers as held when each key is handled.
    static void tab_with(uint32_t modifier) {
        plat::inject_key(modifier, true);
        plat::run_until_idle();
        plat::inject_key_press(plat::VK_TAB);
        plat::run_until_idle();
        plat::inject_key(modifier, false);
        plat::run_until_idle();
    }
    static liba::TimeStamp stamp(int y, int mo, int d, int h, int mi, int s) {
        liba::TimeStamp t;
        t.set_date(y, mo, d);
        t.set_time(h, mi, s);
        return t;
    }

    os::Application application{nullptr};
    Properties properties;
    std::unique_ptr<form_fixture::TestForm> form;
    std::unique_ptr<ControlCalendar> month, date, time;
};

} // namespace

TEST_F(CalendarTest, MonthCalendarIsCentredAtItsMinimumSizeAndAPickerFillsItsRectangle) {
    plat::RECT need{};
    plat::send_message(month->get_native_window(), plat::MCM_GETMINREQRECT, 0, reinterpret_cast<plat::LPARAM>(&need));
    ASSERT_GT(need.right, 0);
    ASSERT_LT(need.right, 240);
    const plat::RECT placed = client_rect(*month, form->get_window());
    EXPECT_EQ(placed.left, (240 - need.right) / 2);
    EXPECT_EQ(placed.top, (180 - need.bottom) / 2);
    EXPECT_EQ(placed.right - placed.left, need.right);
    EXPECT_EQ(month->get_position().x, 0);
    EXPECT_EQ(month->get_size().x, 240);

    const plat::RECT picker = client_rect(*date, form->get_window());
    EXPECT_EQ(picker.left, 10);
    EXPECT_EQ(picker.top, 190);
    EXPECT_EQ(picker.right, 110);
    EXPECT_EQ(picker.bottom, 214);
    // The picker keeps the new rectangle as its own too.
    date->set_rect({20, 100}, {150, 30});
    const plat::RECT moved = client_rect(*date, form->get_window());
    EXPECT_EQ(moved.left, 20);
    EXPECT_EQ(moved.right, 170);
    EXPECT_EQ(date->get_position().y, 100);
    EXPECT_EQ(date->get_size().x, 150);
    EXPECT_TRUE(date->hit_test({160, 110}));
}

TEST_F(CalendarTest, DatesRoundTripAndSurviveASkinReload) {
    EXPECT_EQ(ControlCalendar(form.get(), L"calOdd", creation_none).get_date(), liba::TimeStamp());
    month->set_date(stamp(2026, 3, 7, 6, 5, 4));
    date->set_date(stamp(2027, 12, 31, 0, 0, 0));
    time->set_date(stamp(2026, 1, 2, 23, 59, 58));
    EXPECT_EQ(month->get_date(), stamp(2026, 3, 7, 0, 0, 0));  // the month calendar holds no time
    EXPECT_EQ(date->get_date().day(), 31);
    EXPECT_EQ(time->get_date(), stamp(2026, 1, 2, 23, 59, 58));

    const plat::HWND old_window = month->get_native_window();
    form->reload_skin();
    EXPECT_NE(month->get_native_window(), old_window);
    EXPECT_FALSE(plat::is_window(old_window));
    EXPECT_EQ(month->get_date(), stamp(2026, 3, 7, 0, 0, 0));
    EXPECT_EQ(time->get_date(), stamp(2026, 1, 2, 23, 59, 58));
    EXPECT_TRUE(plat::is_window_visible(month->get_native_window()));
    month->set_visible(false);
    EXPECT_FALSE(plat::is_window_visible(month->get_native_window()));
}

TEST_F(CalendarTest, SkinColoursReachTheMonthCalendarAlsoThroughAPicker) {
    // Setting a colour answers the one before it.
    const auto previous = [](plat::HWND window, plat::WPARAM index) {
        return plat::COLORREF(plat::send_message(window, plat::MCM_SETCOLOR, index, 0));
    };
    const plat::HWND own = month->get_native_window();
    EXPECT_EQ(previous(own, plat::MCSC_TEXT), plat::rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(previous(own, plat::MCSC_TITLETEXT), plat::rgb(0x40, 0x50, 0x60));
    EXPECT_EQ(previous(own, plat::MCSC_MONTHBK), plat::rgb(0x70, 0x80, 0x90));
    EXPECT_EQ(previous(own, plat::MCSC_TITLEBK), plat::rgb(0xA0, 0xB0, 0xC0));
    const auto dropped =
        reinterpret_cast<plat::HWND>(plat::send_message(date->get_native_window(), plat::DTM_GETMONTHCAL, 0, 0));
    EXPECT_EQ(previous(dropped, plat::MCSC_TEXT), plat::rgb(1, 2, 3));
    EXPECT_EQ(previous(dropped, plat::MCSC_TITLEBK), plat::rgb(4, 5, 6));
    EXPECT_EQ(previous(dropped, plat::MCSC_MONTHBK), plat::rgb(0, 0, 0));
}

TEST_F(CalendarTest, UnknownAppearanceIsTakenAsCalendarAndLogged) {
    testing_support::LogCapture log;
    ControlCalendar odd(form.get(), L"calOdd");
    EXPECT_EQ(odd.get_appearance(), L"Calendar");
    EXPECT_EQ(plat::get_class_name(odd.get_native_window()), plat::MONTHCAL_CLASS);
    EXPECT_NE(log.text().find(L"Appearance {Moon} taken as Calendar"), std::wstring::npos);
}

TEST_F(CalendarTest, TabMovesOnShiftTabMovesBackCtrlTabStaysWithTheWindow) {
    plat::set_focus(date->get_native_window());
    plat::run_until_idle();
    EXPECT_EQ(form->get_focused_child(), date.get());

    plat::inject_key_press(plat::VK_TAB);
    plat::run_until_idle();
    EXPECT_EQ(form->get_focused_child(), time.get());
    EXPECT_EQ(plat::get_focus(), time->get_native_window());

    tab_with(plat::VK_SHIFT);
    EXPECT_EQ(form->get_focused_child(), date.get());
    EXPECT_EQ(plat::get_focus(), date->get_native_window());

    tab_with(plat::VK_CONTROL);
    EXPECT_EQ(form->get_focused_child(), date.get());
    EXPECT_EQ(plat::get_focus(), date->get_native_window());
}
