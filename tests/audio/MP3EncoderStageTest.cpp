#include "AudioTestFiles.h"
#include "MP3Fixtures.h"
#include "Mp3EncTestSupport.h"
#include "audio/EncoderMP3.h"
#include "audio/FileReaderWAV.h"
#include "audio/MP3PlayChain.h"
#include "audio/MP3RecordChain.h"
#include "audio/Mp3Tool.h"

#include <gtest/gtest.h>

using namespace audio;
using namespace audio_test;

namespace {

struct Collector : Consumer<MP3Data> {
    void on_data(const MP3Data& block) override {
        ++blocks;
        bytes.insert(bytes.end(), block.buffer.data(), block.buffer.data() + block.length);
    }
    int blocks = 0;
    std::vector<uint8_t> bytes;
};

PCMData bytes_block(const std::vector<uint8_t>& bytes, int channels, int bits, int rate) {
    PCMData block;
    block.buffer = liba::SharedBuffer(bytes.size(), bytes.data());
    block.channels = channels;
    block.bits_per_sample = bits;
    block.sample_rate = rate;
    return block;
}

// Pushes the samples in blocks of block_samples.
void push(EncoderMP3& stage, const std::vector<int16_t>& samples, int channels, int rate, size_t block_samples) {
    for (size_t at = 0; at < samples.size(); at += block_samples) {
        std::vector<int16_t> part(samples.begin() + at, samples.begin() + std::min(samples.size(), at + block_samples));
        stage.on_data(pcm_block(part, channels, rate));
    }
}

} // namespace

TEST(EncoderMP3, EachWholeFrameOfInputGivesOneBlock) {
    EncoderMP3 stage(32000);
    EXPECT_EQ(stage.bit_rate(), 32000);
    Collector sink;
    connect<MP3Data>(&stage, &sink);
    // 1000 + 2000 bytes: two frames of 1152 bytes, 696 bytes stay staged.
    stage.on_data(bytes_block(std::vector<uint8_t>(1000), 1, 16, 22050));
    EXPECT_EQ(sink.blocks, 0);
    stage.on_data(bytes_block(std::vector<uint8_t>(2000), 1, 16, 22050));
    EXPECT_EQ(sink.blocks, 2);
    // 696 + 456 is exactly one frame: it waits for the next block.
    stage.on_data(bytes_block(std::vector<uint8_t>(456), 1, 16, 22050));
    EXPECT_EQ(sink.blocks, 2);
    stage.on_data(bytes_block(std::vector<uint8_t>(2), 1, 16, 22050));
    EXPECT_EQ(sink.blocks, 3);
    MP3Data pulled;
    stage.get_data(pulled, 1);
    EXPECT_TRUE(pulled.empty());
}

TEST(EncoderMP3, UnusableBlocksAreIgnored) {
    EncoderMP3 stage(32000);
    Collector sink;
    connect<MP3Data>(&stage, &sink);
    stage.on_data(bytes_block(std::vector<uint8_t>(9000), 3, 16, 22050));
    stage.on_data(bytes_block(std::vector<uint8_t>(9000), 1, 24, 22050));
    stage.on_data(bytes_block(std::vector<uint8_t>(9000), 1, 12, 22050));
    stage.on_data(bytes_block(std::vector<uint8_t>(9000), 1, 16, 0));
    stage.on_data(PCMData());
    EXPECT_EQ(sink.blocks, 0);
}

TEST(EncoderMP3, EightBitSamplesAreWidenedAroundTheirMiddle) {
    std::vector<uint8_t> narrow(1152 * 3);
    std::vector<int16_t> wide(narrow.size());
    for (size_t i = 0; i < narrow.size(); ++i) {
        narrow[i] = uint8_t(i % 3 == 0 ? 0 : i % 3 == 1 ? 128 : 255);
        wide[i] = int16_t((narrow[i] - 128) * 256);
    }
    EXPECT_EQ(wide[0], -32768);
    EXPECT_EQ(wide[2], 32512);
    Collector from8, from16;
    {
        EncoderMP3 a(32000), b(32000);
        connect<MP3Data>(&a, &from8);
        connect<MP3Data>(&b, &from16);
        a.on_data(bytes_block(narrow, 1, 8, 22050));
        b.on_data(pcm_block(wide, 1, 22050));
    }
    ASSERT_FALSE(from8.bytes.empty());
    EXPECT_EQ(from8.bytes, from16.bytes);
}

