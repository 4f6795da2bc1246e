// Parameters, quantiser, Huffman counting and bitstream pieces of the MP3 encoder.
#include "audio/mp3enc/BitWriter.h"
#include "audio/mp3enc/Bitstream.h"
#include "audio/mp3enc/Encoder.h"
#include "audio/mp3enc/FilterBank.h"
#include "audio/mp3enc/HuffmanCoder.h"
#include "audio/mp3enc/HuffmanTables.h"
#include "audio/mp3enc/Mp3Enc.h"
#include "audio/mp3enc/Quantizer.h"
#include "audio/mp3enc/Resampler.h"
#include "audio/mp3enc/Tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace audio::mp3enc;

namespace {

EncoderParams params_for(int rate, int channels, int kbps) {
    Encoder e;
    e.set_in_samplerate(rate);
    e.set_channels(channels);
    e.set_kbps(kbps);
    EXPECT_EQ(e.init_params(), 0);
    return e.params();
}

} // namespace

TEST(Mp3EncParams, VoiceNoteSettingIsMpeg2At22050WithoutResampling) {
    const EncoderParams p = params_for(22050, 1, 32);
    EXPECT_EQ(p.out_rate, 22050);
    EXPECT_EQ(p.version, 0);
    EXPECT_EQ(p.granules, 1);
    EXPECT_EQ(p.frame_size, 576);
    EXPECT_EQ(p.bitrate_index, 4);
    EXPECT_EQ(p.rate_index, 0);
    EXPECT_DOUBLE_EQ(p.resample_ratio, 1.0);
    EXPECT_FALSE(p.joint_stereo);
    // The lowpass lies below half the rate, so the top bands carry nothing.
    EXPECT_LT(p.lowpass, 11025);
    FilterBank bank;
    bank.set_lowpass(2 * p.lowpass / p.out_rate);
    EXPECT_LT(bank.lowpass_band(), 32);
}

TEST(Mp3EncParams, HighCompressionRatiosLowerTheOutputRate) {
    const EncoderParams stereo = params_for(44100, 2, 32);
    EXPECT_EQ(stereo.out_rate, 11025);  // 44100 x 32 / 32000 = 44.1 > 13; 10000 x 32 / 32 -> 11025
    EXPECT_TRUE(stereo.joint_stereo);
    EXPECT_DOUBLE_EQ(stereo.resample_ratio, 4.0);
    const EncoderParams mono = params_for(44100, 1, 32);
    EXPECT_EQ(mono.out_rate, 22050);
    EXPECT_EQ(mono.frame_size, 576);
    const EncoderParams cd = params_for(44100, 2, 128);
    EXPECT_EQ(cd.out_rate, 44100);
    EXPECT_EQ(cd.version, 1);
    EXPECT_EQ(cd.frame_size, 1152);
    EXPECT_EQ(cd.bitrate_index, 9);
    EXPECT_TRUE(params_for(48000, 2, 320).disable_reservoir);
}

TEST(Mp3EncParams, CreateRefusesBitRatesAndChannelsWithoutAnIndex) {
    EXPECT_EQ(audio::mp3enc_create(22050, 1, 33), nullptr);
    EXPECT_EQ(audio::mp3enc_create(22050, 1, 192), nullptr);  // not in the MPEG-2 row
    EXPECT_EQ(audio::mp3enc_create(22050, 3, 32), nullptr);
    EXPECT_EQ(audio::mp3enc_create(0, 1, 32), nullptr);
    audio::Mp3EncHandle* h = audio::mp3enc_create(48000, 2, 192);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(audio::mp3enc_frame_samples(h), 1152);
    audio::mp3enc_destroy(h);
    Encoder e;
    EXPECT_EQ(e.set_channels(3), -1);
    EXPECT_EQ(e.set_channels(2), 0);
    EXPECT_EQ(e.set_channels(0), -1);
}

