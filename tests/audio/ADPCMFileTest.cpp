#include "AudioTestFiles.h"
#include "audio/DecoderADPCM.h"
#include "audio/EncoderADPCM.h"
#include "audio/FileReaderWAVADPCM.h"
#include "audio/FileWriterWAVADPCM.h"
#include "audio/PlayChain.h"
#include "audio/RecordChain.h"

#include <gtest/gtest.h>

using namespace audio;
using namespace audio_test;

namespace {

class BlockCollector : public Consumer<ADPCMData> {
public:
    void on_data(const ADPCMData& block) override { blocks.push_back(block); }
    std::vector<ADPCMData> blocks;
};

std::vector<int16_t> decode_all(const std::wstring& path) {
    auto chain = open_play_chain(path);
    std::vector<int16_t> out;
    if (!chain) return out;
    for (;;) {
        PCMData block;
        chain->provider()->get_data(block, 4096);
        if (block.empty()) break;
        std::vector<int16_t> s = samples_of(block);
        out.insert(out.end(), s.begin(), s.end());
    }
    return out;
}

void record(const std::string& name, const std::string& format, const std::vector<int16_t>& samples, int channels,
            int rate) {
    auto chain = create_record_chain(device_path(name), std::wstring(format.begin(), format.end()), 0, 0, 0, 0, false);
    ASSERT_TRUE(chain);
    // In pieces of 777 frames, as a recorder would hand them on.
    for (size_t at = 0; at < samples.size(); at += 777 * channels) {
        size_t n = std::min<size_t>(777 * channels, samples.size() - at);
        chain->consumer()->on_data(pcm_block(std::vector<int16_t>(samples.begin() + at, samples.begin() + at + n),
                                             channels, rate));
    }
}

} // namespace

TEST(EncoderADPCM, SilenceIsCodedWithPredictorZeroAndTheBitRateFollowsTheFormat) {
    EncoderADPCM encoder;
    BlockCollector sink;
    connect<ADPCMData>(&encoder, &sink);
    EXPECT_EQ(encoder.bit_rate(), 0);
    encoder.on_data(pcm_block(std::vector<int16_t>(1012, 0), 1, 22050));
    ASSERT_EQ(sink.blocks.size(), 1u);
    EXPECT_EQ(sink.blocks[0].block_align, 512);
    EXPECT_EQ(sink.blocks[0].length(), 512);
    EXPECT_EQ(sink.blocks[0].buffer.data()[0], 0);
    EXPECT_EQ(encoder.bit_rate(), 512 * 8 * 22050 / 1012);
}

TEST(EncoderADPCM, ChoosesThePredictorThatErrsLeast) {
    // A straight ramp is predicted exactly by (512, -256): 2 x previous - the one before.
    std::vector<int16_t> ramp(500);
    for (int i = 0; i < 500; ++i) ramp[i] = int16_t(i * 20 - 5000);
    EncoderADPCM encoder;
    BlockCollector sink;
    connect<ADPCMData>(&encoder, &sink);
    encoder.on_data(pcm_block(ramp, 1, 8000));
    ASSERT_EQ(sink.blocks.size(), 1u);
    EXPECT_EQ(sink.blocks[0].buffer.data()[0], 1);
}

TEST(EncoderADPCM, RefusesOtherThan16BitMonoOrStereo) {
    EncoderADPCM encoder;
    BlockCollector sink;
    connect<ADPCMData>(&encoder, &sink);
    PCMData eight = pcm_block(std::vector<int16_t>(2000, 0), 1, 8000);
    eight.bits_per_sample = 8;
    encoder.on_data(eight);
    encoder.on_data(pcm_block(std::vector<int16_t>(3000, 0), 3, 8000));
    EXPECT_TRUE(sink.blocks.empty());
}

