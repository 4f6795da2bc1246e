#include "audio/mp3enc/ScaleFactors.h"

#include "audio/mp3enc/BitWriter.h"

#include <algorithm>
#include <cmath>

namespace audio::mp3enc {

namespace {

// Long-block partitions of the lower rates' scale factors (scalefac_compress below 400): bands
// per partition and the widest field each can have (slen1 and slen2 up to 4 bits, slen3 and
// slen4 up to 3).
constexpr int kPartitions = 4;
constexpr int kPartitionBands[kPartitions] = {6, 5, 5, 5};
constexpr int kPartitionMaxBits[kPartitions] = {4, 4, 3, 3};

// Levels are counted in eighths of a bit of |xr|^(3/4); one scale-factor step is 3/8 bit there
// (3 dB of amplitude), or 6/8 with scalefac_scale.
constexpr int kLevelUnitsPerStep = 3;
// Share of a band's distance below the loudest band that its step follows (numerator and
// denominator): 0 leaves the noise white, 1 gives every band the same signal-to-noise ratio.
constexpr int kShapingNum = 3;
constexpr int kShapingDen = 4;
// Bands further than this below the loudest (60 dB of amplitude) hold no speech worth bits.
constexpr int kFloorUnits = 60;

constexpr int kGainBits = 12;

struct Gains {
    // gain[scale][sf] = 2^(3/8 (scale + 1) sf) in Q12.
    uint64_t gain[2][16] = {};
    Gains() {
        for (int scale = 0; scale < 2; ++scale)
            for (int sf = 0; sf < 16; ++sf)
                gain[scale][sf] = static_cast<uint64_t>(std::llround(std::ldexp(std::exp2(0.375 * (scale + 1) * sf), kGainBits)));
    }
};

const Gains gains;

// log2(v) in eighths of a bit: the top bit's position and the three bits below it.
int level(uint64_t v) {
    const int e = 63 - __builtin_clzll(v);
    const int below = static_cast<int>(e >= 3 ? (v >> (e - 3)) & 7 : (v << (3 - e)) & 7);
    return 8 * e + below;
}

int bits_for(int value) {
    int bits = 0;
    while ((1 << bits) <= value)
        ++bits;
    return bits;
}

// slen1..slen4 of a scalefac_compress below 400.
std::array<int, kPartitions> lengths(int compress) {
    return {(compress >> 4) / 5, (compress >> 4) % 5, (compress & 15) >> 2, compress & 3};
}

} // namespace

void ScaleFactors::clear(GranuleInfo& gi) {
    gi.scalefac.fill(0);
    gi.scalefac_compress = 0;
    gi.scalefac_scale = 0;
    gi.part2_length = 0;
}

void ScaleFactors::choose(const std::array<uint64_t, kGranuleLines>& xrpow, const int16_t* band_starts, GranuleInfo& gi) {
    clear(gi);
    std::array<int, kScaleFactorBands> levels = {};
    int loudest = -1;
    for (int b = 0; b < kScaleFactorBands; ++b) {
        uint64_t sum = 0;
        for (int i = band_starts[b]; i < band_starts[b + 1]; ++i)
            sum += xrpow[i];
        const uint64_t mean = sum / static_cast<uint64_t>(band_starts[b + 1] - band_starts[b]);
        levels[b] = mean ? level(mean) : -1;
        loudest = std::max(loudest, levels[b]);
    }
    if (loudest < 0)
        return;

    // Wanted refinement of each band, in level units; the coarser step when the finer cannot reach it.
    std::array<int, kScaleFactorBands> want = {};
    bool coarse = false;
    for (int b = 0, p = 0, in_partition = 0; b < kScaleFactorBands; ++b) {
        if (levels[b] >= 0 && loudest - levels[b] <= kFloorUnits)
            want[b] = (loudest - levels[b]) * kShapingNum / kShapingDen;
        if ((want[b] + kLevelUnitsPerStep / 2) / kLevelUnitsPerStep > (1 << kPartitionMaxBits[p]) - 1)
            coarse = true;
        if (++in_partition == kPartitionBands[p]) {
            ++p;
            in_partition = 0;
        }
    }
    gi.scalefac_scale = coarse ? 1 : 0;
    const int units = kLevelUnitsPerStep * (coarse ? 2 : 1);

    std::array<int, kPartitions> slen = {};
    for (int b = 0, p = 0, in_partition = 0; b < kScaleFactorBands; ++b) {
        gi.scalefac[b] = std::min((want[b] + units / 2) / units, (1 << kPartitionMaxBits[p]) - 1);
        slen[p] = std::max(slen[p], bits_for(gi.scalefac[b]));
        if (++in_partition == kPartitionBands[p]) {
            ++p;
            in_partition = 0;
        }
    }
    gi.scalefac_compress = ((slen[0] * 5 + slen[1]) << 4) + (slen[2] << 2) + slen[3];
    for (int p = 0; p < kPartitions; ++p)
        gi.part2_length += kPartitionBands[p] * slen[p];
    if (gi.part2_length == 0)
        gi.scalefac_scale = 0;
}

void ScaleFactors::apply(std::array<uint64_t, kGranuleLines>& xrpow, const int16_t* band_starts, const GranuleInfo& gi) {
    for (int b = 0; b < kScaleFactorBands; ++b) {
        if (!gi.scalefac[b])
            continue;
        const uint64_t g = gains.gain[gi.scalefac_scale][gi.scalefac[b]];
        const uint64_t largest = UINT64_MAX / g;
        for (int i = band_starts[b]; i < band_starts[b + 1]; ++i)
            xrpow[i] = xrpow[i] > largest ? UINT64_MAX : (xrpow[i] * g) >> kGainBits;
    }
}

void ScaleFactors::write(BitWriter& out, const GranuleInfo& gi) {
    if (!gi.part2_length)
        return;
    const std::array<int, kPartitions> slen = lengths(gi.scalefac_compress);
    for (int b = 0, p = 0, in_partition = 0; b < kScaleFactorBands; ++b) {
        if (slen[p])
            out.put(static_cast<uint32_t>(gi.scalefac[b]), slen[p]);
        if (++in_partition == kPartitionBands[p]) {
            ++p;
            in_partition = 0;
        }
    }
}

} // namespace audio::mp3enc
