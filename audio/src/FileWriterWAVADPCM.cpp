#include "audio/FileWriterWAVADPCM.h"

namespace audio {

FileWriterWAVADPCM::FileWriterWAVADPCM(const std::wstring& path, bool append)
    : FileWriterWAV<WAVInfoADPCM, ADPCMData>(path, append) {
    if (file_ && info_.block_align > 0) blocks_written_ = info_.data_size / info_.block_align;
}

int64_t FileWriterWAVADPCM::bytes_written() {
    liba::MutexLock lock(link_lock);
    return blocks_written_;
}

bool FileWriterWAVADPCM::set_format(const ADPCMData& data) {
    int spb = adpcm_samples_per_block(data.block_align, data.channels);
    if (spb == 0 || data.sample_rate <= 0 || data.block_align > 0xFFFF) return false;
    info_.block_align = static_cast<uint16_t>(data.block_align);
    info_.channels = data.channels;
    info_.sample_rate = data.sample_rate;
    info_.samples_per_block = static_cast<uint16_t>(spb);
    info_.avg_bytes_per_sec = static_cast<int>(int64_t(data.block_align) * data.sample_rate / spb);
    return true;
}

bool FileWriterWAVADPCM::write_data(const ADPCMData& data) {
    if (data.channels != info_.channels || data.bits_per_sample != 4 || data.sample_rate != info_.sample_rate ||
        data.block_align != info_.block_align)
        return true;   // another format: skipped
    int64_t blocks = 0;
    bool ok = write_units(data.buffer, info_.block_align, blocks);
    info_.fact_samples += static_cast<uint32_t>(blocks * info_.samples_per_block);
    blocks_written_ += blocks;
    return ok;
}

} // namespace audio
