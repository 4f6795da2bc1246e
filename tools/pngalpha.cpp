// pngalpha IN.png OUT: splits a rendered picture with an alpha channel into the
// files the skin's picture loader reads: OUT.png (the colours) and, when the
// picture is not opaque everywhere, either OUT_1.png (a mask: white where
// opaque, black where clear; for hard edges, where every alpha is 0 or 255)
// or OUT_8.png (the alpha as grey, for soft edges). The loader prefers a mask
// to an alpha picture, so a variant from an earlier rendering is removed.
#include "plat/PngWriter.h"
#include "skinner/PngDecoder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

enum class Coverage { opaque, hard, soft };

Coverage coverage_of(const std::vector<uint8_t>& rgba) {
    Coverage found = Coverage::opaque;
    for (size_t i = 3; i < rgba.size(); i += 4) {
        if (rgba[i] != 0 && rgba[i] != 255)
            return Coverage::soft;
        if (rgba[i] == 0)
            found = Coverage::hard;
    }
    return found;
}

bool write(const std::string& path, const std::vector<uint8_t>& bgrx, uint32_t width, uint32_t height) {
    if (plat::write_png(path, bgrx.data(), int32_t(width), int32_t(height), int32_t(width * 4)))
        return true;
    std::fprintf(stderr, "pngalpha: cannot write %s\n", path.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pngalpha IN.png OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    skinner::QxRawPngDecoder decoder;
    if (!in.is_open() || decoder.decode(file.data(), file.size()) != 1 || decoder.width() == 0 ||
        decoder.height() == 0) {
        std::fprintf(stderr, "pngalpha: %s is no readable PNG\n", argv[1]);
        return 1;
    }
    const std::vector<uint8_t>& rgba = decoder.pixels();
    const Coverage coverage = coverage_of(rgba);
    // Screen order (blue, green, red, unused), as the PNG writer takes it.
    std::vector<uint8_t> image(rgba.size()), alpha(rgba.size());
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const uint8_t a = rgba[i + 3];
        // A mask's clear pixels are white in the image: the loader ANDs the image over the masked screen.
        const bool white = coverage == Coverage::hard && a == 0;
        image[i] = white ? 255 : rgba[i + 2];
        image[i + 1] = white ? 255 : rgba[i + 1];
        image[i + 2] = white ? 255 : rgba[i];
        const uint8_t grey = coverage == Coverage::hard ? (a ? 255 : 0) : a;
        alpha[i] = alpha[i + 1] = alpha[i + 2] = grey;
    }
    const std::string out = argv[2];
    const std::string mask_path = out + "_1.png", alpha_path = out + "_8.png";
    // What an earlier rendering left must not outlive it.
    std::error_code ignored;
    std::filesystem::remove(mask_path, ignored);
    std::filesystem::remove(alpha_path, ignored);
    if (!write(out + ".png", image, decoder.width(), decoder.height()))
        return 1;
    if (coverage != Coverage::opaque &&
        !write(coverage == Coverage::hard ? mask_path : alpha_path, alpha, decoder.width(), decoder.height()))
        return 1;
    return 0;
}
