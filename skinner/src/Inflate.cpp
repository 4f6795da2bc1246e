#include "skinner/Inflate.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace skinner {
namespace {

constexpr int max_code_length = 15;
constexpr int literal_symbols = 288;  // the fixed code's alphabet, 286 and 287 never valid
constexpr int distance_symbols = 32;  // the fixed code's alphabet, 30 and 31 never valid
constexpr int end_of_block = 256;
constexpr int literal_root_bits = 10;
constexpr int distance_root_bits = 8;
constexpr int code_length_root_bits = 7; // code-length codes are at most 7 bits long
constexpr size_t longest_match = 258;
constexpr size_t copy_slack = 16;        // match copies may write this far past their end
constexpr size_t run_size = 128 * 1024;  // output gathered between deliveries

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

// Table entry kinds; a base entry keeps its extra bit count in the low bits,
// a link entry its sub-table's index bits.
constexpr uint32_t kind_literal = 0x00;
constexpr uint32_t kind_base = 0x10;
constexpr uint32_t kind_end = 0x20;
constexpr uint32_t kind_link = 0x40;
constexpr uint32_t kind_invalid = 0x80;

constexpr uint32_t entry(uint32_t length, uint32_t kind, uint32_t value) { return length | kind << 8 | value << 16; }
constexpr int entry_length(uint32_t e) { return int(e & 0xFF); }
constexpr uint32_t entry_kind(uint32_t e) { return (e >> 8) & 0xFF; }
constexpr uint32_t entry_value(uint32_t e) { return e >> 16; }
constexpr uint32_t invalid_entry = entry(0, kind_invalid, 0);

uint32_t symbol_entry(int symbol, int length, Inflate::Table::Alphabet alphabet) {
    using Alphabet = Inflate::Table::Alphabet;
    uint32_t len = uint32_t(length);
    if (alphabet == Alphabet::code_lengths)
        return entry(len, kind_literal, uint32_t(symbol));
    if (alphabet == Alphabet::distances)
        return symbol < 30 ? entry(len, kind_base | distance_extra[symbol], distance_base[symbol]) : invalid_entry;
    if (symbol < end_of_block)
        return entry(len, kind_literal, uint32_t(symbol));
    if (symbol == end_of_block)
        return entry(len, kind_end, 0);
    int index = symbol - 257;
    return index < 29 ? entry(len, kind_base | length_extra[index], length_base[index]) : invalid_entry;
}

uint32_t reversed(uint32_t code, int length) {
    uint32_t r = 0;
    for (int i = 0; i < length; ++i)
        r = r << 1 | ((code >> i) & 1);
    return r;
}

// The entry for the code at the front of the buffer (invalid where an
// incomplete code has a gap); its length may exceed the buffered bits.
inline uint32_t lookup(const uint32_t* table, int root_bits, uint64_t bits) {
    uint32_t e = table[bits & ((1u << root_bits) - 1)];
    if (entry_kind(e) & kind_link) {
        uint32_t sub_bits = entry_kind(e) & 0x0F;
        e = table[entry_value(e) + ((bits >> root_bits) & ((1u << sub_bits) - 1))];
    }
    return e;
}

// Copies a match whose source starts `distance` back; may write up to
// copy_slack bytes past the end, which later output overwrites.
inline uint8_t* copy_match(uint8_t* out, size_t distance, size_t length) {
    const uint8_t* from = out - distance;
    uint8_t* end = out + length;
    if (distance >= 16) {
        do {
            std::memcpy(out, from, 16);
            out += 16;
            from += 16;
        } while (out < end);
        return end;
    }
    if (distance == 1) {
        std::memset(out, *from, length);
        return end;
    }
    // Below 8 the match repeats a pattern: its first multiple of the distance
    // of 8 or more is written byte by byte, the rest goes by words from there.
    if (distance < 8) {
        size_t step = distance * ((8 + distance - 1) / distance);
        size_t head = std::min(step, length);
        for (size_t i = 0; i < head; ++i)
            out[i] = from[i];
        out += head;
        from = out - step;
    }
    while (out < end) {
        std::memcpy(out, from, 8);
        out += 8;
        from += 8;
    }
    return end;
}

} // namespace

