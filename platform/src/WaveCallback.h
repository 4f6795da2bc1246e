#pragma once
#include "plat/Messages.h"
#include "plat/Wave.h"

#include <chrono>
#include <cstdint>

namespace plat::audio_backend {

// Where a device's messages go: a thread's queue, a window, or nowhere.
struct WaveCallback {
    uint32_t kind = CALLBACK_NULL;
    std::uintptr_t target = 0;

    void post(uint32_t message, std::uintptr_t handle, WAVEHDR* header) const {
        const auto lparam = reinterpret_cast<LPARAM>(header);
        if (kind == CALLBACK_THREAD)
            post_thread_message(static_cast<int>(target), message, handle, lparam);
        else if (kind == CALLBACK_WINDOW)
            post_message(reinterpret_cast<HWND>(target), message, handle, lparam);
    }
};

constexpr uint32_t kCallbackMask = 0x70000;

inline bool read_callback(std::uintptr_t callback, uint32_t flags, WaveCallback& out) {
    const uint32_t kind = flags & kCallbackMask;
    if (kind != CALLBACK_NULL && kind != CALLBACK_THREAD && kind != CALLBACK_WINDOW)
        return false;
    out = WaveCallback{kind, callback};
    return true;
}

// Microseconds of the real steady clock: sound is paced in real time, never by the fake clock.
inline int64_t now_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace plat::audio_backend
