#pragma once
#include "plat/Threads.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

namespace liba {

// Base of the sound threads: derive, supply run(), start(). A thread whose
// run() has returned is reaped by the next start() or join(); a derived
// class that owns a running thread stops it and joins in its own destructor.
class Thread {
public:
    Thread() = default;
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // False while a thread still runs, or when none could be made.
    bool start();
    // Waits for the thread to end; from the thread itself it detaches instead.
    void join();
    bool running() const;

    void request_stop() { stop_requested_ = 1; }
    bool stop_requested() const { return stop_requested_ != 0; }

    // p from -2 (lowest) to 2 (highest), 0 normal, clamped; whether Linux accepted it.
    bool set_priority(int p);

protected:
    virtual void run() = 0;

private:
    struct Shared;  // what the running thread may still touch after the object is gone

    mutable std::mutex lock_;  // guards thread_ and shared_
    std::thread thread_;
    std::shared_ptr<Shared> shared_;
    std::atomic<int> stop_requested_{0};
};

// A recursive in-process lock: the holding thread may lock it again.
class Mutex {
public:
    Mutex() : mutex_(std::make_unique<std::recursive_mutex>()) {}
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() { mutex_->lock(); }
    void unlock() { mutex_->unlock(); }

private:
    std::unique_ptr<std::recursive_mutex> mutex_;
};

// Holds a Mutex for its own lifetime, so every way out of a scope unlocks.
class MutexLock {
public:
    explicit MutexLock(Mutex& mutex) : mutex_(&mutex) { mutex_->lock(); }
    explicit MutexLock(Mutex* mutex) : mutex_(mutex) { mutex_->lock(); }
    ~MutexLock() { mutex_->unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex* mutex_ = nullptr;
};

// An unnamed manual-reset event, created not signalled.
class Event {
public:
    Event() : event_(std::make_unique<plat::Event>(true, false)) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void wait() { event_->wait(); }
    void set() { event_->set(); }
    void reset() { event_->reset(); }

private:
    std::unique_ptr<plat::Event> event_;
};

// Holds the system-wide mutex of that name from construction to destruction,
// waiting without time-out; the holding thread may take it again. A mutex
// that cannot be made is not reported: the code runs unguarded.
class NamedMutexLock {
public:
    explicit NamedMutexLock(std::wstring_view name);
    ~NamedMutexLock();
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

    bool held() const { return mutex_ != nullptr; }

private:
    std::unique_ptr<plat::NamedMutex> mutex_;
};

// Reference counts; both return the new value.
using plat::atomic_decrement;
using plat::atomic_increment;

} // namespace liba
