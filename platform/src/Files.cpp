#include "plat/Files.h"

#include "PosixIo.h"

#include "plat/Errors.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <optional>

namespace plat {
namespace {

bool fail_with_errno() {
    set_last_error_from_errno(errno);
    return false;
}

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

uint64_t to_file_time(int64_t seconds, int64_t nanoseconds) {
    int64_t units = seconds * 10000000 + nanoseconds / 100;
    return units < -int64_t(FILE_TIME_UNIX_EPOCH) ? 0 : uint64_t(units + int64_t(FILE_TIME_UNIX_EPOCH));
}

// Information about one Linux path, following links; nullopt when it is missing.
std::optional<FindData> look_up(const std::string& path) {
    struct statx sx{};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return std::nullopt;
    FindData data;
    const bool folder = S_ISDIR(sx.stx_mode);
    data.attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (!(sx.stx_mode & S_IWUSR))
        data.attributes = (data.attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_READONLY;
    data.size = folder ? 0 : sx.stx_size;
    data.last_write_time = to_file_time(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    data.last_access_time = to_file_time(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    // Not every file system keeps a birth time; the last write is the closest we have.
    data.creation_time = (sx.stx_mask & STATX_BTIME) ? to_file_time(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                                                     : data.last_write_time;
    return data;
}

std::string real_path(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return {};
    std::string result = real;
    std::free(real);
    return result;
}

// True when the link at link_path points at folder or at one of its ancestors.
bool link_loops(const std::string& link_path, const std::string& folder) {
    std::string target = real_path(link_path);
    if (target.empty())
        return false;
    std::string ancestor = folder.empty() ? std::string(".") : folder;
    for (;;) {
        std::string real = real_path(ancestor);
        if (real == target)
            return true;
        if (ancestor.empty() || ancestor == "/" || ancestor == ".")
            return false;
        size_t slash = ancestor.find_last_of('/');
        if (slash == std::string::npos)
            ancestor = ".";
        else
            ancestor = slash == 0 ? "/" : ancestor.substr(0, slash);
    }
}

bool mask_matches_exactly(std::wstring_view mask, std::wstring_view name) {
    // Iterative wildcard match with one back-tracking point for the last '*'.
    size_t m = 0, n = 0, star = std::wstring_view::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == L'?' || to_lower(mask[m]) == to_lower(name[n]))) {
            ++m, ++n;
        } else if (m < mask.size() && mask[m] == L'*') {
            star = m++;
            resume = n;
        } else if (star != std::wstring_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == L'*')
        ++m;
    return m == mask.size();
}

// 0 for a regular file; the errno that refuses anything else.
int refusal_of(const struct stat& st) {
    return S_ISREG(st.st_mode) ? 0 : S_ISDIR(st.st_mode) ? EISDIR : ENXIO;
}

} // namespace

uint64_t file_time_to_local(uint64_t universal) {
    if (universal < FILE_TIME_UNIX_EPOCH)
        return universal;
    time_t seconds = time_t((universal - FILE_TIME_UNIX_EPOCH) / 10000000);
    struct tm local{};
    if (!localtime_r(&seconds, &local))
        return universal;
    int64_t shifted = int64_t(universal) + int64_t(local.tm_gmtoff) * 10000000;
    return shifted < 0 ? 0 : uint64_t(shifted);
}

FileHandle::~FileHandle() { close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileHandle::open(std::wstring_view device_path, OpenMode mode) {
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::read_existing: flags |= O_RDONLY; break;
    case OpenMode::write_truncate: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case OpenMode::write_append: flags |= O_WRONLY | O_CREAT; break;
    case OpenMode::read_write: flags |= O_RDWR | O_CREAT; break;
    case OpenMode::append_each_write: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    }
    std::string path = native_path(device_path);
    if (path.empty()) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return false;
    }
    int fd = open_regular_file(path, flags);
    if (fd < 0)
        return fail_with_errno();
    if (mode == OpenMode::write_append && lseek(fd, 0, SEEK_END) < 0) {
        int error = errno;
        ::close(fd);
        set_last_error_from_errno(error);
        return false;
    }
    fd_ = fd;
    set_last_error(ERROR_SUCCESS);
    return true;
}

void FileHandle::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool FileHandle::read(void* buffer, uint32_t count, uint32_t& done) {
    done = 0;
    if (fd_ < 0) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(fd_, out + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail_with_errno();
        if (n == 0)
            break;
        done += uint32_t(n);
    }
    return true;
}

bool FileHandle::write(const void* data, uint32_t count, uint32_t& done) {
    done = 0;
    if (fd_ < 0) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    const auto* in = static_cast<const char*>(data);
    while (done < count) {
        ssize_t n = ::write(fd_, in + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? fail_with_errno() : (set_last_error(ERROR_DISK_FULL), false);
        done += uint32_t(n);
    }
    return true;
}

bool FileHandle::seek(int64_t offset, SeekFrom from, uint64_t& position) {
    if (fd_ < 0) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    int whence = from == SeekFrom::begin ? SEEK_SET : from == SeekFrom::current ? SEEK_CUR : SEEK_END;
    off_t result = lseek(fd_, off_t(offset), whence);
    if (result < 0)
        return fail_with_errno();
    position = uint64_t(result);
    return true;
}

bool FileHandle::size(uint64_t& bytes) {
    struct stat st{};
    if (fd_ < 0 || fstat(fd_, &st) != 0) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    bytes = uint64_t(st.st_size);
    return true;
}

bool FileHandle::truncate_here() {
    uint64_t position = 0;
    if (!seek(0, SeekFrom::current, position))
        return false;
    return ftruncate(fd_, off_t(position)) == 0 || fail_with_errno();
}

bool FileHandle::try_lock_exclusive() { return fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }

bool FileHandle::lock_shared() {
    while (fd_ >= 0) {
        if (::flock(fd_, LOCK_SH) == 0)
            return true;
        if (errno != EINTR)
            return fail_with_errno();
    }
    return false;
}

bool FileHandle::flush() {
    if (fd_ < 0) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    return fdatasync(fd_) == 0 || fail_with_errno();
}

bool mask_matches(std::wstring_view mask, std::wstring_view name) {
    if (mask_matches_exactly(mask, name))
        return true;
    // "x.*" also names "x" itself, as on the device.
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == L".*" &&
        name.find(L'.') == std::wstring_view::npos)
        return mask_matches_exactly(mask.substr(0, mask.size() - 2), name);
    return false;
}

bool FileFinder::first(std::wstring_view pattern, FindData& data) {
    close();
    size_t split = pattern.size();
    while (split > 0 && !is_separator(pattern[split - 1]))
        --split;
    std::wstring_view mask = pattern.substr(split);
    if (mask.empty()) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return false;
    }
    std::string folder = split == 0 ? std::string() : native_path(pattern.substr(0, split));
    if (split > 0 && folder.empty()) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return false;
    }
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return false;
    }
    while (dirent* entry = readdir(dir)) {
        std::string raw = entry->d_name;
        if (raw == "." || raw == "..")
            continue;
        std::wstring name = from_utf8(raw);
        if (!mask_matches(mask, name))
            continue;
        std::string full = folder.empty() ? raw : (folder.back() == '/' ? folder + raw : folder + "/" + raw);
        std::optional<FindData> found = look_up(full);
        if (!found)
            continue;  // a dangling link names nothing that could be opened
        if ((found->attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            struct stat st{};
            if (lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && link_loops(full, folder))
                continue;
        }
        found->name = std::move(name);
        matches_.push_back(std::move(*found));
    }
    closedir(dir);
    std::sort(matches_.begin(), matches_.end(), [](const FindData& a, const FindData& b) {
        int order = compare_no_case(a.name, b.name);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    if (matches_.empty()) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return false;
    }
    return next(data);
}

bool FileFinder::next(FindData& data) {
    if (next_ >= matches_.size()) {
        set_last_error(ERROR_NO_MORE_FILES);
        return false;
    }
    data = matches_[next_++];
    set_last_error(ERROR_SUCCESS);
    return true;
}

void FileFinder::close() {
    matches_.clear();
    next_ = 0;
}

uint32_t get_file_attributes(std::wstring_view device_path) {
    std::optional<FindData> found = look_up(native_path(device_path));
    if (!found) {
        set_last_error_from_errno(errno);
        return INVALID_FILE_ATTRIBUTES;
    }
    set_last_error(ERROR_SUCCESS);
    return found->attributes;
}

bool delete_file(std::wstring_view device_path) {
    std::string path = native_path(device_path);
    struct stat st{};
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        set_last_error(ERROR_ACCESS_DENIED);
        return false;
    }
    return unlink(path.c_str()) == 0 || fail_with_errno();
}

