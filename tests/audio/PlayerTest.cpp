#include "PlayerTestSupport.h"

#include "audio/PlayerPCM.h"

#include <cmath>

using namespace audio_test;

namespace {

class PlayerTest : public DumpTest {
protected:
    void link() { audio::connect<audio::PCMData>(&source, &player); }

    ScriptedSource source;
    audio::PlayerPCM player;
};

TEST_F(PlayerTest, AStreamShorterThanOneBufferPlaysThenReportsFinished) {
    EXPECT_TRUE(player.is_finished());  // until the first play
    const auto samples = ramp(1000);    // 45 ms at 22050 Hz
    source.add(pcm_block(samples, 1, 22050));
    link();
    ASSERT_TRUE(player.play());
    EXPECT_FALSE(player.is_finished());
    ASSERT_TRUE(wait_until([&] { return player.is_finished(); }));
    ASSERT_TRUE(wait_until([&] { return log().find("close 0001.wav") != std::string::npos; }));
    EXPECT_EQ(log(), "open 0001.wav 22050 1 16\nclose 0001.wav 1000\n");
    EXPECT_EQ(session_samples("0001.wav"), samples);
}

TEST_F(PlayerTest, PlayWithoutProviderFinishesAtOnce) {
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return player.is_finished(); }, 1000));
    EXPECT_TRUE(sessions().empty());
}

TEST_F(PlayerTest, StopResetsAtOnceAndPlayGoesOnWithTheRest) {
    const auto all = ramp(88200);  // two seconds at 44100 Hz
    source.add(pcm_block(all, 1, 44100));
    link();
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return session_samples("0001.wav").size() > 2000; }));
    const auto stopped_at = std::chrono::steady_clock::now();
    ASSERT_TRUE(player.stop());
    EXPECT_TRUE(player.is_finished());
    ASSERT_TRUE(wait_until([&] { return log().find("close 0001.wav") != std::string::npos; }));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped_at, std::chrono::milliseconds(400));
    const auto first = session_samples("0001.wav");
    EXPECT_LT(first.size(), 44100u);
    EXPECT_EQ(first, std::vector<int16_t>(all.begin(), all.begin() + long(first.size())));

    // Six buffers of 200 ms took four pulls of 16384 frames; the stop dropped the rest of the
    // block in hand, and play goes on with what the source yields next.
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return player.is_finished(); }));
    ASSERT_TRUE(wait_until([&] { return log().find("close 0002.wav") != std::string::npos; }));
    EXPECT_EQ(session_samples("0002.wav"), std::vector<int16_t>(all.begin() + 4 * 16384, all.end()));
}

TEST_F(PlayerTest, StopAndPlayInARowNeitherHangsNorLosesTheEnd) {
    source.add(pcm_block(ramp(4410), 1, 22050));
    link();
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return !sessions().empty(); }));
    player.stop();
    player.play();
    ASSERT_TRUE(wait_until([&] { return player.is_finished(); }));
    // Every session that opened was closed.
    ASSERT_TRUE(wait_until([&] {
        const std::string text = log();
        return std::count(text.begin(), text.end(), '\n') % 2 == 0;
    }));
}

TEST_F(PlayerTest, ARateChangeMidStreamPlaysTwoSessionsInOrderWithoutFinishingBetween) {
    const auto low = ramp(2205, 0), high = ramp(4410, 5000);
    source.add(pcm_block(low, 1, 22050));
    source.add(pcm_block(high, 1, 44100));
    link();
    ASSERT_TRUE(player.play());
    bool finished_early = false;
    ASSERT_TRUE(wait_until([&] {
        const bool finished = player.is_finished();
        const bool second_closed = log().find("close 0002.wav") != std::string::npos;
        if (finished && !second_closed)
            finished_early = true;
        return finished;
    }));
    EXPECT_FALSE(finished_early);
    ASSERT_EQ(sessions(), (std::vector<std::string>{"0001.wav", "0002.wav"}));
    EXPECT_EQ(session_rate("0001.wav"), 22050u);
    EXPECT_EQ(session_rate("0002.wav"), 44100u);
    EXPECT_EQ(session_samples("0001.wav"), low);
    EXPECT_EQ(session_samples("0002.wav"), high);
}

