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

// The predictor nearest to left + above - upper left; ties go to left, then above.
inline uint8_t paeth(int a, int b, int c) {
    int pa = b > c ? b - c : c - b;
    int pb = a > c ? a - c : c - a;
    int pc = a + b - 2 * c;
    pc = pc < 0 ? -pc : pc;
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Reconstructs the first `length` bytes of a scan line from its filtered
// bytes and the line above (zeros for a pass's first); `out` may be `raw`.
// The step is the bytes of one pixel: the distance to the "left" byte.
template <uint32_t step>
void unfilter(uint8_t filter, const uint8_t* raw, const uint8_t* above, uint8_t* out, uint32_t length) {
    const uint32_t head = std::min(step, length);
    switch (filter) {
    case 1:
        for (uint32_t i = 0; i < head; ++i)
            out[i] = raw[i];
        for (uint32_t i = step; i < length; ++i)
            out[i] = uint8_t(raw[i] + out[i - step]);
        break;
    case 2:
        for (uint32_t i = 0; i < length; ++i)
            out[i] = uint8_t(raw[i] + above[i]);
        break;
    case 3:
        for (uint32_t i = 0; i < head; ++i)
            out[i] = uint8_t(raw[i] + above[i] / 2);
        for (uint32_t i = step; i < length; ++i)
            out[i] = uint8_t(raw[i] + (out[i - step] + above[i]) / 2);
        break;
    case 4:
        for (uint32_t i = 0; i < head; ++i)
            out[i] = uint8_t(raw[i] + above[i]);
        for (uint32_t i = step; i < length; ++i)
            out[i] = uint8_t(raw[i] + paeth(out[i - step], above[i], above[i - step]));
        break;
    default:
        if (out != raw)
            std::memcpy(out, raw, length);
        break;
    }
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
    in_place_ = h.colour_type == colour_rgba && h.interlace == 0;
    for (int i = 0; i < palette_count_; ++i) {
        std::memcpy(&palette_rgba_[size_t(i) * 4], &palette_[size_t(i) * 3], 3);
        palette_rgba_[size_t(i) * 4 + 3] = palette_alpha_[size_t(i)];
    }
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

uint8_t* QxRawPngDecoder::output_row() {
    size_t y = pass_y_start[pass_] + size_t(row_) * pass_y_step[pass_];
    return &pixels_[(y * width_ + pass_x_start[pass_]) * 4];
}

void QxRawPngDecoder::write_pixels(const uint8_t* s, uint32_t count) {
    uint8_t* out = output_row();
    const size_t step = size_t(pass_x_step[pass_]) * 4;
    auto put = [&out](uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        out[0] = r;
        out[1] = g;
        out[2] = b;
        out[3] = a;
    };
    switch (header_.colour_type) {
    case colour_grey:
        for (uint32_t c = 0; c < count; ++c, out += step) {
            if (header_.bit_depth == 1) {
                uint8_t v = (s[c >> 3] >> (7 - (c & 7))) & 1 ? 255 : 0;
                put(v, v, v, 0);
            } else {
                put(s[c], s[c], s[c], keys_[0] == s[c] ? 0 : 255);
            }
        }
        break;
    case colour_rgb:
        for (uint32_t c = 0; c < count; ++c, out += step) {
            if (header_.bit_depth == 16) {
                const uint8_t* p = s + size_t(c) * 6;
                bool key = keys_[0] == int32_t(be16(p)) && keys_[1] == int32_t(be16(p + 2)) &&
                           keys_[2] == int32_t(be16(p + 4));
                put(p[0], p[2], p[4], key ? 0 : 255);
            } else {
                const uint8_t* p = s + size_t(c) * 3;
                bool key = keys_[0] == p[0] && keys_[1] == p[1] && keys_[2] == p[2];
                put(p[0], p[1], p[2], key ? 0 : 255);
            }
        }
        break;
    case colour_palette:
        for (uint32_t c = 0; c < count; ++c, out += step) {
            int index = header_.bit_depth == 4 ? (s[c >> 1] >> (c & 1 ? 0 : 4)) & 0x0F : s[c];
            // An index beyond the palette leaves its pixel as it was.
            if (index < palette_count_)
                std::memcpy(out, &palette_rgba_[size_t(index) * 4], 4);
        }
        break;
    case colour_grey_alpha:
        for (uint32_t c = 0; c < count; ++c, out += step)
            put(s[2 * c], s[2 * c], s[2 * c], s[2 * c + 1]);
        break;
    default:
        for (uint32_t c = 0; c < count; ++c, out += step)
            std::memcpy(out, s + size_t(c) * 4, 4);
        break;
    }
}

void QxRawPngDecoder::put_row(const uint8_t* raw, uint32_t length) {
    uint8_t* out = in_place_ ? output_row() : current_.data();
    const uint8_t* above = in_place_ && row_ > 0 ? out - size_t(width_) * 4 : previous_.data();
    switch (sample_bytes_) {
    case 1: unfilter<1>(filter_, raw, above, out, length); break;
    case 2: unfilter<2>(filter_, raw, above, out, length); break;
    case 3: unfilter<3>(filter_, raw, above, out, length); break;
    case 4: unfilter<4>(filter_, raw, above, out, length); break;
    default: unfilter<6>(filter_, raw, above, out, length); break;
    }
    if (in_place_)
        return;
    uint32_t count = header_.bit_depth < 8 ? std::min(pass_width_, length * (8u / header_.bit_depth))
                                            : length / sample_bytes_;
    write_pixels(out, count);
}

size_t QxRawPngDecoder::put_bytes(const uint8_t* bytes, size_t size) {
    size_t taken = 0;
    while (taken < size && pass_ <= 7) {
        if (column_ < 0) {
            if (bytes[taken] > 4)
                break;
            filter_ = bytes[taken++];
            column_ = 0;
            continue;
        }
        size_t n = std::min(size_t(row_length_) - size_t(column_), size - taken);
        if (n == row_length_) {
            // The whole line is at hand: unfiltered straight from the input.
            put_row(bytes + taken, row_length_);
        } else {
            std::memcpy(current_.data() + column_, bytes + taken, n);
            if (size_t(column_) + n < row_length_) {
                column_ += int64_t(n);
                taken += n;
                continue;
            }
            put_row(current_.data(), row_length_);
        }
        taken += n;
        if (!in_place_)
            std::swap(current_, previous_);
        column_ = -1;
        if (++row_ == pass_rows_)
            start_pass(pass_ == 0 ? 8 : pass_ + 1);
    }
    return taken;
}

int QxRawPngDecoder::put_byte(uint8_t byte) { return put_bytes(&byte, 1) == 1 ? 1 : 0; }

int QxRawPngDecoder::finish() {
    if (pass_ <= 7 && column_ > 0) {
        uint32_t length = uint32_t(column_) - uint32_t(column_) % sample_bytes_;
        if (length != 0)
            put_row(current_.data(), length);
        column_ = -1;
    }
    return 1;
}

} // namespace skinner
