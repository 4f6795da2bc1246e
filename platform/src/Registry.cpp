#include "plat/Registry.h"

#include "PosixIo.h"

#include "plat/Paths.h"
#include "plat/Text.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace plat {
namespace {

constexpr size_t TYPE_BYTES = 4;
// Temporary value files: the prefix, the writer's pid, '-' and a unique tail.
constexpr char temp_prefix[] = ".tmp-";
// A value file larger than this is not ours; it reads as missing.
constexpr off_t MAX_VALUE_FILE = 64 * 1024 * 1024;

struct OpenKey {
    std::string folder;
    uint32_t access = 0;
};

// What a value file held the last time it was read, and how to know it is
// still the same file: writes rename a new file over the old one, and every
// write gives the new file a later modification time than the one it replaces.
struct CachedValue {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t mtime_ns = 0;
    uint32_t type = REG_NONE;
    std::string bytes;
};

struct Store {
    std::mutex mutex;
    std::map<RegKey, OpenKey> keys;
    RegKey next_key = 1;
    std::unordered_map<std::string, CachedValue> cache;
    // Key folders made or seen here; keys are never deleted, so opening one of
    // these again needs no system call (the log opens its key on every line).
    std::unordered_set<std::string> known_keys;
    std::string cached_root;
    std::string cached_folder;
};

// Never destroyed: a sound thread may still trace, and so read "Log", while the process exits.
Store& store() {
    static Store* s = new Store;
    return *s;
}

int64_t mtime_ns_of(const struct stat& st) {
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool same_file(const CachedValue& cached, const struct stat& st) {
    return cached.device == st.st_dev && cached.inode == st.st_ino && cached.size == st.st_size &&
           cached.mtime_ns == mtime_ns_of(st);
}

const char* hive_name(RegKey root) {
    switch (root) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    default: return nullptr;
    }
}

// Names are stored lower-cased, so a lookup is one exact stat. '/' and '%'
// are escaped; a key name never starts with '.' or '=' (temp files and values
// do), a value file is '=' + name.
std::string escape_name(std::wstring_view name, bool is_key) {
    std::string utf8 = to_utf8(to_lower(name));
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        bool escape = c == '/' || c == '%' || c == 0 || (is_key && i == 0 && (c == '.' || c == '='));
        if (escape) {
            static const char hex[] = "0123456789ABCDEF";
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return is_key ? out : "=" + out;
}

std::string value_path(const std::string& key_folder, std::wstring_view name) {
    return key_folder + "/" + escape_name(name, false);
}

// Store folder of the current root (caller holds store().mutex); the root rarely
// changes. Empty without a device root: a tool run outside any device tree
// must not grow a registry in the host's "/".
const std::string& store_folder() {
    std::string root = device_root_found() ? device_root() : std::string();
    if (root != store().cached_root) {
        store().cached_root = root;
        store().cached_folder = root.empty() ? std::string() : native_path(L"\\windows\\registry");
    }
    return store().cached_folder;
}

// Folder of a key handle (caller holds store().mutex).
bool folder_of(RegKey key, std::string& folder, uint32_t& access) {
    if (const char* hive = hive_name(key)) {
        if (store_folder().empty())
            return false;
        folder = store_folder() + "/" + hive;
        access = KEY_ALL_ACCESS;
        return true;
    }
    auto it = store().keys.find(key);
    if (it == store().keys.end())
        return false;
    folder = it->second.folder;
    access = it->second.access;
    return true;
}

// Folder of a key handle opened with the given right (caller holds store().mutex).
uint32_t folder_with_right(RegKey key, uint32_t right, std::string& folder) {
    uint32_t access = 0;
    if (!folder_of(key, folder, access))
        return ERROR_INVALID_HANDLE;
    return (access & right) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

bool is_folder(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates every missing folder of path below base (base included).
bool make_folders(const std::string& path) {
    if (is_folder(path))
        return true;
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST && !is_folder(part))
            return false;
    }
    return is_folder(path);
}

uint32_t open_key(RegKey root, std::wstring_view sub_key, uint32_t access, RegKey* result, bool create) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(store().mutex);
    std::string folder;
    uint32_t parent_access = 0;
    if (hive_name(root) && store_folder().empty())
        return create ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    if (!folder_of(root, folder, parent_access))
        return ERROR_INVALID_HANDLE;
    size_t start = 0;
    while (start <= sub_key.size()) {
        size_t end = sub_key.find(L'\\', start);
        if (end == std::wstring_view::npos)
            end = sub_key.size();
        if (end > start)
            folder += "/" + escape_name(sub_key.substr(start, end - start), true);
        start = end + 1;
    }
    if (!store().known_keys.contains(folder)) {
        if (create ? !make_folders(folder) : !is_folder(folder))
            return create ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        store().known_keys.insert(folder);
    }
    RegKey key = store().next_key++;
    store().keys[key] = OpenKey{folder, access};
    *result = key;
    return ERROR_SUCCESS;
}

// Reads the value file through the cache (caller holds store().mutex).
const CachedValue* load_value(const std::string& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        store().cache.erase(path);
        return nullptr;
    }
    auto it = store().cache.find(path);
    if (it != store().cache.end() && same_file(it->second, st))
        return &it->second;

