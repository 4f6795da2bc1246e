#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace audio {

// A position computed from a time: truncated, with NaN as 0 and wild values clamped, so that no
// caller's time can overflow the conversion to an integer.
inline int64_t position_from(double value) {
    return std::isnan(value) ? 0 : static_cast<int64_t>(std::clamp(value, -9e18, 9e18));
}

// The reading side of every file stage. Positions are in the reader's own unit: bytes for PCM WAV,
// blocks for ADPCM and GSM WAV, sample frames for Vorbis and Musepack.
class FileReader {
public:
    virtual ~FileReader() = default;
    virtual bool is_valid() = 0;
    virtual bool is_end() = 0;
    virtual int channels() = 0;
    virtual int bits_per_sample() = 0;
    virtual int sample_rate() = 0;
    virtual int bit_rate() = 0;
    virtual int64_t position_of_time(double seconds) = 0;
    virtual double time_of_position(int64_t position) = 0;
    virtual double length_time() { return time_of_position(length()); }
    virtual double position_time() { return time_of_position(position()); }
    virtual void seek_time(double seconds) { set_position(position_of_time(seconds)); }
    virtual int64_t length() = 0;
    virtual int64_t position() = 0;
    virtual void set_position(int64_t position) = 0;
    virtual bool transfer_time(double seconds) { return transfer(position_of_time(seconds)); }
    // Pushes that much (in the position unit) to the linked consumer; false when the data ran out.
    virtual bool transfer(int64_t amount) = 0;
};

class FileWriter {
public:
    virtual ~FileWriter() = default;
    virtual bool is_open() = 0;
    // Bytes for the PCM WAV and MP3 writers, blocks for the ADPCM and GSM WAV writers.
    virtual int64_t bytes_written() = 0;
};

class Encoder {
public:
    virtual ~Encoder() = default;
    virtual int bit_rate() = 0;
};

} // namespace audio
