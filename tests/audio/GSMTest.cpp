#include "AudioTestFiles.h"
#include "audio/DecoderGSM.h"
#include "audio/EncoderGSM.h"
#include "audio/FileReaderWAVGSM.h"
#include "audio/PlayChain.h"
#include "audio/RecordChain.h"

#include <gtest/gtest.h>

#include <climits>

using namespace audio;
using namespace audio_test;

namespace {

void record_gsm(const std::string& name, const std::vector<int16_t>& samples, int channels = 1, int rate = 8000) {
    auto chain = create_record_chain(device_path(name), L"GSM", 0, 0, 0, 0, false);
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->format_name(), L"GSM");
    EXPECT_EQ(chain->encoder()->bit_rate(), 13000);
    chain->consumer()->on_data(pcm_block(samples, channels, rate));
}

// Counts the blocks asked for and hands out silence blocks.
class GSMSource : public Provider<GSMData> {
public:
    void get_data(GSMData& out, int blocks) override {
        requested = blocks;
        out.buffer = liba::SharedBuffer(size_t(blocks) * 65);
        out.buffer.fill(0);
    }
    int requested = 0;
};

} // namespace

TEST(GSMFile, SevenHundredSamplesMakeTwoBlocksBehindA60ByteHeader) {
    record_gsm("g.wav", sine(700, 1, 8000));
    std::string file = read_file("g.wav");
    ASSERT_EQ(file.size(), 60u + 130u);
    EXPECT_EQ(get_u32(file, 16), 20u);
    EXPECT_EQ(get_u16(file, 20), 49);
    EXPECT_EQ(get_u16(file, 22), 1);
    EXPECT_EQ(get_u32(file, 24), 8000u);
    EXPECT_EQ(get_u32(file, 28), 1625u);
    EXPECT_EQ(get_u16(file, 32), 65);
    EXPECT_EQ(get_u16(file, 34), 0);
    EXPECT_EQ(get_u16(file, 36), 2);
    EXPECT_EQ(get_u16(file, 38), 320);
    EXPECT_EQ(file.substr(40, 4), "fact");
    EXPECT_EQ(get_u32(file, 48), 640u);
    EXPECT_EQ(file.substr(52, 4), "data");
    EXPECT_EQ(get_u32(file, 56), 130u);

    FileReaderWAVGSM reader(device_path("g.wav"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(reader.length(), 2);
    EXPECT_DOUBLE_EQ(reader.length_time(), 0.08);
    EXPECT_EQ(reader.position_of_time(0.08), 2);
    auto chain = open_play_chain(device_path("g.wav"));
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->format_name(), L"GSM");
}

TEST(GSMFile, OtherInputFormatsWriteNoFile) {
    record_gsm("stereo.wav", sine(800, 2, 8000), 2, 8000);
    record_gsm("fast.wav", sine(800, 1, 22050), 1, 22050);
    EXPECT_FALSE(file_exists("stereo.wav"));
    EXPECT_FALSE(file_exists("fast.wav"));
}

TEST(GSMFile, HeadersThatAreNotValid) {
    record_gsm("v.wav", sine(640, 1, 8000));
    const std::string good = read_file("v.wav");
    auto with = [&](size_t at, const std::string& bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    for (const std::string& bad : {with(24, u32(11025)), with(32, u16(33)), with(22, u16(2)), with(38, u16(160)),
                                   with(16, u32(16))}) {
        write_file("bad.wav", bad);
        EXPECT_FALSE(FileReaderWAVGSM(device_path("bad.wav")).is_valid());
    }
}

TEST(DecoderGSM, AThousandFramesAreAskedForAsSevenBlocks) {
    GSMSource source;
    DecoderGSM decoder;
    connect<GSMData>(&source, &decoder);
    PCMData out;
    decoder.get_data(out, 1000);
    EXPECT_EQ(source.requested, 7);
    EXPECT_EQ(out.frames(), 1000);
    EXPECT_EQ(out.sample_rate, 8000);
    decoder.get_data(out, 5000);
    EXPECT_EQ(out.frames(), 2240 - 1000);   // what was pending, without asking again
    EXPECT_EQ(source.requested, 7);
}

TEST(DecoderGSM, ARequestForEverythingStillDecodes) {
    record_gsm("all.wav", sine(640, 1, 8000));
    auto chain = open_play_chain(device_path("all.wav"));
    ASSERT_TRUE(chain);
    PCMData out;
    chain->provider()->get_data(out, INT_MAX);
    EXPECT_EQ(out.frames(), 640);
}

TEST(GSMFile, DecodesLikeAnIndependentDecoder) {
    if (!have_sox()) GTEST_SKIP() << "sox is not installed";
    record_gsm("i.wav", sine(8000, 1, 8000, 12000));
    auto chain = open_play_chain(device_path("i.wav"));
    ASSERT_TRUE(chain);
    std::vector<int16_t> ours;
    for (PCMData block;;) {
        chain->provider()->get_data(block, 1000);
        if (block.empty()) break;
        std::vector<int16_t> s = samples_of(block);
        ours.insert(ours.end(), s.begin(), s.end());
    }
    EXPECT_EQ(ours.size(), 8000u);
    std::string command = "sox -D " + linux_path("i.wav") + " -e signed-integer -b 16 " + linux_path("o.wav");
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<int16_t> theirs = wav_samples(read_file("o.wav"));
    ASSERT_EQ(ours.size(), theirs.size());
    int differing = 0;
    for (size_t i = 0; i < ours.size(); ++i) differing += ours[i] != theirs[i];
    EXPECT_EQ(differing, 0);
}
