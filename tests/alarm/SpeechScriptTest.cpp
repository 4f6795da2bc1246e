#include "TempRoot.h"
#include "alarm/SpeechScript.h"
#include "audio/AudioPlayerQueue.h"
#include "audio/PlayerPCM.h"
#include "base/Scheduler.h"
#include "plat/Clock.h"
#include "plat/Messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

std::string root() { return testing_support::process_root(); }

void write(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(root() + "/" + name).parent_path());
    std::ofstream(root() + "/" + name, std::ios::binary) << bytes;
}

const char* kDictionary = R"(<?xml version="1.0"?>
<Dictionary>
  <!-- hours and minutes -->
  <h0 value="h0"/><h7 value="h7"/><h8 value="h8"/><h12 value="h12"/><h23 value="h23"/>
  <m15 value="m15"/><m45 value="m45"/><m60 value="m60"/>
  <oclock value="oclock"/>
  <m21 composition="m20  m1"/><m20 value="m20"/><m1 value="m1"/>
  <h7 value="second"/>
  <loop composition="m1 loop m20"/>
  <ping composition="pong"/><pong composition="ping m1"/>
</Dictionary>
)";

class SpeechScriptTest : public testing::Test {
protected:
    void SetUp() override {
        scheduler = std::make_unique<CActiveScheduler>();
        set_active_scheduler(scheduler.get());
        write("speech/dict.xml", kDictionary);
    }
    void TearDown() override {
        queue.reset();
        set_active_scheduler(nullptr);
        scheduler.reset();
    }

    // The words a script hands to the queue for that time, by recording name.
    std::vector<std::string> spoken(const std::string& program, int hour, int minute, const std::string& first = "dict.xml\n") {
        write("speech/test.script", first + program);
        queue = std::make_unique<AudioPlayerQueue>(0);
        SpeechScript script(queue.get(), L"\\speech\\test.script");
        script.compose(hour, minute);
        std::vector<std::string> words;
        for (const std::wstring& path : queue->waiting()) {
            std::string name(path.begin(), path.end());
            EXPECT_EQ(name.rfind("\\speech\\", 0), 0u) << name;
            name = name.substr(name.rfind('\\') + 1);
            words.push_back(name.substr(0, name.size() - 4));
        }
        return words;
    }
    using Words = std::vector<std::string>;

    std::unique_ptr<CActiveScheduler> scheduler;
    std::unique_ptr<AudioPlayerQueue> queue;
};

const std::string kOClock = "if(%M% == 0) out(h%H% oclock)\r\nout(h%H% m%M%)\r\n";

TEST_F(SpeechScriptTest, TheFirstOutputWhoseConditionHoldsIsSpoken) {
    EXPECT_EQ(spoken(kOClock, 7, 0), (Words{"h7", "oclock"}));
    EXPECT_EQ(spoken(kOClock, 7, 15), (Words{"h7", "m15"}));
    // An out without a preceding if always holds; a second out never runs.
    EXPECT_EQ(spoken("out(h%H%) out(oclock)", 8, 0), (Words{"h8"}));
    // A later if replaces an earlier one.
    EXPECT_EQ(spoken("if(1 == 2) if(1 == 1) out(oclock)", 8, 0), (Words{"oclock"}));
    // A statement of another name ends the script.
    EXPECT_EQ(spoken("say(h7) out(oclock)", 8, 0), Words{});
}

TEST_F(SpeechScriptTest, ConditionsJoinLeftToRightWithoutPrecedence) {
    const std::string noon = "if(%H% > 11 & %H% < 13) out(h12) out(oclock)";
    EXPECT_EQ(spoken(noon, 12, 5), (Words{"h12"}));
    EXPECT_EQ(spoken(noon, 11, 5), (Words{"oclock"}));
    EXPECT_EQ(spoken(noon, 13, 5), (Words{"oclock"}));
    // ((H < 6) OR (H > 21)) AND (M == 0)
    const std::string night = "if(%H% < 6 | %H% > 21 & %M% == 0) out(h0) out(oclock)";
    EXPECT_EQ(spoken(night, 23, 0), (Words{"h0"}));
    EXPECT_EQ(spoken(night, 3, 0), (Words{"h0"}));
    EXPECT_EQ(spoken(night, 3, 1), (Words{"oclock"}));  // with precedence this would hold
    EXPECT_EQ(spoken(night, 12, 0), (Words{"oclock"}));
}

