// Every Huffman code of the encoder is proven against libmad: crafted granules that hold every
// pair (or quadruple) of a table are written with that table, decoded by libmad, and the
// quantised values are recovered from libmad's subband samples by undoing the standard's
// hybrid synthesis (IMDCT with the long window, alias reduction, frequency inversion).
#include "audio/mp3enc/Bitstream.h"
#include "audio/mp3enc/HuffmanCoder.h"
#include "audio/mp3enc/HuffmanTables.h"
#include "audio/mp3enc/ScaleFactors.h"

#include <gtest/gtest.h>
#include <mad.h>

#include <cmath>
#include <string>
#include <vector>

using namespace audio::mp3enc;

namespace {

constexpr int kRate = 22050;
constexpr int kFrameBytes = 522;   // MPEG-2, 160 kbit/s, no padding
constexpr int kBitrateIndex = 14;

// Writes each granule as one frame followed by a silent frame, so that the next frame's subband
// samples are this frame's overlap alone.
std::vector<uint8_t> write_stream(const std::vector<GranuleInfo>& granules, const HuffmanCoder& coder) {
    Bitstream stream;
    std::vector<uint8_t> out;
    FrameHeader header;
    header.version = 0;
    header.bitrate_index = kBitrateIndex;
    header.rate_index = 0;
    GranuleInfo silent;
    silent.global_gain = 210;
    for (const GranuleInfo& g : granules) {
        for (const GranuleInfo* gi : {&g, static_cast<const GranuleInfo*>(&silent)}) {
            const GranuleInfo* gis[2][2] = {{gi, gi}, {gi, gi}};
            stream.add_frame(header, kFrameBytes, gis);
            coder.write(stream.main_data(), *gi);
            stream.main_data().align();
            while (stream.main_data_begin() > 0)
                stream.main_data().put(0, 8);
            stream.take_finished(out);
        }
    }
    return out;
}

struct Recovered {
    std::vector<std::vector<double>> lines;  // per data frame: 576 dequantised values
    int errors = 0;
};

Recovered decode_lines(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> input(bytes);
    input.resize(bytes.size() + MAD_BUFFER_GUARD, 0);
    mad_stream stream;
    mad_frame frame;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_stream_buffer(&stream, input.data(), input.size());
    std::vector<std::vector<std::vector<double>>> slots;  // frame, sb, 18 samples
    Recovered r;
    while (input.data() + bytes.size() > stream.next_frame) {
        if (mad_frame_decode(&frame, &stream) != 0) {
            if (stream.error == MAD_ERROR_BUFLEN)
                break;
            ++r.errors;
            if (!MAD_RECOVERABLE(stream.error))
                break;
            continue;
        }
        std::vector<std::vector<double>> f(32, std::vector<double>(18));
        for (int sb = 0; sb < 32; ++sb)
            for (int s = 0; s < 18; ++s) {
                double v = mad_f_todouble(frame.sbsample[0][s][sb]);
                if (sb % 2 && s % 2)
                    v = -v;  // undo the frequency inversion
                f[sb][s] = v;
            }
        slots.push_back(f);
    }
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);

