#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace testing_support {

// Runs action on a thread of its own and answers whether it ended within the time. When it did
// not, the FIFO it was given is opened at both ends and closed again, which lets a blocked open
// or read go, so the test fails instead of hanging.
inline bool ends_in_time(const std::function<void()>& action, const std::string& fifo,
                         std::chrono::milliseconds time = std::chrono::milliseconds(3000)) {
    std::packaged_task<void()> task(action);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool in_time = done.wait_for(time) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        const int both_ends = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        if (both_ends >= 0)
            ::close(both_ends);
    }
    runner.join();
    return in_time;
}

} // namespace testing_support
