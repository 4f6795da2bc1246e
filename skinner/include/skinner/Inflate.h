#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace skinner {

// Receives the inflated bytes one at a time.
class InflateSink {
public:
    virtual ~InflateSink() = default;
    // 1 to go on; anything else stops inflating.
    virtual int put_byte(uint8_t byte) = 0;
};

// How an inflate run ended. Whatever the outcome, the bytes already handed
// to the sink stay handed.
enum class InflateResult {
    done,        // the final block ended
    unsupported, // not a deflate zlib stream, or it needs a preset dictionary
    corrupt,     // an inconsistent or cut-short stream
    stopped,     // the sink refused a byte
};

// Decoder of zlib streams (deflate inside a two-byte header). Codes are
// decoded bit by bit through a binary tree built per block.
class Inflate {
public:
    static constexpr size_t window_size = 32768;

    InflateResult run(const uint8_t* data, size_t size, InflateSink& sink);

private:
    // Canonical Huffman code as a tree: node n has its children at 2n and
    // 2n + 1; a child is 0 (no child), > 0 (an inner node) or -(symbol + 1).
    struct Tree {
        std::vector<int32_t> child;
        bool build(const uint8_t* lengths, int count);
    };

    bool read_bit(uint32_t& bit);
    bool read_bits(int count, uint32_t& value);
    bool decode(const Tree& tree, int& symbol);
    InflateResult stored_block();
    InflateResult dynamic_trees(Tree& literals, Tree& distances);
    InflateResult coded_block(const Tree& literals, const Tree& distances);
    bool emit(uint8_t byte);

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    uint64_t bit_buffer_ = 0;
    int bit_count_ = 0;
    std::vector<uint8_t> window_;
    size_t produced_ = 0;
    InflateSink* sink_ = nullptr;
};

} // namespace skinner
