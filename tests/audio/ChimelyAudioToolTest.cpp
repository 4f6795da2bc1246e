#include "AudioTestFiles.h"
#include "audio/RecordChain.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

using namespace audio;
using namespace audio_test;

namespace {

std::string tool() {
    const char* build = std::getenv("CHIMELY_BUILD");
    return build ? std::string(build) + "/tools/chimely-audio" : std::string();
}

// Runs the tool in the test's device root; answers its exit code and standard output.
int run(const std::string& arguments, std::string& output) {
    output.clear();
    FILE* pipe = popen((tool() + " " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 256> chunk{};
    while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe)) output.append(chunk.data(), n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ChimelyAudioTool : public testing::Test {
protected:
    void SetUp() override {
        if (tool().empty() || !std::ifstream(tool()).good()) GTEST_SKIP() << "chimely-audio is not built";
        auto chain = create_record_chain(device_path("in.wav"), L"PCM", 0, 0, 0, 0, false);
        chain->consumer()->on_data(pcm_block(sine(20000, 1, 8000), 1, 8000));
    }
    std::string out;
};

} // namespace

TEST_F(ChimelyAudioTool, InfoDescribesThePlayChain) {
    EXPECT_EQ(run("info /in.wav", out), 0);
    EXPECT_EQ(out, "format=PCM title=in.wav channels=1 bits=16 rate=8000 length=40000\n");
    write_file("words.txt", "not a sound");
    EXPECT_EQ(run("info /words.txt", out), 1);
    EXPECT_EQ(run("info /missing.wav", out), 1);
}

TEST_F(ChimelyAudioTool, DecodeWritesThePCMThatThePlayChainGives) {
    ASSERT_EQ(run("convert /in.wav /g.wav GSM", out), 0);
    EXPECT_EQ(run("info /g.wav", out), 0);
    EXPECT_EQ(out, "format=GSM title=g.wav channels=1 bits=16 rate=8000 length=62\n");
    ASSERT_EQ(run("decode /g.wav /d.wav", out), 0);
    EXPECT_EQ(wav_samples(read_file("d.wav")).size(), 62u * 320);
    ASSERT_EQ(run("decode /in.wav /copy.wav", out), 0);
    EXPECT_EQ(read_file("copy.wav"), read_file("in.wav"));
}

TEST_F(ChimelyAudioTool, ConvertWritesTheRecordChainsFormat) {
    ASSERT_EQ(run("convert /in.wav /a.wav ADPCM", out), 0);
    EXPECT_EQ(run("info /a.wav", out), 0);
    EXPECT_EQ(out, "format=ADPCM title=a.wav channels=1 bits=16 rate=8000 length=40\n");
    ASSERT_EQ(run("convert /a.wav /p.wav PCM", out), 0);
    EXPECT_EQ(run("info /p.wav", out), 0);
    EXPECT_EQ(out, "format=PCM title=p.wav channels=1 bits=16 rate=8000 length=40000\n");
    EXPECT_NE(run("convert /in.wav /x.wav pcm", out), 0);
    EXPECT_FALSE(file_exists("x.wav"));
}

TEST_F(ChimelyAudioTool, ConvertFailsWhenTheFormatTakesNoneOfTheSound) {
    // GSM takes only 8000 Hz mono, ADPCM only 16-bit: the record chain drops all of it.
    {
        auto chain = create_record_chain(device_path("wide.wav"), L"PCM", 0, 0, 0, 0, false);
        chain->consumer()->on_data(pcm_block(sine(5000, 1, 22050), 1, 22050));
    }
    EXPECT_EQ(run("convert /wide.wav /wide-gsm.wav GSM", out), 1);
    EXPECT_FALSE(file_exists("wide-gsm.wav"));
    {
        auto chain = create_record_chain(device_path("narrow.wav"), L"PCM", 0, 0, 0, 0, false);
        PCMData block;
        block.buffer = liba::SharedBuffer(4000);
        block.buffer.fill(128);
        block.channels = 1;
        block.bits_per_sample = 8;
        block.sample_rate = 8000;
        chain->consumer()->on_data(block);
    }
    EXPECT_EQ(run("convert /narrow.wav /narrow-adpcm.wav ADPCM", out), 1);
    EXPECT_FALSE(file_exists("narrow-adpcm.wav"));
}
