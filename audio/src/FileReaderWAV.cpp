#include "audio/FileReaderWAV.h"

#include "FileAccess.h"

#include <algorithm>

namespace audio {

FileReaderWAV::FileReaderWAV(const std::wstring& path) : file_(std::make_unique<os::File>(path, 0)) {}

FileReaderWAV::~FileReaderWAV() = default;

void FileReaderWAV::open(WAVInfo& info) {
    liba::MutexLock lock(mutex_);
    valid_ = !file_failed(*file_) && info.read_whole_header(*file_) && file_->seek(info.data_offset);
}

bool FileReaderWAV::is_valid() {
    liba::MutexLock lock(mutex_);
    return valid_;
}

bool FileReaderWAV::is_end() {
    liba::MutexLock lock(mutex_);
    return !valid_ || position() >= length();
}

int FileReaderWAV::channels() {
    liba::MutexLock lock(mutex_);
    return valid_ ? info().channels : 0;
}

int FileReaderWAV::bits_per_sample() {
    liba::MutexLock lock(mutex_);
    return valid_ ? info().bits_per_sample : 0;
}

int FileReaderWAV::sample_rate() {
    liba::MutexLock lock(mutex_);
    return valid_ ? info().sample_rate : 0;
}

int FileReaderWAV::bit_rate() {
    liba::MutexLock lock(mutex_);
    return valid_ ? static_cast<int>(std::min<int64_t>(int64_t(info().avg_bytes_per_sec) * 8, INT32_MAX)) : 0;
}

FileReaderWAVPCM::FileReaderWAVPCM(const std::wstring& path) : FileReaderWAV(path) { open(info_); }

void FileReaderWAVPCM::get_data(PCMData& out, int frames) {
    liba::MutexLock lock(mutex_);
    out = PCMData();
    if (!valid_ || frames <= 0) return;
    const int align = info_.block_align;
    const int64_t at = position();
    int64_t n = std::min<int64_t>(int64_t(frames) * align, length() - at);
    n -= n % align;
    if (n <= 0) return;
    liba::SharedBuffer bytes(static_cast<size_t>(n));
    int64_t got = file_->read(bytes.writable_data(), static_cast<uint32_t>(n));
    // A file cut short after it was opened still yields the whole frames that arrived.
    int64_t whole = got - got % align;
    if (whole != got) file_->seek(static_cast<uint32_t>(info_.data_offset + at + whole));
    if (whole <= 0) return;
    out.buffer = whole == n ? bytes : front_bytes(bytes, static_cast<size_t>(whole));
    out.channels = info_.channels;
    out.bits_per_sample = info_.bits_per_sample;
    out.sample_rate = info_.sample_rate;
}

int64_t FileReaderWAVPCM::position_of_time(double seconds) {
    liba::MutexLock lock(mutex_);
    // Whole frames only, computed in bytes so that no time overflows the product.
    const int64_t bytes = position_from(double(info_.sample_rate) * seconds * info_.block_align);
    return info_.block_align ? bytes - bytes % info_.block_align : 0;
}

double FileReaderWAVPCM::time_of_position(int64_t position) {
    liba::MutexLock lock(mutex_);
    if (info_.block_align == 0 || info_.sample_rate == 0) return 0;
    return double(position / info_.block_align) / info_.sample_rate;
}

int64_t FileReaderWAVPCM::length() {
    liba::MutexLock lock(mutex_);
    if (!valid_) return 0;
    // A trailing partial frame is never played.
    return info_.data_size - info_.data_size % info_.block_align;
}

int64_t FileReaderWAVPCM::position() {
    liba::MutexLock lock(mutex_);
    if (!valid_) return 0;
    return std::max<int64_t>(0, int64_t(file_->tell()) - info_.data_offset);
}

void FileReaderWAVPCM::set_position(int64_t position) {
    liba::MutexLock lock(mutex_);
    if (!valid_ || info_.block_align == 0) return;
    position = std::clamp<int64_t>(position, 0, length());
    position -= position % info_.block_align;
    file_->seek(static_cast<uint32_t>(info_.data_offset + position));
}

bool FileReaderWAVPCM::transfer(int64_t amount) {
    liba::MutexLock lock(mutex_);
    if (!valid_) return false;
    for (int64_t frames = amount / info_.block_align; frames > 0;) {
        PCMData piece;
        get_data(piece, static_cast<int>(std::min<int64_t>(frames, 5000)));
        if (piece.empty()) return false;
        deliver(piece);
        frames -= piece.frames();
    }
    return true;
}

} // namespace audio

namespace audio {

int FileReaderWAVBlocks::bits_per_sample() {
    liba::MutexLock lock(mutex_);
    return valid_ ? 16 : 0;
}

int64_t FileReaderWAVBlocks::position_of_time(double seconds) {
    liba::MutexLock lock(mutex_);
    int spb = samples_per_block();
    return spb > 0 ? position_from(info().sample_rate * seconds / spb) : 0;
}

double FileReaderWAVBlocks::time_of_position(int64_t block) {
    liba::MutexLock lock(mutex_);
    int rate = info().sample_rate;
    return rate > 0 ? double(block) * samples_per_block() / rate : 0;
}

int64_t FileReaderWAVBlocks::length() {
    liba::MutexLock lock(mutex_);
    return valid_ && info().block_align > 0 ? info().data_size / info().block_align : 0;
}

int64_t FileReaderWAVBlocks::position() {
    liba::MutexLock lock(mutex_);
    return current_block_;
}

void FileReaderWAVBlocks::set_position(int64_t block) {
    liba::MutexLock lock(mutex_);
    if (!valid_) return;
    block = std::clamp<int64_t>(block, 0, length());
    if (block == current_block_) return;
    current_block_ = block;
    file_->seek(static_cast<uint32_t>(info().data_offset + block * info().block_align));
}

liba::SharedBuffer FileReaderWAVBlocks::read_blocks(int64_t blocks) {
    const int align = info().block_align;
    int64_t n = std::min(blocks, length() - current_block_);
    if (!valid_ || n <= 0) return liba::SharedBuffer();
    liba::SharedBuffer bytes(static_cast<size_t>(n * align));
    int64_t got = file_->read(bytes.writable_data(), static_cast<uint32_t>(n * align));
    int64_t whole = got / align;
    if (whole * align != got)
        file_->seek(static_cast<uint32_t>(info().data_offset + align * (current_block_ + whole)));
    current_block_ += whole;
    if (whole == n) return bytes;
    return front_bytes(bytes, static_cast<size_t>(whole * align));
}

} // namespace audio
