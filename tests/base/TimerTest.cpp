#include "base/Timer.h"

#include "base/Active.h"
#include "base/Scheduler.h"
#include "plat/Clock.h"
#include "plat/Messages.h"
#include "plat/Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::uintptr_t watchdog_timer = 99;

struct Fired {
    std::string name;
    uint64_t at = 0;  // milliseconds since the test's start
    bool operator==(const Fired&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Fired& f) { return out << f.name << "@" << f.at; }

// A frozen fake clock, so an idle loop jumps straight to the next timer.
class TimerTest : public testing::Test {
protected:
    void SetUp() override {
        plat::set_fake_clock(plat::SystemTime{2026, 3, 0, 7, 6, 0, 0, 0}, false);
        scheduler = std::make_unique<CActiveScheduler>();
        set_active_scheduler(scheduler.get());
        start = plat::monotonic_ms();
    }
    void TearDown() override {
        timers.clear();
        scheduler.reset();
        plat::clear_fake_clock();
    }

    uint64_t now() const { return plat::monotonic_ms() - start; }

    // Dispatches until done() holds or nothing happens for `idle_ms` of fake time.
    void pump(const std::function<bool()>& done, uint32_t idle_ms = 3600000) {
        plat::set_timer(scheduler->window(), watchdog_timer, idle_ms);
        plat::MSG msg;
        while (!done() && plat::get_message(msg, nullptr, 0, 0) > 0) {
            if (msg.message == plat::WM_TIMER && msg.wparam == watchdog_timer)
                break;
            plat::dispatch_message(msg);
            plat::set_timer(scheduler->window(), watchdog_timer, idle_ms);
        }
        plat::kill_timer(scheduler->window(), watchdog_timer);
    }
    void pump_all(uint32_t idle_ms = 3600000) {
        pump([] { return false; }, idle_ms);
    }

    bool run_message_queued() {
        plat::MSG msg;
        return plat::peek_message(msg, scheduler->window(), CActiveScheduler::message_run,
                                  CActiveScheduler::message_run, plat::PM_NOREMOVE);
    }

    class Recorder : public liba::Timer::Listener {
    public:
        Recorder(TimerTest* test, std::string name) : test_(test), name_(std::move(name)) {}
        void on_timer(liba::Timer* timer) override {
            EXPECT_FALSE(timer->is_active());
            test_->fired.push_back({name_, test_->now()});
            if (then)
                then(timer);
        }
        std::function<void(liba::Timer*)> then;

    private:
        TimerTest* test_;
        std::string name_;
    };

    liba::Timer& make_timer(const std::string& name) {
        recorders.push_back(std::make_unique<Recorder>(this, name));
        timers.push_back(std::make_unique<liba::Timer>(recorders.back().get()));
        return *timers.back();
    }
    Recorder& recorder(size_t i) { return *recorders[i]; }

