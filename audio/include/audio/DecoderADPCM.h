#pragma once
#include "audio/BlockCodec.h"

namespace audio {

class DecoderADPCM : public BlockDecoderPCM<ADPCMData> {
public:
    // Every block of the data, in order, as 16-bit samples; a block with a bad predictor is silent.
    PCMData decode(const ADPCMData& data) override;
    int input_request(int) override { return 1; }
};

} // namespace audio
