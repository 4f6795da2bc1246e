#include "skinner/PngDecoder.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace skinner {
namespace {

constexpr uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t chunk_ihdr = 0x49484452;
constexpr uint32_t chunk_plte = 0x504C5445;
constexpr uint32_t chunk_trns = 0x74524E53;
constexpr uint32_t chunk_idat = 0x49444154;
constexpr uint32_t chunk_iend = 0x49454E44;

constexpr uint8_t colour_grey = 0;
constexpr uint8_t colour_rgb = 2;
constexpr uint8_t colour_palette = 3;
constexpr uint8_t colour_grey_alpha = 4;
constexpr uint8_t colour_rgba = 6;

// Adam7: where each pass's pixels lie in the image; index 0 is the whole image.
constexpr uint32_t pass_x_start[8] = {0, 0, 4, 0, 2, 0, 1, 0};
constexpr uint32_t pass_x_step[8] = {1, 8, 8, 4, 4, 2, 2, 1};
constexpr uint32_t pass_y_start[8] = {0, 0, 0, 4, 0, 2, 0, 1};
constexpr uint32_t pass_y_step[8] = {1, 8, 8, 8, 4, 4, 2, 2};

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

uint32_t pass_extent(uint32_t size, uint32_t start, uint32_t step) {
    return size > start ? (size - start + step - 1) / step : 0;
}

uint8_t paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

} // namespace

int QxGenericPngDecoder::decode(const uint8_t* data, size_t size) {
    reset();
    header_ = Header{};
    palette_count_ = 0;
    palette_alpha_.fill(255);
    keys_ = {-1, -1, -1};
    inflate_result_ = InflateResult::unsupported;
    if (size < sizeof signature || std::memcmp(data, signature, sizeof signature) != 0)
        return -1;

    std::vector<uint8_t> stream;
    size_t pos = sizeof signature;
    while (size - pos >= 8) {
        uint32_t length = be32(data + pos);
        uint32_t type = be32(data + pos + 4);
        if (length > size - pos - 8)
            break;
        const uint8_t* body = data + pos + 8;
        if (type == chunk_ihdr && length > 12) {
            header_.width = be32(body);
            header_.height = be32(body + 4);
            header_.bit_depth = body[8];
            header_.colour_type = body[9];
            header_.compression = body[10];
            header_.filter = body[11];
            header_.interlace = body[12];
        } else if (type == chunk_plte) {
            if (length % 3 != 0)
                return -1;
            palette_count_ = int(std::min<uint32_t>(length / 3, max_palette));
            std::memcpy(palette_.data(), body, size_t(palette_count_) * 3);
        } else if (type == chunk_trns) {
            if (header_.colour_type == colour_grey && length >= 2) {
                keys_[0] = int32_t(be16(body));
            } else if (header_.colour_type == colour_rgb && length >= 6) {
                for (int i = 0; i < 3; ++i)
                    keys_[i] = int32_t(be16(body + 2 * i));
            } else if (header_.colour_type == colour_palette) {
                // The standard's meaning: one alpha byte per palette entry.
                for (uint32_t i = 0; i < length && i < max_palette; ++i)
                    palette_alpha_[i] = body[i];
            }
        } else if (type == chunk_idat) {
            stream.insert(stream.end(), body, body + length);
        } else if (type == chunk_iend) {
            break;
        }
        pos += 8 + size_t(length);
        if (size - pos < 4)
            break;
        pos += 4; // the CRC, not checked
    }

    if (!check_header())
        return 1;
    Inflate inflate;
    inflate_result_ = inflate.run(stream.data(), stream.size(), *this);
    finish();
    return 1;
}

void QxRawPngDecoder::reset() {
    width_ = 0;
    height_ = 0;
    pixels_.clear();
    pass_ = 8;
}

uint32_t QxRawPngDecoder::row_length(const Header& header, uint32_t width) {
    switch (header.colour_type) {
    case colour_grey:
        return header.bit_depth == 1 ? (width + 7) / 8 : width;
    case colour_rgb:
        return header.bit_depth == 16 ? 6 * width : 3 * width;
    case colour_palette:
        return header.bit_depth == 4 ? (width + 1) / 2 : width;
    case colour_grey_alpha:
        return 2 * width;
    default:
        return 4 * width;
    }
}

bool QxRawPngDecoder::check_header() {
    const Header& h = header_;
    bool supported = (h.colour_type == colour_grey && (h.bit_depth == 1 || h.bit_depth == 8)) ||
                     (h.colour_type == colour_rgb && (h.bit_depth == 8 || h.bit_depth == 16)) ||
                     (h.colour_type == colour_palette && (h.bit_depth == 4 || h.bit_depth == 8)) ||
                     (h.colour_type == colour_grey_alpha && h.bit_depth == 8) ||
                     (h.colour_type == colour_rgba && h.bit_depth == 8);
    if (!supported || h.interlace > 1)
        return false;
    if (h.width == 0 || h.height == 0 || h.width > max_dimension || h.height > max_dimension)
        return false;
    // A palette image without a palette has no colours to show.
    if (h.colour_type == colour_palette && palette_count_ == 0)
        return false;

    width_ = h.width;
    height_ = h.height;
    pixels_.assign(size_t(width_) * height_ * 4, 0);
    sample_bytes_ = h.bit_depth < 8 ? 1 : row_length(h, 1);
    current_.assign(row_length(h, width_), 0);
    previous_.assign(current_.size(), 0);
    start_pass(h.interlace ? 1 : 0);
    return true;
}

