// pngdump FILE OUT.rgba: decodes a PNG with the skin framework's own decoder,
// prints "rc=N w=N h=N" and writes the pixels as red, green, blue, alpha bytes.
#include "plat/Paths.h"
#include "plat/Text.h"
#include "skinner/PngDecoder.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pngdump FILE OUT.rgba\n");
        return 2;
    }
    std::string in_path = plat::native_path(plat::from_utf8(argv[1]));
    std::ifstream in(in_path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "pngdump: cannot read %s\n", argv[1]);
        return 2;
    }
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    skinner::QxRawPngDecoder decoder;
    int rc = decoder.decode(file.data(), file.size());
    std::printf("rc=%d w=%u h=%u\n", rc, decoder.width(), decoder.height());

    std::ofstream out(plat::native_path(plat::from_utf8(argv[2])), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(decoder.pixels().data()), std::streamsize(decoder.pixels().size()));
    if (!out) {
        std::fprintf(stderr, "pngdump: cannot write %s\n", argv[2]);
        return 2;
    }
    return decoder.width() != 0 ? 0 : 1;
}
