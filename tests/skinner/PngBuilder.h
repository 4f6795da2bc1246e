#pragma once
// Hand-made zlib streams and PNG files for the decoder tests.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace pngtest {

using Bytes = std::vector<uint8_t>;

// Deflate bits, least significant first; Huffman codes go most significant first.
class BitWriter {
public:
    void bits(uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bit((value >> i) & 1);
    }
    void code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i)
            bit((code >> i) & 1);
    }
    // Fixed-code literal/length symbol.
    void fixed_symbol(int symbol) {
        if (symbol < 144)
            code(0x30 + symbol, 8);
        else if (symbol < 256)
            code(0x190 + symbol - 144, 9);
        else if (symbol < 280)
            code(symbol - 256, 7);
        else
            code(0xC0 + symbol - 280, 8);
    }
    // Fixed-code match: its length symbol and extra bits, then its distance.
    void fixed_match(size_t length, size_t distance) {
        static const uint16_t length_base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const uint16_t distance_base[30] = {1,   2,   3,    4,    5,    7,    9,    13,    17,    25,
                                                   33,  49,  65,   97,   129,  193,  257,  385,   513,   769,
                                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        int l = 28;
        while (length_base[l] > length)
            --l;
        fixed_symbol(257 + l);
        bits(uint32_t(length - length_base[l]), l < 8 || l == 28 ? 0 : (l - 4) / 4);
        int d = 29;
        while (distance_base[d] > distance)
            --d;
        code(uint32_t(d), 5);
        bits(uint32_t(distance - distance_base[d]), d < 4 ? 0 : (d - 2) / 2);
    }
    Bytes zlib() const {
        Bytes out{0x78, 0x01};
        out.insert(out.end(), bytes_.begin(), bytes_.end());
        return out;
    }

private:
    void bit(uint32_t b) {
        if (used_ == 0)
            bytes_.push_back(0);
        bytes_.back() |= uint8_t(b << used_);
        used_ = (used_ + 1) % 8;
    }
    Bytes bytes_;
    int used_ = 0;
};

// A zlib stream of stored blocks (at most `block` bytes each).
inline Bytes stored_zlib(const Bytes& data, size_t block = 65535) {
    Bytes out{0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = std::min(block, data.size() - pos);
        bool last = pos + n == data.size();
        out.push_back(last ? 1 : 0);
        out.push_back(uint8_t(n));
        out.push_back(uint8_t(n >> 8));
        out.push_back(uint8_t(~n));
        out.push_back(uint8_t(~n >> 8));
        out.insert(out.end(), data.begin() + long(pos), data.begin() + long(pos + n));
        pos += n;
    } while (pos < data.size());
    return out;
}

inline void put32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

// A chunk with a zero CRC (the decoder does not check it).
inline void chunk(Bytes& png, const char* type, const Bytes& data) {
    put32(png, uint32_t(data.size()));
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, 0);
}

inline Bytes ihdr(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour, uint8_t interlace = 0) {
    Bytes h;
    put32(h, width);
    put32(h, height);
    h.insert(h.end(), {depth, colour, 0, 0, interlace});
    return h;
}

inline Bytes signature() { return {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}; }

// A whole PNG: header, optional palette, the zlib stream as one IDAT, IEND.
inline Bytes png(const Bytes& header, const Bytes& zlib, const Bytes& palette = {}) {
    Bytes out = signature();
    chunk(out, "IHDR", header);
    if (!palette.empty())
        chunk(out, "PLTE", palette);
    chunk(out, "IDAT", zlib);
    chunk(out, "IEND", {});
    return out;
}

} // namespace pngtest
