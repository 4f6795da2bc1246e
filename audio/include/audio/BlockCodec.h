#pragma once
#include "audio/Data.h"
#include "audio/Link.h"

#include <algorithm>

namespace audio {

// A decoder stage for a block-coded format D: pulled by the player, or pushed to by a reader.
template <class D> class BlockDecoderPCM : public Provider<PCMData>, public Consumer<D> {
public:
    using InputType = D;

    // Hands on at most what one decode produced; callers loop.
    void get_data(PCMData& out, int frames) override {
        liba::MutexLock lock(this->link_lock);
        out = PCMData();
        while (pending_.empty()) {
            D input;
            this->pull(input, input_request(frames));
            if (input.empty()) return;
            pending_ = decode(input);
        }
        int64_t wanted = std::max<int64_t>(0, int64_t(frames) * pending_.frame_size());
        size_t n = static_cast<size_t>(std::min<int64_t>(wanted, pending_.length()));
        if (n == 0) return;
        out = pending_;
        out.buffer = front_bytes(pending_.buffer, n);
        pending_.buffer = drop_front_bytes(pending_.buffer, n);
        if (pending_.empty()) pending_ = PCMData();
    }

    void on_data(const D& block) override {
        liba::MutexLock lock(this->link_lock);
        PCMData decoded = decode(block);
        if (!decoded.empty()) deliver(decoded);
    }

    virtual PCMData decode(const D& block) = 0;
    // How much of D to ask upstream for so as to yield about that many frames.
    virtual int input_request(int frames) = 0;

private:
    PCMData pending_;
};

// An encoder stage: collects PCM into staging blocks of exactly one coded block's worth.
template <class D> class BlockEncoderPCM : public Consumer<PCMData>, public Provider<D> {
public:
    void on_data(const PCMData& block) override {
        liba::MutexLock lock(this->link_lock);
        if (block.empty()) return;
        if (staging_.empty()) {
            staging_ = make_block(block);
            staged_ = 0;
        }
        if (staging_.empty() || !block.same_format(staging_)) return;
        size_t offset = 0;
        while (offset < block.buffer.length()) {
            offset += stage(drop_front_bytes(block.buffer, offset));
            if (staged_ == staging_.buffer.length()) {
                this->deliver(encode(staging_));
                staged_ = 0;
            }
        }
    }

    // Pull use: one coded block from upstream, or an empty block when upstream runs dry first.
    void get_data(D& out, int) override {
        liba::MutexLock lock(this->link_lock);
        out = D();
        for (;;) {
            int missing = 1;   // one frame first, to learn the format without taking more than fits
            if (!staging_.empty()) {
                if (staged_ == staging_.buffer.length()) break;
                missing = static_cast<int>((staging_.buffer.length() - staged_) / staging_.frame_size());
            }
            PCMData input;
            this->pull(input, std::max(1, missing));
            if (input.empty()) return;
            if (staging_.empty()) {
                staging_ = make_block(input);
                staged_ = 0;
            }
            if (!staging_.empty() && input.same_format(staging_)) stage(input.buffer);
        }
        out = encode(staging_);
        staged_ = 0;
    }

    // One coded block from a full staging block.
    virtual D encode(const PCMData& staging) = 0;
    // A staging block of the right size for that input format, or an empty block when refused.
    virtual PCMData make_block(const PCMData& format) = 0;

private:
    size_t stage(const liba::SharedBuffer& bytes) {
        size_t n = staging_.buffer.copy_from(staged_, bytes);
        staged_ += n;
        return n;
    }

    PCMData staging_;
    size_t staged_ = 0;
};

} // namespace audio
