#pragma once
#include <cstdint>

// The device's local clock and tick count, with a fake clock for tests and scripted runs.
// All times are local device times; no time zone is ever applied.
namespace plat {

// The device's calendar record. day_of_week counts from 0 = Sunday and is filled by
// file_time_to_system_time only; conversions to a file time ignore it.
struct SystemTime {
    uint16_t year = 1601, month = 1, day_of_week = 0, day = 1, hour = 0, minute = 0, second = 0,
             milliseconds = 0;
};

constexpr uint64_t file_time_per_ms = 10000;          // file times count 100-ns units
constexpr uint64_t file_time_per_second = 10000000;
constexpr uint64_t file_time_per_day = 864000000000;

// Calendar fields to 100-ns units since 1 January 1601. Refuses what the device refuses: a year
// outside 1601..30827, month outside 1..12, a day that the month (Gregorian rule) does not have,
// hour >= 24, minute or second >= 60, milliseconds >= 1000. Never normalises (30 February fails).
bool system_time_to_file_time(const SystemTime& st, uint64_t& file_time);
// The inverse; refuses file times above 0x7FFFFFFFFFFFFFFF as the device does.
bool file_time_to_system_time(uint64_t file_time, SystemTime& st);

SystemTime local_time();        // the real local clock, or the fake clock when one is set
uint64_t local_file_time();     // the same instant as 100-ns units since 1601

// Milliseconds of a steady clock. Both follow the fake clock when one is set (frozen with it,
// moved by advance_fake_clock), and never run backwards when it is set or cleared.
uint32_t tick_count();          // the device's 32-bit tick count; wraps after 49.7 days
uint64_t monotonic_ms();        // the same count in 64 bits; never wraps

// Fake clock. CHIMELY_NOW="YYYY-MM-DD HH:MM:SS" at process start sets a running fake clock:
// it starts there and runs on in real time.
void set_fake_clock(const SystemTime& st, bool running);  // running=false: frozen until advanced
void advance_fake_clock(uint64_t milliseconds);           // no effect without a fake clock
bool fake_clock_frozen();
bool fake_clock_active();                                 // any fake clock, running or frozen
void clear_fake_clock();                                  // back to the real clock

} // namespace plat
