#pragma once
#include <array>
#include <cstdint>

namespace audio::mp3enc {

constexpr int kGranuleLines = 576;
// Long scale-factor bands that carry a scale factor (the 22nd has none).
constexpr int kScaleFactorBands = 21;

// Layer III side information of one granule and channel, with its quantised lines.
// Scale factors are zero at the MPEG-1 rates; at the lower rates they shape the noise (ScaleFactors).
struct GranuleInfo {
    int part2_3_length = 0;  // scale-factor bits included
    int part2_length = 0;    // scale-factor bits
    int scalefac_compress = 0;
    int scalefac_scale = 0;  // each scale-factor step refines the band by 3 dB, or 6 dB when 1
    std::array<int, kScaleFactorBands> scalefac = {};
    int big_values = 0;   // pairs
    int count1 = 0;       // quadruples
    int global_gain = 0;
    std::array<int, 3> table_select = {0, 0, 0};
    int region0_count = 0;
    int region1_count = 0;
    int count1table_select = 0;
    std::array<int, kGranuleLines> l3_enc = {};     // magnitudes
    std::array<bool, kGranuleLines> negative = {};  // signs
};

} // namespace audio::mp3enc
