#pragma once
#include "audio/FileWriterWAV.h"
#include "audio/WAVInfoADPCM.h"

namespace audio {

class FileWriterWAVADPCM : public FileWriterWAV<WAVInfoADPCM, ADPCMData> {
public:
    FileWriterWAVADPCM(const std::wstring& path, bool append);
    // Blocks written.
    int64_t bytes_written() override;

protected:
    bool set_format(const ADPCMData& data) override;
    bool write_data(const ADPCMData& data) override;

private:
    int64_t blocks_written_ = 0;
};

} // namespace audio
