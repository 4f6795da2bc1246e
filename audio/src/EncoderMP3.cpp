#include "audio/EncoderMP3.h"

#include "audio/mp3enc/Mp3Enc.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace audio {

namespace {

// The last frames and the bit reservoir's rest fit many times over.
constexpr size_t kFinishOutputSize = 65536;

} // namespace

void EncoderMP3::EncoderDeleter::operator()(mp3enc::Encoder* encoder) const { mp3enc_destroy(encoder); }

EncoderMP3::EncoderMP3(int bit_rate) : bit_rate_(bit_rate) {}

EncoderMP3::~EncoderMP3() {
    liba::MutexLock lock(link_lock);
    finish();
}

int EncoderMP3::frame_bytes() const { return frame_samples_ * channels_ * bits_ / 8; }

void EncoderMP3::deliver_bytes(const uint8_t* bytes, int count) {
    MP3Data block;
    block.buffer = liba::SharedBuffer(size_t(std::max(count, 0)), bytes);
    block.length = std::max(count, 0);
    deliver(block);
}

int EncoderMP3::split_staged(size_t bytes) {
    const int frames = int(bytes / size_t(channels_ * bits_ / 8));
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels_; ++c) {
            int16_t sample;
            if (bits_ == 16) {
                const uint8_t* at = staging_ + (size_t(i) * channels_ + c) * 2;
                sample = int16_t(at[0] | at[1] << 8);
            } else {
                sample = int16_t((staging_[size_t(i) * channels_ + c] - 128) * 256);
            }
            (c == 0 ? left_ : right_)[i] = sample;
        }
        if (channels_ == 1) right_[i] = 0;
    }
    return frames;
}

void EncoderMP3::finish() {
    if (!encoder_) return;
    std::vector<uint8_t> out(kFinishOutputSize);
    int produced = 0;
    if (const int frames = split_staged(staged_); frames > 0) {
        const int n = mp3enc_encode(encoder_.get(), left_, right_, frames, out.data(), int(out.size()));
        produced = std::max(n, 0);
    }
    const int n = mp3enc_flush(encoder_.get(), out.data() + produced, int(out.size()) - produced);
    produced += std::max(n, 0);
    staged_ = 0;
    encoder_.reset();
    if (produced > 0) deliver_bytes(out.data(), produced);
}

void EncoderMP3::on_data(const PCMData& block) {
    liba::MutexLock lock(link_lock);
    if (block.empty() || (block.channels != 1 && block.channels != 2) ||
        (block.bits_per_sample != 8 && block.bits_per_sample != 16) || block.sample_rate <= 0)
        return;
    if (block.channels != channels_ || block.sample_rate != sample_rate_ || block.bits_per_sample != bits_) {
        finish();
        channels_ = block.channels;
        sample_rate_ = block.sample_rate;
        bits_ = block.bits_per_sample;
        refused_ = false;
    }
    if (refused_) return;
    if (!encoder_) {
        staged_ = 0;
        encoder_.reset(mp3enc_create(sample_rate_, channels_, bit_rate_ / 1000));
        frame_samples_ = encoder_ ? mp3enc_frame_samples(encoder_.get()) : 0;
        if (frame_samples_ <= 0 || frame_samples_ > kMaxFrameSamples) {
            encoder_.reset();
            refused_ = true;
            return;
        }
    }
    const size_t frame = size_t(frame_bytes());
    const uint8_t* bytes = block.buffer.data();
    size_t left = block.buffer.length();
    // Exactly one frame's worth waits for the next block.
    while (staged_ + left > frame) {
        const size_t take = frame - staged_;
        std::memcpy(staging_ + staged_, bytes, take);
        bytes += take;
        left -= take;
        const int frames = split_staged(frame);
        const int produced = mp3enc_encode(encoder_.get(), left_, right_, frames, output_, int(kOutputSize));
        // A negative answer keeps the bytes in the encoder for a later call.
        deliver_bytes(output_, produced);
        staged_ = 0;
    }
    std::memcpy(staging_ + staged_, bytes, left);
    staged_ += left;
}

} // namespace audio