TEST(Mp3EncParams, InputRatesOutsideWhatResamplesToAnMp3RateAreRefusedBeforeAnyWork) {
    EXPECT_EQ(audio::mp3enc_create(1, 1, 32), nullptr);
    EXPECT_EQ(audio::mp3enc_create(999, 1, 32), nullptr);
    EXPECT_EQ(audio::mp3enc_create(192001, 2, 128), nullptr);
    for (int rate : {1000, 192000}) {
        audio::Mp3EncHandle* h = audio::mp3enc_create(rate, 1, 32);
        EXPECT_NE(h, nullptr) << rate;
        audio::mp3enc_destroy(h);
    }
    Encoder e;
    EXPECT_EQ(e.set_in_samplerate(22050), 0);
    EXPECT_EQ(e.set_in_samplerate(1), -1);
    EXPECT_EQ(e.params().in_rate, 22050);
}

TEST(Mp3EncParams, ResamplerFilterBankByRatio) {
    Resampler half(44100, 22050);
    EXPECT_EQ(half.filters_per_side(), 1);
    EXPECT_EQ(half.filter_length(), 32);  // ratio exactly 2
    Resampler odd(48000, 44100);
    EXPECT_EQ(odd.filter_length(), 31);
    EXPECT_EQ(odd.filters_per_side(), 147);
    // A constant stays constant once the filter is inside the signal.
    std::vector<int16_t> in(4000, 1000), out(4000);
    half.push(in.data(), 4000);
    const int n = half.pull(out.data(), 4000);
    EXPECT_GT(n, 1900);
    EXPECT_LT(n, 2000);
    for (int i = 20; i < n; ++i)
        ASSERT_NEAR(out[i], 1000, 2);
}

// Decoders raise every value to the exact 4/3, so the power law must follow the exact curve.
TEST(Mp3EncQuantizer, PowerLawIsWithinATenthOfAPercentOverTheWholeRange) {
    double worst = 0;
    uint64_t previous = 0;
    auto check = [&](uint64_t x) {
        const uint64_t y = xr_pow(x);
        const double exact = std::ldexp(std::pow(static_cast<double>(x), 0.75), kPowerBits);
        worst = std::max(worst, std::fabs(static_cast<double>(y) - exact) / exact);
        return y;
    };
    EXPECT_EQ(xr_pow(0), 0u);
    // Every input up to 2^20, then a sweep in steps of 1/10000 to the top, monotonic throughout.
    for (uint64_t x = 1; x <= (uint64_t{1} << 20); ++x) {
        const uint64_t y = check(x);
        ASSERT_GE(y, previous) << x;
        previous = y;
    }
    for (uint64_t x = uint64_t{1} << 20; x < UINT64_MAX / 2; x += x / 10000) {
        const uint64_t y = check(x);
        ASSERT_GE(y, previous) << x;
        previous = y;
    }
    for (int e = 1; e < 64; ++e) {
        const uint64_t p = uint64_t{1} << e;
        check(p - 1);
        check(p + 1);
        EXPECT_LE(check(p - 1), check(p)) << e;
        if (e % 4 == 0) {  // exact at powers of 16
            EXPECT_EQ(xr_pow(p), uint64_t{1} << (3 * e / 4 + kPowerBits)) << e;
        }
    }
    check(UINT64_MAX);
    EXPECT_EQ(xr_pow(1), uint64_t{1} << kPowerBits);
    EXPECT_LT(worst, 1e-3);
}

TEST(Mp3EncQuantizer, StepTableHas256StepsOf3Sixteenths) {
    const auto& steps = step_table();
    for (int g = 1; g < 256; ++g)
        EXPECT_NEAR(static_cast<double>(steps[g - 1]) / static_cast<double>(steps[g]), std::pow(2.0, 0.1875), 1e-3) << g;
    // The largest gain still has a usable step, and the smallest does not overflow.
    EXPECT_GT(steps[255], 0u);
    EXPECT_LT(steps[0], uint64_t{1} << 62);
}

