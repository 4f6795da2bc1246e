#include "base/File.h"

#include "plat/Paths.h"
#include "TempRoot.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using testing_support::process_root;

namespace {

void put(const std::string& relative, const std::string& bytes) {
    std::filesystem::path path = std::filesystem::path(process_root()) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string get(const std::string& relative) {
    std::ifstream in(std::filesystem::path(process_root()) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string read_all(os::File& file) {
    std::string out(file.get_size(), '\0');
    out.resize(file.read(out.data(), uint32_t(out.size())));
    return out;
}

} // namespace

TEST(File, ReadModeNeedsAnExistingFile) {
    os::File missing(L"\\modes\\missing.txt", os::File::mode_read);
    EXPECT_TRUE(missing.has_error());
    ASSERT_EQ(missing.reader().errors().size(), 1u);
    EXPECT_EQ(missing.reader().errors()[0], L"can't open file");
    char buffer[4];
    EXPECT_EQ(missing.read(buffer, 4), 0u);
    EXPECT_EQ(missing.get_size(), 0u);
    EXPECT_EQ(missing.tell(), 0u);
    EXPECT_FALSE(missing.seek(0));
    EXPECT_EQ(missing.skip(1), 0u);
    EXPECT_FALSE(std::filesystem::exists(process_root() + "/modes/missing.txt"));

    put("modes/r.txt", "hello");
    os::File file(L"/MODES/R.TXT", os::File::mode_read);
    ASSERT_FALSE(file.has_error());
    EXPECT_EQ(file.get_size(), 5u);
    EXPECT_EQ(read_all(file), "hello");
    EXPECT_EQ(file.write("x", 1), 0u);  // read access only
}

TEST(File, WriteModeEmptiesAnExistingFile) {
    put("modes/w.txt", "old contents");
    {
        os::File file(L"\\modes\\w.txt", os::File::mode_write);
        ASSERT_FALSE(file.has_error());
        EXPECT_EQ(file.get_size(), 0u);
        EXPECT_EQ(file.write("new", 3), 3u);
    }
    EXPECT_EQ(get("modes/w.txt"), "new");
    os::File created(L"\\modes\\created.txt", os::File::mode_write);
    EXPECT_FALSE(created.has_error());
    EXPECT_TRUE(std::filesystem::exists(process_root() + "/modes/created.txt"));
}

TEST(File, AppendModeWritesAfterTheLastByteOrCreates) {
    put("modes/a.txt", "abc");
    {
        os::File file(L"\\modes\\a.txt", os::File::mode_append);
        ASSERT_FALSE(file.has_error());
        EXPECT_EQ(file.tell(), 3u);
        EXPECT_EQ(file.write("de", 2), 2u);
    }
    EXPECT_EQ(get("modes/a.txt"), "abcde");
    {
        os::File file(L"\\modes\\fresh.txt", os::File::mode_append);
        ASSERT_FALSE(file.has_error());
        EXPECT_EQ(file.write("z", 1), 1u);
    }
    EXPECT_EQ(get("modes/fresh.txt"), "z");
}

TEST(File, ReadWriteModeKeepsContentsAndRewritesInPlace) {
    put("modes/rw.wav", "RIFF....data");
    {
        os::File file(L"\\modes\\rw.wav", 7);  // any other mode is read and write
        ASSERT_FALSE(file.has_error());
        EXPECT_EQ(file.get_size(), 12u);
        ASSERT_TRUE(file.seek(4));
        EXPECT_EQ(file.write("1234", 4), 4u);
        ASSERT_TRUE(file.seek(0));
        EXPECT_EQ(read_all(file), "RIFF1234data");
        EXPECT_TRUE(file.set_size(8));
        EXPECT_EQ(file.get_size(), 8u);
        file.flush();
    }
    EXPECT_EQ(get("modes/rw.wav"), "RIFF1234");
    os::File created(L"\\modes\\rw-new.wav", os::File::mode_read_write);
    EXPECT_FALSE(created.has_error());
}

TEST(File, ZeroCountsAndPositions) {
    put("pos.bin", "0123456789");
    os::File file(L"\\pos.bin", os::File::mode_read);
    char buffer[16];
    EXPECT_EQ(file.read(buffer, 0), 0u);
    EXPECT_EQ(file.tell(), 0u);
    EXPECT_EQ(file.skip(3), 3u);
    EXPECT_EQ(file.read(buffer, 2), 2u);
    EXPECT_EQ(std::string(buffer, 2), "34");
    EXPECT_EQ(file.read(buffer, 16), 5u);  // short read at the end
    EXPECT_EQ(file.read(buffer, 16), 0u);
    EXPECT_EQ(file.skip(5), 5u);  // beyond the end, as the platform allows
    EXPECT_EQ(file.tell(), 15u);
    os::File writer(L"\\pos2.bin", os::File::mode_write);
    EXPECT_EQ(writer.write("", 0), 0u);
}

TEST(File, AnErrorFromElsewhereEndsAllIO) {
    put("dead.bin", "abc");
    os::File file(L"\\dead.bin", os::File::mode_read_write);
    file.reader().add_error(L"bad chunk");
    char c;
    EXPECT_EQ(file.read(&c, 1), 0u);
    EXPECT_EQ(file.get_size(), 0u);
    EXPECT_FALSE(file.seek(1));
    os::File other(L"\\dead.bin", os::File::mode_read_write);
    other.writer().add_error(L"disk");
    EXPECT_EQ(other.write("x", 1), 0u);
    EXPECT_FALSE(other.has_error());  // the error test looks at the reader's list
    EXPECT_TRUE(other.failed());
    EXPECT_EQ(get("dead.bin"), "abc");
}

TEST(File, PathMacrosAreExpanded) {
    plat::set_module_file_name(L"\\Program Files\\Chimely\\Chimely");
    {
        os::File file(L"%app_path%/skin/new.skin", os::File::mode_write);
        EXPECT_TRUE(file.has_error());  // the folder does not exist
    }
    std::filesystem::create_directories(process_root() + "/Program Files/Chimely/skin");
    {
        os::File file(L"%app_path%/skin/new.skin", os::File::mode_write);
        EXPECT_FALSE(file.has_error());
    }
    EXPECT_TRUE(std::filesystem::exists(process_root() + "/Program Files/Chimely/skin/new.skin"));
    os::delete_file(L"%app_path%\\SKIN\\NEW.SKIN");
    EXPECT_FALSE(std::filesystem::exists(process_root() + "/Program Files/Chimely/skin/new.skin"));
    plat::set_module_file_name(L"");
}

TEST(FileInfo, MissingFileFolderAndTimes) {
    os::FileInfo missing(L"\\info\\none.txt");
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.attributes, 0xFFFFFFFFu);
    EXPECT_EQ(missing.size, 0u);
    EXPECT_NE(missing.last_error, 0u);

    put("info/sub/file.txt", "12345");
    os::FileInfo folder(L"\\info\\SUB\\");
    EXPECT_TRUE(folder.exists());
    EXPECT_EQ(folder.attributes & 0x10, 0x10u);
    EXPECT_EQ(folder.path, L"\\info\\SUB\\");

    os::FileInfo file(L"/info/sub/FILE.TXT");
    ASSERT_TRUE(file.exists());
    EXPECT_EQ(file.size, 5u);
    EXPECT_EQ(file.attributes & 0x10, 0u);
    EXPECT_EQ(file.last_error, 0u);
    liba::TimeStamp now = liba::TimeStamp::now();
    EXPECT_LE(std::llabs(now.seconds_since(file.last_write_time)), 120);
    EXPECT_LE(file.creation_time, file.last_write_time);
}

TEST(FileInfo, RemoveFilesAndEmptyFolders) {
    put("rm/a.txt", "x");
    os::FileInfo full_folder(L"\\rm");
    EXPECT_FALSE(full_folder.remove());
    EXPECT_EQ(full_folder.last_error, 145u);  // folder not empty
    os::FileInfo file(L"\\rm\\a.txt");
    EXPECT_TRUE(file.remove());
    os::FileInfo folder(L"\\rm\\");
    EXPECT_TRUE(folder.remove());
    EXPECT_FALSE(std::filesystem::exists(process_root() + "/rm"));
}
