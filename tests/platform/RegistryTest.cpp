#include "plat/Paths.h"
#include "plat/Registry.h"
#include "EndsInTime.h"
#include "TempRoot.h"
#include "plat/Text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <csignal>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace plat;
namespace fs = std::filesystem;

namespace {

const wchar_t* const QEVA = L"Software\\QEVA";

// Opens the key, writes or reads one value, closes it: what the base library does per log line.
bool write_dword(std::wstring_view sub_key, std::wstring_view name, uint32_t value) {
    RegKey key = 0;
    if (reg_create_key(HKEY_CURRENT_USER, sub_key, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    bool ok = reg_set_value(key, name, REG_DWORD, &value, 4) == ERROR_SUCCESS;
    reg_close_key(key);
    return ok;
}

bool read_dword(std::wstring_view sub_key, std::wstring_view name, uint32_t& value) {
    RegKey key = 0;
    if (reg_create_key(HKEY_CURRENT_USER, sub_key, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    uint32_t type = 0, size = 4;
    bool ok = reg_query_value(key, name, &type, &value, &size) == ERROR_SUCCESS && type == REG_DWORD && size == 4;
    reg_close_key(key);
    return ok;
}

bool write_text(RegKey key, std::wstring_view name, std::wstring_view text) {
    std::string bytes = to_utf16le(text);
    bytes.append(2, '\0');
    return reg_set_value(key, name, REG_SZ, bytes.data(), uint32_t(bytes.size())) == ERROR_SUCCESS;
}

// Runs body in a child process; true when it exited with 0.
template <typename Body>
bool in_child(Body body) {
    pid_t pid = fork();
    if (pid == 0)
        _exit(body() ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A pid that no process has any more: a child that has exited and been reaped.
pid_t dead_pid() {
    pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

std::vector<std::string> temp_files(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(".tmp-"))
            names.push_back(entry.path().filename().string());
    return names;
}

} // namespace

TEST(Registry, TextIsStoredAsUtf16WithItsTerminator) {
    RegKey key = 0;
    ASSERT_EQ(reg_create_key(HKEY_LOCAL_MACHINE, L"Software\\QEVA\\Chimely", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_TRUE(write_text(key, L"Language", L"\\Program Files\\Chimely\\Fran\u00e7ais \U0001F514.lng"));
    ASSERT_TRUE(write_text(key, L"Empty", L""));

    uint32_t type = 0, size = 0;
    ASSERT_EQ(reg_query_value(key, L"Empty", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 2u);

    // 38 UTF-16 units (the bell is a surrogate pair) plus the terminator.
    ASSERT_EQ(reg_query_value(key, L"Language", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, (38u + 1) * 2);
    std::string bytes(size, '\0');
    ASSERT_EQ(reg_query_value(key, L"Language", &type, bytes.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(from_utf16le(bytes.data(), size - 2), L"\\Program Files\\Chimely\\Fran\u00e7ais \U0001F514.lng");
    reg_close_key(key);

    // The file holds the type, then the bytes exactly as the device keeps them.
    std::ifstream in(registry_folder() + "/HKEY_LOCAL_MACHINE/software/qeva/chimely/=empty", std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(file, std::string("\x01\0\0\0\0\0", 6));
}

TEST(Registry, OneByteProbeAnswersMoreDataWithTheSizeAndType) {
    ASSERT_TRUE(write_dword(QEVA, L"Log", 1));
    RegKey key = 0;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, QEVA, KEY_READ, &key), ERROR_SUCCESS);
    unsigned char probe = 0xAA;
    uint32_t type = 0, size = 1;
    EXPECT_EQ(reg_query_value(key, L"Log", &type, &probe, &size), ERROR_MORE_DATA);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(probe, 0xAA);

    uint32_t value = 0;
    EXPECT_EQ(reg_query_value(key, L"Log", &type, &value, &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(reg_query_value(key, L"Log", nullptr, &value, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_query_value(key, L"Missing", &type, &value, &size), ERROR_FILE_NOT_FOUND);
    reg_close_key(key);
}

TEST(Registry, KeyAndValueNamesMatchIgnoringCase) {
    ASSERT_TRUE(write_dword(L"Software\\QEVA", L"Flicker", 7));
    uint32_t value = 0;
    EXPECT_TRUE(read_dword(L"SOFTWARE\\qeva", L"fLICKER", value));
    EXPECT_EQ(value, 7u);
    ASSERT_TRUE(write_dword(L"software\\Qeva", L"FLICKER", 8));
    EXPECT_TRUE(read_dword(QEVA, L"Flicker", value));
    EXPECT_EQ(value, 8u);
}

TEST(Registry, OpeningACreatesOnlyWithCreate) {
    RegKey key = 0;
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, L"Software\\Nobody", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(reg_create_key(HKEY_CURRENT_USER, L"Software\\Nobody", KEY_READ, &key), ERROR_SUCCESS);
    reg_close_key(key);
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, L"Software\\Nobody", KEY_READ, &key), ERROR_SUCCESS);

    // A key opened for reading cannot change values.
    uint32_t value = 1;
    EXPECT_EQ(reg_set_value(key, L"Log", REG_DWORD, &value, 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg_delete_value(key, L"Log"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg_close_key(key), ERROR_SUCCESS);
    EXPECT_EQ(reg_close_key(key), ERROR_INVALID_HANDLE);

    // A root that the caller failed to parse stays 0: every call fails.
    EXPECT_EQ(reg_create_key(0, L"Software", KEY_ALL_ACCESS, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg_query_value(0, L"Log", nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
}

TEST(Registry, DeleteRemovesTheValueOnly) {
    ASSERT_TRUE(write_dword(QEVA, L"Log", 1));
    ASSERT_TRUE(write_dword(QEVA, L"Flicker", 1));
    RegKey key = 0;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, QEVA, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(reg_delete_value(key, L"LOG"), ERROR_SUCCESS);
    EXPECT_EQ(reg_delete_value(key, L"Log"), ERROR_FILE_NOT_FOUND);
    reg_close_key(key);
    uint32_t value = 0;
    EXPECT_FALSE(read_dword(QEVA, L"Log", value));
    EXPECT_TRUE(read_dword(QEVA, L"Flicker", value));
}

TEST(Registry, NamesNeverLeaveTheStore) {
    testing_support::TempRoot root;
    set_device_root(root.path());
    RegKey key = 0;
    ASSERT_EQ(reg_create_key(HKEY_CURRENT_USER, L"..\\..\\a/b\\%2F\\=x\\.hidden", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_TRUE(write_text(key, L"../../escape", L"x"));
    ASSERT_TRUE(write_text(key, L"", L"default"));
    uint32_t size = 0;
    EXPECT_EQ(reg_query_value(key, L"../../ESCAPE", nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(reg_query_value(key, L"", nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 16u);
    reg_close_key(key);

    // Everything stays inside the store, and no temporary file is left over.
    std::string store = registry_folder();
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root.path())) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        EXPECT_EQ(entry.path().string().rfind(store + "/", 0), 0u) << entry.path();
        EXPECT_EQ(entry.path().filename().string().rfind(".tmp", 0), std::string::npos) << entry.path();
    }
    EXPECT_EQ(files, 2u);
    set_device_root("");
}

TEST(Registry, DamagedValueFileReadsAsMissing) {
    ASSERT_TRUE(write_dword(QEVA, L"Log", 1));
    std::string path = registry_folder() + "/HKEY_CURRENT_USER/software/qeva/=log";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "ab";
    uint32_t value = 5;
    EXPECT_FALSE(read_dword(QEVA, L"Log", value));
    EXPECT_EQ(value, 5u);
}

TEST(Registry, ValueFileThatIsAFifoReadsAsMissingAtOnce) {
    ASSERT_TRUE(write_dword(QEVA, L"Log", 1));
    const std::string path = registry_folder() + "/HKEY_CURRENT_USER/software/qeva/=log";
    std::filesystem::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_TRUE(testing_support::ends_in_time(
        [] {
            uint32_t value = 5;
            EXPECT_FALSE(read_dword(QEVA, L"Log", value));
            EXPECT_EQ(value, 5u);
        },
        path));
}

TEST(Registry, ChangesReachAnotherProcessAtOnce) {
    uint32_t value = 0;
    // Read before each change, so a stale cached copy would show.
    for (uint32_t round = 0; round < 20; ++round) {
        ASSERT_TRUE(in_child([&] { return write_dword(QEVA, L"Log", round % 2); }));
        ASSERT_TRUE(read_dword(QEVA, L"Log", value));
        ASSERT_EQ(value, round % 2) << "round " << round;
    }
    for (uint32_t round = 0; round < 5; ++round) {
        ASSERT_TRUE(write_dword(QEVA, L"Log", 100 + round));
        EXPECT_TRUE(in_child([&] {
            uint32_t seen = 0;
            return read_dword(QEVA, L"Log", seen) && seen == 100 + round;
        }));
    }
    // A value deleted by another process is gone here too.
    ASSERT_TRUE(in_child([] {
        RegKey key = 0;
        return reg_open_key(HKEY_CURRENT_USER, QEVA, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS &&
               reg_delete_value(key, L"Log") == ERROR_SUCCESS;
    }));
    EXPECT_FALSE(read_dword(QEVA, L"Log", value));
}

TEST(Registry, WithoutADeviceRootNothingIsCreated) {
    std::string saved = getenv("CHIMELY_ROOT");
    unsetenv("CHIMELY_ROOT");
    set_device_root("");
    RegKey key = 0;
    EXPECT_EQ(registry_folder(), "");
    EXPECT_EQ(reg_create_key(HKEY_CURRENT_USER, QEVA, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, QEVA, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_query_value(HKEY_CURRENT_USER, L"Log", nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    setenv("CHIMELY_ROOT", saved.c_str(), 1);
    set_device_root("");
    EXPECT_EQ(reg_create_key(HKEY_CURRENT_USER, QEVA, KEY_READ, &key), ERROR_SUCCESS);
    reg_close_key(key);
}

// Writers killed in the middle of a write leave their temporary files; the next write in that
// folder removes those whose writer is dead and leaves a live writer's file alone.
TEST(Registry, TemporaryFilesOfKilledWritersGoWithTheNextWrite) {
    const wchar_t* sub_key = L"Software\\QEVA\\Killed";
    const std::string folder = registry_folder() + "/HKEY_CURRENT_USER/software/qeva/killed";
    RegKey key = 0;
    ASSERT_EQ(reg_create_key(HKEY_CURRENT_USER, sub_key, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const std::string big(256 * 1024, 'v');
    ASSERT_EQ(reg_set_value(key, L"Big", REG_BINARY, big.data(), uint32_t(big.size())), ERROR_SUCCESS);
    std::mt19937 random(7);
    for (int round = 0; round < 30; ++round) {
        pid_t pid = fork();
        if (pid == 0) {
            for (;;)
                reg_set_value(key, L"Big", REG_BINARY, big.data(), uint32_t(big.size()));
        }
        usleep(useconds_t(random() % 3000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    const std::string dead = ".tmp-" + std::to_string(dead_pid()) + "-left";
    const std::string live = ".tmp-" + std::to_string(getpid()) + "-busy";
    std::ofstream(folder + "/" + dead) << "x";
    std::ofstream(folder + "/" + live) << "x";
    ASSERT_GE(temp_files(folder).size(), 2u);

    ASSERT_TRUE(write_dword(sub_key, L"Next", 1));
    EXPECT_EQ(temp_files(folder), std::vector<std::string>{live});
    // The values themselves were never torn.
    std::string read(big.size(), '\0');
    uint32_t type = 0, size = uint32_t(read.size());
    ASSERT_EQ(reg_query_value(key, L"Big", &type, read.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(read, big);
    reg_close_key(key);
}