TEST(Mp3EncQuantizer, QuantiserMatchesTheStandardsFormula) {
    // xr in decoder units; q = nint((|xr| / 2^((g - 210) / 4))^(3/4) - 0.0946).
    PowerLines lines;
    GranuleInfo gi;
    for (double xr : {0.001, 0.02, 0.3, 1.0, 2.5})
        for (int g : {120, 150, 170, 190}) {
            lines.xrpow[0] = xr_pow(static_cast<uint64_t>(xr * (1 << kSpectrumBits)));
            lines.measure();
            gi.l3_enc.fill(9);
            if (!Quantizer::quantize(lines, g, gi))
                continue;
            // Lines past the last non-zero one are not multiplied, but they are cleared.
            EXPECT_EQ(std::count(gi.l3_enc.begin() + 1, gi.l3_enc.end(), 0), kGranuleLines - 1);
            const double exact = std::pow(xr / std::pow(2.0, (g - 210) / 4.0), 0.75);
            EXPECT_NEAR(gi.l3_enc[0], exact + 0.4054, 1.001) << xr << " at " << g;  // q = floor(exact + 0.4054)
        }
}

TEST(Mp3EncQuantizer, TooLargeValuesCostTooManyBitsWithoutOverflow) {
    const HuffmanCoder coder(22050);
    PowerLines lines;
    lines.xrpow[0] = uint64_t{1} << 32;
    lines.measure();
    GranuleInfo gi;
    EXPECT_EQ(Quantizer::count_at(coder, lines, 0, gi), kTooManyBits);
    EXPECT_LT(Quantizer::count_at(coder, lines, 255, gi), kTooManyBits);
}

TEST(Mp3EncQuantizer, GainSearchStaysInRangeAndMeetsTheTarget) {
    const HuffmanCoder coder(22050);
    Quantizer q;
    std::vector<int64_t> xr(576);
    for (int i = 0; i < 576; ++i)
        xr[i] = static_cast<int64_t>(std::sin(i * 0.7) * (int64_t{3} << kSpectrumBits));
    for (int target : {0, 40, 300, 1200, 4095}) {
        GranuleInfo gi;
        const int bits = q.code_granule(coder, xr.data(), target, 0, gi);
        EXPECT_LE(bits, target);
        EXPECT_GE(gi.global_gain, 0);
        EXPECT_LE(gi.global_gain, 255);
        EXPECT_EQ(bits, gi.part2_3_length);
    }
    // Full-scale lines far beyond anything a filter bank makes: coded at the top gain or empty.
    std::fill(xr.begin(), xr.end(), int64_t{1} << 40);
    GranuleInfo gi;
    EXPECT_LE(q.code_granule(coder, xr.data(), 500, 1, gi), 500);
}

TEST(Mp3EncHuffmanCoder, SilentGranuleIsEmpty) {
    const HuffmanCoder coder(22050);
    GranuleInfo gi;
    EXPECT_EQ(coder.count_bits(gi), 0);
    EXPECT_EQ(gi.big_values, 0);
    EXPECT_EQ(gi.count1, 0);
    EXPECT_EQ(gi.part2_3_length, 0);
    Quantizer q;
    std::vector<int64_t> xr(576, 0);
    EXPECT_EQ(q.code_granule(coder, xr.data(), 500, 0, gi), 0);
    EXPECT_EQ(gi.big_values, 0);
}

TEST(Mp3EncHuffmanCoder, SingleOneInTheLastQuadrupleGoesToCount1) {
    const HuffmanCoder coder(22050);
    GranuleInfo gi;
    gi.l3_enc[575] = 1;
    const int bits = coder.count_bits(gi);
    EXPECT_EQ(gi.big_values, 0);
    EXPECT_EQ(gi.count1, 144);  // every quadruple up to the end is coded
    // 143 empty quadruples: 1 bit each in table A, 4 in B; the last (0,0,0,1) costs 4 in A.
    EXPECT_EQ(gi.count1table_select, 0);
    EXPECT_EQ(bits, 143 * 1 + 4 + 1);
}

TEST(Mp3EncHuffmanCoder, TablesByLargestValue) {
    int bits = 0;
    auto table_for = [&](int v) {
        int ix[4] = {v, 0, 0, v > 0 ? 1 : 0};
        return choose_table(ix, 0, 4, bits);
    };
    EXPECT_EQ(table_for(0), 0);
    EXPECT_EQ(table_for(1), 1);
    EXPECT_TRUE(table_for(2) == 2 || table_for(2) == 3);
    EXPECT_TRUE(table_for(3) == 5 || table_for(3) == 6);
    EXPECT_GE(table_for(5), 7);
    EXPECT_LE(table_for(5), 9);
    EXPECT_GE(table_for(7), 10);
    EXPECT_LE(table_for(7), 12);
    EXPECT_TRUE(table_for(15) == 13 || table_for(15) == 15);
    const int escape = table_for(15 + 8191);
    EXPECT_TRUE(escape == 23 || escape == 31);
    table_for(15 + 8192);
    EXPECT_EQ(bits, kTooManyBits);
    // The smallest linbits that hold value - 15.
    const int t = table_for(16);
    EXPECT_TRUE(t == 16 || t == 24);
}

