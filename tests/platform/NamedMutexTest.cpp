#include "plat/Threads.h"

#include "plat/Errors.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

using namespace plat;
using namespace std::chrono_literals;

namespace {

// Runs body in a child process and returns its exit code.
template <typename Body>
int in_child(Body body) {
    pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool try_lock_elsewhere(const wchar_t* name) {
    bool got = false;
    std::thread other([&] {
        NamedMutex mutex(name);
        got = mutex.try_lock();
        if (got)
            mutex.unlock();
    });
    other.join();
    return got;
}

} // namespace

TEST(NamedMutex, LockFileUnderTheRuntimeFolderWithAnyName) {
    std::string file = named_mutex_file(L"a/b \u00E9");
    EXPECT_EQ(std::filesystem::path(file).filename(), "mutex-a%2Fb%20%C3%A9.lock");
    EXPECT_NE(named_mutex_file(L"ChimelyToday"), named_mutex_file(L"chimelytoday"));
}

TEST(NamedMutex, OwnerMayLockAgainOthersWait) {
    NamedMutex mutex(L"Recursive");
    ASSERT_TRUE(mutex.valid());
    ASSERT_TRUE(mutex.lock());
    ASSERT_TRUE(mutex.lock());
    NamedMutex same_name(L"Recursive");
    EXPECT_TRUE(same_name.try_lock());  // a second handle, same owner thread
    EXPECT_TRUE(same_name.unlock());
    EXPECT_FALSE(try_lock_elsewhere(L"Recursive"));
    EXPECT_TRUE(mutex.unlock());
    EXPECT_FALSE(try_lock_elsewhere(L"Recursive"));  // still held once
    EXPECT_TRUE(mutex.unlock());
    EXPECT_TRUE(try_lock_elsewhere(L"Recursive"));
    EXPECT_FALSE(mutex.unlock());
    EXPECT_EQ(last_error(), ERROR_NOT_OWNER);
}

TEST(NamedMutex, WaiterGetsItWhenTheHolderReleases) {
    NamedMutex mutex(L"Handover");
    ASSERT_TRUE(mutex.lock());
    std::atomic<bool> acquired{false};
    std::thread waiter([&] {
        NamedMutex mine(L"Handover");
        mine.lock();
        acquired = true;
        mine.unlock();
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(acquired);
    mutex.unlock();
    waiter.join();
    EXPECT_TRUE(acquired);
}

TEST(NamedMutex, ThreadThatEndsHoldingItGivesItUp) {
    std::thread holder([] {
        NamedMutex mutex(L"Abandoned");
        mutex.lock();
        mutex.lock();
    });
    holder.join();
    EXPECT_TRUE(try_lock_elsewhere(L"Abandoned"));
}

TEST(NamedMutex, ExcludesOtherProcesses) {
    NamedMutex mutex(L"Between");
    ASSERT_TRUE(mutex.lock());
    // A child holds none of its parent's locks, even under the same thread id.
    EXPECT_EQ(in_child([] { return NamedMutex(L"Between").try_lock() ? 1 : 0; }), 0);
    mutex.unlock();
    EXPECT_EQ(in_child([] { return NamedMutex(L"Between").try_lock() ? 1 : 0; }), 1);
}

TEST(NamedMutex, ChildBlocksUntilTheParentReleases) {
    NamedMutex mutex(L"Blocking");
    ASSERT_TRUE(mutex.lock());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        NamedMutex mine(L"Blocking");
        mine.lock();
        char c = 'x';
        _exit(write(ready[1], &c, 1) == 1 ? 0 : 1);
    }
    close(ready[1]);
    std::this_thread::sleep_for(150ms);
    int flags = fcntl(ready[0], F_GETFL);
    fcntl(ready[0], F_SETFL, flags | O_NONBLOCK);
    char c = 0;
    EXPECT_EQ(read(ready[0], &c, 1), -1);  // the child still waits
    fcntl(ready[0], F_SETFL, flags);
    mutex.unlock();
    EXPECT_EQ(read(ready[0], &c, 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A wait with a time-out gives up with ERROR_TIMEOUT, whether a thread of this process or another
// process holds the lock, and takes it when the holder lets go in time.
TEST(NamedMutex, WaitWithATimeOutGivesUp) {
    NamedMutex mutex(L"Bounded");
    ASSERT_TRUE(mutex.lock());
    std::thread other([] {
        NamedMutex mine(L"Bounded");
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(mine.lock_for(200));
        EXPECT_EQ(last_error(), ERROR_TIMEOUT);
        EXPECT_GE(std::chrono::steady_clock::now() - started, 200ms);
    });
    other.join();
    EXPECT_EQ(in_child([] {
                  NamedMutex mine(L"Bounded");
                  return !mine.lock_for(200) && last_error() == ERROR_TIMEOUT ? 0 : 1;
              }),
              0);
    const pid_t child = fork();
    if (child == 0)
        _exit(NamedMutex(L"Bounded").lock_for(5000) ? 0 : 1);
    std::this_thread::sleep_for(100ms);
    mutex.unlock();
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(NamedMutex, ReleasedWhenTheHoldingProcessIsKilled) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        NamedMutex mine(L"Killed");
        mine.lock();
        char c = 'x';
        if (write(ready[1], &c, 1) != 1)
            _exit(1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    NamedMutex mutex(L"Killed");
    EXPECT_FALSE(mutex.try_lock());
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(mutex.try_lock());
    mutex.unlock();
}

TEST(NamedMutex, ProgramsWeStartDoNotInheritTheLock) {
    NamedMutex mutex(L"Exec");
    ASSERT_TRUE(mutex.lock());
    std::string file = named_mutex_file(L"Exec");
    int open_in_child = in_child([&] {
        // Count descriptors that a started program would see on the lock file.
        std::string command = "for f in /proc/$$/fd/*; do readlink \"$f\"; done | grep -c -F '" + file + "' >/dev/null";
        execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        return 127;
    });
    EXPECT_EQ(open_in_child, 1);  // grep -c found nothing and exits 1
    mutex.unlock();
}

TEST(Event, ManualResetStaysSignalled) {
    Event event(true, false);
    EXPECT_FALSE(event.wait_for(10));
    std::thread setter([&] { event.set(); });
    event.wait();
    setter.join();
    EXPECT_TRUE(event.wait_for(0));
    EXPECT_TRUE(event.wait_for(0));
    event.reset();
    EXPECT_FALSE(event.wait_for(10));
}

TEST(Event, AutoResetLetsOneWaiterThrough) {
    Event event(false, true);
    EXPECT_TRUE(event.wait_for(0));
    EXPECT_FALSE(event.wait_for(10));
}

TEST(AtomicCounters, NoLostUpdates) {
    int32_t counter = 0;
    std::thread a([&] { for (int i = 0; i < 100000; ++i) atomic_increment(counter); });
    std::thread b([&] { for (int i = 0; i < 100000; ++i) atomic_increment(counter); });
    a.join();
    b.join();
    EXPECT_EQ(counter, 200000);
    EXPECT_EQ(atomic_decrement(counter), 199999);
    EXPECT_EQ(atomic_increment(counter), 200000);
}

TEST(ThreadPriority, NiceValuesPerStep) {
    EXPECT_EQ(nice_for_priority(THREAD_PRIORITY_HIGHEST), -10);
    EXPECT_EQ(nice_for_priority(THREAD_PRIORITY_NORMAL), 0);
    EXPECT_EQ(nice_for_priority(THREAD_PRIORITY_LOWEST), 10);
    EXPECT_FALSE(set_thread_priority(native_thread_id(), 0));
    EXPECT_FALSE(set_thread_priority(native_thread_id(), 6));
}