    const double pi = std::acos(-1.0);
    const double c[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
    for (size_t k = 0; k + 1 < slots.size(); k += 2) {
        std::vector<double> x(576);
        for (int sb = 0; sb < 32; ++sb) {
            double z[36];
            for (int i = 0; i < 18; ++i) {
                z[i] = slots[k][sb][i];
                z[i + 18] = slots[k + 1][sb][i];
            }
            for (int i = 0; i < 36; ++i)
                z[i] /= std::sin(pi / 36 * (i + 0.5));
            for (int m = 0; m < 18; ++m) {
                double sum = 0;
                for (int i = 0; i < 36; ++i)
                    sum += z[i] * std::cos(pi / 72 * (2 * i + 19) * (2 * m + 1));
                x[sb * 18 + m] = sum / 18;
            }
        }
        // Undo the decoder's alias reduction.
        for (int sb = 1; sb < 32; ++sb)
            for (int i = 0; i < 8; ++i) {
                const double cs = 1 / std::sqrt(1 + c[i] * c[i]);
                const double ca = c[i] * cs;
                const double a = x[sb * 18 - 1 - i];
                const double b = x[sb * 18 + i];
                x[sb * 18 - 1 - i] = a * cs + b * ca;
                x[sb * 18 + i] = b * cs - a * ca;
            }
        r.lines.push_back(x);
    }
    return r;
}

// Quantised value of a dequantised line at global gain g.
int requantized(double xr, int g) {
    const double magnitude = std::pow(std::fabs(xr) / std::pow(2.0, (g - 210) / 4.0), 0.75);
    const int q = static_cast<int>(std::lround(magnitude));
    return xr < 0 ? -q : q;
}

void expect_round_trip(const std::vector<GranuleInfo>& granules, const std::string& what) {
    const HuffmanCoder coder(kRate);
    const Recovered r = decode_lines(write_stream(granules, coder));
    ASSERT_EQ(r.errors, 0) << what;
    ASSERT_EQ(r.lines.size(), granules.size()) << what;
    for (size_t k = 0; k < granules.size(); ++k) {
        int wrong = 0;
        for (int i = 0; i < 576; ++i) {
            const int want = granules[k].negative[i] ? -granules[k].l3_enc[i] : granules[k].l3_enc[i];
            const int got = requantized(r.lines[k][i], granules[k].global_gain);
            if (got != want && ++wrong <= 5)
                ADD_FAILURE() << what << " granule " << k << " line " << i << ": wrote " << want << ", libmad read " << got;
        }
    }
}

// Granules with table t for every region, holding the given pairs in order, as many per granule
// as the frame's main data holds.
std::vector<GranuleInfo> pair_granules(int table, const std::vector<std::pair<int, int>>& pairs, int gain) {
    std::vector<GranuleInfo> out;
    size_t next = 0;
    while (next < pairs.size()) {
        GranuleInfo gi;
        gi.global_gain = gain;
        int n = 0;
        while (next < pairs.size() && n < 288) {
            gi.l3_enc[2 * n] = pairs[next].first;
            gi.l3_enc[2 * n + 1] = pairs[next].second;
            gi.negative[2 * n] = (n % 2) == 0;
            gi.negative[2 * n + 1] = (n % 3) == 0;
            if (pair_bits(table, gi.l3_enc.data(), 0, 2 * n + 2) > (kFrameBytes - 13) * 8 - 16)
                break;
            ++n;
            ++next;
        }
        for (int i = 2 * n; i < 576; ++i)
            gi.l3_enc[i] = 0;
        gi.big_values = n;
        gi.table_select = {table, table, table};
        gi.region0_count = 7;
        gi.region1_count = 7;
        gi.part2_3_length = pair_bits(table, gi.l3_enc.data(), 0, 2 * n);
        out.push_back(gi);
    }
    return out;
}

} // namespace

TEST(Mp3EncHuffman, EveryTableIsACompletePrefixCode) {
    for (int t = 1; t < kHuffmanTableCount; ++t) {
        const HuffmanTable& h = huffman_table(t);
        if (!h.xlen)
            continue;
        const int n = h.xlen * h.xlen;
        double kraft = 0;
        for (int i = 0; i < n; ++i) {
            ASSERT_LT(h.codes[i] >> h.lengths[i], 1) << "table " << t << " entry " << i;
            kraft += std::ldexp(1.0, -h.lengths[i]);
            for (int j = 0; j < n; ++j)
                if (i != j && h.lengths[i] <= h.lengths[j]) {
                    ASSERT_NE(h.codes[j] >> (h.lengths[j] - h.lengths[i]), h.codes[i])
                        << "table " << t << ": code " << i << " is a prefix of code " << j;
                }
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0) << "table " << t;
    }
    for (int select = 0; select < 2; ++select) {
        double kraft = 0;
        for (int i = 0; i < 16; ++i)
            kraft += std::ldexp(1.0, -count1_lengths(select)[i]);
        EXPECT_DOUBLE_EQ(kraft, 1.0);
    }
}

TEST(Mp3EncHuffman, LinbitsOfTheEscapeTables) {
    const int expected[16] = {1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13};
    for (int t = 16; t < 32; ++t) {
        EXPECT_EQ(huffman_table(t).linbits, expected[t - 16]);
        EXPECT_EQ(huffman_table(t).xlen, 16);
    }
    EXPECT_EQ(huffman_table(0).xlen, 0);
    EXPECT_EQ(huffman_table(4).xlen, 0);
    EXPECT_EQ(huffman_table(14).xlen, 0);
}

