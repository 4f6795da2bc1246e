#pragma once
#include "audio/Data.h"
#include "audio/FileReader.h"
#include "audio/Link.h"

#include <memory>
#include <string>

namespace os { class File; }

namespace audio {

// Ogg Vorbis reader that decodes as it reads (16-bit output); position unit: sample frames.
class DecoderVorbis : public Provider<PCMData>, public FileReader {
public:
    explicit DecoderVorbis(const std::wstring& path);
    ~DecoderVorbis() override;

    void get_data(PCMData& out, int frames) override;
    bool is_valid() override;
    bool is_end() override;
    int channels() override;
    int bits_per_sample() override;
    int sample_rate() override;
    int bit_rate() override;
    int64_t position_of_time(double seconds) override;
    double time_of_position(int64_t position) override;
    int64_t length() override;
    int64_t position() override;
    void set_position(int64_t position) override;
    bool transfer(int64_t frames) override;

    static constexpr int kMaxFramesPerRead = 8192;

private:
    struct Stream;
    std::unique_ptr<os::File> file_;
    std::unique_ptr<Stream> stream_;
    bool opened_ = false;
    int bit_rate_ = 0;
    liba::Mutex mutex_;
};

} // namespace audio
