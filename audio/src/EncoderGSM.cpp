#include "audio/EncoderGSM.h"

#include "audio/WAVInfoGSM.h"

#include <gsm.h>

#include <cstring>

namespace audio {

EncoderGSM::EncoderGSM() : codec_(gsm_create()) {
    int wav49 = 1;
    if (codec_) gsm_option(codec_, GSM_OPT_WAV49, &wav49);
}

EncoderGSM::~EncoderGSM() {
    if (codec_) gsm_destroy(codec_);
}

PCMData EncoderGSM::make_block(const PCMData& format) {
    if (!codec_ || format.bits_per_sample != 16 || format.channels != 1 || format.sample_rate != kGSMSampleRate)
        return PCMData();
    PCMData staging;
    staging.buffer = liba::SharedBuffer(kGSMSamplesPerBlock * 2);
    staging.channels = 1;
    staging.bits_per_sample = 16;
    staging.sample_rate = kGSMSampleRate;
    return staging;
}

GSMData EncoderGSM::encode(const PCMData& staging) {
    GSMData out;
    out.buffer = liba::SharedBuffer(kGSMBlockAlign);
    out.buffer.fill(0);
    gsm_signal frame[kGSMSamplesPerBlock];
    std::memcpy(frame, staging.buffer.data(), sizeof frame);
    auto* bytes = reinterpret_cast<gsm_byte*>(out.buffer.writable_data());
    // WAV49: the first frame takes 32 bytes and a half, the second starts at byte 32.
    gsm_encode(codec_, frame, bytes);
    gsm_encode(codec_, frame + kGSMFrameSamples, bytes + 32);
    return out;
}

int EncoderGSM::bit_rate() { return kGSMBitRate; }

} // namespace audio
