#pragma once
#include "audio/WAVInfo.h"

namespace audio {

inline constexpr int kGSMBlockAlign = 65;          // two frames packed in the WAV49 layout
inline constexpr int kGSMSamplesPerBlock = 320;
inline constexpr int kGSMFrameSamples = 160;
inline constexpr int kGSMSampleRate = 8000;
inline constexpr int kGSMBitRate = 13000;

// The GSM 06.10 extension of the format chunk and its "fact" chunk; the format is fixed.
class WAVInfoGSM : public WAVInfo {
public:
    WAVInfoGSM();
    bool read_extension(os::File& file) override;
    bool write_extension(os::File& file) override;
    uint32_t header_size() const override { return 36 + 4 + 12 + 8; }

    uint16_t samples_per_block = kGSMSamplesPerBlock;
    uint32_t fact_samples = 0;
};

} // namespace audio