size_t InflateSink::put_bytes(const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (put_byte(bytes[i]) != 1)
            return i;
    return size;
}

inline void Inflate::Bits::refill() {
    if (end - in >= 8) {
        // One unaligned word; the bytes beyond the whole ones taken are read
        // again by the next refill, at the same bit positions.
        uint64_t word = 0;
        std::memcpy(&word, in, 8);
        if constexpr (std::endian::native == std::endian::big)
            word = __builtin_bswap64(word);
        buffer |= word << count;
        int bytes = (63 - count) >> 3;
        in += bytes;
        count += bytes * 8;
        return;
    }
    while (count < 56 && in < end) {
        buffer |= uint64_t(*in++) << count;
        count += 8;
    }
}

inline bool Inflate::Bits::need(int n) {
    if (count < n)
        refill();
    return count >= n;
}

inline uint32_t Inflate::Bits::take(int n) {
    uint32_t value = uint32_t(buffer & ((uint64_t(1) << n) - 1));
    buffer >>= n;
    count -= n;
    return value;
}

bool Inflate::Table::build(const uint8_t* lengths, int count, Alphabet alphabet, int root) {
    int per_length[max_code_length + 1] = {};
    for (int i = 0; i < count; ++i)
        ++per_length[lengths[i]];
    per_length[0] = 0;
    int left = 1;
    for (int len = 1; len <= max_code_length; ++len) {
        left = left * 2 - per_length[len];
        if (left < 0)
            return false;
    }
    uint32_t next_code[max_code_length + 1] = {};
    for (int len = 1, code = 0; len <= max_code_length; ++len) {
        code = (code + per_length[len - 1]) << 1;
        next_code[len] = uint32_t(code);
    }
    // Codes as they arrive: the first code bit is the lowest input bit.
    uint32_t codes[literal_symbols] = {};
    for (int symbol = 0; symbol < count; ++symbol)
        if (lengths[symbol] != 0)
            codes[symbol] = reversed(next_code[lengths[symbol]]++, lengths[symbol]);

    root_bits = root;
    const uint32_t root_size = 1u << root;
    const uint32_t root_mask = root_size - 1;
    // Each root slot that starts longer codes gets a sub-table for the longest of them.
    uint8_t sub_bits[1u << literal_root_bits] = {};
    for (int symbol = 0; symbol < count; ++symbol)
        if (lengths[symbol] > root) {
            uint8_t& bits = sub_bits[codes[symbol] & root_mask];
            bits = std::max(bits, uint8_t(lengths[symbol] - root));
        }
    uint32_t size = root_size;
    for (uint32_t slot = 0; slot < root_size; ++slot)
        if (sub_bits[slot] != 0)
            size += 1u << sub_bits[slot];
    entries.assign(size, invalid_entry);
    for (uint32_t slot = 0, next = root_size; slot < root_size; ++slot)
        if (sub_bits[slot] != 0) {
            entries[slot] = entry(uint32_t(root), kind_link | sub_bits[slot], next);
            next += 1u << sub_bits[slot];
        }

    for (int symbol = 0; symbol < count; ++symbol) {
        int len = lengths[symbol];
        if (len == 0)
            continue;
        uint32_t e = symbol_entry(symbol, len, alphabet);
        uint32_t code = codes[symbol];
        if (len <= root) {
            for (uint32_t i = code; i < root_size; i += 1u << len)
                entries[i] = e;
        } else {
            uint32_t link = entries[code & root_mask];
            uint32_t sub_size = 1u << (entry_kind(link) & 0x0F);
            for (uint32_t i = code >> root; i < sub_size; i += 1u << (len - root))
                entries[entry_value(link) + i] = e;
        }
    }
    return true;
}

bool Inflate::deliver() {
    size_t count = size_t(out_ - delivered_);
    // What the sink refused counts as handed on too: it is never offered again.
    bool taken = count == 0 || sink_->put_bytes(delivered_, count) == count;
    delivered_ = out_;
    return taken;
}

