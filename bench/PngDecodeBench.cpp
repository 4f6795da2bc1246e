// PNG decoding speed of the skin framework's own decoder beside the system's
// PNG library (its simplified reading interface), in MB of decoded pixels
// (RGBA bytes) per second, on the same files in one run.
#include "PngReference.h"
#include "skinner/PngDecoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using pngtest::Bytes;
using pngtest::Picture;
constexpr int rounds = 20;

// One fixed-code block, greedy matches against the previous pixel and the row above.
Bytes deflate_fixed(const Bytes& data, size_t row) {
    pngtest::BitWriter w;
    w.bits(1, 1);
    w.bits(1, 2);
    for (size_t i = 0; i < data.size();) {
        size_t best_length = 0, best_distance = 0;
        for (size_t distance : {size_t(4), row}) {
            if (distance > i)
                continue;
            size_t n = 0;
            while (n < 258 && i + n < data.size() && data[i + n] == data[i + n - distance])
                ++n;
            if (n > best_length) {
                best_length = n;
                best_distance = distance;
            }
        }
        if (best_length < 3) {
            w.fixed_symbol(data[i++]);
            continue;
        }
        w.fixed_match(best_length, best_distance);
        i += best_length;
    }
    w.fixed_symbol(256);
    return pngtest::with_adler(w.zlib(), data);
}

// Gradients with a sprinkle of noise.
Picture gradient(uint32_t side) {
    Picture p{side, side, 4, Bytes(size_t(side) * side * 4)};
    uint32_t noise = 12345;
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            noise = noise * 1103515245 + 12345;
            bool speck = (noise >> 16) % 16 == 0;
            uint8_t* px = &p.samples[(size_t(y) * side + x) * 4];
            px[0] = uint8_t(x / 4 + (speck ? noise >> 24 : 0));
            px[1] = uint8_t(y / 4);
            px[2] = uint8_t((x + y) / 8);
            px[3] = 255;
        }
    return p;
}

// A skin's screen: flat background, a title bar with a soft gradient, flat
// buttons with a one-pixel frame, and a round face whose edge fades out in alpha.
Picture skin_like(uint32_t width, uint32_t height) {
    Picture p{width, height, 4, Bytes(size_t(width) * height * 4)};
    const double cx = width / 2.0, cy = height * 0.45, radius = width * 0.38;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* px = &p.samples[(size_t(y) * width + x) * 4];
            uint8_t r = 24, g = 32, b = 48, a = 255;
            if (y < 40) {
                r = uint8_t(60 + y);
                g = uint8_t(80 + y);
                b = 140;
            }
            bool button = y >= height - 90 && y < height - 30 && (x % 160) >= 16 && (x % 160) < 144;
            if (button) {
                bool frame = y == height - 90 || y == height - 31 || x % 160 == 16 || x % 160 == 143;
                r = frame ? 200 : 70;
                g = frame ? 200 : 90;
                b = frame ? 210 : 120;
            }
            double dx = x - cx, dy = y - cy, distance = dx * dx + dy * dy;
            if (distance < (radius + 3) * (radius + 3)) {
                double edge = std::clamp(radius + 3 - std::sqrt(distance), 0.0, 3.0) / 3.0;
                r = 230;
                g = 225;
                b = 210;
                a = uint8_t(edge * 255);
            }
            px[0] = r;
            px[1] = g;
            px[2] = b;
            px[3] = a;
        }
    return p;
}

// Decodes with both in alternating rounds, so that a busy machine slows both
// alike, and keeps each one's best time; -1 when a decode failed or its
// pixels differ.
void measure(const char* name, const Picture& p, const Bytes& file) {
    skinner::QxRawPngDecoder decoder;
    auto decode_ours = [&] {
        decoder.decode(file.data(), file.size());
        return decoder.inflate_result() == skinner::InflateResult::done;
    };
    Bytes pixels(p.samples.size());
    auto decode_library = [&] {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
            return false;
        image.format = PNG_FORMAT_RGBA;
        bool ok = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
        png_image_free(&image);
        return ok;
    };
    auto timed = [](auto& decode, double& best) {
        auto start = std::chrono::steady_clock::now();
        if (!decode())
            best = -1;
        else if (best >= 0)
            best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    };
    double ours = 1e9, library = 1e9;
    for (int round = 0; round < rounds; ++round) {
        timed(decode_ours, ours);
        timed(decode_library, library);
    }
    if (decoder.pixels() != p.samples)
        ours = -1;
    if (pixels != p.samples)
        library = -1;
    if (ours < 0 || library < 0) {
        std::printf("%-24s decoding failed (ours %s, library %s)\n", name, ours < 0 ? "failed" : "ok",
                    library < 0 ? "failed" : "ok");
        return;
    }
    double megabytes = double(p.samples.size()) / 1e6;
    std::printf("%-24s %9zu  %8.1f  %8.1f  %5.2f\n", name, file.size(), megabytes / ours, megabytes / library,
                library / ours);
}

} // namespace

int main() {
    using pngtest::checked_png;
    using pngtest::zlib_level;
    Picture photo = gradient(1024);
    Picture skin = skin_like(480, 640);
    Bytes photo_up = pngtest::scan_lines(photo, 2);

    std::printf("PNG decoding to RGBA, best of %d; MB/s of decoded pixels\n", rounds);
    std::printf("%-24s %9s  %8s  %8s  %5s\n", "picture", "file", "ours", "library", "ratio");
    measure("1024x1024 zlib 9", photo, checked_png(photo, zlib_level(pngtest::scan_lines(photo, pngtest::filter_chosen), 9)));
    measure("480x640 skin zlib 9", skin, checked_png(skin, zlib_level(pngtest::scan_lines(skin, pngtest::filter_chosen), 9)));
    measure("1024x1024 stored", photo, checked_png(photo, pngtest::with_adler(pngtest::stored_zlib(photo_up), photo_up)));
    measure("1024x1024 fixed codes", photo, checked_png(photo, deflate_fixed(photo_up, 1024 * 4 + 1)));
    return 0;
}
