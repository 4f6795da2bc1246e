#pragma once
#include <cstdint>

namespace os { class File; }

namespace audio {

// The RIFF WAVE header as the readers and writers see it. Chunk sizes are unsigned 32-bit.
class WAVInfo {
public:
    virtual ~WAVInfo() = default;
    // Reads/writes what a format adds after the common 16 bytes of "fmt ", and its "fact" chunk.
    virtual bool read_extension(os::File&) { return true; }
    virtual bool write_extension(os::File&) { return true; }

    // "RIFF", size, "WAVE", then the "fmt " chunk directly; each short read fails.
    bool read_header(os::File& file);
    // The first 36 bytes, up to bits_per_sample.
    bool write_header(os::File& file);
    // Header, extension, "data" and data_size; then data_offset and data_size describe the data.
    bool read_whole_header(os::File& file);
    bool write_whole_header(os::File& file);
    // Moves to the first chunk after "fmt " (and its pad byte).
    bool seek_after_format(os::File& file) const;
    // Bytes that write_whole_header writes: where the data of a file this record wrote begins.
    virtual uint32_t header_size() const { return 36 + 8; }

    int channels = 0;
    int bits_per_sample = 0;
    int sample_rate = 0;
    uint16_t format_tag = 0;
    int avg_bytes_per_sec = 0;
    uint16_t block_align = 0;
    uint32_t riff_size = 0;
    uint32_t fmt_size = 0;
    uint32_t data_size = 0;
    uint32_t data_offset = 0;
};

class WAVInfoPCM : public WAVInfo {
public:
    WAVInfoPCM() { format_tag = 1; fmt_size = 16; }
    bool read_extension(os::File&) override;
};

// The last position a RIFF file's 32-bit sizes and our 32-bit file positions can describe.
constexpr uint32_t kLargestWavPosition = 0xFFFFFFFF;

// Whether the file is longer than kLargestWavPosition: its sizes have wrapped and no 32-bit size
// of it can be trusted. Moves the file position.
bool runs_past_32_bits(os::File& file);

// Walks the chunks from the file position to the chunk with that id, leaving the position just
// after its size. The walk only moves forward and never past the end of the file.
bool find_chunk(os::File& file, const char id[4], uint32_t& size);

// Little-endian field access shared by the header readers and writers; false on a short read/write.
bool read_u16(os::File& file, uint16_t& value);
bool read_u32(os::File& file, uint32_t& value);
bool read_id(os::File& file, const char id[4]);
bool write_u16(os::File& file, uint32_t value);
bool write_u32(os::File& file, uint32_t value);
bool write_id(os::File& file, const char id[4]);

} // namespace audio
