#include "AudioTestFiles.h"
#include "MP3Fixtures.h"
#include "Mp3EncTestSupport.h"
#include "audio/DecoderMP3.h"
#include "audio/FileReaderMP3.h"
#include "audio/MP3PlayChain.h"
#include "audio/Mp3Decoder.h"

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

using namespace audio;
using namespace audio_test;
using namespace mp3_fixture;

namespace {

constexpr int32_t kOne = 0x10000000;   // 1.0 in libmad's fixed point

using StatePtr = std::unique_ptr<Mp3DecoderState, void (*)(Mp3DecoderState*)>;
StatePtr make_state() { return StatePtr(mp3_decoder_create(), mp3_decoder_destroy); }

MP3Data block_of(const std::string& bytes) {
    MP3Data block;
    std::string padded = bytes;
    padded.resize(std::max<size_t>(padded.size(), FileReaderMP3::kBlockSize), '\0');
    block.buffer = liba::SharedBuffer(padded.size(), padded.data());
    block.length = int(bytes.size());
    return block;
}

// Everything the chain's provider yields.
PCMData drain(Provider<PCMData>& provider, std::vector<int16_t>& samples) {
    PCMData format;
    Consumer<PCMData> sink;
    connect(&provider, &sink);
    for (;;) {
        PCMData block;
        sink.pull(block, 100000);
        if (block.empty()) break;
        format = block;
        auto more = samples_of(block);
        samples.insert(samples.end(), more.begin(), more.end());
    }
    connect<PCMData>(&provider, nullptr);
    return format;
}

} // namespace

TEST(Mp3Quantize, FullScaleClipsToTheRails) {
    int64_t error = 0;
    EXPECT_EQ(pcm_quantize_sample(kOne, error, 16), 32767);
    EXPECT_EQ(error, 0x1FFF);   // what the truncation dropped is carried on
    error = 0;
    EXPECT_EQ(pcm_quantize_sample(-kOne, error, 16), -32768);
    EXPECT_EQ(error, 0);
    error = 0;
    EXPECT_EQ(pcm_quantize_sample(INT32_MAX, error, 16), 32767);
    error = 0;
    EXPECT_EQ(pcm_quantize_sample(INT32_MIN, error, 16), -32768);
}

TEST(Mp3Quantize, HalfAStepAlternatesAndAveragesAHalf) {
    int64_t error = 0;
    std::vector<int32_t> out;
    for (int i = 0; i < 8; ++i) out.push_back(pcm_quantize_sample(kOne >> 16, error, 16));
    EXPECT_EQ(out, (std::vector<int32_t>{0, 1, 0, 1, 0, 1, 0, 1}));
}

TEST(Mp3Quantize, ALoudPassageDoesNotHoldTheOutputAtTheRail) {
    int64_t error = 0;
    for (int i = 0; i < 100000; ++i) ASSERT_EQ(pcm_quantize_sample(INT32_MAX, error, 16), 32767);
    // Clipping error is not carried on: silence right after is silence.
    EXPECT_EQ(pcm_quantize_sample(0, error, 16), 0);
    EXPECT_EQ(pcm_quantize_sample(0, error, 16), 0);
    for (int i = 0; i < 100000; ++i) ASSERT_EQ(pcm_quantize_sample(INT32_MIN, error, 16), -32768);
    EXPECT_EQ(pcm_quantize_sample(0, error, 16), 0);
}

TEST(Mp3Quantize, OtherWidths) {
    int64_t error = 0;
    EXPECT_EQ(pcm_quantize_sample(kOne / 2, error, 8), 64);
    EXPECT_EQ(pcm_quantize_sample(-kOne, error, 8), -128);
    error = 0;
    EXPECT_EQ(pcm_quantize_sample(kOne / 2, error, 24), 1 << 22);
    // 32-bit output is quantised at 24 bits.
    error = 0;
    EXPECT_EQ(pcm_quantize_sample(kOne / 2, error, 32), 1 << 22);
}

