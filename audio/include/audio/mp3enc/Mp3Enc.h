#pragma once
#include <cstdint>

namespace audio {

namespace mp3enc {
class Encoder;
}

// The MP3 encoder's programming interface: an opaque handle with the encoder's parameters and
// working state.
using Mp3EncHandle = mp3enc::Encoder;

// Input rate in Hz, channels 1 or 2, bit rate in kbit/s; null when the parameters are refused.
Mp3EncHandle* mp3enc_create(int sample_rate, int channels, int kbps);
void mp3enc_destroy(Mp3EncHandle* handle);

// Samples per channel one call of mp3enc_encode should be given: 1152 above 24000 Hz output, else 576.
int mp3enc_frame_samples(const Mp3EncHandle* handle);
// Bytes of bitstream written (0 or more), negative on error or when out_size (0 = no limit) is
// too small for the finished bytes.
int mp3enc_encode(Mp3EncHandle* handle, const int16_t* left, const int16_t* right, int count, uint8_t* out,
                  int out_size);
// Encodes what is still buffered, padded with silence, and the last frames.
int mp3enc_flush(Mp3EncHandle* handle, uint8_t* out, int out_size);

// The steps of mp3enc_create.
Mp3EncHandle* mp3enc_init();
int mp3enc_set_in_samplerate(Mp3EncHandle* handle, int rate);
int mp3enc_set_channels(Mp3EncHandle* handle, int channels);
int mp3enc_set_kbps(Mp3EncHandle* handle, int kbps);
int mp3enc_init_params(Mp3EncHandle* handle);

} // namespace audio
