#include "AudioTestFiles.h"
#include "MP3Fixtures.h"
#include "audio/FileReaderMP3.h"
#include "audio/Mp3Frame.h"
#include "audio/Mp3Id3Tag.h"

#include <gtest/gtest.h>

using namespace audio;
using namespace audio_test;
using namespace mp3_fixture;

namespace {

MpegFrameInfo parse(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, bool* ok = nullptr) {
    const uint8_t bytes[4] = {b0, b1, b2, b3};
    MpegFrameInfo info;
    bool parsed = parse_mpeg_audio_header(bytes, info);
    if (ok) *ok = parsed;
    return info;
}

// Every frame the reader hands out, as (offset in the file, length).
std::vector<std::pair<int64_t, int>> read_all(FileReaderMP3& reader) {
    std::vector<std::pair<int64_t, int>> frames;
    for (int guard = 0; guard < 10000; ++guard) {
        int64_t at = reader.position();
        MP3Data block;
        reader.get_data(block, 1);
        if (block.empty()) break;
        EXPECT_EQ(block.buffer.length(), FileReaderMP3::kBlockSize);
        frames.push_back({reader.position() - block.length, block.length});
        EXPECT_GE(reader.position() - block.length, at);
    }
    return frames;
}

struct FrameCollector : Consumer<MP3Data> {
    void on_data(const MP3Data& block) override { lengths.push_back(block.length); }
    std::vector<int> lengths;
};

} // namespace

TEST(Mp3FrameHeader, LayerThreeFrameLengthsFollowTheBitRateAndPadding) {
    MpegFrameInfo info = parse(0xFF, 0xFB, 0x90, 0x64);
    EXPECT_EQ(info.version, 1);
    EXPECT_EQ(info.layer, 3);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sample_rate, 44100);
    EXPECT_EQ(info.kbps, 128);
    EXPECT_EQ(info.frame_length, 417);
    EXPECT_EQ(info.samples_per_frame, 1152);
    EXPECT_EQ(parse(0xFF, 0xFB, 0x92, 0x64).frame_length, 418);

    MpegFrameInfo v2 = parse(0xFF, 0xF3, 0x40, 0xC4);
    EXPECT_EQ(v2.version, 2);
    EXPECT_EQ(v2.channels, 1);
    EXPECT_EQ(v2.sample_rate, 22050);
    EXPECT_EQ(v2.kbps, 32);
    EXPECT_EQ(v2.frame_length, 104);
    EXPECT_EQ(v2.samples_per_frame, 576);

    MpegFrameInfo layer2 = parse(0xFF, 0xF5, 0x40, 0xC4);
    EXPECT_EQ(layer2.layer, 2);
    EXPECT_EQ(layer2.frame_length, 208);
    EXPECT_EQ(layer2.samples_per_frame, 1152);
}

TEST(Mp3FrameHeader, TablesCoverEveryVersionAndLayer) {
    // MPEG-1 layer I, index 14 at 32000 Hz, padded: (12000 * 448 / 32000 + 1) * 4.
    MpegFrameInfo l1 = parse(0xFF, 0xFF, 0xEA, 0x00);
    EXPECT_EQ(l1.layer, 1);
    EXPECT_EQ(l1.kbps, 448);
    EXPECT_EQ(l1.sample_rate, 32000);
    EXPECT_EQ(l1.frame_length, 676);
    EXPECT_EQ(l1.samples_per_frame, 384);
    // The longest MPEG-1 frame: layer II, 384 kbps, 32000 Hz, padded.
    EXPECT_EQ(parse(0xFF, 0xFD, 0xEA, 0x00).frame_length, 1729);
    EXPECT_EQ(parse(0xFF, 0xFB, 0xE4, 0x00).kbps, 320);
    // MPEG-2 layer I row and rates.
    MpegFrameInfo v2l1 = parse(0xFF, 0xF7, 0x94, 0x00);
    EXPECT_EQ(v2l1.kbps, 144);
    EXPECT_EQ(v2l1.sample_rate, 24000);
    EXPECT_EQ(parse(0xFF, 0xF3, 0xE8, 0x00).sample_rate, 16000);
    EXPECT_EQ(parse(0xFF, 0xF3, 0xE8, 0x00).kbps, 160);
    // MPEG-2.5, and the reserved version 01 read the same way.
    EXPECT_EQ(parse(0xFF, 0xE3, 0x10, 0x00).version, 3);
    EXPECT_EQ(parse(0xFF, 0xE3, 0x10, 0x00).sample_rate, 11025);
    EXPECT_EQ(parse(0xFF, 0xEB, 0x18, 0x00).sample_rate, 8000);
    EXPECT_EQ(parse(0xFF, 0xEB, 0x18, 0x00).version, 3);
    EXPECT_EQ(parse(0xFF, 0xE3, 0x18, 0x00).frame_length, 72);
}

