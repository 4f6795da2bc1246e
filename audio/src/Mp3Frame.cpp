#include "audio/Mp3Frame.h"

namespace audio {

namespace {

// Bit-rate rows by index 1..14 (index 0 unused).
constexpr int16_t kKbpsV1L1[15] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
constexpr int16_t kKbpsV1L2[15] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr int16_t kKbpsV1L3[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int16_t kKbpsV2L1[15] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};
constexpr int16_t kKbpsV2L23[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

constexpr int32_t kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

int version_of(uint32_t header) {
    switch ((header >> 19) & 3) {
    case 3: return kMpegVersion1;
    case 2: return kMpegVersion2;
    default: return kMpegVersion25;   // 00, and the reserved 01 read the same way
    }
}

} // namespace

bool is_valid_mpeg_audio_header(uint32_t header) {
    const uint32_t bitrate_index = (header >> 12) & 15;
    return header >= 0xFFE00000u && ((header >> 17) & 3) != 0 && bitrate_index != 0 && bitrate_index != 15 &&
           ((header >> 10) & 3) != 3;
}

bool parse_mpeg_audio_header(const uint8_t* bytes, MpegFrameInfo& info) {
    const uint32_t header = mpeg_header_word(bytes);
    if (!is_valid_mpeg_audio_header(header)) return false;
    MpegFrameInfo parsed;
    parsed.version = version_of(header);
    parsed.layer = 4 - int((header >> 17) & 3);
    parsed.channels = ((header >> 6) & 3) == 3 ? 1 : 2;
    const int bitrate_index = (header >> 12) & 15;
    const bool v1 = parsed.version == kMpegVersion1;
    const int16_t* row = parsed.layer == 1 ? (v1 ? kKbpsV1L1 : kKbpsV2L1)
                         : parsed.layer == 2 ? (v1 ? kKbpsV1L2 : kKbpsV2L23)
                                             : (v1 ? kKbpsV1L3 : kKbpsV2L23);
    parsed.kbps = row[bitrate_index];
    parsed.sample_rate = kRates[parsed.version - 1][(header >> 10) & 3];
    if (parsed.kbps == 0 || parsed.sample_rate == 0) return false;

    const int32_t padding = mpeg_header_padding(header);
    if (parsed.layer == 1) {
        parsed.frame_length = (12000 * parsed.kbps / parsed.sample_rate + padding) * 4;
        parsed.samples_per_frame = 384;
    } else if (parsed.layer == 2 || v1) {
        parsed.frame_length = 144000 * parsed.kbps / parsed.sample_rate + padding;
        parsed.samples_per_frame = 1152;
    } else {
        parsed.frame_length = 72000 * parsed.kbps / parsed.sample_rate + padding;
        parsed.samples_per_frame = 576;
    }
    info = parsed;
    return true;
}

} // namespace audio
