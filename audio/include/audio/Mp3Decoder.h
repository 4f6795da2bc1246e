#pragma once
#include <cstddef>
#include <cstdint>

namespace audio {

// One frame at a time from MP3 bytes to interleaved little-endian PCM, over libmad.
struct Mp3DecoderState;

constexpr int kMp3DecodeOk = 0;
constexpr int kMp3DecodeInputShort = 1;    // not a whole frame in the input
constexpr int kMp3DecodeOutputShort = 2;   // the output buffer is smaller than the frame
constexpr int kMp3DecodeRecoverable = -1;  // lost sync, bad CRC, missing bit reservoir...
constexpr int kMp3DecodeFailed = -2;

// Null when memory runs out.
Mp3DecoderState* mp3_decoder_create();
void mp3_decoder_destroy(Mp3DecoderState* state);

// Decodes the frame at the start of input. bits is 8, 16, 24 or 32 (32 carries 24 bits). On
// success produced is the count of bytes written and consumed the bytes up to the frame's end.
int mp3_decoder_decode(Mp3DecoderState* state, const uint8_t* input, size_t input_size, uint8_t* output,
                       size_t output_size, size_t& consumed, size_t& produced, int bits);

// One libmad sample (28 fraction bits) to an output sample of bits (up to 24) with first-order
// error feedback: error carries the truncation error of the channel's previous sample.
int32_t pcm_quantize_sample(int32_t sample, int64_t& error, int bits);

} // namespace audio