TEST(Mp3FrameHeader, RefusesWhatIsNoHeader) {
    bool ok = true;
    MpegFrameInfo untouched = parse(0xFF, 0xFB, 0x00, 0x64, &ok);   // bit-rate index 0 (free format)
    EXPECT_FALSE(ok);
    EXPECT_EQ(untouched.frame_length, 0);
    parse(0xFF, 0xFB, 0xF0, 0x64, &ok);   // index 15
    EXPECT_FALSE(ok);
    parse(0xFF, 0xFB, 0x9C, 0x64, &ok);   // rate index 3
    EXPECT_FALSE(ok);
    parse(0xFF, 0xF9, 0x90, 0x64, &ok);   // layer bits 00
    EXPECT_FALSE(ok);
    parse(0xFF, 0xDB, 0x90, 0x64, &ok);   // one sync bit missing
    EXPECT_FALSE(ok);
    EXPECT_TRUE(is_valid_mpeg_audio_header(0xFFFB9064));
    EXPECT_FALSE(is_valid_mpeg_audio_header(0xFFDB9064));
}

TEST(Mp3Reader, JunkBeforeTheFirstFrameIsSkipped) {
    write_file("a.mp3", std::string(500, '\0') + repeat(mpeg1_frame(), 3));
    FileReaderMP3 reader(device_path("a.mp3"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(reader.channels(), 2);
    EXPECT_EQ(reader.sample_rate(), 44100);
    EXPECT_EQ(reader.bits_per_sample(), 16);
    EXPECT_EQ(reader.bit_rate(), 128000);
    EXPECT_EQ(reader.length(), 500 + 3 * 417);
    auto frames = read_all(reader);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], std::make_pair(int64_t(500), 417));
    EXPECT_EQ(frames[2], std::make_pair(int64_t(500 + 2 * 417), 417));
    EXPECT_TRUE(reader.is_end());
}

TEST(Mp3Reader, TheLastFrameEndingExactlyAtTheEndOfTheFileIsDelivered) {
    write_file("two.mp3", mpeg2_frame() + mpeg2_frame(true));
    FileReaderMP3 reader(device_path("two.mp3"));
    ASSERT_TRUE(reader.is_valid());
    auto frames = read_all(reader);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].second, 105);
    EXPECT_EQ(reader.position(), reader.length());
}

TEST(Mp3Reader, AFrameCutOffByTheEndIsNotDeliveredAndTheBlockTailIsZero) {
    std::string bytes = repeat(mpeg2_frame(), 3);
    bytes[104 + 50] = 0x55;   // inside the second frame
    write_file("cut.mp3", bytes + mpeg2_frame().substr(0, 60));
    FileReaderMP3 reader(device_path("cut.mp3"));
    MP3Data block;
    reader.get_data(block, 1);
    reader.get_data(block, 1);
    ASSERT_EQ(block.length, 104);
    EXPECT_EQ(block.buffer.data()[50], 0x55);
    reader.get_data(block, 1);
    ASSERT_EQ(block.length, 104);
    // Behind the third frame the file holds 60 more bytes, then the block is zeros.
    EXPECT_EQ(block.buffer.data()[104], 0xFF);
    for (size_t i = 104 + 60; i < block.buffer.length(); ++i) ASSERT_EQ(block.buffer.data()[i], 0) << i;
    reader.get_data(block, 1);
    EXPECT_TRUE(block.empty());
    EXPECT_TRUE(reader.is_end());
}

TEST(Mp3Reader, ASingleFrameOrNoFrameIsNotAnMp3) {
    write_file("one.mp3", mpeg1_frame());
    EXPECT_FALSE(FileReaderMP3(device_path("one.mp3")).is_valid());
    write_file("one-junk.mp3", mpeg1_frame() + std::string(2000, 'x'));
    EXPECT_FALSE(FileReaderMP3(device_path("one-junk.mp3")).is_valid());
    write_file("empty.mp3", "");
    FileReaderMP3 empty(device_path("empty.mp3"));
    EXPECT_FALSE(empty.is_valid());
    EXPECT_TRUE(empty.is_end());
    MP3Data block;
    empty.get_data(block, 1);
    EXPECT_TRUE(block.empty());
    write_file("text.mp3", "just some words, no sound\n");
    EXPECT_FALSE(FileReaderMP3(device_path("text.mp3")).is_valid());
    EXPECT_FALSE(FileReaderMP3(L"\\missing.mp3").is_valid());
    // Two frames that do not match (rates differ) confirm nothing.
    write_file("mixed.mp3", mpeg2_frame() + mpeg2_24k_frame());
    EXPECT_FALSE(FileReaderMP3(device_path("mixed.mp3")).is_valid());
}

