#!/bin/sh
# Makes the JPEG fixtures of the picture decoder tests with libjpeg:
# halves.jpg (16x8, left half red, right half blue, quality 95) and grey.jpg (8x8, grey 128).
set -e
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/make.c" <<'C'
#include <stdio.h>
#include <jpeglib.h>
static void save(const char* path, int w, int h, int comps, J_COLOR_SPACE space, const unsigned char* pixels) {
    struct jpeg_compress_struct c; struct jpeg_error_mgr e; FILE* f = fopen(path, "wb");
    c.err = jpeg_std_error(&e); jpeg_create_compress(&c); jpeg_stdio_dest(&c, f);
    c.image_width = w; c.image_height = h; c.input_components = comps; c.in_color_space = space;
    jpeg_set_defaults(&c); jpeg_set_quality(&c, 95, TRUE); jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) { JSAMPROW row = (JSAMPROW)(pixels + c.next_scanline * w * comps); jpeg_write_scanlines(&c, &row, 1); }
    jpeg_finish_compress(&c); jpeg_destroy_compress(&c); fclose(f);
}
int main(int argc, char** argv) {
    unsigned char halves[16 * 8 * 3], grey[64];
    for (int y = 0; y < 8; ++y) for (int x = 0; x < 16; ++x) {
        unsigned char* p = halves + (y * 16 + x) * 3; p[0] = x < 8 ? 255 : 0; p[1] = 0; p[2] = x < 8 ? 0 : 255; }
    for (int i = 0; i < 64; ++i) grey[i] = 128;
    char path[4096];
    snprintf(path, sizeof path, "%s/halves.jpg", argv[1]); save(path, 16, 8, 3, JCS_RGB, halves);
    snprintf(path, sizeof path, "%s/grey.jpg", argv[1]); save(path, 8, 8, 1, JCS_GRAYSCALE, grey);
    return argc > 2;
}
C
cc -O1 -o "$work/make" "$work/make.c" -ljpeg
"$work/make" "$here"
