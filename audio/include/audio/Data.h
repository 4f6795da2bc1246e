#pragma once
#include "base/SharedBuffer.h"

#include <cstdint>

namespace audio {

// Interleaved little-endian samples; an empty block (no bytes, no format) means "no more data".
struct PCMData {
    liba::SharedBuffer buffer;
    int channels = 0;
    int bits_per_sample = 0;
    int sample_rate = 0;

    int length() const { return static_cast<int>(buffer.length()); }
    bool empty() const { return buffer.length() == 0; }
    int frame_size() const { return channels * ((bits_per_sample + 7) / 8); }
    int frames() const { return frame_size() > 0 ? length() / frame_size() : 0; }
    bool same_format(const PCMData& other) const {
        return channels == other.channels && bits_per_sample == other.bits_per_sample &&
               sample_rate == other.sample_rate;
    }
};

// Whole Microsoft ADPCM blocks of block_align bytes.
struct ADPCMData : PCMData {
    int block_align = 0;
};

// Whole 65-byte GSM 06.10 blocks; always mono 8000 Hz.
struct GSMData {
    liba::SharedBuffer buffer;

    int length() const { return static_cast<int>(buffer.length()); }
    bool empty() const { return buffer.length() == 0; }
};

// MP3 bitstream: one frame from a file reader, or what the encoder produced; length counts the
// meaningful bytes at the front of the buffer.
struct MP3Data {
    liba::SharedBuffer buffer;
    int length = 0;

    bool empty() const { return length == 0; }
};

// A block made of the first n bytes of another (no bytes copied).
liba::SharedBuffer front_bytes(const liba::SharedBuffer& buffer, size_t n);
// What is left of a block after its first n bytes.
liba::SharedBuffer drop_front_bytes(const liba::SharedBuffer& buffer, size_t n);

} // namespace audio