    std::unique_ptr<CActiveScheduler> scheduler;
    std::vector<std::unique_ptr<Recorder>> recorders;
    std::vector<std::unique_ptr<liba::Timer>> timers;
    std::vector<Fired> fired;
    uint64_t start = 0;
};

TEST_F(TimerTest, TimersFireOnceInDeadlineOrder) {
    make_timer("slow").start(1.0);
    make_timer("fast").start(0.5);
    make_timer("middle").start(0.75);
    pump_all();
    EXPECT_EQ(fired, (std::vector<Fired>{{"fast", 500}, {"middle", 750}, {"slow", 1000}}));
    for (auto& t : timers)
        EXPECT_FALSE(t->is_active());
}

TEST_F(TimerTest, RestartMovesTheDeadline) {
    liba::Timer& t = make_timer("t");
    t.start(0.5);
    plat::advance_fake_clock(300);
    t.start(0.5);
    EXPECT_TRUE(t.is_active());
    pump_all();
    EXPECT_EQ(fired, (std::vector<Fired>{{"t", 800}}));
}

TEST_F(TimerTest, ZeroSecondTimerIsPostedAtOnceAndFiresOnDispatch) {
    liba::Timer& t = make_timer("now");
    t.start(0);
    EXPECT_TRUE(run_message_queued());
    EXPECT_TRUE(fired.empty());
    pump_all();
    EXPECT_EQ(fired, (std::vector<Fired>{{"now", 0}}));
}

TEST_F(TimerTest, StoppingARunningTimerLeavesNothingBehind) {
    liba::Timer& t = make_timer("stopped");
    t.start(0.5);
    plat::advance_fake_clock(100);
    t.stop();
    EXPECT_FALSE(t.is_active());
    EXPECT_FALSE(run_message_queued());
    make_timer("other").start(1.0);
    pump_all();
    EXPECT_EQ(fired, (std::vector<Fired>{{"other", 1100}}));
}

TEST_F(TimerTest, StoppingADueTimerRemovesItsQueuedNotification) {
    liba::Timer& t = make_timer("due");
    t.start(0);
    ASSERT_TRUE(run_message_queued());
    t.stop();
    EXPECT_FALSE(run_message_queued());
    t.start(1.0);  // a stray notification would run this one early
    pump_all();
    EXPECT_EQ(fired, (std::vector<Fired>{{"due", 1000}}));
}

TEST_F(TimerTest, AnotherTimersNotificationRunsInsideTheCancel) {
    liba::Timer& due = make_timer("due");
    liba::Timer& later = make_timer("later");
    due.start(0);
    later.start(10);
    later.stop();
    EXPECT_EQ(fired, (std::vector<Fired>{{"due", 0}}));
    EXPECT_FALSE(run_message_queued());
    pump_all();
    EXPECT_EQ(fired.size(), 1u);
}

TEST_F(TimerTest, TimersDueTogetherFireOnceEvenWhenAListenerStartsAnother) {
    liba::Timer& a = make_timer("a");
    liba::Timer& b = make_timer("b");
    liba::Timer& c = make_timer("c");
    recorder(0).then = [&](liba::Timer*) { c.start(0.25); };
    a.start(0.5);
    b.start(0.5);
    pump_all();
    EXPECT_EQ(fired, (std::vector<Fired>{{"a", 500}, {"b", 500}, {"c", 750}}));
}

TEST_F(TimerTest, ListenerRestartingItsTimerGetsFreshPeriods) {
    liba::Timer& tick = make_timer("tick");
    int left = 3;
    recorder(0).then = [&](liba::Timer* t) {
        if (--left > 0)
            t->start(0.02);
    };
    tick.start(0.02);
    pump_all();
    EXPECT_EQ(fired, (std::vector<Fired>{{"tick", 20}, {"tick", 40}, {"tick", 60}}));
}

TEST_F(TimerTest, TimerLongerThanTheLongestWaitStillFires) {
    make_timer("far").start(25000);  // 25,000 s: beyond one arming of the window timer
    make_timer("near").start(1);
    pump_all(CActiveScheduler::longest_wait_ms * 3);
    EXPECT_EQ(fired, (std::vector<Fired>{{"near", 1000}, {"far", 25000000}}));
}

TEST_F(TimerTest, DeadlinesAcrossTheTickWrapKeepTheirOrder) {
    plat::advance_fake_clock(0x100000000ull - plat::tick_count() - 100);
    start = plat::monotonic_ms();
    ASSERT_EQ(plat::tick_count(), 0xFFFFFF9Cu);
    make_timer("after").start(0.3);
    make_timer("before").start(0.05);
    make_timer("across").start(0.15);
    pump_all();
    EXPECT_EQ(fired, (std::vector<Fired>{{"before", 50}, {"across", 150}, {"after", 300}}));
}

TEST_F(TimerTest, DestroyingARunningTimerStopsIt) {
    make_timer("gone").start(0.1);
    make_timer("kept").start(0.2);
    timers[0].reset();
    pump_all();
    EXPECT_EQ(fired, (std::vector<Fired>{{"kept", 200}}));
}

// A bare active object for the scheduler's own rules.
class Request : public CActive {
public:
    int runs = 0;
    int cancels = 0;

protected:
    void run() override { ++runs; }
    void do_cancel() override {
        ++cancels;
        notify();
    }
};

TEST_F(TimerTest, ActiveObjectRunsOnceWhenNotified) {
    Request r;
    r.set_active();
    r.notify();
    r.notify();  // at most one notification at a time
    EXPECT_TRUE(r.is_active());
    pump([&] { return !run_message_queued(); }, 10);
    EXPECT_EQ(r.runs, 1);
    EXPECT_FALSE(r.is_active());
    r.cancel();  // inactive: nothing happens
    EXPECT_EQ(r.cancels, 0);
}

using TimerDeathTest = TimerTest;

TEST_F(TimerDeathTest, BrokenRulesAreFatal) {
    EXPECT_EXIT(
        {
            Request r;
            r.set_active();
            r.set_active();
        },
        testing::ExitedWithCode(70), "Object is already active @ CActiveScheduler::set_active");
    EXPECT_EXIT(
        {
            Request r;
            r.notify();
        },
        testing::ExitedWithCode(70), "Active object is not active @ CActiveScheduler::notify\\(\\)");
    EXPECT_EXIT(
        {
            auto* r = new Request;
            r->set_active();
            scheduler.reset();
        },
        testing::ExitedWithCode(70), "Some active objects still live while scheduler is terminating @ \n");
    EXPECT_EXIT(
        {
            Request r;
            r.set_active();
        },
        testing::ExitedWithCode(70), "Active object is already active @ CActive::~CActive\\(\\)");
    EXPECT_EXIT(
        {
            Request r;
            scheduler->process_actives(&r);
        },
        testing::ExitedWithCode(70), "Active object is not in active list @ CActiveScheduler::process_actives\\(\\)");
}

} // namespace