bool Inflate::make_room() {
    if (!deliver())
        return false;
    size_t kept = std::min(window_size, size_t(out_ - buffer_.data()));
    std::memmove(buffer_.data(), out_ - kept, kept);
    out_ = buffer_.data() + kept;
    delivered_ = out_;
    return true;
}

InflateResult Inflate::finish(InflateResult result) {
    // Bytes decoded before the end or the fault still reach the sink first.
    if (!deliver())
        return InflateResult::stopped;
    return result;
}

InflateResult Inflate::stored_block() {
    // Back to the byte after the current one: the whole bytes still buffered
    // are the input's last ones.
    bits_.in -= bits_.count / 8;
    bits_.buffer = 0;
    bits_.count = 0;
    if (bits_.end - bits_.in < 4)
        return InflateResult::corrupt;
    const uint8_t* header = bits_.in;
    uint32_t length = header[0] | uint32_t(header[1]) << 8;
    uint32_t complement = header[2] | uint32_t(header[3]) << 8;
    bits_.in += 4;
    if ((length ^ 0xFFFF) != complement || length > size_t(bits_.end - bits_.in))
        return InflateResult::corrupt;
    while (length != 0) {
        if (out_ > limit_ && !make_room())
            return InflateResult::stopped;
        size_t n = std::min<size_t>(length, size_t(limit_ + longest_match - out_));
        std::memcpy(out_, bits_.in, n);
        out_ += n;
        bits_.in += n;
        length -= uint32_t(n);
    }
    return InflateResult::done;
}

InflateResult Inflate::dynamic_tables() {
    if (!bits_.need(14))
        return InflateResult::corrupt;
    int literal_count = int(bits_.take(5)) + 257;
    int distance_count = int(bits_.take(5)) + 1;
    uint32_t hclen = bits_.take(4);
    if (literal_count > 286 || distance_count > 30)
        return InflateResult::corrupt;

    uint8_t code_lengths[19] = {};
    for (uint32_t i = 0; i < hclen + 4; ++i) {
        if (!bits_.need(3))
            return InflateResult::corrupt;
        code_lengths[code_length_order[i]] = uint8_t(bits_.take(3));
    }
    Table code_length_table;
    if (!code_length_table.build(code_lengths, 19, Table::Alphabet::code_lengths, code_length_root_bits))
        return InflateResult::corrupt;

    uint8_t lengths[286 + 30] = {};
    int total = literal_count + distance_count;
    for (int i = 0; i < total;) {
        bits_.refill();
        uint32_t e = lookup(code_length_table.entries.data(), code_length_root_bits, bits_.buffer);
        if (entry_kind(e) == kind_invalid || entry_length(e) > bits_.count)
            return InflateResult::corrupt;
        bits_.take(entry_length(e));
        uint32_t symbol = entry_value(e);
        if (symbol < 16) {
            lengths[i++] = uint8_t(symbol);
            continue;
        }
        int repeat = 0;
        uint8_t value = 0;
        if (symbol == 16) {
            if (i == 0 || !bits_.need(2))
                return InflateResult::corrupt;
            value = lengths[i - 1];
            repeat = 3 + int(bits_.take(2));
        } else if (symbol == 17) {
            if (!bits_.need(3))
                return InflateResult::corrupt;
            repeat = 3 + int(bits_.take(3));
        } else {
            if (!bits_.need(7))
                return InflateResult::corrupt;
            repeat = 11 + int(bits_.take(7));
        }
        if (repeat > total - i)
            return InflateResult::corrupt;
        std::fill(lengths + i, lengths + i + repeat, value);
        i += repeat;
    }
    // Without a code for the end of the block the block could never end.
    if (lengths[end_of_block] == 0)
        return InflateResult::corrupt;
    if (!literals_.build(lengths, literal_count, Table::Alphabet::literals, literal_root_bits) ||
        !distances_.build(lengths + literal_count, distance_count, Table::Alphabet::distances, distance_root_bits))
        return InflateResult::corrupt;
    return InflateResult::done;
}

