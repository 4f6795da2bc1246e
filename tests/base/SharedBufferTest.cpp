#include "base/SharedBuffer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <thread>
#include <vector>

using liba::SharedBuffer;

namespace {

SharedBuffer counting(size_t length) {
    std::vector<uint8_t> bytes(length);
    std::iota(bytes.begin(), bytes.end(), uint8_t(0));
    return SharedBuffer(length, bytes.data());
}

std::string bytes_of(const SharedBuffer& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.length());
}

} // namespace

TEST(SharedBuffer, EmptyBufferHasAValidBlock) {
    SharedBuffer empty;
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_NE(empty.data(), nullptr);
    EXPECT_NE(empty.writable_data(), nullptr);
    empty.fill(7);
    EXPECT_EQ(empty.copy_from(0, counting(4)), 0u);
}

TEST(SharedBuffer, CopiesShareUntilWritten) {
    SharedBuffer first = counting(16);
    SharedBuffer copy(first);
    EXPECT_EQ(copy.data(), first.data());
    copy.fill(0xAA);
    EXPECT_NE(copy.data(), first.data());  // the copy now has a block of its own
    EXPECT_EQ(first.data()[5], 5);
    EXPECT_EQ(bytes_of(copy), std::string(16, '\xAA'));

    SharedBuffer assigned;
    assigned = first;
    EXPECT_EQ(assigned.data(), first.data());
    const SharedBuffer& same = assigned;
    assigned = same;  // self-assignment keeps the block alive
    EXPECT_EQ(assigned.data()[15], 15);
}

TEST(SharedBuffer, UnsharedBufferIsWrittenInPlace) {
    SharedBuffer buffer = counting(8);
    const uint8_t* before = buffer.data();
    buffer.fill(1);
    EXPECT_EQ(buffer.data(), before);
    {
        SharedBuffer passing(buffer);  // gone again before the write
    }
    EXPECT_EQ(buffer.writable_data(), before);
}

TEST(SharedBuffer, SliceKeepsItsWindowAfterTheSourceIsGone) {
    SharedBuffer window;
    {
        SharedBuffer source = counting(32);
        window = SharedBuffer::slice(source, 10, 4);
    }
    EXPECT_EQ(window.length(), 4u);
    EXPECT_EQ(window.writable_data()[0], 10);  // the block's byte 10, not its first byte
    EXPECT_EQ(window.data()[3], 13);
}

TEST(SharedBuffer, WritingASharedSliceCopiesOnlyItsWindow) {
    SharedBuffer source = counting(32);
    SharedBuffer window = SharedBuffer::slice(source, 8, 4);
    window.fill(0xFF);
    EXPECT_EQ(bytes_of(window), std::string(4, '\xFF'));
    EXPECT_EQ(source.data()[8], 8);
    // A slice of a slice counts from the inner window.
    SharedBuffer inner = SharedBuffer::slice(SharedBuffer::slice(source, 8, 8), 2, 2);
    EXPECT_EQ(inner.data()[0], 10);
}

TEST(SharedBuffer, SliceIsClampedToTheSourceWindow) {
    SharedBuffer source = SharedBuffer::slice(counting(32), 4, 8);
    SharedBuffer tail = SharedBuffer::slice(source, 6, 100);
    EXPECT_EQ(tail.length(), 2u);
    EXPECT_EQ(tail.data()[0], 10);
    SharedBuffer beyond = SharedBuffer::slice(source, 50, 3);
    EXPECT_EQ(beyond.length(), 0u);
}

TEST(SharedBuffer, CopyFromCopiesWhatFits) {
    SharedBuffer target(6);
    target.fill(0);
    SharedBuffer source = counting(4);
    EXPECT_EQ(target.copy_from(1, source), 4u);
    EXPECT_EQ(bytes_of(target), std::string("\0\0\1\2\3\0", 6));
    EXPECT_EQ(target.copy_from(4, source), 2u);  // near the end: only two bytes fit
    EXPECT_EQ(bytes_of(target), std::string("\0\0\1\2\0\1", 6));
    EXPECT_EQ(target.copy_from(6, source), 0u);
    EXPECT_EQ(target.copy_from(7, source), 0u);  // beyond the end: nothing
    EXPECT_EQ(target.length(), 6u);
}

TEST(SharedBuffer, CopyFromASharer) {
    SharedBuffer buffer = counting(8);
    SharedBuffer head = SharedBuffer::slice(buffer, 0, 4);
    EXPECT_EQ(buffer.copy_from(4, head), 4u);
    EXPECT_EQ(bytes_of(buffer), std::string("\0\1\2\3\0\1\2\3", 8));
    EXPECT_EQ(bytes_of(head), std::string("\0\1\2\3", 4));
    EXPECT_EQ(buffer.copy_from(2, buffer), 6u);  // overlapping copy within itself
    EXPECT_EQ(bytes_of(buffer), std::string("\0\1\0\1\2\3\0\1", 8));
}

TEST(SharedBuffer, CopiesLiveOnOtherThreads) {
    SharedBuffer buffer = counting(64);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([buffer] {
            for (int i = 0; i < 10000; ++i) {
                SharedBuffer copy(buffer);
                SharedBuffer window = SharedBuffer::slice(copy, 1, 2);
                if (window.data()[0] != 1)
                    std::abort();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(buffer.data()[63], 63);
}
