#include "plat/Threads.h"

#include "PosixIo.h"
#include "plat/Errors.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <thread>

namespace plat {
namespace {

// One entry per lock file that this process has used.
struct HoldEntry {
    std::thread::id owner{};
    int count = 0;
    int fd = -1;
};

struct HoldTable {
    std::mutex lock;
    std::condition_variable changed;
    std::map<std::string, HoldEntry> entries;
};

HoldTable* g_table = nullptr;

void before_fork() { g_table->lock.lock(); }
void after_fork_parent() { g_table->lock.unlock(); }

// A child holds none of its parent's named mutexes. It must not unlock the
// inherited descriptors (that would release the parent's lock), only close
// them; the old table is left behind because its mutex stays locked.
void after_fork_child() {
    for (auto& [key, entry] : g_table->entries)
        if (entry.fd >= 0)
            ::close(entry.fd);
    g_table = new HoldTable;
}

HoldTable& table() {
    static bool ready = [] {
        g_table = new HoldTable;
        pthread_atfork(before_fork, after_fork_parent, after_fork_child);
        return true;
    }();
    (void)ready;
    return *g_table;
}

void release_fully(const std::string& key);

// Locks held by this thread; given up when the thread ends, as the device
// hands an abandoned mutex to its next waiter.
struct ThreadHolds {
    std::set<std::string> keys;
    ~ThreadHolds() {
        std::set<std::string> left;
        left.swap(keys);
        for (const std::string& key : left)
            release_fully(key);
    }
};
thread_local ThreadHolds t_holds;

void release_fully(const std::string& key) {
    HoldTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.entries.find(key);
    if (it == t.entries.end() || it->second.count == 0 || it->second.owner != std::this_thread::get_id())
        return;
    it->second.count = 0;
    it->second.owner = {};
    flock_retrying(it->second.fd, LOCK_UN);
    t.changed.notify_all();
}

using Clock = std::chrono::steady_clock;
// How often a wait with a time-out asks the lock file again.
constexpr auto file_lock_retry = std::chrono::milliseconds(10);

// Takes the lock file; without a deadline it waits as long as it takes.
bool lock_file(int fd, std::optional<Clock::time_point> deadline) {
    if (!deadline)
        return flock_retrying(fd, LOCK_EX) == 0;
    for (;;) {
        if (flock_retrying(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK || Clock::now() >= *deadline)
            return false;
        std::this_thread::sleep_for(file_lock_retry);
    }
}

// Takes the lock for the calling thread, waiting until the deadline (none: for ever).
bool acquire(const std::string& key, std::optional<Clock::time_point> deadline) {
    HoldTable& t = table();
    const std::thread::id me = std::this_thread::get_id();
    std::unique_lock<std::mutex> guard(t.lock);
    HoldEntry& entry = t.entries[key];
    if (entry.count > 0 && entry.owner == me) {
        ++entry.count;
        return true;
    }
    const auto free = [&] { return entry.count == 0; };
    if (!deadline) {
        t.changed.wait(guard, free);
    } else if (!t.changed.wait_until(guard, *deadline, free)) {
        set_last_error(ERROR_TIMEOUT);
        return false;
    }
    // Reserve it inside the process first, so other threads wait here and not on the file.
    entry.owner = me;
    entry.count = 1;
    if (entry.fd < 0)
        entry.fd = ::open(key.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    const int fd = entry.fd;
    guard.unlock();

    bool locked = fd >= 0 && lock_file(fd, deadline);
    if (!locked) {
        int error = errno;
        guard.lock();
        entry.count = 0;
        entry.owner = {};
        t.changed.notify_all();
        if (error == EWOULDBLOCK)
            set_last_error(ERROR_TIMEOUT);
        else
            set_last_error_from_errno(error);
        return false;
    }
    t_holds.keys.insert(key);
    return true;
}

} // namespace

int native_thread_id() { return int(syscall(SYS_gettid)); }

int nice_for_priority(int device_priority) {
    switch (device_priority) {
    case THREAD_PRIORITY_HIGHEST: return -10;
    case THREAD_PRIORITY_ABOVE_NORMAL: return -5;
    case THREAD_PRIORITY_NORMAL: return 0;
    case THREAD_PRIORITY_BELOW_NORMAL: return 5;
    case THREAD_PRIORITY_LOWEST: return 10;
    default: return 0;
    }
}

bool set_thread_priority(int thread_id, int device_priority) {
    if (device_priority < THREAD_PRIORITY_HIGHEST || device_priority > THREAD_PRIORITY_LOWEST || thread_id <= 0) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    // On Linux a nice value set on a thread id applies to that thread only.
    if (setpriority(PRIO_PROCESS, id_t(thread_id), nice_for_priority(device_priority)) != 0) {
        set_last_error_from_errno(errno);
        return false;
    }
    return true;
}

void Event::set() {
    std::lock_guard<std::mutex> guard(lock_);
    signalled_ = true;
    if (manual_reset_)
        changed_.notify_all();
    else
        changed_.notify_one();
}

void Event::reset() {
    std::lock_guard<std::mutex> guard(lock_);
    signalled_ = false;
}

void Event::wait() {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return signalled_; });
    if (!manual_reset_)
        signalled_ = false;
}

bool Event::wait_for(uint32_t milliseconds) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!changed_.wait_for(guard, std::chrono::milliseconds(milliseconds), [this] { return signalled_; }))
        return false;
    if (!manual_reset_)
        signalled_ = false;
    return true;
}

std::string named_mutex_file(std::wstring_view name) {
    std::string folder = runtime_dir();
    if (folder.empty())
        return {};
    // Letters, digits, '-' and '_' stay; every other byte is written as %XX.
    std::string escaped;
    for (unsigned char c : to_utf8(name)) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_') {
            escaped += char(c);
        } else {
            static const char hex[] = "0123456789ABCDEF";
            escaped += '%';
            escaped += hex[c >> 4];
            escaped += hex[c & 15];
        }
    }
    return folder + "/mutex-" + escaped + ".lock";
}

NamedMutex::NamedMutex(std::wstring_view name) : key_(named_mutex_file(name)) {
    if (key_.empty())
        set_last_error(ERROR_PATH_NOT_FOUND);
}

bool NamedMutex::lock() { return valid() && acquire(key_, std::nullopt); }

bool NamedMutex::lock_for(uint32_t milliseconds) {
    return valid() && acquire(key_, Clock::now() + std::chrono::milliseconds(milliseconds));
}

bool NamedMutex::try_lock() { return lock_for(0); }

bool NamedMutex::unlock() {
    if (!valid())
        return false;
    HoldTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.entries.find(key_);
    if (it == t.entries.end() || it->second.count == 0 || it->second.owner != std::this_thread::get_id()) {
        set_last_error(ERROR_NOT_OWNER);
        return false;
    }
    if (--it->second.count == 0) {
        it->second.owner = {};
        flock_retrying(it->second.fd, LOCK_UN);
        t_holds.keys.erase(key_);
        t.changed.notify_all();
    }
    return true;
}

int32_t atomic_increment(int32_t& counter) {
    return std::atomic_ref<int32_t>(counter).fetch_add(1) + 1;
}

int32_t atomic_decrement(int32_t& counter) {
    return std::atomic_ref<int32_t>(counter).fetch_sub(1) - 1;
}

} // namespace plat
