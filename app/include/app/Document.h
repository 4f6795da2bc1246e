#pragma once
#include "alarm/Alarm.h"
#include "alarm/AlarmQueue.h"
#include "alarm/SpeechScript.h"
#include "app/Settings.h"
#include "audio/AudioPlayerQueue.h"
#include "base/Document.h"
#include "base/TimeStamp.h"
#include "skinner/Properties.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What a view is asked for: the alarm editor for a new alarm on date (index
// -1), a copy of alarm index (mode 0) or that alarm itself (mode 1).
struct HintNewAlarm {
    liba::TimeStamp date;
    int32_t alarm_index = -1;
    int32_t mode = 0;
};

// The application's one model: settings, the dialogs skin, the alarms, the
// queue, the player queue and the speech script. Screens change alarms only
// through it, so every change recalculates the queue and rewrites alarms.ini.
class Document : public liba::Document<Document, HintNewAlarm> {
public:
    Document();
    ~Document();

    int add_alarm(const Alarm& alarm);
    // whole: the alarm at index becomes alarm, keeping its exception dates
    // unless the new rule is once. Otherwise alarm (a once alarm) is added
    // and skipped_day becomes an exception of the series. 0 for a bad index.
    int change_alarm(int index, const Alarm& alarm, bool whole, const liba::TimeStamp& skipped_day = {});
    // whole: the alarm goes, with its note when the program made it and no
    // other alarm uses it; otherwise date becomes an exception of it.
    int remove_alarm(int index, const liba::TimeStamp& date, bool whole);

    void save_alarms();
    void load_alarms();
    void load_script();
    void apply_settings();

    static std::wstring app_title() { return L"Chimely v1.0"; }
    // A note the editor made: directly in %app_path%, named by the time of
    // its making ("YYYY MM DD HH MM SS"), no extension.
    static bool is_generated_note(const std::wstring& path);
    // A path for a new note at now that names no existing file.
    static std::wstring new_note_path(const liba::TimeStamp& now);
    // Where the start-up fill of the queue counts from: two minutes before
    // now, or before the due time of the wake-up that started the program
    // when that is earlier (a device that slept through it starts it late).
    static liba::TimeStamp fill_start(const liba::TimeStamp& now);

    skinner::Properties& get_dialogs_skin() { return dialogs_skin_; }
    Settings& get_settings() { return settings_; }
    const std::vector<Alarm>& get_alarms() const { return alarms_; }
    int alarm_count() const { return static_cast<int>(alarms_.size()); }
    const Alarm& alarm_vector_at(int index) const;
    AlarmQueue& get_queue() { return queue_; }
    AudioPlayerQueue& get_player() { return player_; }
    SpeechScript* get_script() { return script_.get(); }
    // False when alarms.ini was unreadable and could not be kept aside: it is
    // then never written this run.
    bool alarms_writable() const { return alarms_writable_; }

    // What the user must be told about alarms.ini: it was unreadable and is kept aside as
    // file; it was unreadable and could not be moved, so no change is saved (said again at
    // every save); or a save did not reach the disk.
    struct Notice {
        enum Kind { kept_aside, unsaved, save_failed } kind = kept_aside;
        std::wstring file;
    };
    using NoticeListener = std::function<void(const Notice&)>;
    // The screen that tells the user. A notice given while there is none (the load's, before
    // the main screen exists) waits and comes as soon as one is set.
    void set_notice_listener(NoticeListener listener);

private:
    void keep_alarms_aside();
    static std::wstring aside_name();
    void tell(Notice::Kind kind, const std::wstring& file = {});

    skinner::Properties dialogs_skin_;
    Settings settings_;
    std::vector<Alarm> alarms_;
    AlarmQueue queue_{alarms_};
    AudioPlayerQueue player_{0.0};
    std::unique_ptr<SpeechScript> script_;
    bool alarms_writable_ = true;
    NoticeListener listener_;
    std::optional<Notice> pending_notice_;
};

void write_language_to_registry(const std::wstring& path);
