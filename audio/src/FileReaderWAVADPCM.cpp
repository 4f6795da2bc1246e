#include "audio/FileReaderWAVADPCM.h"

#include <algorithm>

namespace audio {

FileReaderWAVADPCM::FileReaderWAVADPCM(const std::wstring& path) : FileReaderWAVBlocks(path) { open(info_); }

void FileReaderWAVADPCM::get_data(ADPCMData& out, int blocks) {
    liba::MutexLock lock(mutex_);
    out = ADPCMData();
    liba::SharedBuffer bytes = read_blocks(blocks);
    if (bytes.length() == 0) return;
    out.buffer = bytes;
    out.channels = info_.channels;
    out.bits_per_sample = 4;
    out.sample_rate = info_.sample_rate;
    out.block_align = info_.block_align;
}

bool FileReaderWAVADPCM::transfer(int64_t blocks) {
    liba::MutexLock lock(mutex_);
    if (!valid_) return false;
    while (blocks > 0) {
        ADPCMData piece;
        get_data(piece, static_cast<int>(std::min<int64_t>(blocks, 5)));
        if (piece.empty()) return false;
        deliver(piece);
        blocks -= piece.length() / info_.block_align;
    }
    return true;
}

} // namespace audio
