#include "MessageQueue.h"

#include "plat/Clock.h"
#include "plat/Input.h"
#include "plat/Threads.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
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

bool MessageFilter::accepts_paint() const { return hwnd != HWND_THREAD_MESSAGES && in_range(WM_PAINT); }

MessageQueue::~MessageQueue() {
    if (wake_fd_ >= 0)
        ::close(wake_fd_);
}

void MessageQueue::notify(bool polling) {
    wake_.notify_all();
    if (polling) {
        const uint64_t one = 1;
        // The counter only grows; a full one still wakes the poll.
        [[maybe_unused]] ssize_t written = ::write(wake_fd_, &one, sizeof one);
    }
}

bool MessageQueue::post(const MSG& msg, bool input) {
    bool polling = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return false;
        posted_.push_back(PostedMessage{msg, input});
        ++generation_;
        polling = polling_;
    }
    notify(polling);
    return true;
}

void MessageQueue::post_front(const MSG& msg) {
    bool polling = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return;
        posted_.push_front(PostedMessage{msg, false});
        ++generation_;
        polling = polling_;
    }
    notify(polling);
}

void MessageQueue::wake() {
    bool polling = false;
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        polling = polling_;
    }
    notify(polling);
}

void MessageQueue::run_hook(const std::function<void()>& hook) {
    if (!hook)
        return;
    // A hook that runs a queue call of its own must not re-enter the hooks.
    in_hook_ = true;
    hook();
    in_hook_ = false;
}

namespace {

// Without an eventfd the planned descriptors are looked at in slices.
constexpr int32_t unwatched_slice_ms = 10;

// The earlier of two waits in milliseconds; negative is no time limit.
int32_t earlier(int32_t a, int32_t b) {
    if (a < 0)
        return b;
    return b < 0 ? a : std::min(a, b);
}

} // namespace

void MessageQueue::wait_with_hooks(uint64_t seen, int32_t timer_left) {
    int32_t timeout = timer_left;
    if (hooks_.slice_ms)
        timeout = earlier(timeout, int32_t(std::min<uint32_t>(hooks_.slice_ms, 0x7FFFFFFF)));
    std::vector<pollfd> watched;
    if (hooks_.plan) {
        std::vector<int> fds;
        in_hook_ = true;
        timeout = earlier(timeout, std::max(hooks_.plan(fds), -1));
        in_hook_ = false;
        if (wake_fd_ < 0)
            wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        for (int fd : fds)
            watched.push_back(pollfd{fd, POLLIN, 0});
    }

    std::unique_lock lock(mutex_);
    auto changed = [&] { return generation_ != seen; };
    if (!hooks_.plan || wake_fd_ < 0) {
        if (hooks_.plan)
            timeout = earlier(timeout, unwatched_slice_ms);
        if (timeout < 0)
            wake_.wait(lock, changed);
        else
            wake_.wait_for(lock, std::chrono::milliseconds(timeout), changed);
        return;
    }
    if (changed())
        return;
    polling_ = true;
    lock.unlock();
    watched.push_back(pollfd{wake_fd_, POLLIN, 0});
    // A signal ends the poll early (EINTR); the pump that follows serves it.
    ::poll(watched.data(), nfds_t(watched.size()), timeout);
    uint64_t count = 0;
    [[maybe_unused]] ssize_t got = ::read(wake_fd_, &count, sizeof count);
    lock.lock();
    polling_ = false;
}

LRESULT MessageQueue::send(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    auto sent = std::make_shared<SentMessage>();
    sent->msg = MSG{hwnd, message, wparam, lparam, tick_count()};
    sent->sender = own_queue();
    bool polling = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return 0;
        sent_.push_back(sent);
        ++generation_;
        polling = polling_;
    }
    notify(polling);
    sent->sender->wait_for_reply(sent);
    return sent->result;
}

