#pragma once
#include "audio/ADPCMCodec.h"
#include "audio/BlockCodec.h"
#include "audio/FileReader.h"

namespace audio {

// Takes 16-bit mono or stereo PCM; every block is coded with the predictor that errs least.
class EncoderADPCM : public BlockEncoderPCM<ADPCMData>, public Encoder {
public:
    ADPCMData encode(const PCMData& staging) override;
    PCMData make_block(const PCMData& format) override;
    int bit_rate() override;

private:
    int block_align_ = 0;
    int samples_per_block_ = 0;
    int sample_rate_ = 0;
    uint8_t scratch_[2][kADPCMMaxBlockAlign] = {};
};

} // namespace audio
