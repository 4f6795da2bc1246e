#pragma once
#include "plat/Clock.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Run-application-at-time: a registration names a program (device path) and a
// local time. Registrations live inside the device root and survive the
// program; the wake-up service (chimely-waker) starts each program with the
// single argument "AppRunAtTime" at its time and then drops the registration.
namespace plat {

struct WakeUpRegistration {
    std::wstring program;   // device path of the program to start
    SystemTime time;        // local time, to the second
};

// Registers (or replaces the registration of) the program and makes sure the
// wake-up service runs. False when the time is not a valid date, no device
// root was found or the registration cannot be written.
bool register_wake_up(std::wstring_view program, const SystemTime& local_time);
// Withdraws the program's registration; true when there was one.
bool cancel_wake_up(std::wstring_view program);
// The program's registration; false when there is none.
bool read_wake_up(std::wstring_view program, SystemTime& local_time);
// Every registration, earliest first.
std::vector<WakeUpRegistration> list_wake_ups();

// Linux folder that holds the registrations of this root.
std::string wake_up_folder();

// Linux path of the service program that register_wake_up starts: by default
// "chimely-waker" beside the running program. "" starts none (tests).
void set_waker_program(const std::string& linux_path);
std::string waker_program();

// The service loop of chimely-waker; returns its exit code. Ends at once when
// another service already runs for this root (0) or no device root was found
// (2), otherwise when no registration is left.
int run_wake_up_service();
// Whether the service runs for this root, the clock it armed (the alarm clock,
// which wakes a suspended machine, or the wall clock) and its next wake-up.
std::string wake_up_service_status();

// The time of the registration that the wake-up service started this process
// for (CHIMELY_WAKE_DUE, in the format below): a device that was asleep or off
// starts it late. Nothing when it is unset or not a valid time.
std::optional<SystemTime> wake_up_due_time();

// "YYYY-MM-DD HH:MM:SS"; parse_local_time refuses anything else, and dates
// the calendar does not have.
std::string format_local_time(const SystemTime& time);
bool parse_local_time(std::string_view text, SystemTime& time);

} // namespace plat
