#include "plat/WakeUp.h"

#include "ClockDetail.h"
#include "WakeUpDetail.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <linux/capability.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace plat {
namespace {

constexpr int64_t ns_per_ms = 1000000;
constexpr int64_t ns_per_second = 1000000000;
constexpr int longest_sleep_ms = 60 * 1000;   // re-evaluate at least once a minute
// Beyond the largest step a zone's offset has ever made (a whole day), on either side.
constexpr int64_t offset_reach_seconds = 2 * 24 * 3600;

class ServiceLock {
public:
    ~ServiceLock() { release(); }
    bool take() {
        if (fd_ < 0)
            fd_ = ::open(wake_up_detail::service_lock_path().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        struct flock whole{};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        if (fd_ >= 0 && ::fcntl(fd_, F_OFD_SETLK, &whole) == 0)
            return true;
        release();
        return false;
    }
    void release() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

uint64_t file_time_of(const SystemTime& time) {
    uint64_t file_time = 0;
    system_time_to_file_time(time, file_time);
    return file_time;
}

// Starts only programs of this root: a registration file is plain text that
// anyone who can write the folder may edit.
bool inside_device_root(const std::string& program) {
    std::error_code ec;
    std::filesystem::path root = std::filesystem::canonical(device_root(), ec);
    if (ec)
        return false;
    std::filesystem::path path = std::filesystem::canonical(program, ec);
    if (ec)
        return false;
    std::filesystem::path inside = path.lexically_relative(root);
    return !inside.empty() && *inside.begin() != "..";
}

// Fires one due registration. It is taken out of the folder first, so it
// fires once even if the program registers again while it starts; a newer
// registration that arrived in between is left in place.
void fire(const WakeUpRegistration& reg) {
    std::string program = native_path(reg.program);
    if (!inside_device_root(program)) {
        std::fprintf(stderr, "chimely-waker: %s is no program inside this device root; not started\n", program.c_str());
        return;
    }
    std::fprintf(stderr, "chimely-waker: %s: starting %s AppRunAtTime\n", format_local_time(reg.time).c_str(),
                 program.c_str());
    // The program may start long after its time (the device slept or was
    // off); it learns the time it was due for to find the alarm it missed.
    if (!wake_up_detail::spawn_detached(program, {"AppRunAtTime"}, format_local_time(reg.time)))
        std::fprintf(stderr, "chimely-waker: cannot start %s\n", program.c_str());
}

bool take_due(const wake_up_detail::RegistrationFile& due) {
    const std::string& file = due.path;
    std::string claimed = file + "." + std::to_string(::getpid()) + ".claim";
    if (::rename(file.c_str(), claimed.c_str()) != 0)
        return false;
    WakeUpRegistration current;
    bool same = wake_up_detail::read_registration(claimed, current) &&
                file_time_of(current.time) == file_time_of(due.reg.time) && current.program == due.reg.program;
    if (!same)
        ::link(claimed.c_str(), file.c_str());   // put a newer one back, unless a newer still came
    ::unlink(claimed.c_str());
    return same;
}

void drain(int fd) {
    char buffer[4096];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

// A timer far in the future whose only job is to report a change of the
// system clock (read fails with ECANCELED).
int clock_change_timer() {
    int fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0)
        return -1;
    itimerspec spec{};
    spec.it_value.tv_sec = time_t(1) << 33;  // year 2242: never reached, unlike 2038
    if (::timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Keeps at most CAP_WAKE_ALARM, which setting the alarm clock's timer needs;
// the service never uses any other privilege, whoever starts it.
void drop_capabilities(bool keep_wake_alarm) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (keep_wake_alarm) {
        data[CAP_TO_INDEX(CAP_WAKE_ALARM)].effective = CAP_TO_MASK(CAP_WAKE_ALARM);
        data[CAP_TO_INDEX(CAP_WAKE_ALARM)].permitted = CAP_TO_MASK(CAP_WAKE_ALARM);
    }
    ::syscall(SYS_capset, &header, data);
}

int64_t wall_clock_ns() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * ns_per_second + now.tv_nsec;
}

// The instant a local time stands for, in nanoseconds since 1970 on the wall clock's scale.
int64_t instant_of(const SystemTime& local) {
    return wake_up_detail::utc_seconds_of_local_time(local) * ns_per_second + local.milliseconds * ns_per_ms;
}

// "YYYY-MM-DD HH:MM:SS UTC" of an instant in nanoseconds since 1970.
std::string format_utc(int64_t instant_ns) {
    const time_t seconds = time_t(instant_ns / ns_per_second);
    tm fields{};
    ::gmtime_r(&seconds, &fields);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &fields);
    return text;
}

// Time spent suspended so far: the boot clock runs on in suspend, the
// monotonic clock does not.
int64_t suspended_seconds() {
    timespec boot{}, mono{};
    ::clock_gettime(CLOCK_BOOTTIME, &boot);
    ::clock_gettime(CLOCK_MONOTONIC, &mono);
    return int64_t(boot.tv_sec) - int64_t(mono.tv_sec);
}

// Ends the wait at the next registration's time. On the alarm clock the kernel
// also sets the real-time clock to resume a suspended machine then; that takes
// CAP_WAKE_ALARM. On the wall clock the timer fires at the time while the
// machine is awake, or at once when it resumes after the time.
class WakeTimer {
public:
    WakeTimer() {
        const char* forced = std::getenv(wake_up_detail::wake_clock_variable);
        std::string refusal;
        if (forced && std::strcmp(forced, "realtime") == 0) {
            refusal = std::string(wake_up_detail::wake_clock_variable) + "=realtime";
        } else {
            fd_ = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_NONBLOCK | TFD_CLOEXEC);
            if (fd_ < 0)
                refusal = std::strerror(errno);
        }
        alarm_ = fd_ >= 0;
        if (!alarm_) {
            fd_ = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
            std::fprintf(stderr, "chimely-waker: the alarm clock is refused (%s); alarms will not wake a "
                                 "suspended machine\n", refusal.c_str());
        }
        drop_capabilities(alarm_);
    }
    ~WakeTimer() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    WakeTimer(const WakeTimer&) = delete;
    WakeTimer& operator=(const WakeTimer&) = delete;

