#include "app/ScheduleDates.h"

#include <algorithm>
#include <cstdio>

namespace schedule {

namespace {

std::wstring two_digits(int value) {
    wchar_t text[8];
    std::swprintf(text, 8, L"%02d", value);
    return text;
}

} // namespace

std::wstring time_text(int hour, int minute) { return two_digits(hour) + L" : " + two_digits(minute); }

std::wstring expand_template(const std::wstring& text, const liba::TimeStamp& date, const Translate& translate) {
    static constexpr std::wstring_view month_marker = L"%month%";
    static constexpr std::wstring_view day_marker = L"%day%";
    const std::wstring month = translate(L"monthfull" + std::to_wstring(date.month()));
    const std::wstring day = std::to_wstring(date.day());
    // One pass over the template: what was inserted is never searched again.
    std::wstring result;
    size_t at = 0;
    while (at < text.size()) {
        const size_t next_month = text.find(month_marker, at);
        const size_t next_day = text.find(day_marker, at);
        const size_t next = std::min(next_month, next_day);
        if (next == std::wstring::npos)
            break;
        result.append(text, at, next - at);
        const bool is_month = next == next_month;
        result += is_month ? month : day;
        at = next + (is_month ? month_marker : day_marker).size();
    }
    result.append(text, std::min(at, text.size()), std::wstring::npos);
    return result;
}

std::wstring rule_text(const Alarm& alarm, const Translate& translate) {
    const AlarmPeriodicityInterface* rule = alarm.get_periodicity();
    if (!rule)
        return {};
    switch (rule->type()) {
    case periodicity_everyday: return translate(L"periodEveryDay");
    case periodicity_dayofweek:
        if (auto* weekly = dynamic_cast<const AlarmPeriodicity<1>*>(rule))
            return translate(L"everydayweek" + std::to_wstring(weekly->weekday));
        break;
    case periodicity_dayofmonth:
        if (auto* monthly = dynamic_cast<const AlarmPeriodicity<2>*>(rule))
            return translate(L"everydaymonth" + std::to_wstring(monthly->day));
        break;
    case periodicity_once:
        if (auto* once = dynamic_cast<const AlarmPeriodicity<3>*>(rule))
            return std::to_wstring(once->day) + L" " + translate(L"month" + std::to_wstring(once->month)) +
                   std::to_wstring(once->year);
        break;
    default: break;
    }
    return {};
}

liba::TimeStamp day_start(const liba::TimeStamp& date) {
    liba::TimeStamp start = date.without_milliseconds();
    start.set_time(0, 0, 0);
    return start;
}

int32_t days_between(const liba::TimeStamp& a, const liba::TimeStamp& b) {
    const int64_t seconds = day_start(b).seconds_since(day_start(a));
    return int32_t(seconds / (int64_t(liba::TimeStamp::ticks_per_day / liba::TimeStamp::ticks_per_second)));
}

liba::TimeStamp week_start(const liba::TimeStamp& date, uint8_t startday) {
    const int weekday = date.day_of_week();
    // With Sunday first a Sunday (weekday 6) starts its own week.
    const int back = startday == startday_sunday ? (weekday + 1) % days_per_week : weekday;
    liba::TimeStamp start = date.without_milliseconds();
    start.add_days(-back);
    return start;
}

int weekday_of_row(int row, uint8_t startday) {
    return startday == startday_sunday ? (row + days_per_week - 1) % days_per_week : row;
}

MonthLayout month_layout(int year, int month, uint8_t startday) {
    liba::TimeStamp first;
    first.set_date(year, month, 1);
    MonthLayout layout;
    layout.offset = (first.day_of_week() + (startday == startday_sunday ? 1 : 0)) % days_per_week;
    layout.days = liba::TimeStamp::days_in_month(year, month);
    layout.weeks = (layout.days + layout.offset + days_per_week - 1) / days_per_week;
    return layout;
}

std::vector<int> alarms_on(const std::vector<Alarm>& alarms, int year, int month, int day) {
    std::vector<int> model;
    const auto minutes = [&](int index) { return alarms[size_t(index)].hour() * 60 + alarms[size_t(index)].minute(); };
    for (int i = 0; i < int(alarms.size()); ++i) {
        if (!alarms[size_t(i)].occurs_on(year, month, day))
            continue;
        // Before the first entry at the same time or later: equal times list the later index first.
        const auto at = std::find_if(model.begin(), model.end(), [&](int other) { return minutes(other) >= minutes(i); });
        model.insert(at, i);
    }
    return model;
}

} // namespace schedule

namespace schedule {

skinner::MenuRecord first_day_menu(const Translate& translate, uint8_t startday) {
    skinner::MenuRecord menu(L"mitFirst", translate(L"mitFirst"));
    skinner::MenuRecord sunday(L"mitSunday", translate(L"Sunday"));
    sunday.checked = startday == startday_sunday;
    skinner::MenuRecord monday(L"mitMonday", translate(L"Monday"));
    monday.checked = startday != startday_sunday;
    menu.entries.append(sunday);
    menu.entries.append(monday);
    return menu;
}

int first_day_of_command(const std::wstring& command) {
    if (command == L"mitSunday")
        return startday_sunday;
    if (command == L"mitMonday")
        return startday_monday;
    return -1;
}

} // namespace schedule