    int fd = open_regular_file(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        store().cache.erase(path);
        return nullptr;
    }
    CachedValue value;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= off_t(TYPE_BYTES) &&
              st.st_size <= MAX_VALUE_FILE;
    std::string content;
    if (ok) {
        content.resize(size_t(st.st_size));
        size_t done = 0;
        while (done < content.size()) {
            ssize_t n = ::read(fd, content.data() + done, content.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += size_t(n);
        }
        ok = done == content.size();
    }
    ::close(fd);
    if (!ok) {
        store().cache.erase(path);
        return nullptr;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(content.data());
    value.type = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    value.bytes = content.substr(TYPE_BYTES);
    value.device = st.st_dev;
    value.inode = st.st_ino;
    value.size = st.st_size;
    value.mtime_ns = mtime_ns_of(st);
    CachedValue& slot = store().cache[path];
    slot = std::move(value);
    return &slot;
}

// Writes the value file through a temporary file in the key's folder.
uint32_t store_value(const std::string& folder, const std::string& path, uint32_t type, const void* data,
                 uint32_t size) {
    std::string content(TYPE_BYTES + size, '\0');
    for (size_t i = 0; i < TYPE_BYTES; ++i)
        content[i] = char((type >> (8 * i)) & 0xFF);
    if (size)
        std::memcpy(content.data() + TYPE_BYTES, data, size);

    remove_dead_writers_files(folder, temp_prefix);
    std::string temp = folder + "/" + temp_prefix + std::to_string(::getpid()) + "-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return set_last_error_from_errno(errno);
    // A later time than the file it replaces, so readers that cache by
    // (inode, size, time) never mistake the new value for an old one.
    struct timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct stat old{};
    if (::stat(path.c_str(), &old) == 0) {
        int64_t old_ns = mtime_ns_of(old);
        int64_t now_ns = int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
        if (now_ns <= old_ns) {
            now.tv_sec = time_t((old_ns + 1) / 1000000000);
            now.tv_nsec = long((old_ns + 1) % 1000000000);
        }
    }
    struct timespec times[2] = {now, now};
    bool ok = ::fchmod(fd, 0644) == 0 && write_all(fd, content.data(), content.size()) && ::fsync(fd) == 0 &&
              ::futimens(fd, times) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0)
        return ERROR_SUCCESS;
    int error = errno;
    ::unlink(temp.c_str());
    return set_last_error_from_errno(error ? error : EIO);
}

} // namespace

std::string registry_folder() {
    std::lock_guard lock(store().mutex);
    return store_folder();
}

uint32_t reg_create_key(RegKey root, std::wstring_view sub_key, uint32_t access, RegKey* result) {
    return open_key(root, sub_key, access, result, true);
}

uint32_t reg_open_key(RegKey root, std::wstring_view sub_key, uint32_t access, RegKey* result) {
    return open_key(root, sub_key, access, result, false);
}

uint32_t reg_close_key(RegKey key) {
    std::lock_guard lock(store().mutex);
    if (hive_name(key))
        return ERROR_SUCCESS;
    return store().keys.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

uint32_t reg_query_value(RegKey key, std::wstring_view name, uint32_t* type, void* data, uint32_t* size) {
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(store().mutex);
    std::string folder;
    if (uint32_t rc = folder_with_right(key, KEY_QUERY_VALUE, folder); rc != ERROR_SUCCESS)
        return rc;
    const CachedValue* value = load_value(value_path(folder, name));
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    uint32_t needed = uint32_t(value->bytes.size());
    if (!size)
        return ERROR_SUCCESS;
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data && needed)
        std::memcpy(data, value->bytes.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

uint32_t reg_set_value(RegKey key, std::wstring_view name, uint32_t type, const void* data, uint32_t size) {
    if (size && !data)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(store().mutex);
    std::string folder;
    if (uint32_t rc = folder_with_right(key, KEY_SET_VALUE, folder); rc != ERROR_SUCCESS)
        return rc;
    if (!make_folders(folder))
        return set_last_error_from_errno(errno ? errno : EIO);
    std::string path = value_path(folder, name);
    store().cache.erase(path);
    return store_value(folder, path, type, data, size);
}

uint32_t reg_delete_value(RegKey key, std::wstring_view name) {
    std::lock_guard lock(store().mutex);
    std::string folder;
    if (uint32_t rc = folder_with_right(key, KEY_SET_VALUE, folder); rc != ERROR_SUCCESS)
        return rc;
    std::string path = value_path(folder, name);
    store().cache.erase(path);
    if (::unlink(path.c_str()) == 0)
        return ERROR_SUCCESS;
    return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
}

} // namespace plat