TEST(Mp3Reader, AHeaderLookAlikeInJunkDoesNotHideTheFirstFrame) {
    // A fake MPEG-1 header 20 bytes before the real stream: its "frame" would swallow the first one.
    write_file("fake.mp3", header(0xFB, 0x90, 0x64) + std::string(16, '\0') + repeat(mpeg2_frame(), 3));
    FileReaderMP3 reader(device_path("fake.mp3"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(reader.sample_rate(), 22050);
    auto frames = read_all(reader);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].first, 20);
}

TEST(Mp3Reader, ForeignFramesAndJunkMidStreamAreSkippedAndPlaybackGoesOn) {
    // More junk than the read buffer holds must not end playback.
    std::string bytes = repeat(mpeg2_frame(), 2) + mpeg2_24k_frame() + mpeg25_12k_frame() + std::string(25000, 'j') +
                        repeat(mpeg2_frame(true), 2) + mpeg1_frame() + mpeg2_frame();
    write_file("mid.mp3", bytes);
    FileReaderMP3 reader(device_path("mid.mp3"));
    ASSERT_TRUE(reader.is_valid());
    auto frames = read_all(reader);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[2].first, int64_t(2 * 104 + 96 + 192 + 25000));
    EXPECT_EQ(frames[2].second, 105);
    EXPECT_EQ(frames[4].first, int64_t(bytes.size() - 104));
    EXPECT_TRUE(reader.is_end());
}

TEST(Mp3Reader, AHeaderAcrossTheBufferBoundaryIsFound) {
    // Junk lengths around the 10000-byte buffer put the next header across its end.
    for (size_t junk : {9996u, 9997u, 9998u, 9999u, 10001u, 18001u}) {
        write_file("edge.mp3", repeat(mpeg2_frame(), 2) + std::string(junk, 'j') + repeat(mpeg2_frame(), 2));
        FileReaderMP3 reader(device_path("edge.mp3"));
        ASSERT_TRUE(reader.is_valid());
        EXPECT_EQ(read_all(reader).size(), 4u) << junk;
    }
    write_file("late.mp3", std::string(12345, '\0') + repeat(mpeg2_frame(), 2));
    FileReaderMP3 late(device_path("late.mp3"));
    ASSERT_TRUE(late.is_valid());
    EXPECT_EQ(read_all(late).size(), 2u);
}

TEST(Mp3Reader, FramesLongerThanABlockAreSkipped) {
    write_file("long.mp3", repeat(mpeg25_long_frame(), 4));
    FileReaderMP3 reader(device_path("long.mp3"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(read_all(reader).size(), 0u);
    EXPECT_TRUE(reader.is_end());
}

TEST(Mp3Reader, TimesArePositionsAtTheReferenceBitRate) {
    write_file("t.mp3", repeat(mpeg1_frame(), 40));
    FileReaderMP3 reader(device_path("t.mp3"));
    EXPECT_DOUBLE_EQ(reader.time_of_position(16000), 1.0);
    EXPECT_EQ(reader.position_of_time(1.0), 16000);
    EXPECT_DOUBLE_EQ(reader.length_time(), 40 * 417 / 16000.0);
    FileReaderMP3 none(L"\\missing.mp3");
    EXPECT_EQ(none.time_of_position(16000), 0.0);
}

TEST(Mp3Reader, SetPositionResynchronisesAndClamps) {
    write_file("s.mp3", repeat(mpeg1_frame(), 10));
    FileReaderMP3 reader(device_path("s.mp3"));
    reader.set_position(417 * 4 + 100);   // inside the fifth frame
    EXPECT_EQ(reader.position(), 417 * 4 + 100);
    auto frames = read_all(reader);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].first, 417 * 5);
    reader.set_position(-5);
    EXPECT_EQ(read_all(reader).size(), 10u);
    reader.set_position(1 << 30);
    EXPECT_EQ(reader.position(), reader.length());
    EXPECT_TRUE(reader.is_end());
    reader.seek_time(0);
    EXPECT_FALSE(reader.is_end());
    reader.seek_time(1e300);
    EXPECT_TRUE(reader.is_end());
    reader.seek_time(-1e300);
    EXPECT_EQ(reader.position(), 0);
}

