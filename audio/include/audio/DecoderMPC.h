#pragma once
#include "audio/Data.h"
#include "audio/FileReader.h"
#include "audio/Link.h"

#include <cstdint>
#include <memory>
#include <string>

namespace os { class File; }

namespace audio {

// The library's fixed-point sample scale: 1.0 = 2^29.
inline constexpr int64_t kMPCFixedOne = int64_t(1) << 29;
// A float sample of the library on the fixed-point scale (saturating to 32 bits).
int32_t mpc_float_to_fixed(float sample);
// A fixed-point sample to 16 bits, saturating.
int16_t mpc_fixed_to_16(int32_t value);

// Musepack (stream versions 7 and 8) reader that decodes as it reads; position unit: sample frames.
class DecoderMPC : public Provider<PCMData>, public FileReader {
public:
    explicit DecoderMPC(const std::wstring& path);
    ~DecoderMPC() override;

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

private:
    bool decode_frame();

    struct Stream;
    std::unique_ptr<os::File> file_;
    std::unique_ptr<Stream> stream_;
    int64_t length_ = 0;
    int64_t decoded_ = 0;
    liba::Mutex mutex_;
    PCMData pending_;
};

} // namespace audio
