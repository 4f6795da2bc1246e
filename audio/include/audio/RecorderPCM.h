#pragma once
#include "audio/Recorder.h"

#include <memory>

namespace audio {

class RecorderPCMImpl;

// Captures the wave-in device in a fixed PCM format and pushes every filled buffer to the linked
// consumer, on a thread of its own. Destroying it hands the consumer what is still recorded.
class RecorderPCM : public Recorder {
public:
    RecorderPCM(int channels, int sample_rate, int bits_per_sample);
    ~RecorderPCM() override;

    void get_data(PCMData& out, int count) override;
    bool start() override;
    bool stop() override;
    bool is_stopped() override;
    bool is_recording() override;
    int channels() override;
    int bits_per_sample() override;
    int sample_rate() override;
    int bit_rate() override;

private:
    int channels_ = 0;
    int sample_rate_ = 0;
    int bits_ = 0;
    std::unique_ptr<RecorderPCMImpl> impl_;
};

} // namespace audio
