#include "skinner/ImageBmp.h"

#include "base/File.h"
#include "base/Log.h"

#include <array>
#include <vector>

namespace skinner {
namespace {

constexpr uint32_t file_header_size = 14;
constexpr uint32_t info_header_size = 40;
constexpr uint32_t BI_RGB = 0;

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) { return uint32_t(u16(p)) | uint32_t(u16(p + 2)) << 16; }

bool read_all(liba::ResourceReader& reader, void* buffer, uint32_t count) {
    return reader.read(buffer, count) == count && !reader.has_error();
}

} // namespace

plat::HBITMAP read_bmp(liba::ResourceReader& reader, std::wstring_view name) {
    const uint32_t start = reader.tell();
    std::array<uint8_t, file_header_size + info_header_size> header{};
    if (!read_all(reader, header.data(), uint32_t(header.size())))
        return nullptr;
    const uint8_t* info = header.data() + file_header_size;
    const uint32_t pixel_offset = u32(header.data() + 10);
    const uint32_t info_size = u32(info);
    const int64_t width = int32_t(u32(info + 4));
    int64_t height = int32_t(u32(info + 8));
    const uint16_t planes = u16(info + 12);
    const uint16_t bits = u16(info + 14);
    const uint32_t compression = u32(info + 16);
    const uint32_t used_colours = u32(info + 32);
    const bool top_down = height < 0;
    if (top_down)
        height = -height;
    if (header[0] != 'B' || header[1] != 'M' || info_size < info_header_size || planes != 1 ||
        compression != BI_RGB || width <= 0 || height <= 0 || width > plat::max_surface_dimension ||
        height > plat::max_surface_dimension)
        return nullptr;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return nullptr;

    // The colour table follows the whole information header; it holds the used colours when the file says so.
    std::array<uint32_t, 256> palette{};
    uint32_t palette_count = 0;
    if (bits <= 8) {
        const uint32_t full = 1u << bits;
        palette_count = used_colours == 0 || used_colours > full ? full : used_colours;
        std::vector<uint8_t> table(size_t(palette_count) * 4);
        const uint64_t table_offset = uint64_t(start) + file_header_size + info_size;
        if (table_offset > UINT32_MAX || !reader.seek(uint32_t(table_offset)) ||
            !read_all(reader, table.data(), uint32_t(table.size())))
            return nullptr;
        for (uint32_t i = 0; i < palette_count; ++i)
            palette[i] = uint32_t(table[i * 4]) | uint32_t(table[i * 4 + 1]) << 8 | uint32_t(table[i * 4 + 2]) << 16;
    }
    // The pixels lie where the file header says, wherever the reader stands now.
    if (uint64_t(start) + pixel_offset > UINT32_MAX || !reader.seek(start + pixel_offset))
        return nullptr;
    const uint64_t stride = (uint64_t(bits) * uint64_t(width) + 31) / 32 * 4;
    const uint64_t total = stride * uint64_t(height);
    plat::HBITMAP bitmap = plat::create_bitmap(int32_t(width), int32_t(height));
    plat::BitmapInfo out;
    if (!plat::get_bitmap_info(bitmap, out))
        return nullptr;
    std::vector<uint8_t> row(static_cast<size_t>(stride));
    for (int64_t stored = 0; stored < height; ++stored) {
        if (!read_all(reader, row.data(), uint32_t(stride))) {
            plat::delete_bitmap(bitmap);
            return nullptr;
        }
        const int64_t y = top_down ? stored : height - 1 - stored;
        uint8_t* target = out.bits + size_t(y) * size_t(out.stride);
        for (int64_t x = 0; x < width; ++x) {
            uint32_t word = 0;
            if (bits <= 8) {
                const uint64_t bit = uint64_t(x) * bits;
                const uint32_t index = (row[size_t(bit / 8)] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                word = index < palette_count ? palette[index] : 0;
            } else if (bits == 16) {
                const uint32_t v = u16(&row[size_t(x) * 2]);
                auto five = [](uint32_t c) { return (c & 31) * 255 / 31; };
                word = five(v) | five(v >> 5) << 8 | five(v >> 10) << 16;
            } else {
                const uint8_t* p = &row[size_t(x) * (bits / 8)];
                word = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
            }
            for (int i = 0; i < 4; ++i)
                target[x * 4 + i] = uint8_t(word >> (8 * i));
        }
    }
    liba::get_log() << L"load_zipped_image: " << name << L" - " << static_cast<unsigned long long>(total) << L"\n";
    return bitmap;
}

} // namespace skinner
