#pragma once
#include <array>
#include <string>

namespace plat::ui::controls {

// Month and weekday names as the calendar controls show them. The device's
// own controls take them from the system's locale: here the process's time
// locale (LC_TIME, which the programs take from the environment at start),
// English where the locale gives none.
struct CalendarNames {
    std::array<std::wstring, 12> months;         // "January": a month on its own, as in a title
    std::array<std::wstring, 12> short_months;   // "Jan", as in a date
    std::array<std::wstring, 7> short_weekdays;  // "Sun" first
};

// Read again when the time locale changed since the last call. GUI thread.
const CalendarNames& calendar_names();

} // namespace plat::ui::controls
