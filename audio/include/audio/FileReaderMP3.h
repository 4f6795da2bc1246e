#pragma once
#include "audio/Data.h"
#include "audio/FileReader.h"
#include "audio/Link.h"
#include "audio/Mp3Frame.h"

#include <memory>
#include <string>

namespace os { class File; }

namespace audio {

// Cuts an MP3 file into frames for the decoder; the position unit is the byte of the file.
// Every operation takes the reader's lock: the player's thread pulls frames while the GUI thread
// asks for the position.
class FileReaderMP3 : public Provider<MP3Data>, public FileReader {
public:
    static constexpr size_t kBlockSize = 2000;    // one frame and the file bytes behind it
    static constexpr size_t kBufferSize = 10000;

    explicit FileReaderMP3(const std::wstring& path);
    ~FileReaderMP3() override;

    // The next frame that matches the reference frame (count is ignored), or an empty block.
    void get_data(MP3Data& out, int count) override;

    bool is_valid() override;
    bool is_end() override;
    int channels() override;
    int bits_per_sample() override;
    int sample_rate() override;
    int bit_rate() override;
    int64_t position_of_time(double seconds) override;
    double time_of_position(int64_t bytes) override;
    int64_t length() override;
    int64_t position() override;
    void set_position(int64_t bytes) override;
    bool transfer_time(double seconds) override;
    bool transfer(int64_t bytes) override;

    // The first frame that is followed by a matching frame.
    MpegFrameInfo reference_frame();

private:
    // Tops the buffer up when fewer than wanted unread bytes remain.
    void refill(size_t wanted = kBlockSize);
    // Moves the read index to the next header; false when none is buffered.
    bool sync(MpegFrameInfo& info);
    bool exhausted() const { return file_done_ && read_index_ >= count_; }
    bool find_reference();
    template <class Position> bool transfer_until(Position position, double amount);

    std::unique_ptr<os::File> file_;
    int64_t length_ = 0;
    MpegFrameInfo reference_;
    int64_t offset_ = 0;       // file offset just behind the buffered bytes
    bool valid_ = false;
    bool file_done_ = false;   // the file gave no more bytes
    liba::Mutex mutex_;
    std::unique_ptr<uint8_t[]> buffer_ = std::make_unique<uint8_t[]>(kBufferSize);
    size_t count_ = 0;
    size_t read_index_ = 0;
};

} // namespace audio
