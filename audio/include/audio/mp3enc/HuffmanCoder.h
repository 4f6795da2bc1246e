#pragma once
#include "audio/mp3enc/GranuleInfo.h"

#include <array>
#include <cstdint>

namespace audio::mp3enc {

class BitWriter;

// Cost returned for a granule that holds a value no table can code.
constexpr int kTooManyBits = 100000;

// Counts and writes the Huffman-coded main data of long-block granules for one output rate.
class HuffmanCoder {
public:
    explicit HuffmanCoder(int sample_rate);

    // Finds the coded area, count1 region, regions and their tables for gi.l3_enc; sets the side
    // information fields and part2_3_length and returns it (kTooManyBits when not codable).
    int count_bits(GranuleInfo& gi) const;
    // Writes the main data of a counted granule: its scale factors, the big-value regions and
    // the count1 quadruples.
    void write(BitWriter& out, const GranuleInfo& gi) const;

    // The lower rates carry scale factors, which this encoder uses to shape the noise.
    bool scale_factors() const { return scale_factors_; }
    const int16_t* band_starts() const { return band_starts_.data(); }

    // Line where region 0 (and region 1) of a granule with these counts ends.
    int region_end(int region0_count, int region1_count, int region) const;

private:
    std::array<int16_t, 23> band_starts_ = {};
    bool scale_factors_ = false;
    // For each even end of the big-values area (index end / 2 - 1): region0 and region1 counts.
    std::array<std::array<uint8_t, 2>, 288> region_counts_ = {};
};

// Bits of the pairs in lines [begin, end) with table number t, signs and linbits included.
int pair_bits(int table, const int* ix, int begin, int end);
// Table for the pairs in [begin, end) by their largest value; bits gets its cost.
int choose_table(const int* ix, int begin, int end, int& bits);

} // namespace audio::mp3enc
