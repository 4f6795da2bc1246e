#pragma once
// A private device root for one fuzzer process: the parsers under test read
// files, so each input is written into it first. Removed at a normal exit.
#include "plat/Paths.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzz {

inline const std::string& fuzz_root() {
    // Never destroyed: the exit handler below still needs it.
    static const std::string& root = *new std::string([] {
        // Memory-backed when there is one: every input is a file write.
        std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        folder += "/chimely-fuzz-XXXXXX";
        if (!::mkdtemp(folder.data()))
            std::abort();
        plat::set_device_root(folder);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(fuzz_root(), ignored);
        });
        return folder;
    }());
    return root;
}

// Writes the bytes as the file name (no folders) in the root; its device path is "\" + name.
inline void write_input(const char* name, const uint8_t* data, size_t size) {
    std::string path = fuzz_root() + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0)
        std::abort();
}

} // namespace fuzz