// Runs on the sender's own queue: messages sent to the sender while it waits
// are handled, so two threads sending to each other do not deadlock.
void MessageQueue::wait_for_reply(const std::shared_ptr<SentMessage>& sent) {
    bool idle_called = false;
    for (;;) {
        std::unique_lock lock(mutex_);
        if (sent->done)
            return;
        if (!sent_.empty()) {
            lock.unlock();
            handle_sent();
            continue;
        }
        if (!hooked()) {
            wake_.wait(lock);
            continue;
        }
        if (!idle_called) {
            idle_called = true;
            lock.unlock();
            run_hook(hooks_.idle);
            continue;
        }
        const uint64_t seen = generation_;
        lock.unlock();
        wait_with_hooks(seen, -1);
        run_hook(hooks_.pump);
    }
}

void MessageQueue::reply(const std::shared_ptr<SentMessage>& sent, LRESULT result) {
    MessageQueue& sender = *sent->sender;
    bool polling = false;
    {
        std::lock_guard lock(sender.mutex_);
        sent->result = result;
        sent->done = true;
        ++sender.generation_;
        polling = sender.polling_;
    }
    sender.notify(polling);
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
    bool polling = false;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        quit_code_ = exit_code;
        ++generation_;
        polling = polling_;
    }
    notify(polling);
}

void MessageQueue::set_timer(HWND hwnd, std::uintptr_t id, uint32_t interval) {
    interval = std::clamp<uint32_t>(interval, 1, 0x7FFFFFFF);
    bool polling = false;
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
        ++generation_;
        polling = polling_;
    }
    // A waiting get_message recomputes how long to wait.
    notify(polling);
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
    std::erase_if(posted_, [&](const PostedMessage& p) { return p.msg.hwnd == hwnd; });
}

bool MessageQueue::nothing_queued() {
    std::lock_guard lock(mutex_);
    return posted_.empty() && sent_.empty();
}

bool MessageQueue::key_state_before_queued(uint32_t virtual_key, bool& held) {
    std::lock_guard lock(mutex_);
    for (const PostedMessage& p : posted_) {
        const uint32_t m = p.msg.message;
        const bool key_message = m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP;
        if (p.input && key_message && p.msg.wparam == virtual_key) {
            held = (p.msg.lparam & KEY_PREVIOUS_DOWN) != 0;
            return true;
        }
    }
    return false;
}

bool MessageQueue::next_timer(int32_t& left) {
    std::lock_guard lock(mutex_);
    uint32_t now = tick_count();
    bool any = false;
    for (const WindowTimer& timer : timers_) {
        int32_t timer_left = int32_t(timer.due - now);
        if (!any || timer_left < left)
            left = timer_left;
        any = true;
    }
    return any;
}

// Order: sent messages (handled on the way), posted messages and input in
// arrival order, the quit request, one window's WM_PAINT, due timers.
bool MessageQueue::take(MSG& msg, const MessageFilter& filter, bool remove, bool wait) {
    bool idle_called = false;
    for (;;) {
        handle_sent();
        uint64_t seen = 0;
        {
            std::lock_guard lock(mutex_);
            if (!sent_.empty())
                continue;
            seen = generation_;
            auto found = std::find_if(posted_.begin(), posted_.end(),
                                      [&](const PostedMessage& p) { return filter.matches(p.msg); });
            if (found != posted_.end()) {
                msg = found->msg;
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
        }

        // Painting looks at the window table, so the queue's lock is not held.
        HWND painted = nullptr;
        if (filter.accepts_paint() && paint_pending(*this, filter.hwnd, &painted)) {
            msg = MSG{painted, WM_PAINT, 0, 0, tick_count()};
            return true;
        }

        std::unique_lock lock(mutex_);
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
        if (generation_ != seen)
            continue;
        auto changed = [&] { return generation_ != seen; };
        if (hooked() && !idle_called) {
            idle_called = true;
            lock.unlock();
            run_hook(hooks_.idle);
        } else if (next && fake_clock_frozen()) {
            // Nothing else to do: jump to the next timer so tests need not wait.
            lock.unlock();
            advance_fake_clock(uint64_t(next_left));
        } else if (hooked()) {
            lock.unlock();
            wait_with_hooks(seen, next ? next_left : -1);
            run_hook(hooks_.pump);
        } else if (!next) {
            wake_.wait(lock, changed);
        } else {
            wake_.wait_for(lock, std::chrono::milliseconds(next_left), changed);
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
