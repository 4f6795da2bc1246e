#pragma once
// PNG files as an encoder writes them (zlib streams with their checksum,
// chunks with their CRC) and the system's PNG library as the reference
// decoder, for the decoder's tests and benchmark.
#include "PngBuilder.h"

#include <png.h>
#include <zlib.h>

#include <cstdlib>

namespace pngtest {

// 8-bit pixels, `channels` bytes each (3 RGB, 4 RGBA), rows top-down.
struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 4;
    Bytes samples;
};

inline Bytes zlib_level(const Bytes& data, int level) {
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), uLong(data.size()), level) != Z_OK)
        std::abort();
    out.resize(size);
    return out;
}

// Closes a hand-made zlib stream with the checksum of what it holds.
inline Bytes with_adler(Bytes stream, const Bytes& data) {
    put32(stream, uint32_t(adler32(1, data.data(), uInt(data.size()))));
    return stream;
}

inline uint8_t paeth_predictor(int a, int b, int c) {
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

constexpr int filter_cycle = -2; // row n gets filter n mod 5
constexpr int filter_chosen = -1; // each row the filter of the smallest sum of signed bytes

// Filtered scan lines of the pixels at (x0 + i * dx, y0 + j * dy), as one
// Adam7 pass (or, with start 0 and step 1, the whole picture) sends them.
inline Bytes scan_lines(const Picture& p, int filter, uint32_t x0 = 0, uint32_t y0 = 0, uint32_t dx = 1,
                        uint32_t dy = 1) {
    Bytes out;
    if (x0 >= p.width || y0 >= p.height)
        return out;
    const uint32_t bpp = p.channels;
    const size_t length = size_t((p.width - x0 + dx - 1) / dx) * bpp;
    Bytes above(length, 0), row(length), candidate(length), best;
    for (uint32_t y = y0, n = 0; y < p.height; y += dy, ++n) {
        for (size_t i = 0; i < length; ++i)
            row[i] = p.samples[(size_t(y) * p.width + x0 + i / bpp * dx) * bpp + i % bpp];
        long best_cost = -1;
        int best_filter = 0;
        for (int f = 0; f <= 4; ++f) {
            if ((filter >= 0 && f != filter) || (filter == filter_cycle && f != int(n % 5)))
                continue;
            long cost = 0;
            for (size_t i = 0; i < length; ++i) {
                int left = i >= bpp ? row[i - bpp] : 0;
                int up_left = i >= bpp ? above[i - bpp] : 0;
                int predictor[5] = {0, left, above[i], (left + above[i]) / 2, paeth_predictor(left, above[i], up_left)};
                candidate[i] = uint8_t(row[i] - predictor[f]);
                cost += std::abs(int(int8_t(candidate[i])));
            }
            if (best_cost < 0 || cost < best_cost) {
                best_cost = cost;
                best_filter = f;
                best = candidate;
            }
        }
        out.push_back(uint8_t(best_filter));
        out.insert(out.end(), best.begin(), best.end());
        above = row;
    }
    return out;
}

// The seven Adam7 passes one after the other.
inline Bytes adam7_scan_lines(const Picture& p, int filter) {
    static const uint32_t x0[7] = {0, 4, 0, 2, 0, 1, 0}, dx[7] = {8, 8, 4, 4, 2, 2, 1};
    static const uint32_t y0[7] = {0, 0, 4, 0, 2, 0, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    Bytes out;
    for (int pass = 0; pass < 7; ++pass) {
        Bytes lines = scan_lines(p, filter, x0[pass], y0[pass], dx[pass], dy[pass]);
        out.insert(out.end(), lines.begin(), lines.end());
    }
    return out;
}

// A whole PNG file with true CRCs (the library checks them).
inline Bytes checked_png(const Picture& p, const Bytes& zlib, uint8_t interlace = 0) {
    Bytes out = signature();
    auto add = [&out](const char* type, const Bytes& data) {
        put32(out, uint32_t(data.size()));
        size_t start = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), data.begin(), data.end());
        put32(out, uint32_t(crc32(0, &out[start], uInt(out.size() - start))));
    };
    add("IHDR", ihdr(p.width, p.height, 8, p.channels == 4 ? 6 : 2, interlace));
    add("IDAT", zlib);
    add("IEND", {});
    return out;
}

// The library's reading of a file as red, green, blue, alpha; empty when it fails.
inline Bytes library_rgba(const Bytes& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return {};
    image.format = PNG_FORMAT_RGBA;
    Bytes rgba(PNG_IMAGE_SIZE(image));
    bool ok = png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok ? rgba : Bytes{};
}

} // namespace pngtest
