#include "audio/ADPCMCodec.h"

#include <algorithm>
#include <cstdlib>

namespace audio {
namespace {

struct ChannelState {
    int c1 = 0;
    int c2 = 0;
    int delta = 0;
    int sample1 = 0;
    int sample2 = 0;
};

int16_t read_i16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }

void write_i16(uint8_t* p, int v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

int clamp16(int v) { return std::clamp(v, -32768, 32767); }

int predict(const ChannelState& s) { return (s.sample1 * s.c1 + s.sample2 * s.c2) >> 8; }

void adapt(ChannelState& s, int nibble, int value) {
    s.sample2 = s.sample1;
    s.sample1 = value;
    s.delta = (kADPCMAdaptation[nibble] * s.delta) >> 8;
    if (s.delta < kADPCMMinDelta) s.delta = kADPCMMinDelta;
    if (s.delta > kADPCMMaxDelta) s.delta = kADPCMMaxDelta;
}

int16_t decode_nibble(ChannelState& s, int nibble) {
    int n = (nibble & 8) ? nibble - 16 : nibble;
    int value = clamp16(predict(s) + s.delta * n);
    adapt(s, nibble, value);
    return static_cast<int16_t>(value);
}

int encode_sample(ChannelState& s, int input, int& max_error) {
    int predicted = predict(s);
    int n = std::clamp((input - predicted) / s.delta, -8, 7);   // truncates toward zero
    int value = clamp16(predicted + s.delta * n);
    max_error = std::max(max_error, std::abs(value - input));
    int nibble = n < 0 ? n + 16 : n;
    adapt(s, nibble, value);
    return nibble;
}

} // namespace

int adpcm_samples_per_block(int block_align, int channels) {
    if (channels < 1 || channels > 2 || block_align < adpcm_header_size(channels) + 1) return 0;
    return (block_align - adpcm_header_size(channels)) * 8 / (4 * channels) + 2;
}

int adpcm_block_size(int rate, int channels) {
    if (rate < 22050) return channels * 256;
    if (rate < 44100) return channels * 512;
    if (rate < 96000) return channels * 1024;
    return channels * 2048;
}

bool adpcm_decode_block(const uint8_t* block, int16_t* out, int channels, int samples_per_block) {
    if (channels < 1 || channels > 2 || samples_per_block < 2) return false;
    ChannelState state[2];
    for (int c = 0; c < channels; ++c)
        if (block[c] >= kADPCMPredictorCount) return false;
    for (int c = 0; c < channels; ++c) {
        ChannelState& s = state[c];
        s.c1 = kADPCMCoefficients[block[c]][0];
        s.c2 = kADPCMCoefficients[block[c]][1];
        s.delta = read_i16(block + channels + 2 * c);
        s.sample1 = read_i16(block + 3 * channels + 2 * c);
        s.sample2 = read_i16(block + 5 * channels + 2 * c);
        // Sample 2 is the earlier one.
        out[c] = static_cast<int16_t>(s.sample2);
        out[channels + c] = static_cast<int16_t>(s.sample1);
    }
    const uint8_t* coded = block + adpcm_header_size(channels);
    int remaining = (samples_per_block - 2) * channels;
    int16_t* o = out + 2 * channels;
    for (int i = 0; i < remaining; i += 2) {
        uint8_t byte = *coded++;
        // Mono: two samples per byte; stereo: one frame per byte, left in the high nibble.
        o[i] = decode_nibble(state[i % channels], byte >> 4);
        if (i + 1 < remaining) o[i + 1] = decode_nibble(state[(i + 1) % channels], byte & 0x0F);
    }
    return true;
}

void adpcm_encode_block(int predictor, const int16_t* samples, int channels, int samples_per_block,
                        uint8_t* out, int& max_error) {
    max_error = 0;
    if (channels < 1 || channels > 2 || samples_per_block < 2 || predictor < 0 ||
        predictor >= kADPCMPredictorCount)
        return;
    ChannelState state[2];
    for (int c = 0; c < channels; ++c) {
        ChannelState& s = state[c];
        s.c1 = kADPCMCoefficients[predictor][0];
        s.c2 = kADPCMCoefficients[predictor][1];
        s.delta = kADPCMInitialDelta;
        s.sample1 = samples[channels + c];
        s.sample2 = samples[c];
        out[c] = static_cast<uint8_t>(predictor);
        write_i16(out + channels + 2 * c, s.delta);
        write_i16(out + 3 * channels + 2 * c, s.sample1);
        write_i16(out + 5 * channels + 2 * c, s.sample2);
    }
    uint8_t* coded = out + adpcm_header_size(channels);
    int remaining = (samples_per_block - 2) * channels;
    const int16_t* in = samples + 2 * channels;
    for (int i = 0; i < remaining; i += 2) {
        int high = encode_sample(state[i % channels], in[i], max_error);
        int low = i + 1 < remaining ? encode_sample(state[(i + 1) % channels], in[i + 1], max_error) : 0;
        *coded++ = static_cast<uint8_t>((high << 4) | low);
    }
}

} // namespace audio
