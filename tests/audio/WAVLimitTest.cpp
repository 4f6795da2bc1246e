// WAV files at the 4 GiB that the header's 32-bit sizes can describe, made sparse so that
// nothing near that size is ever written.
#include "AudioTestFiles.h"
#include "audio/FileReaderWAV.h"
#include "audio/FileWriterWAV.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

using namespace audio;
using namespace audio_test;

namespace {

// A 16-bit mono header claiming data_size bytes, in a file of file_size bytes (a hole after it).
void make_sparse_wav(const std::string& name, uint32_t data_size, uint64_t file_size) {
    const std::string header = wav_bytes(1, 1, 8000, 2, 16, "", "data" + u32(data_size));
    const int fd = ::open(linux_path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, header.data(), header.size()), static_cast<ssize_t>(header.size()));
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(file_size)), 0);
    ::close(fd);
}

std::string read_file_head(const std::string& name, size_t bytes) {
    std::string head(bytes, '\0');
    std::ifstream(linux_path(name), std::ios::binary).read(head.data(), static_cast<std::streamsize>(bytes));
    return head;
}

} // namespace

TEST(WAVLimit, AWriterEndsTheFileWholeAtTheLargestSizeItsHeaderHolds) {
    const uint32_t largest = 0xFFFFFFD2;  // 2^32 - 1 less the header, in whole 2-byte frames
    make_sparse_wav("full.wav", largest - 254, 44 + uint64_t(largest) - 254);
    {
        FileWriterWAVPCM writer(device_path("full.wav"), true);
        ASSERT_TRUE(writer.is_open());
        writer.on_data(pcm_block(std::vector<int16_t>(500, 9), 1, 8000));
        EXPECT_FALSE(writer.is_open());  // what did not fit is refused, and said so
        writer.on_data(pcm_block(std::vector<int16_t>(500, 9), 1, 8000));
    }
    EXPECT_EQ(std::filesystem::file_size(linux_path("full.wav")), 44 + uint64_t(largest));
    const std::string header = read_file_head("full.wav", 44);
    EXPECT_EQ(get_u32(header, 4), 36 + largest);
    EXPECT_EQ(get_u32(header, 40), largest);
    FileReaderWAVPCM reader(device_path("full.wav"));
    EXPECT_EQ(reader.length(), largest);
    std::filesystem::remove(linux_path("full.wav"));
}

TEST(WAVLimit, AReaderNeverTrustsASizeThatWrappedPast4GiB) {
    // Written past 4 GiB by a writer that let the size wrap: the header says 1000 bytes.
    make_sparse_wav("wrapped.wav", 1000, (uint64_t(1) << 32) + 1044);
    FileReaderWAVPCM reader(device_path("wrapped.wav"));
    ASSERT_TRUE(reader.is_valid());
    EXPECT_EQ(reader.length(), 0xFFFFFFD2);
    reader.set_position(reader.length() - 4);
    PCMData last;
    reader.get_data(last, 100);
    EXPECT_EQ(last.frames(), 2);
    // Appending would cut the file to its header's sizes: it is refused and left as it was.
    { FileWriterWAVPCM writer(device_path("wrapped.wav"), true); EXPECT_FALSE(writer.is_open()); }
    EXPECT_EQ(std::filesystem::file_size(linux_path("wrapped.wav")), (uint64_t(1) << 32) + 1044);
    std::filesystem::remove(linux_path("wrapped.wav"));
}
