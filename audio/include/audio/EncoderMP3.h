#pragma once
#include "audio/Data.h"
#include "audio/FileReader.h"
#include "audio/Link.h"

#include <cstdint>
#include <memory>

namespace audio {

namespace mp3enc { class Encoder; }

// Between the recorder and the MP3 file writer: cuts PCM into encoder frames and hands each piece
// of bitstream on. A change of input format, or the end of the stage, finishes the stream so far,
// so a voice note keeps its last fraction of a second.
class EncoderMP3 : public Consumer<PCMData>, public Provider<MP3Data>, public Encoder {
public:
    static constexpr int kMaxFrameSamples = 1152;
    static constexpr size_t kStagingSize = kMaxFrameSamples * 2 * 2;
    static constexpr size_t kOutputSize = 2500;

    explicit EncoderMP3(int bit_rate);
    ~EncoderMP3() override;

    void on_data(const PCMData& block) override;
    // The stage is only pushed to.
    void get_data(MP3Data& out, int) override { out = MP3Data(); }
    int bit_rate() override { return bit_rate_; }

private:
    struct EncoderDeleter {
        void operator()(mp3enc::Encoder* encoder) const;
    };

    // Encodes the staged rest, ends the stream, delivers it and lets the encoder go.
    void finish();
    // The staged sample frames into the two channel buffers.
    int split_staged(size_t bytes);
    void deliver_bytes(const uint8_t* bytes, int count);
    int frame_bytes() const;

    uint8_t staging_[kStagingSize] = {};
    size_t staged_ = 0;
    int16_t left_[kMaxFrameSamples] = {};
    int16_t right_[kMaxFrameSamples] = {};
    uint8_t output_[kOutputSize] = {};
    std::unique_ptr<mp3enc::Encoder, EncoderDeleter> encoder_;
    int bit_rate_ = 0;
    int channels_ = 0;
    int sample_rate_ = 0;
    int bits_ = 0;
    int frame_samples_ = 0;
    bool refused_ = false;   // the encoder refused this format: blocks are dropped until it changes
};

} // namespace audio
