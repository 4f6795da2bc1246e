#include "ScheduleFixture.h"

#include "app/FormSchedule.h"
#include "app/ScheduleDates.h"
#include "skinner/MenuRecord.h"

using model_fixture::at;
using namespace schedule_fixture;

namespace {

std::string day_text(const liba::TimeStamp& date) {
    return std::to_string(date.year()) + "-" + std::to_string(date.month()) + "-" + std::to_string(date.day());
}

class ScheduleFormTest : public ScheduleTest {
protected:
    std::unique_ptr<FormSchedule> open() { return std::make_unique<FormSchedule>(nullptr, properties); }
    // A tap on a row of a grid, through the form's pointer input.
    static void tap_row(skinner::Form& form, skinner::ControlGrid& grid, int row, int height, int x = 60) {
        const plat::POINT at = grid.get_painter().get_position();
        const plat::POINT point{at.x + x, at.y + row * height + height / 2};
        form.pointer_down(skinner::pointer_tap, point, false);
        form.pointer_up(skinner::pointer_tap, point, false);
    }
    void set_first_day(uint8_t startday) { document->get_settings().set_startday(startday); }
};

skinner::GridCellEvent cell_event(int32_t column, int32_t row) {
    skinner::GridCellEvent cell;
    cell.column = column;
    cell.row = row;
    return cell;
}

std::vector<std::wstring> commands(const skinner::MenuRecord& menu) {
    std::vector<std::wstring> list;
    for (const skinner::MenuRecord& entry : menu.entries)
        list.push_back(entry.command + (entry.separator_after ? L"|" : L""));
    return list;
}

} // namespace

TEST_F(ScheduleFormTest, TheDayListsItsAlarmsByTimeWithTheLaterIndexFirstAtTheSameTime) {
    Alarm skipped = make_alarm(1, "2006-03-08 00:00:00", 6, 30, L"skipped");
    skipped.add_exception(AlarmPeriodicity<3>(2006, 3, 8));
    document->add_alarm(make_alarm(1, "2006-03-01 00:00:00", 7, 30, L"weekly"));  // 0: Wednesdays
    document->add_alarm(make_alarm(0, "2006-03-01 00:00:00", 7, 30, L"daily"));   // 1
    document->add_alarm(make_alarm(3, "2006-03-08 00:00:00", 6, 0, L"once"));     // 2
    document->add_alarm(skipped);                                                 // 3
    document->add_alarm(make_alarm(3, "2006-03-09 00:00:00", 5, 0, L"tomorrow"));  // 4
    document->add_alarm(make_alarm(2, "2006-02-08 00:00:00", 7, 30, L"monthly"));  // 5: the 8th
    auto form = open();
    PanelScheduleDay& day = form->get_day();
    EXPECT_EQ(day.get_caption().get_text(), L"8/3/2006 Wednesday");
    EXPECT_EQ(day.get_model(), (std::vector<int>{2, 5, 1, 0}));

    form->set_date(at("2006-03-09 10:00:00"));
    day.update();
    EXPECT_EQ(day.get_model(), (std::vector<int>{4, 1}));
}

