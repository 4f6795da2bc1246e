// MP3 encoder speed in multiples of real time and the signal-to-noise ratio of its decoded
// output, printed with the machine's figures; the same figures for shineenc, the fixed-point
// encoder Debian ships, when it is installed.
#include "Mp3EncTestSupport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string cpu_name() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown CPU";
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A speech-like test signal: a gliding tone with harmonics and a little noise.
std::vector<int16_t> speech_like(int rate, int seconds, double phase) {
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

// Pink noise (3 dB per octave down) from white noise through a sum of one-pole filters.
std::vector<int16_t> pink_noise(int rate, int seconds) {
    std::vector<int16_t> s(static_cast<size_t>(rate) * static_cast<size_t>(seconds));
    uint32_t state = 987654321;
    double b[7] = {};
    for (int16_t& out : s) {
        state = state * 1664525u + 1013904223u;
        const double white = static_cast<int32_t>(state) / 2147483648.0;
        b[0] = 0.99886 * b[0] + white * 0.0555179;
        b[1] = 0.99332 * b[1] + white * 0.0750759;
        b[2] = 0.96900 * b[2] + white * 0.1538520;
        b[3] = 0.86650 * b[3] + white * 0.3104856;
        b[4] = 0.55000 * b[4] + white * 0.5329522;
        b[5] = -0.7616 * b[5] - white * 0.0168980;
        const double pink = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + white * 0.5362;
        b[6] = white * 0.115926;
        out = static_cast<int16_t>(std::lround(std::clamp(pink * 2500.0, -32768.0, 32767.0)));
    }
    return s;
}

struct Comparison {
    double snr = 0;      // dB, decoded against the input
    double matched = 0;  // dB, after scaling the decoded signal to the input's level
    double level = 0;    // dB, decoded level against the input's
};

// Encoder delay found by correlation over a few seconds, then the figures over the whole input
// at that delay (the first and last second left out).
Comparison compare_signals(const std::vector<int16_t>& input, const std::vector<int16_t>& decoded, int rate) {
    const size_t skip = static_cast<size_t>(rate);
    const size_t span = std::min(input.size() - 2 * skip, static_cast<size_t>(4 * rate));
    size_t lag = 0;
    double best = -1e300;
    for (size_t l = 0; l <= 3000; ++l) {
        double corr = 0;
        for (size_t i = skip; i < skip + span && i + l < decoded.size(); ++i)
            corr += static_cast<double>(input[i]) * decoded[i + l];
        if (corr > best) {
            best = corr;
            lag = l;
        }
    }
    double ii = 0, id = 0, dd = 0;
    for (size_t i = skip; i + skip < input.size(); ++i) {
        const double x = input[i];
        const double d = i + lag < decoded.size() ? decoded[i + lag] : 0;
        ii += x * x;
        id += x * d;
        dd += d * d;
    }
    Comparison c;
    c.snr = 10 * std::log10(ii / std::max(ii - 2 * id + dd, 1e-9));
    const double gain = dd > 0 ? id / dd : 0;  // least-squares level match
    c.matched = 10 * std::log10(ii / std::max(ii - 2 * gain * id + gain * gain * dd, 1e-9));
    c.level = 10 * std::log10(std::max(dd, 1e-9) / ii);
    return c;
}

struct Figures {
    bool done = false;
    double elapsed = 0;
    Comparison decoded;
};

// Speeds are the best of this many runs.
constexpr int kRuns = 3;

Figures ours(const std::vector<int16_t>& input, int rate, int kbps) {
    Figures f;
    f.elapsed = 1e9;
    std::vector<uint8_t> mp3;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        mp3 = mp3test::encode(input, {}, rate, 1, kbps);
        f.elapsed = std::min(f.elapsed, seconds_since(start));
    }
    f.decoded = compare_signals(input, mp3test::decode(mp3).left, rate);
    f.done = !mp3.empty();
    return f;
}

void write_u32(std::ofstream& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.put(static_cast<char>(v >> (8 * i)));
}

