#include "app/Document.h"

#include "base/File.h"
#include "base/Log.h"
#include "base/Path.h"
#include "base/Registry.h"
#include "base/Xml.h"
#include "plat/Errors.h"
#include "plat/Files.h"
#include "plat/WakeUp.h"

namespace {

constexpr const wchar_t* alarms_path = L"%app_path%/alarms.ini";
constexpr const wchar_t* alarms_bad_path = L"%app_path%/alarms.ini.bad";
constexpr const wchar_t* dialogs_skin_path = L"%app_path%/dialogs.skin";
constexpr const wchar_t* language_key = L"HKEY_LOCAL_MACHINE\\Software\\QEVA\\Chimely";
constexpr const wchar_t* language_value = L"Language";
constexpr const wchar_t* note_folder = L"%app_path%/";

// A start shortly after an alarm's minute still shows it as missed.
constexpr int32_t start_grace_seconds = 120;
// Names for unreadable alarm files kept aside: alarms.ini.bad, then .bad.2 and on.
constexpr int aside_names = 99;
// new_note_path steps at most this many seconds past an existing name.
constexpr int note_name_attempts = 3600;

AlarmPeriodicity<3> date_of(const liba::TimeStamp& day) {
    return AlarmPeriodicity<3>(day.year(), day.month(), day.day());
}

liba::TimeStamp seconds_later(const liba::TimeStamp& time, int64_t seconds) {
    liba::TimeStamp result = time.without_milliseconds();
    result.set_ticks(uint64_t(int64_t(result.ticks()) + seconds * int64_t(liba::TimeStamp::ticks_per_second)));
    return result;
}

// The one element at the top of the file when it is "Alarms", else null: two lists joined by
// hand or by a sync tool, or text around the list, are no list the program may rewrite.
liba::XmlNode alarm_list_of(const liba::XmlNode& document) {
    liba::XmlNode list;
    const int count = liba::xml_child_count(document);
    for (int i = 0; i < count; ++i) {
        liba::XmlNode child = liba::xml_child_at(document, i);
        if (liba::xml_is_element(child)) {
            if (list)
                return {};
            list = child;
        } else if (const std::wstring name = liba::xml_node_name(child); name == L"#text" || name == L"#cdata-section") {
            return {};
        }
    }
    return liba::xml_node_name(list) == L"Alarms" ? list : liba::XmlNode();
}

} // namespace

Document::Document() {
    dialogs_skin_.load(dialogs_skin_path, settings_.get_language(), skinner::get_screen_size());
    load_script();
    apply_settings();
    load_alarms();
}

Document::~Document() {
    // The file always holds the list as it was at exit.
    save_alarms();
    script_.reset();
}

int Document::add_alarm(const Alarm& alarm) {
    alarms_.push_back(alarm);
    queue_.reset();
    save_alarms();
    return 1;
}

int Document::change_alarm(int index, const Alarm& alarm, bool whole, const liba::TimeStamp& skipped_day) {
    if (index < 0 || index >= alarm_count())
        return 0;
    Alarm& current = alarms_[size_t(index)];
    const AlarmPeriodicityInterface* rule = alarm.get_periodicity();
    if (whole) {
        // The editor's alarm carries no exception dates; the days the user
        // skipped in the series must not ring again. A once alarm has none.
        Alarm replacement = alarm;
        if (rule && rule->type() != periodicity_once)
            for (const AlarmPeriodicity<3>& date : current.get_exceptions())
                replacement.add_exception(date);
        current = std::move(replacement);
    } else {
        if (!rule || rule->type() != periodicity_once)
            liba::report_error(L"exclude exeption", L"not compatible type");
        // The once alarm may have moved to another date than the day it
        // replaces; without a day given, its own date is the one skipped.
        if (skipped_day == liba::TimeStamp())
            current.add_exception(static_cast<const AlarmPeriodicity<3>&>(*rule));
        else
            current.add_exception(date_of(skipped_day));
        alarms_.push_back(alarm);
    }
    queue_.reset();
    save_alarms();
    return 1;
}

int Document::remove_alarm(int index, const liba::TimeStamp& date, bool whole) {
    if (index < 0 || index >= alarm_count())
        liba::report_error(L"Document::remove_alarm", L"invalid alarm index");
    if (whole) {
        const std::wstring note = alarms_[size_t(index)].get_note();
        bool shared = false;
        for (int i = 0; i < alarm_count(); ++i)
            if (i != index && !alarms_[size_t(i)].get_note().empty() &&
                liba::paths_equal(alarms_[size_t(i)].get_note(), note))
                shared = true;
        // Only a recording the editor made goes; a user's own sound stays.
        if (!shared && is_generated_note(note))
            alarms_[size_t(index)].delete_note_file();
        alarms_.erase(alarms_.begin() + index);
        queue_.alarm_removed(index);
    } else {
        alarms_[size_t(index)].add_exception(date_of(date));
    }
    queue_.reset();
    save_alarms();
    return 1;
}

