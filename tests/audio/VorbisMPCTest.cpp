#include "AudioTestFiles.h"
#include "audio/DecoderMPC.h"
#include "audio/DecoderVorbis.h"
#include "audio/PlayChain.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

using namespace audio;
using namespace audio_test;

namespace {

bool make_ogg(const std::string& name, const std::string& synth) {
    std::string command = "sox -n -r 22050 -c 2 " + linux_path(name) + " synth " + synth + " 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

std::vector<int16_t> pull_all(Provider<PCMData>& provider, int frames) {
    std::vector<int16_t> out;
    for (PCMData block;;) {
        provider.get_data(block, frames);
        if (block.empty()) break;
        std::vector<int16_t> s = samples_of(block);
        out.insert(out.end(), s.begin(), s.end());
    }
    return out;
}

} // namespace

TEST(DecoderVorbis, DecodesWithinOneStepOfAnIndependentDecoder) {
    if (!have_sox() || !make_ogg("v.ogg", "1 sine 440 sine 660")) GTEST_SKIP() << "sox cannot write Ogg Vorbis here";
    DecoderVorbis decoder(device_path("v.ogg"));
    ASSERT_TRUE(decoder.is_valid());
    EXPECT_EQ(decoder.channels(), 2);
    EXPECT_EQ(decoder.sample_rate(), 22050);
    EXPECT_EQ(decoder.bits_per_sample(), 16);
    EXPECT_GT(decoder.bit_rate(), 0);
    EXPECT_EQ(decoder.length(), 22050);
    EXPECT_EQ(decoder.position_of_time(0.5), 11025);

    PCMData block;
    decoder.get_data(block, 16384);
    EXPECT_GT(block.frames(), 0);
    EXPECT_LE(block.frames(), 8192);
    decoder.set_position(0);
    std::vector<int16_t> ours = pull_all(decoder, 16384);
    EXPECT_TRUE(decoder.is_end());

    std::string command = "sox -D " + linux_path("v.ogg") + " -e signed-integer -b 16 " + linux_path("o.wav");
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<int16_t> theirs = wav_samples(read_file("o.wav"));
    ASSERT_EQ(ours.size(), theirs.size());
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(ours[i] - theirs[i]));
    EXPECT_LE(worst, 1);
}

TEST(DecoderVorbis, BrokenStreamsEndCleanly) {
    if (!have_sox() || !make_ogg("v.ogg", "2 sine 440")) GTEST_SKIP() << "sox cannot write Ogg Vorbis here";
    const std::string good = read_file("v.ogg");
    auto start = std::chrono::steady_clock::now();
    std::mt19937 random(5);
    std::string noise(good.size(), '\0');
    for (char& c : noise) c = char(random());
    std::string holed = good;
    for (size_t i = good.size() / 3; i < good.size() / 3 + 2000; ++i) holed[i] = char(random());
    for (const std::string& bytes : {good.substr(0, good.size() / 2), good.substr(0, 100), noise, holed,
                                     std::string()}) {
        write_file("b.ogg", bytes);
        DecoderVorbis decoder(device_path("b.ogg"));
        if (!decoder.is_valid()) {
            EXPECT_TRUE(decoder.is_end());
            EXPECT_EQ(decoder.length(), 0);
        }
        pull_all(decoder, 4096);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(DecoderMPC, DecodesWithinOneStepOfAnIndependentDecoder) {
    // 1.3 s: the stream does not end on a whole frame.
    const std::string wav = linux_path("s.wav"), mpc = linux_path("s.mpc"), theirs_path = linux_path("m.wav");
    if (!have_sox() || std::system(("sox -n -r 44100 -c 2 -b 16 " + wav + " synth 1.3 sine 440 sine 660").c_str()) ||
        std::system(("mpcenc --silent --overwrite " + wav + " " + mpc + " >/dev/null 2>&1").c_str()))
        GTEST_SKIP() << "sox or mpcenc is not installed";
    ASSERT_EQ(std::system(("mpcdec " + mpc + " " + theirs_path + " >/dev/null 2>&1").c_str()), 0);
    DecoderMPC decoder(device_path("s.mpc"));
    ASSERT_TRUE(decoder.is_valid());
    EXPECT_EQ(decoder.channels(), 2);
    EXPECT_EQ(decoder.sample_rate(), 44100);
    EXPECT_EQ(decoder.length(), 57330);
    std::vector<int16_t> ours = pull_all(decoder, 16384);
    EXPECT_TRUE(decoder.is_end());
    std::vector<int16_t> theirs = wav_samples(read_file("m.wav"));
    ASSERT_EQ(ours.size(), theirs.size());
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(ours[i] - theirs[i]));
    EXPECT_LE(worst, 1);
    // A seek lands where asked and drops what was pending.
    PCMData block;
    decoder.set_position(0);
    decoder.get_data(block, 10);
    decoder.set_position(44100);
    EXPECT_EQ(decoder.position(), 44100);
    EXPECT_EQ(int(pull_all(decoder, 4096).size()), (57330 - 44100) * 2);
}

TEST(DecoderMPC, SamplesScaleTo16BitsAndSaturate) {
    EXPECT_EQ(mpc_fixed_to_16((1 << 29) - 1), 32767);
    EXPECT_EQ(mpc_fixed_to_16(1 << 29), 32767);
    EXPECT_EQ(mpc_fixed_to_16(-(1 << 29) - 1), -32768);
    EXPECT_EQ(mpc_fixed_to_16(-(1 << 29)), -32768);
    EXPECT_EQ(mpc_fixed_to_16(1 << 14), 1);
    EXPECT_EQ(mpc_fixed_to_16(-1), -1);
    EXPECT_EQ(mpc_float_to_fixed(0.5f), 1 << 28);
    EXPECT_EQ(mpc_float_to_fixed(-1.0f), -(1 << 29));
    EXPECT_EQ(mpc_float_to_fixed(100.0f), INT32_MAX);
    EXPECT_EQ(mpc_fixed_to_16(mpc_float_to_fixed(-100.0f)), -32768);
}

TEST(DecoderMPC, FilesItCannotReadAreNotValid) {
    std::mt19937 random(9);
    std::string noise(20000, '\0');
    for (char& c : noise) c = char(random());
    auto start = std::chrono::steady_clock::now();
    // Stream-version 7 and 8 signatures followed by junk, plain junk, nothing.
    for (const std::string& bytes : {std::string("MP+\x17") + noise, std::string("MPCK") + noise.substr(0, 40),
                                     noise, std::string("MPCK"), std::string()}) {
        write_file("m.mpc", bytes);
        DecoderMPC decoder(device_path("m.mpc"));
        if (!decoder.is_valid()) {
            EXPECT_TRUE(decoder.is_end());
            EXPECT_EQ(decoder.channels(), 0);
            EXPECT_EQ(decoder.sample_rate(), 0);
            EXPECT_FALSE(decoder.transfer(100));
        }
        pull_all(decoder, 4096);
        decoder.set_position(1000);
    }
    // A tiny stream-version-7 header claiming a long stream: seeking into it ends quickly.
    write_file("claim.mpc", std::string("MP+\x17") + std::string(29, '\x8a'));
    DecoderMPC claim(device_path("claim.mpc"));
    EXPECT_LE(claim.length(), 33 * 8 * 1152);
    claim.set_position(claim.length() / 2);
    pull_all(claim, 4096);
    DecoderMPC missing(device_path("missing.mpc"));
    EXPECT_FALSE(missing.is_valid());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}
