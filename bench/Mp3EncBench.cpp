// MP3 encoder speed in multiples of real time, printed with the machine's figures.
#include "audio/mp3enc/Mp3Enc.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string cpu_name() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown CPU";
}

// A speech-like test signal: a gliding tone with harmonics and a little noise.
std::vector<int16_t> signal(int rate, int seconds, double phase) {
    std::vector<int16_t> s(static_cast<size_t>(rate) * static_cast<size_t>(seconds));
    uint32_t noise = 12345;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double f = 180 + 60 * std::sin(2 * M_PI * 0.7 * t);
        double v = 0;
        for (int k = 1; k <= 6; ++k)
            v += 3000.0 / k * std::sin(2 * M_PI * f * k * t + phase * k);
        noise = noise * 1664525u + 1013904223u;
        v += static_cast<double>(static_cast<int32_t>(noise) >> 20);
        s[i] = static_cast<int16_t>(std::lround(v));
    }
    return s;
}

void run(const char* name, int rate, int channels, int kbps, int seconds) {
    const std::vector<int16_t> left = signal(rate, seconds, 0.0);
    const std::vector<int16_t> right = channels == 2 ? signal(rate, seconds, 0.5) : std::vector<int16_t>();
    std::vector<uint8_t> out(16384);
    size_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    audio::Mp3EncHandle* h = audio::mp3enc_create(rate, channels, kbps);
    const size_t step = static_cast<size_t>(audio::mp3enc_frame_samples(h));
    for (size_t i = 0; i < left.size(); i += step) {
        const int n = static_cast<int>(std::min(step, left.size() - i));
        bytes += static_cast<size_t>(audio::mp3enc_encode(h, left.data() + i, right.empty() ? nullptr : right.data() + i, n,
                                                          out.data(), static_cast<int>(out.size())));
    }
    bytes += static_cast<size_t>(audio::mp3enc_flush(h, out.data(), static_cast<int>(out.size())));
    audio::mp3enc_destroy(h);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-34s %3d s audio in %7.3f s: %7.1f x real time, %zu bytes\n", name, seconds, elapsed, seconds / elapsed, bytes);
}

} // namespace

int main() {
    std::printf("MP3 encoder speed on %s, %u hardware threads (one used)\n", cpu_name().c_str(),
                std::thread::hardware_concurrency());
    run("22050 Hz mono, 32 kbit/s", 22050, 1, 32, 120);
    run("44100 Hz stereo, 128 kbit/s", 44100, 2, 128, 60);
    return 0;
}
