// Registry values over arbitrary stored bytes: the value file (4 bytes of type,
// then the data) is what another process or a damaged disk may leave behind.
#include "base/Registry.h"
#include "fuzz_root.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

namespace {

const std::string& value_file() {
    static const std::string path = [] {
        std::string folder = fuzz::fuzz_root() + "/windows/registry/HKEY_CURRENT_USER/fuzz";
        std::filesystem::create_directories(folder);
        return folder + "/=v";
    }();
    return path;
}

// The store keeps what it read while the file's inode, size and time stay; a fresh
// time for every input makes it read each one.
void store(const uint8_t* data, size_t size) {
    static int64_t tick = 0;
    fuzz::write_input("value", data, size);
    const std::string input = fuzz::fuzz_root() + "/value";
    ++tick;
    struct timespec times[2] = {{tick / 1000000000, long(tick % 1000000000)}, {tick / 1000000000, long(tick % 1000000000)}};
    if (::utimensat(AT_FDCWD, input.c_str(), times, 0) != 0 || std::rename(input.c_str(), value_file().c_str()) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    store(data, size);
    const uint32_t type = size >= 4 ? uint32_t(data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24) : 0;
    const std::wstring key = L"HKEY_CURRENT_USER\\fuzz";

    uint32_t number = 0xA5A5A5A5u;
    if (!liba::read_registry_dword(key, L"v", number))
        __builtin_trap();
    const bool is_dword = size == 8 && type == 4;
    const uint32_t stored = is_dword ? uint32_t(data[4] | data[5] << 8 | data[6] << 16 | uint32_t(data[7]) << 24) : 0;
    if (is_dword ? number != stored : number != 0xA5A5A5A5u)
        __builtin_trap();

    // A value of at most one byte reads as empty text whatever its type.
    std::wstring text = L"\x1F";
    const bool read = liba::read_registry_string(key, L"v", text);
    if (read != ((size > 4 && type == 1) || size == 4 || size == 5))
        __builtin_trap();
    if (read && (text.find(L'\0') != std::wstring::npos || text.size() > (size - 4) / 2))
        __builtin_trap();
    return 0;
}