    int fd() const { return fd_; }
    bool alarm() const { return alarm_; }
    // Arms the timer at an instant of the wall clock; one not ahead of it is
    // never armed, or the real-time clock would wake the machine over and over.
    bool arm_at(int64_t wall_ns) {
        if (fd_ < 0 || wall_ns <= wall_clock_ns()) {
            disarm();
            return false;
        }
        itimerspec spec{};
        spec.it_value.tv_sec = time_t(wall_ns / ns_per_second);
        spec.it_value.tv_nsec = long(wall_ns % ns_per_second);
        return ::timerfd_settime(fd_, TFD_TIMER_ABSTIME, &spec, nullptr) == 0;
    }
    void disarm() {
        if (fd_ < 0)
            return;
        itimerspec spec{};
        ::timerfd_settime(fd_, 0, &spec, nullptr);
    }

private:
    int fd_ = -1;
    bool alarm_ = false;
};

// What `chimely-waker status` shows of the running service: its clock and the
// wake-up it armed. Rewritten (by rename) only when that changes.
class StatusFile {
public:
    void write(bool alarm, const std::string& next) {
        std::string text = std::string("clock ") + (alarm ? "CLOCK_REALTIME_ALARM" : "CLOCK_REALTIME") + "\nnext " +
                           (next.empty() ? "none" : next) + "\n";
        if (text == written_)
            return;
        std::string path = wake_up_detail::service_status_path();
        std::string temporary = path + ".new";
        {
            std::ofstream out(temporary, std::ios::trunc);
            out << text;
            if (!out.flush())
                return;
        }
        if (::rename(temporary.c_str(), path.c_str()) == 0)
            written_ = text;
    }

private:
    std::string written_;
};

} // namespace

namespace wake_up_detail {

int64_t utc_seconds_of_local_time(const SystemTime& local) {
    ::tzset();  // a new zone (TZ, or the system's) counts from now on
    tm fields{};
    fields.tm_year = local.year - 1900;
    fields.tm_mon = local.month - 1;
    fields.tm_mday = local.day;
    fields.tm_hour = local.hour;
    fields.tm_min = local.minute;
    fields.tm_sec = local.second;
    const int64_t wanted = ::timegm(&fields);  // the local time's fields counted as if UTC
    const auto offset_at = [](int64_t instant) {
        const time_t t = time_t(instant);
        tm shown{};
        ::localtime_r(&t, &shown);
        return int64_t(shown.tm_gmtoff);
    };
    const auto local_at = [&](int64_t instant) { return instant + offset_at(instant); };
    // The offsets in force around the time: each that shows the wanted time
    // there gives one instant it stands for, and the earliest is taken.
    const int64_t offsets[] = {offset_at(wanted - offset_reach_seconds), offset_at(wanted),
                               offset_at(wanted + offset_reach_seconds)};
    std::optional<int64_t> first;
    int64_t lowest = offsets[0], highest = offsets[0];
    for (int64_t offset : offsets) {
        lowest = std::min(lowest, offset);
        highest = std::max(highest, offset);
        if (local_at(wanted - offset) == wanted && (!first || wanted - offset < *first))
            first = wanted - offset;
    }
    if (first)
        return *first;
    // None shows it: the clocks skip it. The first instant whose local time
    // lies at or past it is the end of the gap.
    int64_t before = wanted - highest, after = wanted - lowest;
    while (after - before > 1) {
        const int64_t middle = before + (after - before) / 2;
        (local_at(middle) >= wanted ? after : before) = middle;
    }
    return after;
}

} // namespace wake_up_detail

