// The wake-up service's own clock: the alarm clock that resumes a suspended
// machine when the kernel allows it, the wall clock otherwise, and what it
// does when the clock jumps.
#include "TempRoot.h"

#include "plat/Clock.h"
#include "plat/WakeUp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

class WakeUpService : public ::testing::Test {
protected:
    void SetUp() override {
        plat::set_waker_program("");  // the test runs the service itself
        std::string folder = process_root() + "/Program Files/Chimely";
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/Bellcue.exe") << "#!/bin/sh\necho \"$CHIMELY_WAKE_DUE\" >> \"$CHIMELY_ROOT/started.txt\"\n";
        ::chmod((folder + "/Bellcue.exe").c_str(), 0755);
        plat::set_fake_clock(at(8, 0, 0), true);
    }
    void TearDown() override {
        plat::cancel_wake_up(program);
        if (service_.joinable())
            service_.join();
        plat::clear_fake_clock();
        ::unsetenv("CHIMELY_WAKER_CLOCK");
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

} // namespace
