// PNG decoding speed of the skin framework's own decoder, in MB of decoded
// pixels (RGBA bytes) per second, for a 1024 x 1024 RGBA picture.
#include "PngBuilder.h"
#include "skinner/PngDecoder.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using pngtest::Bytes;
constexpr uint32_t side = 1024;

constexpr uint16_t length_base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t length_extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t distance_base[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                        33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t distance_extra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// One fixed-code block, greedy matches against the previous pixel and the row above.
Bytes deflate_fixed(const Bytes& data, size_t row) {
    pngtest::BitWriter w;
    w.bits(1, 1);
    w.bits(1, 2);
    for (size_t i = 0; i < data.size();) {
        size_t best_length = 0, best_distance = 0;
        for (size_t distance : {size_t(4), row}) {
            if (distance > i)
                continue;
            size_t n = 0;
            while (n < 258 && i + n < data.size() && data[i + n] == data[i + n - distance])
                ++n;
            if (n > best_length) {
                best_length = n;
                best_distance = distance;
            }
        }
        if (best_length < 3) {
            w.fixed_symbol(data[i++]);
            continue;
        }
        int l = 28;
        while (length_base[l] > best_length)
            --l;
        w.fixed_symbol(257 + l);
        w.bits(uint32_t(best_length - length_base[l]), length_extra[l]);
        int d = 29;
        while (distance_base[d] > best_distance)
            --d;
        w.code(uint32_t(d), 5);
        w.bits(uint32_t(best_distance - distance_base[d]), distance_extra[d]);
        i += best_length;
    }
    w.fixed_symbol(256);
    return w.zlib();
}

// Gradients with a sprinkle of noise, filtered with Up on every row.
Bytes scan_lines() {
    Bytes raw;
    uint32_t noise = 12345;
    std::vector<uint8_t> above(side * 4, 0), row(side * 4);
    for (uint32_t y = 0; y < side; ++y) {
        for (uint32_t x = 0; x < side; ++x) {
            noise = noise * 1103515245 + 12345;
            bool speck = (noise >> 16) % 16 == 0;
            row[x * 4 + 0] = uint8_t(x / 4 + (speck ? noise >> 24 : 0));
            row[x * 4 + 1] = uint8_t(y / 4);
            row[x * 4 + 2] = uint8_t((x + y) / 8);
            row[x * 4 + 3] = 255;
        }
        raw.push_back(2);
        for (size_t i = 0; i < row.size(); ++i)
            raw.push_back(uint8_t(row[i] - above[i]));
        above = row;
    }
    return raw;
}

void measure(const char* name, const Bytes& file) {
    double best = 1e9;
    for (int round = 0; round < 8; ++round) {
        skinner::QxRawPngDecoder decoder;
        auto start = std::chrono::steady_clock::now();
        decoder.decode(file.data(), file.size());
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (decoder.width() != side || decoder.inflate_result() != skinner::InflateResult::done) {
            std::printf("%s: decoding failed\n", name);
            return;
        }
        best = std::min(best, seconds);
    }
    double megabytes = double(side) * side * 4 / 1e6;
    std::printf("%-22s file %8zu bytes  %7.2f ms  %7.1f MB of pixels/s\n", name, file.size(), best * 1e3,
                megabytes / best);
}

} // namespace

int main() {
    Bytes raw = scan_lines();
    std::printf("PNG decoding, %ux%u RGBA (best of 8)\n", side, side);
    measure("stored blocks", pngtest::png(pngtest::ihdr(side, side, 8, 6), pngtest::stored_zlib(raw)));
    measure("fixed codes, matches", pngtest::png(pngtest::ihdr(side, side, 8, 6), deflate_fixed(raw, side * 4 + 1)));
    return 0;
}
