#include "base/Scheduler.h"

#include "base/Active.h"
#include "base/Log.h"
#include "plat/Clock.h"
#include "plat/Window.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace {

CActiveScheduler* current_scheduler = nullptr;

constexpr std::wstring_view class_name = L"CActiveSchedulerClass";
constexpr uint32_t class_style = plat::CS_VREDRAW | plat::CS_HREDRAW | plat::CS_DBLCLKS;

plat::LRESULT scheduler_procedure(plat::HWND window, uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam) {
    auto* scheduler = reinterpret_cast<CActiveScheduler*>(plat::get_window_long(window, plat::GWL_USERDATA));
    if (scheduler) {
        if (message == CActiveScheduler::message_run)
            scheduler->process_actives(reinterpret_cast<CActive*>(wparam));
        else if (message == plat::WM_TIMER && wparam == CActiveScheduler::window_timer_id)
            scheduler->on_timer();
    }
    return plat::def_window_proc(window, message, wparam, lparam);
}

template <class List>
bool erase_first(List& list, CActive* object) {
    auto it = std::find(list.begin(), list.end(), object);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

} // namespace

struct CActiveScheduler::Impl {
    struct RunningTimer {
        CActive* timer = nullptr;
        uint32_t deadline = 0;
    };
    std::vector<CActive*> actives;   // in the order they became active
    std::deque<CActive*> pending;    // notifications parked during a cancel
    std::vector<RunningTimer> timers;  // in start order
    plat::HWND window = nullptr;
};

CActiveScheduler* get_active_scheduler() { return current_scheduler; }
void set_active_scheduler(CActiveScheduler* scheduler) { current_scheduler = scheduler; }

CActiveScheduler::CActiveScheduler() : impl_(std::make_unique<Impl>()) {
    plat::WindowClass window_class;
    window_class.style = class_style;
    window_class.procedure = scheduler_procedure;
    window_class.name = class_name;
    plat::register_class(window_class);  // already there for a second scheduler: fine
    impl_->window = plat::create_window(0, class_name, L"CActiveScheduler", plat::WS_DISABLED, plat::CW_USEDEFAULT,
                                        plat::CW_USEDEFAULT, plat::CW_USEDEFAULT, plat::CW_USEDEFAULT, nullptr, 0,
                                        nullptr, nullptr);
    plat::set_window_long(impl_->window, plat::GWL_USERDATA, reinterpret_cast<std::intptr_t>(this));
}

CActiveScheduler::~CActiveScheduler() {
    if (!impl_->actives.empty())
        liba::report_error(L"", L"Some active objects still live while scheduler is terminating");
    plat::destroy_window(impl_->window);
    if (current_scheduler == this)
        current_scheduler = nullptr;
}

plat::HWND CActiveScheduler::window() const { return impl_->window; }

void CActiveScheduler::set_active(CActive* object) {
    if (object->active_)
        liba::report_error(L"CActiveScheduler::set_active", L"Object is already active");
    object->active_ = true;
    impl_->actives.push_back(object);
}

void CActiveScheduler::notify(CActive* object) {
    if (!object->active_)
        liba::report_error(L"CActiveScheduler::notify()", L"Active object is not active");
    // One notification at a time: a second one would reach process_actives
    // after the object left the active list, or run a restarted timer early.
    if (object->queued_)
        return;
    object->queued_ = true;
    plat::post_message(impl_->window, message_run, reinterpret_cast<plat::WPARAM>(object), 0);
}

bool CActiveScheduler::process_actives(CActive* object) {
    if (std::find(impl_->actives.begin(), impl_->actives.end(), object) == impl_->actives.end())
        liba::report_error(L"CActiveScheduler::process_actives()", L"Active object is not in active list");
    if (!object->active_)
        liba::report_error(L"CActiveScheduler::process_actives()", L"Active object is not marked active");
    object->active_ = false;
    object->queued_ = false;
    erase_first(impl_->actives, object);
    object->run();
    return true;
}

void CActiveScheduler::cancel(CActive* object) {
    object->do_cancel();

    auto withdraw = [&] {
        object->active_ = false;
        object->queued_ = false;
        erase_first(impl_->actives, object);
    };
    if (erase_first(impl_->pending, object)) {
        withdraw();
        return;
    }
    plat::MSG msg;
    while (plat::peek_message(msg, impl_->window, message_run, message_run, plat::PM_REMOVE)) {
        auto* other = reinterpret_cast<CActive*>(msg.wparam);
        if (other == object) {
            withdraw();
            break;
        }
        if (!other->active_)
            liba::report_error(L"CActiveScheduler::cancel",
                               L"Object to be added to pending_actives is not marked as active");
        impl_->pending.push_back(other);
    }
    // Parked notifications run now, in the order they were posted.
    while (!impl_->pending.empty()) {
        CActive* first = impl_->pending.front();
        impl_->pending.pop_front();
        process_actives(first);
    }
}

void CActiveScheduler::add_timer(CActive* timer, uint32_t deadline) { impl_->timers.push_back({timer, deadline}); }

void CActiveScheduler::remove_timer(CActive* timer) {
    auto& timers = impl_->timers;
    auto it = std::find_if(timers.begin(), timers.end(), [&](const Impl::RunningTimer& t) { return t.timer == timer; });
    if (it != timers.end())
        timers.erase(it);
}

void CActiveScheduler::on_timer() {
    plat::kill_timer(impl_->window, window_timer_id);
    uint32_t now = plat::tick_count();
    bool waiting = false;
    uint32_t nearest = 0;
    // notify() only posts, so the list does not change during the walk.
    for (const auto& t : impl_->timers) {
        int32_t left = int32_t(t.deadline - now);
        if (left > 0) {
            if (!waiting || uint32_t(left) < nearest)
                nearest = uint32_t(left);
            waiting = true;
        } else if (!t.timer->queued_) {
            notify(t.timer);
        }
    }
    // A far deadline is not lost: the window timer fires at the longest wait
    // and this check runs again.
    if (waiting)
        plat::set_timer(impl_->window, window_timer_id, std::min(nearest, longest_wait_ms));
}
