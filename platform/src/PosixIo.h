#pragma once
#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/types.h>
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

// flock(2), retried after signals.
inline int flock_retrying(int fd, int operation) {
    int result;
    do
        result = ::flock(fd, operation);
    while (result != 0 && errno == EINTR);
    return result;
}

// open(2) that never blocks on what a user may put in place of a file: a FIFO, a device or a
// socket would hold the open or the reads after it for ever, so anything but a regular file is
// refused (-1, errno ENXIO; a folder EISDIR), without opening it when that shows beforehand. The
// descriptor returned is blocking again.
int open_regular_file(const std::string& path, int flags, mode_t mode = 0666);

// Temporary files of whole-file rewrites are named prefix + writer's pid + "-" + something
// unique. A writer killed mid-write leaves its file behind; the next write in that folder calls
// this to remove the files under prefix whose writer is no longer alive (a live writer's file
// is never touched; Files.cpp).
void remove_dead_writers_files(const std::string& folder, const std::string& prefix);

// Writes bytes to a temporary file beside the Linux path and renames it over the path, so the old
// contents survive any failure; the temporary files of dead writers are removed first. False with
// errno set.
bool write_whole_file_atomically(const std::string& path, std::string_view bytes);

} // namespace plat
