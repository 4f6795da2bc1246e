#include "AlarmTestSupport.h"

#include "alarm/AlarmQueue.h"
#include "alarm/RunEventAt.h"
#include "alarm/TodayState.h"

#include <algorithm>
#include <ctime>

using alarm_test::at;
using alarm_test::make_alarm;
using alarm_test::text;

namespace {

class AlarmQueueTest : public testing::Test {
protected:
    void SetUp() override { plat::set_waker_program(""); }

    void set_now(const char* time) { now = at(time); }

    // The registered wake-up of the program, or "none".
    static std::string registered() {
        plat::SystemTime time;
        if (!plat::read_wake_up(wake_up_program(), time))
            return "none";
        return plat::format_local_time(time);
    }

    static TodayState state() {
        TodayState state;
        EXPECT_TRUE(state.load());
        return state;
    }

    std::vector<std::string> entry_texts() const {
        std::vector<std::string> texts;
        for (const auto& [time, index] : queue.entries())
            texts.push_back(text(time) + " #" + std::to_string(index));
        return texts;
    }

    std::vector<Alarm> alarms;
    liba::TimeStamp now;
    AlarmQueue queue{alarms, [this] { return now; }};
};

using Texts = std::vector<std::string>;

} // namespace

TEST_F(AlarmQueueTest, EmptyListWritesAnEmptyState) {
    set_now("2026-03-07 07:00:00");
    queue.reset();
    EXPECT_TRUE(queue.entries().empty());
    EXPECT_EQ(registered(), "none");
    TodayState written = state();
    EXPECT_FALSE(written.has_next);
    EXPECT_EQ(written.unviewed, 0);
    EXPECT_EQ(queue.has_missed_alarm(), -1);
}

TEST_F(AlarmQueueTest, NothingIsMissedBeforeTheFirstFill) {
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0));
    set_now("2026-03-07 08:00:30");
    EXPECT_EQ(queue.has_missed_alarm(), -1);
}

TEST_F(AlarmQueueTest, LatestPassedEntryIsTheMissedOne) {
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0, L"eight"));
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 9, 0, L"nine"));
    set_now("2026-03-07 07:00:00");
    queue.reset();
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 08:00:00 #0", "2026-03-07 09:00:00 #1"}));
    EXPECT_EQ(registered(), "2026-03-07 08:00:00");
    EXPECT_EQ(queue.has_missed_alarm(), -1);
    set_now("2026-03-07 08:30:00");
    EXPECT_EQ(queue.has_missed_alarm(), 0);
    // Due this very second counts as passed.
    set_now("2026-03-07 09:00:00");
    EXPECT_EQ(queue.has_missed_alarm(), 1);
}

TEST_F(AlarmQueueTest, MissedOnceAlarmsComeLatestFirst) {
    alarms.push_back(make_alarm(periodicity_once, "2026-03-07 00:00:00", 10, 0));
    alarms.push_back(make_alarm(periodicity_once, "2026-03-07 00:00:00", 10, 5));
    set_now("2026-03-07 09:00:00");
    queue.reset();
    set_now("2026-03-07 10:10:00");
    EXPECT_EQ(queue.next_missed(), 1);
    EXPECT_EQ(queue.dismiss(), 1);
    EXPECT_EQ(queue.reserved(), -1);
    EXPECT_EQ(queue.next_missed(), 0);
    queue.dismiss();
    EXPECT_EQ(queue.next_missed(), -1);
    EXPECT_TRUE(queue.entries().empty());
}

TEST_F(AlarmQueueTest, RecalculatingAddsNoDuplicates) {
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0));
    set_now("2026-03-07 07:00:00");
    queue.reset();
    queue.calculate_new_queue();
    EXPECT_EQ(queue.entries().size(), 1u);
    // Later the next occurrence is tomorrow's; today's passed one stays.
    set_now("2026-03-07 09:00:00");
    queue.calculate_new_queue();
    queue.calculate_new_queue();
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 08:00:00 #0", "2026-03-08 08:00:00 #0"}));
}

TEST_F(AlarmQueueTest, RuleLessAndPastAlarmsAreNotQueued) {
    alarms.emplace_back();
    alarms.push_back(make_alarm(periodicity_once, "2026-03-06 00:00:00", 8, 0));
    alarms.push_back(make_alarm(periodicity_once, "2026-03-08 00:00:00", 8, 0));
    set_now("2026-03-07 07:00:00");
    queue.reset();
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-08 08:00:00 #2"}));
}

