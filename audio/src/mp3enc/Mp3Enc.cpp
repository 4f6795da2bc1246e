#include "audio/mp3enc/Mp3Enc.h"

#include "audio/mp3enc/Encoder.h"

#include <memory>
#include <new>

namespace audio {

Mp3EncHandle* mp3enc_init() { return new (std::nothrow) mp3enc::Encoder(); }

void mp3enc_destroy(Mp3EncHandle* handle) { delete handle; }

int mp3enc_set_in_samplerate(Mp3EncHandle* handle, int rate) { return handle->set_in_samplerate(rate); }

int mp3enc_set_channels(Mp3EncHandle* handle, int channels) { return handle->set_channels(channels); }

int mp3enc_set_kbps(Mp3EncHandle* handle, int kbps) { return handle->set_kbps(kbps); }

int mp3enc_init_params(Mp3EncHandle* handle) { return handle->init_params(); }

Mp3EncHandle* mp3enc_create(int sample_rate, int channels, int kbps) {
    std::unique_ptr<Mp3EncHandle> handle(mp3enc_init());
    if (!handle)
        return nullptr;
    // A refused parameter would leave an encoder that produces nothing usable: refuse it whole.
    if (mp3enc_set_in_samplerate(handle.get(), sample_rate) < 0 || mp3enc_set_channels(handle.get(), channels) < 0 ||
        mp3enc_set_kbps(handle.get(), kbps) < 0 || mp3enc_init_params(handle.get()) < 0)
        return nullptr;
    return handle.release();
}

int mp3enc_frame_samples(const Mp3EncHandle* handle) { return handle ? handle->frame_samples() : 0; }

int mp3enc_encode(Mp3EncHandle* handle, const int16_t* left, const int16_t* right, int count, uint8_t* out,
                  int out_size) {
    return handle ? handle->encode(left, right, count, out, out_size) : -1;
}

int mp3enc_flush(Mp3EncHandle* handle, uint8_t* out, int out_size) {
    return handle ? handle->flush(out, out_size) : -1;
}

} // namespace audio