TEST(Mp3DecoderState, DecodesAHandMadeFrameToSilence) {
    auto state = make_state();
    ASSERT_TRUE(state);
    std::string input = repeat(mpeg2_frame(), 2);
    std::vector<uint8_t> out(2000, 0xAA);
    size_t consumed = 1, produced = 1;
    ASSERT_EQ(mp3_decoder_decode(state.get(), reinterpret_cast<const uint8_t*>(input.data()), input.size(),
                                 out.data(), out.size(), consumed, produced, 16),
              0);
    EXPECT_EQ(consumed, 104u);
    EXPECT_EQ(produced, 1152u);
    for (size_t i = 0; i < produced; ++i) ASSERT_EQ(out[i], 0) << i;
    EXPECT_EQ(out[produced], 0xAA);

    // 8-bit output: silence is 128.
    ASSERT_EQ(mp3_decoder_decode(state.get(), reinterpret_cast<const uint8_t*>(input.data()), input.size(),
                                 out.data(), out.size(), consumed, produced, 8),
              0);
    EXPECT_EQ(produced, 576u);
    EXPECT_EQ(out[0], 128);
    EXPECT_EQ(out[575], 128);
}

TEST(Mp3DecoderState, ReportsShortInputShortOutputAndBadData) {
    auto state = make_state();
    std::string input = repeat(mpeg1_frame(), 2);
    const auto* bytes = reinterpret_cast<const uint8_t*>(input.data());
    std::vector<uint8_t> out(4608);
    size_t consumed = 0, produced = 0;
    EXPECT_EQ(mp3_decoder_decode(state.get(), bytes, input.size(), out.data(), 4607, consumed, produced, 16),
              kMp3DecodeOutputShort);
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(mp3_decoder_decode(state.get(), bytes, 200, out.data(), out.size(), consumed, produced, 16),
              kMp3DecodeInputShort);
    std::string junk(2000, 'j');
    EXPECT_EQ(mp3_decoder_decode(state.get(), reinterpret_cast<const uint8_t*>(junk.data()), junk.size(), out.data(),
                                 out.size(), consumed, produced, 16),
              kMp3DecodeRecoverable);
    EXPECT_EQ(mp3_decoder_decode(state.get(), bytes, input.size(), out.data(), out.size(), consumed, produced, 12),
              kMp3DecodeFailed);
    EXPECT_EQ(mp3_decoder_decode(state.get(), bytes, input.size(), out.data(), out.size(), consumed, produced, 16),
              kMp3DecodeOk);
    EXPECT_EQ(produced, 4608u);
    EXPECT_EQ(consumed, 417u);
}

TEST(DecoderMP3, BlockSizesFollowTheFrame) {
    DecoderMP3 decoder;
    PCMData mono = decoder.decode(block_of(mpeg2_frame() + mpeg2_frame()));
    EXPECT_EQ(mono.length(), 1152);
    EXPECT_EQ(mono.channels, 1);
    EXPECT_EQ(mono.bits_per_sample, 16);
    EXPECT_EQ(mono.sample_rate, 22050);
    PCMData stereo = decoder.decode(block_of(mpeg1_frame() + mpeg1_frame()));
    EXPECT_EQ(stereo.length(), 4608);
    EXPECT_EQ(stereo.channels, 2);
    EXPECT_EQ(stereo.sample_rate, 44100);
}

TEST(DecoderMP3, UnplayableFramesGiveEmptyBlocks) {
    DecoderMP3 decoder;
    PCMData at12k = decoder.decode(block_of(mpeg25_12k_frame() + mpeg25_12k_frame()));
    EXPECT_TRUE(at12k.empty());
    EXPECT_EQ(at12k.channels, 0);
    EXPECT_TRUE(decoder.decode(block_of(std::string(2000, 'j'))).empty());
    EXPECT_TRUE(decoder.decode(MP3Data()).empty());
    MP3Data tiny;
    tiny.buffer = liba::SharedBuffer(3, "\xFF\xF3\x40");
    tiny.length = 3;
    EXPECT_TRUE(decoder.decode(tiny).empty());
}

