#include "PlayerTestSupport.h"

#include "audio/FileRecorder.h"
#include "audio/PlayChain.h"
#include "audio/RecordChain.h"
#include "audio/RecorderPCM.h"

#include <atomic>

using namespace audio_test;

namespace {

// Counts what the recorder pushes and hands it on unchanged.
class CountingTee : public audio::Processor<audio::PCMData, audio::PCMData> {
public:
    void on_data(const audio::PCMData& block) override {
        ++blocks;
        frames += block.frames();
        if (block.length() == 0)
            ++empty_blocks;
        last_format = {block.channels, block.bits_per_sample, block.sample_rate};
        deliver(block);
    }
    void get_data(audio::PCMData& out, int) override { out = audio::PCMData(); }

    std::atomic<int> blocks{0};
    std::atomic<int> empty_blocks{0};
    std::atomic<long> frames{0};
    std::array<int, 3> last_format{};
};

// Every frame a player could decode from the file.
std::vector<int16_t> decode_all(const std::wstring& path) {
    std::vector<int16_t> out;
    auto chain = audio::open_play_chain(path);
    if (!chain)
        return out;
    audio::Consumer<audio::PCMData> sink;
    audio::connect(chain->provider(), &sink);
    for (;;) {
        audio::PCMData block;
        sink.pull(block, 16384);
        if (block.empty())
            break;
        const auto samples = samples_of(block);
        out.insert(out.end(), samples.begin(), samples.end());
    }
    audio::connect<audio::PCMData>(chain->provider(), nullptr);
    return out;
}

class RecorderTest : public testing::Test {
protected:
    void SetUp() override { setenv("CHIMELY_AUDIO", "null", 1); }
    void TearDown() override { unsetenv("CHIMELY_AUDIO_IN"); }

    std::vector<int16_t> microphone(int rate, double seconds) {
        auto samples = tone(440, size_t(rate * seconds), rate);
        for (size_t i = 0; i < samples.size(); i += 97)
            samples[i] = int16_t(i % 20000);  // markers, so a shifted copy would not match
        write_file("mic.wav", pcm_wav(samples, uint32_t(rate)));
        setenv("CHIMELY_AUDIO_IN", linux_path("mic.wav").c_str(), 1);
        return samples;
    }