TEST(EncoderMP3, TheEndOfTheStageKeepsTheLastFractionOfASecond) {
    const int rate = 22050;
    auto input = mp3test::sine(1000, rate, rate, 12000);
    Collector sink;
    {
        EncoderMP3 stage(32000);
        connect<MP3Data>(&stage, &sink);
        push(stage, input, 1, rate, 500);
    }
    std::vector<mp3test::Header> headers;
    ASSERT_TRUE(mp3test::walk_frames(sink.bytes, headers));
    ASSERT_FALSE(headers.empty());
    EXPECT_EQ(headers[0].version, 2);
    EXPECT_EQ(headers[0].length, 104);
    mp3test::Decoded decoded = mp3test::decode(sink.bytes);
    EXPECT_EQ(decoded.errors, 0);
    ASSERT_GE(decoded.left.size(), input.size());
    auto a = mp3test::align(input, decoded.left, 2000, 600);
    EXPECT_GT(a.snr_db, 10);
    // The last tenth of a second is there.
    EXPECT_NEAR(mp3test::dominant_frequency(decoded.left, rate, input.size() - rate / 10 + a.lag, rate / 10 - 600),
                1000, 20);
}

TEST(EncoderMP3, AFormatChangeEndsOneStreamAndStartsAnother) {
    Collector sink;
    {
        EncoderMP3 stage(32000);
        connect<MP3Data>(&stage, &sink);
        push(stage, mp3test::sine(1000, 22050, 22050 / 2, 12000), 1, 22050, 1000);
        auto next = mp3test::sine(500, 16000, 8000, 12000);
        push(stage, std::vector<int16_t>(next.begin(), next.begin() + 500), 1, 16000, 500);   // staged only
        const size_t first_stream = sink.bytes.size();
        push(stage, std::vector<int16_t>(next.begin() + 500, next.end()), 1, 16000, 1000);
        std::vector<uint8_t> first(sink.bytes.begin(), sink.bytes.begin() + std::ptrdiff_t(first_stream));
        // By the time the new format arrives, the old stream is complete.
        mp3test::Decoded d = mp3test::decode(first);
        EXPECT_GE(d.left.size(), size_t(22050 / 2));
        EXPECT_EQ(d.rate, 22050);
    }
    std::vector<mp3test::Header> headers;
    ASSERT_TRUE(mp3test::walk_frames(sink.bytes, headers));
    EXPECT_EQ(headers.front().rate, 22050);
    EXPECT_EQ(headers.back().rate, 16000);
}

TEST(EncoderMP3, ARefusedBitRateDropsEverything) {
    Collector sink;
    {
        EncoderMP3 stage(7000);
        connect<MP3Data>(&stage, &sink);
        push(stage, mp3test::sine(1000, 22050, 22050, 12000), 1, 22050, 1000);
    }
    EXPECT_EQ(sink.blocks, 0);
}

TEST(RecordChainMP3, RecordsAFileThatPlaysBack) {
    const int rate = 22050;
    auto input = mp3test::sine(1000, rate, rate * 2, 12000);
    {
        auto chain = create_record_chain_mp3(device_path("note.mp3"), 32000, false);
        EXPECT_EQ(chain->format_name(), L"mp3");
        EXPECT_EQ(chain->encoder()->bit_rate(), 32000);
        EXPECT_FALSE(chain->append_from_wav_pcm(nullptr));
        chain->consumer()->on_data(pcm_block(input, 1, rate));
        EXPECT_TRUE(chain->file_writer()->is_open());
    }
    auto play = open_play_chain_mp3(device_path("note.mp3"));
    ASSERT_TRUE(play);
    EXPECT_EQ(play->reader()->sample_rate(), rate);
    EXPECT_EQ(play->reader()->channels(), 1);
    EXPECT_NEAR(play->reader()->length_time(), 2.0, 0.15);
}

