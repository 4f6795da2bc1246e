#pragma once
#include "audio/BlockCodec.h"

namespace audio {

struct Mp3DecoderState;

// Turns each MP3 frame from the reader into one block of 16-bit PCM.
class DecoderMP3 : public BlockDecoderPCM<MP3Data> {
public:
    DecoderMP3();
    ~DecoderMP3() override;

    // The frame's samples, or an empty block for a frame that cannot be played (the caller then
    // goes on with the next frame).
    PCMData decode(const MP3Data& frame) override;
    int input_request(int) override { return 1; }

private:
    Mp3DecoderState* state_ = nullptr;   // null when it could not be made: every frame decodes empty
};

} // namespace audio
