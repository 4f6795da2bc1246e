// The PNG decoder over arbitrary bytes.
#include "skinner/PngDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {
// Pictures up to 10000 x 10000 are legal, but clearing 400 MB per input only
// slows the search; inputs whose header asks for more than 4 M pixels are skipped.
bool asks_for_a_huge_picture(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 12 <= size; ++i) {
        if (std::memcmp(data + i, "IHDR", 4) != 0)
            continue;
        const uint8_t* p = data + i + 4;
        uint64_t w = uint64_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        uint64_t h = uint64_t(p[4]) << 24 | p[5] << 16 | p[6] << 8 | p[7];
        if (w <= 10000 && h <= 10000 && w * h > (uint64_t(1) << 22))
            return true;
    }
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (asks_for_a_huge_picture(data, size))
        return 0;
    skinner::QxRawPngDecoder decoder;
    decoder.decode(data, size);
    if (decoder.pixels().size() != size_t(decoder.width()) * decoder.height() * 4)
        __builtin_trap();
    return 0;
}
