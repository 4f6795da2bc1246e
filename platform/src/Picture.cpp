#include "plat/Picture.h"
#include "PictureDecoders.h"

#include <vector>

namespace plat {

HBITMAP decode_picture(const PictureRequest& request) {
    if (!request.read || request.buffer_size == 0)
        return nullptr;
    std::vector<uint8_t> data;
    std::vector<uint8_t> buffer(request.buffer_size);
    for (;;) {
        uint32_t count = request.read(buffer.data(), request.buffer_size);
        if (count == 0)
            break;
        if (count > request.buffer_size || data.size() + count > max_picture_file_size)
            return nullptr;
        data.insert(data.end(), buffer.begin(), buffer.begin() + count);
    }
    const PictureLimits limits{request.max_width, request.max_height};
    const size_t size = data.size();
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return decode_bmp(data.data(), size, limits);
    if (size >= 4 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F' && data[3] == '8')
        return decode_gif(data.data(), size, limits);
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return decode_jpeg(data.data(), size, limits);
    return nullptr;
}

} // namespace plat
