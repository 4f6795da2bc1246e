#pragma once
#include "app/PanelScheduleDay.h"
#include "app/PanelScheduleMonth.h"
#include "app/PanelScheduleWeek.h"
#include "base/TimeStamp.h"
#include "skinner/Form.h"
#include "skinner/MenuMainButton.h"
#include "skinner/MenuMainControl.h"
#include "skinner/MenuMainSubMenu.h"
#include "skinner/controls/ControlTab.h"

#include <string_view>

// The alarms by day, week or month: one shared date that the three pages
// show, a Back soft key and a Menu the visible page helps fill.
class FormSchedule : public skinner::Form {
public:
    FormSchedule(skinner::Form* parent, skinner::Properties& properties);
    ~FormSchedule() override;

    const liba::TimeStamp& get_date() const { return date_; }
    void set_date(const liba::TimeStamp& date) { date_ = date; }
    // The week page when visible, else the month page when visible, else the day page.
    skinner::ControlTabElement& active_panel();
    // "day", "week" or "month"; any other name does nothing.
    void show_view(std::wstring_view name);
    void refresh_views();

    int32_t on_menu_command(skinner::Control* sender, const std::wstring& command) override;
    int32_t on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) override;
    int32_t on_key_down(int32_t code) override;

    PanelScheduleDay& get_day() { return day_; }
    PanelScheduleWeek& get_week() { return week_; }
    PanelScheduleMonth& get_month() { return month_; }
    skinner::ControlTab& get_tab() { return tab_; }

private:
    liba::TimeStamp date_ = liba::TimeStamp::now().without_milliseconds();
    skinner::ControlMenuMain menu_;
    skinner::MenuMainButton back_;
    skinner::MenuMainSubMenu menu_button_;
    skinner::ControlTab tab_;
    PanelScheduleDay day_;
    PanelScheduleWeek week_;
    PanelScheduleMonth month_;
};
