#include "alarm/AlarmPeriodicity.h"

#include "AlarmText.h"
#include "base/Convert.h"

#include <algorithm>

using liba::XmlNode;

namespace {

constexpr wchar_t attr_type[] = L"type";
constexpr wchar_t attr_additional[] = L"additional";

// The search for a day of the month never needs more than this: day 29 waits
// at most eight years for a leap February, shorter days far less.
constexpr int longest_month_search = 12 * 9;

// A date at 00:00, refused (false, `out` empty) when the calendar lacks it.
bool make_date(liba::TimeStamp& out, int year, int month, int day) {
    out = liba::TimeStamp();
    if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 ||
        day > liba::TimeStamp::days_in_month(year, month))
        return false;
    return out.set_date(year, month, day);
}

bool date_of(liba::TimeStamp& out, const liba::TimeStamp& from) {
    return make_date(out, from.year(), from.month(), from.day());
}

bool move_days(liba::TimeStamp& date, int days) {
    if (date.add_days(days))
        return true;
    date = liba::TimeStamp();
    return false;
}

void save_rule(const XmlNode& element, int type, const std::wstring& additional) {
    xml_set_attribute(element, attr_type, periodicity_type_name(type));
    if (type != periodicity_everyday)
        xml_set_attribute(element, attr_additional, additional);
}

void load_additional(const XmlNode& element, std::initializer_list<int*> fields) {
    std::wstring text;
    if (xml_get_attribute(element, attr_additional, text))
        read_ints(text, fields);
}

} // namespace

std::wstring periodicity_type_name(int type) {
    switch (type) {
    case periodicity_everyday: return L"everyday";
    case periodicity_dayofweek: return L"dayofweek";
    case periodicity_dayofmonth: return L"dayofmonth";
    case periodicity_once: return L"once";
    default: return {};
    }
}

std::unique_ptr<AlarmPeriodicityInterface> make_periodicity(int type) {
    switch (type) {
    case periodicity_everyday: return std::make_unique<AlarmPeriodicity<0>>();
    case periodicity_dayofweek: return std::make_unique<AlarmPeriodicity<1>>();
    case periodicity_dayofmonth: return std::make_unique<AlarmPeriodicity<2>>();
    case periodicity_once: return std::make_unique<AlarmPeriodicity<3>>();
    default: return nullptr;
    }
}

std::unique_ptr<AlarmPeriodicityInterface> make_periodicity(std::wstring_view type_name) {
    for (int type = periodicity_everyday; type <= periodicity_once; ++type)
        if (!type_name.empty() && periodicity_type_name(type) == type_name)
            return make_periodicity(type);
    return nullptr;
}

std::unique_ptr<AlarmPeriodicityInterface> make_periodicity(int type, const liba::TimeStamp& date) {
    switch (type) {
    case periodicity_dayofweek: return std::make_unique<AlarmPeriodicity<1>>(date.day_of_week());
    case periodicity_dayofmonth: return std::make_unique<AlarmPeriodicity<2>>(date.day());
    case periodicity_once: return std::make_unique<AlarmPeriodicity<3>>(date.year(), date.month(), date.day());
    default: return make_periodicity(type);
    }
}

// everyday

void AlarmPeriodicity<0>::save(const XmlNode& element) const { save_rule(element, type(), {}); }

bool AlarmPeriodicity<0>::next(liba::TimeStamp& out, const liba::TimeStamp& from, bool strict) const {
    return date_of(out, from) && move_days(out, strict ? 1 : 0);
}

// dayofweek

void AlarmPeriodicity<1>::save(const XmlNode& element) const { save_rule(element, type(), liba::format_int_wtext(weekday)); }

void AlarmPeriodicity<1>::load(const XmlNode& element) {
    load_additional(element, {&weekday});
    weekday = std::clamp(weekday, 0, 6);
}

bool AlarmPeriodicity<1>::matches(int y, int m, int d) const {
    liba::TimeStamp date;
    return make_date(date, y, m, d) && date.day_of_week() == weekday;
}

bool AlarmPeriodicity<1>::next(liba::TimeStamp& out, const liba::TimeStamp& from, bool strict) const {
    if (!date_of(out, from))
        return false;
    int ahead = ((weekday - out.day_of_week()) % 7 + 7) % 7;
    if (strict && ahead == 0)
        ahead = 7;
    return move_days(out, ahead);
}

// dayofmonth

void AlarmPeriodicity<2>::save(const XmlNode& element) const { save_rule(element, type(), liba::format_int_wtext(day)); }

void AlarmPeriodicity<2>::load(const XmlNode& element) {
    load_additional(element, {&day});
    day = std::clamp(day, 1, 31);
}

bool AlarmPeriodicity<2>::matches(int, int, int d) const { return d == day; }

bool AlarmPeriodicity<2>::next(liba::TimeStamp& out, const liba::TimeStamp& from, bool strict) const {
    // Whole dates are compared, so day 31 asked on the 31st moves on to the
    // next month that has a 31st instead of searching for ever.
    int year = from.year();
    int month = from.month();
    for (int step = 0; step < longest_month_search; ++step) {
        bool after_from = step > 0 || (strict ? day > from.day() : day >= from.day());
        if (after_from && day <= liba::TimeStamp::days_in_month(year, month))
            return make_date(out, year, month, day);
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    out = liba::TimeStamp();
    return false;
}

// once

void AlarmPeriodicity<3>::save(const XmlNode& element) const {
    save_rule(element, type(), liba::format_int_wtext(year) + L" " + liba::format_int_wtext(month) + L" " + liba::format_int_wtext(day));
}

void AlarmPeriodicity<3>::load(const XmlNode& element) { load_additional(element, {&year, &month, &day}); }

bool AlarmPeriodicity<3>::matches(int y, int m, int d) const { return y == year && m == month && d == day; }

bool AlarmPeriodicity<3>::next(liba::TimeStamp& out, const liba::TimeStamp& from, bool strict) const {
    // Not strict, a past date is still returned; the queue discards it.
    if (!make_date(out, year, month, day))
        return false;
    if (!strict || out > from)
        return true;
    out = liba::TimeStamp();
    return false;
}