void write_wav(const std::string& path, const std::vector<int16_t>& samples, int rate) {
    std::ofstream out(path, std::ios::binary);
    const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    write_u32(out, 36 + bytes);
    out.write("WAVEfmt ", 8);
    write_u32(out, 16);
    write_u32(out, 1 | (1u << 16));  // PCM, one channel
    write_u32(out, static_cast<uint32_t>(rate));
    write_u32(out, static_cast<uint32_t>(rate) * 2);
    write_u32(out, 2 | (16u << 16));  // block align, bits per sample
    out.write("data", 4);
    write_u32(out, bytes);
    for (int16_t s : samples)
        out.put(static_cast<char>(s & 0xFF)).put(static_cast<char>((s >> 8) & 0xFF));
}

bool have_peer() { return std::system("command -v shineenc >/dev/null 2>&1") == 0; }

Figures peer(const std::vector<int16_t>& input, int rate, int kbps, const std::string& folder) {
    Figures f;
    const std::string wav = folder + "/in.wav", mp3 = folder + "/out.mp3";
    write_wav(wav, input, rate);
    const std::string command = "shineenc -q -m -b " + std::to_string(kbps) + " " + wav + " " + mp3 + " >/dev/null 2>&1";
    int status = 0;
    f.elapsed = 1e9;
    for (int run = 0; run < kRuns && status == 0; ++run) {
        const auto start = Clock::now();
        status = std::system(command.c_str());
        f.elapsed = std::min(f.elapsed, seconds_since(start));
    }
    std::ifstream in(mp3, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    f.done = status == 0 && !bytes.empty();
    if (f.done)
        f.decoded = compare_signals(input, mp3test::decode(bytes).left, rate);
    std::remove(wav.c_str());
    std::remove(mp3.c_str());
    return f;
}

void print(const char* name, const char* encoder, const Figures& f, double seconds) {
    std::printf("%-44s %-8s SNR %5.1f dB (level matched %5.1f dB, level %+5.2f dB), %6.1f x real time\n", name,
                encoder, f.decoded.snr, f.decoded.matched, f.decoded.level, seconds / f.elapsed);
}

void compare(const char* name, const std::vector<int16_t>& input, int rate, int kbps, const std::string& folder) {
    const double seconds = static_cast<double>(input.size()) / rate;
    const Figures a = ours(input, rate, kbps);
    print(name, "ours", a, seconds);
    if (folder.empty()) {
        std::printf("%-44s shineenc not installed, skipped\n", name);
        return;
    }
    const Figures b = peer(input, rate, kbps, folder);
    if (!b.done) {
        std::printf("%-44s shineenc failed\n", name);
        return;
    }
    print(name, "shineenc", b, seconds);
    std::printf("%-44s ours at %.2f x the speed of shineenc\n", name, b.elapsed / a.elapsed);
}

void speed(const char* name, int rate, int channels, int kbps, int seconds) {
    const std::vector<int16_t> left = speech_like(rate, seconds, 0.0);
    const std::vector<int16_t> right = channels == 2 ? speech_like(rate, seconds, 0.5) : std::vector<int16_t>();
    const auto start = Clock::now();
    const size_t bytes = mp3test::encode(left, right, rate, channels, kbps).size();
    const double elapsed = seconds_since(start);
    std::printf("%-44s %3d s audio in %7.3f s: %7.1f x real time, %zu bytes\n", name, seconds, elapsed,
                seconds / elapsed, bytes);
}

} // namespace

int main() {
    std::printf("MP3 encoder on %s, %u hardware threads (one used)\n", cpu_name().c_str(),
                std::thread::hardware_concurrency());
    speed("speech-like, 22050 Hz mono, 32 kbit/s", 22050, 1, 32, 120);
    speed("speech-like, 44100 Hz stereo, 128 kbit/s", 44100, 2, 128, 60);

    std::string folder;
    char pattern[] = "/tmp/chimely-bench-XXXXXX";
    if (have_peer() && mkdtemp(pattern))
        folder = pattern;
    const int rate = 22050;
    compare("1 kHz tone, 10 s, 22050 Hz mono, 32 kbit/s", mp3test::sine(1000, rate, 10 * rate, 12000), rate, 32, folder);
    compare("pink noise, 120 s, 22050 Hz mono, 32 kbit/s", pink_noise(rate, 120), rate, 32, folder);
    if (!folder.empty())
        std::remove(folder.c_str());
    return 0;
}
