#include "plat/WakeUp.h"

#include "WakeUpDetail.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace plat {
namespace {

constexpr uint64_t ticks_per_ms = 10000;
constexpr int longest_sleep_ms = 60 * 1000;   // re-evaluate at least once a minute

class ServiceLock {
public:
    ~ServiceLock() { release(); }
    bool take() {
        if (fd_ < 0)
            fd_ = ::open(wake_up_detail::service_lock_path().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0)
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

// Fires one due registration. It is taken out of the folder first, so it
// fires once even if the program registers again while it starts; a newer
// registration that arrived in between is left in place.
void fire(const WakeUpRegistration& reg) {
    std::string program = native_path(reg.program);
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

} // namespace

int run_wake_up_service() {
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
        uint64_t now = local_file_time();
        bool fired = false;
        for (const auto& due : regs) {
            if (file_time_of(due.reg.time) <= now && take_due(due)) {
                fire(due.reg);
                fired = true;
            }
        }
        if (fired)
            continue;
        uint64_t earliest = file_time_of(regs.front().reg.time);
        uint64_t wait_ticks = earliest > now ? earliest - now : 0;
        uint64_t wait_ms = (wait_ticks + ticks_per_ms - 1) / ticks_per_ms;
        int timeout = wait_ms < uint64_t(longest_sleep_ms) ? int(wait_ms) : longest_sleep_ms;
        if (timeout == 0)
            timeout = 1000;   // due but could not be taken out: do not spin
        pollfd fds[2] = {{notify, POLLIN, 0}, {clock_timer, POLLIN, 0}};
        if (::poll(fds, 2, timeout) > 0) {
            if (fds[0].revents & POLLIN)
                drain(notify);
            if (clock_timer >= 0 && (fds[1].revents & POLLIN)) {
                // Re-arm: a cancelled timer stays cancelled until set again.
                ::close(clock_timer);
                clock_timer = clock_change_timer();
            }
        }
    }
    if (notify >= 0)
        ::close(notify);
    if (clock_timer >= 0)
        ::close(clock_timer);
    return 0;
}

} // namespace plat
