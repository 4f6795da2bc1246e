#pragma once
#include <cerrno>
#include <cstddef>
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

} // namespace plat