TEST_F(AlarmQueueTest, RingingAlarmIsNeverRegistered) {
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0, L"daily"));
    set_now("2026-03-07 07:00:00");
    queue.reset();
    set_now("2026-03-07 08:00:10");
    EXPECT_EQ(queue.next_missed(), 0);
    // Its own next occurrence waits until it is dismissed or snoozed.
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 08:00:00 #0", "2026-03-08 08:00:00 #0"}));
    EXPECT_EQ(registered(), "2026-03-07 08:00:00");
    TodayState ringing = state();
    EXPECT_FALSE(ringing.has_next);
    EXPECT_EQ(ringing.unviewed, 2);
    queue.dismiss();
    EXPECT_EQ(registered(), "2026-03-08 08:00:00");
    EXPECT_EQ(state().unviewed, 0);
}

TEST_F(AlarmQueueTest, SnoozeMovesTheRingingEntry) {
    alarms.push_back(make_alarm(periodicity_once, "2026-03-07 00:00:00", 12, 0, L"lunch"));
    alarms.push_back(make_alarm(periodicity_once, "2026-03-07 00:00:00", 12, 5, L"call"));
    set_now("2026-03-07 11:00:00");
    queue.reset();
    plat::SystemTime with_ms = at("2026-03-07 12:00:30").system_time();
    with_ms.milliseconds = 700;
    now.set_system_time(with_ms);
    EXPECT_EQ(queue.next_missed(), 0);
    EXPECT_EQ(queue.hide_to_repeat(10), 1);
    EXPECT_EQ(queue.reserved(), -1);
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 12:05:00 #1", "2026-03-07 12:10:30 #0"}));
    EXPECT_EQ(registered(), "2026-03-07 12:05:00");
    // Once the other one has rung, the snoozed entry is next, shown at its snooze time.
    set_now("2026-03-07 12:06:00");
    EXPECT_EQ(queue.next_missed(), 1);
    queue.dismiss();
    EXPECT_EQ(registered(), "2026-03-07 12:10:30");
    TodayState snoozed = state();
    EXPECT_EQ(snoozed.name, L"lunch");
    EXPECT_EQ(snoozed.time, L"12 : 10");
    EXPECT_EQ(alarms[0].hour(), 12);
    EXPECT_EQ(alarms[0].minute(), 0);
}

TEST_F(AlarmQueueTest, SnoozeOrDismissWithoutReservedEntry) {
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0));
    set_now("2026-03-07 07:00:00");
    EXPECT_EQ(queue.hide_to_repeat(10), 1);
    EXPECT_TRUE(queue.entries().empty());
    EXPECT_EQ(queue.dismiss(), 1);
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 08:00:00 #0"}));
    EXPECT_EQ(registered(), "2026-03-07 08:00:00");
}

TEST_F(AlarmQueueTest, StartUpFillFromEarlierTimeFindsAJustMissedAlarm) {
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0));
    set_now("2026-03-07 08:00:40");
    queue.fill_from(at("2026-03-07 07:58:40"));
    EXPECT_EQ(queue.next_missed(), 0);
    EXPECT_EQ(registered(), "2026-03-08 08:00:00");

    // A plain reset at the same moment has nothing to show.
    AlarmQueue plain(alarms, [this] { return now; });
    plain.reset();
    EXPECT_EQ(plain.next_missed(), -1);
}

TEST_F(AlarmQueueTest, StartUpFillAcrossMidnight) {
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 23, 59));
    set_now("2026-03-08 00:00:30");
    queue.fill_from(at("2026-03-07 23:58:30"));
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 23:59:00 #0", "2026-03-08 23:59:00 #0"}));
    EXPECT_EQ(queue.has_missed_alarm(), 0);
}

TEST_F(AlarmQueueTest, RemovedAlarmMovesTheReservedIndex) {
    for (int hour : {8, 9, 10})
        alarms.push_back(make_alarm(periodicity_once, "2026-03-07 00:00:00", hour, 0));
    set_now("2026-03-07 07:00:00");
    queue.reset();
    set_now("2026-03-07 09:30:00");
    ASSERT_EQ(queue.next_missed(), 1);
    alarms.erase(alarms.begin());
    queue.alarm_removed(0);
    EXPECT_EQ(queue.reserved(), 0);
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 09:00:00 #0", "2026-03-07 10:00:00 #1"}));
    alarms.erase(alarms.begin());
    queue.alarm_removed(0);
    EXPECT_EQ(queue.reserved(), -1);
    queue.alarm_removed(5);
    EXPECT_EQ(queue.reserved(), -1);
}

