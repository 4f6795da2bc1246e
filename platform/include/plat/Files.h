#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Files and folders of the device, by device path (see Paths.h). Failures set
// the thread's last error (Errors.h).
namespace plat {

constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// File times are the device's: 100-ns units since 1601-01-01, universal time.
constexpr uint64_t FILE_TIME_UNIX_EPOCH = 116444736000000000ull;
// Universal to local file time with the time zone of the moment given.
uint64_t file_time_to_local(uint64_t universal);

enum class OpenMode {
    read_existing,   // read; the file must exist
    write_truncate,  // write; created, or emptied when it exists
    write_append,    // write; opened or created, positioned at the end
    read_write,      // read and write; opened or created
    append_each_write,  // write; opened or created; every write lands at the end, whoever else writes
};

enum class SeekFrom { begin, current, end };

// An open file; closed by the destructor. Movable, not copyable.
class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Never blocks. Folders are refused (ERROR_ACCESS_DENIED) as on the device, and so is
    // whatever else is no regular file, a FIFO, a device or a socket (ERROR_NOT_SUPPORTED).
    bool open(std::wstring_view device_path, OpenMode mode);
    void close();
    bool is_open() const { return fd_ >= 0; }

    // done gets the byte count; a short read is the end of the file.
    bool read(void* buffer, uint32_t count, uint32_t& done);
    bool write(const void* data, uint32_t count, uint32_t& done);
    bool seek(int64_t offset, SeekFrom from, uint64_t& position);
    bool size(uint64_t& bytes);
    // Cuts (or extends) the file at the current position.
    bool truncate_here();
    // Advisory whole-file locks of this open file, released on close: the
    // exclusive one only when nobody holds any; the shared one waits while
    // someone holds the exclusive one.
    bool try_lock_exclusive();
    bool lock_shared();
    bool flush();

private:
    int fd_ = -1;
};

// One entry of a folder search or a look-up.
struct FindData {
    std::wstring name;  // the name as stored, without its folder
    uint32_t attributes = INVALID_FILE_ATTRIBUTES;
    uint64_t size = 0;
    uint64_t creation_time = 0;  // universal file times
    uint64_t last_access_time = 0;
    uint64_t last_write_time = 0;
};

// Masks: '*' any run, '?' one character, letter case ignored; a mask ending
// in ".*" also matches names without a dot, so "*.*" matches everything.
bool mask_matches(std::wstring_view mask, std::wstring_view name);

// Folder search over "folder\mask" (a bare mask searches the current folder).
// Entries come sorted ignoring case; "." and ".." are never listed; a link to
// a folder that contains the searched folder is left out, so walks never loop.
class FileFinder {
public:
    // false with ERROR_FILE_NOT_FOUND (no match) or ERROR_PATH_NOT_FOUND (no folder).
    bool first(std::wstring_view pattern, FindData& data);
    // false with ERROR_NO_MORE_FILES at the end.
    bool next(FindData& data);
    void close();

private:
    std::vector<FindData> matches_;
    size_t next_ = 0;
};

// INVALID_FILE_ATTRIBUTES when the path does not exist.
uint32_t get_file_attributes(std::wstring_view device_path);
bool delete_file(std::wstring_view device_path);
bool remove_directory(std::wstring_view device_path);
bool create_directory(std::wstring_view device_path);
// Renames, replacing an existing target.
bool move_file(std::wstring_view from, std::wstring_view to);

// Whole-file helpers. write_file_atomically writes a temporary file in the
// same folder and renames it over the target, so the old contents survive
// any failure.
bool read_file(std::wstring_view device_path, std::string& bytes);
bool write_file_atomically(std::wstring_view device_path, std::string_view bytes);

} // namespace plat
