#include "audio/Mp3Decoder.h"

#include <mad.h>

#include <algorithm>
#include <new>

namespace audio {

struct Mp3DecoderState {
    mad_stream stream{};
    mad_frame frame{};
    mad_synth synth{};
};

namespace {

constexpr int64_t kOne = int64_t(1) << MAD_F_FRACBITS;   // 1.0 in libmad's fixed point

void put_sample(uint8_t*& out, int32_t value, int bits) {
    switch (bits) {
    case 8: *out++ = uint8_t(value + 128); break;
    case 16:
        *out++ = uint8_t(value);
        *out++ = uint8_t(value >> 8);
        break;
    case 24:
        *out++ = uint8_t(value);
        *out++ = uint8_t(value >> 8);
        *out++ = uint8_t(value >> 16);
        break;
    default: {   // 32: the 24-bit value in the upper three bytes
        const uint32_t wide = uint32_t(value) << 8;
        *out++ = uint8_t(wide);
        *out++ = uint8_t(wide >> 8);
        *out++ = uint8_t(wide >> 16);
        *out++ = uint8_t(wide >> 24);
    }
    }
}

} // namespace

Mp3DecoderState* mp3_decoder_create() {
    auto* state = new (std::nothrow) Mp3DecoderState();
    if (!state) return nullptr;
    mad_stream_init(&state->stream);
    mad_frame_init(&state->frame);
    mad_synth_init(&state->synth);
    return state;
}

void mp3_decoder_destroy(Mp3DecoderState* state) {
    if (!state) return;
    mad_synth_finish(&state->synth);
    mad_frame_finish(&state->frame);
    mad_stream_finish(&state->stream);
    delete state;
}

int32_t pcm_quantize_sample(int32_t sample, int64_t& error, int bits) {
    const int precision = std::min(bits, 24);
    const int shift = MAD_F_FRACBITS + 1 - precision;
    // In 64 bits, and only the truncation error is carried on: clipping error would pile up
    // without bound on a loud passage and hold the output at the rail.
    const int64_t wanted = int64_t(sample) + error;
    const int64_t clipped = std::clamp<int64_t>(wanted, -kOne, kOne - 1);
    const int64_t truncated = clipped & ~((int64_t(1) << shift) - 1);
    error = clipped - truncated;
    return int32_t(truncated >> shift);
}

int mp3_decoder_decode(Mp3DecoderState* state, const uint8_t* input, size_t input_size, uint8_t* output,
                       size_t output_size, size_t& consumed, size_t& produced, int bits) {
    consumed = 0;
    produced = 0;
    if (!state || (bits != 8 && bits != 16 && bits != 24 && bits != 32)) return kMp3DecodeFailed;
    mad_stream_buffer(&state->stream, input, input_size);
    if (mad_frame_decode(&state->frame, &state->stream) != 0) {
        if (state->stream.error == MAD_ERROR_BUFLEN) return kMp3DecodeInputShort;
        return MAD_RECOVERABLE(state->stream.error) ? kMp3DecodeRecoverable : kMp3DecodeFailed;
    }
    mad_synth_frame(&state->synth, &state->frame);
    const mad_pcm& pcm = state->synth.pcm;
    const size_t needed = size_t(pcm.length) * pcm.channels * (bits / 8);
    if (output_size < needed) return kMp3DecodeOutputShort;

    int64_t errors[2] = {0, 0};
    uint8_t* out = output;
    for (unsigned i = 0; i < pcm.length; ++i)
        for (unsigned c = 0; c < pcm.channels; ++c)
            put_sample(out, pcm_quantize_sample(pcm.samples[c][i], errors[c], bits), bits);
    produced = needed;
    consumed = size_t(state->stream.next_frame - input);
    return kMp3DecodeOk;
}

} // namespace audio
