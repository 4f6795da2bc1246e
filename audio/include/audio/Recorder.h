#pragma once
#include "audio/Data.h"
#include "audio/Link.h"

namespace audio {

// A source of recorded PCM that pushes to its consumer; asking it for data is a fault.
class Recorder : public Provider<PCMData> {
public:
    virtual bool start() = 0;
    virtual bool stop() = 0;
    virtual bool is_stopped() = 0;
    virtual bool is_recording() = 0;
    virtual int channels() = 0;
    virtual int bits_per_sample() = 0;
    virtual int sample_rate() = 0;
    virtual int bit_rate() = 0;
};

} // namespace audio