TEST(Mp3EncHuffmanCoder, RegionsFollowTheLongBands) {
    const HuffmanCoder coder(22050);
    GranuleInfo gi;
    for (int i = 0; i < 400; ++i)
        gi.l3_enc[i] = 3;
    coder.count_bits(gi);
    EXPECT_EQ(gi.big_values, 200);
    // Region boundaries sit on band starts no further than the big-values area.
    EXPECT_LE(coder.region_end(gi.region0_count, gi.region1_count, 0), 400);
    EXPECT_LE(coder.region_end(gi.region0_count, gi.region1_count, 1), 400);
    EXPECT_LE(gi.region0_count, 15);
    EXPECT_LE(gi.region1_count, 7);
}

TEST(Mp3EncBitstream, BitWriterPacksFieldsOfEveryWidthMostSignificantBitFirst) {
    BitWriter w;
    std::vector<bool> expected;
    uint32_t state = 7;
    w.put(0x15, 5);  // the rest starts off a byte boundary
    for (int b = 4; b >= 0; --b)
        expected.push_back((0x15 >> b) & 1);
    for (int round = 0; round < 3; ++round)
        for (int bits = 1; bits <= 32; ++bits) {
            state = state * 1664525u + 1013904223u;
            w.put(state, bits);  // bits above the field's width are ignored
            for (int b = bits - 1; b >= 0; --b)
                expected.push_back((state >> b) & 1);
        }
    ASSERT_EQ(w.bit_count(), static_cast<int64_t>(expected.size()));
    ASSERT_EQ(w.bytes().size(), (expected.size() + 7) / 8);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ((w.bytes()[i / 8] >> (7 - i % 8)) & 1, expected[i]) << "bit " << i;
    // After whole bytes are taken out, fields go on where the last one ended.
    const size_t open = expected.size() % 8;
    w.drop_front(w.bytes().size() - 1);
    w.put(0x5, 3);
    EXPECT_EQ(w.bytes().back() >> (8 - open - 3) & 7, 0x5);
}

TEST(Mp3EncBitstream, SideInformationLengths) {
    EXPECT_EQ(side_info_bytes(1, false), 21);
    EXPECT_EQ(side_info_bytes(1, true), 36);
    EXPECT_EQ(side_info_bytes(0, false), 13);
    EXPECT_EQ(side_info_bytes(0, true), 21);
    Bitstream stream;
    GranuleInfo gi;
    const GranuleInfo* gis[2][2] = {{&gi, &gi}, {&gi, &gi}};
    for (int version : {0, 1})
        for (bool stereo : {false, true}) {
            FrameHeader h;
            h.version = version;
            h.stereo = stereo;
            h.bitrate_index = version ? 9 : 4;
            const int frame = version ? 417 : 104;
            stream.add_frame(h, frame, gis);
            for (int i = 0; i < frame - side_info_bytes(version, stereo); ++i)
                stream.main_data().put(0, 8);
            std::vector<uint8_t> out;
            stream.take_finished(out);
            EXPECT_EQ(static_cast<int>(out.size()), frame);
        }
}

TEST(Mp3EncBitstream, HeaderOfTheVoiceNoteSetting) {
    Bitstream stream;
    GranuleInfo gi;
    const GranuleInfo* gis[2][2] = {{&gi, &gi}, {&gi, &gi}};
    FrameHeader h;
    h.bitrate_index = 4;
    h.padding = true;
    stream.add_frame(h, 105, gis);
    for (int i = 0; i < 105 - 13; ++i)
        stream.main_data().put(0, 8);
    std::vector<uint8_t> out;
    stream.take_finished(out);
    ASSERT_EQ(out.size(), 105u);
    // Sync, MPEG-2, layer III, no CRC; 32 kbit/s, 22050 Hz, padded; single channel, original.
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0xF3);
    EXPECT_EQ(out[2], 0x42);
    EXPECT_EQ(out[3], 0xC4);
}

