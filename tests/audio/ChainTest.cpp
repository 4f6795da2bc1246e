#include "AudioTestFiles.h"
#include "audio/FileReaderWAV.h"
#include "audio/FileWriterMP3.h"
#include "audio/PlayChain.h"
#include "audio/RecordChain.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace audio;
using namespace audio_test;

namespace {

void record(const std::wstring& format, const std::string& name, const std::vector<int16_t>& samples, int channels,
            int rate) {
    auto chain = create_record_chain(device_path(name), format, 0, 0, 0, 0, false);
    ASSERT_TRUE(chain);
    chain->consumer()->on_data(pcm_block(samples, channels, rate));
}

MP3Data mp3_block(size_t length, char fill) {
    MP3Data block;
    block.buffer = liba::SharedBuffer(length);
    block.buffer.fill(uint8_t(fill));
    block.length = int(length);
    return block;
}

} // namespace

TEST(PlayChain, EachFormatFindsItsChainAndName) {
    record(L"PCM", "p.wav", sine(1000, 1, 8000), 1, 8000);
    record(L"ADPCM", "a.wav", sine(1000, 1, 8000), 1, 8000);
    record(L"GSM", "g.wav", sine(1000, 1, 8000), 1, 8000);
    const std::pair<const char*, const wchar_t*> expected[] = {{"p.wav", L"PCM"}, {"a.wav", L"ADPCM"}, {"g.wav", L"GSM"}};
    for (auto [name, format] : expected) {
        auto chain = open_play_chain(device_path(name));
        ASSERT_TRUE(chain) << name;
        EXPECT_EQ(chain->format_name(), format);
        EXPECT_EQ(chain->reader()->bits_per_sample(), 16);
        EXPECT_FALSE(chain->is_stream());
        EXPECT_FALSE(chain->is_remote());
        EXPECT_TRUE(chain->can_seek());
    }
    if (have_sox() && std::system(("sox -n -r 8000 " + linux_path("v.ogg") + " synth 0.2 sine 440").c_str()) == 0) {
        auto chain = open_play_chain(device_path("v.ogg"));
        ASSERT_TRUE(chain);
        EXPECT_EQ(chain->format_name(), L"Vorbis");
    }
}

TEST(PlayChain, AWAVFileNamedMp3IsStillPCMAndTheTitleIsTheBareName) {
    ASSERT_EQ(mkdir(linux_path("sounds").c_str(), 0700), 0);
    record(L"PCM", "sounds/chime.mp3", sine(100, 1, 8000), 1, 8000);
    auto chain = open_play_chain(L"\\sounds\\chime.mp3");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->format_name(), L"PCM");
    EXPECT_EQ(chain->title(), L"chime.mp3");
    EXPECT_EQ(file_name_of(L"a/b\\c.wav"), L"c.wav");
    EXPECT_EQ(file_name_of(L"plain"), L"plain");
}

TEST(PlayChain, TextMissingAndEmptyFilesHaveNoChain) {
    write_file("t.txt", "Just some words in a text file, nothing to hear.\n");
    write_file("empty.wav", "");
    EXPECT_FALSE(open_play_chain(device_path("t.txt")));
    EXPECT_FALSE(open_play_chain(device_path("empty.wav")));
    EXPECT_FALSE(open_play_chain(device_path("missing.wav")));
}

TEST(PlayChain, VisitHandsTheReaderToTheMatchingRecordChain) {
    record(L"ADPCM", "a.wav", sine(2000, 1, 8000), 1, 8000);
    auto play = open_play_chain(device_path("a.wav"));
    ASSERT_TRUE(play);
    auto pcm = create_record_chain(device_path("pcm.wav"), L"PCM", 0, 0, 0, 0, false);
    EXPECT_FALSE(play->visit(*pcm));
    {
        auto copy = create_record_chain(device_path("copy.wav"), L"ADPCM", 0, 0, 0, 0, false);
        ASSERT_TRUE(play->visit(*copy));
        EXPECT_TRUE(play->reader()->transfer(play->reader()->length()));
    }
    std::string original = read_file("a.wav"), copy = read_file("copy.wav");
    EXPECT_EQ(copy, original);
}

TEST(RecordChain, NamesAreMatchedExactly) {
    EXPECT_EQ(create_record_chain(device_path("x"), L"PCM", 1, 16, 8000, 0, false)->format_name(), L"PCM");
    EXPECT_EQ(create_record_chain(device_path("x"), L"ADPCM", 1, 16, 8000, 0, false)->format_name(), L"ADPCM");
    EXPECT_EQ(create_record_chain(device_path("x"), L"GSM", 1, 16, 8000, 0, false)->format_name(), L"GSM");
    EXPECT_FALSE(create_record_chain(device_path("x"), L"pcm", 1, 16, 8000, 0, false));
    EXPECT_FALSE(create_record_chain(device_path("x"), L"WAV", 1, 16, 8000, 0, false));
}