TEST_F(AlarmQueueTest, StateShowsTheScheduledAlarm) {
    Alarm alarm = make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 5, L"Früh");
    alarm.set_events({true, true, false});
    alarms.push_back(alarm);
    alarms.push_back(make_alarm(periodicity_once, "2026-03-07 00:00:00", 6, 0));
    set_now("2026-03-07 05:00:00");
    queue.reset();
    set_now("2026-03-07 07:00:00");
    queue.calculate_new_queue();
    TodayState written = state();
    EXPECT_TRUE(written.has_next);
    EXPECT_EQ(written.name, L"Früh");
    EXPECT_EQ(written.time, L"08 : 05");
    EXPECT_EQ(written.action, 6);
    EXPECT_EQ(written.unviewed, 1);
}

TEST_F(AlarmQueueTest, EqualTimesKeepTheirInsertionOrder) {
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0, L"first"));
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0, L"second"));
    set_now("2026-03-07 07:00:00");
    queue.reset();
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 08:00:00 #0", "2026-03-07 08:00:00 #1"}));
    EXPECT_EQ(state().name, L"first");
    // The later inserted of two equal entries is the latest missed one.
    set_now("2026-03-07 08:01:00");
    EXPECT_EQ(queue.next_missed(), 1);
    queue.dismiss();
    EXPECT_EQ(queue.next_missed(), 0);
}

TEST_F(AlarmQueueTest, SnoozeSurvivesAChangeOfTheListUntilItRingsOrItsAlarmGoes) {
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 12, 0, L"lunch"));
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 18, 0, L"tea"));
    set_now("2026-03-07 11:00:00");
    queue.reset();
    set_now("2026-03-07 12:00:30");
    ASSERT_EQ(queue.next_missed(), 0);
    queue.hide_to_repeat(10);

    // Another alarm is edited before the snooze rings: the snooze stays scheduled.
    set_now("2026-03-07 12:03:00");
    alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 20, 0, L"news"));
    queue.reset();
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 12:10:30 #0", "2026-03-07 18:00:00 #1", "2026-03-07 20:00:00 #2",
                                    "2026-03-08 12:00:00 #0"}));
    EXPECT_EQ(registered(), "2026-03-07 12:10:30");

    // Rung and dismissed, it does not come back with the next change.
    set_now("2026-03-07 12:11:00");
    ASSERT_EQ(queue.next_missed(), 0);
    queue.dismiss();
    queue.reset();
    EXPECT_EQ(queue.has_missed_alarm(), -1);
    EXPECT_TRUE(queue.snoozes().empty());

    // A snooze of the second alarm follows its index when the first is deleted, and goes with its own alarm.
    set_now("2026-03-07 18:00:10");
    ASSERT_EQ(queue.next_missed(), 1);
    queue.hide_to_repeat(5);
    alarms.erase(alarms.begin());
    queue.alarm_removed(0);
    queue.reset();
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 18:05:10 #0", "2026-03-07 20:00:00 #1", "2026-03-08 18:00:00 #0"}));
    alarms.erase(alarms.begin());
    queue.alarm_removed(0);
    queue.reset();
    EXPECT_EQ(entry_texts(), (Texts{"2026-03-07 20:00:00 #0"}));
}

TEST_F(AlarmQueueTest, PassedSnoozeIsNotKeptByAReset) {
    alarms.push_back(make_alarm(periodicity_once, "2026-03-07 00:00:00", 12, 0));
    set_now("2026-03-07 11:00:00");
    queue.reset();
    set_now("2026-03-07 12:00:00");
    ASSERT_EQ(queue.next_missed(), 0);
    queue.hide_to_repeat(5);
    set_now("2026-03-07 12:06:00");
    queue.reset();
    EXPECT_TRUE(queue.entries().empty());
    EXPECT_TRUE(queue.snoozes().empty());
}

TEST_F(AlarmQueueTest, RecalculatingALongListCostsInProportionToItsLength) {
    set_now("2026-03-07 07:00:00");
    // The processor time of this thread (the work, whatever else the machine does) for one
    // recalculation of count alarms at distinct minutes, the least of three.
    const auto work_ms = [&](int count) {
        alarms.clear();
        for (int i = 0; i < count; ++i)
            alarms.push_back(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", i / 60 % 24, i % 60));
        double least = 1e9;
        for (int round = 0; round < 3; ++round) {
            timespec start{}, end{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
            queue.reset();
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
            least = std::min(least, (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6);
        }
        EXPECT_EQ(queue.entries().size(), size_t(count));
        return least;
    };
    const double short_list = work_ms(2000);
    const double long_list = work_ms(16000);
    // Eight times the alarms: about eight times the work; a scan of the queue per alarm made it 64.
    EXPECT_LT(long_list, 14 * short_list) << short_list << " ms for 2,000 alarms, " << long_list << " ms for 16,000";
}
