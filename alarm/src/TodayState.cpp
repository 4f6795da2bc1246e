#include "alarm/TodayState.h"

#include "base/Convert.h"
#include "base/Thread.h"
#include "base/Xml.h"
#include "plat/Paths.h"

#include <filesystem>

using liba::XmlNode;

namespace {
constexpr wchar_t el_next[] = L"Next";
constexpr wchar_t el_unviewed[] = L"Unviewed";
constexpr wchar_t attr_name[] = L"name";
constexpr wchar_t attr_time[] = L"time";
constexpr wchar_t attr_action[] = L"action";
constexpr wchar_t attr_quantity[] = L"quantity";

bool read_number(const XmlNode& element, const wchar_t* name, int& value) {
    std::wstring text;
    int32_t number = 0;
    if (!xml_get_attribute(element, name, text) || !liba::read_int(number, text.data(), text.data() + text.size()))
        return false;
    value = number;
    return true;
}
} // namespace

TodayState TodayState::of(const Alarm* scheduled, const liba::TimeStamp& time, int unviewed) {
    TodayState state;
    state.unviewed = unviewed;
    if (scheduled) {
        state.has_next = true;
        state.name = scheduled->get_subject();
        state.time = time_text(time);
        state.action = action_of(scheduled->get_events());
    }
    return state;
}

std::wstring TodayState::time_text(const liba::TimeStamp& time) {
    return liba::format_fixed(time.hour(), 0, 2) + L" : " + liba::format_fixed(time.minute(), 0, 2);
}

int TodayState::action_of(const AlarmEvents& events) {
    return (events.attention ? 4 : 0) + (events.time ? 2 : 0) + (events.pause ? 1 : 0);
}

bool TodayState::save() const {
    liba::NamedMutexLock lock(mutex_name);
    // A fresh device root may not have the folder yet.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(plat::native_path(file_path)).parent_path(), ec);
    XmlNode document = liba::xml_create_document();
    XmlNode next = xml_add_child(document, el_next);
    if (has_next) {
        xml_set_attribute(next, attr_name, name);
        xml_set_attribute(next, attr_time, time);
        xml_set_attribute(next, attr_action, liba::format_int_wtext(action));
    }
    XmlNode unviewed_element = xml_add_child(document, el_unviewed);
    xml_set_attribute(unviewed_element, attr_quantity, liba::format_int_wtext(unviewed));
    return xml_save_document(document, file_path);
}

bool TodayState::load() {
    liba::NamedMutexLock lock(mutex_name);
    XmlNode document = liba::xml_load_document(file_path);
    if (!document)
        return false;
    // Both elements sit at the top level; each is looked up by name.
    XmlNode next = xml_find_child(document, el_next);
    XmlNode unviewed_element = xml_find_child(document, el_unviewed);
    if (!next && !unviewed_element)
        return false;
    TodayState loaded;
    loaded.has_next = xml_get_attribute(next, attr_time, loaded.time);
    if (loaded.has_next) {
        xml_get_attribute(next, attr_name, loaded.name);
        read_number(next, attr_action, loaded.action);
    }
    read_number(unviewed_element, attr_quantity, loaded.unviewed);
    *this = loaded;
    return true;
}
