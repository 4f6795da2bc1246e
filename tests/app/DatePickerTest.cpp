#include "ScheduleFixture.h"

#include "app/FormCalendar.h"

using model_fixture::at;
using namespace schedule_fixture;

using DatePickerTest = ScheduleTest;

// Moves the calendar to 12 March, then presses the button.
TEST_F(DatePickerTest, OkKeepsThePickedDayCancelAndTheSecondOkDoNot) {
    for (const auto& [button, expected] : std::vector<std::pair<std::wstring, int>>{
             {L"btnOk", 12}, {L"btnCancel", 8}, {L"btnOk2", 8}}) {
        FormCalendar form(nullptr, properties, at("2006-03-08 10:00:00"));
        EXPECT_EQ(form.get_calendar().get_date().day(), 8);
        form_fixture::later([&] { form.get_calendar().set_date(at("2006-03-12 10:00:00")); });
        click_later(button);
        form.do_modal();
        EXPECT_EQ(form.get_date().day(), expected) << std::string(button.begin(), button.end());
        EXPECT_EQ(form.get_date().month(), 3);
    }
}
