#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace audio::mp3enc {

// Appends bit fields most significant bit first to a growing byte buffer.
class BitWriter {
public:
    void put(uint32_t value, int bits);
    void put_bytes(const uint8_t* bytes, size_t count);
    // Zero bits up to the next byte boundary.
    void align();
    int64_t bit_count() const { return bits_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // Drops the first n whole bytes (already taken out).
    void drop_front(size_t n);
    void clear();

private:
    std::vector<uint8_t> bytes_;
    int64_t bits_ = 0;        // bits written since the last clear
    int64_t dropped_bits_ = 0;
};

} // namespace audio::mp3enc
