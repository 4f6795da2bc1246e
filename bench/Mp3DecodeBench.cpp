// MP3 playback speed (frame reader, decoder stage and 16-bit conversion) in multiples of real
// time, printed with the machine's figures. The files are made by our own encoder first.
#include "audio/MP3PlayChain.h"
#include "audio/mp3enc/Mp3Enc.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string cpu_name() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown CPU";
}

// Two tones and a little noise, so every band carries bits.
std::vector<int16_t> signal(int rate, int seconds, double f) {
    std::vector<int16_t> s(size_t(rate) * size_t(seconds));
    uint32_t noise = 12345;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        noise = noise * 1664525u + 1013904223u;
        s[i] = int16_t(std::lround(6000 * std::sin(2 * M_PI * f * t) + 3000 * std::sin(2 * M_PI * 3.7 * f * t) +
                                   double(int32_t(noise) >> 21)));
    }
    return s;
}

bool write_mp3(const std::string& path, int rate, int channels, int kbps, int seconds) {
    const std::vector<int16_t> left = signal(rate, seconds, 440), right = signal(rate, seconds, 550);
    audio::Mp3EncHandle* h = audio::mp3enc_create(rate, channels, kbps);
    if (!h) return false;
    std::ofstream file(path, std::ios::binary);
    std::vector<uint8_t> out(65536);
    const size_t step = size_t(audio::mp3enc_frame_samples(h));
    for (size_t i = 0; i < left.size(); i += step) {
        const int n = audio::mp3enc_encode(h, left.data() + i, right.data() + i, int(std::min(step, left.size() - i)),
                                           out.data(), int(out.size()));
        file.write(reinterpret_cast<const char*>(out.data()), std::max(n, 0));
    }
    const int n = audio::mp3enc_flush(h, out.data(), int(out.size()));
    file.write(reinterpret_cast<const char*>(out.data()), std::max(n, 0));
    audio::mp3enc_destroy(h);
    return bool(file);
}

void run(const char* name, int rate, int channels, int kbps, int seconds) {
    const std::string root = std::getenv("CHIMELY_ROOT");
    if (!write_mp3(root + "/bench.mp3", rate, channels, kbps, seconds)) {
        std::printf("%-34s could not be encoded\n", name);
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    auto chain = audio::open_play_chain_mp3(L"\\bench.mp3");
    size_t frames = 0;
    audio::Consumer<audio::PCMData> sink;
    if (chain) {
        audio::connect(chain->provider(), &sink);
        for (;;) {
            audio::PCMData block;
            sink.pull(block, 1 << 20);
            if (block.empty()) break;
            frames += size_t(block.frames());
        }
        audio::connect<audio::PCMData>(chain->provider(), nullptr);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-34s %3d s audio in %7.3f s: %7.1f x real time, %zu sample frames\n", name, seconds, elapsed,
                seconds / elapsed, frames);
}

} // namespace

int main() {
    char root[] = "/tmp/chimely-bench-XXXXXX";
    if (!mkdtemp(root)) return 1;
    setenv("CHIMELY_ROOT", root, 1);
    std::printf("MP3 decoder speed on %s, %u hardware threads (one used)\n", cpu_name().c_str(),
                std::thread::hardware_concurrency());
    run("22050 Hz mono, 32 kbit/s", 22050, 1, 32, 120);
    run("44100 Hz stereo, 128 kbit/s", 44100, 2, 128, 60);
    std::remove((std::string(root) + "/bench.mp3").c_str());
    std::remove(root);
    return 0;
}
