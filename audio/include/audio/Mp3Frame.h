#pragma once
#include <cstdint>

namespace audio {

// The decoded header of one MPEG audio frame.
struct MpegFrameInfo {
    int32_t version = 0;             // 1 = MPEG-1, 2 = MPEG-2, 3 = MPEG-2.5
    int32_t layer = 0;               // 1, 2 or 3
    int32_t channels = 0;            // 1 for single channel, else 2
    int32_t sample_rate = 0;         // Hz
    int32_t kbps = 0;
    int32_t frame_length = 0;        // bytes of the whole frame, header included
    int32_t samples_per_frame = 0;   // 384, 576 or 1152

    // Same stream shape: bit rate and length may differ from frame to frame.
    bool matches(const MpegFrameInfo& other) const {
        return version == other.version && layer == other.layer && sample_rate == other.sample_rate &&
               samples_per_frame == other.samples_per_frame && channels == other.channels;
    }
};

constexpr int kMpegVersion1 = 1;
constexpr int kMpegVersion2 = 2;
constexpr int kMpegVersion25 = 3;
constexpr int kMpegHeaderSize = 4;

// The four header bytes read big-endian.
inline uint32_t mpeg_header_word(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}
inline int mpeg_header_padding(uint32_t header) { return (header >> 9) & 1; }

// Sync bits set, layer not 0, bit-rate index neither free format (0) nor 15, rate index not 3.
bool is_valid_mpeg_audio_header(uint32_t header);
// Fills info from the four header bytes; false (info untouched) when they are no header.
bool parse_mpeg_audio_header(const uint8_t* bytes, MpegFrameInfo& info);

} // namespace audio
