#include "GdiObjects.h"
#include "PictureDecoders.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace plat {
namespace {

struct Source {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
};

int read_source(GifFileType* gif, GifByteType* buffer, int count) {
    auto* source = static_cast<Source*>(gif->UserData);
    if (count <= 0)
        return 0;
    size_t n = std::min(size_t(count), source->size - source->position);
    std::memcpy(buffer, source->data + source->position, n);
    source->position += n;
    return int(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

uint32_t colour_at(const ColorMapObject* map, int index) {
    if (!map || !map->Colors || index < 0 || index >= map->ColorCount)
        return 0;
    const GifColorType& c = map->Colors[index];
    return pixel_word(c.Red, c.Green, c.Blue);
}

} // namespace

// The first frame only, laid on the logical screen (or alone when the screen's size is unusable).
HBITMAP decode_gif(const uint8_t* data, size_t size, const PictureLimits& limits) {
    Source source{data, size, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, read_source, &error));
    if (!gif)
        return nullptr;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            return nullptr;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* extension = nullptr;
            if (DGifGetExtension(gif.get(), &code, &extension) == GIF_ERROR)
                return nullptr;
            while (extension)
                if (DGifGetExtensionNext(gif.get(), &extension) == GIF_ERROR)
                    return nullptr;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            return nullptr;  // the end before any frame
        break;
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
        return nullptr;
    const GifImageDesc& frame = gif->Image;
    if (!limits.allow(frame.Width, frame.Height))
        return nullptr;
    const bool screen_usable = limits.allow(gif->SWidth, gif->SHeight);
    const int32_t width = screen_usable ? gif->SWidth : frame.Width;
    const int32_t height = screen_usable ? gif->SHeight : frame.Height;
    const int32_t left = screen_usable ? frame.Left : 0;
    const int32_t top = screen_usable ? frame.Top : 0;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;

    HBITMAP bitmap = create_bitmap(width, height);
    if (!bitmap)
        return nullptr;
    if (screen_usable && gif->SColorMap)
        std::fill(bitmap->data(), bitmap->data() + size_t(width) * size_t(height),
                  colour_at(gif->SColorMap, gif->SBackGroundColor));
    std::vector<GifPixelType> line(size_t(frame.Width));
    // Interlaced frames come in four passes of rows.
    static constexpr int starts[] = {0, 4, 2, 1};
    static constexpr int steps[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? starts[pass] : 0;
        const int step = frame.Interlace ? steps[pass] : 1;
        for (int row = start; row < frame.Height; row += step) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) {
                delete_bitmap(bitmap);
                return nullptr;
            }
            const int64_t y = int64_t(top) + row;
            if (y < 0 || y >= height)
                continue;
            uint32_t* out = bitmap->row(int32_t(y));
            for (int col = 0; col < frame.Width; ++col) {
                const int64_t x = int64_t(left) + col;
                if (x >= 0 && x < width)
                    out[x] = colour_at(map, line[size_t(col)]);
            }
        }
    }
    return bitmap;
}

} // namespace plat
