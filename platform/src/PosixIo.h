#pragma once
#include <cerrno>
#include <cstddef>
#include <string>
#include <unistd.h>

namespace plat {

// Writes every byte, retrying after signals; false with errno set (ENOSPC when a write took
// nothing).
inline bool write_all(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

// Temporary files of whole-file rewrites are named prefix + writer's pid + "-" + something
// unique. A writer killed mid-write leaves its file behind; the next write in that folder calls
// this to remove the files under prefix whose writer is no longer alive (a live writer's file
// is never touched; Files.cpp).
void remove_dead_writers_files(const std::string& folder, const std::string& prefix);

} // namespace plat