TEST_F(PlayerTest, ARateChangeExactlyAtTheEndOfABufferStillOpensASecondSession) {
    // 4410 frames fill one 200 ms buffer at 22050 Hz to the last byte.
    const auto low = ramp(4410, 0), high = ramp(4410, 5000);
    source.add(pcm_block(low, 1, 22050));
    source.add(pcm_block(high, 1, 44100));
    link();
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return log().find("close 0002.wav") != std::string::npos; }));
    ASSERT_TRUE(wait_until([&] { return player.is_finished(); }));
    EXPECT_EQ(session_rate("0002.wav"), 44100u);
    EXPECT_EQ(session_samples("0001.wav"), low);
    EXPECT_EQ(session_samples("0002.wav"), high);
}

TEST_F(PlayerTest, MasterVolumeScalesThePlayedSamplesAndIsClamped) {
    audio::set_master_volume(0.5);
    EXPECT_NEAR(audio::get_master_volume(), 0.5, 1e-4);
    source.add(pcm_block(std::vector<int16_t>(1000, 20000), 1, 22050));
    link();
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return player.is_finished(); }));
    const auto played = session_samples("0001.wav");
    ASSERT_EQ(played.size(), 1000u);
    EXPECT_NEAR(played[0], 10000, 2);
    EXPECT_NEAR(played[999], 10000, 2);

    audio::set_master_volume(1.7);
    EXPECT_DOUBLE_EQ(audio::get_master_volume(), 1.0);
    audio::set_master_volume(-3);
    EXPECT_DOUBLE_EQ(audio::get_master_volume(), 0.0);
    audio::set_master_volume(0.25);
    audio::set_master_volume(std::nan(""));
    EXPECT_NEAR(audio::get_master_volume(), 0.25, 1e-4);
    audio::set_master_volume(INFINITY);
    EXPECT_DOUBLE_EQ(audio::get_master_volume(), 1.0);
    audio::set_master_volume(-INFINITY);
    EXPECT_DOUBLE_EQ(audio::get_master_volume(), 0.0);
}

TEST_F(PlayerTest, ABlockWithoutFrameSizeEndsTheSoundInsteadOfLooping) {
    audio::PCMData odd = pcm_block(ramp(100), 1, 22050);
    odd.bits_per_sample = 0;
    source.add(odd);
    source.repeat_last = true;
    link();
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return player.is_finished(); }, 1000));
    EXPECT_TRUE(sessions().empty());
    EXPECT_LT(source.calls, 10);
}

TEST_F(PlayerTest, AFormatTheDeviceRefusesFinishesWithoutHanging) {
    audio::PCMData deep = pcm_block(ramp(3000), 1, 22050);
    deep.bits_per_sample = 24;  // the device opens 8 and 16 bits only
    source.add(deep);
    link();
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return player.is_finished(); }, 1000));
    EXPECT_TRUE(sessions().empty());
}

TEST_F(PlayerTest, DestroyingAPlayingPlayerClosesTheDevice) {
    {
        audio::PlayerPCM local;
        source.add(pcm_block(ramp(44100), 1, 22050));
        audio::connect<audio::PCMData>(&source, &local);
        ASSERT_TRUE(local.play());
        ASSERT_TRUE(wait_until([&] { return !sessions().empty(); }));
    }
    EXPECT_NE(log().find("close 0001.wav"), std::string::npos);
}

TEST_F(PlayerTest, PushingToThePlayerIsAFatalReport) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(player.on_data(pcm_block(ramp(10), 1, 22050)), testing::ExitedWithCode(70),
                "on_data unexpected - player is active object");
}

} // namespace
