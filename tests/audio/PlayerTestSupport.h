#pragma once
// The null sound device with a dump folder, a scripted PCM source, and readers of what was played.
#include "AudioTestFiles.h"
#include "audio/Link.h"
#include "audio/PlayerPCM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

namespace audio_test {

// Polls until the condition holds or the time runs out.
inline bool wait_until(const std::function<bool()>& condition, int timeout_ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Every wave-out session of the test lands in <root>/dump.
class DumpTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("CHIMELY_AUDIO", "null", 1);
        std::filesystem::remove_all(linux_path("dump"));
        std::filesystem::create_directories(linux_path("dump"));
        setenv("CHIMELY_AUDIO_DUMP", linux_path("dump").c_str(), 1);
        audio::set_master_volume(1.0);
    }
    void TearDown() override { unsetenv("CHIMELY_AUDIO_DUMP"); }

    static std::string log() { return read_file("dump/log.txt"); }
    static std::vector<std::string> sessions() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(linux_path("dump")))
            if (entry.path().extension() == ".wav")
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::vector<int16_t> session_samples(const std::string& name) { return wav_samples(read_file("dump/" + name)); }
    static uint32_t session_rate(const std::string& name) {
        const std::string bytes = read_file("dump/" + name);
        return bytes.size() >= 44 ? get_u32(bytes, 24) : 0;
    }
};

// Hands out the blocks it was given, sliced to the frames asked for; then empty blocks.
class ScriptedSource : public audio::Provider<audio::PCMData> {
public:
    void add(const audio::PCMData& block) {
        std::lock_guard<std::mutex> lock(lock_);
        blocks_.push_back(block);
    }
    void get_data(audio::PCMData& out, int count) override {
        std::lock_guard<std::mutex> lock(lock_);
        ++calls;
        if (blocks_.empty()) {
            out = audio::PCMData();
            return;
        }
        audio::PCMData& front = blocks_.front();
        const int frame = front.frame_size();
        const size_t n = frame > 0 ? std::min<size_t>(size_t(count) * size_t(frame), front.buffer.length()) : front.buffer.length();
        out = front;
        out.buffer = audio::front_bytes(front.buffer, n);
        front.buffer = audio::drop_front_bytes(front.buffer, n);
        if (front.buffer.length() == 0 && !repeat_last)
            blocks_.pop_front();
        else if (front.buffer.length() == 0)
            front.buffer = out.buffer;
    }

    bool repeat_last = false;  // hands out the last block for ever
    int calls = 0;

private:
    std::mutex lock_;
    std::deque<audio::PCMData> blocks_;
};

// Samples counting up from first (wrapping), so order and gaps show.
inline std::vector<int16_t> ramp(size_t count, int first = 0) {
    std::vector<int16_t> out(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = int16_t((first + int(i)) % 30000);
    return out;
}

inline std::vector<int16_t> tone(double frequency, size_t count, int rate, double amplitude = 12000) {
    std::vector<int16_t> out(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = int16_t(amplitude * std::sin(2 * M_PI * frequency * double(i) / rate));
    return out;
}

// The strongest of the candidate frequencies in the samples (Goertzel power).
inline double strongest_frequency(const std::vector<int16_t>& samples, int rate, const std::vector<double>& candidates) {
    double best = 0, best_power = -1;
    for (double f : candidates) {
        const double w = 2 * M_PI * f / rate, c = 2 * std::cos(w);
        double s1 = 0, s2 = 0;
        for (int16_t x : samples) {
            const double s0 = x + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
        if (power > best_power) {
            best_power = power;
            best = f;
        }
    }
    return best;
}

// A 16-bit mono PCM WAV file's bytes.
inline std::string pcm_wav(const std::vector<int16_t>& samples, uint32_t rate) {
    std::string data(samples.size() * 2, '\0');
    if (!samples.empty()) std::memcpy(data.data(), samples.data(), data.size());
    return wav_bytes(1, 1, rate, 2, 16, "", chunk("data", data));
}

} // namespace audio_test

#include "audio/AudioPlayerQueue.h"
#include "base/Scheduler.h"
#include "plat/Clock.h"

namespace audio_test {

// The GUI thread's scheduler on a running fake clock, with a loop that dispatches until done.
class QueueLoop {
public:
    QueueLoop() {
        plat::set_fake_clock(plat::SystemTime{2026, 3, 0, 7, 7, 15, 0, 0}, true);
        scheduler_ = std::make_unique<CActiveScheduler>();
        set_active_scheduler(scheduler_.get());
    }
    ~QueueLoop() {
        set_active_scheduler(nullptr);
        scheduler_.reset();
        plat::clear_fake_clock();
    }

    // False when the time ran out first.
    bool run_until(const std::function<bool()>& done, int timeout_ms = 10000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        plat::MSG msg;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            if (plat::peek_message(msg, nullptr, 0, 0, plat::PM_REMOVE))
                plat::dispatch_message(msg);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

private:
    std::unique_ptr<CActiveScheduler> scheduler_;
};

} // namespace audio_test
