#pragma once
#include "audio/ADPCMCodec.h"
#include "audio/WAVInfo.h"

namespace audio {

// The Microsoft ADPCM extension of the format chunk and its "fact" chunk.
class WAVInfoADPCM : public WAVInfo {
public:
    WAVInfoADPCM();
    bool read_extension(os::File& file) override;
    bool write_extension(os::File& file) override;
    uint32_t header_size() const override;

    uint16_t samples_per_block = 0;
    uint16_t coefficient_count = kADPCMPredictorCount;
    // As read from the file; decoding always uses the standard table.
    int16_t coefficients[kADPCMPredictorCount][2] = {};
    uint32_t fact_samples = 0;
};

} // namespace audio
