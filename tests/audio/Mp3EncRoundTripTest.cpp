// The encoder is proven by decoding its output with libmad (and mpg123 when installed).
#include "Mp3EncTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace mp3test;

TEST(Mp3EncRoundTrip, VoiceNoteSettingGivesMpeg2FramesThatDecodeToTheSine) {
    const int rate = 22050;
    const std::vector<int16_t> input = sine(1000, rate, 10 * rate, 12000);
    const std::vector<uint8_t> mp3 = encode(input, {}, rate, 1, 32);

    std::vector<Header> frames;
    ASSERT_TRUE(walk_frames(mp3, frames));
    // Padding as the frame loop's slot lag gives it: step 2304000 mod 22050, starting at the step.
    int64_t lag = 10800;
    for (const Header& f : frames) {
        EXPECT_EQ(f.version, 2);
        EXPECT_EQ(f.layer, 3);
        EXPECT_EQ(f.kbps, 32);
        EXPECT_EQ(f.rate, 22050);
        EXPECT_EQ(f.mode, 3);
        lag -= 10800;
        const bool padded = lag < 0;
        if (padded)
            lag += 22050;
        EXPECT_EQ(f.padding, padded);
        EXPECT_EQ(f.length, padded ? 105 : 104);
    }

    const Decoded d = decode(mp3);
    EXPECT_EQ(d.errors, 0);
    EXPECT_EQ(d.frames, static_cast<int>(frames.size()));
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.rate, rate);
    // Full length: the input plus the encoder's delay and the flushed tail, in whole frames.
    EXPECT_GE(d.left.size(), input.size() + 1105);
    EXPECT_LE(d.left.size(), input.size() + 1728 + 2 * 576);
    EXPECT_EQ(dominant_frequency(d.left, rate, 20000, 8192), 1000);
    EXPECT_GT(align(input, d.left, 2000, 2000).snr_db, 20.0);
}

// Every decoder applies the exact x^(4/3); an encoder whose power law bends off the curve hands
// back a distorted tone whatever bit rate it has.
TEST(Mp3EncRoundTrip, ToneAtTheVoiceNoteSettingComesBackCleanAtLoudAndQuietLevels) {
    const int rate = 22050;
    for (double amplitude : {12000.0, 600.0}) {
        const std::vector<int16_t> input = sine(1000, rate, 10 * rate, amplitude);
        const Decoded d = decode(encode(input, {}, rate, 1, 32));
        // The delay (576 + 529) is found again; a 1 kHz tone repeats every 441 samples.
        const Alignment a = align(input, d.left, 1500, 2000);
        EXPECT_EQ(a.lag % 441, 1105 % 441) << amplitude;
        EXPECT_GE(a.snr_db, 50.0) << amplitude;
    }
}

TEST(Mp3EncRoundTrip, SilenceDecodesToSilenceWithEmptyGranules) {
    const std::vector<int16_t> input(22050 * 2, 0);
    const std::vector<uint8_t> mp3 = encode(input, {}, 22050, 1, 32);
    const Decoded d = decode(mp3);
    EXPECT_EQ(d.errors, 0);
    ASSERT_GT(d.left.size(), input.size());
    for (int16_t s : d.left)
        ASSERT_EQ(s, 0);
    // Every granule is empty: side information reads part2_3_length 0 and big_values 0.
    std::vector<Header> frames;
    ASSERT_TRUE(walk_frames(mp3, frames));
    size_t at = 0;
    for (const Header& f : frames) {
        const uint8_t* side = mp3.data() + at + 4;
        const int part2_3_length = ((side[1] & 0x7F) << 5) | (side[2] >> 3);
        EXPECT_EQ(part2_3_length, 0);
        at += static_cast<size_t>(f.length);
    }
}

TEST(Mp3EncRoundTrip, StereoAt32kbpsIsResampledToMpeg25JointStereoAndKeepsChannelsApart) {
    const int rate = 44100;
    const std::vector<int16_t> left = sine(440, rate, 4 * rate, 10000);
    const std::vector<int16_t> right = sine(1320, rate, 4 * rate, 10000);
    const std::vector<uint8_t> mp3 = encode(left, right, rate, 2, 32);
    std::vector<Header> frames;
    ASSERT_TRUE(walk_frames(mp3, frames));
    for (const Header& f : frames) {
        EXPECT_EQ(f.version, 25);
        EXPECT_EQ(f.rate, 11025);
        EXPECT_EQ(f.kbps, 32);
        EXPECT_EQ(f.mode, 1);            // joint stereo
        EXPECT_EQ(f.mode_extension, 2);  // mid/side on, intensity off
    }
    const Decoded d = decode(mp3);
    EXPECT_EQ(d.errors, 0);
    EXPECT_EQ(d.channels, 2);
    ASSERT_GE(d.left.size(), static_cast<size_t>(4 * 11025));
    EXPECT_EQ(dominant_frequency(d.left, 11025, 11025, 8192), 440);
    EXPECT_EQ(dominant_frequency(d.right, 11025, 11025, 8192), 1320);
    // Each channel's tone stays out of the other channel.
    const Decoded left_only = decode(encode(left, std::vector<int16_t>(left.size(), 0), rate, 2, 32));
    EXPECT_LT(rms(left_only.right, 11025, 22050), 0.05 * rms(left_only.left, 11025, 22050));
}

