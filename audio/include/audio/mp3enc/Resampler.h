#pragma once
#include <cstdint>
#include <vector>

namespace audio::mp3enc {

// Converts one channel of 16-bit samples by the ratio input rate / output rate with a bank of
// Blackman-windowed sinc filters (floating point; only used when the rates differ).
class Resampler {
public:
    Resampler(int input_rate, int output_rate);

    // Takes more input samples.
    void push(const int16_t* in, int count);
    // Makes up to max output samples from the input so far; returns how many.
    int pull(int16_t* out, int max);

    int filter_length() const { return length_; }
    int filters_per_side() const { return bpc_; }

private:
    double ratio_ = 1.0;
    int bpc_ = 1;
    int length_ = 31;
    std::vector<std::vector<float>> filters_;
    std::vector<float> input_;     // input_[0] is input sample number base_
    int64_t base_ = 0;
    int64_t produced_ = 0;         // output samples made so far
};

} // namespace audio::mp3enc
