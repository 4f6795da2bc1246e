#include "base/TimeStamp.h"

#include "base/Convert.h"

namespace liba {
namespace {

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_year(int year) { return is_leap_year(year) ? 366 : 365; }

// The calendar fields are 16 bits wide; a wider number is refused rather than wrapped.
bool fits_field(int value) { return value >= 0 && value <= UINT16_MAX; }

void append_two_digits(std::wstring& text, int value) {
    text += wchar_t(L'0' + value / 10 % 10);
    text += wchar_t(L'0' + value % 10);
}

} // namespace

TimeStamp::TimeStamp(const TimeStamp& other) : TimeStamp(other.without_milliseconds()) {}

TimeStamp TimeStamp::now() {
    TimeStamp value;
    value.set_system_time(plat::local_time());
    return value;
}

TimeStamp TimeStamp::without_milliseconds() const {
    TimeStamp value;
    value.set_date(year(), month(), day());
    value.set_time(hour(), minute(), second());
    return value;
}

bool TimeStamp::set_system_time(const plat::SystemTime& fields) {
    fields_ = fields;
    uint64_t file_time = 0;
    if (!plat::system_time_to_file_time(fields_, file_time))
        return false;
    ticks_ = file_time;
    return true;
}

bool TimeStamp::set_file_time(uint64_t file_time) {
    plat::SystemTime fields;
    if (!plat::file_time_to_system_time(file_time, fields))
        return false;
    fields_ = fields;
    ticks_ = file_time;
    return true;
}

bool TimeStamp::set_date(int year, int month, int day) {
    if (!fits_field(year) || !fits_field(month) || !fits_field(day))
        return false;
    plat::SystemTime fields = fields_;
    fields.year = uint16_t(year);
    fields.month = uint16_t(month);
    fields.day = uint16_t(day);
    return set_system_time(fields);
}

bool TimeStamp::set_time(int hour, int minute, int second) {
    if (!fits_field(hour) || !fits_field(minute) || !fits_field(second))
        return false;
    plat::SystemTime fields = fields_;
    fields.hour = uint16_t(hour);
    fields.minute = uint16_t(minute);
    fields.second = uint16_t(second);
    return set_system_time(fields);
}

bool TimeStamp::add_months(int months) {
    // Month arithmetic on a count of months, so that any step lands in 1..12.
    const int64_t total = int64_t(fields_.year) * 12 + (fields_.month - 1) + months;
    const int64_t year = total >= 0 ? total / 12 : (total - 11) / 12;
    if (year < 1 || year > UINT16_MAX)
        return false;
    plat::SystemTime fields = fields_;
    fields.year = uint16_t(year);
    fields.month = uint16_t(total - year * 12 + 1);
    return set_system_time(fields);
}

bool TimeStamp::add_ticks(int64_t count, int64_t unit) {
    int64_t step = 0;
    int64_t result = 0;
    if (__builtin_mul_overflow(count, unit, &step) ||
        __builtin_add_overflow(int64_t(ticks_), step, &result) || result < 0)
        return false;
    return set_ticks(uint64_t(result));
}

bool TimeStamp::add_days(int32_t days) { return add_ticks(days, int64_t(ticks_per_day)); }

bool TimeStamp::add_minutes(int32_t minutes) { return add_ticks(minutes, int64_t(ticks_per_minute)); }

int64_t TimeStamp::seconds_since(const TimeStamp& other) const {
    return (int64_t(ticks_) - int64_t(other.ticks_)) / int64_t(ticks_per_second);
}

int TimeStamp::days_in_month(int year, int month) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && is_leap_year(year) ? 29 : lengths[month - 1];
}

int TimeStamp::day_of_week() const {
    // Counted from 1 January 2006, a Sunday.
    int64_t days = 0;
    for (int y = 2006; y < year(); ++y)
        days += days_in_year(y);
    for (int y = 2005; y >= year(); --y)
        days -= days_in_year(y);
    for (int m = 1; m < month() && m <= 12; ++m)
        days += days_in_month(year(), m);
    days += day() + 5;
    return int((days % 7 + 7) % 7);
}

std::wstring TimeStamp::to_text() const {
    std::wstring text = format_int_wtext(year());
    for (int field : {month(), day(), hour(), minute(), second()}) {
        text += L' ';
        append_two_digits(text, field);
    }
    return text;
}

} // namespace liba
