#include "audio/DecoderMPC.h"

#include "FileAccess.h"

#include <mpc/mpcdec.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace audio {

namespace {

// Frames that decode to no samples (the encoder's leading delay) are skipped, a bounded number of times.
constexpr int kMaxEmptyFrames = 64;

os::File& file_of(mpc_reader* reader) { return *static_cast<os::File*>(reader->data); }

mpc_int32_t read_callback(mpc_reader* reader, void* buffer, mpc_int32_t size) {
    return size > 0 ? static_cast<mpc_int32_t>(file_of(reader).read(buffer, static_cast<uint32_t>(size))) : 0;
}

mpc_bool_t seek_callback(mpc_reader* reader, mpc_int32_t offset) {
    return offset >= 0 && file_of(reader).seek(static_cast<uint32_t>(offset));
}

mpc_int32_t tell_callback(mpc_reader* reader) {
    return static_cast<mpc_int32_t>(std::min<uint32_t>(file_of(reader).tell(), INT32_MAX));
}

mpc_int32_t size_callback(mpc_reader* reader) {
    return static_cast<mpc_int32_t>(std::min<uint32_t>(file_of(reader).get_size(), INT32_MAX));
}

mpc_bool_t can_seek_callback(mpc_reader*) { return 1; }

} // namespace

int32_t mpc_float_to_fixed(float sample) {
    double v = double(sample) * double(kMPCFixedOne);
    if (!(v > INT32_MIN)) return INT32_MIN;   // NaN too
    if (v >= double(INT32_MAX)) return INT32_MAX;
    return static_cast<int32_t>(v);
}

int16_t mpc_fixed_to_16(int32_t value) {
    if (value < -kMPCFixedOne) return -32768;
    return static_cast<int16_t>(std::min(value >> 14, 32767));
}

struct DecoderMPC::Stream {
    mpc_reader reader = {};
    mpc_demux* demux = nullptr;
    mpc_streaminfo info = {};
    std::vector<MPC_SAMPLE_FORMAT> samples = std::vector<MPC_SAMPLE_FORMAT>(MPC_DECODER_BUFFER_LENGTH);
};

DecoderMPC::DecoderMPC(const std::wstring& path)
    : file_(std::make_unique<os::File>(path, 0)), stream_(std::make_unique<Stream>()) {
    Stream& s = *stream_;
    if (!file_failed(*file_)) {
        s.reader = {read_callback, seek_callback, tell_callback, size_callback, can_seek_callback, file_.get()};
        s.demux = mpc_demux_init(&s.reader);
    }
    if (s.demux) {
        mpc_demux_get_info(s.demux, &s.info);
        // The library seeks by decoding every frame up to the target, so a header claiming more frames
        // than the file has bits would make a seek run for hours.
        int64_t most = int64_t(file_->get_size()) * 8 * MPC_FRAME_LENGTH;
        length_ = std::clamp<int64_t>(mpc_streaminfo_get_length_samples(&s.info), 0, most);
    }
    if (!s.demux || s.info.channels < 1 || s.info.channels > 2 || s.info.sample_freq == 0)
        s.info.channels = 0;   // not valid
}

DecoderMPC::~DecoderMPC() {
    if (stream_->demux) mpc_demux_exit(stream_->demux);
}

bool DecoderMPC::is_valid() {
    liba::MutexLock lock(mutex_);
    return stream_->info.channels != 0;
}

bool DecoderMPC::is_end() {
    liba::MutexLock lock(mutex_);
    return !is_valid() || decoded_ >= length_;
}

int DecoderMPC::channels() {
    liba::MutexLock lock(mutex_);
    return static_cast<int>(stream_->info.channels);
}

int DecoderMPC::bits_per_sample() { return 16; }

int DecoderMPC::sample_rate() {
    liba::MutexLock lock(mutex_);
    return is_valid() ? static_cast<int>(stream_->info.sample_freq) : 0;
}

int DecoderMPC::bit_rate() {
    liba::MutexLock lock(mutex_);
    return is_valid() ? static_cast<int>(std::clamp(stream_->info.average_bitrate, 0.0, double(INT_MAX))) : 0;
}

int64_t DecoderMPC::position_of_time(double seconds) { return position_from(seconds * sample_rate()); }

double DecoderMPC::time_of_position(int64_t position) {
    int rate = sample_rate();
    return rate > 0 ? double(position) / rate : 0;
}

int64_t DecoderMPC::length() {
    liba::MutexLock lock(mutex_);
    return length_;
}

int64_t DecoderMPC::position() {
    liba::MutexLock lock(mutex_);
    return decoded_;
}

void DecoderMPC::set_position(int64_t position) {
    liba::MutexLock lock(mutex_);
    if (!is_valid()) return;
    position = std::clamp<int64_t>(position, 0, length_);
    // On failure the decoder is where it was, and so are the position and what is pending.
    if (mpc_demux_seek_sample(stream_->demux, static_cast<mpc_uint64_t>(position)) != MPC_STATUS_OK) return;
    decoded_ = position;
    pending_ = PCMData();
}

bool DecoderMPC::decode_frame() {
    Stream& s = *stream_;
    const int channels = static_cast<int>(s.info.channels);
    for (int tries = 0; tries < kMaxEmptyFrames; ++tries) {
        mpc_frame_info frame = {};
        frame.buffer = s.samples.data();
        if (mpc_demux_decode(s.demux, &frame) != MPC_STATUS_OK || frame.bits == -1) return false;
        if (frame.samples == 0) continue;
        const size_t count = std::min<size_t>(size_t(frame.samples) * channels, s.samples.size());
        PCMData block;
        block.buffer = liba::SharedBuffer(count * 2);
        auto* out = reinterpret_cast<int16_t*>(block.buffer.writable_data());
        for (size_t i = 0; i < count; ++i) out[i] = mpc_fixed_to_16(mpc_float_to_fixed(s.samples[i]));
        block.channels = channels;
        block.bits_per_sample = 16;
        block.sample_rate = static_cast<int>(s.info.sample_freq);
        pending_ = block;
        decoded_ += count / channels;
        return true;
    }
    return false;
}

void DecoderMPC::get_data(PCMData& out, int frames) {
    liba::MutexLock lock(mutex_);
    out = PCMData();
    if (!is_valid() || frames <= 0) return;
    // Past the stream's length the library would go on decoding what follows the stream.
    if (pending_.empty() && (decoded_ >= length_ || !decode_frame())) return;
    size_t n = std::min<size_t>(size_t(frames) * pending_.frame_size(), pending_.buffer.length());
    out = pending_;
    out.buffer = front_bytes(pending_.buffer, n);
    pending_.buffer = drop_front_bytes(pending_.buffer, n);
    if (pending_.empty()) pending_ = PCMData();
}

bool DecoderMPC::transfer(int64_t frames) {
    liba::MutexLock lock(mutex_);
    if (!is_valid()) return false;
    while (frames > 0) {
        PCMData piece;
        get_data(piece, static_cast<int>(std::min<int64_t>(frames, INT_MAX)));
        if (piece.empty()) return false;
        deliver(piece);
        frames -= piece.frames();
    }
    return true;
}

} // namespace audio
