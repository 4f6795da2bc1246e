#include "audio/FileWriterWAVGSM.h"

namespace audio {

FileWriterWAVGSM::FileWriterWAVGSM(const std::wstring& path, bool append)
    : FileWriterWAV<WAVInfoGSM, GSMData>(path, append) {
    if (file_) blocks_written_ = info_.data_size / kGSMBlockAlign;
}

int64_t FileWriterWAVGSM::bytes_written() {
    liba::MutexLock lock(link_lock);
    return blocks_written_;
}

bool FileWriterWAVGSM::write_data(const GSMData& data) {
    int64_t blocks = 0;
    bool ok = write_units(data.buffer, kGSMBlockAlign, blocks);
    info_.fact_samples += static_cast<uint32_t>(blocks * kGSMSamplesPerBlock);
    blocks_written_ += blocks;
    return ok;
}

} // namespace audio
