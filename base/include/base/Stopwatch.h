#pragma once
#include <cstdint>
#include <string_view>

namespace liba {

// Elapsed seconds, counted on the 64-bit monotonic clock so that the 32-bit
// tick count's wrap (every 49.7 days) never makes them negative.
class Stopwatch {
public:
    Stopwatch();
    // Starts again; the new start in milliseconds.
    double restart();
    double elapsed() const;

private:
    uint64_t start_ms_ = 0;
};

// Seconds since the program started (a stopwatch made before main).
double seconds_since_start();

// Opens an http, https or mailto link in the desktop's browser; nothing is
// reported when it cannot be started.
void open_url(std::wstring_view url);

// COM has no counterpart here: the scope the system keeps around a thread's
// work is empty.
class ComInitializer {
public:
    ComInitializer() = default;
    ~ComInitializer() = default;
    ComInitializer(const ComInitializer&) = delete;
    ComInitializer& operator=(const ComInitializer&) = delete;
};

} // namespace liba
