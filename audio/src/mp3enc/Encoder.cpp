#include "audio/mp3enc/Encoder.h"

#include "audio/mp3enc/Tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audio::mp3enc {

namespace {

// The sample buffers start with this much silence of history, and the stream is flushed until
// this many samples beyond the input have been encoded.
constexpr int kInitialHistory = 528;
constexpr int kInitialToEncode = 576 + 1152;
constexpr int kBufferCapacity = 4096;
constexpr int kBufferLimitBits = 11520;
constexpr int kMaxGranuleBits = 4095;
// Input rates the resampler can bring to an MP3 rate in reasonable time; a rate of a few hertz
// would be upsampled thousands of times over before anything could come of it.
constexpr int kMinInRate = 1000;
constexpr int kMaxInRate = 192000;

int mp3_rate_at_or_above(int rate) {
    const int rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100};
    for (int r : rates)
        if (rate <= r)
            return r;
    return 48000;
}

} // namespace

Encoder::Encoder() = default;
Encoder::~Encoder() = default;

int Encoder::set_in_samplerate(int rate) {
    if (rate < kMinInRate || rate > kMaxInRate)
        return -1;
    params_.in_rate = rate;
    return 0;
}

int Encoder::set_channels(int channels) {
    if (channels != 1 && channels != 2)
        return -1;
    params_.in_channels = channels;
    return 0;
}

int Encoder::set_kbps(int kbps) {
    params_.kbps = kbps;
    params_.disable_reservoir = kbps >= 320;
    return 0;
}

int Encoder::init_params() {
    EncoderParams& p = params_;
    ready_ = false;
    if (p.in_rate <= 0 || p.kbps <= 0 || (p.in_channels != 1 && p.in_channels != 2))
        return -1;
    out_channels_ = p.in_channels;
    p.joint_stereo = out_channels_ == 2;

    p.out_rate = mp3_rate_at_or_above(static_cast<int>(0.97 * p.in_rate));
    p.compression_ratio = p.out_rate * 16.0 * out_channels_ / (1000.0 * p.kbps);
    if (p.compression_ratio > 13.0)
        p.out_rate = mp3_rate_at_or_above(static_cast<int>(10000.0 * p.kbps / (16.0 * out_channels_)));
    p.granules = p.out_rate <= 24000 ? 1 : 2;
    p.frame_size = 576 * p.granules;
    p.resample_ratio = static_cast<double>(p.in_rate) / p.out_rate;
    p.compression_ratio = p.out_rate * 16.0 * out_channels_ / (1000.0 * p.kbps);

    // Lowpass from the bits left after side information.
    const double side_rate = p.out_rate < 32000 ? p.out_rate * (out_channels_ == 1 ? 13 : 21) / 72.0
                                                : p.out_rate * (out_channels_ == 1 ? 21 : 36) / 144.0;
    double bits = 1000.0 * p.kbps - side_rate;
    if (out_channels_ == 2)
        bits /= 1.75;
    bits /= 2;
    double lowpass = bits / std::log10(bits * 0.004425);
    if (lowpass > 18400)
        lowpass = 18400 + (lowpass - 18400) * 0.25;
    p.lowpass = std::min(lowpass, p.out_rate / 2.0);
    bank_.set_lowpass(2 * p.lowpass / p.out_rate);

    switch (p.out_rate) {
    case 44100: case 22050: case 11025: p.rate_index = 0; break;
    case 48000: case 24000: case 12000: p.rate_index = 1; break;
    default: p.rate_index = 2; break;
    }
    p.version = p.out_rate >= 32000 ? 1 : 0;
    p.bitrate_index = 0;
    for (int i = 1; i <= 14; ++i)
        if (layer3_kbps(p.version == 1, i) == p.kbps)
            p.bitrate_index = i;
    if (p.bitrate_index == 0)
        return -1;

    coder_ = std::make_unique<HuffmanCoder>(p.out_rate);
    resampling_ = p.resample_ratio < 0.9999 || p.resample_ratio > 1.0001;
    for (int ch = 0; ch < 2; ++ch) {
        pcm_[ch].assign(kBufferCapacity, 0);
        resamplers_[ch] = resampling_ ? std::make_unique<Resampler>(p.in_rate, p.out_rate) : nullptr;
    }
    buffered_ = kInitialHistory;
    to_encode_ = kInitialToEncode;
    samples_needed_ = std::max(p.frame_size + 752, 576 * p.granules + 862);
    ready_ = true;
    return 0;
}

int Encoder::encode(const int16_t* left, const int16_t* right, int count, uint8_t* out, int out_size) {
    if (!ready_ || count < 0)
        return -1;
    if (count > 0)
        buffer_samples(left, right ? right : left, count, true);
    return hand_out(out, out_size);
}

int Encoder::flush(uint8_t* out, int out_size) {
    if (!ready_)
        return -1;
    // The silence that pads the end does not count as input, so the loop ends.
    const std::vector<int16_t> silence(static_cast<size_t>(params_.frame_size), 0);
    while (to_encode_ > 0)
        buffer_samples(silence.data(), silence.data(), params_.frame_size, false);
    stream_.finish(finished_);
    return hand_out(out, out_size);
}

int Encoder::hand_out(uint8_t* out, int out_size) {
    const int n = static_cast<int>(finished_.size());
    if (out_size != 0 && n > out_size)
        return -1;
    if (n)
        std::memcpy(out, finished_.data(), finished_.size());
    finished_.clear();
    return n;
}