TEST(RecordChainMP3, NothingEncodedLeavesNoFile) {
    create_record_chain_mp3(device_path("none.mp3"), 32000, false).reset();
    EXPECT_FALSE(file_exists("none.mp3"));
    {
        auto chain = create_record_chain_mp3(device_path("refused.mp3"), 7000, false);
        chain->consumer()->on_data(pcm_block(std::vector<int16_t>(50000), 1, 22050));
    }
    EXPECT_FALSE(file_exists("refused.mp3"));
}

TEST(Mp3Tool, InfoListsEveryFrameAndTheTotals) {
    using namespace mp3_fixture;
    write_file("i.mp3", std::string(10, 'j') + mpeg2_frame() + mpeg2_frame(true) + mpeg2_frame());
    EXPECT_EQ(mp3_info_text(device_path("i.mp3")),
              "0 version=2 layer=3 rate=22050 kbps=32 padding=0 length=104\n"
              "1 version=2 layer=3 rate=22050 kbps=32 padding=1 length=105\n"
              "2 version=2 layer=3 rate=22050 kbps=32 padding=0 length=104\n"
              "frames=3 bytes=313 samples=1728 seconds=0.078 kbps=32.0\n");
    write_file("no.mp3", "nothing");
    EXPECT_EQ(mp3_info_text(device_path("no.mp3")), "");
}

TEST(Mp3Tool, EncodeTurnsAWavFileIntoVoiceNoteFrames) {
    const int rate = 22050;
    auto input = mp3test::sine(1000, rate, rate, 12000);
    std::string data(reinterpret_cast<const char*>(input.data()), input.size() * 2);
    write_file("in.wav", wav_bytes(1, 1, rate, 2, 16, "", chunk("data", data)));
    EXPECT_EQ(encode_to_mp3(device_path("in.wav"), device_path("out.mp3"), 32), "");
    std::string info = mp3_info_text(device_path("out.mp3"));
    EXPECT_EQ(info.rfind("0 version=2 layer=3 rate=22050 kbps=32 padding=0 length=104\n", 0), 0u);
    // 32 kbit/s at 22050 Hz is 104.49 bytes a frame: the padded frames make up the half byte.
    const size_t frames = size_t(std::count(info.begin(), info.end(), '\n') - 1);
    size_t plain = 0, with_padding = 0;
    for (size_t at = 0; (at = info.find("length=", at)) != std::string::npos; ++at)
        (info.compare(at, 11, "length=104\n") == 0 ? plain : with_padding) += 1;
    EXPECT_EQ(plain + with_padding, frames);
    EXPECT_NEAR(double(with_padding) / frames, 0.49, 0.05);
    EXPECT_EQ(info.find("padding=1 length=104"), std::string::npos);
    EXPECT_EQ(info.find("padding=0 length=105"), std::string::npos);

    EXPECT_EQ(encode_to_mp3(device_path("in.wav"), device_path("bad.mp3"), 7), "cannot be encoded at 7 kbit/s");
    EXPECT_FALSE(file_exists("bad.mp3"));
    EXPECT_EQ(encode_to_mp3(device_path("missing.wav"), device_path("x.mp3"), 32),
              "not a sound file this program can play");
}

TEST(RecordChainMP3, TheFactoriesReachTheMp3Rows) {
    {
        auto record = create_record_chain(device_path("f.mp3"), L"mp3", 1, 16, 22050, 32000, false);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->format_name(), L"mp3");
        EXPECT_EQ(record->encoder()->bit_rate(), 32000);
        record->consumer()->on_data(pcm_block(mp3test::sine(1000, 22050, 22050, 12000), 1, 22050));
    }
    EXPECT_FALSE(create_record_chain(device_path("g.mp3"), L"MP3", 1, 16, 22050, 32000, false));
    auto play = open_play_chain(device_path("f.mp3"));
    ASSERT_TRUE(play);
    EXPECT_EQ(play->format_name(), L"mp3");
    auto again = create_record_chain(device_path("h.mp3"), L"mp3", 0, 0, 0, 32000, false);
    EXPECT_TRUE(play->visit(*again));
    EXPECT_FALSE(open_play_chain(device_path("missing.mp3")));
}
