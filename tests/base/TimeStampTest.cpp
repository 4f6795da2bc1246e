#include "base/TimeStamp.h"

#include <gtest/gtest.h>

using liba::TimeStamp;

namespace {

TimeStamp make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    TimeStamp t;
    EXPECT_TRUE(t.set_date(y, mo, d));
    EXPECT_TRUE(t.set_time(h, mi, s));
    return t;
}

TimeStamp with_milliseconds(int y, int mo, int d, int h, int mi, int s, int ms) {
    plat::SystemTime st;
    st.year = uint16_t(y);
    st.month = uint16_t(mo);
    st.day = uint16_t(d);
    st.hour = uint16_t(h);
    st.minute = uint16_t(mi);
    st.second = uint16_t(s);
    st.milliseconds = uint16_t(ms);
    TimeStamp t;
    EXPECT_TRUE(t.set_system_time(st));
    return t;
}

} // namespace

TEST(TimeStamp, DefaultIsStartOf1601AndBeforeNow) {
    const TimeStamp zero;
    EXPECT_EQ(zero.to_text(), L"1601 01 01 00 00 00");
    EXPECT_EQ(zero.ticks(), 0u);
    EXPECT_LT(zero, TimeStamp::now());
}

TEST(TimeStamp, TextFormAndTicks) {
    const TimeStamp t = make(2026, 3, 7, 6, 5, 0);
    EXPECT_EQ(t.to_text(), L"2026 03 07 06 05 00");
    // 7 March 2026 is day 155293 since 1601 (20519 days after 1970-01-01).
    EXPECT_EQ(t.ticks(), (155293ull * 86400 + 6 * 3600 + 5 * 60) * TimeStamp::ticks_per_second);
    EXPECT_EQ(t.file_time(), t.ticks());
    EXPECT_EQ(make(30827, 12, 31, 23, 59, 59).to_text(), L"30827 12 31 23 59 59");
}

TEST(TimeStamp, DaysInMonthFollowsTheGregorianRule) {
    EXPECT_EQ(TimeStamp::days_in_month(1900, 2), 28);
    EXPECT_EQ(TimeStamp::days_in_month(2000, 2), 29);
    EXPECT_EQ(TimeStamp::days_in_month(2024, 2), 29);
    EXPECT_EQ(TimeStamp::days_in_month(2026, 2), 28);
    EXPECT_EQ(TimeStamp::days_in_month(2026, 4), 30);
    EXPECT_EQ(TimeStamp::days_in_month(2026, 12), 31);
    EXPECT_EQ(TimeStamp::days_in_month(2026, 13), 0);
}

TEST(TimeStamp, DayOfWeekCountsFromFirstJanuary2006) {
    EXPECT_EQ(make(2006, 1, 1).day_of_week(), 6);   // Sunday
    EXPECT_EQ(make(2006, 1, 2).day_of_week(), 0);   // Monday
    EXPECT_EQ(make(2005, 12, 31).day_of_week(), 5);
    EXPECT_EQ(make(2000, 2, 29).day_of_week(), 1);
    EXPECT_EQ(make(2026, 3, 7).day_of_week(), 5);   // Saturday
    EXPECT_EQ(make(1601, 1, 1).day_of_week(), 0);   // Monday
    // Agrees with the linear time on every day across several leap years.
    TimeStamp day = make(1895, 1, 1);
    int expected = day.day_of_week();
    for (int i = 0; i < 50000; ++i) {
        ASSERT_EQ(day.day_of_week(), expected) << day.to_text();
        ASSERT_TRUE(day.add_days(1));
        expected = (expected + 1) % 7;
    }
}

TEST(TimeStamp, RefusedDateKeepsNewFieldsAndOldInstant) {
    TimeStamp t = make(2026, 2, 1, 7, 30, 0);
    const uint64_t before = t.ticks();
    EXPECT_FALSE(t.set_date(2026, 2, 30));  // hand-edited 30 February stays invalid
    EXPECT_EQ(t.month(), 2);
    EXPECT_EQ(t.day(), 30);
    EXPECT_EQ(t.ticks(), before);
    EXPECT_FALSE(t.set_date(2023, 2, 29));
    EXPECT_TRUE(t.set_date(2024, 2, 29));
    EXPECT_FALSE(t.set_time(24, 0, 0));
    EXPECT_EQ(t.hour(), 24);
    EXPECT_TRUE(t.set_time(23, 59, 59));
    EXPECT_EQ(t.to_text(), L"2024 02 29 23 59 59");
}

// Fields are 16 bits wide: a number that does not fit must be refused, not wrapped into a date
// the calendar accepts (65536 + 2026 is no way to say 2026).
TEST(TimeStamp, NumbersBeyondSixteenBitsAreRefusedNotWrapped) {
    TimeStamp t = make(2026, 3, 7, 6, 5, 0);
    EXPECT_FALSE(t.set_date(65536 + 2026, 3, 8));
    EXPECT_FALSE(t.set_date(2026, 65536 + 3, 8));
    EXPECT_FALSE(t.set_date(2026, 3, -65536 + 8));
    EXPECT_FALSE(t.set_time(65536 + 7, 0, 0));
    EXPECT_FALSE(t.set_time(7, -1, 0));
    EXPECT_EQ(t.to_text(), L"2026 03 07 06 05 00");
    EXPECT_EQ(t, make(2026, 3, 7, 6, 5, 0));
}

