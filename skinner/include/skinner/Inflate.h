#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace skinner {

// Receives the inflated bytes.
class InflateSink {
public:
    virtual ~InflateSink() = default;
    // 1 to go on; anything else stops inflating.
    virtual int put_byte(uint8_t byte) = 0;
    // Takes a run of bytes and returns how many it took: fewer than `size`
    // when it refused one, which stops inflating. Byte by byte unless a sink
    // has a faster way.
    virtual size_t put_bytes(const uint8_t* bytes, size_t size);
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
// decoded through lookup tables built per block; the output gathers in a
// buffer behind the window and goes to the sink in runs.
class Inflate {
public:
    static constexpr size_t window_size = 32768;

    InflateResult run(const uint8_t* data, size_t size, InflateSink& sink);

    // Input bits, least significant first, up to 63 of them buffered.
    struct Bits {
        const uint8_t* in = nullptr;
        const uint8_t* end = nullptr;
        uint64_t buffer = 0;
        int count = 0;

        void refill();
        bool need(int n);
        uint32_t take(int n);
    };

    // Canonical Huffman code as a root table indexed by the next `root_bits`
    // input bits, with sub-tables for the longer codes. Each entry packs the
    // code length (bits 0-7), a kind (bits 8-15) and a value (bits 16-31).
    struct Table {
        enum class Alphabet { literals, distances, code_lengths };
        std::vector<uint32_t> entries;
        int root_bits = 0;
        // False when the lengths are over-subscribed; an incomplete code is
        // allowed (its missing codes decode as corrupt).
        bool build(const uint8_t* lengths, int count, Alphabet alphabet, int root);
    };

private:
    InflateResult stored_block();
    InflateResult dynamic_tables();
    InflateResult coded_block(const Table& literals, const Table& distances);
    // Hands the bytes not yet handed on to the sink.
    bool deliver();
    // Delivers and moves the window to the front of the buffer.
    bool make_room();
    InflateResult finish(InflateResult result);

    Bits bits_;
    std::vector<uint8_t> buffer_;
    uint8_t* out_ = nullptr;       // where the next byte goes
    uint8_t* delivered_ = nullptr; // bytes before this went to the sink
    uint8_t* limit_ = nullptr;     // beyond this a longest match may not fit
    InflateSink* sink_ = nullptr;
    Table literals_;
    Table distances_;
    Table fixed_literals_;
    Table fixed_distances_;
};

} // namespace skinner
