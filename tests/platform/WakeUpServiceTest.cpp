// The wake-up service's own clock: the alarm clock that resumes a suspended
// machine when the kernel allows it, the wall clock otherwise, and what it
// does when the clock jumps.
#include "TempRoot.h"

#include "plat/Clock.h"
#include "plat/WakeUp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using testing_support::process_root;

const wchar_t* const program = L"\\Program Files\\Chimely\\Bellcue.exe";

plat::SystemTime at(int hour, int minute, int second) {
    plat::SystemTime time{};
    time.year = 2026;
    time.month = 3;
    time.day = 7;
    time.hour = uint16_t(hour);
    time.minute = uint16_t(minute);
    time.second = uint16_t(second);
    return time;
}

// The time zone of this process for one test, read again by the clock and the service.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            previous_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (previous_)
            ::setenv("TZ", previous_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> previous_;
};

plat::SystemTime on(int month, int day, int hour, int minute) {
    plat::SystemTime time = at(hour, minute, 0);
    time.month = uint16_t(month);
    time.day = uint16_t(day);
    return time;
}

class WakeUpService : public ::testing::Test {
protected:
    void SetUp() override {
        plat::set_waker_program("");  // the test runs the service itself
        std::filesystem::remove(process_root() + "/started.txt");  // the root is the whole binary's
        std::string folder = process_root() + "/Program Files/Chimely";
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/Bellcue.exe") << "#!/bin/sh\necho \"$CHIMELY_WAKE_DUE\" >> \"$CHIMELY_ROOT/started.txt\"\n";
        ::chmod((folder + "/Bellcue.exe").c_str(), 0755);
        plat::set_fake_clock(at(8, 0, 0), true);
    }
    void TearDown() override {
        stop();
        plat::clear_fake_clock();
        ::unsetenv("CHIMELY_WAKER_CLOCK");
    }
    // The service ends when nothing is registered.
    void stop() {
        plat::cancel_wake_up(program);
        if (service_.joinable())
            service_.join();
    }
    void start() {
        service_ = std::thread([] { plat::run_wake_up_service(); });
    }
    static std::string started() {
        std::ifstream in(process_root() + "/started.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // What the service does takes milliseconds, but a loaded machine may stretch it to seconds: only
    // a fault takes this long.
    static constexpr auto event_limit = 20s;
    static bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds limit = event_limit) {
        for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;
             std::this_thread::sleep_for(20ms))
            if (condition())
                return true;
        return condition();
    }
    // The status lines of the running service, as `chimely-waker status` shows them.
    static std::string status() { return plat::wake_up_service_status(); }

    // A machine suspended at 01:00 on the day the clocks change wakes at the
    // instant its local time stands for that day, not at 01:00 plus the
    // difference of the local times. A time the change skips is the end of
    // the gap; one it shows twice is the first.
    void expect_armed_across_the_change(int month, int day, const std::string& half_past_two,
                                        const std::string& seven) {
        const wchar_t* const early = L"\\Program Files\\Chimely\\Early.exe";
        plat::set_fake_clock(on(month, day, 1, 0), false);
        ASSERT_TRUE(plat::register_wake_up(early, on(month, day, 2, 30)));
        ASSERT_TRUE(plat::register_wake_up(program, on(month, day, 7, 0)));
        start();
        EXPECT_TRUE(wait_for([&] { return status().find(half_past_two) != std::string::npos; }, 2s)) << status();
        plat::cancel_wake_up(early);
        EXPECT_TRUE(wait_for([&] { return status().find(seven) != std::string::npos; }, 2s)) << status();
        stop();  // before the zone is put back
    }

    std::thread service_;
};

TEST_F(WakeUpService, ArmsTheAlarmClockWhenTheKernelAllowsIt) {
    int probe = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
    if (probe < 0)
        GTEST_SKIP() << "this process may not use CLOCK_REALTIME_ALARM (no CAP_WAKE_ALARM or no RTC)";
    ::close(probe);
    ASSERT_TRUE(plat::register_wake_up(program, at(8, 30, 0)));
    start();
    EXPECT_TRUE(wait_for([] { return status().find("next wake-up: 2026-03-07 08:30:00") != std::string::npos; }))
        << status();
    EXPECT_NE(status().find("clock: CLOCK_REALTIME_ALARM (wakes the machine from suspend)"), std::string::npos);
}

TEST_F(WakeUpService, FallsBackToTheWallClockWhenRefused) {
    ::setenv("CHIMELY_WAKER_CLOCK", "realtime", 1);
    ASSERT_TRUE(plat::register_wake_up(program, at(8, 30, 0)));
    start();
    EXPECT_TRUE(wait_for([] { return status().find("next wake-up: 2026-03-07 08:30:00") != std::string::npos; }))
        << status();
    EXPECT_NE(status().find("clock: CLOCK_REALTIME (alarms do not wake a suspended machine)"), std::string::npos);
}

// The service would otherwise sleep up to a minute past the new time.
TEST_F(WakeUpService, AClockJumpForwardFiresWhatBecameDueAtOnce) {
    ASSERT_TRUE(plat::register_wake_up(program, at(8, 10, 0)));
    start();
    ASSERT_TRUE(wait_for([] { return status().find("next wake-up: 2026-03-07 08:10:00") != std::string::npos; }));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(started(), "");
    plat::advance_fake_clock(10 * 60 * 1000);
    // Far below the minute the service would otherwise sleep.
    EXPECT_TRUE(wait_for([] { return started() == "2026-03-07 08:10:00\n"; }, 5s)) << started();
}

// A time already past fires at once and is never armed: the real-time clock
// would wake the machine straight away, over and over.
TEST_F(WakeUpService, PastRegistrationsFireWithoutArming) {
    ASSERT_TRUE(plat::register_wake_up(program, at(7, 0, 0)));
    ASSERT_TRUE(plat::register_wake_up(L"\\Program Files\\Chimely\\Other.exe", at(9, 0, 0)));
    start();
    std::string seen;
    wait_for([&] {
        seen += status();
        return seen.find("next wake-up: 2026-03-07 09:00:00") != std::string::npos;
    });
    EXPECT_EQ(started(), "2026-03-07 07:00:00\n");
    EXPECT_NE(seen.find("next wake-up: 2026-03-07 09:00:00"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("next wake-up: 2026-03-07 07:00:00"), std::string::npos) << seen;
    plat::cancel_wake_up(L"\\Program Files\\Chimely\\Other.exe");
}

TEST_F(WakeUpService, ArmsAtTheInstantOfTheLocalTimeOnTheSpringDay) {
    TimeZone berlin("Europe/Berlin");
    expect_armed_across_the_change(3, 29, "next wake-up: 2026-03-29 02:30:00 (2026-03-29 01:00:00 UTC)",
                                   "next wake-up: 2026-03-29 07:00:00 (2026-03-29 05:00:00 UTC)");
}

TEST_F(WakeUpService, ArmsAtTheInstantOfTheLocalTimeOnTheAutumnDay) {
    TimeZone berlin("Europe/Berlin");
    expect_armed_across_the_change(10, 25, "next wake-up: 2026-10-25 02:30:00 (2026-10-25 00:30:00 UTC)",
                                   "next wake-up: 2026-10-25 07:00:00 (2026-10-25 06:00:00 UTC)");
}

} // namespace