TEST(Mp3EncBitstream, AncillaryStuffingOf40BitsIsTheMarkerAndAlternatingBits) {
    Bitstream stream;
    stream.write_ancillary(40);
    const auto& bytes = stream.main_data().bytes();
    ASSERT_EQ(bytes.size(), 5u);
    EXPECT_EQ(std::memcmp(bytes.data(), "LAME", 4), 0);
    EXPECT_EQ(bytes[4], 0x55);  // 0, 1, 0, 1, ...
    // The alternation continues where the last frame stopped; long stuffing adds the version.
    Bitstream longer;
    longer.write_ancillary(3);
    longer.write_ancillary(8 * 12);
    const auto& more = longer.main_data().bytes();
    std::string text;
    // Bits 3.. hold "LAME3.93.1" then alternating bits starting with 1.
    for (int i = 0; i < 10; ++i)
        text += static_cast<char>(((more[i] << 3) | (more[i + 1] >> 5)) & 0xFF);
    EXPECT_EQ(text, "LAME3.93.1");
}

TEST(Mp3EncFilterBank, SilenceGivesAllZeroSpectra) {
    FilterBank bank;
    bank.set_lowpass(0.7);
    std::vector<int16_t> pcm(kWindowLead + 576, 0);
    SubbandSamples previous = {}, current = {};
    bank.analyze(pcm.data(), current);
    std::vector<int64_t> xr(576, 7);
    bank.mdct(previous, current, xr.data());
    for (int64_t v : xr)
        ASSERT_EQ(v, 0);
}

// The filter bank folds and shares the analysis matrix's sums; its bands must be exactly those of
// the plain product of the 512-tap window and the 32 x 64 matrix.
TEST(Mp3EncFilterBank, AnalysisIsExactlyThePlainWindowAndMatrixProduct) {
    const double pi = std::acos(-1.0);
    std::vector<int16_t> pcm(kWindowLead + 576);
    uint32_t state = 1;
    for (int16_t& s : pcm) {
        state = state * 1664525u + 1013904223u;
        s = static_cast<int16_t>(state >> 16);
    }
    for (double lowpass : {1.0, 0.7}) {
        FilterBank bank;
        bank.set_lowpass(lowpass);
        SubbandSamples out = {};
        bank.analyze(pcm.data(), out);
        for (int slot = 0; slot < kSlots; ++slot) {
            const int16_t* newest = pcm.data() + 511 + 32 * slot;
            int64_t y[64] = {};
            for (int n = 0; n < 512; ++n)
                y[n % 64] += int64_t{analysis_window(n)} * newest[-n];
            for (int k = 0; k < kSubbands; ++k) {
                int64_t sum = 0;
                for (int i = 0; i < 64; ++i)
                    sum += std::lround(std::cos((2 * k + 1) * (i - 16) * pi / 64) * 16384) * y[i];
                // Window 2^21, matrix 2^14 and samples 2^15 per unit, down to 2^28; the decoder's
                // inversion of odd bands in odd slots is undone ahead.
                int64_t expected = k < bank.lowpass_band() ? sum >> (21 + 14 + 15 - 28) : 0;
                if (slot % 2 && k % 2)
                    expected = -expected;
                ASSERT_EQ(out[slot][k], expected) << "lowpass " << lowpass << " slot " << slot << " band " << k;
            }
        }
    }
}

TEST(Mp3EncFilterBank, AnalysisWindowIsTheStandardsTable) {
    // A few entries of ISO 11172-3 Table C.1 (times 2^21) and its symmetry.
    EXPECT_EQ(analysis_window(0), 0);
    EXPECT_EQ(analysis_window(1), -1);
    EXPECT_EQ(analysis_window(256), 75038);
    EXPECT_EQ(analysis_window(64), 213);
    EXPECT_EQ(analysis_window(511), 1);
    for (int i = 1; i < 256; ++i)
        EXPECT_EQ(std::abs(analysis_window(i)), std::abs(analysis_window(512 - i)));
}
