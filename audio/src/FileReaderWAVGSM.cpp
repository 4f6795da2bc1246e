#include "audio/FileReaderWAVGSM.h"

#include <algorithm>

namespace audio {

FileReaderWAVGSM::FileReaderWAVGSM(const std::wstring& path) : FileReaderWAVBlocks(path) { open(info_); }

void FileReaderWAVGSM::get_data(GSMData& out, int blocks) {
    liba::MutexLock lock(mutex_);
    out = GSMData();
    out.buffer = read_blocks(blocks);
}

bool FileReaderWAVGSM::transfer(int64_t blocks) {
    liba::MutexLock lock(mutex_);
    if (!valid_) return false;
    while (blocks > 0) {
        GSMData piece;
        get_data(piece, static_cast<int>(std::min<int64_t>(blocks, 10)));
        if (piece.empty()) return false;
        deliver(piece);
        blocks -= piece.length() / kGSMBlockAlign;
    }
    return true;
}

} // namespace audio
