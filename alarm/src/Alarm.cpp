#include "alarm/Alarm.h"

#include "AlarmText.h"
#include "base/Convert.h"
#include "base/File.h"

#include <algorithm>

using liba::XmlNode;

namespace {
constexpr wchar_t el_alarm[] = L"Alarm";
constexpr wchar_t el_type[] = L"AlarmType";
constexpr wchar_t el_properties[] = L"Properties";
constexpr wchar_t el_events[] = L"Events";
constexpr wchar_t el_exceptions[] = L"Exeptions";
constexpr wchar_t el_exception[] = L"Exeption";
constexpr wchar_t attr_type[] = L"type";
constexpr wchar_t attr_time[] = L"time";
constexpr wchar_t attr_subject[] = L"subject";
constexpr wchar_t attr_note[] = L"note";
constexpr wchar_t attr_attention[] = L"attention";
constexpr wchar_t attr_speak_time[] = L"time";
constexpr wchar_t attr_pause[] = L"pause";
constexpr wchar_t attr_additional[] = L"additional";

void read_text(const XmlNode& element, const wchar_t* name, std::wstring& field) {
    xml_get_attribute(element, name, field);
}

// `text` is the caller's buffer, reused for every attribute of a load.
void read_flag(const XmlNode& element, const wchar_t* name, bool& flag, std::wstring& text) {
    if (xml_get_attribute(element, name, text))
        read_bool(text, flag);
}
} // namespace

Alarm::Alarm(const Alarm& other)
    : rule_(other.rule_ ? other.rule_->clone() : nullptr), unknown_rule_(other.unknown_rule_), hour_(other.hour_), minute_(other.minute_),
      note_(other.note_), subject_(other.subject_), exceptions_(other.exceptions_), events_(other.events_) {}

Alarm& Alarm::operator=(const Alarm& other) {
    if (this != &other) {
        Alarm copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void Alarm::set_periodicity(int type, const liba::TimeStamp& date) {
    rule_ = make_periodicity(type, date);
    unknown_rule_.clear();
}

void Alarm::set_time(int hour, int minute) {
    hour_ = std::clamp(hour, 0, 23);
    minute_ = std::clamp(minute, 0, 59);
}

int Alarm::add_exception(const AlarmPeriodicity<3>& date) {
    for (const auto& known : exceptions_)
        if (known.equals(date))
            return 0;
    exceptions_.push_back(date);
    return 1;
}

bool Alarm::occurs_on(int year, int month, int day) const {
    if (!rule_ || !rule_->matches(year, month, day))
        return false;
    return std::none_of(exceptions_.begin(), exceptions_.end(),
                        [&](const auto& date) { return date.matches(year, month, day); });
}

liba::TimeStamp Alarm::next_time(const liba::TimeStamp& from) const {
    if (!rule_)
        return {};
    liba::TimeStamp after = from;
    bool strict = after.hour() * 60 + after.minute() >= hour_ * 60 + minute_;
    // Every round moves strictly later and each exception date can match only
    // once, so the walk ends after at most one round per exception.
    for (size_t round = 0; round <= exceptions_.size(); ++round) {
        liba::TimeStamp result;
        if (!rule_->next(result, after, strict) || !result.set_time(hour_, minute_, 0))
            return {};
        bool excepted = std::any_of(exceptions_.begin(), exceptions_.end(), [&](const auto& date) {
            return date.matches(result.year(), result.month(), result.day());
        });
        if (!excepted)
            return result;
        after = result;
        strict = true;
    }
    return {};
}

int Alarm::delete_note_file() const {
    if (!note_.empty())
        os::delete_file(note_);
    return 1;
}

void Alarm::save(const XmlNode& parent) const {
    XmlNode alarm = xml_add_child(parent, el_alarm);
    XmlNode type = xml_add_child(alarm, el_type);
    if (rule_)
        rule_->save(type);
    else
        for (const auto& [name, value] : unknown_rule_)
            xml_set_attribute(type, name, value);
    XmlNode properties = xml_add_child(alarm, el_properties);
    xml_set_attribute(properties, attr_time, liba::format_int_wtext(hour_) + L" " + liba::format_int_wtext(minute_));
    xml_set_attribute(properties, attr_subject, subject_);
    xml_set_attribute(properties, attr_note, note_);
    XmlNode events = xml_add_child(alarm, el_events);
    xml_set_attribute(events, attr_attention, bool_text(events_.attention));
    xml_set_attribute(events, attr_speak_time, bool_text(events_.time));
    xml_set_attribute(events, attr_pause, bool_text(events_.pause));
    XmlNode exceptions = xml_add_child(alarm, el_exceptions);
    for (const auto& date : exceptions_)
        date.save(xml_add_child(exceptions, el_exception));
}

bool Alarm::load(const XmlNode& element) {
    XmlNode properties = xml_find_child(element, el_properties);
    if (!properties)
        return false;
    // A long alarm list is loaded at every start: one buffer serves every attribute read here.
    std::wstring text;
    if (xml_get_attribute(properties, attr_time, text)) {
        int hour = hour_;
        int minute = minute_;
        read_ints(text, {&hour, &minute});
        // A hand-edited "25 70" must not make an alarm that never comes.
        set_time(hour, minute);
    }
    read_text(properties, attr_subject, subject_);
    read_text(properties, attr_note, note_);

    XmlNode type = xml_find_child(element, el_type);
    if (!type)
        return false;
    if (xml_get_attribute(type, attr_type, text))
        if (auto rule = make_periodicity(text))
            rule_ = std::move(rule);
    unknown_rule_.clear();
    if (rule_)
        rule_->load(type);
    else
        unknown_rule_ = xml_attributes(type);

    if (XmlNode events = xml_find_child(element, el_events)) {
        read_flag(events, attr_attention, events_.attention, text);
        read_flag(events, attr_speak_time, events_.time, text);
        read_flag(events, attr_pause, events_.pause, text);
    }

    exceptions_.clear();
    if (XmlNode exceptions = xml_find_child(element, el_exceptions)) {
        int count = xml_child_count(exceptions);
        exceptions_.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            XmlNode child = xml_child_at(exceptions, i);
            if (!xml_is_element(child))
                continue;
            // The date's own load would read the attribute into a string of its own.
            AlarmPeriodicity<3>& date = exceptions_.emplace_back();
            if (xml_get_attribute(child, attr_additional, text))
                read_ints(text, {&date.year, &date.month, &date.day});
        }
    }
    return true;
}
