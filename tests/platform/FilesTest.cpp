#include "plat/Files.h"

#include "plat/Errors.h"
#include "plat/Paths.h"
#include "EndsInTime.h"
#include "TempRoot.h"
#include "plat/Text.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

using namespace plat;
using testing_support::process_root;

namespace {

void write(const std::string& relative, const std::string& bytes) {
    std::string path = process_root() + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<std::wstring> list(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    FileFinder finder;
    FindData data;
    for (bool more = finder.first(pattern, data); more; more = finder.next(data))
        names.push_back(data.name);
    return names;
}

} // namespace

TEST(Masks, WildcardsIgnoreCase) {
    EXPECT_TRUE(mask_matches(L"*.*", L"README"));
    EXPECT_TRUE(mask_matches(L"*.*", L"a.b.c"));
    EXPECT_TRUE(mask_matches(L"*", L".hidden"));
    EXPECT_TRUE(mask_matches(L"*.skin", L"Default.SKIN"));
    EXPECT_FALSE(mask_matches(L"*.skin", L"Default.skin.bak"));
    EXPECT_TRUE(mask_matches(L"a?c", L"ABC"));
    EXPECT_FALSE(mask_matches(L"a?c", L"ac"));
    EXPECT_TRUE(mask_matches(L"a*b*c", L"a__b__b__c"));
    EXPECT_TRUE(mask_matches(L"name.*", L"name"));
    EXPECT_TRUE(mask_matches(L"Alarms.ini", L"alarms.INI"));
    EXPECT_FALSE(mask_matches(L"alarms.ini", L"alarms.ini2"));
}

TEST(FolderSearch, SortedIgnoringCaseWithoutDotEntries) {
    write("songs/b.mp3", "bb");
    write("songs/A.mp3", "a");
    write("songs/c.MP3", "");
    write("songs/notes.txt", "");
    std::filesystem::create_directories(process_root() + "/songs/Sub.mp3");
    EXPECT_EQ(list(L"\\songs\\*.mp3"), (std::vector<std::wstring>{L"A.mp3", L"b.mp3", L"c.MP3", L"Sub.mp3"}));
    EXPECT_EQ(list(L"/SONGS/*.*").size(), 5u);

    FileFinder finder;
    FindData data;
    ASSERT_TRUE(finder.first(L"\\songs\\Sub.mp3", data));
    EXPECT_EQ(data.attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(finder.first(L"\\songs\\B.MP3", data));
    EXPECT_EQ(data.name, L"b.mp3");
    EXPECT_EQ(data.size, 2u);
    EXPECT_EQ(data.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_FALSE(finder.next(data));
    EXPECT_EQ(last_error(), ERROR_NO_MORE_FILES);
}

TEST(FolderSearch, NoMatchAndNoFolder) {
    std::filesystem::create_directories(process_root() + "/empty");
    FileFinder finder;
    FindData data;
    EXPECT_FALSE(finder.first(L"\\empty\\*.*", data));
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(finder.first(L"\\missing\\*.*", data));
    EXPECT_EQ(last_error(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(finder.first(L"\\empty\\", data));
}

TEST(FolderSearch, LinksBackUpTheTreeAreLeftOut) {
    write("tree/a/file.txt", "x");
    write("elsewhere/other.txt", "x");
    std::string tree = process_root() + "/tree";
    ASSERT_EQ(symlink("..", (tree + "/a/up").c_str()), 0);
    ASSERT_EQ(symlink(tree.c_str(), (tree + "/a/top").c_str()), 0);
    ASSERT_EQ(symlink((process_root() + "/elsewhere").c_str(), (tree + "/a/side").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (tree + "/a/dangling").c_str()), 0);
    EXPECT_EQ(list(L"\\tree\\a\\*"), (std::vector<std::wstring>{L"file.txt", L"side"}));
}

TEST(FileTimes, UniversalFromTheFileSystem) {
    write("t.txt", "x");
    // 2020-01-01 00:00:00 UTC.
    struct timespec times[2] = {{1577836800, 0}, {1577836800, 5000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, (process_root() + "/t.txt").c_str(), times, 0), 0);
    FileFinder finder;
    FindData data;
    ASSERT_TRUE(finder.first(L"\\t.txt", data));
    EXPECT_EQ(data.last_write_time, 1577836800ull * 10000000 + 50000 + FILE_TIME_UNIX_EPOCH);
    EXPECT_NE(data.creation_time, 0u);
}

TEST(FileTimes, LocalFollowsTheTimeZone) {
    const char* old = getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "UTC-2", 1);  // two hours east
    tzset();
    uint64_t universal = 1577836800ull * 10000000 + FILE_TIME_UNIX_EPOCH;
    EXPECT_EQ(file_time_to_local(universal), universal + 2ull * 3600 * 10000000);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(FileHandle, RefusesFoldersAndMissingFiles) {
    std::filesystem::create_directories(process_root() + "/folder");
    FileHandle file;
    EXPECT_FALSE(file.open(L"\\folder", OpenMode::read_existing));
    EXPECT_EQ(last_error(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(file.open(L"\\missing.txt", OpenMode::read_existing));
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(file.is_open());
}

// What a user may put in place of a file never blocks an open or a read: a FIFO, a device and a
// socket are refused at once (ERROR_NOT_SUPPORTED) in every mode, as folders are.
TEST(FileHandle, RefusesAtOnceWhatIsNoRegularFile) {
    const std::string fifo = process_root() + "/fifo.ini", socket_path = process_root() + "/socket.ini";
    for (const char* name : {"/fifo.ini", "/device.ini", "/socket.ini"})
        std::filesystem::remove(process_root() + name);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", process_root() + "/device.ini");
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    socket_path.copy(address.sun_path, socket_path.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    EXPECT_TRUE(testing_support::ends_in_time(
        [] {
            for (const wchar_t* name : {L"\\fifo.ini", L"\\device.ini", L"\\socket.ini"}) {
                for (OpenMode mode : {OpenMode::read_existing, OpenMode::read_write, OpenMode::write_append,
                                      OpenMode::write_truncate, OpenMode::append_each_write}) {
                    FileHandle file;
                    EXPECT_FALSE(file.open(name, mode)) << to_utf8(name) << " " << int(mode);
                    EXPECT_EQ(last_error(), ERROR_NOT_SUPPORTED) << to_utf8(name) << " " << int(mode);
                }
                std::string bytes;
                EXPECT_FALSE(read_file(name, bytes));
            }
        },
        fifo));
    close(listener);
}

TEST(FileHandle, OpensCloseOnExec) {
    FileHandle file;
    ASSERT_TRUE(file.open(L"\\new.bin", OpenMode::write_truncate));
    int found = 0;
    for (auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        auto target = std::filesystem::read_symlink(entry.path(), error);
        if (!error && target.filename() == "new.bin") {
            ++found;
            EXPECT_TRUE(fcntl(std::stoi(entry.path().filename().string()), F_GETFD) & FD_CLOEXEC);
        }
    }
    EXPECT_EQ(found, 1);
}

TEST(WholeFiles, AtomicReplaceKeepsNoTemporary) {
    std::filesystem::create_directories(process_root() + "/atomic");
    ASSERT_TRUE(write_file_atomically(L"\\atomic\\settings.ini", "first"));
    ASSERT_TRUE(write_file_atomically(L"\\atomic\\SETTINGS.INI", "second"));
    std::string bytes;
    ASSERT_TRUE(read_file(L"\\atomic\\settings.ini", bytes));
    EXPECT_EQ(bytes, "second");
    size_t entries = 0;
    for (auto& entry : std::filesystem::directory_iterator(process_root() + "/atomic")) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
    EXPECT_FALSE(write_file_atomically(L"\\no\\such\\folder.ini", "x"));
    EXPECT_FALSE(read_file(L"\\no.ini", bytes));
    EXPECT_TRUE(bytes.empty());
}

// Two threads saving one file at once must each write a whole file of their own: a shared
// temporary name would mix their bytes or lose one rename.
TEST(WholeFiles, ThreadsSavingOneFileNeverMixTheirBytes) {
    std::filesystem::create_directories(process_root() + "/threads");
    const std::string a(1 << 20, 'a'), b(1 << 20, 'b');
    std::atomic<int> failures{0};
    auto saver = [&](const std::string& bytes) {
        for (int i = 0; i < 40; ++i)
            if (!write_file_atomically(L"\\threads\\state.ini", bytes))
                ++failures;
    };
    std::thread first(saver, std::cref(a)), second(saver, std::cref(b));
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    std::string bytes;
    ASSERT_TRUE(read_file(L"\\threads\\state.ini", bytes));
    EXPECT_TRUE(bytes == a || bytes == b);
    size_t entries = 0;
    for (auto& entry : std::filesystem::directory_iterator(process_root() + "/threads")) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

// A save killed before its rename leaves its temporary file; the next save of that file removes
// it, but never the temporary file of a save still running.
TEST(WholeFiles, NextSaveRemovesTheTemporaryOfAKilledSave) {
    const std::string folder = process_root() + "/killed";
    std::filesystem::create_directories(folder);
    pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string dead = "alarms.ini.tmp-" + std::to_string(gone) + "-1";
    const std::string live = "alarms.ini.tmp-" + std::to_string(getpid()) + "-999999";
    for (const std::string& name : {dead, live, std::string("other.ini.tmp-") + std::to_string(gone) + "-1"})
        std::ofstream(folder + "/" + name) << "partial";
    ASSERT_TRUE(write_file_atomically(L"\\killed\\alarms.ini", "whole"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/" + dead));
    EXPECT_TRUE(std::filesystem::exists(folder + "/" + live));
    EXPECT_TRUE(std::filesystem::exists(folder + "/other.ini.tmp-" + std::to_string(gone) + "-1"));
}

TEST(FileOperations, CreateMoveDeleteRemove) {
    EXPECT_TRUE(create_directory(L"\\My Documents"));
    EXPECT_FALSE(create_directory(L"\\my documents"));
    EXPECT_EQ(last_error(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(get_file_attributes(L"\\MY DOCUMENTS") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    write("My Documents/a.wav", "x");
    EXPECT_TRUE(move_file(L"\\My Documents\\A.WAV", L"\\My Documents\\b.wav"));
    EXPECT_EQ(get_file_attributes(L"\\My Documents\\a.wav"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(remove_directory(L"\\My Documents"));
    EXPECT_EQ(last_error(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(delete_file(L"\\My Documents"));
    EXPECT_TRUE(delete_file(L"\\my documents\\B.wav"));
    EXPECT_TRUE(remove_directory(L"\\My Documents"));
}
