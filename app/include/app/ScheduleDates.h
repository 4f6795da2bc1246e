#pragma once
#include "alarm/Alarm.h"
#include "base/TimeStamp.h"

#include <cstdint>
#include <functional>
#include <string>

// The date arithmetic and texts that the schedule views and the message
// forms share. Translations come through a callback so that the rules can be
// used with any language source.
namespace schedule {

using Translate = std::function<std::wstring(const std::wstring& key)>;

constexpr int days_per_week = 7;
constexpr int minutes_per_day = 24 * 60;
constexpr uint8_t startday_sunday = 0;
constexpr uint8_t startday_monday = 1;
// The names and times of a grid's first column keep this far off its left edge.
constexpr int32_t first_column_inset = 3;

// "07 : 05": hour and minute, two digits each, joined by " : ".
std::wstring time_text(int hour, int minute);

// Every "%month%" becomes the translation of "monthfull" + month and every
// "%day%" the day of the month. The search continues after each inserted
// text, so a translation that holds a marker is kept as it stands.
std::wstring expand_template(const std::wstring& text, const liba::TimeStamp& date, const Translate& translate);

// The alarm's repeat rule in words, from the rule's own fields: every day,
// the weekday, the day of the month, or the once date ("5 May2006"). Empty
// for an alarm without a known rule.
std::wstring rule_text(const Alarm& alarm, const Translate& translate);

// The date at 00:00.
liba::TimeStamp day_start(const liba::TimeStamp& date);
// Whole days from a's date to b's date (negative when b comes first).
int32_t days_between(const liba::TimeStamp& a, const liba::TimeStamp& b);
// The first day of date's week: Monday with startday 1, Sunday with 0.
liba::TimeStamp week_start(const liba::TimeStamp& date, uint8_t startday);
// The weekday (0 Monday .. 6 Sunday) shown in row `row` of a week.
int weekday_of_row(int row, uint8_t startday);

// The month calendar's layout: one column per week, one row per weekday.
struct MonthLayout {
    int offset = 0;  // the row of day 1
    int days = 0;    // the month's length
    int weeks = 0;   // week columns (the names column not counted)
};
MonthLayout month_layout(int year, int month, uint8_t startday);

// Alarm indexes that ring on the date, ordered by time of day; at the same
// time the later index comes first.
std::vector<int> alarms_on(const std::vector<Alarm>& alarms, int year, int month, int day);

} // namespace schedule

#include "skinner/MenuRecord.h"

namespace schedule {

// The sub-menu "mitFirst" of the week and month pages: "mitSunday" and
// "mitMonday", the one in use checked.
skinner::MenuRecord first_day_menu(const Translate& translate, uint8_t startday);
// The first day a command of that sub-menu picks, -1 for any other command.
int first_day_of_command(const std::wstring& command);

} // namespace schedule