void Document::save_alarms() {
    if (!alarms_writable_) {
        liba::get_log() << L"alarms.ini is not saved: the unreadable file could not be kept aside\n";
        tell(Notice::unsaved);
        return;
    }
    liba::XmlNode document = liba::xml_create_document();
    liba::XmlNode root = liba::xml_add_child(document, L"Alarms");
    for (const Alarm& alarm : alarms_)
        alarm.save(root);
    // The XML layer writes a temporary file and renames it over the old one.
    if (!liba::xml_save_document(document, alarms_path)) {
        liba::get_log() << L"alarms.ini is not saved (error " << plat::last_error() << L")\n";
        tell(Notice::save_failed);
    }
}

void Document::load_alarms() {
    const liba::XmlNode root = alarm_list_of(liba::xml_load_document(alarms_path));
    if (root) {
        const int count = liba::xml_child_count(root);
        for (int i = 0; i < count; ++i) {
            liba::XmlNode child = liba::xml_child_at(root, i);
            if (!liba::xml_is_element(child) || liba::xml_node_name(child) != L"Alarm")
                continue;
            alarms_.emplace_back();
            alarms_.back().load(child);
        }
    } else if (os::FileInfo(alarms_path).exists()) {
        keep_alarms_aside();
    }
}

// A file we cannot read is the user's alarms all the same: it is kept aside whole, and never
// overwritten when it cannot be moved.
void Document::keep_alarms_aside() {
    const std::wstring kept = aside_name();
    const bool replacing = os::FileInfo(kept).exists();
    if (plat::move_file(liba::expanded_path(alarms_path), liba::expanded_path(kept))) {
        liba::get_log() << L"alarms.ini is not an alarm list; kept as " << liba::file_name_part(kept)
                        << (replacing ? L" in place of the copy kept longest ago\n" : L"\n");
        tell(Notice::kept_aside, liba::file_name_part(kept));
        return;
    }
    liba::get_log() << L"alarms.ini is not an alarm list and cannot be kept as " << liba::file_name_part(kept)
                    << L" (error " << plat::last_error() << L"); changes to the alarms are not saved\n";
    alarms_writable_ = false;
    tell(Notice::unsaved);
}

// The first free name of alarms.ini.bad, .bad.2 ... .bad.99; when none is free, the copy kept
// longest ago makes room.
std::wstring Document::aside_name() {
    std::wstring oldest;
    liba::TimeStamp oldest_time;
    for (int n = 1; n <= aside_names; ++n) {
        const std::wstring name = n == 1 ? alarms_bad_path : std::wstring(alarms_bad_path) + L"." + std::to_wstring(n);
        const os::FileInfo info(name);
        if (!info.exists())
            return name;
        if (oldest.empty() || info.last_write_time < oldest_time) {
            oldest = name;
            oldest_time = info.last_write_time;
        }
    }
    return oldest;
}

void Document::set_notice_listener(NoticeListener listener) {
    listener_ = std::move(listener);
    if (listener_ && pending_notice_) {
        listener_(*pending_notice_);
        pending_notice_.reset();
    }
}

void Document::tell(Notice::Kind kind, const std::wstring& file) {
    const Notice notice{kind, file};
    if (listener_)
        listener_(notice);
    else
        pending_notice_ = notice;
}

void Document::load_script() {
    player_.stop();
    auto script = std::make_unique<SpeechScript>(&player_, settings_.get_script());
    script_ = std::move(script);
}

void Document::apply_settings() {
    player_.set_volume(settings_.volume_factor());
    write_language_to_registry(settings_.get_language());
}

const Alarm& Document::alarm_vector_at(int index) const {
    if (index < 0 || index >= alarm_count())
        liba::report_error(L"Document::alarm_vector_at", L"invalid alarm index");
    return alarms_[size_t(index)];
}

bool Document::is_generated_note(const std::wstring& path) {
    if (path.empty())
        return false;
    const std::wstring expanded = liba::expanded_path(path);
    if (!liba::paths_equal(liba::directory_part(expanded), liba::expanded_path(note_folder)))
        return false;
    // "YYYY MM DD HH MM SS": digits, with blanks between the fields.
    static constexpr wchar_t pattern[] = L"dddd dd dd dd dd dd";
    const std::wstring name = liba::file_name_part(expanded);
    if (name.size() != std::size(pattern) - 1)
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const bool digit = name[i] >= L'0' && name[i] <= L'9';
        if (pattern[i] == L'd' ? !digit : name[i] != pattern[i])
            return false;
    }
    return true;
}

std::wstring Document::new_note_path(const liba::TimeStamp& now) {
    liba::TimeStamp time = now.without_milliseconds();
    std::wstring path = std::wstring(note_folder) + time.to_text();
    for (int attempt = 0; attempt < note_name_attempts && os::FileInfo(path).exists(); ++attempt) {
        time = seconds_later(time, 1);
        path = std::wstring(note_folder) + time.to_text();
    }
    return path;
}

liba::TimeStamp Document::fill_start(const liba::TimeStamp& now) {
    liba::TimeStamp latest = now;
    if (std::optional<plat::SystemTime> due = plat::wake_up_due_time()) {
        liba::TimeStamp due_time;
        if (due_time.set_system_time(*due) && due_time < latest)
            latest = due_time;
    }
    // An alarm's own minute counts as passed, so counting from the due time
    // itself would skip the alarm that was due then: start before it.
    return seconds_later(latest, -start_grace_seconds);
}

void write_language_to_registry(const std::wstring& path) {
    liba::write_registry_string(language_key, language_value, path);
}
