#include "GdiObjects.h"
#include "PictureDecoders.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace plat {
namespace {

struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void on_error(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }
void on_message(j_common_ptr) {}

// Kept apart from decode_jpeg so that no object with a destructor lives across the jump.
bool run(jpeg_decompress_struct& info, ErrorManager& error, const uint8_t* data, size_t size,
         const PictureLimits& limits, HBITMAP& bitmap) {
    if (setjmp(error.jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    if (!limits.allow(info.image_width, info.image_height))
        return false;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    const int channels = info.output_components;
    JSAMPARRAY line = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * JDIMENSION(channels), 1);
    bitmap = create_bitmap(int32_t(info.output_width), int32_t(info.output_height));
    if (!bitmap)
        return false;
    while (info.output_scanline < info.output_height) {
        const int32_t y = int32_t(info.output_scanline);
        if (jpeg_read_scanlines(&info, line, 1) != 1)
            return false;
        uint32_t* out = bitmap->row(y);
        const JSAMPLE* in = line[0];
        for (JDIMENSION x = 0; x < info.output_width; ++x, in += channels) {
            if (channels == 1) {
                out[x] = pixel_word(in[0], in[0], in[0]);
            } else if (channels == 3) {
                out[x] = pixel_word(in[0], in[1], in[2]);
            } else {
                // CMYK as the usual writers store it: inverted.
                const unsigned k = in[3];
                out[x] = pixel_word(uint8_t(in[0] * k / 255), uint8_t(in[1] * k / 255), uint8_t(in[2] * k / 255));
            }
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

HBITMAP decode_jpeg(const uint8_t* data, size_t size, const PictureLimits& limits) {
    jpeg_decompress_struct info{};
    ErrorManager error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = on_error;
    error.manager.output_message = on_message;
    HBITMAP bitmap = nullptr;
    const bool ok = run(info, error, data, size, limits, bitmap);
    jpeg_destroy_decompress(&info);
    if (!ok) {
        delete_bitmap(bitmap);
        return nullptr;
    }
    return bitmap;
}

} // namespace plat
