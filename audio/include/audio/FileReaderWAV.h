#pragma once
#include "audio/Data.h"
#include "audio/FileReader.h"
#include "audio/Link.h"
#include "audio/WAVInfo.h"

#include <memory>
#include <string>

namespace os { class File; }

namespace audio {

// Common part of the WAV readers: the file, whether its header was recognised, and the lock
// that every operation takes (the player's thread reads while the GUI asks for positions).
class FileReaderWAV : public FileReader {
public:
    explicit FileReaderWAV(const std::wstring& path);
    ~FileReaderWAV() override;

    bool is_valid() override;
    bool is_end() override;
    int channels() override;
    int bits_per_sample() override;
    int sample_rate() override;
    int bit_rate() override;

    virtual const WAVInfo& info() const = 0;

protected:
    // Reads the whole header into info and sets the valid flag; derived constructors call it.
    void open(WAVInfo& info);

    std::unique_ptr<os::File> file_;
    bool valid_ = false;
    liba::Mutex mutex_;
};

// PCM WAV; the position unit is the byte of the data chunk.
class FileReaderWAVPCM : public Provider<PCMData>, public FileReaderWAV {
public:
    explicit FileReaderWAVPCM(const std::wstring& path);

    void get_data(PCMData& out, int frames) override;
    int64_t position_of_time(double seconds) override;
    double time_of_position(int64_t position) override;
    int64_t length() override;
    int64_t position() override;
    void set_position(int64_t position) override;
    bool transfer(int64_t amount) override;
    const WAVInfo& info() const override { return info_; }

private:
    WAVInfoPCM info_;
};

// Common part of the readers of block-coded WAV files; the position unit is the block.
class FileReaderWAVBlocks : public FileReaderWAV {
public:
    using FileReaderWAV::FileReaderWAV;

    // Of the decoded output: the header's field is the coded width (4 for ADPCM, 0 for GSM).
    int bits_per_sample() override;
    int64_t position_of_time(double seconds) override;
    double time_of_position(int64_t block) override;
    int64_t length() override;
    int64_t position() override;
    void set_position(int64_t block) override;

protected:
    virtual int samples_per_block() const = 0;
    // Up to that many whole blocks from the current one on; a trailing partial block is left
    // unread (the file moves back to the block boundary).
    liba::SharedBuffer read_blocks(int64_t blocks);

    int64_t current_block_ = 0;
};

} // namespace audio
