// MP3 encoder speed in multiples of real time and the signal-to-noise ratio of its output as libmad
// and mpg123 decode it, printed with the machine's figures. Against shineenc, the fixed-point
// encoder Debian ships, when it is installed: both as whole processes (our wav2mp3), timed in
// alternating pairs on one processor.
#include "Mp3EncTestSupport.h"

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

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

// Whole-process runs of each encoder, taken in turn so that a drift of the machine's speed
// reaches both alike; the ratio is the median of the pairs' ratios.
constexpr int kPairs = 15;

double run_seconds(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    int status = -1;
    const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (started)
        waitpid(pid, &status, 0);
    return started && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds_since(start) : -1;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// mpg123's 16-bit output of a file; empty when mpg123 is not installed or fails.
std::vector<int16_t> mpg123_decode(const std::string& mp3, const std::string& folder) {
    const std::string raw = folder + "/mpg123.raw";
    if (std::system(("mpg123 -q -s '" + mp3 + "' > '" + raw + "' 2>/dev/null").c_str()) != 0)
        return {};
    const std::vector<uint8_t> bytes = read_file(raw);
    std::remove(raw.c_str());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

void print_snr(const char* name, const char* encoder, const char* decoder, const Comparison& c) {
    std::printf("%-44s %-8s SNR %5.1f dB (level matched %5.1f dB, level %+5.2f dB) after %s\n", name, encoder, c.snr,
                c.matched, c.level, decoder);
}

// Both decoders' figures for one encoder's output file.
void report_quality(const char* name, const char* encoder, const std::vector<int16_t>& input, int rate,
                    const std::string& mp3, const std::string& folder) {
    const std::vector<uint8_t> bytes = read_file(mp3);
    if (bytes.empty()) {
        std::printf("%-44s %-8s failed\n", name, encoder);
        return;
    }
    print_snr(name, encoder, "libmad", compare_signals(input, mp3test::decode(bytes).left, rate));
    const std::vector<int16_t> other = mpg123_decode(mp3, folder);
    if (!other.empty())
        print_snr(name, encoder, "mpg123", compare_signals(input, other, rate));
}

void compare(const char* name, const std::vector<int16_t>& input, int rate, int kbps, const std::string& folder,
             bool peer) {
    const std::string wav = folder + "/in.wav", ours = folder + "/ours.mp3", theirs = folder + "/shine.mp3";
    write_wav(wav, input, rate);
    const std::vector<std::string> ours_args = {CHIMELY_WAV2MP3, wav, ours, std::to_string(kbps)};
    const std::vector<std::string> peer_args = {"shineenc", "-q", "-m", "-b", std::to_string(kbps), wav, theirs};
    const double seconds = static_cast<double>(input.size()) / rate;
    std::vector<double> ours_times, ratios;
    for (int pair = 0; pair < kPairs; ++pair) {
        const double a = run_seconds(ours_args);
        const double b = peer ? run_seconds(peer_args) : 1;
        if (a <= 0 || b <= 0)
            break;
        ours_times.push_back(a);
        ratios.push_back(b / a);
    }
    if (ours_times.empty()) {
        std::printf("%-44s ours failed\n", name);
    } else {
        std::printf("%-44s ours     whole process %6.1f x real time (median of %zu runs)\n", name,
                    seconds / median(ours_times), ours_times.size());
        report_quality(name, "ours", input, rate, ours, folder);
    }
    if (!peer) {
        std::printf("%-44s shineenc not installed, skipped\n", name);
    } else if (ratios.size() < static_cast<size_t>(kPairs)) {
        std::printf("%-44s a run failed, no ratio against shineenc\n", name);
    } else {
        report_quality(name, "shineenc", input, rate, theirs, folder);
        std::printf("%-44s ours at %.2f x the speed of shineenc (median of %d pairs on cpu %d)\n", name,
                    median(ratios), kPairs, sched_getcpu());
    }
    for (const std::string& path : {wav, ours, theirs})
        std::remove(path.c_str());
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

    char pattern[] = "/tmp/chimely-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::printf("no temporary folder for the whole-process runs\n");
        return 1;
    }
    const std::string folder = pattern;
    const bool peer = std::system("command -v shineenc >/dev/null 2>&1") == 0;
    // The pairs run on the processor the benchmark started on, and only there.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    sched_setaffinity(0, sizeof one, &one);
    const int rate = 22050;
    compare("1 kHz tone, 10 s, 22050 Hz mono, 32 kbit/s", mp3test::sine(1000, rate, 10 * rate, 12000), rate, 32, folder, peer);
    compare("pink noise, 120 s, 22050 Hz mono, 32 kbit/s", pink_noise(rate, 120), rate, 32, folder, peer);
    std::remove(folder.c_str());
    return 0;
}