TEST_F(ScheduleFormTest, TheActionColumnKeepsEachIconInItsSlot) {
    document->add_alarm(make_alarm(0, "2006-03-01 00:00:00", 7, 0, L"all", {true, true, false}, L"note.wav"));
    document->add_alarm(make_alarm(0, "2006-03-01 00:00:00", 8, 0, L"pause", {false, false, true}, L"note.wav"));
    document->add_alarm(make_alarm(0, "2006-03-01 00:00:00", 9, 0, L"no note", {false, true, true}));
    auto form = open();
    PanelScheduleDay::DayCalendar& list = form->get_day().get_list();
    EXPECT_EQ(list.get_column_width(2), 6 + 8 + 10 + 10);
    // attention_icon at 2, time at 6 + 4, the note's icon at 6 + 4 + 8 + 2; all 5 from the top of a 20-high cell.
    std::vector<std::vector<plat::COLORREF>> rows;
    for (int row = 0; row < 3; ++row) {
        skin_fixture::Screen screen(40, 20, plat::rgb(1, 2, 3));
        list.paint_cell(2, row, *screen.canvas, {0, 0}, {40, 20}, false, false);
        rows.push_back({screen.at(3, 10), screen.at(11, 10), screen.at(21, 10), screen.at(21, 4)});
    }
    EXPECT_EQ(rows[0], (std::vector<plat::COLORREF>{attention_icon, time_icon, sound_icon, white}));
    EXPECT_EQ(rows[1], (std::vector<plat::COLORREF>{white, white, pause_icon, white}));
    EXPECT_EQ(rows[2], (std::vector<plat::COLORREF>{white, time_icon, white, white}));
}

TEST_F(ScheduleFormTest, ATapSelectsARowAndASecondTapEditsIt) {
    document->add_alarm(make_alarm(0, "2006-03-01 00:00:00", 7, 0, L"first"));
    document->add_alarm(make_alarm(0, "2006-03-01 00:00:00", 8, 0, L"second"));
    auto form = open();
    PanelScheduleDay::DayCalendar& list = form->get_day().get_list();
    tap_row(*form, list, 1, 20);
    EXPECT_EQ(list.get_selected_row(), 1);
    EXPECT_TRUE(recorder->hints.empty());
    tap_row(*form, list, 1, 20);
    ASSERT_EQ(recorder->hints.size(), 1u);
    EXPECT_EQ(recorder->hints[0].alarm_index, 1);
    EXPECT_EQ(recorder->hints[0].mode, 1);
    tap_row(*form, list, 0, 20);  // another row: selected only
    EXPECT_EQ(recorder->hints.size(), 1u);
    EXPECT_EQ(list.on_key_down(skinner::key::action), 1);
    ASSERT_EQ(recorder->hints.size(), 2u);
    EXPECT_EQ(recorder->hints[1].alarm_index, 0);

    // Another day keeps no selection: its first tap selects only.
    form->set_date(at("2006-03-09 10:00:00"));
    form->get_day().update();
    EXPECT_EQ(list.get_selected_row(), -1);
    tap_row(*form, list, 0, 20);
    EXPECT_EQ(recorder->hints.size(), 2u);
    EXPECT_EQ(list.get_selected_row(), 0);
}

TEST_F(ScheduleFormTest, CopyEditAndNewAlarmSendTheirHintsAndAnEmptyDaySendsNone) {
    auto form = open();
    for (const wchar_t* command : {L"mitCopyAlarm", L"mitEditAlarm", L"mitDeleteAlarm"})
        EXPECT_EQ(form->on_menu_command(nullptr, command), 0);
    EXPECT_TRUE(recorder->hints.empty());

    document->add_alarm(make_alarm(0, "2006-03-01 00:00:00", 7, 0, L"daily"));
    form->refresh_views();
    form->get_day().get_list().set_selected_row(0);
    form->on_menu_command(nullptr, L"mitCopyAlarm");
    form->on_menu_command(nullptr, L"mitEditAlarm");
    form->get_month().get_list().select_cell(cell_event(3, 1));  // not visible: the shared date stays
    form->set_date(at("2006-03-14 09:00:00"));
    form->on_menu_command(nullptr, L"mitNewAlarm");
    ASSERT_EQ(recorder->hints.size(), 3u);
    const std::vector<std::tuple<int, int, std::string>> expected{
        {0, 0, "2006-3-8"}, {0, 1, "2006-3-8"}, {-1, 0, "2006-3-14"}};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(std::make_tuple(recorder->hints[i].alarm_index, recorder->hints[i].mode,
                                  day_text(recorder->hints[i].date)),
                  expected[i]);
}