TEST(PlayChainMP3, PlaysEveryFrameAndTakesTheTagTitle) {
    write_file("chime.mp3", std::string(300, '\0') + repeat(mpeg2_frame(), 10) + id3v1("Morning", "", "", 1, 0));
    auto chain = open_play_chain_mp3(L"\\chime.mp3");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->format_name(), L"mp3");
    EXPECT_EQ(chain->title(), L"Morning");
    std::vector<int16_t> samples;
    PCMData format = drain(*chain->provider(), samples);
    EXPECT_EQ(samples.size(), 10u * 576);
    EXPECT_EQ(format.sample_rate, 22050);
    EXPECT_EQ(std::count(samples.begin(), samples.end(), 0), long(samples.size()));
    EXPECT_TRUE(chain->reader()->is_end());
}

TEST(PlayChainMP3, WithoutATitleTheBareFileNameIsTheTitle) {
    ASSERT_EQ(mkdir(linux_path("bells").c_str(), 0700), 0);
    write_file("bells/bell.mp3", repeat(mpeg1_frame(), 3) + id3v1("", "Artist", "", 0, 0));
    auto chain = open_play_chain_mp3(L"\\bells\\bell.mp3");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->title(), L"bell.mp3");
    write_file("notag.mp3", repeat(mpeg1_frame(), 3));
    EXPECT_EQ(open_play_chain_mp3(L"\\notag.mp3")->title(), L"notag.mp3");
    write_file("words.mp3", "no sound here");
    EXPECT_FALSE(open_play_chain_mp3(L"\\words.mp3"));
}

TEST(PlayChainMP3, AnMpeg25FileAt12000HzPlaysSilentlyToItsEnd) {
    write_file("low.mp3", repeat(mpeg25_12k_frame(), 20));
    auto chain = open_play_chain_mp3(L"\\low.mp3");
    ASSERT_TRUE(chain);
    std::vector<int16_t> samples;
    drain(*chain->provider(), samples);
    EXPECT_TRUE(samples.empty());
    EXPECT_TRUE(chain->reader()->is_end());
}

TEST(PlayChainMP3, EncodedSoundDecodesFrameByFrameAsInOnePass) {
    // Frame-by-frame decoding must carry the bit reservoir from block to block.
    const int rate = 22050;
    auto input = mp3test::sine(1000, rate, rate, 12000);
    std::vector<uint8_t> encoded = mp3test::encode(input, {}, rate, 1, 32);
    ASSERT_FALSE(encoded.empty());
    mp3test::Decoded whole = mp3test::decode(encoded);
    ASSERT_EQ(whole.errors, 0);
    write_file("tone.mp3", std::string(777, 'j') + std::string(encoded.begin(), encoded.end()) +
                               id3v1("Tone", "", "", 0, 0));

    auto chain = open_play_chain_mp3(L"\\tone.mp3");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->reader()->sample_rate(), rate);
    EXPECT_EQ(chain->reader()->bit_rate(), 32000);
    std::vector<int16_t> samples;
    drain(*chain->provider(), samples);
    ASSERT_EQ(samples.size(), whole.left.size());
    int worst = 0;
    for (size_t i = 0; i < samples.size(); ++i) worst = std::max(worst, std::abs(samples[i] - whole.left[i]));
    EXPECT_LE(worst, 1);   // rounding against truncation with error feedback
    EXPECT_NEAR(mp3test::dominant_frequency(samples, rate, rate / 4, rate / 2), 1000, 10);
}

TEST(PlayChainMP3, AJumpIntoTheStreamSkipsFramesWithoutTheirReservoir) {
    const int rate = 22050;
    auto input = mp3test::sine(1000, rate, 2 * rate, 12000);
    std::vector<uint8_t> encoded = mp3test::encode(input, {}, rate, 1, 32);
    write_file("jump.mp3", std::string(encoded.begin(), encoded.end()));
    auto chain = open_play_chain_mp3(L"\\jump.mp3");
    ASSERT_TRUE(chain);
    chain->reader()->seek_time(1.0);
    std::vector<int16_t> samples;
    drain(*chain->provider(), samples);
    // About one second is left; every block handed on is whole frames of sound.
    EXPECT_NEAR(double(samples.size()) / rate, 1.0, 0.1);
    EXPECT_EQ(samples.size() % 576, 0u);
    EXPECT_NEAR(mp3test::dominant_frequency(samples, rate, rate / 4, rate / 2), 1000, 10);
}
