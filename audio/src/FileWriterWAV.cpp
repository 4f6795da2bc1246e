#include "audio/FileWriterWAV.h"

#include "FileAccess.h"

#include <algorithm>
#include <cstdint>

namespace audio {

std::unique_ptr<os::File> open_wav_for_append(const std::wstring& path, WAVInfo& info, const WAVInfo& layout,
                                              bool& ok) {
    ok = true;
    {
        os::File probe(path, 0);
        if (file_failed(probe) || probe.get_size() == 0) return nullptr;   // written as a new file
    }
    auto file = std::make_unique<os::File>(path, 3);
    // A file past 4 GiB has no room left, and cutting it to its header's sizes would lose its end.
    ok = !file_failed(*file) && info.read_whole_header(*file) && !runs_past_32_bits(*file) &&
         info.fmt_size == layout.fmt_size && info.data_offset == layout.header_size();
    if (ok) {
        // A pad byte may follow the data; any further chunk would be overwritten.
        uint64_t data_end = uint64_t(info.data_offset) + info.data_size;
        ok = data_end + 1 >= file->get_size() && info.block_align > 0;
    }
    if (ok) {
        // A cut-off file ends in part of a frame or block: new data starts after the last whole one,
        // or every unit after it would be read out of step.
        info.data_size -= info.data_size % info.block_align;
        ok = file->set_size(info.data_offset + info.data_size) && !file_failed(*file);
    }
    if (!ok) return nullptr;   // not ours to rewrite
    return file;
}

FileWriterWAVPCM::FileWriterWAVPCM(const std::wstring& path, bool append)
    : FileWriterWAV<WAVInfoPCM, PCMData>(path, append) {
    if (file_ && info_.block_align > 0) frames_written_ = info_.data_size / info_.block_align;
}

int64_t FileWriterWAVPCM::bytes_written() {
    liba::MutexLock lock(link_lock);
    return int64_t(info_.channels) * ((info_.bits_per_sample + 7) / 8) * frames_written_;
}

int FileWriterWAVPCM::bit_rate() {
    liba::MutexLock lock(link_lock);
    return static_cast<int>(std::min<int64_t>(int64_t(info_.avg_bytes_per_sec) * 8, INT32_MAX));
}

bool FileWriterWAVPCM::set_format(const PCMData& block) {
    int align = block.frame_size();
    if (align <= 0 || align > 0xFFFF || block.sample_rate <= 0) return false;
    info_.channels = block.channels;
    info_.bits_per_sample = block.bits_per_sample;
    info_.sample_rate = block.sample_rate;
    info_.block_align = static_cast<uint16_t>(align);
    // In 64 bits: a crafted file's rate times the frame size may not fit.
    info_.avg_bytes_per_sec = static_cast<int>(std::min<int64_t>(int64_t(align) * block.sample_rate, INT32_MAX));
    return true;
}

bool FileWriterWAVPCM::write_data(const PCMData& block) {
    if (block.channels != info_.channels || block.bits_per_sample != info_.bits_per_sample ||
        block.sample_rate != info_.sample_rate)
        return true;   // another format: skipped
    int64_t frames = 0;
    bool ok = write_units(block.buffer, info_.block_align, frames);
    frames_written_ += frames;
    return ok;
}

} // namespace audio
