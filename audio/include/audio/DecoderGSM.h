#pragma once
#include "audio/BlockCodec.h"

struct gsm_state;

namespace audio {

// GSM 06.10 blocks to 16-bit mono 8000 Hz; one codec handle for the life of the stage.
class DecoderGSM : public BlockDecoderPCM<GSMData> {
public:
    DecoderGSM();
    ~DecoderGSM() override;

    PCMData decode(const GSMData& data) override;
    int input_request(int frames) override;

private:
    gsm_state* codec_ = nullptr;
};

} // namespace audio
