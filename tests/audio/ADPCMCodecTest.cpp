#include "audio/ADPCMCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace audio;

TEST(ADPCMCodec, BlockSizesAndSamplesPerBlock) {
    EXPECT_EQ(adpcm_block_size(8000, 1), 256);
    EXPECT_EQ(adpcm_samples_per_block(256, 1), 500);
    EXPECT_EQ(adpcm_block_size(22050, 1), 512);
    EXPECT_EQ(adpcm_samples_per_block(512, 1), 1012);
    EXPECT_EQ(adpcm_block_size(44100, 2), 2048);
    EXPECT_EQ(adpcm_samples_per_block(2048, 2), 2036);
    EXPECT_EQ(adpcm_block_size(96000, 2), 4096);
    EXPECT_EQ(adpcm_samples_per_block(1024, 2), 1012);
}

TEST(ADPCMCodec, SamplesPerBlockRefusesBlocksTooSmallForAHeader) {
    EXPECT_EQ(adpcm_samples_per_block(0, 1), 0);
    EXPECT_EQ(adpcm_samples_per_block(7, 1), 0);
    EXPECT_EQ(adpcm_samples_per_block(8, 1), 4);
    EXPECT_EQ(adpcm_samples_per_block(14, 2), 0);
    EXPECT_EQ(adpcm_samples_per_block(15, 2), 3);
    EXPECT_EQ(adpcm_samples_per_block(512, 0), 0);
    EXPECT_EQ(adpcm_samples_per_block(512, 3), 0);
}

TEST(ADPCMCodec, HandMadeMonoBlockDecodesSampleBySample) {
    // predictor 1 (512, -256), delta 16, sample 1 = 100, sample 2 = 50; nibbles 1, 7, 8, F.
    const uint8_t block[9] = {1, 16, 0, 100, 0, 50, 0, 0x17, 0x8F};
    int16_t out[6] = {};
    ASSERT_TRUE(adpcm_decode_block(block, out, 1, adpcm_samples_per_block(9, 1)));
    const int16_t expected[6] = {50, 100, 166, 344, 218, -22};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST(ADPCMCodec, PredictionShiftRoundsTowardMinusInfinity) {
    // predictor 3 (192, 64): (-3 * 192) >> 8 is -3, where a division would give -2.
    const uint8_t block[8] = {3, 16, 0, 0xFD, 0xFF, 0, 0, 0x00};
    int16_t out[4] = {};
    ASSERT_TRUE(adpcm_decode_block(block, out, 1, 4));
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], -3);
    EXPECT_EQ(out[2], -3);
}

TEST(ADPCMCodec, StereoBlockInterleavesLeftHighNibble) {
    // both predictor 0 (256, 0): each sample is the previous one plus delta x nibble.
    const uint8_t block[15] = {0, 0, 16, 0, 32, 0, 10, 0, 20, 0, 1, 0, 2, 0, 0x1F};
    int16_t out[6] = {};
    ASSERT_TRUE(adpcm_decode_block(block, out, 2, adpcm_samples_per_block(15, 2)));
    const int16_t expected[6] = {1, 2, 10, 20, 26, -12};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST(ADPCMCodec, PredictorAboveSixLeavesOutputUntouched) {
    uint8_t block[9] = {7, 16, 0, 100, 0, 50, 0, 0x17, 0x8F};
    int16_t out[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(adpcm_decode_block(block, out, 1, 6));
    for (int16_t v : out) EXPECT_EQ(v, 9);
}

TEST(ADPCMCodec, AllSevenNibblesWithHugeDeltaStayInRange) {
    std::vector<uint8_t> block(2048, 0x77);
    block[0] = 0;
    block[1] = 0xFF;
    block[2] = 0x7F;   // delta 32767
    std::vector<int16_t> out(adpcm_samples_per_block(2048, 1));
    ASSERT_TRUE(adpcm_decode_block(block.data(), out.data(), 1, static_cast<int>(out.size())));
    EXPECT_EQ(out.back(), 32767);
}

TEST(ADPCMCodec, SilenceHasNoErrorWithEveryPredictor) {
    std::vector<int16_t> silence(1012, 0);
    std::vector<uint8_t> block(512);
    for (int p = 0; p < kADPCMPredictorCount; ++p) {
        int max_error = -1;
        adpcm_encode_block(p, silence.data(), 1, 1012, block.data(), max_error);
        EXPECT_EQ(max_error, 0) << p;
        EXPECT_EQ(block[0], p);
    }
}

TEST(ADPCMCodec, EncodedHeaderKeepsFirstTwoSamplesAndDelta16) {
    std::vector<int16_t> in(2 * 3, 0);
    in[0] = 11; in[1] = -22; in[2] = 33; in[3] = -44;
    uint8_t block[15] = {};
    int max_error = 0;
    adpcm_encode_block(2, in.data(), 2, 3, block, max_error);
    const uint8_t header[14] = {2, 2, 16, 0, 16, 0, 33, 0, 0xD4, 0xFF, 11, 0, 0xEA, 0xFF};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(block[i], header[i]) << i;
}

TEST(ADPCMCodec, SineRoundTripIsAbove40dB) {
    const int channels = 2, block_align = 1024, spb = adpcm_samples_per_block(block_align, channels);
    const int blocks = 20;
    std::vector<int16_t> in(blocks * spb * channels), out(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        double t = static_cast<double>(i / channels) / 22050.0;
        in[i] = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * (i % 2 ? 440 : 660) * t)));
    }
    std::vector<uint8_t> block(block_align), best(block_align);
    for (int b = 0; b < blocks; ++b) {
        const int16_t* samples = in.data() + b * spb * channels;
        int best_error = -1;
        for (int p = 0; p < kADPCMPredictorCount; ++p) {
            int error = 0;
            adpcm_encode_block(p, samples, channels, spb, block.data(), error);
            if (best_error < 0 || error < best_error) { best_error = error; best = block; }
        }
        ASSERT_TRUE(adpcm_decode_block(best.data(), out.data() + b * spb * channels, channels, spb));
    }
    double signal = 0, noise = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        signal += double(in[i]) * in[i];
        noise += double(in[i] - out[i]) * (in[i] - out[i]);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 40.0);
}
