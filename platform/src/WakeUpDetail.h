#pragma once
#include "plat/WakeUp.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Shared by the registration side and the wake-up service.
namespace plat::wake_up_detail {

// Lock file whose holder is the one service of this root.
std::string service_lock_path();
// True while a service holds the lock of this root.
bool service_running();
// The running service's clock and armed wake-up, for `chimely-waker status`.
std::string service_status_path();
// "realtime" refuses the alarm clock, as a kernel without the capability does (tests).
constexpr char wake_clock_variable[] = "CHIMELY_WAKER_CLOCK";
// The file that holds the program's registration, and reading one such file.
std::string registration_file(std::wstring_view program);
bool read_registration(const std::string& path, WakeUpRegistration& reg);
// Every readable registration with the file that holds it, earliest first.
// The service takes a registration out by that file: one copied or edited by
// hand need not carry the name its program would give it.
struct RegistrationFile {
    std::string path;
    WakeUpRegistration reg;
};
std::vector<RegistrationFile> list_registrations();
// The instant, in seconds since 1970 (UTC), that a local date and time of day
// stand for under the time zone's rules (TZ, else the system's zone, read
// again on every call; milliseconds do not count). A time that a change of
// the clocks skips (02:30 on the spring day in Berlin) is the first moment
// after the gap (03:00); a time that occurs twice is the first of them.
int64_t utc_seconds_of_local_time(const SystemTime& local);

// The environment variable that tells a started program which registration's
// time it was started for.
constexpr char wake_due_variable[] = "CHIMELY_WAKE_DUE";

// Starts the program with the arguments in a session of its own, detached from
// this process (never a zombie of ours). CHIMELY_ROOT is passed on, and a fake
// clock continues from this process's current local time. CHIMELY_WAKE_DUE and
// CHIMELY_INPUT are never passed on; a non-empty wake_due sets the first for
// this start. False when the program cannot be started.
bool spawn_detached(const std::string& program, const std::vector<std::string>& args,
                    const std::string& wake_due = {});

} // namespace plat::wake_up_detail
