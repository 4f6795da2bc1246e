#pragma once
#include "alarm/AlarmPeriodicity.h"
#include "base/TimeStamp.h"
#include "base/Xml.h"

#include <memory>
#include <string>
#include <vector>

// What an alarm does when it rings.
struct AlarmEvents {
    bool attention = false;   // play the attention sound
    bool time = false;        // speak the time
    bool pause = false;       // set: the voice note is NOT played

    bool operator==(const AlarmEvents&) const = default;
};

// One entry of the user's alarm list: time of day, repeat rule, subject, voice
// note, exception dates and action flags.
class Alarm {
public:
    Alarm() = default;
    Alarm(const Alarm& other);
    Alarm& operator=(const Alarm& other);
    Alarm(Alarm&&) noexcept = default;
    Alarm& operator=(Alarm&&) noexcept = default;

    AlarmEvents get_events() const { return events_; }
    void set_events(const AlarmEvents& events) { events_ = events; }
    // Null for an alarm whose file named no known rule: it never occurs.
    const AlarmPeriodicityInterface* get_periodicity() const { return rule_.get(); }
    // type 0 everyday, 1 the date's weekday, 2 the date's day of month, 3 once on the date.
    void set_periodicity(int type, const liba::TimeStamp& date);
    int hour() const { return hour_; }
    int minute() const { return minute_; }
    // Clamped to 0..23 and 0..59.
    void set_time(int hour, int minute);
    const std::wstring& get_subject() const { return subject_; }
    void set_subject(const std::wstring& subject) { subject_ = subject; }
    const std::wstring& get_note() const { return note_; }
    void set_note(const std::wstring& note) { note_ = note; }

    const std::vector<AlarmPeriodicity<3>>& get_exceptions() const { return exceptions_; }
    void clear_exceptions() { exceptions_.clear(); }
    // 1 when added, 0 when an equal date was already there.
    int add_exception(const AlarmPeriodicity<3>& date);

    // The rule falls on the date and no exception does; false without a rule.
    bool occurs_on(int year, int month, int day) const;
    // The next moment the alarm rings, counted from `from`; the alarm's own
    // minute counts as passed. The empty value (the default TimeStamp) when it
    // never rings again.
    liba::TimeStamp next_time(const liba::TimeStamp& from) const;
    static bool is_never(const liba::TimeStamp& time) { return time == liba::TimeStamp(); }

    // Deletes the voice-note file when there is one; always 1.
    int delete_note_file() const;

    // Appends one "Alarm" element to the parent.
    void save(const liba::XmlNode& parent) const;
    // Fills the alarm from one "Alarm" element; false without "Properties" or
    // "AlarmType" (fields read before that stay set).
    bool load(const liba::XmlNode& element);

private:
    std::unique_ptr<AlarmPeriodicityInterface> rule_;
    // The attributes of a rule this program does not know, written back unchanged on save so that
    // a hand-edited or newer file loses nothing; the alarm never occurs meanwhile.
    std::vector<std::pair<std::wstring, std::wstring>> unknown_rule_;
    int hour_ = 0;
    int minute_ = 0;
    std::wstring note_;
    std::wstring subject_;
    std::vector<AlarmPeriodicity<3>> exceptions_;
    AlarmEvents events_;
};
