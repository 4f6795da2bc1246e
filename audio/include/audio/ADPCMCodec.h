#pragma once
#include <cstddef>
#include <cstdint>

namespace audio {

// Microsoft ADPCM: 4 bits per sample, mono or stereo, fixed blocks.
inline constexpr int kADPCMPredictorCount = 7;
inline constexpr int16_t kADPCMCoefficients[kADPCMPredictorCount][2] = {
    {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
inline constexpr int kADPCMAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                             768, 614, 512, 409, 307, 230, 230, 230};
inline constexpr int kADPCMInitialDelta = 16;
inline constexpr int kADPCMMinDelta = 16;
// Valid encoders never come near this; crafted nibbles would otherwise grow the delta until it overflows.
inline constexpr int kADPCMMaxDelta = 1 << 20;
inline constexpr int kADPCMMaxBlockAlign = 4096;   // 2 channels x 2048 at 96000 Hz and above

// Bytes of the block header for the channel count (predictor, delta, two samples).
inline constexpr int adpcm_header_size(int channels) { return 7 * channels; }

// Samples per channel in one block of block_align bytes; 0 when the block cannot hold a header
// and at least one coded byte, or the channel count is not 1 or 2.
int adpcm_samples_per_block(int block_align, int channels);

// Block size the recorder uses for a sample rate and channel count.
int adpcm_block_size(int rate, int channels);

// Decodes one block (adpcm_samples_per_block bytes' worth) into interleaved 16-bit samples.
// False, with out untouched, when a predictor index is above 6.
bool adpcm_decode_block(const uint8_t* block, int16_t* out, int channels, int samples_per_block);

// Encodes one block of interleaved samples with one predictor for every channel; max_error gets
// the largest difference between an input sample and what a decoder will reconstruct.
void adpcm_encode_block(int predictor, const int16_t* samples, int channels, int samples_per_block,
                        uint8_t* out, int& max_error);

} // namespace audio