int run_wake_up_service() {
    // A service serves the registrations of one device root, never of "/".
    if (!device_root_found())
        return 2;
    ServiceLock lock;
    if (!lock.take())
        return 0;   // another service serves this root
    std::error_code ec;
    std::filesystem::create_directories(wake_up_folder(), ec);
    int notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notify >= 0)
        ::inotify_add_watch(notify, wake_up_folder().c_str(),
                            IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CLOSE_WRITE | IN_DELETE_SELF |
                                IN_MOVE_SELF);
    int clock_timer = clock_change_timer();
    WakeTimer wake_timer;
    StatusFile status;
    int64_t suspended = suspended_seconds();

    for (;;) {
        std::vector<wake_up_detail::RegistrationFile> regs = wake_up_detail::list_registrations();
        if (regs.empty()) {
            // A registration written just before the lock goes is still seen:
            // its writer found the service running and started none.
            lock.release();
            if (list_wake_ups().empty() || !lock.take())
                break;
            continue;
        }
        if (int64_t now_suspended = suspended_seconds(); now_suspended > suspended + 1) {
            std::fprintf(stderr, "chimely-waker: resumed after %lld s asleep\n",
                         static_cast<long long>(now_suspended - suspended));
            suspended = now_suspended;
        }
        // Registrations hold local times: each stands for the instant the zone's
        // rules give it, so a change of the clocks before it moves nothing, and
        // a new zone or offset is taken at the next pass. Under a fake clock the
        // fake local time is read in the zone the same way.
        const int64_t wall = wall_clock_ns();
        const int64_t now = fake_clock_active() ? instant_of(local_time()) : wall;
        bool fired = false;
        const SystemTime* next = nullptr;
        int64_t earliest = 0;
        for (const auto& due : regs) {
            const int64_t at = instant_of(due.reg.time);
            if (at <= now && take_due(due)) {
                fire(due.reg);
                fired = true;
            } else if (!next || at < earliest) {
                next = &due.reg.time;
                earliest = at;
            }
        }
        if (fired || !next)
            continue;
        int64_t wait_ms = earliest > now ? (earliest - now + ns_per_ms - 1) / ns_per_ms : 0;
        int timeout = wait_ms < longest_sleep_ms ? int(wait_ms) : longest_sleep_ms;
        if (timeout == 0)
            timeout = 1000;   // due but could not be taken out: do not spin
        bool armed = wake_timer.arm_at(earliest + (wall - now));
        status.write(wake_timer.alarm(), armed ? format_local_time(*next) + " (" + format_utc(earliest) + ")" : std::string());
        pollfd fds[4] = {{notify, POLLIN, 0},
                         {clock_timer, POLLIN, 0},
                         {wake_timer.fd(), POLLIN, 0},
                         {fake_clock_change_fd(), POLLIN, 0}};
        if (::poll(fds, 4, timeout) > 0) {
            if (fds[0].revents & POLLIN)
                drain(notify);
            if (clock_timer >= 0 && (fds[1].revents & POLLIN)) {
                // Re-arm: a cancelled timer stays cancelled until set again.
                ::close(clock_timer);
                clock_timer = clock_change_timer();
            }
            if (fds[2].revents & POLLIN)
                drain(wake_timer.fd());
            if (fds[3].revents & POLLIN)
                drain(fake_clock_change_fd());
        }
    }
    if (notify >= 0)
        ::close(notify);
    if (clock_timer >= 0)
        ::close(clock_timer);
    ::unlink(wake_up_detail::service_status_path().c_str());
    return 0;
}

std::string wake_up_service_status() {
    std::string text;
    bool running = wake_up_detail::service_running();
    text += running ? "service: running\n" : "service: not running\n";
    std::ifstream in(wake_up_detail::service_status_path());
    std::string line;
    bool told_clock = false;
    while (running && std::getline(in, line)) {
        if (line.starts_with("clock ")) {
            told_clock = true;
            text += "clock: " + line.substr(6) +
                    (line.ends_with("_ALARM") ? " (wakes the machine from suspend)\n"
                                              : " (alarms do not wake a suspended machine)\n");
        } else if (line.starts_with("next ")) {
            text += "next wake-up: " + line.substr(5) + "\n";
        }
    }
    if (!told_clock) {
        // Not serving now: tell what a service started from here would get.
        int fd = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
        text += fd >= 0 ? "clock: CLOCK_REALTIME_ALARM available (wakes the machine from suspend)\n"
                        : std::string("clock: CLOCK_REALTIME_ALARM refused (") + std::strerror(errno) +
                              "): give chimely-waker the capability: setcap cap_wake_alarm+ep PATH\n";
        if (fd >= 0)
            ::close(fd);
    }
    return text;
}

} // namespace plat
