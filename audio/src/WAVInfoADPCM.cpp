#include "audio/WAVInfoADPCM.h"

#include "FileAccess.h"

#include <algorithm>

namespace audio {

namespace {
// Common 16 bytes, extension size, samples per block, count, seven pairs.
constexpr uint32_t kADPCMFormatSize = 16 + 2 + 2 + 2 + 4 * kADPCMPredictorCount;
} // namespace

WAVInfoADPCM::WAVInfoADPCM() {
    format_tag = 2;
    bits_per_sample = 4;
    fmt_size = kADPCMFormatSize;
    for (int i = 0; i < kADPCMPredictorCount; ++i) {
        coefficients[i][0] = kADPCMCoefficients[i][0];
        coefficients[i][1] = kADPCMCoefficients[i][1];
    }
}

bool WAVInfoADPCM::read_extension(os::File& file) {
    uint16_t extension_size = 0;
    if (fmt_size < kADPCMFormatSize - 4 * kADPCMPredictorCount || !read_u16(file, extension_size) ||
        !read_u16(file, samples_per_block) || !read_u16(file, coefficient_count))
        return false;
    // The pairs are only read when there are exactly as many as the format has, inside the chunk.
    if (coefficient_count != kADPCMPredictorCount || fmt_size < kADPCMFormatSize) return false;
    for (auto& pair : coefficients) {
        uint16_t c1 = 0, c2 = 0;
        if (!read_u16(file, c1) || !read_u16(file, c2)) return false;
        pair[0] = static_cast<int16_t>(c1);
        pair[1] = static_cast<int16_t>(c2);
    }
    uint32_t fact_size = 0;
    fact_samples = 0;
    if (seek_after_format(file) && find_chunk(file, "fact", fact_size) && fact_size >= 4)
        read_u32(file, fact_samples);
    // Everything a later division or block walk relies on.
    return format_tag == 2 && (channels == 1 || channels == 2) && bits_per_sample == 4 &&
           sample_rate > 0 && block_align >= adpcm_header_size(channels) + 1 && samples_per_block >= 2;
}

uint32_t WAVInfoADPCM::header_size() const {
    // Extension size, samples per block, count, the pairs, then "fact" and its 4 bytes.
    return 36 + 6 + 4 * std::min<uint32_t>(coefficient_count, kADPCMPredictorCount) + 12 + 8;
}

bool WAVInfoADPCM::write_extension(os::File& file) {
    if (!write_u16(file, (coefficient_count + 1) * 4) || !write_u16(file, samples_per_block) ||
        !write_u16(file, coefficient_count))
        return false;
    for (int i = 0; i < coefficient_count && i < kADPCMPredictorCount; ++i)
        if (!write_u16(file, uint16_t(coefficients[i][0])) || !write_u16(file, uint16_t(coefficients[i][1])))
            return false;
    return write_id(file, "fact") && write_u32(file, 4) && write_u32(file, fact_samples);
}

} // namespace audio
