#include "audio/FileReaderMP3.h"

#include "FileAccess.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audio {

FileReaderMP3::FileReaderMP3(const std::wstring& path)
    : file_(std::make_unique<os::File>(path, os::File::mode_read)) {
    liba::MutexLock lock(mutex_);
    if (file_failed(*file_)) return;
    length_ = file_->get_size();
    // An empty file holds no frame, so it is no MP3 either.
    valid_ = length_ > 0 && find_reference() && position() < length_;
}

FileReaderMP3::~FileReaderMP3() = default;

void FileReaderMP3::refill(size_t wanted) {
    const size_t unread = count_ - read_index_;
    if (unread >= wanted) return;
    std::memmove(buffer_.get(), buffer_.get() + read_index_, unread);
    count_ = unread;
    read_index_ = 0;
    if (file_done_) return;
    const uint32_t asked = uint32_t(kBufferSize - count_);
    const uint32_t got = file_->read(buffer_.get() + count_, asked);
    count_ += got;
    offset_ += got;
    file_done_ = got < asked || offset_ >= length_;
}

bool FileReaderMP3::sync(MpegFrameInfo& info) {
    for (; read_index_ + kMpegHeaderSize <= count_; ++read_index_)
        if (parse_mpeg_audio_header(buffer_.get() + read_index_, info)) return true;
    // The last bytes may begin a header that the next refill completes.
    if (file_done_) read_index_ = count_;
    return false;
}

// The reference frame is the first one followed by a matching frame; the reader then stands on it.
bool FileReaderMP3::find_reference() {
    for (;;) {
        refill();
        MpegFrameInfo candidate;
        if (!sync(candidate)) {
            if (exhausted()) return false;
            continue;
        }
        refill(size_t(candidate.frame_length) + kMpegHeaderSize);
        const size_t next = read_index_ + size_t(candidate.frame_length);
        MpegFrameInfo follower;
        if (next + kMpegHeaderSize <= count_ && parse_mpeg_audio_header(buffer_.get() + next, follower) &&
            follower.matches(candidate)) {
            reference_ = candidate;
            return true;
        }
        // Not confirmed: a header look-alike in junk must not hide a real frame inside its length.
        ++read_index_;
    }
}

void FileReaderMP3::get_data(MP3Data& out, int) {
    liba::MutexLock lock(mutex_);
    out = MP3Data();
    if (!valid_) return;
    // Junk, foreign frames and frames too long for a block are skipped, however long the run.
    for (;;) {
        refill();
        MpegFrameInfo info;
        if (!sync(info)) {
            if (exhausted()) return;
            continue;
        }
        if (!info.matches(reference_)) {
            ++read_index_;
            continue;
        }
        const size_t frame_length = size_t(info.frame_length);
        // The whole frame, and for the decoder the bytes behind it up to a block.
        refill(std::max(frame_length, kBlockSize));
        if (read_index_ + frame_length > count_) {
            // Cut off by the end of the file (or a look-alike near it): not a frame to hand on.
            ++read_index_;
            continue;
        }
        if (frame_length > kBlockSize) {
            read_index_ += frame_length;
            continue;
        }
        liba::SharedBuffer block(kBlockSize);
        const size_t copied = std::min(kBlockSize, count_ - read_index_);
        std::memcpy(block.writable_data(), buffer_.get() + read_index_, copied);
        std::memset(block.writable_data() + copied, 0, kBlockSize - copied);
        out.buffer = block;
        out.length = info.frame_length;
        read_index_ += frame_length;
        return;
    }
}

bool FileReaderMP3::is_valid() {
    liba::MutexLock lock(mutex_);
    return valid_;
}

bool FileReaderMP3::is_end() {
    liba::MutexLock lock(mutex_);
    return !valid_ || position() >= length_;
}

int FileReaderMP3::channels() {
    liba::MutexLock lock(mutex_);
    return reference_.channels;
}

int FileReaderMP3::bits_per_sample() { return 16; }

int FileReaderMP3::sample_rate() {
    liba::MutexLock lock(mutex_);
    return reference_.sample_rate;
}

int FileReaderMP3::bit_rate() {
    liba::MutexLock lock(mutex_);
    return reference_.kbps * 1000;
}

MpegFrameInfo FileReaderMP3::reference_frame() {
    liba::MutexLock lock(mutex_);
    return reference_;
}

int64_t FileReaderMP3::position_of_time(double seconds) {
    liba::MutexLock lock(mutex_);
    return position_from(reference_.kbps * seconds * 125);
}

double FileReaderMP3::time_of_position(int64_t bytes) {
    liba::MutexLock lock(mutex_);
    return reference_.kbps == 0 ? 0 : double(bytes) * 8 / reference_.kbps * 0.001;
}

int64_t FileReaderMP3::length() {
    liba::MutexLock lock(mutex_);
    return length_;
}

int64_t FileReaderMP3::position() {
    liba::MutexLock lock(mutex_);
    return offset_ - int64_t(count_ - read_index_);
}

void FileReaderMP3::set_position(int64_t bytes) {
    liba::MutexLock lock(mutex_);
    bytes = std::clamp<int64_t>(bytes, 0, length_);
    file_->seek(uint32_t(bytes));
    offset_ = bytes;
    count_ = 0;
    read_index_ = 0;
    file_done_ = bytes >= length_;
}

template <class Position> bool FileReaderMP3::transfer_until(Position position, double amount) {
    liba::MutexLock lock(mutex_);
    if (!valid_) return false;
    const double start = position();
    while (position() - start < amount) {
        MP3Data frame;
        get_data(frame, 1);
        if (frame.empty()) return false;
        deliver(frame);
    }
    return true;
}

bool FileReaderMP3::transfer_time(double seconds) {
    return transfer_until([this] { return position_time(); }, seconds);
}

bool FileReaderMP3::transfer(int64_t bytes) {
    return transfer_until([this] { return double(position()); }, double(bytes));
}

} // namespace audio
