#pragma once
#include "alarm/Alarm.h"
#include "base/TimeStamp.h"

#include <string>

// The shared state file through which the Today item learns the next alarm
// and how many were passed over. Written and read under the named mutex.
class TodayState {
public:
    static constexpr wchar_t file_path[] = L"\\windows\\qevachimely.ini";
    static constexpr wchar_t mutex_name[] = L"ChimelyToday";

    // The state after a queue walk: the scheduled alarm and its entry's time
    // (none when null), and the count of entries passed over.
    static TodayState of(const Alarm* scheduled, const liba::TimeStamp& time, int unviewed);
    // "08 : 05"
    static std::wstring time_text(const liba::TimeStamp& time);
    // attention * 4 + time * 2 + pause
    static int action_of(const AlarmEvents& events);

    // Replaces the file (temporary file and rename) while holding the mutex.
    bool save() const;
    // False when the file is missing or not XML; the fields then stay.
    bool load();

    bool has_next = false;
    std::wstring name;
    std::wstring time;
    int action = 0;
    int unviewed = 0;
};