InflateResult Inflate::coded_block(const Table& literals, const Table& distances) {
    // The state lives in locals so that the byte stores cannot make the
    // compiler reload it; it goes back to the members at every exit.
    Bits bits = bits_;
    uint8_t* out = out_;
    const uint8_t* const start = buffer_.data();
    const uint32_t* const literal_table = literals.entries.data();
    const uint32_t* const distance_table = distances.entries.data();
    const int literal_root = literals.root_bits;
    const int distance_root = distances.root_bits;
    InflateResult result = InflateResult::corrupt;
    // After a refill the buffer holds at least 56 bits unless the input ran
    // out, and one length, distance and their extra bits take at most 48: a
    // shortfall within a symbol means the stream is cut short.
    for (;;) {
        if (out > limit_) {
            out_ = out;
            if (!make_room()) {
                result = InflateResult::stopped;
                break;
            }
            out = out_;
        }
        bits.refill();
        uint32_t e = lookup(literal_table, literal_root, bits.buffer);
        uint32_t kind = entry_kind(e);
        if (kind == kind_literal && entry_length(e) <= bits.count) {
            bits.take(entry_length(e));
            *out++ = uint8_t(entry_value(e));
            continue;
        }
        if (kind == kind_invalid || entry_length(e) > bits.count)
            break;
        bits.take(entry_length(e));
        if (kind == kind_end) {
            result = InflateResult::done;
            break;
        }
        int extra = int(kind & 0x0F);
        if (extra > bits.count)
            break;
        size_t length = entry_value(e) + bits.take(extra);

        e = lookup(distance_table, distance_root, bits.buffer);
        kind = entry_kind(e);
        if (kind == kind_invalid || entry_length(e) > bits.count)
            break;
        bits.take(entry_length(e));
        extra = int(kind & 0x0F);
        if (extra > bits.count)
            break;
        size_t distance = entry_value(e) + bits.take(extra);
        if (distance > size_t(out - start))
            break;
        out = copy_match(out, distance, length);
    }
    bits_ = bits;
    out_ = out;
    return result;
}

InflateResult Inflate::run(const uint8_t* data, size_t size, InflateSink& sink) {
    bits_ = Bits{data + std::min<size_t>(size, 2), data + size};
    sink_ = &sink;
    if (size < 2)
        return InflateResult::corrupt;
    uint8_t cmf = data[0];
    uint8_t flg = data[1];
    // A window above 32 KiB is not deflate; a preset dictionary is not ours to know.
    if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || (flg & 0x20) != 0)
        return InflateResult::unsupported;
    buffer_.resize(window_size + run_size + longest_match + copy_slack);
    out_ = buffer_.data();
    delivered_ = out_;
    limit_ = buffer_.data() + window_size + run_size;

    for (;;) {
        if (!bits_.need(3))
            return finish(InflateResult::corrupt);
        uint32_t final_block = bits_.take(1);
        uint32_t type = bits_.take(2);
        InflateResult result = InflateResult::corrupt;
        if (type == 0) {
            result = stored_block();
        } else if (type == 1) {
            if (fixed_literals_.entries.empty()) {
                uint8_t lengths[literal_symbols];
                for (int i = 0; i < literal_symbols; ++i)
                    lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
                uint8_t distance_lengths[distance_symbols];
                std::fill(std::begin(distance_lengths), std::end(distance_lengths), uint8_t(5));
                fixed_literals_.build(lengths, literal_symbols, Table::Alphabet::literals, literal_root_bits);
                fixed_distances_.build(distance_lengths, distance_symbols, Table::Alphabet::distances,
                                       distance_root_bits);
            }
            result = coded_block(fixed_literals_, fixed_distances_);
        } else if (type == 2) {
            result = dynamic_tables();
            if (result == InflateResult::done)
                result = coded_block(literals_, distances_);
        }
        if (result != InflateResult::done)
            return finish(result);
        if (final_block)
            return finish(InflateResult::done);
    }
}

} // namespace skinner
