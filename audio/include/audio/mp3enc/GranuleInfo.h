#pragma once
#include <array>
#include <cstdint>

namespace audio::mp3enc {

constexpr int kGranuleLines = 576;

// Layer III side information of one granule and channel, with its quantised lines.
// Scale factors are always zero in this encoder, so part2_length is 0 and scalefac_compress 0.
struct GranuleInfo {
    int part2_3_length = 0;
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
