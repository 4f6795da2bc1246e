#pragma once
#include "plat/Messages.h"
#include "ui/WindowManager.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace plat {

class MessageQueue;

// A message sent from another thread, waiting for its answer.
struct SentMessage {
    MSG msg;
    LRESULT result = 0;
    bool done = false;                       // guarded by the sender's queue
    std::shared_ptr<MessageQueue> sender;
};

struct WindowTimer {
    HWND hwnd = nullptr;
    std::uintptr_t id = 0;
    uint32_t interval = 0;
    uint32_t due = 0;  // tick count; compared by signed difference, so the 32-bit wrap is harmless
};

struct MessageFilter {
    HWND hwnd = nullptr;
    uint32_t first = 0;
    uint32_t last = 0;

    bool in_range(uint32_t message) const;
    bool matches(const MSG& msg) const;
    bool matches_timer(const WindowTimer& timer) const;
    bool accepts_quit() const;
    bool accepts_paint() const;
};

// A posted message; input (keys, pointer) is flagged so idleness can tell.
struct PostedMessage {
    MSG msg;
    bool input = false;
};

// The queue of one thread: posted messages, messages sent from other threads,
// the quit request and the window timers of the thread's windows.
class MessageQueue : public std::enable_shared_from_this<MessageQueue> {
public:
    explicit MessageQueue(int thread_id) : thread_id_(thread_id) {}
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    int thread_id() const { return thread_id_; }
    // False once the thread has ended.
    bool post(const MSG& msg, bool input = false);
    // Ahead of everything posted (a character translated from the key just taken).
    void post_front(const MSG& msg);
    // A waiting take looks at the queue again (an update region changed).
    void wake();
    // From another thread: queue the message and wait for the answer.
    LRESULT send(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam);
    void request_quit(int exit_code);
    void set_timer(HWND hwnd, std::uintptr_t id, uint32_t interval);
    bool kill_timer(HWND hwnd, std::uintptr_t id);
    // A destroyed window: its timers and queued posted messages go.
    void forget_window(HWND hwnd);
    // On the owning thread only. Handles sent messages on the way.
    bool take(MSG& msg, const MessageFilter& filter, bool remove, bool wait);
    // The thread ended: refuse posts and answer waiting senders with 0.
    void close();
    // Nothing posted, no input and no sent message waiting.
    bool nothing_queued();
    // While key input for the key is still queued: true, with held its state
    // before the first of those messages.
    bool key_state_before_queued(uint32_t virtual_key, bool& held);
    // The milliseconds until the next timer (negative when overdue); false without timers.
    bool next_timer(int32_t& left);
    // On the owning thread only.
    void set_hooks(ui::WaitHooks hooks) { hooks_ = std::move(hooks); }

private:
    void handle_sent();
    void wait_for_reply(const std::shared_ptr<SentMessage>& sent);
    void reply(const std::shared_ptr<SentMessage>& sent, LRESULT result);
    bool hooked() const { return !in_hook_ && (hooks_.idle || hooks_.pump); }
    void run_hook(const std::function<void()>& hook);
    // Waits, with hooks, until the generation moves on from `seen`, the timer
    // (negative: none) or the hooks' slice or plan is due, or a planned descriptor is readable.
    void wait_with_hooks(uint64_t seen, int32_t timer_left);
    // After a change under the lock: wakes a waiting take, also one that polls.
    void notify(bool polling);

    const int thread_id_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<PostedMessage> posted_;
    std::deque<std::shared_ptr<SentMessage>> sent_;
    std::vector<WindowTimer> timers_;
    bool quit_ = false;
    int quit_code_ = 0;
    bool closed_ = false;
    uint64_t generation_ = 0;  // bumped on every change a waiting take must see
    ui::WaitHooks hooks_;      // owning thread only
    bool in_hook_ = false;
    bool polling_ = false;     // the owner waits in poll on wake_fd_ rather than on wake_
    int wake_fd_ = -1;         // eventfd, made by the owner before its first poll
};

// The calling thread's queue, made on first use and closed when the thread ends.
const std::shared_ptr<MessageQueue>& own_queue();
// Null when that thread has no queue.
std::shared_ptr<MessageQueue> queue_of_thread(int thread_id);

// Provided by the window table: calls the window's current procedure (0 for no window).
LRESULT call_window(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam);
// Provided by painting: a visible window of the queue's thread whose update
// region is not empty (parents before children) that the filter admits.
bool paint_pending(const MessageQueue& queue, HWND filter, HWND* window);

} // namespace plat