// Moves to the first pass from `pass` on that has pixels; an empty pass sends
// no bytes at all, not even filter types.
bool QxRawPngDecoder::start_pass(int pass) {
    for (; pass <= 7; ++pass) {
        pass_width_ = pass_extent(width_, pass_x_start[pass], pass_x_step[pass]);
        pass_rows_ = pass_extent(height_, pass_y_start[pass], pass_y_step[pass]);
        if (pass_width_ != 0 && pass_rows_ != 0)
            break;
        if (pass == 0)
            return false;
    }
    pass_ = pass;
    if (pass > 7)
        return false;
    row_ = 0;
    column_ = -1;
    row_length_ = row_length(header_, pass_width_);
    std::fill(previous_.begin(), previous_.end(), 0);
    return true;
}

void QxRawPngDecoder::put_rgba(uint32_t column, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    size_t x = pass_x_start[pass_] + size_t(column) * pass_x_step[pass_];
    size_t y = pass_y_start[pass_] + size_t(row_) * pass_y_step[pass_];
    uint8_t* out = &pixels_[(y * width_ + x) * 4];
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = a;
}

void QxRawPngDecoder::write_pixel(uint32_t column, const uint8_t* s) {
    switch (header_.colour_type) {
    case colour_grey:
        if (header_.bit_depth == 1) {
            uint8_t v = s[0] ? 255 : 0;
            put_rgba(column, v, v, v, 0);
        } else {
            put_rgba(column, s[0], s[0], s[0], keys_[0] == s[0] ? 0 : 255);
        }
        break;
    case colour_rgb:
        if (header_.bit_depth == 16) {
            bool key = keys_[0] == int32_t(be16(s)) && keys_[1] == int32_t(be16(s + 2)) &&
                       keys_[2] == int32_t(be16(s + 4));
            put_rgba(column, s[0], s[2], s[4], key ? 0 : 255);
        } else {
            bool key = keys_[0] == s[0] && keys_[1] == s[1] && keys_[2] == s[2];
            put_rgba(column, s[0], s[1], s[2], key ? 0 : 255);
        }
        break;
    case colour_palette:
        if (s[0] < palette_count_) {
            const uint8_t* entry = &palette_[size_t(s[0]) * 3];
            put_rgba(column, entry[0], entry[1], entry[2], palette_alpha_[s[0]]);
        }
        break;
    case colour_grey_alpha:
        put_rgba(column, s[0], s[0], s[0], s[1]);
        break;
    default:
        put_rgba(column, s[0], s[1], s[2], s[3]);
        break;
    }
}

int QxRawPngDecoder::put_byte(uint8_t byte) {
    if (pass_ > 7)
        return 0;
    if (column_ < 0) {
        if (byte > 4)
            return 0;
        filter_ = byte;
        column_ = 0;
        return 1;
    }
    size_t i = size_t(column_);
    int left = i >= sample_bytes_ ? current_[i - sample_bytes_] : 0;
    int above = previous_[i];
    int above_left = i >= sample_bytes_ ? previous_[i - sample_bytes_] : 0;
    uint8_t value = byte;
    switch (filter_) {
    case 1: value = uint8_t(byte + left); break;
    case 2: value = uint8_t(byte + above); break;
    case 3: value = uint8_t(byte + (left + above) / 2); break;
    case 4: value = uint8_t(byte + paeth(left, above, above_left)); break;
    default: break;
    }
    current_[i] = value;
    ++column_;

    if (header_.bit_depth < 8) {
        uint32_t depth = header_.bit_depth;
        uint32_t per_byte = 8 / depth;
        for (uint32_t k = 0; k < per_byte; ++k) {
            uint32_t column = uint32_t(i) * per_byte + k;
            if (column >= pass_width_)
                break;
            uint8_t sample = uint8_t((value >> (8 - depth * (k + 1))) & ((1u << depth) - 1));
            write_pixel(column, &sample);
        }
    } else if (column_ % sample_bytes_ == 0) {
        write_pixel(uint32_t(column_ / sample_bytes_ - 1), &current_[size_t(column_) - sample_bytes_]);
    }

    if (column_ == int64_t(row_length_)) {
        std::swap(current_, previous_);
        column_ = -1;
        if (++row_ == pass_rows_)
            start_pass(pass_ == 0 ? 8 : pass_ + 1);
    }
    return 1;
}

} // namespace skinner
