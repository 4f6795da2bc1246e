#pragma once
#include "audio/BlockCodec.h"
#include "audio/FileReader.h"

struct gsm_state;

namespace audio {

// Takes only 16-bit mono 8000 Hz; anything else is dropped.
class EncoderGSM : public BlockEncoderPCM<GSMData>, public Encoder {
public:
    EncoderGSM();
    ~EncoderGSM() override;

    GSMData encode(const PCMData& staging) override;
    PCMData make_block(const PCMData& format) override;
    int bit_rate() override;

private:
    gsm_state* codec_ = nullptr;
};

} // namespace audio
