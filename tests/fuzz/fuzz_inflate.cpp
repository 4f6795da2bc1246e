// The zlib/deflate decoder over arbitrary bytes.
#include "skinner/Inflate.h"

#include <cstddef>
#include <cstdint>

namespace {
struct Counter : skinner::InflateSink {
    size_t bytes = 0;
    int put_byte(uint8_t) override { return ++bytes < (size_t(1) << 24) ? 1 : 0; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Counter sink;
    skinner::Inflate inflate;
    inflate.run(data, size, sink);
    return 0;
}