bool remove_directory(std::wstring_view device_path) {
    return rmdir(native_path(device_path).c_str()) == 0 || fail_with_errno();
}

bool create_directory(std::wstring_view device_path) {
    return mkdir(native_path(device_path).c_str(), 0777) == 0 || fail_with_errno();
}

bool move_file(std::wstring_view from, std::wstring_view to) {
    return rename(native_path(from).c_str(), native_path(to).c_str()) == 0 || fail_with_errno();
}

bool read_file(std::wstring_view device_path, std::string& bytes) {
    bytes.clear();
    FileHandle file;
    uint64_t size = 0;
    if (!file.open(device_path, OpenMode::read_existing) || !file.size(size))
        return false;
    if (size > UINT32_MAX) {
        set_last_error(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    bytes.resize(size_t(size));
    uint32_t done = 0;
    if (!file.read(bytes.data(), uint32_t(size), done))
        return false;
    bytes.resize(done);
    return true;
}

int open_regular_file(const std::string& path, int flags, mode_t mode) {
    // What is known to be no regular file is not opened at all: opening a device may act on it.
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0 && refusal_of(st) != 0) {
        errno = refusal_of(st);
        return -1;
    }
    // Non-blocking, for what takes the path's place meanwhile.
    int fd = ::open(path.c_str(), flags | O_NONBLOCK, mode);
    if (fd < 0)
        return -1;
    int refusal = fstat(fd, &st) != 0 ? errno : refusal_of(st);
    if (refusal == 0 && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        refusal = errno;
    if (refusal != 0) {
        ::close(fd);
        errno = refusal;
        return -1;
    }
    return fd;
}

void remove_dead_writers_files(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (!name.starts_with(prefix))
            continue;
        name.remove_prefix(prefix.size());
        pid_t pid = 0;
        size_t digits = 0;
        for (; digits < name.size() && digits < 9 && name[digits] >= '0' && name[digits] <= '9'; ++digits)
            pid = pid * 10 + (name[digits] - '0');
        if (digits == 0 || digits >= name.size() || name[digits] != '-' || pid <= 0)
            continue;
        // EPERM: alive under another user. A reused pid only delays the removal.
        if (::kill(pid, 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

bool write_whole_file_atomically(const std::string& target, std::string_view bytes) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string prefix = target.substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp-";
    remove_dead_writers_files(folder, prefix);
    // A name of this save alone: two threads saving one file must not share a temporary file.
    static std::atomic<uint64_t> saves{0};
    std::string temp = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(++saves);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    int error = write_all(fd, bytes.data(), bytes.size()) ? 0 : errno;
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        errno = error;
        return false;
    }
    return true;
}

bool write_file_atomically(std::wstring_view device_path, std::string_view bytes) {
    std::string target = native_path(device_path);
    if (target.empty()) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (!write_whole_file_atomically(target, bytes))
        return fail_with_errno();
    set_last_error(ERROR_SUCCESS);
    return true;
}

} // namespace plat
