#pragma once
#include "audio/FileReaderWAV.h"
#include "audio/WAVInfoADPCM.h"

namespace audio {

class FileReaderWAVADPCM : public Provider<ADPCMData>, public FileReaderWAVBlocks {
public:
    explicit FileReaderWAVADPCM(const std::wstring& path);

    void get_data(ADPCMData& out, int blocks) override;
    bool transfer(int64_t blocks) override;
    const WAVInfo& info() const override { return info_; }

protected:
    int samples_per_block() const override { return info_.samples_per_block; }

private:
    WAVInfoADPCM info_;
};

} // namespace audio
