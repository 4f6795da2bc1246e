#include "AudioTestFiles.h"
#include "audio/FileReaderWAV.h"
#include "audio/FileWriterWAV.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

using namespace audio;
using namespace audio_test;

namespace {

std::string pcm16_mono(const std::string& chunks, uint32_t rate = 8000) {
    return wav_bytes(1, 1, rate, 2, 16, "", chunks);
}

std::string bytes_of(int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += char(i & 0xFF);
    return s;
}

class Collector : public Consumer<PCMData> {
public:
    void on_data(const PCMData& block) override { frames += block.frames(); }
    int frames = 0;
};

} // namespace

TEST(WAVWriter, RecordingMakesA44ByteHeaderAndTheData) {
    {
        FileWriterWAVPCM writer(device_path("rec.wav"), false);
        std::vector<int16_t> samples(5000, 7);
        writer.on_data(pcm_block(samples, 1, 11025));
        EXPECT_TRUE(writer.is_open());
        EXPECT_EQ(writer.bytes_written(), 10000);
        EXPECT_EQ(writer.bit_rate(), 11025 * 2 * 8);
    }
    std::string file = read_file("rec.wav");
    ASSERT_EQ(file.size(), 10044u);
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(get_u32(file, 4), file.size() - 8);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(get_u32(file, 16), 16u);
    EXPECT_EQ(get_u16(file, 20), 1);
    EXPECT_EQ(get_u16(file, 22), 1);
    EXPECT_EQ(get_u32(file, 24), 11025u);
    EXPECT_EQ(get_u32(file, 28), 22050u);
    EXPECT_EQ(get_u16(file, 32), 2);
    EXPECT_EQ(get_u16(file, 34), 16);
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(get_u32(file, 40), 10000u);
}

TEST(WAVWriter, AHugeRateFromACraftedFileDoesNotWrap) {
    // 2^31 - 1 Hz is a rate a PCM reader accepts; bytes per second no longer fit in an int.
    FileWriterWAVPCM writer(device_path("fast.wav"), false);
    writer.on_data(pcm_block({1, 2}, 2, 0x7FFFFFFF));
    EXPECT_TRUE(writer.is_open());
    EXPECT_EQ(writer.bit_rate(), INT32_MAX);
}

TEST(WAVWriter, NothingWrittenMeansNoFile) {
    { FileWriterWAVPCM writer(device_path("none.wav"), false); }
    EXPECT_FALSE(file_exists("none.wav"));
}

