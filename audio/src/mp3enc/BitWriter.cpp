#include "audio/mp3enc/BitWriter.h"

#include <algorithm>

namespace audio::mp3enc {

void BitWriter::put(uint32_t value, int bits) {
    if (bits <= 0)
        return;
    if (bits < 32)
        value &= (1u << bits) - 1;
    // Fill the open last byte, then whole bytes, then open a new last byte with the rest.
    const int used = static_cast<int>((bits_ - dropped_bits_) % 8);
    bits_ += bits;
    if (used) {
        const int take = std::min(8 - used, bits);
        bits -= take;
        bytes_.back() |= static_cast<uint8_t>((value >> bits) << (8 - used - take));
    }
    for (; bits >= 8; bits -= 8)
        bytes_.push_back(static_cast<uint8_t>(value >> (bits - 8)));
    if (bits)
        bytes_.push_back(static_cast<uint8_t>(value << (8 - bits)));
}

void BitWriter::put_bytes(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        put(bytes[i], 8);
}

void BitWriter::align() {
    const int used = static_cast<int>((bits_ - dropped_bits_) % 8);
    if (used)
        put(0, 8 - used);
}

void BitWriter::drop_front(size_t n) {
    n = std::min(n, bytes_.size());
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(n));
    dropped_bits_ += static_cast<int64_t>(n) * 8;
}

void BitWriter::clear() {
    bytes_.clear();
    bits_ = 0;
    dropped_bits_ = 0;
}

} // namespace audio::mp3enc