TEST_F(ScheduleFormTest, TheMenuHoldsNewAlarmAndThenTheVisiblePagesItems) {
    auto form = open();
    skinner::MenuRecord menu(L"Menu", L"");
    form->on_create_menu(nullptr, menu);
    EXPECT_EQ(commands(menu), (std::vector<std::wstring>{L"mitNewAlarm|", L"mitCopyAlarm", L"mitEditAlarm",
                                                         L"mitDeleteAlarm|"}));
    EXPECT_FALSE(menu.entries[1].enabled);
    form->show_view(L"week");
    skinner::MenuRecord week(L"Menu", L"");
    form->on_create_menu(nullptr, week);
    ASSERT_EQ(commands(week), (std::vector<std::wstring>{L"mitNewAlarm|", L"mitFirst"}));
    EXPECT_EQ(commands(week.entries[1]), (std::vector<std::wstring>{L"mitSunday", L"mitMonday"}));
    EXPECT_TRUE(week.entries[1].entries[1].checked);  // Monday first unless settings.ini says otherwise
}

TEST_F(ScheduleFormTest, DeletingOneDayThenTheSeriesThroughTheQuestion) {
    document->add_alarm(make_alarm(1, "2006-03-01 00:00:00", 7, 30, L"weekly"));
    document->add_alarm(make_alarm(3, "2006-03-08 00:00:00", 9, 0, L"once"));
    auto form = open();
    PanelScheduleDay& day = form->get_day();
    day.get_list().set_selected_row(0);
    click_later(L"btnCancel");
    form->on_menu_command(nullptr, L"mitDeleteAlarm");
    EXPECT_EQ(day.get_model(), (std::vector<int>{0, 1}));

    click_later(L"btnNo");  // this day only
    form->on_menu_command(nullptr, L"mitDeleteAlarm");
    EXPECT_EQ(day.get_model(), (std::vector<int>{1}));
    ASSERT_EQ(document->alarm_vector_at(0).get_exceptions().size(), 1u);
    EXPECT_TRUE(document->alarm_vector_at(0).occurs_on(2006, 3, 15));

    // A once alarm has nothing but itself: "No" keeps it, "Yes" deletes it.
    day.get_list().set_selected_row(0);
    click_later(L"btnNo");
    form->on_menu_command(nullptr, L"mitDeleteAlarm");
    EXPECT_EQ(document->alarm_count(), 2);
    click_later(L"btnYes");
    form->on_menu_command(nullptr, L"mitDeleteAlarm");
    EXPECT_EQ(document->alarm_count(), 1);
    EXPECT_TRUE(day.get_model().empty());
}

TEST(ScheduleDates, WeekStartsForBothFirstDaysAcrossMonthAndYearEnds) {
    const std::vector<std::tuple<const char*, uint8_t, std::string>> cases{
        {"2006-03-08 10:00:00", 1, "2006-3-6"},  {"2006-03-08 10:00:00", 0, "2006-3-5"},
        {"2006-03-12 10:00:00", 0, "2006-3-12"}, {"2006-03-12 10:00:00", 1, "2006-3-6"},
        {"2006-03-01 10:00:00", 1, "2006-2-27"}, {"2007-01-01 10:00:00", 0, "2006-12-31"},
        {"2006-12-31 10:00:00", 1, "2006-12-25"}};
    for (const auto& [date, first, start] : cases)
        EXPECT_EQ(day_text(schedule::week_start(at(date), first)), start) << date << " first " << int(first);
}

