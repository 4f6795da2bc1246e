#include "base/Thread.h"

#include <cstdio>
#include <future>
#include <system_error>

namespace liba {

struct Thread::Shared {
    std::atomic<int> thread_id{0};
    std::atomic<bool> finished{false};
};

Thread::~Thread() {
    std::thread ending;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!thread_.joinable())
            return;
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
            return;
        }
        if (!shared_->finished) {
            // Ending the process here would lose everything; the owner should have joined.
            std::fprintf(stderr, "liba::Thread destroyed while its thread runs; detached\n");
            thread_.detach();
            return;
        }
        ending = std::move(thread_);
    }
    ending.join();
}

bool Thread::start() {
    std::lock_guard<std::mutex> guard(lock_);
    if (thread_.joinable()) {
        if (!shared_->finished)
            return false;
        thread_.join();  // reap the thread that ended by itself
    }
    stop_requested_ = 0;
    auto shared = std::make_shared<Shared>();
    std::promise<void> started;
    std::future<void> ready = started.get_future();
    try {
        thread_ = std::thread([this, shared, started = std::move(started)]() mutable {
            shared->thread_id = plat::native_thread_id();
            started.set_value();
            run();
            shared->finished = true;
        });
    } catch (const std::system_error&) {
        return false;
    }
    shared_ = std::move(shared);
    ready.wait();  // the thread id is known before start returns
    return true;
}

void Thread::join() {
    // The wait happens outside the lock, so the thread may still call
    // set_priority or running() while it ends.
    std::thread ending;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!thread_.joinable())
            return;
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
            return;
        }
        ending = std::move(thread_);
    }
    ending.join();
}

bool Thread::running() const {
    std::lock_guard<std::mutex> guard(lock_);
    return thread_.joinable() && !shared_->finished;
}

bool Thread::set_priority(int p) {
    // Relative step -2..2 to the device's priorities, lowest (5) to highest (1).
    static constexpr int kPriorities[5] = {
        plat::THREAD_PRIORITY_LOWEST, plat::THREAD_PRIORITY_BELOW_NORMAL, plat::THREAD_PRIORITY_NORMAL,
        plat::THREAD_PRIORITY_ABOVE_NORMAL, plat::THREAD_PRIORITY_HIGHEST};
    int index = p + 2 < 0 ? 0 : (p + 2 > 4 ? 4 : p + 2);
    int thread_id = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id())
            thread_id = plat::native_thread_id();
        else if (thread_.joinable() && !shared_->finished)
            thread_id = shared_->thread_id;
    }
    return thread_id != 0 && plat::set_thread_priority(thread_id, kPriorities[index]);
}

NamedMutexLock::NamedMutexLock(std::wstring_view name) : mutex_(std::make_unique<plat::NamedMutex>(name)) {
    if (!mutex_->lock())
        mutex_.reset();
}

NamedMutexLock::~NamedMutexLock() {
    if (mutex_)
        mutex_->unlock();
}

} // namespace liba
