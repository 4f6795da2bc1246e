#pragma once
#include "alarm/Alarm.h"
#include "base/TimeStamp.h"

#include <functional>
#include <map>
#include <vector>

// The coming and the passed occurrences of the alarms, in time order. After
// every recalculation it registers the wake-up for the next alarm and writes
// the shared state file. Alarms are addressed by their index in the list.
class AlarmQueue {
public:
    using Clock = std::function<liba::TimeStamp()>;
    using Entries = std::multimap<liba::TimeStamp, int>;

    // The list is the owner's and must outlive the queue; the clock gives the
    // current local time.
    explicit AlarmQueue(const std::vector<Alarm>& alarms, Clock clock = &liba::TimeStamp::now);

    // Empties the queue and recalculates; the reserved alarm stays, and so do
    // snoozes still ahead (a change of any alarm must not lose them).
    void reset();
    // The start-up fill: like reset, but occurrences are counted from an
    // earlier moment, so an alarm due shortly before the start is missed.
    void fill_from(const liba::TimeStamp& from);
    // Adds the coming occurrences (never removes), registers the wake-up and
    // writes the state file.
    void calculate_new_queue();

    // The latest passed entry's alarm, or -1.
    int has_missed_alarm() const;
    // Reserves the missed alarm (or -1) for the ringing form and recalculates.
    int next_missed();
    // Removes the reserved alarm's earliest entry and recalculates; 1.
    int dismiss();
    // Moves the reserved alarm's earliest entry to now + minutes; 1.
    int hide_to_repeat(int minutes);
    // The alarm at index left the list: its entries and snoozes go, and the
    // reserved index and later entries follow it.
    void alarm_removed(int index);

    int reserved() const { return reserved_; }
    const Entries& entries() const { return entries_; }
    // The entries that hide_to_repeat made and that are still pending.
    const Entries& snoozes() const { return snoozes_; }

private:
    void add_occurrences(const liba::TimeStamp& from);
    // Empties the queue but for the snoozes still ahead.
    void clear_keeping_snoozes();
    // Forgets the snooze behind this entry, if it is one.
    void forget_snooze(Entries::const_iterator entry);
    liba::TimeStamp current_second() const;
    const Alarm* alarm_at(int index) const;

    const std::vector<Alarm>& alarms_;
    Clock clock_;
    Entries entries_;
    // A copy of each snoozed entry in entries_: the only ones that a reset keeps.
    Entries snoozes_;
    int reserved_ = -1;
};
