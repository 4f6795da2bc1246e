#include "audio/DecoderGSM.h"

#include "audio/WAVInfoGSM.h"

#include <gsm.h>

namespace audio {

DecoderGSM::DecoderGSM() : codec_(gsm_create()) {
    int wav49 = 1;
    if (codec_) gsm_option(codec_, GSM_OPT_WAV49, &wav49);
}

DecoderGSM::~DecoderGSM() {
    if (codec_) gsm_destroy(codec_);
}

int DecoderGSM::input_request(int frames) {
    // In 64 bits: a request for "everything" (INT_MAX) must not wrap to a negative block count.
    return static_cast<int>((int64_t(frames) + kGSMFrameSamples - 1) / kGSMFrameSamples);
}

PCMData DecoderGSM::decode(const GSMData& data) {
    const size_t blocks = data.buffer.length() / kGSMBlockAlign;
    if (!codec_ || blocks == 0) return PCMData();
    PCMData out;
    out.buffer = liba::SharedBuffer(blocks * kGSMSamplesPerBlock * 2);
    out.buffer.fill(0);
    out.channels = 1;
    out.bits_per_sample = 16;
    out.sample_rate = kGSMSampleRate;
    auto* samples = reinterpret_cast<gsm_signal*>(out.buffer.writable_data());
    // WAV49 packs two frames per block; the codec reads 33 bytes, then 32, and tracks which half is next.
    auto* in = const_cast<gsm_byte*>(reinterpret_cast<const gsm_byte*>(data.buffer.data()));
    for (size_t b = 0; b < blocks; ++b) {
        gsm_decode(codec_, in + b * kGSMBlockAlign, samples + b * kGSMSamplesPerBlock);
        gsm_decode(codec_, in + b * kGSMBlockAlign + 33, samples + b * kGSMSamplesPerBlock + kGSMFrameSamples);
    }
    return out;
}

} // namespace audio
