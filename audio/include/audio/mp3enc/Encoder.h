#pragma once
#include "audio/mp3enc/Bitstream.h"
#include "audio/mp3enc/FilterBank.h"
#include "audio/mp3enc/GranuleInfo.h"
#include "audio/mp3enc/HuffmanCoder.h"
#include "audio/mp3enc/Quantizer.h"
#include "audio/mp3enc/Resampler.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace audio::mp3enc {

// What the set-up derives from input rate, channels and bit rate.
struct EncoderParams {
    int in_channels = 0;
    int in_rate = 0;
    int out_rate = 0;
    int kbps = 0;
    bool joint_stereo = false;
    bool disable_reservoir = false;
    double compression_ratio = 0;
    int version = 0;           // 1 MPEG-1, 0 MPEG-2 and MPEG-2.5
    double lowpass = 0;        // Hz
    int frame_size = 0;        // samples per channel per frame
    int granules = 0;
    int rate_index = 0;
    int bitrate_index = 0;
    double resample_ratio = 1.0;
};

// Constant-bit-rate layer III encoder, long blocks only, no psychoacoustic model; the signal path
// is 64-bit fixed point. Output is delayed by a little more than one frame.
class Encoder {
public:
    Encoder();
    ~Encoder();

    int set_in_samplerate(int rate);
    int set_channels(int channels);
    int set_kbps(int kbps);
    // Derives everything else; -1 when the rate or bit rate has no layer III index.
    int init_params();

    const EncoderParams& params() const { return params_; }
    bool ready() const { return ready_; }
    int frame_samples() const { return params_.frame_size; }

    // Encodes count samples per channel (right is ignored for mono); returns the bytes written to
    // out, or -1 when they do not fit out_size (0 means no limit; the bytes stay for the next call).
    int encode(const int16_t* left, const int16_t* right, int count, uint8_t* out, int out_size);
    // Encodes what is buffered, padded with silence, and ends the stream.
    int flush(uint8_t* out, int out_size);

private:
    void buffer_samples(const int16_t* left, const int16_t* right, int count, bool counted);
    void encode_ready_frames();
    void encode_frame();
    void allocate_granule(int gr, int mean_bits);
    int hand_out(uint8_t* out, int out_size);

    EncoderParams params_;
    bool ready_ = false;
    int out_channels_ = 1;
    bool resampling_ = false;
    std::array<std::unique_ptr<Resampler>, 2> resamplers_;
    std::array<std::vector<int16_t>, 2> pcm_;
    int buffered_ = 0;
    int64_t to_encode_ = 0;
    int samples_needed_ = 0;

    FilterBank bank_;
    std::unique_ptr<HuffmanCoder> coder_;
    Quantizer quantizer_;
    Bitstream stream_;
    std::array<SubbandSamples, 2> previous_ = {};
    SubbandSamples current_ = {};
    std::array<std::array<std::array<int64_t, kGranuleLines>, 2>, 2> xr_ = {};
    std::array<std::array<GranuleInfo, 2>, 2> granules_ = {};

    bool first_frame_ = true;
    int padding_step_ = 0;
    int64_t slot_lag_ = 0;
    int resv_size_ = 0;
    int resv_max_ = 0;
    std::vector<uint8_t> finished_;
};

} // namespace audio::mp3enc
