#pragma once
#include <cstddef>
#include <cstdint>

namespace liba {

// Bytes that copies and slices share without copying; a write copies this buffer's window first
// when another buffer still sees the block (copy on write). The use count is atomic, so buffers
// sharing a block may live on different threads; one buffer object belongs to one thread.
class SharedBuffer {
public:
    SharedBuffer();                                   // an empty buffer with a valid block
    explicit SharedBuffer(size_t length);             // bytes not initialised
    SharedBuffer(size_t length, const void* source);  // a copy of length bytes of source
    SharedBuffer(const SharedBuffer& other);
    SharedBuffer& operator=(const SharedBuffer& other);
    ~SharedBuffer();

    // A window of source's bytes sharing its block; offset and length are clamped to source's window.
    static SharedBuffer slice(const SharedBuffer& source, size_t offset, size_t length);

    const uint8_t* data() const;
    size_t length() const { return length_; }

    uint8_t* writable_data();  // copies the window first when the block is shared
    void fill(uint8_t byte);
    // Copies as much of other as fits from position on; returns the count copied (0 when
    // position lies beyond the end). The length does not change.
    size_t copy_from(size_t position, const SharedBuffer& other);

private:
    struct Block;
    static Block* new_block(size_t capacity);
    static void release(Block* block);

    Block* block_ = nullptr;
    size_t offset_ = 0;
    size_t length_ = 0;
};

} // namespace liba
