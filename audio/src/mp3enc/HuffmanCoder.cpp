#include "audio/mp3enc/HuffmanCoder.h"

#include "audio/mp3enc/BitWriter.h"
#include "audio/mp3enc/HuffmanTables.h"
#include "audio/mp3enc/ScaleFactors.h"
#include "audio/mp3enc/Tables.h"

#include <algorithm>

namespace audio::mp3enc {

namespace {

// Region 0 and region 1 band counts by the long band where the big-values area ends.
const uint8_t subdivision[23][2] = {
    {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 1}, {1, 1}, {1, 1}, {1, 2}, {2, 2}, {2, 3}, {2, 3},
    {3, 4}, {3, 4}, {3, 4}, {4, 5}, {4, 5}, {4, 6}, {5, 6}, {5, 6}, {5, 7}, {6, 7}, {6, 7}};

int count1_bits(const int* ix, int begin, int end, int select) {
    const uint8_t* lengths = count1_lengths(select);
    int bits = 0;
    for (int i = begin; i < end; i += 4) {
        const int index = ix[i] * 8 + ix[i + 1] * 4 + ix[i + 2] * 2 + ix[i + 3];
        bits += lengths[index] + (ix[i] != 0) + (ix[i + 1] != 0) + (ix[i + 2] != 0) + (ix[i + 3] != 0);
    }
    return bits;
}

int first_escape_table(int first, int largest) {
    for (int t = first; t < first + 8; ++t)
        if (largest - 15 < (1 << huffman_table(t).linbits))
            return t;
    return first + 7;
}

void write_pairs(BitWriter& out, const GranuleInfo& gi, int table, int begin, int end) {
    if (table == 0)
        return;
    const HuffmanTable& h = huffman_table(table);
    for (int i = begin; i < end; i += 2) {
        const int x = gi.l3_enc[i];
        const int y = gi.l3_enc[i + 1];
        const int xs = std::min(x, 15);
        const int ys = std::min(y, 15);
        const int index = xs * h.xlen + ys;
        out.put(h.codes[index], h.lengths[index]);
        if (h.linbits && xs == 15)
            out.put(static_cast<uint32_t>(x - 15), h.linbits);
        if (x)
            out.put(gi.negative[i], 1);
        if (h.linbits && ys == 15)
            out.put(static_cast<uint32_t>(y - 15), h.linbits);
        if (y)
            out.put(gi.negative[i + 1], 1);
    }
}

} // namespace

int pair_bits(int table, const int* ix, int begin, int end) {
    const HuffmanTable& h = huffman_table(table);
    int bits = 0;
    for (int i = begin; i < end; i += 2) {
        int x = ix[i];
        int y = ix[i + 1];
        if (h.linbits) {
            if (x >= 15) {
                bits += h.linbits;
                x = 15;
            }
            if (y >= 15) {
                bits += h.linbits;
                y = 15;
            }
        }
        bits += h.lengths[x * h.xlen + y] + (x != 0) + (y != 0);
    }
    return bits;
}

int choose_table(const int* ix, int begin, int end, int& bits) {
    int largest = 0;
    for (int i = begin; i < end; ++i)
        largest = std::max(largest, ix[i]);
    bits = 0;
    if (largest == 0)
        return 0;
    if (largest > kLargestCodableValue) {
        bits = kTooManyBits;
        return 0;
    }
    auto cheapest = [&](std::initializer_list<int> candidates) {
        int best = 0;
        int best_bits = kTooManyBits;
        for (int t : candidates) {
            const int b = pair_bits(t, ix, begin, end);
            if (b < best_bits) {
                best = t;
                best_bits = b;
            }
        }
        bits = best_bits;
        return best;
    };
    if (largest == 1)
        return cheapest({1});
    if (largest == 2)
        return cheapest({2, 3});
    if (largest == 3)
        return cheapest({5, 6});
    if (largest <= 5)
        return cheapest({7, 8, 9});
    if (largest <= 7)
        return cheapest({10, 11, 12});
    if (largest <= 15)
        return cheapest({13, 15});
    // Escape tables: the 16..23 family wins a tie.
    return cheapest({first_escape_table(16, largest), first_escape_table(24, largest)});
}

HuffmanCoder::HuffmanCoder(int sample_rate) : scale_factors_(sample_rate < 32000) {
    const int16_t* starts = long_band_starts(sample_rate);
    std::copy(starts, starts + 23, band_starts_.begin());
    for (int end = 2; end <= kGranuleLines; end += 2) {
        int band = 0;
        while (band < 22 && band_starts_[++band] < end) {
        }
        int r0 = subdivision[band][0];
        while (r0 >= 0 && band_starts_[r0 + 1] > end)
            --r0;
        if (r0 < 0)
            r0 = subdivision[band][0];
        int r1 = subdivision[band][1];
        while (r1 >= 0 && r0 + r1 + 2 <= 22 && band_starts_[r0 + r1 + 2] > end)
            --r1;
        if (r1 < 0)
            r1 = subdivision[band][1];
        region_counts_[end / 2 - 1] = {static_cast<uint8_t>(r0), static_cast<uint8_t>(r1)};
    }
}

int HuffmanCoder::region_end(int region0_count, int region1_count, int region) const {
    const int band = region == 0 ? region0_count + 1 : region0_count + region1_count + 2;
    return band_starts_[std::min(band, 22)];
}

int HuffmanCoder::count_bits(GranuleInfo& gi) const {
    const int* ix = gi.l3_enc.data();
    int end = kGranuleLines;
    while (end > 0 && ix[end - 1] == 0 && ix[end - 2] == 0)
        end -= 2;
    int count1_begin = end;
    while (count1_begin >= 4 && ix[count1_begin - 1] <= 1 && ix[count1_begin - 2] <= 1 &&
           ix[count1_begin - 3] <= 1 && ix[count1_begin - 4] <= 1)
        count1_begin -= 4;

    gi.count1 = (end - count1_begin) / 4;
    gi.big_values = count1_begin / 2;
    gi.table_select = {0, 0, 0};
    gi.region0_count = 0;
    gi.region1_count = 0;
    gi.count1table_select = 0;

    int bits = 0;
    if (gi.count1) {
        const int a = count1_bits(ix, count1_begin, end, 0);
        const int b = count1_bits(ix, count1_begin, end, 1);
        gi.count1table_select = b < a ? 1 : 0;
        bits += std::min(a, b);
    }
    if (gi.big_values) {
        const auto& counts = region_counts_[gi.big_values - 1];
        gi.region0_count = counts[0];
        gi.region1_count = counts[1];
        const int a1 = std::min(region_end(counts[0], counts[1], 0), count1_begin);
        const int a2 = std::min(region_end(counts[0], counts[1], 1), count1_begin);
        const int bounds[4] = {0, a1, a2, count1_begin};
        for (int r = 0; r < 3; ++r) {
            int region_bits = 0;
            gi.table_select[r] = choose_table(ix, bounds[r], bounds[r + 1], region_bits);
            bits += region_bits;
        }
    }
    gi.part2_3_length = std::min(bits, kTooManyBits);
    return gi.part2_3_length;
}

void HuffmanCoder::write(BitWriter& out, const GranuleInfo& gi) const {
    ScaleFactors::write(out, gi);
    const int big_end = gi.big_values * 2;
    const int a1 = std::min(region_end(gi.region0_count, gi.region1_count, 0), big_end);
    const int a2 = std::min(region_end(gi.region0_count, gi.region1_count, 1), big_end);
    write_pairs(out, gi, gi.table_select[0], 0, a1);
    write_pairs(out, gi, gi.table_select[1], a1, a2);
    write_pairs(out, gi, gi.table_select[2], a2, big_end);

    const uint8_t* codes = count1_codes(gi.count1table_select);
    const uint8_t* lengths = count1_lengths(gi.count1table_select);
    for (int q = 0, i = big_end; q < gi.count1; ++q, i += 4) {
        const int index = gi.l3_enc[i] * 8 + gi.l3_enc[i + 1] * 4 + gi.l3_enc[i + 2] * 2 + gi.l3_enc[i + 3];
        out.put(codes[index], lengths[index]);
        for (int k = i; k < i + 4; ++k)
            if (gi.l3_enc[k])
                out.put(gi.negative[k], 1);
    }
}

} // namespace audio::mp3enc
