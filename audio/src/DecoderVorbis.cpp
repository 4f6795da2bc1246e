#include "audio/DecoderVorbis.h"

#include "FileAccess.h"

#include <tremor/ivorbiscodec.h>
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <climits>

namespace audio {

struct DecoderVorbis::Stream {
    OggVorbis_File file = {};
};

namespace {

// How often a hole in the stream (a lost or corrupt page) is skipped before playback gives up.
constexpr int kMaxHoles = 16;

size_t read_callback(void* buffer, size_t size, size_t count, void* source) {
    if (size == 0) return 0;
    uint64_t want = std::min<uint64_t>(uint64_t(size) * count, UINT32_MAX);
    return static_cast<os::File*>(source)->read(buffer, static_cast<uint32_t>(want)) / size;
}

int seek_callback(void* source, ogg_int64_t offset, int whence) {
    auto* file = static_cast<os::File*>(source);
    int64_t base = whence == SEEK_CUR ? file->tell() : whence == SEEK_END ? file->get_size() : 0;
    int64_t target = base + offset;
    // Positions are 32-bit; the library must hear about a seek it did not get.
    if (target < 0 || target > UINT32_MAX || !file->seek(static_cast<uint32_t>(target))) return -1;
    return 0;
}

int close_callback(void*) { return 0; }   // the stage closes its own file

long tell_callback(void* source) { return static_cast<long>(static_cast<os::File*>(source)->tell()); }

} // namespace

DecoderVorbis::DecoderVorbis(const std::wstring& path)
    : file_(std::make_unique<os::File>(path, 0)), stream_(std::make_unique<Stream>()) {
    if (file_failed(*file_)) return;
    ov_callbacks callbacks = {read_callback, seek_callback, close_callback, tell_callback};
    opened_ = ov_open_callbacks(file_.get(), &stream_->file, nullptr, 0, callbacks) == 0;
    if (!opened_) return;
    // The library's own whole-stream bit rate divides by the length in milliseconds, which a crafted
    // stream can make 0; the average over the stream is computed here instead.
    int64_t ms = ov_time_total(&stream_->file, -1), bytes = ov_raw_total(&stream_->file, -1);
    int64_t rate = ms > 0 && bytes > 0 ? bytes * 8 * 1000 / ms : 0;
    if (rate <= 0) {
        vorbis_info* info = ov_info(&stream_->file, -1);
        rate = info ? info->bitrate_nominal : 0;
    }
    bit_rate_ = static_cast<int>(std::clamp<int64_t>(rate, 0, INT_MAX));
}

DecoderVorbis::~DecoderVorbis() {
    if (opened_) ov_clear(&stream_->file);
}

bool DecoderVorbis::is_valid() {
    liba::MutexLock lock(mutex_);
    return opened_ && ov_info(&stream_->file, -1) != nullptr;
}

bool DecoderVorbis::is_end() {
    liba::MutexLock lock(mutex_);
    return !is_valid() || position() >= length();
}

int DecoderVorbis::channels() {
    liba::MutexLock lock(mutex_);
    vorbis_info* info = opened_ ? ov_info(&stream_->file, -1) : nullptr;
    return info ? info->channels : 0;
}

int DecoderVorbis::bits_per_sample() { return 16; }

int DecoderVorbis::sample_rate() {
    liba::MutexLock lock(mutex_);
    vorbis_info* info = opened_ ? ov_info(&stream_->file, -1) : nullptr;
    return info ? static_cast<int>(info->rate) : 0;
}

int DecoderVorbis::bit_rate() {
    liba::MutexLock lock(mutex_);
    return bit_rate_;
}

int64_t DecoderVorbis::position_of_time(double seconds) {
    return position_from(seconds * sample_rate());
}

double DecoderVorbis::time_of_position(int64_t position) {
    int rate = sample_rate();
    return rate > 0 ? double(position) / rate : 0;
}

int64_t DecoderVorbis::length() {
    liba::MutexLock lock(mutex_);
    return opened_ ? std::max<int64_t>(0, ov_pcm_total(&stream_->file, -1)) : 0;
}

int64_t DecoderVorbis::position() {
    liba::MutexLock lock(mutex_);
    return opened_ ? std::max<int64_t>(0, ov_pcm_tell(&stream_->file)) : 0;
}

void DecoderVorbis::set_position(int64_t position) {
    liba::MutexLock lock(mutex_);
    if (opened_) ov_pcm_seek(&stream_->file, std::max<int64_t>(0, position));
}

void DecoderVorbis::get_data(PCMData& out, int frames) {
    liba::MutexLock lock(mutex_);
    out = PCMData();
    if (!opened_ || frames <= 0) return;
    vorbis_info* info = ov_info(&stream_->file, -1);
    if (!info || info->channels <= 0) return;
    const int n = std::min(frames, kMaxFramesPerRead);
    liba::SharedBuffer bytes(size_t(info->channels) * n * 2);
    long got = 0;
    int link = 0;
    for (int holes = 0; holes <= kMaxHoles; ++holes) {
        got = ov_read(&stream_->file, reinterpret_cast<char*>(bytes.writable_data()),
                      static_cast<int>(bytes.length()), &link);
        if (got != OV_HOLE) break;
    }
    if (got <= 0) return;
    // A chained file may change its format from one link to the next: label with the current link's.
    vorbis_info* current = ov_info(&stream_->file, link);
    if (!current) current = info;
    out.buffer = front_bytes(bytes, size_t(got));
    out.channels = current->channels;
    out.bits_per_sample = 16;
    out.sample_rate = static_cast<int>(current->rate);
}

bool DecoderVorbis::transfer(int64_t frames) {
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
