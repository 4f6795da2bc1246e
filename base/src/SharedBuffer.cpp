#include "base/SharedBuffer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace liba {

struct SharedBuffer::Block {
    std::atomic<uint32_t> use_count{1};
    std::unique_ptr<uint8_t[]> data;
    size_t capacity = 0;
};

SharedBuffer::Block* SharedBuffer::new_block(size_t capacity) {
    auto block = std::make_unique<Block>();
    block->data = std::make_unique_for_overwrite<uint8_t[]>(capacity);
    block->capacity = capacity;
    return block.release();
}

void SharedBuffer::release(Block* block) {
    if (block->use_count.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete block;
}

SharedBuffer::SharedBuffer() : block_(new_block(0)) {}

SharedBuffer::SharedBuffer(size_t length) : block_(new_block(length)), length_(length) {}

SharedBuffer::SharedBuffer(size_t length, const void* source) : SharedBuffer(length) {
    if (length != 0)
        std::memmove(block_->data.get(), source, length);
}

SharedBuffer::SharedBuffer(const SharedBuffer& other)
    : block_(other.block_), offset_(other.offset_), length_(other.length_) {
    block_->use_count.fetch_add(1, std::memory_order_relaxed);
}

SharedBuffer& SharedBuffer::operator=(const SharedBuffer& other) {
    // Take the new reference first, so assigning a buffer to itself (or to a sharer) is safe.
    other.block_->use_count.fetch_add(1, std::memory_order_relaxed);
    release(block_);
    block_ = other.block_;
    offset_ = other.offset_;
    length_ = other.length_;
    return *this;
}

SharedBuffer::~SharedBuffer() { release(block_); }

SharedBuffer SharedBuffer::slice(const SharedBuffer& source, size_t offset, size_t length) {
    SharedBuffer window(source);
    window.offset_ += std::min(offset, source.length_);
    window.length_ = std::min(length, source.length_ - (window.offset_ - source.offset_));
    return window;
}

const uint8_t* SharedBuffer::data() const { return block_->data.get() + offset_; }

uint8_t* SharedBuffer::writable_data() {
    if (block_->use_count.load(std::memory_order_acquire) != 1) {
        Block* own = new_block(length_);
        if (length_ != 0)
            std::memcpy(own->data.get(), data(), length_);
        release(block_);
        block_ = own;
        offset_ = 0;
    }
    return block_->data.get() + offset_;
}

void SharedBuffer::fill(uint8_t byte) {
    uint8_t* bytes = writable_data();
    if (length_ != 0)
        std::memset(bytes, byte, length_);
}

size_t SharedBuffer::copy_from(size_t position, const SharedBuffer& other) {
    if (position > length_)
        return 0;
    const size_t count = std::min(other.length_, length_ - position);
    if (count == 0)
        return 0;
    // Other's bytes are read after the copy on write: other may be this very buffer.
    uint8_t* target = writable_data() + position;
    std::memmove(target, other.data(), count);
    return count;
}

} // namespace liba
