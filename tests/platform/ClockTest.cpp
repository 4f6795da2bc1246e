#include "plat/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>

using plat::SystemTime;

namespace {

SystemTime make_time(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SystemTime st;
    st.year = uint16_t(y);
    st.month = uint16_t(mo);
    st.day = uint16_t(d);
    st.hour = uint16_t(h);
    st.minute = uint16_t(mi);
    st.second = uint16_t(s);
    st.milliseconds = uint16_t(ms);
    return st;
}

bool converts(const SystemTime& st) {
    uint64_t ft = 0;
    return plat::system_time_to_file_time(st, ft);
}

std::string fields(const SystemTime& st) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", st.year, st.month, st.day,
                  st.hour, st.minute, st.second, st.milliseconds);
    return text;
}

class FakeClock : public testing::Test {
protected:
    void TearDown() override { plat::clear_fake_clock(); }
};

} // namespace

TEST(ClockConversion, KnownInstants) {
    uint64_t ft = 99;
    ASSERT_TRUE(plat::system_time_to_file_time(make_time(1601, 1, 1), ft));
    EXPECT_EQ(ft, 0u);
    // 1 January 2000 is 946684800 s after 1970, which is 11644473600 s after 1601.
    ASSERT_TRUE(plat::system_time_to_file_time(make_time(2000, 1, 1), ft));
    EXPECT_EQ(ft, (946684800ull + 11644473600ull) * 10000000ull);
    ASSERT_TRUE(plat::system_time_to_file_time(make_time(2026, 3, 7, 6, 5, 0, 250), ft));
    SystemTime back;
    ASSERT_TRUE(plat::file_time_to_system_time(ft, back));
    EXPECT_EQ(fields(back), "2026-03-07 06:05:00.250");
    EXPECT_EQ(back.day_of_week, 6);  // a Saturday, counted from Sunday = 0
}

TEST(ClockConversion, RefusesWhatTheDeviceRefuses) {
    EXPECT_FALSE(converts(make_time(2026, 2, 30)));
    EXPECT_FALSE(converts(make_time(2026, 4, 31)));
    EXPECT_FALSE(converts(make_time(2023, 2, 29)));
    EXPECT_FALSE(converts(make_time(1900, 2, 29)));
    EXPECT_TRUE(converts(make_time(2000, 2, 29)));
    EXPECT_TRUE(converts(make_time(2024, 2, 29)));
    EXPECT_FALSE(converts(make_time(1600, 12, 31)));
    EXPECT_FALSE(converts(make_time(30828, 1, 1)));
    EXPECT_TRUE(converts(make_time(30827, 12, 31, 23, 59, 59, 999)));
    EXPECT_FALSE(converts(make_time(2026, 0, 1)));
    EXPECT_FALSE(converts(make_time(2026, 13, 1)));
    EXPECT_FALSE(converts(make_time(2026, 1, 0)));
    EXPECT_FALSE(converts(make_time(2026, 1, 1, 24)));
    EXPECT_FALSE(converts(make_time(2026, 1, 1, 0, 60)));
    EXPECT_FALSE(converts(make_time(2026, 1, 1, 0, 0, 60)));
    EXPECT_FALSE(converts(make_time(2026, 1, 1, 0, 0, 0, 1000)));
}

TEST(ClockConversion, EveryDayRoundTripsAndDaysFollowEachOther) {
    // Walk day by day across century and leap-year boundaries.
    uint64_t previous = 0;
    int weekday = 1;  // 1 January 1601 was a Monday
    for (int year = 1601; year <= 2404; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                const SystemTime st = make_time(year, month, day, 12, 30, 15, 7);
                uint64_t ft = 0;
                if (!plat::system_time_to_file_time(st, ft))
                    continue;
                if (previous != 0) {
                    ASSERT_EQ(ft - previous, plat::file_time_per_day) << fields(st);
                }
                previous = ft;
                SystemTime back;
                ASSERT_TRUE(plat::file_time_to_system_time(ft, back));
                ASSERT_EQ(fields(back), fields(st));
                ASSERT_EQ(back.day_of_week, weekday) << fields(st);
                weekday = (weekday + 1) % 7;
            }
        }
    }
}

TEST(ClockConversion, FileTimeRange) {
    SystemTime st;
    EXPECT_TRUE(plat::file_time_to_system_time(0x7FFFFFFFFFFFFFFFull, st));
    EXPECT_EQ(st.year, 30828);
    EXPECT_FALSE(plat::file_time_to_system_time(0x8000000000000000ull, st));
}

