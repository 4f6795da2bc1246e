#include "audio/EncoderADPCM.h"

namespace audio {

PCMData EncoderADPCM::make_block(const PCMData& format) {
    if (format.bits_per_sample != 16 || format.channels < 1 || format.channels > 2 || format.sample_rate <= 0)
        return PCMData();
    int align = adpcm_block_size(format.sample_rate, format.channels);
    int spb = adpcm_samples_per_block(align, format.channels);
    if (sample_rate_ == 0) {   // the bit rate follows the first accepted format
        block_align_ = align;
        samples_per_block_ = spb;
        sample_rate_ = format.sample_rate;
    }
    PCMData staging;
    staging.buffer = liba::SharedBuffer(size_t(spb) * format.channels * 2);
    staging.channels = format.channels;
    staging.bits_per_sample = 16;
    staging.sample_rate = format.sample_rate;
    return staging;
}

ADPCMData EncoderADPCM::encode(const PCMData& staging) {
    const int channels = staging.channels;
    const int align = adpcm_block_size(staging.sample_rate, channels);
    const int spb = adpcm_samples_per_block(align, channels);
    const auto* samples = reinterpret_cast<const int16_t*>(staging.buffer.data());
    // Two scratch blocks swap roles: the best so far, and the one being tried.
    int best = 0, best_error = -1;
    for (int predictor = 0; predictor < kADPCMPredictorCount; ++predictor) {
        int trial = best_error < 0 ? 0 : 1 - best;
        int error = 0;
        adpcm_encode_block(predictor, samples, channels, spb, scratch_[trial], error);
        if (best_error < 0 || error < best_error) {   // the lowest index wins a tie
            best = trial;
            best_error = error;
        }
    }
    ADPCMData out;
    out.buffer = liba::SharedBuffer(size_t(align), scratch_[best]);
    out.channels = channels;
    out.bits_per_sample = 4;
    out.sample_rate = staging.sample_rate;
    out.block_align = align;
    return out;
}

int EncoderADPCM::bit_rate() {
    liba::MutexLock lock(link_lock);
    if (samples_per_block_ == 0) return 0;
    return static_cast<int>(int64_t(block_align_) * 8 * sample_rate_ / samples_per_block_);
}

} // namespace audio