TEST(Mp3Reader, TransferPushesFramesUntilTheTimeOrTheEnd) {
    write_file("x.mp3", repeat(mpeg1_frame(), 10));
    FileReaderMP3 reader(device_path("x.mp3"));
    FrameCollector sink;
    connect<MP3Data>(&reader, &sink);
    // 417 bytes at 128 kbps last 26 ms: 0.1 s takes four frames.
    EXPECT_TRUE(reader.transfer_time(0.1));
    EXPECT_EQ(sink.lengths.size(), 4u);
    EXPECT_TRUE(reader.transfer(417 * 2));
    EXPECT_EQ(sink.lengths.size(), 6u);
    EXPECT_FALSE(reader.transfer(417 * 10));
    EXPECT_EQ(sink.lengths.size(), 10u);
    FileReaderMP3 none(L"\\missing.mp3");
    EXPECT_FALSE(none.transfer(0));
}

TEST(Mp3Id3Tag, ReadsTheFieldsAndTheTrackNumber) {
    write_file("tag.mp3", repeat(mpeg2_frame(), 3) + id3v1("Wake up   ", "Someone", "Nice tune", 5, 12));
    ID3Tag tag = read_id3v1_tag(device_path("tag.mp3"));
    EXPECT_EQ(tag.present, 1);
    EXPECT_EQ(tag.title, L"Wake up");
    EXPECT_EQ(tag.artist, L"Someone");
    EXPECT_EQ(tag.album, L"Album");
    EXPECT_EQ(tag.year, L"2024");
    EXPECT_EQ(tag.comment, L"Nice tune");
    EXPECT_EQ(tag.track, 5);
    EXPECT_EQ(tag.genre, 12);
    // The tag's bytes are no frames: the reader still ends.
    FileReaderMP3 reader(device_path("tag.mp3"));
    EXPECT_EQ(read_all(reader).size(), 3u);
    EXPECT_TRUE(reader.is_end());
}

TEST(Mp3Id3Tag, TextIsWidenedFromTheSystemCodePage) {
    write_file("cp.mp3", id3v1("Caf\xE9 \x80", "", std::string(30, 'c'), 0, 0));
    ID3Tag tag = read_id3v1_tag(device_path("cp.mp3"));
    EXPECT_EQ(tag.title, L"Caf\u00E9 \u20AC");
    EXPECT_EQ(tag.comment, std::wstring(30, L'c'));
    EXPECT_EQ(tag.track, 0);
}

TEST(Mp3Id3Tag, TheTagAtItsPlaceWinsOverTAGInsideItsText) {
    std::string tag = id3v1("TAGLINE", "x TAG y", "", 0, 3);
    write_file("in.mp3", repeat(mpeg2_frame(), 12) + tag);
    EXPECT_EQ(read_id3v1_tag(device_path("in.mp3")).title, L"TAGLINE");
    // Not at its place: the last "TAG" is taken, and a tag cut short is not present.
    std::string moved = id3v1("Moved", "", "", 0, 3);
    write_file("moved.mp3", std::string(200, 'z') + moved + "trailer");
    ID3Tag found = read_id3v1_tag(device_path("moved.mp3"));
    EXPECT_EQ(found.present, 1);
    EXPECT_EQ(found.title, L"Moved");
    EXPECT_EQ(found.genre, 3);
    write_file("short.mp3", std::string(20, 'z') + moved.substr(0, 60));
    ID3Tag cut = read_id3v1_tag(device_path("short.mp3"));
    EXPECT_EQ(cut.present, 0);
    EXPECT_EQ(cut.genre, 0);
    EXPECT_EQ(cut.title, L"Moved");
}

TEST(Mp3Id3Tag, NoTagOrNoFileGivesAnEmptyTag) {
    write_file("plain.mp3", repeat(mpeg2_frame(), 20));
    EXPECT_EQ(read_id3v1_tag(device_path("plain.mp3")).present, 0);
    EXPECT_EQ(read_id3v1_tag(L"\\missing.mp3").present, 0);
    write_file("tiny.mp3", "TA");
    EXPECT_EQ(read_id3v1_tag(device_path("tiny.mp3")).title, L"");
}
