#include "audio/mp3enc/Quantizer.h"

#include "audio/mp3enc/HuffmanCoder.h"
#include "audio/mp3enc/HuffmanTables.h"
#include "audio/mp3enc/ScaleFactors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace audio::mp3enc {

namespace {

// x = 16^k * 2^j * (1 + f) with j = 0..3 and f in [0, 1): x^(3/4) = 8^k * (2^j (1 + f))^(3/4).
// The second factor comes from a table over the top bits of f with linear interpolation; its
// relative error is below 6e-6, and 8^k is a shift.
constexpr int kTableBits = 6;
constexpr int kMantissaBits = 32;  // fraction bits of the table entries and of f
constexpr int kRestBits = kMantissaBits - kTableBits;

struct PowerTable {
    uint64_t entry[4][(1 << kTableBits) + 1] = {};
    PowerTable() {
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i <= (1 << kTableBits); ++i) {
                const double m = std::ldexp(1.0 + std::ldexp(i, -kTableBits), j);
                entry[j][i] = static_cast<uint64_t>(std::llround(std::ldexp(std::pow(m, 0.75), kMantissaBits)));
            }
    }
};

const PowerTable power_table;

// 0.4054 (6642 / 16384) in the quantiser's scale: rounds q a little below nearest.
constexpr uint64_t kRounding = uint64_t{6642} << (kQuantBits - 14);

// Scale factors may take at most one part in this many of a granule's target bits.
constexpr int kMaxScaleFactorShare = 4;

struct Steps {
    std::array<uint64_t, 256> step = {};
    // Largest xrpow that still quantises to a codable value at each gain.
    std::array<uint64_t, 256> limit = {};
    Steps() {
        // xr_pow carries 2^kPowerBits * 2^(28 * 3/4) per unit of |xr|^(3/4).
        const double power_scale_bits = kPowerBits + 0.75 * kSpectrumBits;
        for (int g = 0; g < 256; ++g) {
            step[g] = static_cast<uint64_t>(std::llround(std::pow(2.0, kQuantBits - power_scale_bits - 0.1875 * (g - 210))));
            const uint64_t top = (static_cast<uint64_t>(kLargestCodableValue + 1) << kQuantBits) - kRounding - 1;
            limit[g] = step[g] ? top / step[g] : UINT64_MAX;
        }
    }
};

const Steps& steps() {
    static const Steps s;
    return s;
}

} // namespace

uint64_t xr_pow(uint64_t x) {
    if (x == 0)
        return 0;
    const int e = 63 - __builtin_clzll(x);
    const uint64_t below = x ^ (uint64_t{1} << e);
    const uint64_t f = e >= kMantissaBits ? below >> (e - kMantissaBits) : below << (kMantissaBits - e);
    const uint64_t* t = power_table.entry[e & 3] + (f >> kRestBits);
    const uint64_t rest = f & ((uint64_t{1} << kRestBits) - 1);
    const uint64_t m = t[0] + (((t[1] - t[0]) * rest) >> kRestBits);
    const int shift = 3 * (e >> 2) + kPowerBits - kMantissaBits;
    if (shift >= 0)
        return m << shift;
    return (m + (uint64_t{1} << (-shift - 1))) >> -shift;
}

const std::array<uint64_t, 256>& step_table() { return steps().step; }

void PowerLines::measure() {
    largest = 0;
    end = 0;
    for (int i = 0; i < kGranuleLines; ++i) {
        largest = std::max(largest, xrpow[i]);
        if (xrpow[i])
            end = i + 1;
    }
}

bool Quantizer::quantize(const PowerLines& lines, int g, GranuleInfo& gi) {
    const Steps& s = steps();
    if (lines.largest > s.limit[g])
        return false;
    const uint64_t step = s.step[g];
    for (int i = 0; i < lines.end; ++i)
        gi.l3_enc[i] = static_cast<int>((lines.xrpow[i] * step + kRounding) >> kQuantBits);
    std::fill(gi.l3_enc.begin() + lines.end, gi.l3_enc.end(), 0);
    return true;
}

int Quantizer::count_at(const HuffmanCoder& coder, const PowerLines& lines, int g, GranuleInfo& gi) {
    gi.global_gain = g;
    if (!quantize(lines, g, gi)) {
        gi.part2_3_length = kTooManyBits;
        return kTooManyBits;
    }
    if (coder.count_bits(gi) < kTooManyBits)
        gi.part2_3_length += gi.part2_length;
    return gi.part2_3_length;
}

int Quantizer::code_granule(const HuffmanCoder& coder, const int64_t* xr, int target, int ch, GranuleInfo& gi) {
    uint64_t sum = 0;
    for (int i = 0; i < kGranuleLines; ++i) {
        gi.negative[i] = xr[i] < 0;
        const uint64_t magnitude = static_cast<uint64_t>(std::llabs(xr[i]));
        lines_.xrpow[i] = xr_pow(magnitude);
        sum |= magnitude;
    }
    ScaleFactors::clear(gi);
    if (sum == 0 || target <= 0) {
        // Silence (or no bits at all): an empty granule.
        gi.l3_enc.fill(0);
        gi.global_gain = 210;
        coder.count_bits(gi);
        return 0;
    }
    if (coder.scale_factors()) {
        ScaleFactors::choose(lines_.xrpow, coder.band_starts(), gi);
        // Scale factors that would take a large share of a small granule are not worth it.
        if (gi.part2_length * kMaxScaleFactorShare > target)
            ScaleFactors::clear(gi);
        ScaleFactors::apply(lines_.xrpow, coder.band_starts(), gi);
    }
    lines_.measure();

    // Binary search from the remembered gain; the step halves once the search has turned.
    int g = std::clamp(last_gain_[ch], 0, kGlobalGainMax);
    int step = step_[ch];
    int direction = 0;  // +1 up, -1 down
    bool turned = false;
    int bits = 0;
    for (;;) {
        bits = count_at(coder, lines_, g, gi);
        if (step == 1 || bits == target)
            break;
        const int want = bits > target ? 1 : -1;
        if (direction && want != direction)
            turned = true;
        if (turned)
            step = std::max(step / 2, 1);
        direction = want;
        const int next = g + want * step;
        if (next > kGlobalGainMax || next < 0) {
            // The search stops at the edge of the range, with gi counted at the gain it stops on.
            const int clamped = std::clamp(next, 0, kGlobalGainMax);
            if (clamped != g)
                bits = count_at(coder, lines_, clamped, gi);
            g = clamped;
            break;
        }
        g = next;
    }
    step_[ch] = std::abs(g - last_gain_[ch]) >= 4 ? 4 : 2;
    last_gain_[ch] = g;

    while (bits > target && g < kGlobalGainMax)
        bits = count_at(coder, lines_, ++g, gi);
    if (bits > target) {
        // Not even the coarsest step fits: send the granule empty rather than break the stream.
        ScaleFactors::clear(gi);
        gi.l3_enc.fill(0);
        bits = coder.count_bits(gi);
    }
    return bits;
}

} // namespace audio::mp3enc
