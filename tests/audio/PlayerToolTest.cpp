// chimely-audio's play, queue, record and speak commands, run as programs with the null device.
#include "PlayerTestSupport.h"

#include <sys/wait.h>

using namespace audio_test;

namespace {

std::string build_dir() {
    const char* build = std::getenv("CHIMELY_BUILD");
    return build ? build : ".";
}

int run_tool(const std::string& arguments) {
    const std::string command = "'" + build_dir() + "/tools/chimely-audio' " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PlayerToolTest : public DumpTest {};

TEST_F(PlayerToolTest, SpeaksTheTimeWithTheEnglishDataIntoTheDumpFolder) {
    const std::string device = build_dir() + "/device";
    if (!std::filesystem::exists(device + "/Program Files/Chimely/data/English/n7.mp3"))
        GTEST_SKIP() << "the device tree's speech data was not built";
    const std::string env = "CHIMELY_ROOT='" + device + "' ";
    const std::string command = "env " + env + "'" + build_dir() + "/tools/chimely-audio' speak " +
                                "'\\Program Files\\Chimely\\data\\English\\English.script' 07:15";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // "It's", "seven", "fifteen": one session per recorded word, each with sound in it.
    ASSERT_EQ(sessions().size(), 3u);
    for (const std::string& name : sessions()) {
        const auto samples = session_samples(name);
        EXPECT_GT(samples.size(), 2205u) << name;
        EXPECT_GT(*std::max_element(samples.begin(), samples.end()), 3000) << name;
    }
}

TEST_F(PlayerToolTest, QueuePlaysTheFilesInOrderAndPlayTakesAVolume) {
    write_file("a.wav", pcm_wav(std::vector<int16_t>(500, 1000), 22050));
    write_file("b.wav", pcm_wav(std::vector<int16_t>(500, 2000), 22050));
    ASSERT_EQ(run_tool("queue /a.wav /missing.wav /b.wav"), 0);
    ASSERT_EQ(sessions(), (std::vector<std::string>{"0001.wav", "0002.wav"}));
    EXPECT_EQ(session_samples("0001.wav").front(), 1000);
    EXPECT_EQ(session_samples("0002.wav").front(), 2000);

    ASSERT_EQ(run_tool("play /b.wav 0.5"), 0);
    EXPECT_NEAR(session_samples("0003.wav").front(), 1000, 2);
    EXPECT_EQ(run_tool("play /missing.wav"), 1);
    EXPECT_EQ(run_tool("speak /missing.script 25:00"), 2);
}

TEST_F(PlayerToolTest, RecordTakesTheMicrophoneFileIntoEachFormat) {
    write_file("mic.wav", pcm_wav(tone(440, 8000, 22050), 22050));
    setenv("CHIMELY_AUDIO_IN", linux_path("mic.wav").c_str(), 1);
    EXPECT_EQ(run_tool("record /out.wav PCM 0.3"), 0);
    EXPECT_EQ(run_tool("record-note /note.mp3 0.3"), 0);
    EXPECT_EQ(run_tool("record /out.x pcm 0.3"), 2);
    unsetenv("CHIMELY_AUDIO_IN");
    const auto recorded = wav_samples(read_file("out.wav"));
    EXPECT_GT(recorded.size(), 5000u);
    EXPECT_EQ(std::vector<int16_t>(recorded.begin(), recorded.begin() + 5000),
              std::vector<int16_t>(tone(440, 5000, 22050)));
    EXPECT_GT(read_file("note.mp3").size(), 200u);
}

} // namespace