TEST_F(SpeechScriptTest, MalformedConditionsAreFalse) {
    SpeechScript script(nullptr, L"\\nothing.script");
    EXPECT_FALSE(script.eval_condition(L"%H% >", 7, 0));
    EXPECT_FALSE(script.eval_condition(L"", 7, 0));
    EXPECT_FALSE(script.eval_condition(L"%H% => 1", 7, 0));
    EXPECT_FALSE(script.eval_condition(L"1 == 1 and 2 == 2", 7, 0));
    EXPECT_FALSE(script.eval_condition(L"1 == 1 & 2", 7, 0));
    EXPECT_TRUE(script.eval_condition(L"  1   ==   1  ", 7, 0));
    EXPECT_TRUE(script.eval_condition(L"-3 < +2 & 7 != 8 & 5 >= 5 & 4 <= 4", 7, 0));
}

TEST_F(SpeechScriptTest, OperandsWrapAroundTheDay) {
    SpeechScript script(nullptr, L"\\nothing.script");
    EXPECT_EQ(script.eval_operand(L"%H-1%", 0, 0), 23);
    EXPECT_EQ(script.eval_operand(L"%H+1%", 23, 0), 0);
    EXPECT_EQ(script.eval_operand(L"%60-M%", 5, 0), 60);
    EXPECT_EQ(script.eval_operand(L"%60-M%", 5, 45), 15);
    EXPECT_EQ(script.eval_operand(L"%M%", 5, 45), 45);
    EXPECT_EQ(script.eval_operand(L"12abc", 5, 45), 12);
    EXPECT_EQ(script.eval_operand(L"abc", 5, 45), 0);
    EXPECT_EQ(script.eval_operand(L"-7", 5, 45), -7);
}

TEST_F(SpeechScriptTest, PlaceholdersAreReplacedOnceEach) {
    EXPECT_EQ(spoken("out(h%H+1% m%60-M%)", 23, 15), (Words{"h0", "m45"}));
    EXPECT_EQ(spoken("out(h%H-1% m%60-M%)", 0, 0), (Words{"h23", "m60"}));
    // Only the first %M% is replaced; the second names no word.
    EXPECT_EQ(spoken("out(m%M% m%M% oclock)", 7, 15), (Words{"m15", "oclock"}));
}

TEST_F(SpeechScriptTest, CompositionsExpandInOrderAndLoopsEnd) {
    EXPECT_EQ(spoken("out(h%H% m%M%)", 7, 21), (Words{"h7", "m20", "m1"}));
    EXPECT_EQ(spoken("out(loop oclock)", 7, 0), (Words{"m1", "m20", "oclock"}));
    EXPECT_EQ(spoken("out(ping oclock)", 7, 0), (Words{"m1", "oclock"}));
    EXPECT_EQ(spoken("out(unknown oclock)", 7, 0), (Words{"oclock"}));
}

TEST_F(SpeechScriptTest, AWideFanOfCompositionsEndsAndTheNextWordIsStillSpoken) {
    // Ten levels of thirty words each: 30^10 paths, whether or not they end in a recording.
    std::string dictionary = "<Dictionary><oclock value=\"oclock\"/>";
    for (int level = 0; level < 10; ++level) {
        dictionary += "<f" + std::to_string(level) + " composition=\"";
        for (int i = 0; i < 30; ++i)
            dictionary += "f" + std::to_string(level + 1) + (level == 9 ? "x " : " ");
        dictionary += "\"/>";
    }
    write("speech/fan.xml", dictionary + "</Dictionary>");
    // f9 names only unknown words: nothing is spoken for f0, and oclock follows.
    const Words words = spoken("out(f0 oclock)", 7, 0, "fan.xml\n");
    EXPECT_EQ(words, Words{"oclock"});
}

TEST_F(SpeechScriptTest, TheDictionaryLineMayEndInCarriageReturn) {
    EXPECT_EQ(spoken("out(oclock)", 7, 0, "dict.xml\r\n"), (Words{"oclock"}));
    EXPECT_EQ(spoken("out(oclock)", 7, 0, "  dict.xml \r\n"), (Words{"oclock"}));
    // A missing dictionary or script speaks nothing.
    EXPECT_EQ(spoken("out(oclock)", 7, 0, "none.xml\n"), Words{});
    AudioPlayerQueue q(0);
    SpeechScript missing(&q, L"\\speech\\none.script");
    missing.compose(7, 0);
    EXPECT_TRUE(q.is_empty());
}

