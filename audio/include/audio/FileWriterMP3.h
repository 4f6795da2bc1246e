#pragma once
#include "audio/Data.h"
#include "audio/FileReader.h"
#include "audio/Link.h"

#include <memory>
#include <string>
#include <vector>

namespace os { class File; }

namespace audio {

// Writes MP3 bitstream blocks to a file through a staging buffer, so the disk sees few large writes.
class FileWriterMP3 : public Consumer<MP3Data>, public FileWriter {
public:
    using DataType = MP3Data;
    static constexpr size_t kStagingSize = 120000;

    FileWriterMP3(const std::wstring& path, bool append);
    ~FileWriterMP3() override;

    void on_data(const MP3Data& block) override;
    bool is_open() override;
    int64_t bytes_written() override;

private:
    void write_bytes(const uint8_t* bytes, size_t count);
    void write_staged();

    std::unique_ptr<os::File> file_;
    bool opened_ = false;
    int64_t bytes_ = 0;
    std::vector<uint8_t> staging_ = std::vector<uint8_t>(kStagingSize);
    size_t staged_ = 0;
    bool append_ = false;
    std::wstring path_;
};

} // namespace audio
