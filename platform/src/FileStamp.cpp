#include "plat/FileStamp.h"

#include "plat/Paths.h"

#include <sys/stat.h>

namespace plat {

bool get_file_stamp(std::wstring_view device_path, FileStamp& stamp) {
    struct stat info {};
    if (::stat(native_path(device_path).c_str(), &info) != 0)
        return false;
    stamp.device = uint64_t(info.st_dev);
    stamp.inode = uint64_t(info.st_ino);
    stamp.write_seconds = int64_t(info.st_mtim.tv_sec);
    stamp.write_nanoseconds = int64_t(info.st_mtim.tv_nsec);
    stamp.size = uint64_t(info.st_size);
    return true;
}

} // namespace plat