TEST_F(SpeechScriptTest, TheFirstEntryOfAWordCountsAndAUtf16ScriptLoads) {
    const std::string text = "dict.xml\nout(h%H%)";
    std::string utf16 = "\xFF\xFE";
    for (char c : text)
        utf16 += std::string{c, '\0'};
    write("speech/wide.script", utf16);
    AudioPlayerQueue q(0);
    SpeechScript script(&q, L"\\speech\\wide.script");
    script.compose(7, 0);
    ASSERT_EQ(q.waiting().size(), 1u);
    EXPECT_EQ(q.waiting()[0], L"\\speech\\h7.mp3");
}

// A dictionary of tones, one frequency per word, spoken through the real queue into the dump.
std::string tone_wav(double frequency, int rate, double seconds) {
    const size_t n = size_t(rate * seconds);
    std::string data(n * 2, '\0');
    for (size_t i = 0; i < n; ++i) {
        const auto s = int16_t(12000 * std::sin(2 * M_PI * frequency * double(i) / rate));
        std::memcpy(&data[i * 2], &s, 2);
    }
    auto u16 = [](uint32_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; };
    auto u32 = [&](uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    const std::string fmt = u16(1) + u16(1) + u32(uint32_t(rate)) + u32(uint32_t(rate * 2)) + u16(2) + u16(16);
    const std::string body = "WAVEfmt " + u32(16) + fmt + "data" + u32(uint32_t(data.size())) + data;
    return "RIFF" + u32(uint32_t(body.size())) + body;
}

double strongest(const std::vector<int16_t>& samples, int rate, const std::vector<double>& candidates) {
    double best = 0, best_power = -1;
    for (double f : candidates) {
        const double c = 2 * std::cos(2 * M_PI * f / rate);
        double s1 = 0, s2 = 0;
        for (int16_t x : samples) {
            const double s0 = x + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
        if (power > best_power) {
            best_power = power;
            best = f;
        }
    }
    return best;
}

TEST_F(SpeechScriptTest, ToneDictionaryIsSpokenInScriptOrder) {
    setenv("CHIMELY_AUDIO", "null", 1);
    const std::string dump = root() + "/dump";
    std::filesystem::remove_all(dump);
    std::filesystem::create_directories(dump);
    setenv("CHIMELY_AUDIO_DUMP", dump.c_str(), 1);
    audio::set_master_volume(1.0);
    // WAV contents under .mp3 names: the play chain goes by content.
    const std::vector<std::pair<std::string, double>> tones = {{"t7", 440}, {"t20", 660}, {"t1", 880}, {"toclock", 1100}};
    for (const auto& [name, f] : tones)
        write("tones/" + name + ".mp3", tone_wav(f, 22050, 0.12));
    write("tones/dict.xml", R"(<Dictionary><h7 value="t7"/><m20 value="t20"/><m1 value="t1"/>
        <m21 composition="m20 m1"/><oclock value="toclock"/></Dictionary>)");
    write("tones/clock.script", "dict.xml\r\nif(%M% == 0) out(h%H% oclock)\r\nout(h%H% m%M% oclock)\r\n");

    plat::set_fake_clock(plat::SystemTime{2026, 3, 0, 7, 7, 21, 0, 0}, true);
    queue = std::make_unique<AudioPlayerQueue>(0);
    SpeechScript script(queue.get(), L"\\tones\\clock.script");
    script.compose(7, 21);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    plat::MSG msg;
    while (!queue->is_empty() && std::chrono::steady_clock::now() < deadline) {
        if (plat::peek_message(msg, nullptr, 0, 0, plat::PM_REMOVE))
            plat::dispatch_message(msg);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    plat::clear_fake_clock();
    unsetenv("CHIMELY_AUDIO_DUMP");
    ASSERT_TRUE(queue->is_empty());

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dump))
        if (entry.path().extension() == ".wav")
            names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    std::vector<double> heard;
    for (const std::string& name : names) {
        std::ifstream in(name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<int16_t> samples((bytes.size() - 44) / 2);
        std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
        heard.push_back(strongest(samples, 22050, {440, 660, 880, 1100}));
    }
    EXPECT_EQ(heard, (std::vector<double>{440, 660, 880, 1100}));
}

} // namespace