TEST(Mp3EncHuffman, EveryPairCodeDecodesInLibmad) {
    for (int t : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 24}) {
        const int xlen = huffman_table(t).xlen;
        std::vector<std::pair<int, int>> pairs;
        for (int x = 0; x < xlen; ++x)
            for (int y = 0; y < xlen; ++y)
                pairs.emplace_back(x, y);
        expect_round_trip(pair_granules(t, pairs, 178), "table " + std::to_string(t));
    }
}

TEST(Mp3EncHuffman, EscapeValuesDecodeInLibmadForEveryLinbitsTable) {
    for (int t = 16; t < 32; ++t) {
        const int top = 15 + (1 << huffman_table(t).linbits) - 1;
        std::vector<std::pair<int, int>> pairs;
        // One pair per subband keeps each subband's sum within libmad's fixed-point range.
        for (int v : {15, 16, top, 15 + (top - 15) / 2, 14})
            for (int i = 0; i < 9; ++i)
                pairs.emplace_back(i == 0 ? v : 0, i == 0 ? 1 : 0);
        pairs.emplace_back(3, top);
        expect_round_trip(pair_granules(t, pairs, 140), "escape table " + std::to_string(t));
    }
}

TEST(Mp3EncHuffman, EveryCount1CodeDecodesInLibmad) {
    for (int select = 0; select < 2; ++select) {
        GranuleInfo gi;
        gi.global_gain = 190;
        for (int q = 0; q < 16; ++q)
            for (int k = 0; k < 4; ++k) {
                gi.l3_enc[4 * q + k] = (q >> (3 - k)) & 1;
                gi.negative[4 * q + k] = (q + k) % 2;
            }
        gi.count1 = 16;
        gi.count1table_select = select;
        int bits = 0;
        for (int q = 0; q < 16; ++q)
            bits += count1_lengths(select)[q] + __builtin_popcount(static_cast<unsigned>(q));
        gi.part2_3_length = bits;
        expect_round_trip({gi}, "count1 table " + std::to_string(select));
    }
}

// The scale factors chosen for a spectrum that falls with frequency refine the quiet bands, and
// libmad reads them back: a value of 1 in every band comes out as 2^((g - 210) / 4) lowered by
// each band's own scale factor. A gentle slope fits the 3 dB steps, a steep one needs the 6 dB steps.
TEST(Mp3EncHuffman, ScaleFactorsDecodeInLibmad) {
    const HuffmanCoder coder(kRate);
    ASSERT_TRUE(coder.scale_factors());
    const int16_t* starts = coder.band_starts();
    for (int slope : {2, 6}) {
        std::array<uint64_t, kGranuleLines> xrpow = {};
        for (int i = 0; i < kGranuleLines; ++i)
            xrpow[i] = (uint64_t{1} << 40) >> (slope * i / kGranuleLines);
        GranuleInfo gi;
        gi.global_gain = 190;
        ScaleFactors::choose(xrpow, starts, gi);
        EXPECT_EQ(gi.scalefac_scale, slope == 6 ? 1 : 0);
        EXPECT_EQ(gi.scalefac[0], 0);
        EXPECT_GE(gi.scalefac[20], gi.scalefac[15]);
        EXPECT_GT(gi.scalefac[20], gi.scalefac[3]);
        for (int b = 0; b < kScaleFactorBands; ++b) {
            gi.l3_enc[starts[b] + 1] = 1;
            gi.negative[starts[b] + 1] = b % 2;
        }
        gi.part2_3_length = coder.count_bits(gi) + gi.part2_length;
        const Recovered r = decode_lines(write_stream({gi}, coder));
        ASSERT_EQ(r.errors, 0);
        ASSERT_EQ(r.lines.size(), 1u);
        for (int b = 0; b < kScaleFactorBands; ++b) {
            const double want = std::pow(2.0, (gi.global_gain - 210) / 4.0 - 0.5 * (1 + gi.scalefac_scale) * gi.scalefac[b]);
            const double got = r.lines[0][starts[b] + 1] * (b % 2 ? -1 : 1);
            EXPECT_NEAR(got / want, 1.0, 0.02) << "slope " << slope << " band " << b << " scale factor " << gi.scalefac[b];
        }
    }
}