TEST(RecordChain, ConvertingThroughTheChainsKeepsTheSound) {
    std::vector<int16_t> in = sine(8000, 1, 8000);
    record(L"PCM", "in.wav", in, 1, 8000);
    auto play = open_play_chain(device_path("in.wav"));
    {
        auto rec = create_record_chain(device_path("out.wav"), L"ADPCM", 0, 0, 0, 0, false);
        connect(play->provider(), rec->consumer());
        EXPECT_TRUE(play->reader()->transfer(play->reader()->length()));
        EXPECT_EQ(rec->file_writer()->bytes_written(), 16);   // 8000 samples: 16 blocks of 500
    }
    auto back = open_play_chain(device_path("out.wav"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->reader()->length(), 16);
}

TEST(RecordChain, AppendingAddsBlocksToTheCodedFormatsOwnFiles) {
    // ADPCM 8000 Hz mono: 256-byte blocks of 500 samples behind 90 bytes; GSM: 65-byte blocks of 320
    // samples behind 60 bytes.
    const struct { const wchar_t* format; int samples_per_block; uint32_t header; uint32_t align; } cases[] = {
        {L"ADPCM", 500, 90, 256}, {L"GSM", 320, 60, 65}};
    for (const auto& c : cases) {
        record(c.format, "app.wav", sine(2 * c.samples_per_block, 1, 8000), 1, 8000);
        {
            auto chain = create_record_chain(device_path("app.wav"), c.format, 0, 0, 0, 0, true);
            ASSERT_TRUE(chain);
            EXPECT_TRUE(chain->file_writer()->is_open());
            EXPECT_EQ(chain->file_writer()->bytes_written(), 2);
            chain->consumer()->on_data(pcm_block(sine(c.samples_per_block, 1, 8000), 1, 8000));
            EXPECT_EQ(chain->file_writer()->bytes_written(), 3);
        }
        std::string file = read_file("app.wav");
        ASSERT_EQ(file.size(), c.header + 3 * c.align);
        EXPECT_EQ(get_u32(file, 4), file.size() - 8);
        EXPECT_EQ(get_u32(file, c.header - 4), 3 * c.align);
        EXPECT_EQ(get_u32(file, c.header - 12), 3u * c.samples_per_block);   // the fact count
        auto play = open_play_chain(device_path("app.wav"));
        ASSERT_TRUE(play);
        EXPECT_EQ(play->reader()->length(), 3);
    }
}

TEST(FileWriterMP3, NothingReceivedLeavesNoFile) {
    { FileWriterMP3 writer(device_path("n.mp3"), false); EXPECT_TRUE(writer.is_open()); }
    EXPECT_FALSE(file_exists("n.mp3"));
    write_file("kept.mp3", "");
    { FileWriterMP3 writer(device_path("kept.mp3"), true); }
    EXPECT_TRUE(file_exists("kept.mp3"));
}

TEST(FileWriterMP3, AFileItCouldNotOpenIsNeverDeleted) {
    ASSERT_EQ(mkdir(linux_path("folder.mp3").c_str(), 0700), 0);
    { FileWriterMP3 writer(device_path("folder.mp3"), false); EXPECT_FALSE(writer.is_open()); }
    struct stat st {};
    EXPECT_EQ(stat(linux_path("folder.mp3").c_str(), &st), 0);
}

TEST(FileWriterMP3, LargeStreamsArriveWhole) {
    {
        FileWriterMP3 writer(device_path("big.mp3"), false);
        for (int i = 0; i < 70; ++i) writer.on_data(mp3_block(4000, char('a' + i % 26)));
        writer.on_data(mp3_block(130000, 'Z'));   // longer than the stage: written directly
        EXPECT_EQ(writer.bytes_written(), 70 * 4000 + 130000);
    }
    std::string file = read_file("big.mp3");
    ASSERT_EQ(file.size(), 70u * 4000 + 130000);
    for (int i = 0; i < 70; ++i) ASSERT_EQ(file[i * 4000 + 3999], char('a' + i % 26)) << i;
    EXPECT_EQ(file.back(), 'Z');
    {
        FileWriterMP3 writer(device_path("big.mp3"), true);
        EXPECT_EQ(writer.bytes_written(), int64_t(file.size()));
        writer.on_data(mp3_block(10, 'q'));
    }
    EXPECT_EQ(read_file("big.mp3").size(), file.size() + 10);
}