TEST_F(ScheduleFormTest, TheWeekShowsItsDaysCaptionSelectionAndLabels) {
    document->add_alarm(make_alarm(0, "2006-03-01 00:00:00", 12, 0));                // every day
    document->add_alarm(make_alarm(3, "2006-03-01 00:00:00", 6, 15));               // 1 March only
    set_now("2006-03-01 10:00:00");
    auto form = open();
    form->show_view(L"week");
    PanelScheduleWeek& week = form->get_week();
    EXPECT_EQ(day_text(week.get_start()), "2006-2-27");
    EXPECT_EQ(week.get_caption().get_text(), L"27 Feb - 5 Mar");
    EXPECT_EQ(week.get_list().get_selected_row(), 2);
    using Times = std::vector<std::pair<int, int>>;
    EXPECT_EQ(week.get_list().model[2], (Times{{12, 0}, {6, 15}}));  // in index order
    EXPECT_EQ(week.get_list().model[3], (Times{{12, 0}}));
    // The label (10 wide) at noon halfway along the usable width of a 200-wide line.
    EXPECT_EQ(week.get_list().label_x(0, 200, 720), 2 + (200 - 10 - 4) / 2);
    EXPECT_EQ(week.get_list().label_x(0, 200, 0), 2);

    week.get_list().set_selected_row(5);  // visible: the shared date follows
    EXPECT_EQ(day_text(form->get_date()), "2006-3-4");
    week.on_key_down(skinner::key::right);
    EXPECT_EQ(week.get_caption().get_text(), L"6 Mar - 12 Mar");
    EXPECT_EQ(week.get_list().get_selected_row(), -1);

    // Sunday first from the menu: the setting is saved and the week starts on 26 February.
    form->on_menu_command(nullptr, L"mitSunday");
    EXPECT_EQ(document->get_settings().get_startday(), 0);
    EXPECT_NE(read("settings.ini").find("startday=\"false\""), std::string::npos);
    EXPECT_EQ(day_text(week.get_start()), "2006-2-26");
    EXPECT_EQ(week.get_list().get_selected_row(), 6);

    week.get_list().on_key_down(skinner::key::action);
    EXPECT_TRUE(form->get_day().is_own_visible());
    EXPECT_EQ(form->get_day().get_caption().get_text(), L"4/3/2006 dayweekfull5");
}

TEST(ScheduleDates, MonthLayoutsForBothFirstDays) {
    const std::vector<std::tuple<int, int, uint8_t, int, int>> cases{
        {2006, 3, 1, 2, 5}, {2006, 3, 0, 3, 5},  // begins on a Wednesday
        {2010, 2, 1, 0, 4}, {2010, 2, 0, 1, 5},  // 28 days from a Monday
        {2015, 2, 0, 0, 4}, {2015, 2, 1, 6, 5},  // 28 days from a Sunday
        {2006, 12, 1, 4, 5}, {2007, 12, 1, 5, 6}};
    for (const auto& [year, month, first, offset, weeks] : cases) {
        const schedule::MonthLayout layout = schedule::month_layout(year, month, first);
        EXPECT_EQ(std::make_pair(layout.offset, layout.weeks), std::make_pair(offset, weeks))
            << year << "-" << month << " first " << int(first);
    }
}

TEST_F(ScheduleFormTest, TheMonthSelectsTheSharedDateAndItsCellsSetIt) {
    auto form = open();
    form->show_view(L"month");
    PanelScheduleMonth::MonthCalendar& month = form->get_month().get_list();
    EXPECT_EQ(form->get_month().get_caption().get_text(), L"March 2006");
    int32_t column = 0, row = 0;
    month.get_selected_cell(column, row);
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(2, 2));  // 8 March
    EXPECT_EQ(day_text(month.date_of(1, 0)), "2006-2-27");
    EXPECT_EQ(day_text(month.date_of(5, 6)), "2006-4-2");

    month.select_cell(cell_event(3, 4));
    EXPECT_EQ(day_text(form->get_date()), "2006-3-17");
    // The names column is no day: neither a tap nor Home selects it, and its click opens nothing.
    month.select_cell(cell_event(0, 4));
    month.on_key_down(skinner::key::home);
    month.get_selected_cell(column, row);
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(1, 4));
    EXPECT_EQ(month.raise_item_click(cell_event(0, 4)), 0);
    EXPECT_TRUE(form->get_month().is_own_visible());
    EXPECT_EQ(day_text(form->get_date()), "2006-3-3");

    month.raise_item_click(cell_event(1, 4));
    EXPECT_TRUE(form->get_day().is_own_visible());
    EXPECT_EQ(form->get_day().get_caption().get_text(), L"3/3/2006 dayweekfull4");
}