    // Records until `full` whole buffers came and then about `extra_ms` more, stops, and takes it
    // down in the order of the one-file recorder: recorder first while still linked, then the chain.
    long record(const std::wstring& path, const std::wstring& format, int rate, int full, int extra_ms) {
        auto chain = audio::create_record_chain(path, format, 1, 16, rate, 32000, false);
        if (!chain)
            return -1;
        CountingTee tee;
        audio::connect(static_cast<audio::Provider<audio::PCMData>*>(&tee), chain->consumer());
        auto recorder = std::make_unique<audio::RecorderPCM>(1, rate, 16);
        audio::connect(static_cast<audio::Provider<audio::PCMData>*>(recorder.get()), static_cast<audio::Consumer<audio::PCMData>*>(&tee));
        EXPECT_TRUE(recorder->start());
        EXPECT_TRUE(wait_until([&] { return tee.blocks >= full; }, 10000));
        std::this_thread::sleep_for(std::chrono::milliseconds(extra_ms));
        EXPECT_TRUE(recorder->stop());
        EXPECT_TRUE(recorder->is_stopped());
        recorder.reset();
        audio::connect<audio::PCMData>(&tee, nullptr);
        chain.reset();
        return tee.frames;
    }
};

TEST_F(RecorderTest, PcmFileHoldsEveryCapturedFrameIncludingThePartlyFilledLastBuffer) {
    const auto input = microphone(22050, 3);
    const long frames = record(device_path("note.wav"), L"PCM", 22050, 1, 110);
    ASSERT_GT(frames, 5000);
    EXPECT_NE(frames % 5000, 0) << "the buffer returned by stop reached the file";
    const auto recorded = wav_samples(read_file("note.wav"));
    ASSERT_EQ(long(recorded.size()), frames);
    EXPECT_EQ(recorded, std::vector<int16_t>(input.begin(), input.begin() + frames));
}

TEST_F(RecorderTest, AdpcmFileHoldsTheCapturedFramesUpToTheLastWholeBlock) {
    microphone(22050, 3);
    const long frames = record(device_path("note_adpcm.wav"), L"ADPCM", 22050, 1, 110);
    ASSERT_GT(frames, 5000);
    const std::string bytes = read_file("note_adpcm.wav");
    ASSERT_GT(bytes.size(), 40u);
    const long per_block = get_u16(bytes, 38);  // samples per block in the format extension
    const long decoded = long(decode_all(device_path("note_adpcm.wav")).size());
    EXPECT_LE(decoded, frames);
    EXPECT_GT(decoded, frames - per_block);
}

TEST_F(RecorderTest, GsmFileHoldsTheCapturedFramesUpToTheLastWholeBlock) {
    microphone(8000, 3);
    const long frames = record(device_path("note_gsm.wav"), L"GSM", 8000, 1, 300);
    ASSERT_GT(frames, 5000);
    const long decoded = long(decode_all(device_path("note_gsm.wav")).size());
    EXPECT_LE(decoded, frames);
    EXPECT_GT(decoded, frames - 320);
}

TEST_F(RecorderTest, Mp3FileHoldsEveryCapturedFrame) {
    microphone(22050, 3);
    const long frames = record(device_path("note.mp3"), L"mp3", 22050, 1, 110);
    if (frames < 0)
        GTEST_SKIP() << "no mp3 record chain";
    ASSERT_GT(frames, 5000);
    const long decoded = long(decode_all(device_path("note.mp3")).size());
    EXPECT_GE(decoded, frames - 576);  // the encoder's flush output is in the file
    EXPECT_LE(decoded, frames + 4 * 576);
}

TEST_F(RecorderTest, ARecorderNeverStartedDeliversItsTwentyBuffersEmptyOnDestruction) {
    CountingTee tee;
    {
        audio::RecorderPCM recorder(2, 22050, 16);
        EXPECT_EQ(recorder.bit_rate(), 22050 * 2 * 2 * 8);
        audio::connect(static_cast<audio::Provider<audio::PCMData>*>(&recorder), static_cast<audio::Consumer<audio::PCMData>*>(&tee));
        EXPECT_TRUE(recorder.is_recording());
        EXPECT_FALSE(recorder.is_stopped());
        EXPECT_TRUE(recorder.stop());
        EXPECT_TRUE(recorder.stop());  // already stopped
    }
    EXPECT_EQ(tee.blocks, 20);
    EXPECT_EQ(tee.empty_blocks, 20);
    EXPECT_EQ(tee.last_format, (std::array<int, 3>{2, 16, 22050}));
}

TEST_F(RecorderTest, AskingTheRecorderForDataIsAFatalReport) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    audio::RecorderPCM recorder(1, 22050, 16);
    audio::PCMData block;
    EXPECT_EXIT(recorder.get_data(block, 100), testing::ExitedWithCode(70),
                "get_data unexpected - recorder is active object");
}

TEST_F(RecorderTest, FileRecorderKeepsTheEndOfTheVoiceNote) {
    const auto input = microphone(22050, 3);
    {
        FileRecorder recorder(device_path("voice.mp3"));
        recorder.start();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        recorder.stop();
    }
    const auto decoded = decode_all(device_path("voice.mp3"));
    // 400 ms is about 8800 frames: one whole buffer and a partly filled one.
    EXPECT_GT(decoded.size(), 7000u);
    EXPECT_LT(decoded.size(), 13000u);
}

TEST_F(RecorderTest, FileRecorderWithAPathThatCannotBeCreatedDoesNothing) {
    FileRecorder recorder(L"\\no such folder\\voice.mp3");
    recorder.start();
    recorder.stop();
    EXPECT_FALSE(file_exists("no such folder/voice.mp3"));
}

} // namespace
