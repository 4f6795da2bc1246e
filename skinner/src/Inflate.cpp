#include "skinner/Inflate.h"

namespace skinner {
namespace {

constexpr int max_code_length = 15;
constexpr int literal_symbols = 288;  // the fixed code's alphabet, 286 and 287 never valid
constexpr int distance_symbols = 32;  // the fixed code's alphabet, 30 and 31 never valid
constexpr int end_of_block = 256;

constexpr uint16_t length_base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t length_extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t distance_base[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                        33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t distance_extra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// Order in which a dynamic block lists the lengths of the code-length code.
constexpr uint8_t code_length_order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

} // namespace

bool Inflate::Tree::build(const uint8_t* lengths, int count) {
    int per_length[max_code_length + 1] = {};
    for (int i = 0; i < count; ++i)
        ++per_length[lengths[i]];
    per_length[0] = 0;
    // An over-subscribed set of lengths has no prefix code; an incomplete one
    // is allowed (a path that leaves the tree is caught when decoding).
    int left = 1;
    for (int len = 1; len <= max_code_length; ++len) {
        left = left * 2 - per_length[len];
        if (left < 0)
            return false;
    }
    int next_code[max_code_length + 1] = {};
    for (int len = 1, code = 0; len <= max_code_length; ++len) {
        code = (code + per_length[len - 1]) << 1;
        next_code[len] = code;
    }
    child.assign(2, 0);
    for (int symbol = 0; symbol < count; ++symbol) {
        int len = lengths[symbol];
        if (len == 0)
            continue;
        int code = next_code[len]++;
        size_t node = 0;
        for (int bit = len - 1; bit >= 0; --bit) {
            size_t slot = 2 * node + ((code >> bit) & 1);
            if (child[slot] < 0)
                return false;
            if (bit == 0) {
                if (child[slot] != 0)
                    return false;
                child[slot] = -(symbol + 1);
            } else {
                if (child[slot] == 0) {
                    child[slot] = static_cast<int32_t>(child.size() / 2);
                    child.push_back(0);
                    child.push_back(0);
                }
                node = static_cast<size_t>(child[slot]);
            }
        }
    }
    return true;
}

bool Inflate::read_bit(uint32_t& bit) {
    if (bit_count_ == 0) {
        while (bit_count_ <= 56 && pos_ < size_) {
            bit_buffer_ |= uint64_t(data_[pos_++]) << bit_count_;
            bit_count_ += 8;
        }
        if (bit_count_ == 0)
            return false;
    }
    bit = uint32_t(bit_buffer_ & 1);
    bit_buffer_ >>= 1;
    --bit_count_;
    return true;
}

bool Inflate::read_bits(int count, uint32_t& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        uint32_t bit = 0;
        if (!read_bit(bit))
            return false;
        value |= bit << i;
    }
    return true;
}

bool Inflate::decode(const Tree& tree, int& symbol) {
    size_t node = 0;
    for (;;) {
        uint32_t bit = 0;
        if (!read_bit(bit))
            return false;
        int32_t next = tree.child[2 * node + bit];
        if (next == 0)
            return false;
        if (next < 0) {
            symbol = -next - 1;
            return true;
        }
        node = static_cast<size_t>(next);
    }
}

bool Inflate::emit(uint8_t byte) {
    window_[produced_ % window_size] = byte;
    ++produced_;
    return sink_->put_byte(byte) == 1;
}

InflateResult Inflate::stored_block() {
    // Drop the rest of the current byte; what stays buffered is whole bytes.
    bit_buffer_ >>= bit_count_ % 8;
    bit_count_ -= bit_count_ % 8;
    auto next_byte = [this](uint32_t& byte) {
        if (bit_count_ >= 8) {
            byte = uint32_t(bit_buffer_ & 0xFF);
            bit_buffer_ >>= 8;
            bit_count_ -= 8;
            return true;
        }
        if (pos_ >= size_)
            return false;
        byte = data_[pos_++];
        return true;
    };
    uint32_t header[4] = {};
    for (uint32_t& byte : header)
        if (!next_byte(byte))
            return InflateResult::corrupt;
    uint32_t length = header[0] | header[1] << 8;
    uint32_t complement = header[2] | header[3] << 8;
    if ((length ^ 0xFFFF) != complement)
        return InflateResult::corrupt;
    if (length > bit_count_ / 8 + (size_ - pos_))
        return InflateResult::corrupt;
    for (uint32_t i = 0; i < length; ++i) {
        uint32_t byte = 0;
        next_byte(byte);
        if (!emit(uint8_t(byte)))
            return InflateResult::stopped;
    }
    return InflateResult::done;
}

InflateResult Inflate::dynamic_trees(Tree& literals, Tree& distances) {
    uint32_t hlit = 0, hdist = 0, hclen = 0;
    if (!read_bits(5, hlit) || !read_bits(5, hdist) || !read_bits(4, hclen))
        return InflateResult::corrupt;
    int literal_count = int(hlit) + 257;
    int distance_count = int(hdist) + 1;
    if (literal_count > 286 || distance_count > 30)
        return InflateResult::corrupt;

    uint8_t code_lengths[19] = {};
    for (uint32_t i = 0; i < hclen + 4; ++i) {
        uint32_t len = 0;
        if (!read_bits(3, len))
            return InflateResult::corrupt;
        code_lengths[code_length_order[i]] = uint8_t(len);
    }
    Tree code_length_tree;
    if (!code_length_tree.build(code_lengths, 19))
        return InflateResult::corrupt;

    uint8_t lengths[286 + 30] = {};
    int total = literal_count + distance_count;
    for (int i = 0; i < total;) {
        int symbol = 0;
        if (!decode(code_length_tree, symbol))
            return InflateResult::corrupt;
        if (symbol < 16) {
            lengths[i++] = uint8_t(symbol);
            continue;
        }
        uint32_t extra = 0;
        int repeat = 0;
        uint8_t value = 0;
        if (symbol == 16) {
            if (i == 0)
                return InflateResult::corrupt;
            value = lengths[i - 1];
            if (!read_bits(2, extra))
                return InflateResult::corrupt;
            repeat = 3 + int(extra);
        } else if (symbol == 17) {
            if (!read_bits(3, extra))
                return InflateResult::corrupt;
            repeat = 3 + int(extra);
        } else {
            if (!read_bits(7, extra))
                return InflateResult::corrupt;
            repeat = 11 + int(extra);
        }
        if (repeat > total - i)
            return InflateResult::corrupt;
        for (int k = 0; k < repeat; ++k)
            lengths[i++] = value;
    }
    // Without a code for the end of the block the block could never end.
    if (lengths[end_of_block] == 0)
        return InflateResult::corrupt;
    if (!literals.build(lengths, literal_count) || !distances.build(lengths + literal_count, distance_count))
        return InflateResult::corrupt;
    return InflateResult::done;
}

InflateResult Inflate::coded_block(const Tree& literals, const Tree& distances) {
    for (;;) {
        int symbol = 0;
        if (!decode(literals, symbol))
            return InflateResult::corrupt;
        if (symbol < 256) {
            if (!emit(uint8_t(symbol)))
                return InflateResult::stopped;
            continue;
        }
        if (symbol == end_of_block)
            return InflateResult::done;
        if (symbol > 285)
            return InflateResult::corrupt;
        int index = symbol - 257;
        uint32_t extra = 0;
        if (!read_bits(length_extra[index], extra))
            return InflateResult::corrupt;
        uint32_t length = length_base[index] + extra;

        int distance_symbol = 0;
        if (!decode(distances, distance_symbol) || distance_symbol >= 30)
            return InflateResult::corrupt;
        if (!read_bits(distance_extra[distance_symbol], extra))
            return InflateResult::corrupt;
        size_t distance = distance_base[distance_symbol] + extra;
        if (distance > produced_)
            return InflateResult::corrupt;
        for (uint32_t k = 0; k < length; ++k) {
            if (!emit(window_[(produced_ - distance) % window_size]))
                return InflateResult::stopped;
        }
    }
}

InflateResult Inflate::run(const uint8_t* data, size_t size, InflateSink& sink) {
    data_ = data;
    size_ = size;
    pos_ = 2;
    bit_buffer_ = 0;
    bit_count_ = 0;
    produced_ = 0;
    sink_ = &sink;
    if (size < 2)
        return InflateResult::corrupt;
    uint8_t cmf = data[0];
    uint8_t flg = data[1];
    // A window above 32 KiB is not deflate; a preset dictionary is not ours to know.
    if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || (flg & 0x20) != 0)
        return InflateResult::unsupported;
    window_.assign(window_size, 0);

    for (;;) {
        uint32_t final_block = 0, type = 0;
        if (!read_bit(final_block) || !read_bits(2, type))
            return InflateResult::corrupt;
        InflateResult result = InflateResult::corrupt;
        if (type == 0) {
            result = stored_block();
        } else if (type == 1) {
            uint8_t lengths[literal_symbols];
            for (int i = 0; i < literal_symbols; ++i)
                lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
            uint8_t distance_lengths[distance_symbols];
            for (uint8_t& len : distance_lengths)
                len = 5;
            Tree literals, distances;
            literals.build(lengths, literal_symbols);
            distances.build(distance_lengths, distance_symbols);
            result = coded_block(literals, distances);
        } else if (type == 2) {
            Tree literals, distances;
            result = dynamic_trees(literals, distances);
            if (result == InflateResult::done)
                result = coded_block(literals, distances);
        }
        if (result != InflateResult::done)
            return result;
        if (final_block)
            return InflateResult::done;
    }
}

} // namespace skinner
