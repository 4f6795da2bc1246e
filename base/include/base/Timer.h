#pragma once
#include <memory>

namespace liba {

// A one-shot timer in seconds on the GUI thread's message loop, served by the
// active scheduler. The listener may start the timer again from on_timer.
class Timer {
public:
    class Listener {
    public:
        virtual void on_timer(Timer* timer) = 0;
        virtual ~Listener() = default;
    };
    class Impl;

    explicit Timer(Listener* listener);
    virtual ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // (Re)starts from now; a running timer's old deadline never fires. Delays
    // are whole milliseconds, at most about 24.8 days (the signed tick range).
    void start(double seconds);
    void stop();
    bool is_active() const;

private:
    friend class Impl;
    std::unique_ptr<Impl> impl_;
    Listener* listener_ = nullptr;
};

} // namespace liba
