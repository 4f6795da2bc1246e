#pragma once
#include <cstdint>

namespace audio::mp3enc {

// One layer III Huffman code table for pairs (x, y): codes and lengths indexed by x * xlen + y.
// Values up to xlen - 1 are coded directly; tables with linbits code 15 as an escape followed
// by linbits bits of value - 15.
struct HuffmanTable {
    int xlen = 0;
    int linbits = 0;
    const uint16_t* codes = nullptr;
    const uint8_t* lengths = nullptr;
};

constexpr int kHuffmanTableCount = 32;
// Largest value any pair table codes: 15 plus the 13 linbits of tables 23 and 31.
constexpr int kLargestCodableValue = 15 + 8191;

// Table 0, 4 and 14 code nothing (xlen 0); 16..23 and 24..31 share their codes.
const HuffmanTable& huffman_table(int number);

// Count1 quadruples (v, w, x, y), each 0 or 1, indexed v * 8 + w * 4 + x * 2 + y.
// Table A (count1table_select 0) and table B (1).
const uint8_t* count1_codes(int select);
const uint8_t* count1_lengths(int select);

} // namespace audio::mp3enc
