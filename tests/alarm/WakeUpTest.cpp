#include "AlarmTestSupport.h"
#include "EndsInTime.h"

#include "plat/Clock.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using alarm_test::at;
using alarm_test::root_file;

namespace {

const std::wstring program = L"\\Program Files\\Chimely\\Bellcue.exe";

plat::SystemTime fields(const char* text) { return at(text).system_time(); }

std::string registered(const std::wstring& name) {
    plat::SystemTime time;
    return plat::read_wake_up(name, time) ? plat::format_local_time(time) : "none";
}

// A stand-in for the program: appends its arguments and clock to started.txt.
void install_stub() {
    std::string path = root_file("Program Files/Chimely/Bellcue.exe");
    std::ofstream(path) << "#!/bin/sh\necho \"$* $CHIMELY_NOW\" >> \"$CHIMELY_ROOT/started.txt\"\n";
    chmod(path.c_str(), 0755);
}

std::string started_lines(int expected_lines) {
    std::string text;
    for (int i = 0; i < 100; ++i) {
        std::ifstream in(root_file("started.txt"));
        std::stringstream bytes;
        bytes << in.rdbuf();
        text = bytes.str();
        if (std::count(text.begin(), text.end(), '\n') >= expected_lines)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return text;
}

// Waits up to ten seconds for a service to hold this root's lock.
bool service_serves_root() {
    for (int i = 0; i < 1000; ++i) {
        if (plat::wake_up_service_status().starts_with("service: running"))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class WakeUpTest : public testing::Test {
protected:
    void SetUp() override { plat::set_waker_program(""); }
    void TearDown() override {
        plat::clear_fake_clock();
        unsetenv("CHIMELY_NOW");
    }
};

} // namespace

TEST_F(WakeUpTest, RegistrationIsReplacedReadAndCancelled) {
    EXPECT_EQ(registered(program), "none");
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 08:00:00")));
    ASSERT_TRUE(plat::register_wake_up(L"\\PROGRAM FILES\\chimely\\bellcue.exe", fields("2026-03-07 09:30:00")));
    EXPECT_EQ(registered(program), "2026-03-07 09:30:00");
    ASSERT_TRUE(plat::register_wake_up(L"\\other", fields("2026-03-07 07:00:00")));
    auto all = plat::list_wake_ups();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].program, L"\\other");
    EXPECT_EQ(all[1].program, L"\\PROGRAM FILES\\chimely\\bellcue.exe");
    EXPECT_TRUE(plat::cancel_wake_up(program));
    EXPECT_FALSE(plat::cancel_wake_up(program));
    EXPECT_EQ(registered(program), "none");
}

TEST_F(WakeUpTest, RefusesTimesTheCalendarLacks) {
    plat::SystemTime bad = fields("2026-03-07 08:00:00");
    bad.day = 31;
    bad.month = 4;
    EXPECT_FALSE(plat::register_wake_up(program, bad));
    EXPECT_FALSE(plat::register_wake_up(L"", fields("2026-03-07 08:00:00")));
    plat::SystemTime parsed;
    EXPECT_FALSE(plat::parse_local_time("2026-02-29 08:00:00", parsed));
    EXPECT_FALSE(plat::parse_local_time("2026-03-07 8:00:00", parsed));
    EXPECT_FALSE(plat::parse_local_time("2026-03-07 08:00:00 ", parsed));
    EXPECT_TRUE(plat::parse_local_time("2024-02-29 23:59:59", parsed));
}

TEST_F(WakeUpTest, DamagedRegistrationFileIsIgnored) {
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 08:00:00")));
    for (const auto& entry : std::filesystem::directory_iterator(plat::wake_up_folder()))
        std::ofstream(entry.path()) << "2026-13-07 08:00:00\n";
    EXPECT_EQ(registered(program), "none");
    EXPECT_TRUE(plat::list_wake_ups().empty());
}

// A registration is written through a temporary file; one left by a writer that was killed is
// removed by the next registration, one of a writer still running is not.
TEST_F(WakeUpTest, NextRegistrationRemovesTheTemporaryFileOfAKilledWriter) {
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 08:00:00")));
    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(plat::wake_up_folder()), {}), 1);
    const std::string file = std::filesystem::directory_iterator(plat::wake_up_folder())->path().string();
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string dead = file + ".tmp-" + std::to_string(gone) + "-1";
    const std::string live = file + ".tmp-" + std::to_string(getpid()) + "-999999";
    std::ofstream(dead) << "2026-03";
    std::ofstream(live) << "2026-03";
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 09:00:00")));
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_EQ(registered(program), "2026-03-07 09:00:00");
    EXPECT_EQ(plat::list_wake_ups().size(), 1u);
    std::filesystem::remove(live);
    plat::cancel_wake_up(program);
}

TEST_F(WakeUpTest, AFifoInPlaceOfARegistrationIsPassedOverAtOnce) {
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 08:00:00")));
    const std::string fifo = (std::filesystem::path(plat::wake_up_folder()) / "fifo.wakeup").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    size_t listed = 0;
    EXPECT_TRUE(testing_support::ends_in_time([&] { listed = plat::list_wake_ups().size(); }, fifo));
    EXPECT_EQ(listed, 1u);
    std::filesystem::remove(fifo);
    plat::cancel_wake_up(program);
}

