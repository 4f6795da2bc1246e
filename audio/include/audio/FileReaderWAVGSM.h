#pragma once
#include "audio/FileReaderWAV.h"
#include "audio/WAVInfoGSM.h"

namespace audio {

class FileReaderWAVGSM : public Provider<GSMData>, public FileReaderWAVBlocks {
public:
    explicit FileReaderWAVGSM(const std::wstring& path);

    void get_data(GSMData& out, int blocks) override;
    bool transfer(int64_t blocks) override;
    const WAVInfo& info() const override { return info_; }

protected:
    int samples_per_block() const override { return info_.samples_per_block; }

private:
    WAVInfoGSM info_;
};

} // namespace audio
