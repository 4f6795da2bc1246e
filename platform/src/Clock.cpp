#include "plat/Clock.h"

#include "ClockDetail.h"
#include "Switches.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace plat {
namespace {

constexpr int64_t days_1601_to_1970 = 134774;
constexpr uint64_t max_file_time = 0x7FFFFFFFFFFFFFFFull;

bool is_leap_year(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int64_t year, int month) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : lengths[month - 1];
}

// Days since 1 January 1970 of a proleptic Gregorian date (era arithmetic, no tables, no loops).
int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2);
}

uint64_t real_monotonic_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000;
}

uint64_t real_local_file_time() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    const time_t seconds = ts.tv_sec;
    tm local{};
    localtime_r(&seconds, &local);
    SystemTime st;
    st.year = uint16_t(local.tm_year + 1900);
    st.month = uint16_t(local.tm_mon + 1);
    st.day = uint16_t(local.tm_mday);
    st.hour = uint16_t(local.tm_hour);
    st.minute = uint16_t(local.tm_min);
    st.second = uint16_t(local.tm_sec > 59 ? 59 : local.tm_sec);  // a leap second shows as :59
    st.milliseconds = uint16_t(ts.tv_nsec / 1000000);
    uint64_t file_time = 0;
    system_time_to_file_time(st, file_time);
    return file_time;
}

// "YYYY-MM-DD HH:MM:SS", strictly.
bool parse_clock_text(const char* text, SystemTime& st) {
    static const char pattern[] = "dddd-dd-dd dd:dd:dd";
    int fields[6] = {};
    int field = 0;
    size_t i = 0;
    for (; pattern[i] != 0; ++i) {
        const char c = text[i];
        if (pattern[i] == 'd') {
            if (c < '0' || c > '9')
                return false;
            fields[field] = fields[field] * 10 + (c - '0');
        } else {
            if (c != pattern[i])
                return false;
            ++field;
        }
    }
    if (text[i] != 0)
        return false;
    st = SystemTime{};
    st.year = uint16_t(fields[0]);
    st.month = uint16_t(fields[1]);
    st.day = uint16_t(fields[2]);
    st.hour = uint16_t(fields[3]);
    st.minute = uint16_t(fields[4]);
    st.second = uint16_t(fields[5]);
    uint64_t unused = 0;
    return system_time_to_file_time(st, unused);
}

// The fake clock: a local time fixed at an anchor, plus what has passed since (real time when
// running, plus every advance). The tick count is kept continuous across set and clear.
struct ClockState {
    std::mutex mutex;
    bool fake = false;
    bool running = false;
    uint64_t anchor_file_time = 0;
    uint64_t anchor_real_ms = 0;
    uint64_t anchor_tick_ms = 0;
    uint64_t advanced_ms = 0;
    int64_t tick_offset_ms = 0;  // real-clock tick count = real monotonic + offset

    ClockState() {
        const char* now = std::getenv("CHIMELY_NOW");
        if (!now)
            return;
        SystemTime st;
        if (parse_clock_text(now, st)) {
            start_fake(st, true);
        } else {
            switches::warn("CHIMELY_NOW", "is not a valid YYYY-MM-DD HH:MM:SS time; using the real clock");
        }
    }

    // Callers hold the mutex (or are the constructor).
    uint64_t fake_elapsed_ms() const {
        return (running ? real_monotonic_ms() - anchor_real_ms : 0) + advanced_ms;
    }
    uint64_t tick_ms() const {
        if (fake)
            return anchor_tick_ms + fake_elapsed_ms();
        return uint64_t(int64_t(real_monotonic_ms()) + tick_offset_ms);
    }
    void start_fake(const SystemTime& st, bool run) {
        uint64_t file_time = 0;
        if (!system_time_to_file_time(st, file_time))
            return;
        anchor_tick_ms = tick_ms();
        fake = true;
        running = run;
        anchor_file_time = file_time;
        anchor_real_ms = real_monotonic_ms();
        advanced_ms = 0;
    }
};

