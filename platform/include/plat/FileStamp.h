#pragma once
#include <cstdint>
#include <string_view>

// What tells one version of a file from the next: the file itself (a file
// replaced by a rename is another file) and its last write to the
// nanosecond. Two writes within one second of the device's file times
// still differ here.
namespace plat {

struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t write_seconds = 0;
    int64_t write_nanoseconds = 0;
    uint64_t size = 0;

    bool operator==(const FileStamp&) const = default;
};

// False, with the stamp left as it is, when the path does not exist.
bool get_file_stamp(std::wstring_view device_path, FileStamp& stamp);

} // namespace plat
