#include "GdiObjects.h"
#include "PictureDecoders.h"

#include <array>
#include <bit>

namespace plat {
namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;

// Bounds-checked little-endian reads over the file.
struct Cursor {
    const uint8_t* data = nullptr;
    size_t size = 0;

    bool has(uint64_t offset, uint64_t count) const { return offset <= size && count <= size - offset; }
    uint16_t u16(size_t at) const { return uint16_t(data[at] | data[at + 1] << 8); }
    uint32_t u32(size_t at) const { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; }
};

// One channel of a bit-field pixel, scaled to 8 bits.
struct Field {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Field(uint32_t m = 0) : mask(m) {
        if (!mask)
            return;
        shift = std::countr_zero(mask);
        max = mask >> shift;
    }
    uint8_t of(uint32_t value) const {
        if (!max)
            return 0;
        return uint8_t(uint64_t((value & mask) >> shift) * 255 / max);
    }
};

} // namespace

HBITMAP decode_bmp(const uint8_t* data, size_t size, const PictureLimits& limits) {
    const Cursor file{data, size};
    if (!file.has(0, 18))
        return nullptr;
    const uint32_t pixel_offset = file.u32(10);
    const uint32_t header_size = file.u32(14);
    int64_t width = 0, height = 0;
    uint32_t planes = 0, bits = 0, compression = BI_RGB, used_colours = 0, palette_entry = 4;
    if (header_size == 12) {
        if (!file.has(14, 12))
            return nullptr;
        width = file.u16(18);
        height = int16_t(file.u16(20));
        planes = file.u16(22);
        bits = file.u16(24);
        palette_entry = 3;
    } else if (header_size >= 40 && header_size <= 124) {
        if (!file.has(14, header_size))
            return nullptr;
        width = int32_t(file.u32(18));
        height = int32_t(file.u32(22));
        planes = file.u16(26);
        bits = file.u16(28);
        compression = file.u32(30);
        used_colours = file.u32(46);
    } else {
        return nullptr;
    }
    const bool top_down = height < 0;
    if (top_down)
        height = -height;
    if (planes != 1 || !limits.allow(width, height))
        return nullptr;
    const bool paletted = bits == 1 || bits == 4 || bits == 8;
    if (!paletted && bits != 16 && bits != 24 && bits != 32)
        return nullptr;
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bits == 16 || bits == 32)))
        return nullptr;

    Field red(0x00FF0000), green(0x0000FF00), blue(0x000000FF);
    if (bits == 16) {
        red = Field(0x7C00);
        green = Field(0x03E0);
        blue = Field(0x001F);
    }
    const uint64_t after_header = 14 + uint64_t(header_size);
    if (compression == BI_BITFIELDS) {
        // The masks follow a 40-byte header; larger headers hold them inside.
        const uint64_t at = header_size == 40 ? after_header : 54;
        if (!file.has(at, 12))
            return nullptr;
        red = Field(file.u32(size_t(at)));
        green = Field(file.u32(size_t(at) + 4));
        blue = Field(file.u32(size_t(at) + 8));
    }

    std::array<uint32_t, 256> palette{};
    uint32_t palette_count = 0;
    if (paletted) {
        const uint32_t full = 1u << bits;
        palette_count = used_colours == 0 || used_colours > full ? full : used_colours;
        const uint64_t at = after_header + (compression == BI_BITFIELDS && header_size == 40 ? 12 : 0);
        if (!file.has(at, uint64_t(palette_count) * palette_entry))
            return nullptr;
        for (uint32_t i = 0; i < palette_count; ++i) {
            const size_t entry = size_t(at + uint64_t(i) * palette_entry);
            palette[i] = pixel_word(data[entry + 2], data[entry + 1], data[entry]);
        }
    }

    const uint64_t stride = (uint64_t(bits) * uint64_t(width) + 31) / 32 * 4;
    if (!file.has(pixel_offset, stride * uint64_t(height)))
        return nullptr;
    HBITMAP bitmap = create_bitmap(int32_t(width), int32_t(height));
    if (!bitmap)
        return nullptr;
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* in = data + pixel_offset + size_t(stride) * size_t(top_down ? y : height - 1 - y);
        uint32_t* out = bitmap->row(int32_t(y));
        for (int64_t x = 0; x < width; ++x) {
            uint32_t word = 0;
            if (paletted) {
                const uint64_t bit = uint64_t(x) * bits;
                const uint32_t index = (in[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                word = index < palette_count ? palette[index] : 0;
            } else if (bits == 24) {
                word = pixel_word(in[x * 3 + 2], in[x * 3 + 1], in[x * 3]);
            } else {
                const uint32_t value = bits == 16 ? uint32_t(in[x * 2] | in[x * 2 + 1] << 8)
                                                  : uint32_t(in[x * 4] | in[x * 4 + 1] << 8 | in[x * 4 + 2] << 16 |
                                                             uint32_t(in[x * 4 + 3]) << 24);
                word = pixel_word(red.of(value), green.of(value), blue.of(value));
            }
            out[x] = word;
        }
    }
    return bitmap;
}

} // namespace plat