TEST_F(ScheduleFormTest, MonthKeysWalkOverEveryEdgeIntoTheNeighbouringMonths) {
    set_now("2006-12-08 10:00:00");
    auto form = open();
    form->show_view(L"month");
    PanelScheduleMonth& page = form->get_month();
    PanelScheduleMonth::MonthCalendar& month = page.get_list();
    const auto press = [&](int32_t select_column, int32_t select_row, int32_t key) {
        month.set_selected_cell(select_column, select_row);
        month.on_key_down(key);
        int32_t column = 0, row = 0;
        month.get_selected_cell(column, row);
        return std::to_string(page.get_month().year()) + "-" + std::to_string(page.get_month().month()) + " " +
               std::to_string(column) + "," + std::to_string(row);
    };
    using skinner::key::down, skinner::key::left, skinner::key::right, skinner::key::up;
    // December 2006 with Monday first: offset 4, 5 weeks, so 6 columns.
    EXPECT_EQ(press(5, 3, right), "2006-12 1,4");
    EXPECT_EQ(press(1, 3, left), "2006-12 5,2");
    EXPECT_EQ(press(2, 0, up), "2006-12 1,6");
    EXPECT_EQ(press(2, 6, down), "2006-12 3,0");
    EXPECT_EQ(press(2, 3, right), "2006-12 3,3");
    EXPECT_EQ(press(5, 6, right), "2007-1 1,0");
    EXPECT_EQ(press(1, 0, left), "2006-12 5,6");
    EXPECT_EQ(press(5, 6, down), "2007-1 1,0");
    EXPECT_EQ(press(1, 0, up), "2006-12 5,6");
    // With no cell of the shown month selected, a key starts at its first day column.
    month.set_selected_cell_xy(-1, -1);
    month.on_key_down(left);
    int32_t column = 0, row = 0;
    month.get_selected_cell(column, row);
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(1, 0));
    EXPECT_EQ(page.get_caption().get_text(), L"monthfull12 2006");
    EXPECT_EQ(day_text(form->get_date()), "2006-11-27");
}

TEST_F(ScheduleFormTest, TheMonthMarksDaysWithAlarmsTheSelectedOneAndToday) {
    document->add_alarm(make_alarm(1, "2006-03-10 00:00:00", 7, 0));  // Fridays
    document->add_alarm(make_alarm(1, "2006-03-10 00:00:00", 8, 0));
    auto form = open();
    form->show_view(L"month");
    PanelScheduleMonth::MonthCalendar& month = form->get_month().get_list();
    EXPECT_EQ(month.counts[9], 2);
    EXPECT_EQ(month.counts[8], 0);
    month.select_cell(cell_event(3, 4));  // 17 March, selected
    const auto cell = [&](int32_t column, int32_t row) {
        skin_fixture::Screen screen(30, 30, plat::rgb(1, 2, 3));
        month.paint_cell(column, row, *screen.canvas, {0, 0}, {30, 30}, month.is_cell_selected(column, row), false);
        return screen.at(2, 2);
    };
    EXPECT_EQ(cell(2, 4), normal_ex);    // 10 March
    EXPECT_EQ(cell(3, 4), selected_ex);  // 17 March
    EXPECT_EQ(cell(2, 2), attention_icon);    // 8 March, today
    EXPECT_EQ(cell(2, 3), white);        // 9 March
    month.select_cell(cell_event(2, 3));
    EXPECT_EQ(cell(2, 3), selection);
}
