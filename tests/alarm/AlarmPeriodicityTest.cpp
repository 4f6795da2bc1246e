#include "AlarmTestSupport.h"

#include "alarm/AlarmPeriodicity.h"
#include "base/Xml.h"

using alarm_test::at;
using alarm_test::text;

namespace {

std::string next_of(const AlarmPeriodicityInterface& rule, const char* from, bool strict) {
    liba::TimeStamp out;
    bool found = rule.next(out, at(from), strict);
    EXPECT_EQ(found, !Alarm::is_never(out));
    return text(out);
}

liba::XmlNode element_with(const wchar_t* additional) {
    liba::XmlNode element = liba::xml_add_child(liba::xml_create_document(), L"AlarmType");
    liba::xml_set_attribute(element, L"additional", additional);
    return element;
}

} // namespace

TEST(AlarmPeriodicity, EverydayIsTodayOrTomorrowWhenStrict) {
    AlarmPeriodicity<0> rule;
    EXPECT_EQ(next_of(rule, "2026-03-07 10:00:00", false), "2026-03-07 00:00:00");
    EXPECT_EQ(next_of(rule, "2026-03-07 10:00:00", true), "2026-03-08 00:00:00");
    EXPECT_EQ(next_of(rule, "2024-02-28 23:00:00", true), "2024-02-29 00:00:00");
    EXPECT_EQ(next_of(rule, "2025-12-31 23:00:00", true), "2026-01-01 00:00:00");
}

TEST(AlarmPeriodicity, DayOfWeekCountsFromMonday) {
    // 7 March 2026 is a Saturday (5).
    AlarmPeriodicity<1> saturday(5);
    EXPECT_EQ(next_of(saturday, "2026-03-07 10:00:00", false), "2026-03-07 00:00:00");
    EXPECT_EQ(next_of(saturday, "2026-03-07 10:00:00", true), "2026-03-14 00:00:00");
    AlarmPeriodicity<1> monday(0);
    EXPECT_EQ(next_of(monday, "2026-03-07 10:00:00", true), "2026-03-09 00:00:00");
    EXPECT_TRUE(monday.matches(2026, 3, 9));
    EXPECT_FALSE(monday.matches(2026, 3, 10));
    EXPECT_FALSE(monday.matches(2026, 2, 30));
}

TEST(AlarmPeriodicity, DayOfMonthSkipsShortMonths) {
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(5), "2026-03-08 10:00:00", false), "2026-04-05 00:00:00");
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(8), "2026-03-08 10:00:00", false), "2026-03-08 00:00:00");
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(8), "2026-03-08 10:00:00", true), "2026-04-08 00:00:00");
    // Day 31 asked on its own day: the next month that has one, not a search for ever.
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(31), "2026-01-31 10:00:00", true), "2026-03-31 00:00:00");
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(31), "2026-01-31 10:00:00", false), "2026-01-31 00:00:00");
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(31), "2025-12-31 10:00:00", true), "2026-01-31 00:00:00");
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(31), "2026-04-01 10:00:00", false), "2026-05-31 00:00:00");
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(30), "2026-01-31 10:00:00", false), "2026-03-30 00:00:00");
}

TEST(AlarmPeriodicity, DayOfMonthTwentyNineWaitsForLeapFebruary) {
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(29), "2024-02-01 10:00:00", false), "2024-02-29 00:00:00");
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(29), "2025-02-01 10:00:00", false), "2025-03-29 00:00:00");
    EXPECT_EQ(next_of(AlarmPeriodicity<2>(29), "2100-01-30 10:00:00", false), "2100-03-29 00:00:00");
}

TEST(AlarmPeriodicity, OnceGivesItsDateOrNothing) {
    AlarmPeriodicity<3> once(2026, 3, 7);
    EXPECT_EQ(next_of(once, "2026-03-01 10:00:00", true), "2026-03-07 00:00:00");
    // Not strict, a past date is still handed out (the queue drops it).
    EXPECT_EQ(next_of(once, "2026-03-09 10:00:00", false), "2026-03-07 00:00:00");
    EXPECT_EQ(next_of(once, "2026-03-07 10:00:00", true), "never");
    EXPECT_EQ(next_of(AlarmPeriodicity<3>(2026, 2, 30), "2026-01-01 10:00:00", false), "never");
    EXPECT_EQ(next_of(AlarmPeriodicity<3>(67137, 1, 1), "2026-01-01 10:00:00", false), "never");
    EXPECT_TRUE(once.matches(2026, 3, 7));
    EXPECT_FALSE(once.matches(2026, 3, 8));
}

TEST(AlarmPeriodicity, LoadClampsWeekdayAndDayOfMonth) {
    AlarmPeriodicity<1> weekday;
    weekday.load(element_with(L"9"));
    EXPECT_EQ(weekday.weekday, 6);
    AlarmPeriodicity<2> day;
    day.load(element_with(L"0"));
    EXPECT_EQ(day.day, 1);
    day.load(element_with(L"x"));
    EXPECT_EQ(day.day, 1);
    AlarmPeriodicity<3> once;
    once.load(element_with(L" 2027 4 x"));
    EXPECT_EQ(once.fields(), std::make_tuple(2027, 4, 1));
}

TEST(AlarmPeriodicity, TypesNamesCopiesAndEquality) {
    for (int type = 0; type <= 3; ++type) {
        auto rule = make_periodicity(periodicity_type_name(type));
        ASSERT_TRUE(rule);
        EXPECT_EQ(rule->type(), type);
        EXPECT_TRUE(rule->clone()->equals(*rule));
    }
    EXPECT_FALSE(make_periodicity(L"Everyday"));
    EXPECT_FALSE(make_periodicity(L""));
    EXPECT_FALSE(AlarmPeriodicity<2>(1).equals(AlarmPeriodicity<1>(1)));
    EXPECT_FALSE(AlarmPeriodicity<3>(2026, 1, 1).equals(AlarmPeriodicity<3>(2026, 1, 2)));
    auto from_date = make_periodicity(periodicity_dayofweek, at("2026-03-09 00:00:00"));
    EXPECT_TRUE(from_date->equals(AlarmPeriodicity<1>(0)));
}