TEST(ADPCMFile, RecordingWritesWholeBlocksBehindA90ByteHeader) {
    record("a.wav", "ADPCM", sine(1500, 1, 22050), 1, 22050);
    std::string file = read_file("a.wav");
    ASSERT_EQ(file.size(), 90u + 512u);
    EXPECT_EQ(get_u32(file, 16), 50u);
    EXPECT_EQ(get_u16(file, 20), 2);
    EXPECT_EQ(get_u16(file, 32), 512);
    EXPECT_EQ(get_u16(file, 34), 4);
    EXPECT_EQ(get_u16(file, 36), 32);
    EXPECT_EQ(get_u16(file, 38), 1012);
    EXPECT_EQ(get_u16(file, 40), 7);
    EXPECT_EQ(get_u16(file, 42), 256);
    EXPECT_EQ(int16_t(get_u16(file, 68)), -232);
    EXPECT_EQ(file.substr(70, 4), "fact");
    EXPECT_EQ(get_u32(file, 78), 1012u);
    EXPECT_EQ(file.substr(82, 4), "data");
    EXPECT_EQ(get_u32(file, 86), 512u);
    EXPECT_EQ(get_u32(file, 4), file.size() - 8);

    FileReaderWAVADPCM reader(device_path("a.wav"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(reader.length(), 1);
    EXPECT_EQ(reader.bit_rate(), 512 * 22050 / 1012 * 8);
}

TEST(ADPCMFile, StereoSineRoundTripsThroughTheFile) {
    std::vector<int16_t> in = sine(2036 * 4, 2, 44100);
    record("s.wav", "ADPCM", in, 2, 44100);
    std::vector<int16_t> out = decode_all(device_path("s.wav"));
    ASSERT_EQ(out.size(), in.size());
    double signal = 0, noise = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        signal += double(in[i]) * in[i];
        noise += double(in[i] - out[i]) * (in[i] - out[i]);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 40.0);
}

TEST(ADPCMFile, ABadPredictorSilencesOnlyItsBlock) {
    record("p.wav", "ADPCM", sine(500 * 3, 1, 8000), 1, 8000);
    std::vector<int16_t> good = decode_all(device_path("p.wav"));
    std::string file = read_file("p.wav");
    file[90 + 256] = 7;   // predictor of the second block
    write_file("p.wav", file);
    std::vector<int16_t> out = decode_all(device_path("p.wav"));
    ASSERT_EQ(out.size(), 1500u);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(out[i], good[i]);
    for (int i = 500; i < 1000; ++i) ASSERT_EQ(out[i], 0) << i;
    for (int i = 1000; i < 1500; ++i) EXPECT_EQ(out[i], good[i]);
}

TEST(ADPCMFile, PositionsAreBlocks) {
    record("b.wav", "ADPCM", sine(500 * 10, 1, 8000), 1, 8000);
    FileReaderWAVADPCM reader(device_path("b.wav"));
    ASSERT_EQ(reader.length(), 10);
    EXPECT_EQ(reader.position_of_time(0.5), 8);
    EXPECT_DOUBLE_EQ(reader.time_of_position(8), 0.5);
    reader.set_position(20);
    EXPECT_EQ(reader.position(), 10);
    EXPECT_TRUE(reader.is_end());
    reader.set_position(3);
    ADPCMData block;
    reader.get_data(block, 100);
    EXPECT_EQ(block.length(), 7 * 256);
    EXPECT_EQ(block.block_align, 256);
    EXPECT_EQ(reader.position(), 10);
}

TEST(ADPCMFile, HeadersThatAreNotValid) {
    record("v.wav", "ADPCM", sine(500, 1, 8000), 1, 8000);
    const std::string good = read_file("v.wav");
    auto with = [&](size_t at, const std::string& bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    const std::vector<std::string> files = {
        with(34, u16(8)),        // 8 bits per sample
        with(40, u16(5)),        // 5 coefficients
        with(40, u16(60000)),    // a count far past the chunk
        with(32, u16(0)),        // zero block align
        with(32, u16(7)),        // no room for a coded byte
        with(38, u16(1)),        // fewer than 2 samples per block
        with(24, u32(0)),        // no rate
        with(22, u16(3)),        // 3 channels
        with(16, u32(20)),       // format chunk too short for the coefficients
    };
    for (size_t i = 0; i < files.size(); ++i) {
        write_file("bad.wav", files[i]);
        FileReaderWAVADPCM reader(device_path("bad.wav"));
        EXPECT_FALSE(reader.is_valid()) << i;
        EXPECT_FALSE(open_play_chain(device_path("bad.wav"))) << i;
    }
}

TEST(ADPCMFile, DecodesLikeAnIndependentDecoder) {
    if (!have_sox()) GTEST_SKIP() << "sox is not installed";
    for (int channels : {1, 2}) {
        record("i.wav", "ADPCM", sine(22050, channels, 22050, 20000), channels, 22050);
        std::vector<int16_t> ours = decode_all(device_path("i.wav"));
        std::string command = "sox -D " + linux_path("i.wav") + " -e signed-integer -b 16 " + linux_path("o.wav");
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::vector<int16_t> theirs = wav_samples(read_file("o.wav"));
        ASSERT_EQ(ours.size(), theirs.size()) << channels;
        int differing = 0;
        for (size_t i = 0; i < ours.size(); ++i) differing += ours[i] != theirs[i];
        EXPECT_EQ(differing, 0) << channels;
    }
}
