#include "audio/WAVInfo.h"

#include "FileAccess.h"

#include <algorithm>
#include <cstring>

namespace audio {

bool read_u16(os::File& file, uint16_t& value) {
    uint8_t b[2];
    if (file.read(b, 2) != 2) return false;
    value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool read_u32(os::File& file, uint32_t& value) {
    uint8_t b[4];
    if (file.read(b, 4) != 4) return false;
    value = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    return true;
}

bool read_id(os::File& file, const char id[4]) {
    char b[4];
    return file.read(b, 4) == 4 && std::memcmp(b, id, 4) == 0;
}

bool write_u16(os::File& file, uint32_t value) {
    uint8_t b[2] = {uint8_t(value), uint8_t(value >> 8)};
    return file.write(b, 2) == 2;
}

bool write_u32(os::File& file, uint32_t value) {
    uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    return file.write(b, 4) == 4;
}

bool write_id(os::File& file, const char id[4]) { return file.write(id, 4) == 4; }

bool find_chunk(os::File& file, const char id[4], uint32_t& size) {
    const uint64_t file_size = file.get_size();
    for (;;) {
        char found[4];
        if (file.read(found, 4) != 4 || !read_u32(file, size)) return false;
        if (std::memcmp(found, id, 4) == 0) return true;
        // Sizes are unsigned and a chunk is padded to an even length; 64-bit so nothing wraps.
        uint64_t next = uint64_t(file.tell()) + size + (size & 1);
        if (next > file_size || !file.seek(static_cast<uint32_t>(next))) return false;
    }
}

bool WAVInfo::read_header(os::File& file) {
    uint16_t tag = 0, ch = 0, align = 0, bits = 0;
    uint32_t rate = 0, avg = 0;
    if (file_failed(file) || !read_id(file, "RIFF") || !read_u32(file, riff_size) ||
        !read_id(file, "WAVE") || !read_id(file, "fmt ") || !read_u32(file, fmt_size))
        return false;
    if (!read_u16(file, tag) || !read_u16(file, ch) || !read_u32(file, rate) || !read_u32(file, avg) ||
        !read_u16(file, align) || !read_u16(file, bits))
        return false;
    format_tag = tag;
    channels = ch;
    sample_rate = rate > 0x7FFFFFFF ? 0 : static_cast<int>(rate);
    avg_bytes_per_sec = avg > 0x7FFFFFFF ? 0 : static_cast<int>(avg);
    block_align = align;
    bits_per_sample = bits;
    // A format chunk shorter than its own fields would have been read into the next chunk.
    return fmt_size >= 16;
}

bool WAVInfo::write_header(os::File& file) {
    return !file_failed(file) && write_id(file, "RIFF") && write_u32(file, riff_size) &&
           write_id(file, "WAVE") && write_id(file, "fmt ") && write_u32(file, fmt_size) &&
           write_u16(file, format_tag) && write_u16(file, channels) && write_u32(file, sample_rate) &&
           write_u32(file, avg_bytes_per_sec) && write_u16(file, block_align) &&
           write_u16(file, bits_per_sample);
}

bool WAVInfo::seek_after_format(os::File& file) const {
    uint64_t end = 20 + uint64_t(fmt_size) + (fmt_size & 1);
    return end <= file.get_size() && file.seek(static_cast<uint32_t>(end));
}

bool WAVInfo::read_whole_header(os::File& file) {
    uint32_t size = 0;
    if (!read_header(file) || !read_extension(file) || !seek_after_format(file) ||
        !find_chunk(file, "data", size))
        return false;
    data_offset = file.tell();
    if (runs_past_32_bits(file)) {
        // The size field has wrapped: the data is what 32-bit positions reach.
        data_size = kLargestWavPosition - data_offset;
    } else {
        // A data size beyond the end of the file (a cut-off download, a crafted header) means what is there.
        uint64_t held = file.get_size() - uint64_t(data_offset);
        data_size = static_cast<uint32_t>(std::min<uint64_t>(size, held));
    }
    return file.seek(data_offset);
}

bool runs_past_32_bits(os::File& file) {
    // The file's own size is 32-bit too, so the byte at the last position tells.
    uint8_t byte = 0;
    return file.seek(kLargestWavPosition) && file.read(&byte, 1) == 1;
}

bool WAVInfo::write_whole_header(os::File& file) {
    return write_header(file) && write_extension(file) && write_id(file, "data") &&
           write_u32(file, data_size);
}

bool WAVInfoPCM::read_extension(os::File&) {
    // Every later division by the frame size and rate relies on these.
    return format_tag == 1 && channels >= 1 && bits_per_sample >= 1 && sample_rate > 0 &&
           block_align == channels * ((bits_per_sample + 7) / 8);
}

} // namespace audio