TEST(Mp3EncRoundTrip, StereoAt128kbpsIsMpeg1WithAGoodSignalToNoiseRatio) {
    const int rate = 44100;
    const std::vector<int16_t> left = sine(1000, rate, 3 * rate, 12000);
    const std::vector<int16_t> right = sine(2500, rate, 3 * rate, 9000, 1.0);
    const std::vector<uint8_t> mp3 = encode(left, right, rate, 2, 128);
    std::vector<Header> frames;
    ASSERT_TRUE(walk_frames(mp3, frames));
    for (const Header& f : frames) {
        EXPECT_EQ(f.version, 1);
        EXPECT_EQ(f.length, f.padding ? 418 : 417);
    }
    const Decoded d = decode(mp3);
    EXPECT_EQ(d.errors, 0);
    EXPECT_GT(align(left, d.left, 1200, 4000).snr_db, 20.0);
    EXPECT_GT(align(right, d.right, 1200, 4000).snr_db, 20.0);
}

// Every output rate (its scale-factor bands set the region boundaries) decodes a broadband signal.
TEST(Mp3EncRoundTrip, EveryOutputRateDecodesABroadbandSignal) {
    struct Case {
        int rate;
        int kbps;
    };
    for (const Case c : {Case{8000, 32}, Case{11025, 48}, Case{12000, 48}, Case{16000, 64}, Case{22050, 96},
                         Case{24000, 96}, Case{32000, 128}, Case{44100, 160}, Case{48000, 160}}) {
        std::vector<int16_t> input(static_cast<size_t>(c.rate * 2));
        for (size_t i = 0; i < input.size(); ++i) {
            double v = 0;
            for (int k = 1; k <= 12; ++k)
                v += 1500 * std::sin(2 * M_PI * (c.rate * 0.3 * std::pow(k / 12.0, 1.3) + 37 * std::sqrt(k)) * static_cast<double>(i) / c.rate + k);
            input[i] = static_cast<int16_t>(std::lround(v));
        }
        const Decoded d = decode(encode(input, {}, c.rate, 1, c.kbps));
        EXPECT_EQ(d.errors, 0) << c.rate;
        EXPECT_EQ(d.rate, c.rate);
        // The encoder and decoder together delay by 576 + 529 samples.
        const Alignment a = align(input, d.left, 1500, 2000);
        EXPECT_EQ(a.lag, 1105) << c.rate;
        EXPECT_GT(a.snr_db, 10.0) << c.rate;
    }
}

TEST(Mp3EncRoundTrip, InputShorterThanTheLookAheadGivesBytesOnlyAtFlush) {
    audio::Mp3EncHandle* h = audio::mp3enc_create(22050, 1, 32);
    ASSERT_NE(h, nullptr);
    const std::vector<int16_t> input = sine(1000, 22050, 576, 8000);
    std::vector<uint8_t> out(8192);
    EXPECT_EQ(audio::mp3enc_encode(h, input.data(), nullptr, 576, out.data(), 8192), 0);
    EXPECT_EQ(audio::mp3enc_encode(h, input.data(), nullptr, 0, out.data(), 8192), 0);
    const int n = audio::mp3enc_flush(h, out.data(), 8192);
    EXPECT_GT(n, 0);
    out.resize(static_cast<size_t>(n));
    EXPECT_EQ(decode(out).errors, 0);
    audio::mp3enc_destroy(h);
}

TEST(Mp3EncRoundTrip, TooSmallOutputBufferKeepsTheBytesForTheNextCall) {
    audio::Mp3EncHandle* h = audio::mp3enc_create(22050, 1, 32);
    ASSERT_NE(h, nullptr);
    const std::vector<int16_t> input = sine(1000, 22050, 22050, 8000);
    std::vector<uint8_t> out(8192);
    std::vector<uint8_t> all;
    bool refused = false;
    for (size_t i = 0; i < input.size(); i += 576) {
        const int count = static_cast<int>(std::min<size_t>(576, input.size() - i));
        int n = audio::mp3enc_encode(h, input.data() + i, nullptr, count, out.data(), 10);
        if (n < 0) {
            refused = true;
            n = audio::mp3enc_encode(h, nullptr, nullptr, 0, out.data(), 8192);
        }
        ASSERT_GE(n, 0);
        all.insert(all.end(), out.begin(), out.begin() + n);
    }
    const int n = audio::mp3enc_flush(h, out.data(), 0);
    all.insert(all.end(), out.begin(), out.begin() + n);
    audio::mp3enc_destroy(h);
    EXPECT_TRUE(refused);
    std::vector<Header> frames;
    EXPECT_TRUE(walk_frames(all, frames));
    EXPECT_EQ(decode(all).errors, 0);
}

TEST(Mp3EncRoundTrip, Mpg123DecodesWithoutWarnings) {
    if (std::system("command -v mpg123 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "mpg123 not installed";
    const std::string dir = std::getenv("CHIMELY_ROOT") ? std::getenv("CHIMELY_ROOT") : "/tmp";
    const std::string mp3_path = dir + "/sine.mp3";
    const std::string wav_path = dir + "/sine.wav";
    const std::string log_path = dir + "/mpg123.txt";
    const std::vector<uint8_t> mp3 = encode(sine(1000, 22050, 5 * 22050, 12000), {}, 22050, 1, 32);
    std::ofstream(mp3_path, std::ios::binary).write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    ASSERT_EQ(std::system(("mpg123 -w '" + wav_path + "' '" + mp3_path + "' >'" + log_path + "' 2>&1").c_str()), 0);
    std::ifstream log(log_path);
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("arning"), std::string::npos) << text;
    EXPECT_EQ(text.find("rror"), std::string::npos) << text;
    std::ifstream wav(wav_path, std::ios::binary | std::ios::ate);
    // 44-byte header plus 16-bit mono samples of every frame.
    EXPECT_GE(static_cast<long>(wav.tellg()), 44 + 2L * 5 * 22050);
}
