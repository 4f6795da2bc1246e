#include "audio/FileWriterMP3.h"

#include "FileAccess.h"

#include <algorithm>
#include <cstring>

namespace audio {

FileWriterMP3::FileWriterMP3(const std::wstring& path, bool append)
    : file_(std::make_unique<os::File>(path, append ? 3 : 1)), append_(append), path_(path) {
    opened_ = !file_failed(*file_);
    if (opened_ && append) {
        file_->seek(file_->get_size());
        bytes_ = file_->tell();
    }
}

FileWriterMP3::~FileWriterMP3() {
    write_staged();
    // A recording that produced nothing leaves no file; only a file this writer made can be removed.
    bool remove = opened_ && !append_ && file_->get_size() == 0;
    file_.reset();
    if (remove) os::delete_file(path_);
}

bool FileWriterMP3::is_open() {
    liba::MutexLock lock(link_lock);
    return opened_ && !file_->failed();
}

int64_t FileWriterMP3::bytes_written() {
    liba::MutexLock lock(link_lock);
    return bytes_;
}

void FileWriterMP3::write_bytes(const uint8_t* bytes, size_t count) {
    // A short write turns the writer off; is_open() is how the recorder learns of it.
    if (file_->write(bytes, static_cast<uint32_t>(count)) != count) file_->writer().add_error(L"can't write file");
}

void FileWriterMP3::write_staged() {
    if (staged_ > 0 && opened_ && !file_->failed()) write_bytes(staging_.data(), staged_);
    staged_ = 0;
}

void FileWriterMP3::on_data(const MP3Data& block) {
    liba::MutexLock lock(link_lock);
    if (!is_open()) return;
    const size_t length = std::min<size_t>(std::max(block.length, 0), block.buffer.length());
    bytes_ += length;
    if (staged_ + length > kStagingSize) {
        write_staged();
        if (file_->failed()) return;
    }
    if (length <= kStagingSize) {
        std::memcpy(staging_.data() + staged_, block.buffer.data(), length);
        staged_ += length;
    } else {
        write_bytes(block.buffer.data(), length);
    }
}

} // namespace audio
