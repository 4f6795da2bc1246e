#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A BMP file: 14-byte file header, 40-byte information header, palette, rows
// (bottom-up unless top_down), each row padded to 4 bytes. Fields can be spoilt
// afterwards through the offsets below.
struct BmpBuilder {
    static constexpr size_t at_pixel_offset = 10;
    static constexpr size_t at_width = 18;
    static constexpr size_t at_height = 22;
    static constexpr size_t at_planes = 26;
    static constexpr size_t at_bits = 28;
    static constexpr size_t at_compression = 30;
    static constexpr size_t at_used_colours = 46;

    int32_t width = 1;
    int32_t height = 1;
    uint16_t bits = 24;
    bool top_down = false;
    uint32_t used_colours = 0;
    std::vector<uint8_t> palette;   // blue, green, red, 0 per entry
    std::vector<uint8_t> rows;      // the rows as stored, top row first, unpadded
    uint32_t gap = 0;               // bytes between the palette and the pixels

    static void put16(std::string& s, size_t at, uint16_t v) {
        s[at] = char(v & 0xFF);
        s[at + 1] = char(v >> 8);
    }
    static void put32(std::string& s, size_t at, uint32_t v) {
        put16(s, at, uint16_t(v));
        put16(s, at + 2, uint16_t(v >> 16));
    }

    std::string build() const {
        const size_t stride = (size_t(bits) * size_t(width) + 31) / 32 * 4;
        const size_t row_bytes = (size_t(bits) * size_t(width) + 7) / 8;
        const uint32_t offset = uint32_t(54 + palette.size() + gap);
        std::string s(offset + stride * size_t(height), '\0');
        s[0] = 'B';
        s[1] = 'M';
        put32(s, 2, uint32_t(s.size()));
        put32(s, at_pixel_offset, offset);
        put32(s, 14, 40);
        put32(s, at_width, uint32_t(width));
        put32(s, at_height, uint32_t(top_down ? -height : height));
        put16(s, at_planes, 1);
        put16(s, at_bits, bits);
        put32(s, at_used_colours, used_colours);
        std::copy(palette.begin(), palette.end(), s.begin() + 54);
        for (int32_t y = 0; y < height; ++y) {
            const size_t stored = size_t(top_down ? y : height - 1 - y);
            for (size_t i = 0; i < row_bytes && size_t(y) * row_bytes + i < rows.size(); ++i)
                s[offset + stored * stride + i] = char(rows[size_t(y) * row_bytes + i]);
        }
        return s;
    }
};

} // namespace testing_support
