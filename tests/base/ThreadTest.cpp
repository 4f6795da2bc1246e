#include "base/Thread.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Runs until told to stop; counts its runs.
class Worker : public liba::Thread {
public:
    ~Worker() override {
        request_stop();
        join();
    }
    std::atomic<int> runs{0};
    std::atomic<bool> hold{true};
    std::atomic<int> priority_accepted{-1};
    std::atomic<int> thread_id{0};
    int priority_step = 99;

protected:
    void run() override {
        ++runs;
        thread_id = plat::native_thread_id();
        if (priority_step != 99)
            priority_accepted = set_priority(priority_step) ? 1 : 0;
        while (hold && !stop_requested())
            std::this_thread::sleep_for(1ms);
    }
};

void wait_until(const std::function<bool()>& condition) {
    for (int i = 0; i < 5000 && !condition(); ++i)
        std::this_thread::sleep_for(1ms);
}

} // namespace

TEST(Thread, StartTwiceWhileRunningIsRefused) {
    Worker worker;
    EXPECT_TRUE(worker.start());
    EXPECT_FALSE(worker.start());
    wait_until([&] { return worker.runs == 1; });
    worker.request_stop();
    worker.join();
    EXPECT_EQ(worker.runs, 1);
    EXPECT_FALSE(worker.running());
}

TEST(Thread, JoinOnIdleReturnsAndAFinishedThreadCanStartAgain) {
    Worker worker;
    worker.join();  // no thread: returns at once
    worker.hold = false;
    ASSERT_TRUE(worker.start());
    wait_until([&] { return !worker.running(); });
    EXPECT_FALSE(worker.running());
    EXPECT_TRUE(worker.start());  // the ended thread is reaped
    worker.join();
    EXPECT_EQ(worker.runs, 2);
}

TEST(Thread, StopFlagIsClearedByStart) {
    Worker worker;
    worker.request_stop();
    EXPECT_TRUE(worker.stop_requested());
    ASSERT_TRUE(worker.start());
    EXPECT_FALSE(worker.stop_requested());
}

namespace {

class SelfJoiner : public liba::Thread {
public:
    std::atomic<bool> done{false};

protected:
    void run() override {
        join();  // must not deadlock or abort
        done = true;
    }
};

std::atomic<bool> g_entered{false};
std::atomic<bool> g_release{false};
std::atomic<bool> g_finished{false};

// Touches only globals, so it may outlive its object.
class Orphan : public liba::Thread {
protected:
    void run() override {
        g_entered = true;
        while (!g_release)
            std::this_thread::sleep_for(1ms);
        g_finished = true;
    }
};

} // namespace

TEST(Thread, JoinFromTheThreadItselfDetaches) {
    SelfJoiner joiner;
    ASSERT_TRUE(joiner.start());
    wait_until([&] { return joiner.done.load(); });
    EXPECT_TRUE(joiner.done);
    EXPECT_TRUE(joiner.start());  // the detached thread no longer counts
    wait_until([&] { return !joiner.running(); });
}

TEST(Thread, DestroyingARunningThreadDetachesInsteadOfEndingTheProcess) {
    auto orphan = std::make_unique<Orphan>();
    ASSERT_TRUE(orphan->start());
    wait_until([] { return g_entered.load(); });
    testing::internal::CaptureStderr();
    orphan.reset();
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("detached"), std::string::npos);
    g_release = true;
    wait_until([] { return g_finished.load(); });
    EXPECT_TRUE(g_finished);
}

TEST(Thread, PriorityStepsAreClampedAndApplyToTheThread) {
    const int start_nice = getpriority(PRIO_PROCESS, 0);
    if (start_nice > 10)
        GTEST_SKIP() << "already running below the lowest step";
    Worker worker;
    EXPECT_FALSE(worker.set_priority(0));  // no thread
    worker.priority_step = -5;              // clamped to the lowest
    ASSERT_TRUE(worker.start());
    wait_until([&] { return worker.priority_accepted != -1; });
    EXPECT_EQ(worker.priority_accepted, 1);  // lowering is always allowed
    EXPECT_EQ(getpriority(PRIO_PROCESS, id_t(worker.thread_id)), 10);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), start_nice);  // only that thread changed
    // Raising needs privileges; the answer must say whether Linux took it.
    bool raised = worker.set_priority(7);  // clamped to the highest
    EXPECT_EQ(getpriority(PRIO_PROCESS, id_t(worker.thread_id)), raised ? -10 : 10);
    worker.request_stop();
    worker.join();
}

TEST(Mutex, RecursiveForItsHolder) {
    liba::Mutex mutex;
    liba::MutexLock outer(mutex);
    {
        liba::MutexLock inner(&mutex);  // the same thread: no wait
    }
    std::atomic<bool> got{false};
    std::thread other([&] {
        liba::MutexLock lock(mutex);
        got = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(got);
    mutex.unlock();  // give up outer's hold early...
    other.join();
    EXPECT_TRUE(got);
    mutex.lock();  // ...and take it back for outer's destructor
}

TEST(Event, ManualResetEvent) {
    liba::Event event;
    std::atomic<bool> woke{false};
    std::thread waiter([&] {
        event.wait();
        woke = true;
    });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(woke);
    event.set();
    waiter.join();
    EXPECT_TRUE(woke);
    event.wait();  // stays signalled
    event.reset();
}

TEST(NamedMutexLock, SecondHolderWaitsForTheFirstInThisProcess) {
    std::atomic<int> step{0};
    std::thread second;
    {
        liba::NamedMutexLock first(L"ChimelyToday");
        EXPECT_TRUE(first.held());
        {
            liba::NamedMutexLock again(L"ChimelyToday");  // the holder may take it again
            EXPECT_TRUE(again.held());
        }
        second = std::thread([&] {
            liba::NamedMutexLock lock(L"ChimelyToday");
            step = 2;
        });
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(step, 0);
        step = 1;
    }
    second.join();
    EXPECT_EQ(step, 2);
}

TEST(NamedMutexLock, SecondHolderWaitsForTheFirstInAnotherProcess) {
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    pid_t child = fork();
    if (child == 0) {
        liba::NamedMutexLock lock(L"ChimelyToday");
        char c = 'x';
        if (write(pipes[1], &c, 1) != 1)
            _exit(1);
        std::this_thread::sleep_for(200ms);
        c = 'r';  // written while still held, so a holder that waited always finds it
        _exit(write(pipes[1], &c, 1) == 1 ? 0 : 1);  // the lock ends with the process
    }
    close(pipes[1]);
    char c = 0;
    ASSERT_EQ(read(pipes[0], &c, 1), 1);
    {
        liba::NamedMutexLock lock(L"ChimelyToday");
        fcntl(pipes[0], F_SETFL, O_NONBLOCK);
        EXPECT_EQ(read(pipes[0], &c, 1), 1) << "taken while the other process held it";
    }
    close(pipes[0]);
    waitpid(child, nullptr, 0);
}

TEST(AtomicCounters, ReturnTheNewValue) {
    int32_t count = 1;
    EXPECT_EQ(liba::atomic_increment(count), 2);
    EXPECT_EQ(liba::atomic_decrement(count), 1);
    EXPECT_EQ(liba::atomic_decrement(count), 0);
}
