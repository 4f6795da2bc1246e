#include "alarm/AlarmQueue.h"

#include "alarm/RunEventAt.h"
#include "alarm/TodayState.h"
#include "base/Log.h"

#include <algorithm>
#include <utility>
#include <vector>

AlarmQueue::AlarmQueue(const std::vector<Alarm>& alarms, Clock clock) : alarms_(alarms), clock_(std::move(clock)) {}

void AlarmQueue::reset() {
    clear_keeping_snoozes();
    calculate_new_queue();
}

void AlarmQueue::fill_from(const liba::TimeStamp& from) {
    clear_keeping_snoozes();
    add_occurrences(from.without_milliseconds());
    calculate_new_queue();
}

void AlarmQueue::clear_keeping_snoozes() {
    const liba::TimeStamp now = current_second();
    std::erase_if(snoozes_, [&](const auto& snooze) { return snooze.first <= now; });
    entries_ = snoozes_;
}

void AlarmQueue::forget_snooze(Entries::const_iterator entry) {
    auto [first, last] = snoozes_.equal_range(entry->first);
    for (auto snooze = first; snooze != last; ++snooze)
        if (snooze->second == entry->second) {
            snoozes_.erase(snooze);
            return;
        }
}

liba::TimeStamp AlarmQueue::current_second() const { return clock_().without_milliseconds(); }

const Alarm* AlarmQueue::alarm_at(int index) const {
    return index >= 0 && size_t(index) < alarms_.size() ? &alarms_[size_t(index)] : nullptr;
}

void AlarmQueue::add_occurrences(const liba::TimeStamp& from) {
    liba::TimeStamp base;
    base.set_date(from.year(), from.month(), from.day());
    // What was queued before, by alarm and time, looked up instead of scanned: a pass gives each
    // alarm one time, so only an entry from before can repeat it.
    std::vector<std::pair<int, liba::TimeStamp>> known;
    known.reserve(entries_.size());
    for (const auto& [time, index] : entries_)
        known.emplace_back(index, time.without_milliseconds());
    std::sort(known.begin(), known.end());
    // One look at the log's switch for the whole list, not one per alarm.
    liba::TextOStream<wchar_t>& log = liba::get_log();
    for (size_t i = 0; i < alarms_.size(); ++i) {
        const int index = int(i);
        liba::TimeStamp next = alarms_[i].next_time(from);
        log << L"next = " << index << L":" << alarms_[i].get_subject() << L"  - " << next << L"\n";
        // next_time gives only real dates, at a whole minute.
        if (Alarm::is_never(next) || next < base)
            continue;
        if (!std::binary_search(known.begin(), known.end(), std::pair(index, next)))
            entries_.emplace(next, index);
    }
}

void AlarmQueue::calculate_new_queue() {
    liba::get_log() << L"\ncalculate_new_queue\n";
    const liba::TimeStamp now = current_second();
    add_occurrences(now);

    // One look at the log's switch for the whole walk, not one per entry.
    liba::TextOStream<wchar_t>& log = liba::get_log();
    log << L"\n";
    for (const auto& [time, index] : entries_) {
        const Alarm* alarm = alarm_at(index);
        log << L" QUEUE :" << (alarm ? alarm->get_subject() : std::wstring()) << L"  - " << time << L"\n";
    }
    log << L"reserved alarm = '" << reserved_ << L"'\n";

    // Entries passed over before the scheduled one are the unviewed count:
    // passed entries, and future ones of the alarm that is ringing.
    int passed_over = 0;
    const Alarm* scheduled = nullptr;
    liba::TimeStamp scheduled_time;
    for (const auto& [time, index] : entries_) {
        int64_t seconds = time.seconds_since(now);
        log << L"*** alarm sec_from = '" << static_cast<long long>(seconds) << L"' alarm = '" << index << L"'\n";
        if (!Alarm::is_never(time) && seconds >= 1 && index != reserved_ && alarm_at(index)) {
            log << L"next alarm !!! \n";
            scheduled = alarm_at(index);
            scheduled_time = time;
            run_event_at(time);
            break;
        }
        ++passed_over;
    }
    TodayState::of(scheduled, scheduled_time, passed_over).save();
}

int AlarmQueue::has_missed_alarm() const {
    liba::get_log() << L"AlarmQueue::has_missed_alarm 0\n";
    const liba::TimeStamp now = current_second();
    // The latest entry that is not in the future; one due this very second
    // counts as passed.
    int latest_passed = -1;
    for (const auto& [time, index] : entries_) {
        int64_t seconds = time.seconds_since(now);
        liba::get_log() << L"AlarmQueue::has_missed_alarm seconds = " << static_cast<long long>(seconds) << L"\n";
        if (seconds > 0)
            break;
        latest_passed = index;
    }
    return latest_passed;
}

int AlarmQueue::next_missed() {
    reserved_ = has_missed_alarm();
    calculate_new_queue();
    return reserved_;
}

int AlarmQueue::dismiss() {
    auto entry = std::find_if(entries_.begin(), entries_.end(),
                              [&](const auto& e) { return e.second == reserved_; });
    if (entry != entries_.end()) {
        forget_snooze(entry);
        entries_.erase(entry);
        reserved_ = -1;
    }
    calculate_new_queue();
    return 1;
}

int AlarmQueue::hide_to_repeat(int minutes) {
    liba::get_log() << L"AlarmQueue::hide_to_repeat() << " << reserved_ << L"\n";
    auto entry = std::find_if(entries_.begin(), entries_.end(),
                              [&](const auto& e) { return e.second == reserved_; });
    if (entry == entries_.end())
        return 1;
    liba::get_log() << L"AlarmQueue::hide_to_repeat() found\n";
    forget_snooze(entry);
    entries_.erase(entry);
    liba::TimeStamp again = current_second();
    again.add_minutes(minutes);
    entries_.emplace(again, reserved_);
    snoozes_.emplace(again, reserved_);
    reserved_ = -1;
    calculate_new_queue();
    return 1;
}

void AlarmQueue::alarm_removed(int index) {
    if (reserved_ == index)
        reserved_ = -1;
    else if (reserved_ > index)
        --reserved_;
    auto follow = [index](const Entries& entries) {
        Entries kept;
        for (const auto& [time, entry_index] : entries) {
            if (entry_index != index)
                kept.emplace_hint(kept.end(), time, entry_index > index ? entry_index - 1 : entry_index);
        }
        return kept;
    };
    entries_ = follow(entries_);
    snoozes_ = follow(snoozes_);
}
