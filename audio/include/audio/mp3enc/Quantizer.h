#pragma once
#include "audio/mp3enc/GranuleInfo.h"

#include <array>
#include <cstdint>

namespace audio::mp3enc {

class HuffmanCoder;

// Spectral lines arrive as 64-bit integers of 2^28 per unit of the decoder's dequantised value.
constexpr int kSpectrumBits = 28;
// Quantiser products are kept with this many fraction bits (see step_table()).
constexpr int kQuantBits = 50;
// xr_pow's output carries this many fraction bits of |x|^(3/4).
constexpr int kPowerBits = 10;
constexpr int kGlobalGainMax = 255;

// |x|^(3/4) times 2^kPowerBits over the whole 64-bit range, within 0.1 % of the exact curve:
// every decoder raises the quantised value to the exact 4/3, so any bend here comes back as
// distortion. Exact at every power of 16.
uint64_t xr_pow(uint64_t magnitude);

// Quantiser step for each global gain: 2^(-3/16 (g - 210)), scaled so that
// q = (xr_pow(|xr|) * step + rounding) >> kQuantBits is the standard's quantiser with offset 0.4054.
const std::array<uint64_t, 256>& step_table();

// A granule's |xr|^(3/4) with what quantising it at any gain needs to know of it: its largest line
// and where the lines above the lowpass, all zero, begin.
struct PowerLines {
    std::array<uint64_t, kGranuleLines> xrpow = {};
    uint64_t largest = 0;
    int end = 0;  // xrpow is zero from here on
    // Sets largest and end from xrpow.
    void measure();
};

// Finds the global gain of one granule and channel by a binary search on the bit count and leaves
// the quantised lines and side information in GranuleInfo; at the lower rates the scale factors
// of ScaleFactors shape the noise first.
class Quantizer {
public:
    // Quantises measured lines at gain g into gi.l3_enc; false (lines untouched) when a line is too
    // large to code.
    static bool quantize(const PowerLines& lines, int g, GranuleInfo& gi);
    // Bits at gain g, kTooManyBits when not codable.
    static int count_at(const HuffmanCoder& coder, const PowerLines& lines, int g, GranuleInfo& gi);

    // Codes the spectrum xr with at most target bits (when that is possible at any gain); ch
    // selects the search memory. Returns the bits used (gi.part2_3_length).
    int code_granule(const HuffmanCoder& coder, const int64_t* xr, int target, int ch, GranuleInfo& gi);

private:
    std::array<int, 2> last_gain_ = {180, 180};
    std::array<int, 2> step_ = {4, 4};
    PowerLines lines_;
};

} // namespace audio::mp3enc
