#pragma once
#include "alarm/Alarm.h"
#include "base/TimeStamp.h"
#include "plat/Text.h"
#include "plat/WakeUp.h"

#include <gtest/gtest.h>

#include "TempRoot.h"

#include <filesystem>
#include <string>

namespace alarm_test {

// "YYYY-MM-DD HH:MM:SS" as a value; fails the test on a bad text.
inline liba::TimeStamp at(const char* text) {
    plat::SystemTime fields;
    liba::TimeStamp time;
    EXPECT_TRUE(plat::parse_local_time(text, fields) && time.set_system_time(fields)) << text;
    return time;
}

// The value back in the same form, "never" for the empty value.
inline std::string text(const liba::TimeStamp& time) {
    if (Alarm::is_never(time))
        return "never";
    return plat::format_local_time(time.system_time());
}

inline Alarm make_alarm(int type, const char* date, int hour, int minute, const wchar_t* subject = L"") {
    Alarm alarm;
    alarm.set_periodicity(type, at(date));
    alarm.set_time(hour, minute);
    alarm.set_subject(subject);
    return alarm;
}

// Linux path of a file in this process's device root, given its path there
// ("a/b.ini"); its folder is created.
inline std::string root_file(const std::string& relative) {
    std::filesystem::path path = std::filesystem::path(testing_support::process_root()) / relative;
    std::filesystem::create_directories(path.parent_path());
    return path.string();
}

} // namespace alarm_test
