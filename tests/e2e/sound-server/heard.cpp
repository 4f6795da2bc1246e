// Compares what a listener heard with the sounds that were played, one after another.
// Usage: e2e-heard RATE HEARD.raw REF.raw...: mono signed 16-bit raw files at RATE.
// For each reference, in order, prints one line "onset heard-length reference-length longest-hole":
// seconds of the heard recording where it begins, the lengths in seconds from the first to the
// last loud millisecond, and the longest stretch in milliseconds that the listener heard as silence
// where the reference has sound. A hole delays what follows it, so the comparison moves on by it.
// Exits 1 when a reference is not heard at all.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr double kLoud = 328;       // -40 dB of full scale: the sound is on
constexpr double kSilent = 33;      // -60 dB: nothing is heard
constexpr double kRefQuiet = 104;   // -50 dB: the reference itself is as good as quiet
constexpr long kEndJoinMs = 40;     // loud milliseconds closer than this belong to one sound

// The level of each millisecond (RMS of its samples).
std::vector<double> levels(const char* path, int rate) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t window = static_cast<size_t>(rate / 1000);
    const size_t samples = bytes.size() / 2;
    std::vector<double> out;
    for (size_t at = 0; at + window <= samples; at += window) {
        double sum = 0;
        for (size_t i = at; i < at + window; ++i) {
            const auto lo = static_cast<uint8_t>(bytes[2 * i]);
            const auto hi = static_cast<uint8_t>(bytes[2 * i + 1]);
            const double s = static_cast<int16_t>(lo | (hi << 8));
            sum += s * s;
        }
        out.push_back(std::sqrt(sum / static_cast<double>(window)));
    }
    return out;
}

long run_below(const std::vector<double>& level, long from, double threshold) {
    long n = 0;
    while (from + n < static_cast<long>(level.size()) && level[static_cast<size_t>(from + n)] < threshold)
        ++n;
    return n;
}

long first_loud(const std::vector<double>& level, long from) {
    for (long i = std::max(0L, from); i < static_cast<long>(level.size()); ++i)
        if (level[static_cast<size_t>(i)] >= kLoud)
            return i;
    return -1;
}

long last_loud(const std::vector<double>& level, long from, long to) {
    for (long i = std::min(to, static_cast<long>(level.size()) - 1); i >= from; --i)
        if (level[static_cast<size_t>(i)] >= kLoud)
            return i;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: e2e-heard RATE HEARD.raw REF.raw...\n");
        return 2;
    }
    const int rate = std::atoi(argv[1]);
    const std::vector<double> heard = levels(argv[2], rate);
    long cursor = 0;
    for (int r = 3; r < argc; ++r) {
        const std::vector<double> ref = levels(argv[r], rate);
        const long ref_on = first_loud(ref, 0);
        const long ref_end = last_loud(ref, 0, static_cast<long>(ref.size()) - 1);
        const long on = first_loud(heard, cursor);
        if (ref_on < 0 || on < 0) {
            std::fprintf(stderr, "%s is not heard\n", argv[r]);
            return 1;
        }
        long offset = on - ref_on;  // heard millisecond = reference millisecond + offset
        long longest = 0;
        for (long j = ref_on; j <= ref_end;) {
            const long h = j + offset;
            const long silent = run_below(heard, h, kSilent);
            if (silent == 0) {
                ++j;
                continue;
            }
            // Silence that lasts past the reference's end is where the heard sound ended.
            if (h + silent > ref_end + offset + kEndJoinMs)
                break;
            const long hole = silent - run_below(ref, j, kRefQuiet);
            if (hole > 0) {
                longest = std::max(longest, hole);
                offset += hole;
            }
            j = h + silent - offset;
        }
        const long end = last_loud(heard, on, ref_end + offset + kEndJoinMs);
        std::printf("%.3f %.3f %.3f %ld\n", on / 1000.0, (end - on + 1) / 1000.0, (ref_end - ref_on + 1) / 1000.0, longest);
        cursor = end + 1;
    }
    return 0;
}
