#include "PlayerTestSupport.h"

#include "audio/AudioPlayerQueue.h"
#include "audio/FilePlayer.h"

using namespace audio_test;

namespace {

class QueueTest : public DumpTest {
protected:
    // A short WAV file of a constant sample value, so each file is recognisable in the dump.
    std::wstring sound(const std::string& name, int16_t value, size_t frames = 1500) {
        write_file(name, pcm_wav(std::vector<int16_t>(frames, value), 22050));
        return device_path(name);
    }
    // The value each dumped session starts with, in order.
    static std::vector<int16_t> played_values() {
        std::vector<int16_t> values;
        for (const std::string& name : sessions()) {
            const auto samples = session_samples(name);
            values.push_back(samples.empty() ? int16_t(-1) : samples.front());
        }
        return values;
    }
};

TEST_F(QueueTest, PlaysFilesInOrderAndSkipsMissingOnes) {
    QueueLoop loop;
    AudioPlayerQueue queue(0);
    queue.play(sound("a.wav", 1000));
    queue.play(device_path("missing.wav"));
    queue.play(sound("c.wav", 3000));
    write_file("text.wav", "not a sound");
    queue.play(device_path("text.wav"));
    queue.play(sound("d.wav", 4000));
    EXPECT_FALSE(queue.is_empty());
    ASSERT_TRUE(loop.run_until([&] { return queue.is_empty(); }));
    EXPECT_EQ(played_values(), (std::vector<int16_t>{1000, 3000, 4000}));
    // Each file played whole.
    for (const std::string& name : sessions())
        EXPECT_EQ(session_samples(name).size(), 1500u) << name;
}

TEST_F(QueueTest, StopThenPlayOfAnotherFileBeforeTheNextTickStartsTheNewFile) {
    QueueLoop loop;
    AudioPlayerQueue queue(0);
    queue.play(sound("long.wav", 1000, 44100));  // two seconds
    queue.play(sound("never.wav", 2000));
    // Stopped while it plays: once its first samples reached the device, not merely once it opened.
    ASSERT_TRUE(loop.run_until([&] { return !sessions().empty() && !session_samples(sessions().front()).empty(); }));
    queue.stop();
    queue.play(sound("next.wav", 3000));
    const auto stopped_at = std::chrono::steady_clock::now();
    ASSERT_TRUE(loop.run_until([&] { return queue.is_empty(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped_at, std::chrono::milliseconds(1500));
    EXPECT_EQ(played_values(), (std::vector<int16_t>{1000, 3000}));
    EXPECT_LT(session_samples("0001.wav").size(), 44100u);
}

TEST_F(QueueTest, EachFilePlaysAtTheQueueVolumeAndTheMasterVolumeComesBack) {
    audio::set_master_volume(0.8);
    QueueLoop loop;
    AudioPlayerQueue queue(0.5);
    queue.play(sound("a.wav", 20000));
    ASSERT_TRUE(loop.run_until([&] { return !sessions().empty(); }));
    queue.set_volume(0.25);  // for players made from now on
    queue.play(sound("b.wav", 20000));
    ASSERT_TRUE(loop.run_until([&] { return queue.is_empty(); }));
    const auto values = played_values();
    ASSERT_EQ(values.size(), 2u);
    EXPECT_NEAR(values[0], 10000, 2);
    EXPECT_NEAR(values[1], 5000, 2);
    EXPECT_NEAR(audio::get_master_volume(), 0.8, 1e-4);
}

TEST_F(QueueTest, FilePlayerVolumeZeroKeepsTheMasterVolume) {
    audio::set_master_volume(0.7);
    {
        FilePlayer player(sound("a.wav", 100), 0);
        EXPECT_TRUE(player.is_open());
        EXPECT_NEAR(audio::get_master_volume(), 0.7, 1e-4);
    }
    {
        FilePlayer player(sound("a.wav", 100), 0.5);
        EXPECT_NEAR(audio::get_master_volume(), 0.5, 1e-4);
    }
    EXPECT_NEAR(audio::get_master_volume(), 0.7, 1e-4);
}

TEST_F(QueueTest, OverlappingPlayersEndingOutOfOrderRestoreTheVolumeFromBeforeTheFirst) {
    audio::set_master_volume(0.9);
    auto first = std::make_unique<FilePlayer>(sound("a.wav", 100), 0.5);
    auto second = std::make_unique<FilePlayer>(sound("b.wav", 100), 0.3);
    EXPECT_NEAR(audio::get_master_volume(), 0.3, 1e-4);
    first.reset();
    second.reset();
    EXPECT_NEAR(audio::get_master_volume(), 0.9, 1e-4);
}

TEST_F(QueueTest, AFileNoReaderAcceptsGivesAPlayerThatIsNeitherOpenNorPlaying) {
    write_file("text.mp3", "hello");
    FilePlayer player(device_path("text.mp3"), 0);
    EXPECT_FALSE(player.is_open());
    player.start();
    EXPECT_FALSE(player.is_playing());
}

} // namespace
