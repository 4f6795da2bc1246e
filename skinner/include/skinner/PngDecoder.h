#pragma once
#include "skinner/Inflate.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace skinner {

// The chunk walk of a PNG file: gathers the header, palette, transparency and
// image data, and inflates the data into the byte sink of a derived class.
class QxGenericPngDecoder : public InflateSink {
public:
    static constexpr uint32_t max_dimension = 10000;
    static constexpr int max_palette = 256;

    ~QxGenericPngDecoder() override = default;

    // -1 when the data is no PNG (short, bad signature, palette length not a
    // multiple of 3); otherwise 1, whether or not pixels came out.
    int decode(const uint8_t* data, size_t size);
    // How inflating the image data ended (unsupported when it never started).
    InflateResult inflate_result() const { return inflate_result_; }

    struct Header {
        uint32_t width = 0;
        uint32_t height = 0;
        uint8_t bit_depth = 0;
        uint8_t colour_type = 0;
        uint8_t compression = 0;
        uint8_t filter = 0;
        uint8_t interlace = 0;
    };

protected:
    // Forget any earlier image.
    virtual void reset() {}
    // Accept or refuse the image after the chunks were read.
    virtual bool check_header() = 0;
    virtual int finish() { return 1; }

    Header header_;
    int palette_count_ = 0;
    std::array<uint8_t, max_palette * 3> palette_{};
    std::array<uint8_t, max_palette> palette_alpha_{};
    // Grey key, or red, green, blue keys; -1 until a tRNS chunk sets them.
    std::array<int32_t, 3> keys_{-1, -1, -1};

private:
    InflateResult inflate_result_ = InflateResult::unsupported;
};

// Turns the inflated scan lines into red, green, blue, alpha bytes, a whole
// row at a time.
class QxRawPngDecoder : public QxGenericPngDecoder {
public:
    // Zero unless the header was accepted.
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    // width × height pixels, 4 bytes each, rows top-down.
    const std::vector<uint8_t>& pixels() const { return pixels_; }

protected:
    void reset() override;
    bool check_header() override;
    int put_byte(uint8_t byte) override;
    size_t put_bytes(const uint8_t* bytes, size_t size) override;
    // Writes the whole pixels of a scan line cut short.
    int finish() override;

private:
    static uint32_t row_length(const Header& header, uint32_t width);
    bool start_pass(int pass);
    // Unfilters the first `length` bytes of the current row and writes its pixels.
    void put_row(const uint8_t* raw, uint32_t length);
    void write_pixels(const uint8_t* samples, uint32_t count);
    // The output's bytes at the current row's first pixel.
    uint8_t* output_row();

    uint32_t width_ = 0;
    uint32_t height_ = 0;
    std::vector<uint8_t> pixels_;

    int pass_ = 0;              // 0: not interlaced; 1..7 Adam7 passes; 8: done
    uint32_t pass_width_ = 0;
    uint32_t pass_rows_ = 0;
    uint32_t row_ = 0;
    int64_t column_ = -1;       // -1: the next byte is the row's filter type
    uint8_t filter_ = 0;
    uint32_t row_length_ = 0;
    uint32_t sample_bytes_ = 1; // bytes of one pixel, 1 below depth 8 (also the filters' step)
    // Rows of 8-bit RGBA without interlacing are the output's own rows: they
    // are unfiltered in place there.
    bool in_place_ = false;
    std::array<uint8_t, max_palette * 4> palette_rgba_{}; // entries with their alpha
    std::vector<uint8_t> current_;
    std::vector<uint8_t> previous_;
};

} // namespace skinner