TEST(WAVWriter, AppendKeepsTheHeaderAndSkipsOtherFormats) {
    {
        FileWriterWAVPCM writer(device_path("a.wav"), false);
        writer.on_data(pcm_block({1, 2, 3}, 1, 8000));
    }
    {
        FileWriterWAVPCM writer(device_path("a.wav"), true);
        EXPECT_TRUE(writer.is_open());
        EXPECT_EQ(writer.bytes_written(), 6);
        writer.on_data(pcm_block({9, 9}, 2, 8000));   // stereo: skipped
        writer.on_data(pcm_block({4, 5}, 1, 8000));
    }
    std::string file = read_file("a.wav");
    EXPECT_EQ(wav_samples(file), (std::vector<int16_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(get_u32(file, 40), 10u);
    EXPECT_EQ(get_u32(file, 4), file.size() - 8);
}

TEST(WAVWriter, AppendNeverRewritesAFileThatIsNotAWAV) {
    write_file("notes.txt", "these are not samples at all, but words");
    {
        FileWriterWAVPCM writer(device_path("notes.txt"), true);
        EXPECT_FALSE(writer.is_open());
        writer.on_data(pcm_block({1, 2}, 1, 8000));
    }
    EXPECT_EQ(read_file("notes.txt"), "these are not samples at all, but words");
}

TEST(WAVWriter, AppendNeverOverwritesAChunkAfterTheData) {
    std::string original = pcm16_mono(chunk("data", bytes_of(4)) + chunk("LIST", "tags"));
    write_file("tagged.wav", original);
    {
        FileWriterWAVPCM writer(device_path("tagged.wav"), true);
        EXPECT_FALSE(writer.is_open());
        writer.on_data(pcm_block({1, 2}, 1, 8000));
    }
    EXPECT_EQ(read_file("tagged.wav"), original);
}

TEST(WAVWriter, AppendNeverRewritesAHeaderLaidOutOtherwise) {
    // The final header is written in this writer's own layout; over an 18-byte format chunk or a
    // chunk before "data" it would land on the old bytes and break the file.
    const std::vector<std::string> files = {
        wav_bytes(1, 1, 8000, 2, 16, u16(0), chunk("data", bytes_of(4))),
        pcm16_mono(chunk("LIST", "tags") + chunk("data", bytes_of(4))),
    };
    for (size_t i = 0; i < files.size(); ++i) {
        write_file("other.wav", files[i]);
        {
            FileWriterWAVPCM writer(device_path("other.wav"), true);
            EXPECT_FALSE(writer.is_open()) << i;
            writer.on_data(pcm_block({1, 2}, 1, 8000));
        }
        EXPECT_EQ(read_file("other.wav"), files[i]) << i;
        EXPECT_TRUE(FileReaderWAVPCM(device_path("other.wav")).is_valid()) << i;
    }
}

TEST(WAVWriter, AppendToACutOffFileStartsAtAWholeFrame) {
    // The header claims 1 MB, the file holds 3 frames and a half: new frames go after the whole ones.
    write_file("cut.wav", pcm16_mono("data" + u32(1000000) + bytes_of(7)));
    {
        FileWriterWAVPCM writer(device_path("cut.wav"), true);
        EXPECT_TRUE(writer.is_open());
        EXPECT_EQ(writer.bytes_written(), 6);
        writer.on_data(pcm_block({0x0A0B, 0x0C0D}, 1, 8000));
    }
    std::string file = read_file("cut.wav");
    EXPECT_EQ(file.size(), 44u + 10u);
    EXPECT_EQ(get_u32(file, 40), 10u);
    EXPECT_EQ(get_u32(file, 4), file.size() - 8);
    EXPECT_EQ(wav_samples(file), (std::vector<int16_t>{0x0100, 0x0302, 0x0504, 0x0A0B, 0x0C0D}));
}

TEST(WAVReader, ReadsSamplesPositionsAndTimes) {
    write_file("r.wav", pcm16_mono(chunk("data", bytes_of(16000))));
    FileReaderWAVPCM reader(device_path("r.wav"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(reader.channels(), 1);
    EXPECT_EQ(reader.bits_per_sample(), 16);
    EXPECT_EQ(reader.sample_rate(), 8000);
    EXPECT_EQ(reader.bit_rate(), 128000);
    EXPECT_EQ(reader.length(), 16000);
    EXPECT_DOUBLE_EQ(reader.length_time(), 1.0);
    EXPECT_EQ(reader.position_of_time(0.5), 8000);
    // Wild times are clamped, never overflowed: whole frames, NaN as the start.
    EXPECT_GT(reader.position_of_time(1e30), 0);
    EXPECT_EQ(reader.position_of_time(1e30) % 2, 0);
    EXPECT_LT(reader.position_of_time(-1e30), 0);
    EXPECT_EQ(reader.position_of_time(std::nan("")), 0);
    PCMData block;
    reader.get_data(block, 3);
    ASSERT_EQ(block.length(), 6);
    EXPECT_EQ(block.buffer.data()[5], 5);
    EXPECT_EQ(reader.position(), 6);
    reader.set_position(101);   // rounded down to a frame
    EXPECT_EQ(reader.position(), 100);
    reader.set_position(-5);
    EXPECT_EQ(reader.position(), 0);
    reader.set_position(1 << 30);
    EXPECT_EQ(reader.position(), 16000);
    EXPECT_TRUE(reader.is_end());
    reader.get_data(block, 10);
    EXPECT_TRUE(block.empty());
}

TEST(WAVReader, TransferPushesTheAmountInPieces) {
    write_file("t.wav", pcm16_mono(chunk("data", bytes_of(30000))));
    FileReaderWAVPCM reader(device_path("t.wav"));
    Collector sink;
    connect<PCMData>(&reader, &sink);
    EXPECT_TRUE(reader.transfer(24000));
    EXPECT_EQ(sink.frames, 12000);
    EXPECT_FALSE(reader.transfer(8000));   // only 3000 frames left
    EXPECT_EQ(sink.frames, 15000);
}

TEST(WAVReader, EighteenByteFormatAndChunksBeforeTheData) {
    std::string chunks = chunk("LIST", "abc") + chunk("junk", bytes_of(10)) + chunk("data", bytes_of(8));
    write_file("x.wav", wav_bytes(1, 2, 22050, 4, 16, u16(0), chunks));
    FileReaderWAVPCM reader(device_path("x.wav"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(reader.info().fmt_size, 18u);
    EXPECT_EQ(reader.length(), 8);
    PCMData block;
    reader.get_data(block, 10);
    ASSERT_EQ(block.frames(), 2);
    EXPECT_EQ(block.buffer.data()[0], 0);
    EXPECT_EQ(block.buffer.data()[7], 7);
}

TEST(WAVReader, HeadersThatAreNotValid) {
    const std::string data = chunk("data", bytes_of(8));
    const std::vector<std::string> files = {
        "",
        "RIFF",
        "RIFF" + u32(100) + "WAVE" + chunk("LIST", "ab") + pcm16_mono(data).substr(12),   // chunk before "fmt "
        wav_bytes(1, 1, 8000, 0, 16, "", data),       // zero block align
        wav_bytes(1, 1, 8000, 3, 16, "", data),       // block align does not match the frame
        wav_bytes(1, 0, 8000, 0, 16, "", data),       // no channels
        wav_bytes(1, 1, 0, 2, 16, "", data),          // no rate
        wav_bytes(1, 1, 8000, 2, 0, "", data),        // no bits
        wav_bytes(2, 1, 8000, 2, 16, "", data),       // not PCM
        pcm16_mono(chunk("junk", "x")),               // no data chunk
        pcm16_mono(data).substr(0, 30),               // cut in the format
    };
    for (size_t i = 0; i < files.size(); ++i) {
        write_file("bad.wav", files[i]);
        FileReaderWAVPCM reader(device_path("bad.wav"));
        EXPECT_FALSE(reader.is_valid()) << i;
        EXPECT_TRUE(reader.is_end()) << i;
        EXPECT_EQ(reader.length(), 0) << i;
        PCMData block;
        reader.get_data(block, 100);
        EXPECT_TRUE(block.empty()) << i;
    }
    FileReaderWAVPCM missing(device_path("missing.wav"));
    EXPECT_FALSE(missing.is_valid());
}

TEST(WAVReader, CraftedSizesEndQuickly) {
    auto start = std::chrono::steady_clock::now();
    // A chunk size that wraps a 32-bit position back to the start of the file.
    std::string wrapping = pcm16_mono("junk" + u32(0xFFFFFFF8u) + chunk("data", bytes_of(4)));
    write_file("wrap.wav", wrapping);
    EXPECT_FALSE(FileReaderWAVPCM(device_path("wrap.wav")).is_valid());
    // fmt size near 4 GiB.
    std::string huge_fmt = pcm16_mono(chunk("data", bytes_of(4)));
    huge_fmt.replace(16, 4, u32(0xFFFFFFF0u));
    write_file("fmt.wav", huge_fmt);
    EXPECT_FALSE(FileReaderWAVPCM(device_path("fmt.wav")).is_valid());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(WAVReader, OddChunkIsFollowedByAPadByte) {
    write_file("pad.wav", pcm16_mono(chunk("junk", "abc") + chunk("data", bytes_of(4))));
    FileReaderWAVPCM reader(device_path("pad.wav"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(reader.length(), 4);
}

TEST(WAVReader, LengthIsWhatTheFileHolds) {
    // data_size claims 1 MB, the file holds 7 bytes: 3 whole frames.
    write_file("cut.wav", pcm16_mono("data" + u32(1000000) + bytes_of(7)));
    FileReaderWAVPCM reader(device_path("cut.wav"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(reader.length(), 6);
    PCMData block;
    reader.get_data(block, 100);
    EXPECT_EQ(block.frames(), 3);
    reader.get_data(block, 100);
    EXPECT_TRUE(block.empty());
    EXPECT_TRUE(reader.is_end());
}
