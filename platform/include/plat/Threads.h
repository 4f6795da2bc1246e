#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

// Thread priorities, events, system-wide named mutexes and atomic counters.
namespace plat {

// The device's thread priorities: a smaller number is a higher priority.
constexpr int THREAD_PRIORITY_HIGHEST = 1;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 2;
constexpr int THREAD_PRIORITY_NORMAL = 3;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = 4;
constexpr int THREAD_PRIORITY_LOWEST = 5;

// Linux thread id of the calling thread.
int native_thread_id();
// Best effort: the device priority becomes a nice value of that one thread
// (highest -10 ... lowest +10). False when Linux refused it (raising a
// priority needs privileges) or the priority is unknown.
bool set_thread_priority(int thread_id, int device_priority);
// The nice value that set_thread_priority asks for.
int nice_for_priority(int device_priority);

// Signalled until reset (manual reset) or until one waiter passes (auto reset).
class Event {
public:
    explicit Event(bool manual_reset = true, bool initially_set = false)
        : manual_reset_(manual_reset), signalled_(initially_set) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    void wait();
    // False when the time ran out first.
    bool wait_for(uint32_t milliseconds);

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool manual_reset_ = true;
    bool signalled_ = false;
};

// A mutex shared by every process of one device root: an exclusive flock on a
// lock file under runtime_dir() (opened close-on-exec, so programs we start
// never inherit it), plus an in-process owner/count so that the owning thread
// may lock it again, as on the device. The kernel drops the lock when the
// holding process dies; a thread that ends while holding it gives it up.
class NamedMutex {
public:
    explicit NamedMutex(std::wstring_view name);
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // False when the lock file could not be made; lock() then fails too.
    bool valid() const { return !key_.empty(); }
    // Waits without time-out; false only when the lock file fails.
    bool lock();
    // False with ERROR_TIMEOUT when another holder keeps it that long.
    bool lock_for(uint32_t milliseconds);
    bool try_lock();
    // False with ERROR_NOT_OWNER when the calling thread does not hold it.
    bool unlock();

private:
    std::string key_;  // the lock file's path
};

// The lock file of a name: any character is allowed in names.
std::string named_mutex_file(std::wstring_view name);

// Atomic counters on plain 32-bit integers; both return the new value.
int32_t atomic_increment(int32_t& counter);
int32_t atomic_decrement(int32_t& counter);

} // namespace plat
