#include "plat/PngWriter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <unistd.h>

namespace plat {
namespace {

constexpr size_t max_stored_block = 65535;  // bytes in one stored deflate block

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(out.data() + start, out.size() - start));
}

} // namespace

std::vector<uint8_t> encode_png(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride) {
    // Checked in 64 bits: a wide image must not wrap into a small row and read past the pixels.
    if (!pixels || width <= 0 || height <= 0 || stride < int64_t(width) * 4)
        return {};
    // Filter type 0 then red, green, blue per pixel, for every row, in stored deflate blocks
    // written straight into the file's bytes: a shot of the screen holds one copy of it.
    const size_t raw_size = (size_t(width) * 3 + 1) * size_t(height);
    const size_t blocks = (raw_size + max_stored_block - 1) / max_stored_block;
    const size_t z_size = 2 + blocks * 5 + raw_size + 4;
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    out.reserve(out.size() + 25 + 12 + z_size + 12);
    std::vector<uint8_t> header;
    put32(header, uint32_t(width));
    put32(header, uint32_t(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no interlace
    chunk(out, "IHDR", header);

    put32(out, uint32_t(z_size));
    const size_t idat = out.size();
    out.insert(out.end(), {'I', 'D', 'A', 'T', 0x78, 0x01});
    size_t done = 0, block_left = 0;
    uint32_t a = 1, b = 0;
    auto put_raw = [&](uint8_t byte) {
        if (block_left == 0) {
            block_left = std::min(raw_size - done, max_stored_block);
            out.push_back(done + block_left == raw_size ? 1 : 0);
            out.push_back(uint8_t(block_left));
            out.push_back(uint8_t(block_left >> 8));
            out.push_back(uint8_t(~block_left));
            out.push_back(uint8_t(~block_left >> 8));
        }
        out.push_back(byte);
        --block_left;
        ++done;
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    };
    for (int32_t y = 0; y < height; ++y) {
        put_raw(0);
        const uint8_t* in = pixels + size_t(y) * size_t(stride);
        for (int32_t x = 0; x < width; ++x, in += 4) {
            put_raw(in[2]);
            put_raw(in[1]);
            put_raw(in[0]);
        }
    }
    put32(out, b << 16 | a);
    put32(out, crc32(out.data() + idat, out.size() - idat));
    chunk(out, "IEND", {});
    return out;
}

bool write_png(const std::string& linux_path, const uint8_t* pixels, int32_t width, int32_t height, int32_t stride) {
    const std::vector<uint8_t> png = encode_png(pixels, width, height, stride);
    if (png.empty())
        return false;
    const std::string temporary = linux_path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), linux_path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace plat
