// The two BMP readers (the framework's own, for archive entries, and the
// picture decoder's) and the GIF and JPEG paths of the picture decoder, over
// arbitrary bytes.
#include "PictureDecoders.h"
#include "base/File.h"
#include "plat/Picture.h"
#include "skinner/ImageBmp.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

class MemoryReader : public liba::ResourceReader {
public:
    MemoryReader(const uint8_t* data, size_t size) : data_(data), size_(uint32_t(std::min<size_t>(size, UINT32_MAX))) {}
    uint32_t read(void* buffer, uint32_t count) override {
        const uint32_t n = std::min(count, size_ - position_);
        std::memcpy(buffer, data_ + position_, n);
        position_ += n;
        return n;
    }
    uint32_t skip(uint32_t count) override {
        const uint32_t n = std::min(count, size_ - position_);
        position_ += n;
        return n;
    }
    uint32_t get_size() override { return size_; }
    bool seek(uint32_t position) override {
        if (position > size_)
            return false;
        position_ = position;
        return true;
    }
    uint32_t tell() override { return position_; }

private:
    const uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t position_ = 0;
};

// Legal pictures may be 10000 x 10000; the search stays fast below a million pixels.
constexpr int32_t side_limit = 1000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryReader reader(data, size);
    plat::delete_bitmap(skinner::read_bmp(reader, L"fuzz.bmp"));

    plat::delete_bitmap(plat::decode_bmp(data, size, plat::PictureLimits{side_limit, side_limit}));

    size_t position = 0;
    plat::PictureRequest request;
    request.max_width = request.max_height = side_limit;
    request.read = [&](uint8_t* buffer, uint32_t count) -> uint32_t {
        const size_t n = std::min<size_t>(count, size - position);
        std::memcpy(buffer, data + position, n);
        position += n;
        return uint32_t(n);
    };
    plat::delete_bitmap(plat::decode_picture(request));
    return 0;
}
