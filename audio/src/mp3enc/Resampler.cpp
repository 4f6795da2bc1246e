#include "audio/mp3enc/Resampler.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace audio::mp3enc {

Resampler::Resampler(int input_rate, int output_rate) {
    ratio_ = static_cast<double>(input_rate) / output_rate;
    bpc_ = std::min(output_rate / std::gcd(output_rate, input_rate), 320);
    length_ = std::fabs(ratio_ - std::floor(ratio_ + 0.5)) < 0.0001 ? 32 : 31;
    const double cutoff = std::min(1.0, 1.0 / ratio_);
    const double pi = std::acos(-1.0);
    filters_.assign(2 * bpc_ + 1, std::vector<float>(length_ + 1));
    for (int k = 0; k <= 2 * bpc_; ++k) {
        // Filter k serves a fractional position of (k - bpc) / (2 bpc) around the centre tap.
        const double offset = static_cast<double>(k - bpc_) / (2 * bpc_);
        double sum = 0;
        for (int i = 0; i <= length_; ++i) {
            const double x = i - length_ / 2 - offset;
            const double w = std::clamp(i - offset, 0.0, static_cast<double>(length_)) / length_;
            const double window = 0.42 - 0.5 * std::cos(2 * pi * w) + 0.08 * std::cos(4 * pi * w);
            const double arg = pi * cutoff * x;
            const double sinc = std::fabs(arg) < 1e-9 ? 1.0 : std::sin(arg) / arg;
            filters_[k][i] = static_cast<float>(window * sinc);
            sum += filters_[k][i];
        }
        for (float& tap : filters_[k])
            tap = static_cast<float>(tap / sum);
    }
}

void Resampler::push(const int16_t* in, int count) {
    input_.insert(input_.end(), in, in + count);
}

int Resampler::pull(int16_t* out, int max) {
    const int half = length_ / 2;
    int made = 0;
    while (made < max) {
        const double position = static_cast<double>(produced_) * ratio_;
        const int64_t centre = static_cast<int64_t>(std::floor(position));
        const double fraction = position - static_cast<double>(centre);
        // Tap i reads input sample centre - half + i; stop when it is not there yet.
        if (centre - half + length_ >= base_ + static_cast<int64_t>(input_.size()))
            break;
        int k = static_cast<int>(std::lround(fraction * 2 * bpc_));
        // A fraction above one half uses the next centre with a negative offset.
        int64_t first = centre - half;
        if (k > bpc_) {
            k -= 2 * bpc_;
            ++first;
        }
        const std::vector<float>& taps = filters_[k + bpc_];
        float sum = 0;
        for (int i = 0; i <= length_; ++i) {
            const int64_t n = first + i;
            const int64_t at = n - base_;
            // Before the first input sample the signal is silent.
            if (n >= 0 && at >= 0 && at < static_cast<int64_t>(input_.size()))
                sum += taps[i] * input_[static_cast<size_t>(at)];
        }
        out[made++] = static_cast<int16_t>(std::clamp(std::lround(sum), -32768L, 32767L));
        ++produced_;
    }
    // Keep only what later outputs can still read.
    const int64_t keep_from = static_cast<int64_t>(std::floor(static_cast<double>(produced_) * ratio_)) - half - 1;
    if (keep_from > base_) {
        const size_t drop = static_cast<size_t>(std::min<int64_t>(keep_from - base_, static_cast<int64_t>(input_.size())));
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(drop));
        base_ += static_cast<int64_t>(drop);
    }
    return made;
}

} // namespace audio::mp3enc
