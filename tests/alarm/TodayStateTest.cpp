#include "AlarmTestSupport.h"

#include "alarm/TodayState.h"
#include "base/Thread.h"
#include "plat/Clock.h"

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using alarm_test::at;
using alarm_test::make_alarm;
using alarm_test::root_file;

namespace {

std::string file_text() {
    std::ifstream in(root_file("windows/qevachimely.ini"));
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace

TEST(TodayState, TimeAndActionTexts) {
    EXPECT_EQ(TodayState::time_text(at("2026-03-07 08:05:00")), L"08 : 05");
    EXPECT_EQ(TodayState::time_text(at("2026-03-07 23:59:59")), L"23 : 59");
    EXPECT_EQ(TodayState::action_of({true, true, false}), 6);
    EXPECT_EQ(TodayState::action_of({true, false, true}), 5);
    EXPECT_EQ(TodayState::action_of({false, false, false}), 0);
    EXPECT_EQ(TodayState::action_of({true, true, true}), 7);
}

TEST(TodayState, FileHoldsTwoTopLevelElementsThatReadBack) {
    Alarm alarm = make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 5, L"Tee & \"Kuchen\"");
    alarm.set_events({false, true, true});
    ASSERT_TRUE(TodayState::of(&alarm, at("2026-03-07 12:10:00"), 3).save());
    std::string xml = file_text();
    EXPECT_NE(xml.find("<Next name="), std::string::npos) << xml;
    EXPECT_NE(xml.find("time=\"12 : 10\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("action=\"3\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("<Unviewed quantity=\"3\""), std::string::npos) << xml;
    EXPECT_LT(xml.find("<Next"), xml.find("<Unviewed"));

    TodayState read;
    ASSERT_TRUE(read.load());
    EXPECT_TRUE(read.has_next);
    EXPECT_EQ(read.name, L"Tee & \"Kuchen\"");
    EXPECT_EQ(read.time, L"12 : 10");
    EXPECT_EQ(read.action, 3);
    EXPECT_EQ(read.unviewed, 3);

    ASSERT_TRUE(TodayState::of(nullptr, {}, 0).save());
    ASSERT_TRUE(read.load());
    EXPECT_FALSE(read.has_next);
    EXPECT_EQ(read.name, L"");
    EXPECT_EQ(read.unviewed, 0);
}

TEST(TodayState, MissingOrBrokenFileLoadsNothing) {
    TodayState read;
    read.unviewed = 9;
    EXPECT_FALSE(read.load());
    std::ofstream(root_file("windows/qevachimely.ini")) << "<Next";
    EXPECT_FALSE(read.load());
    EXPECT_EQ(read.unviewed, 9);
}

TEST(TodayState, WriterWaitsForTheLockHeldByAnotherProcess) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        {
            liba::NamedMutexLock lock(TodayState::mutex_name);
            (void)!write(ready[1], "x", 1);
            usleep(300 * 1000);
            (void)!write(ready[1], "r", 1);  // still held: a writer that did not wait misses this
        }
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_TRUE(TodayState::of(nullptr, {}, 4).save());
    // Nothing blocks here when save() waited for the holder: the byte came before the release.
    fcntl(ready[0], F_SETFL, O_NONBLOCK);
    EXPECT_EQ(read(ready[0], &byte, 1), 1) << "saved while the other process held the lock";
    int status = 0;
    waitpid(holder, &status, 0);
    TodayState read;
    ASSERT_TRUE(read.load());
    EXPECT_EQ(read.unviewed, 4);
    close(ready[0]);
    close(ready[1]);
}
