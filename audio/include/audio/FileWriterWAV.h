#pragma once
#include "audio/Data.h"
#include "audio/FileReader.h"
#include "audio/Link.h"
#include "audio/WAVInfo.h"
#include "base/File.h"
#include "base/Log.h"

#include <memory>
#include <string>

namespace audio {

// Opens an existing WAV file for adding to it. Only a file whose header reads as this format, is laid
// out as layout (a new record of the writer's) would write it, and whose data chunk runs to the end of
// the file is taken: the final header rewrite then overwrites nothing else. A missing or empty file is
// written as a new one. Answers the file, or null with ok false.
std::unique_ptr<os::File> open_wav_for_append(const std::wstring& path, WAVInfo& info, const WAVInfo& layout,
                                              bool& ok);

// A WAV file writer stage: writes what passes through, pushed (on_data) or pulled (get_data),
// and hands every block on unchanged. The header is completed when the writer goes.
template <class Info, class Data> class FileWriterWAV : public Processor<Data, Data>, public FileWriter {
public:
    using DataType = Data;

    FileWriterWAV(const std::wstring& path, bool append) : path_(path) {
        if (append) file_ = open_wav_for_append(path, info_, Info(), ok_);
    }

    ~FileWriterWAV() override {
        if (!file_) return;
        file_->seek(0);
        info_.riff_size = info_.data_offset + info_.data_size - 8;
        info_.write_whole_header(*file_);
        file_.reset();
    }

    void on_data(const Data& block) override {
        liba::MutexLock lock(this->link_lock);
        process(block);
        this->deliver(block);
    }

    void get_data(Data& out, int count) override {
        liba::MutexLock lock(this->link_lock);
        this->pull(out, count);
        process(out);
    }

    bool is_open() override {
        liba::MutexLock lock(this->link_lock);
        return ok_;
    }

    const Info& info() const { return info_; }

protected:
    virtual void process(const Data& block) {
        if (!ok_ || block.empty()) return;
        if (!file_) {
            if (!set_format(block)) return;   // tried again with the next block
            file_ = std::make_unique<os::File>(path_, 1);
            info_.data_size = 0;
            info_.riff_size = 0;
            ok_ = !file_->has_error() && info_.write_whole_header(*file_);
            info_.data_offset = file_->tell();
        }
        if (ok_) ok_ = write_data(block);
    }
    virtual bool set_format(const Data& block) = 0;
    virtual bool write_data(const Data& block) = 0;

    // Writes the block's bytes; grows the data size by the whole units written and moves back over a
    // partial one. True when all of it was written. The file ends, whole, at the largest data size
    // the header holds; what does not fit is refused and the writer turns off.
    bool write_units(const liba::SharedBuffer& bytes, int unit, int64_t& units_written) {
        const uint64_t largest = (uint64_t(kLargestWavPosition) - info_.data_offset) / unit * unit;
        const uint64_t room = largest > info_.data_size ? largest - info_.data_size : 0;
        const bool fits = bytes.length() <= room;
        const uint32_t length = static_cast<uint32_t>(fits ? bytes.length() : room);
        uint32_t written = length > 0 ? file_->write(bytes.data(), length) : 0;
        uint32_t whole = written / unit;
        units_written = whole;
        info_.data_size += whole * unit;
        if (!fits) {
            liba::get_log() << L"WAV file full at the largest size its header holds: " << path_ << L"\n";
            return false;
        }
        if (written % unit == 0) return written == bytes.length();
        file_->seek(info_.data_offset + info_.data_size);
        return false;
    }

    Info info_;
    std::wstring path_;
    std::unique_ptr<os::File> file_;
    bool ok_ = true;
};

// PCM WAV writer; as the "PCM" record chain it is its own encoder.
class FileWriterWAVPCM : public FileWriterWAV<WAVInfoPCM, PCMData>, public Encoder {
public:
    FileWriterWAVPCM(const std::wstring& path, bool append);

    int64_t bytes_written() override;
    int bit_rate() override;

protected:
    bool set_format(const PCMData& block) override;
    bool write_data(const PCMData& block) override;

private:
    int64_t frames_written_ = 0;
};

} // namespace audio