TEST_F(WakeUpTest, ServiceFiresAPastRegistrationAtOnceAndEnds) {
    install_stub();
    plat::set_fake_clock(fields("2026-03-07 08:00:00"), false);
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 07:59:00")));
    EXPECT_EQ(plat::run_wake_up_service(), 0);
    EXPECT_EQ(started_lines(1), "AppRunAtTime 2026-03-07 08:00:00\n");
    EXPECT_TRUE(plat::list_wake_ups().empty());
}

TEST_F(WakeUpTest, ServiceWaitsForTheReplacedTime) {
    install_stub();
    // As if started with CHIMELY_NOW: the program it starts continues that clock.
    setenv("CHIMELY_NOW", "2026-03-07 08:00:00", 1);
    plat::set_fake_clock(fields("2026-03-07 08:00:00"), true);
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 08:00:01")));
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 08:00:02")));
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(plat::run_wake_up_service(), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(1500));
    std::string lines = started_lines(1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;
    EXPECT_EQ(lines.rfind("AppRunAtTime 2026-03-07 08:00:0", 0), 0u) << lines;
}

TEST_F(WakeUpTest, OnlyOneServicePerRootAndItEndsWhenNothingIsLeft) {
    ASSERT_TRUE(plat::register_wake_up(program, fields("2030-01-01 08:00:00")));
    pid_t first = fork();
    ASSERT_GE(first, 0);
    if (first == 0)
        _exit(plat::run_wake_up_service());
    // Once the first service holds its lock, a second one leaves at once
    // (serving, it would wait for 2030) and leaves the registration.
    if (!service_serves_root()) {
        kill(first, SIGKILL);
        waitpid(first, nullptr, 0);
        FAIL() << "the first service took no lock";
    }
    EXPECT_EQ(plat::run_wake_up_service(), 0);
    EXPECT_EQ(registered(program), "2030-01-01 08:00:00");

    ASSERT_TRUE(plat::cancel_wake_up(program));
    int status = -1;
    for (int i = 0; i < 100 && waitpid(first, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(WIFEXITED(status)) << "the service did not end";
    if (!WIFEXITED(status)) {
        kill(first, SIGKILL);
        waitpid(first, &status, 0);
    }
}

TEST_F(WakeUpTest, StrayRegistrationFileFiresAndDoesNotKeepTheServiceAlive) {
    // A registration file under a name of its own (copied or edited by hand)
    // fires like any other and is removed, so the service can end.
    install_stub();
    plat::set_fake_clock(fields("2026-03-07 08:00:00"), false);
    std::filesystem::create_directories(plat::wake_up_folder());
    std::ofstream(plat::wake_up_folder() + "/copy.wakeup") << "2026-03-07 07:59:00\n"
                                                           << plat::to_utf8(program) << "\n";
    pid_t service = fork();
    ASSERT_GE(service, 0);
    if (service == 0)
        _exit(plat::run_wake_up_service());
    int status = -1;
    for (int i = 0; i < 100 && waitpid(service, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(WIFEXITED(status)) << "the service did not end";
    if (!WIFEXITED(status)) {
        kill(service, SIGKILL);
        waitpid(service, &status, 0);
    }
    EXPECT_EQ(started_lines(1), "AppRunAtTime 2026-03-07 08:00:00\n");
    EXPECT_TRUE(plat::list_wake_ups().empty());
}

TEST_F(WakeUpTest, StartedProgramLearnsTheDueTimeAndNothingElseInheritsIt) {
    std::string stub = root_file("Program Files/Chimely/Bellcue.exe");
    std::ofstream(stub) << "#!/bin/sh\necho \"$* [$CHIMELY_WAKE_DUE]\" >> \"$CHIMELY_ROOT/started.txt\"\n";
    chmod(stub.c_str(), 0755);
    // This process was itself started for an earlier registration.
    setenv("CHIMELY_WAKE_DUE", "2026-03-06 06:00:00", 1);
    ASSERT_TRUE(plat::wake_up_due_time().has_value());
    EXPECT_EQ(plat::format_local_time(*plat::wake_up_due_time()), "2026-03-06 06:00:00");

    // Started late (the device was off at 07:15): the program gets 07:15, not this process's value.
    plat::set_fake_clock(fields("2026-03-07 08:00:00"), false);
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 07:15:00")));
    EXPECT_EQ(plat::run_wake_up_service(), 0);
    EXPECT_EQ(started_lines(1), "AppRunAtTime [2026-03-07 07:15:00]\n");

    // The service that a registration starts does not inherit it.
    std::remove(root_file("started.txt").c_str());
    plat::set_waker_program(stub);
    ASSERT_TRUE(plat::register_wake_up(program, fields("2026-03-07 09:00:00")));
    EXPECT_EQ(started_lines(1), " []\n");
    unsetenv("CHIMELY_WAKE_DUE");
}

TEST_F(WakeUpTest, DueTimeMustBeAValidTime) {
    for (const char* bad : {"", "2026-03-07 07:15", "2026-02-30 07:15:00", "2026-03-07T07:15:00"}) {
        setenv("CHIMELY_WAKE_DUE", bad, 1);
        EXPECT_FALSE(plat::wake_up_due_time().has_value()) << bad;
    }
    unsetenv("CHIMELY_WAKE_DUE");
    EXPECT_FALSE(plat::wake_up_due_time().has_value());
}
