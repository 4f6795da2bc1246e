#pragma once
#include "plat/Clock.h"

#include <compare>
#include <cstdint>
#include <string>

namespace liba {

// The system's one date-and-time value: a local device time kept both as calendar fields and as
// ticks (100-ns units since 1 January 1601). Getters read the fields, comparisons and arithmetic
// the ticks. A date the calendar refuses (30 February) leaves the new fields in place and the
// ticks at their previous instant, as on the device; setters return false then.
class TimeStamp {
public:
    static constexpr uint64_t ticks_per_day = 864000000000ull;
    static constexpr uint64_t ticks_per_minute = 600000000ull;
    static constexpr uint64_t ticks_per_second = 10000000ull;

    TimeStamp() = default;  // 1 January 1601 00:00:00.000, 0 ticks
    // A copy is taken to the second: the copy's milliseconds are 0. Code that needs this must
    // not rely on it, since the compiler may elide a copy; it calls without_milliseconds().
    TimeStamp(const TimeStamp& other);
    // Values handed back from conversions move every field, milliseconds included.
    TimeStamp(TimeStamp&& other) noexcept = default;
    TimeStamp& operator=(const TimeStamp& other) = default;
    TimeStamp& operator=(TimeStamp&& other) noexcept = default;

    static TimeStamp now();  // local time, milliseconds included
    TimeStamp without_milliseconds() const;

    // The three setters that keep both views in step.
    bool set_system_time(const plat::SystemTime& fields);  // false: fields kept, ticks unchanged
    bool set_file_time(uint64_t file_time);                // false: nothing changes
    bool set_ticks(uint64_t ticks) { return set_file_time(ticks); }

    int year() const { return fields_.year; }
    int month() const { return fields_.month; }
    int day() const { return fields_.day; }
    int hour() const { return fields_.hour; }
    int minute() const { return fields_.minute; }
    int second() const { return fields_.second; }
    int milliseconds() const { return fields_.milliseconds; }
    const plat::SystemTime& system_time() const { return fields_; }
    uint64_t ticks() const { return ticks_; }
    uint64_t file_time() const { return ticks_; }

    // Replace three fields and keep the rest (milliseconds included); the conversion's result.
    // A number that does not fit 16 bits changes nothing and gives false.
    bool set_date(int year, int month, int day);
    bool set_time(int hour, int minute, int second);
    // Moves the month and keeps the day, so 31 January + 1 month is a refused 31 February.
    bool add_months(int months);
    // Linear steps; false (and no change) when the result leaves the calendar's range.
    bool add_days(int32_t days);
    bool add_minutes(int32_t minutes);
    int64_t seconds_since(const TimeStamp& other) const;  // truncated toward zero

    int day_of_week() const;  // 0 = Monday .. 6 = Sunday
    static int days_in_month(int year, int month);  // 0 for a month outside 1..12

    // "2026 03 07 06 05 00": year, then two-digit month, day, hour, minute and second.
    std::wstring to_text() const;

    bool operator==(const TimeStamp& other) const { return ticks_ == other.ticks_; }
    std::strong_ordering operator<=>(const TimeStamp& other) const { return ticks_ <=> other.ticks_; }

private:
    bool add_ticks(int64_t count, int64_t unit);

    plat::SystemTime fields_{};
    uint64_t ticks_ = 0;  // the same instant as the platform's file time
};

} // namespace liba