TEST_F(FakeClock, FrozenClockMovesOnlyWhenAdvanced) {
    plat::set_fake_clock(make_time(2026, 3, 7, 6, 5, 0), false);
    EXPECT_TRUE(plat::fake_clock_frozen());
    const uint32_t ticks = plat::tick_count();
    const uint64_t steady = plat::monotonic_ms();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(fields(plat::local_time()), "2026-03-07 06:05:00.000");
    EXPECT_EQ(plat::tick_count(), ticks);

    const uint32_t to_next_day = 17 * 3600000 + 55 * 60000 + 1500;  // 00:00:01.500 next day
    plat::advance_fake_clock(to_next_day);
    EXPECT_EQ(fields(plat::local_time()), "2026-03-08 00:00:01.500");
    EXPECT_EQ(plat::tick_count() - ticks, to_next_day);
    EXPECT_EQ(plat::monotonic_ms() - steady, to_next_day);

    uint64_t ft = 0;
    ASSERT_TRUE(plat::system_time_to_file_time(make_time(2026, 3, 8, 0, 0, 1, 500), ft));
    EXPECT_EQ(plat::local_file_time(), ft);
}

TEST_F(FakeClock, RunningClockRunsInRealTime) {
    plat::set_fake_clock(make_time(2026, 12, 31, 23, 59, 59, 900), true);
    EXPECT_FALSE(plat::fake_clock_frozen());
    const uint32_t ticks = plat::tick_count();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const SystemTime now = plat::local_time();
    EXPECT_EQ(now.year, 2027);
    EXPECT_EQ(now.month, 1);
    EXPECT_GE(plat::tick_count() - ticks, 150u);
}

TEST_F(FakeClock, TickCountNeverRunsBackwards) {
    const uint64_t start = plat::monotonic_ms();
    plat::set_fake_clock(make_time(2026, 1, 1), false);
    plat::advance_fake_clock(5000);
    const uint64_t advanced = plat::monotonic_ms();
    EXPECT_GE(advanced, start + 5000);
    plat::set_fake_clock(make_time(2020, 1, 1), false);  // setting the date back keeps the ticks
    EXPECT_GE(plat::monotonic_ms(), advanced);
    plat::clear_fake_clock();
    EXPECT_FALSE(plat::fake_clock_frozen());
    EXPECT_GE(plat::monotonic_ms(), advanced);
    EXPECT_GT(plat::local_time().year, 2020);
}

TEST_F(FakeClock, ActiveWhetherRunningOrFrozen) {
    EXPECT_FALSE(plat::fake_clock_active());
    plat::set_fake_clock(make_time(2026, 3, 7), true);
    EXPECT_TRUE(plat::fake_clock_active());
    EXPECT_FALSE(plat::fake_clock_frozen());
    plat::set_fake_clock(make_time(2026, 3, 7), false);
    EXPECT_TRUE(plat::fake_clock_active());
    plat::clear_fake_clock();
    EXPECT_FALSE(plat::fake_clock_active());
}

TEST_F(FakeClock, AdvanceWithoutFakeClockDoesNothing) {
    const uint64_t before = plat::local_file_time();
    plat::advance_fake_clock(3600000);
    EXPECT_LT(plat::local_file_time() - before, 600 * plat::file_time_per_second);
}

// Started as a child process by the tests below, with CHIMELY_NOW in its environment.
TEST(ClockChild, DISABLED_PrintLocalTime) {
    std::printf("NOW %s\n", fields(plat::local_time()).c_str());
}

namespace {

std::string run_child_with_now(const std::string& now) {
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return {};
    const std::string command = "CHIMELY_NOW='" + now + "' '" + std::string(self, size_t(n)) +
                                "' --gtest_also_run_disabled_tests"
                                " --gtest_filter=ClockChild.DISABLED_PrintLocalTime 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    return output;
}

} // namespace

TEST(ClockStartup, ChimelyNowStartsARunningFakeClock) {
    const std::string output = run_child_with_now("2031-07-04 09:08:07");
    EXPECT_NE(output.find("NOW 2031-07-04 09:08:0"), std::string::npos) << output;
}

TEST(ClockStartup, InvalidChimelyNowIsReportedAndIgnored) {
    const std::string output = run_child_with_now("2031-02-30 09:08:07");
    EXPECT_NE(output.find("CHIMELY_NOW"), std::string::npos) << output;
    EXPECT_EQ(output.find("NOW 2031-02"), std::string::npos) << output;
}