ClockState& state() {
    static ClockState clock;
    return clock;
}

// A setting of the fake clock is a change of the clock: the wake-up service of
// this process sees it as it sees the system clock being set.
void signal_clock_change() {
    uint64_t one = 1;
    (void)!::write(fake_clock_change_fd(), &one, sizeof one);
}

// CHIMELY_NOW is read when the library loads, so the fake clock starts with the process.
[[maybe_unused]] const bool clock_read_at_start = (state(), true);

} // namespace

bool system_time_to_file_time(const SystemTime& st, uint64_t& file_time) {
    if (st.year < 1601 || st.year > 30827 || st.month < 1 || st.month > 12 || st.day < 1 ||
        st.day > days_in_month(st.year, st.month) || st.hour >= 24 || st.minute >= 60 ||
        st.second >= 60 || st.milliseconds >= 1000)
        return false;
    const int64_t days = days_from_civil(st.year, st.month, st.day) + days_1601_to_1970;
    const uint64_t seconds = ((uint64_t(days) * 24 + st.hour) * 60 + st.minute) * 60 + st.second;
    file_time = seconds * file_time_per_second + uint64_t(st.milliseconds) * file_time_per_ms;
    return true;
}

bool file_time_to_system_time(uint64_t file_time, SystemTime& st) {
    if (file_time > max_file_time)
        return false;
    const uint64_t days = file_time / file_time_per_day;
    uint64_t rest = file_time % file_time_per_day;
    int64_t y = 0, m = 0, d = 0;
    civil_from_days(int64_t(days) - days_1601_to_1970, y, m, d);
    st.year = uint16_t(y);
    st.month = uint16_t(m);
    st.day = uint16_t(d);
    st.day_of_week = uint16_t((days + 1) % 7);  // 1 January 1601 was a Monday
    st.milliseconds = uint16_t(rest / file_time_per_ms % 1000);
    rest /= file_time_per_second;
    st.second = uint16_t(rest % 60);
    st.minute = uint16_t(rest / 60 % 60);
    st.hour = uint16_t(rest / 3600);
    return true;
}

SystemTime local_time() {
    SystemTime st;
    file_time_to_system_time(local_file_time(), st);
    return st;
}

uint64_t local_file_time() {
    ClockState& clock = state();
    {
        std::lock_guard<std::mutex> lock(clock.mutex);
        if (clock.fake)
            return clock.anchor_file_time + clock.fake_elapsed_ms() * file_time_per_ms;
    }
    return real_local_file_time();
}

uint32_t tick_count() { return uint32_t(monotonic_ms()); }

uint64_t monotonic_ms() {
    ClockState& clock = state();
    std::lock_guard<std::mutex> lock(clock.mutex);
    return clock.tick_ms();
}

void set_fake_clock(const SystemTime& st, bool running) {
    ClockState& clock = state();
    {
        std::lock_guard<std::mutex> lock(clock.mutex);
        clock.start_fake(st, running);
    }
    signal_clock_change();
}

void advance_fake_clock(uint64_t milliseconds) {
    ClockState& clock = state();
    {
        std::lock_guard<std::mutex> lock(clock.mutex);
        if (!clock.fake)
            return;
        clock.advanced_ms += milliseconds;
    }
    signal_clock_change();
}

bool fake_clock_frozen() {
    ClockState& clock = state();
    std::lock_guard<std::mutex> lock(clock.mutex);
    return clock.fake && !clock.running;
}

bool fake_clock_active() {
    ClockState& clock = state();
    std::lock_guard<std::mutex> lock(clock.mutex);
    return clock.fake;
}

void clear_fake_clock() {
    ClockState& clock = state();
    std::lock_guard<std::mutex> lock(clock.mutex);
    if (!clock.fake)
        return;
    clock.tick_offset_ms = int64_t(clock.tick_ms()) - int64_t(real_monotonic_ms());
    clock.fake = false;
}

int fake_clock_change_fd() {
    static const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return fd;
}

} // namespace plat