TEST(TimeStamp, SetFileTimeFailureChangesNothing) {
    TimeStamp t = make(2026, 3, 7, 6, 5, 0);
    EXPECT_FALSE(t.set_file_time(0x8000000000000000ull));
    EXPECT_EQ(t.to_text(), L"2026 03 07 06 05 00");
    EXPECT_EQ(t, make(2026, 3, 7, 6, 5, 0));
    EXPECT_TRUE(t.set_file_time(TimeStamp::ticks_per_day * 366));  // 1602 is a common year
    EXPECT_EQ(t.to_text(), L"1602 01 02 00 00 00");
}

TEST(TimeStamp, AddMonthsAcrossYearEnds) {
    TimeStamp t = make(2026, 1, 15, 8, 0, 0);
    EXPECT_TRUE(t.add_months(-1));
    EXPECT_EQ(t.to_text(), L"2025 12 15 08 00 00");
    EXPECT_TRUE(t.add_months(1));
    EXPECT_EQ(t.to_text(), L"2026 01 15 08 00 00");
    EXPECT_TRUE(t.add_months(-14));
    EXPECT_EQ(t.to_text(), L"2024 11 15 08 00 00");
    EXPECT_TRUE(t.add_months(25));
    EXPECT_EQ(t.to_text(), L"2026 12 15 08 00 00");

    // The day is kept: 31 January + 1 month is a refused 31 February at the old instant.
    TimeStamp end = make(2026, 1, 31);
    const TimeStamp before = make(2026, 1, 31);
    EXPECT_FALSE(end.add_months(1));
    EXPECT_EQ(end.month(), 2);
    EXPECT_EQ(end.day(), 31);
    EXPECT_EQ(end, before);
}

TEST(TimeStamp, AddDaysAndMinutesAcrossMonthEnds) {
    TimeStamp t = make(2024, 3, 1, 12, 0, 0);
    EXPECT_TRUE(t.add_days(-1));
    EXPECT_EQ(t.to_text(), L"2024 02 29 12 00 00");
    t = make(2023, 3, 1, 12, 0, 0);
    EXPECT_TRUE(t.add_days(-1));
    EXPECT_EQ(t.to_text(), L"2023 02 28 12 00 00");
    t = make(2026, 12, 31, 23, 30, 0);
    EXPECT_TRUE(t.add_minutes(60));
    EXPECT_EQ(t.to_text(), L"2027 01 01 00 30 00");
    EXPECT_TRUE(t.add_days(365));
    EXPECT_EQ(t.to_text(), L"2028 01 01 00 30 00");
    EXPECT_TRUE(t.add_days(366));  // 2028 is a leap year
    EXPECT_EQ(t.to_text(), L"2029 01 01 00 30 00");

    // Steps beyond the calendar's range change nothing.
    TimeStamp start;
    EXPECT_FALSE(start.add_minutes(-1));
    EXPECT_EQ(start.ticks(), 0u);
    EXPECT_FALSE(t.add_days(INT32_MAX));
    EXPECT_EQ(t.to_text(), L"2029 01 01 00 30 00");
}

TEST(TimeStamp, SecondsSinceTruncatesTowardZero) {
    const TimeStamp a = with_milliseconds(2026, 3, 7, 6, 5, 0, 0);
    const TimeStamp b = with_milliseconds(2026, 3, 7, 6, 5, 1, 500);
    EXPECT_EQ(b.seconds_since(a), 1);
    EXPECT_EQ(a.seconds_since(b), -1);
    EXPECT_EQ(make(2026, 3, 8).seconds_since(make(2026, 3, 7)), 86400);
}

TEST(TimeStamp, CopyDropsMillisecondsAssignmentKeepsThem) {
    const TimeStamp original = with_milliseconds(2026, 3, 7, 6, 5, 0, 500);
    const TimeStamp copy(original);
    EXPECT_EQ(copy.milliseconds(), 0);
    EXPECT_GT(original, copy);
    EXPECT_FALSE(original == copy);
    EXPECT_EQ(original.without_milliseconds(), copy);

    TimeStamp assigned;
    assigned = original;
    EXPECT_EQ(assigned.milliseconds(), 500);
    EXPECT_EQ(assigned, original);
    // A value handed back from a function keeps its milliseconds.
    const TimeStamp returned = with_milliseconds(2026, 3, 7, 6, 5, 0, 500);
    EXPECT_EQ(returned, original);
}

TEST(TimeStamp, NowFollowsTheFakeClock) {
    plat::SystemTime st;
    st.year = 2026;
    st.month = 3;
    st.day = 7;
    st.hour = 6;
    st.minute = 5;
    st.milliseconds = 250;
    plat::set_fake_clock(st, false);
    const TimeStamp now = TimeStamp::now();
    plat::clear_fake_clock();
    EXPECT_EQ(now.to_text(), L"2026 03 07 06 05 00");
    EXPECT_EQ(now.milliseconds(), 250);
}
