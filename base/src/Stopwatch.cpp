#include "base/Stopwatch.h"

#include "plat/Clock.h"
#include "plat/Launch.h"

namespace liba {
namespace {
const Stopwatch g_program_stopwatch;
}

Stopwatch::Stopwatch() : start_ms_(plat::monotonic_ms()) {}

double Stopwatch::restart() {
    start_ms_ = plat::monotonic_ms();
    return double(start_ms_);
}

double Stopwatch::elapsed() const {
    uint64_t now = plat::monotonic_ms();
    return now >= start_ms_ ? double(now - start_ms_) * 0.001 : 0.0;
}

double seconds_since_start() { return g_program_stopwatch.elapsed(); }

void open_url(std::wstring_view url) { plat::open_url(url); }

} // namespace liba