void Encoder::buffer_samples(const int16_t* left, const int16_t* right, int count, bool counted) {
    const int16_t* input[2] = {left, right};
    if (!resampling_) {
        for (int done = 0; done < count;) {
            const int n = std::min({count - done, params_.frame_size, kBufferCapacity - buffered_});
            for (int ch = 0; ch < out_channels_; ++ch)
                std::copy(input[ch] + done, input[ch] + done + n, pcm_[ch].begin() + buffered_);
            buffered_ += n;
            done += n;
            if (counted)
                to_encode_ += n;
            encode_ready_frames();
        }
        return;
    }
    for (int ch = 0; ch < out_channels_; ++ch)
        resamplers_[ch]->push(input[ch], count);
    for (;;) {
        const int room = std::min(params_.frame_size, kBufferCapacity - buffered_);
        int n = 0;
        for (int ch = 0; ch < out_channels_; ++ch)
            n = resamplers_[ch]->pull(pcm_[ch].data() + buffered_, room);
        if (n == 0)
            break;
        buffered_ += n;
        if (counted)
            to_encode_ += n;
        encode_ready_frames();
    }
}

void Encoder::encode_ready_frames() {
    while (buffered_ >= samples_needed_) {
        encode_frame();
        for (int ch = 0; ch < out_channels_; ++ch)
            std::copy(pcm_[ch].begin() + params_.frame_size, pcm_[ch].begin() + buffered_, pcm_[ch].begin());
        buffered_ -= params_.frame_size;
        to_encode_ -= params_.frame_size;
    }
}

void Encoder::encode_frame() {
    const EncoderParams& p = params_;
    const int bytes_per_frame_base = (p.version + 1) * 72000 * p.kbps;
    if (first_frame_) {
        // The filter bank's history is silence, as the sample buffers start with silence.
        padding_step_ = bytes_per_frame_base % p.out_rate;
        slot_lag_ = padding_step_;
        first_frame_ = false;
    }
    slot_lag_ -= padding_step_;
    const bool padding = slot_lag_ < 0;
    if (padding)
        slot_lag_ += p.out_rate;
    const int frame_bytes = bytes_per_frame_base / p.out_rate + (padding ? 1 : 0);
    const int frame_bits = 8 * frame_bytes;
    const int side_bits = 8 * side_info_bytes(p.version, out_channels_ == 2);
    const int mean_bits = (frame_bits - side_bits) / p.granules;

    resv_max_ = (kBufferLimitBits < frame_bits || p.disable_reservoir)
                    ? 0
                    : std::min(kBufferLimitBits - frame_bits, p.version == 1 ? 4088 : 2040);

    for (int gr = 0; gr < p.granules; ++gr) {
        for (int ch = 0; ch < out_channels_; ++ch) {
            bank_.analyze(pcm_[ch].data() + 576 * gr, current_);
            bank_.mdct(previous_[ch], current_, xr_[gr][ch].data());
            previous_[ch] = current_;
        }
        if (p.joint_stereo)
            FilterBank::mid_side(xr_[gr][0].data(), xr_[gr][1].data());
    }

    for (int gr = 0; gr < p.granules; ++gr)
        allocate_granule(gr, mean_bits);

    if (out_channels_ == 2 && mean_bits % 2)
        resv_size_ += 1;
    int stuffing = resv_size_ % 8;
    const int over = resv_size_ - stuffing - resv_max_;
    if (over > 0)
        stuffing += over;
    resv_size_ -= stuffing;

    FrameHeader header;
    header.version = p.version;
    header.mpeg25 = p.out_rate < 16000;
    header.bitrate_index = p.bitrate_index;
    header.rate_index = p.rate_index;
    header.padding = padding;
    header.stereo = out_channels_ == 2;
    const GranuleInfo* gi[2][2] = {{&granules_[0][0], &granules_[0][1]}, {&granules_[1][0], &granules_[1][1]}};
    stream_.add_frame(header, frame_bytes, gi);
    for (int gr = 0; gr < p.granules; ++gr)
        for (int ch = 0; ch < out_channels_; ++ch)
            coder_->write(stream_.main_data(), granules_[gr][ch]);
    stream_.write_ancillary(stuffing);
    stream_.take_finished(finished_);
}

void Encoder::allocate_granule(int gr, int mean_bits) {
    // Reservoir: spend what lies above 90 % of its maximum, else save 10 % of the mean.
    int target = mean_bits;
    int added = 0;
    if (resv_size_ > resv_max_ * 9 / 10) {
        added = resv_size_ - resv_max_ * 9 / 10;
        target += added;
    } else if (resv_max_ > 0) {
        target -= mean_bits / 10;
    }
    const int extra = std::max(std::min(resv_size_, resv_max_ * 6 / 10) - added, 0);
    const int granule_max = std::min(target + extra, kMaxGranuleBits);

    std::array<int, 2> targets = {0, 0};
    int sum = 0;
    for (int ch = 0; ch < out_channels_; ++ch) {
        targets[ch] = std::min(target / out_channels_, kMaxGranuleBits);
        sum += targets[ch];
    }
    if (sum > granule_max)
        for (int ch = 0; ch < out_channels_; ++ch)
            targets[ch] = targets[ch] * granule_max / sum;

    for (int ch = 0; ch < out_channels_; ++ch) {
        const int used = quantizer_.code_granule(*coder_, xr_[gr][ch].data(), targets[ch], ch, granules_[gr][ch]);
        resv_size_ += mean_bits / out_channels_ - used;
    }
}

} // namespace audio::mp3enc
