#include "base/Timer.h"

#include "base/Active.h"
#include "base/Scheduler.h"
#include "plat/Clock.h"

#include <cmath>

namespace liba {

// The timer's active object: its deadline sits in the scheduler's timer list.
class Timer::Impl : public CActive {
public:
    explicit Impl(Timer* owner) : owner_(owner) {}

    void arm(uint32_t delay_ms) {
        deadline_ = plat::tick_count() + delay_ms;
        set_active();
        get_active_scheduler()->add_timer(this, deadline_);
        get_active_scheduler()->on_timer();
    }

protected:
    // Inactive during the listener's call, so the listener may start it again.
    void run() override {
        get_active_scheduler()->remove_timer(this);
        owner_->listener_->on_timer(owner_);
    }
    // Completes the request so that the cancel finds the notification.
    void do_cancel() override {
        get_active_scheduler()->remove_timer(this);
        notify();
    }

private:
    Timer* owner_ = nullptr;
    uint32_t deadline_ = 0;
};

namespace {

// Whole milliseconds within the signed tick range, so a deadline never reads as past.
uint32_t delay_ms(double seconds) {
    double ms = std::trunc(seconds * 1000.0);
    if (!(ms > 0))
        return 0;
    if (ms > 2147483647.0)
        return 2147483647u;
    return uint32_t(ms);
}

} // namespace

Timer::Timer(Listener* listener) : impl_(std::make_unique<Impl>(this)), listener_(listener) {}

Timer::~Timer() { stop(); }

void Timer::start(double seconds) {
    stop();
    impl_->arm(delay_ms(seconds));
}

void Timer::stop() {
    if (impl_->is_active())
        impl_->cancel();
}

bool Timer::is_active() const { return impl_->is_active(); }

} // namespace liba
