#include "audio/DecoderMP3.h"

#include "audio/Mp3Decoder.h"
#include "audio/Mp3Frame.h"

#include <algorithm>

namespace audio {

namespace {

constexpr int kOutputBits = 16;

// The rates wave-out plays: MPEG-2.5 at 12000 Hz is left out.
bool is_playable_rate(int rate) {
    constexpr int kRates[] = {8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000};
    return std::find(std::begin(kRates), std::end(kRates), rate) != std::end(kRates);
}

} // namespace

DecoderMP3::DecoderMP3() : state_(mp3_decoder_create()) {}

DecoderMP3::~DecoderMP3() { mp3_decoder_destroy(state_); }

PCMData DecoderMP3::decode(const MP3Data& frame) {
    MpegFrameInfo info;
    if (!state_ || frame.buffer.length() < size_t(kMpegHeaderSize) ||
        !parse_mpeg_audio_header(frame.buffer.data(), info) || !is_playable_rate(info.sample_rate))
        return PCMData();
    liba::SharedBuffer samples(size_t(info.samples_per_frame) * info.channels * (kOutputBits / 8));
    size_t consumed = 0;
    size_t produced = 0;
    // All the block's bytes: libmad reads past the frame's end into the next frame's header.
    if (mp3_decoder_decode(state_, frame.buffer.data(), frame.buffer.length(), samples.writable_data(),
                           samples.length(), consumed, produced, kOutputBits) != kMp3DecodeOk)
        return PCMData();
    PCMData block;
    block.buffer = produced == samples.length() ? samples : front_bytes(samples, produced);
    block.channels = info.channels;
    block.bits_per_sample = kOutputBits;
    block.sample_rate = info.sample_rate;
    return block;
}

} // namespace audio
