#include "MessageQueue.h"

#include "plat/Clock.h"
#include "plat/Threads.h"

#include <algorithm>
#include <chrono>
#include <unordered_map>

namespace plat {

bool MessageFilter::in_range(uint32_t message) const {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool MessageFilter::matches(const MSG& msg) const {
    if (hwnd == HWND_THREAD_MESSAGES ? msg.hwnd != nullptr : hwnd && msg.hwnd != hwnd)
        return false;
    return in_range(msg.message);
}

bool MessageFilter::matches_timer(const WindowTimer& timer) const {
    if (hwnd == HWND_THREAD_MESSAGES || (hwnd && timer.hwnd != hwnd))
        return false;
    return in_range(WM_TIMER);
}

// A filtered peek (the scheduler's search for its own notifications) must
// not swallow the quit request meant for the loop.
bool MessageFilter::accepts_quit() const {
    return (hwnd == nullptr || hwnd == HWND_THREAD_MESSAGES) && in_range(WM_QUIT);
}

bool MessageQueue::post(const MSG& msg) {
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return false;
        posted_.push_back(msg);
    }
    wake_.notify_all();
    return true;
}

LRESULT MessageQueue::send(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    auto sent = std::make_shared<SentMessage>();
    sent->msg = MSG{hwnd, message, wparam, lparam, tick_count()};
    sent->sender = own_queue();
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return 0;
        sent_.push_back(sent);
    }
    wake_.notify_all();
    sent->sender->wait_for_reply(sent);
    return sent->result;
}

// Runs on the sender's own queue: messages sent to the sender while it waits
// are handled, so two threads sending to each other do not deadlock.
void MessageQueue::wait_for_reply(const std::shared_ptr<SentMessage>& sent) {
    for (;;) {
        std::unique_lock lock(mutex_);
        if (sent->done)
            return;
        if (!sent_.empty()) {
            lock.unlock();
            handle_sent();
            continue;
        }
        wake_.wait(lock);
    }
}

void MessageQueue::reply(const std::shared_ptr<SentMessage>& sent, LRESULT result) {
    MessageQueue& sender = *sent->sender;
    {
        std::lock_guard lock(sender.mutex_);
        sent->result = result;
        sent->done = true;
    }
    sender.wake_.notify_all();
}

void MessageQueue::handle_sent() {
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard lock(mutex_);
            if (sent_.empty())
                return;
            sent = sent_.front();
            sent_.pop_front();
        }
        const MSG& m = sent->msg;
        reply(sent, call_window(m.hwnd, m.message, m.wparam, m.lparam));
    }
}

void MessageQueue::request_quit(int exit_code) {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        quit_code_ = exit_code;
    }
    wake_.notify_all();
}

void MessageQueue::set_timer(HWND hwnd, std::uintptr_t id, uint32_t interval) {
    interval = std::clamp<uint32_t>(interval, 1, 0x7FFFFFFF);
    {
        std::lock_guard lock(mutex_);
        uint32_t due = tick_count() + interval;
        auto it = std::find_if(timers_.begin(), timers_.end(),
                               [&](const WindowTimer& t) { return t.hwnd == hwnd && t.id == id; });
        if (it != timers_.end()) {
            it->interval = interval;
            it->due = due;
        } else {
            timers_.push_back(WindowTimer{hwnd, id, interval, due});
        }
    }
    // A waiting get_message recomputes how long to wait.
    wake_.notify_all();
}

bool MessageQueue::kill_timer(HWND hwnd, std::uintptr_t id) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const WindowTimer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == timers_.end())
        return false;
    timers_.erase(it);
    return true;
}

void MessageQueue::forget_window(HWND hwnd) {
    std::lock_guard lock(mutex_);
    std::erase_if(timers_, [&](const WindowTimer& t) { return t.hwnd == hwnd; });
    std::erase_if(posted_, [&](const MSG& m) { return m.hwnd == hwnd; });
}

bool MessageQueue::take(MSG& msg, const MessageFilter& filter, bool remove, bool wait) {
    for (;;) {
        handle_sent();
        std::unique_lock lock(mutex_);
        if (!sent_.empty())
            continue;

        auto found = std::find_if(posted_.begin(), posted_.end(), [&](const MSG& m) { return filter.matches(m); });
        if (found != posted_.end()) {
            msg = *found;
            if (remove)
                posted_.erase(found);
            return true;
        }

        if (quit_ && filter.accepts_quit()) {
            msg = MSG{nullptr, WM_QUIT, WPARAM(quit_code_), 0, tick_count()};
            if (remove)
                quit_ = false;
            return true;
        }

        // Timers are generated when taken, so each is pending at most once.
        uint32_t now = tick_count();
        WindowTimer* next = nullptr;
        int32_t next_left = 0;
        for (WindowTimer& timer : timers_) {
            if (!filter.matches_timer(timer))
                continue;
            int32_t left = int32_t(timer.due - now);
            if (!next || left < next_left) {
                next = &timer;
                next_left = left;
            }
        }
        if (next && next_left <= 0) {
            msg = MSG{next->hwnd, WM_TIMER, next->id, 0, now};
            if (remove)
                next->due = now + next->interval;
            return true;
        }

        if (!wait)
            return false;
        if (!next) {
            wake_.wait(lock);
        } else if (fake_clock_frozen()) {
            // Nothing else to do: jump to the next timer so tests need not wait.
            lock.unlock();
            advance_fake_clock(uint64_t(next_left));
        } else {
            wake_.wait_for(lock, std::chrono::milliseconds(next_left));
        }
    }
}

void MessageQueue::close() {
    std::deque<std::shared_ptr<SentMessage>> waiting;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        waiting.swap(sent_);
        posted_.clear();
        timers_.clear();
    }
    for (const auto& sent : waiting)
        reply(sent, 0);
}

namespace {

struct QueueTable {
    std::mutex mutex;
    std::unordered_map<int, std::shared_ptr<MessageQueue>> queues;
};

// Never destroyed: threads may still end after static destruction began.
QueueTable& queue_table() {
    static auto* table = new QueueTable;
    return *table;
}

struct OwnQueue {
    std::shared_ptr<MessageQueue> queue;

    ~OwnQueue() {
        if (!queue)
            return;
        QueueTable& table = queue_table();
        {
            std::lock_guard lock(table.mutex);
            auto it = table.queues.find(queue->thread_id());
            if (it != table.queues.end() && it->second == queue)
                table.queues.erase(it);
        }
        queue->close();
    }
};

thread_local OwnQueue t_own_queue;

} // namespace

const std::shared_ptr<MessageQueue>& own_queue() {
    if (!t_own_queue.queue) {
        auto queue = std::make_shared<MessageQueue>(native_thread_id());
        QueueTable& table = queue_table();
        std::lock_guard lock(table.mutex);
        table.queues[queue->thread_id()] = queue;
        t_own_queue.queue = std::move(queue);
    }
    return t_own_queue.queue;
}

std::shared_ptr<MessageQueue> queue_of_thread(int thread_id) {
    QueueTable& table = queue_table();
    std::lock_guard lock(table.mutex);
    auto it = table.queues.find(thread_id);
    return it == table.queues.end() ? nullptr : it->second;
}

} // namespace plat
