#pragma once
#include "audio/FileWriterWAV.h"
#include "audio/WAVInfoGSM.h"

namespace audio {

class FileWriterWAVGSM : public FileWriterWAV<WAVInfoGSM, GSMData> {
public:
    FileWriterWAVGSM(const std::wstring& path, bool append);
    // Blocks written.
    int64_t bytes_written() override;

protected:
    bool set_format(const GSMData&) override { return true; }   // the header is fixed
    bool write_data(const GSMData& data) override;

private:
    int64_t blocks_written_ = 0;
};

} // namespace audio
