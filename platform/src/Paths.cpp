#include "plat/Paths.h"

#include "FolderListings.h"
#include "RuntimeFolder.h"
#include "plat/Text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <vector>

namespace plat {
namespace {

struct PathState {
    std::mutex lock;
    std::optional<std::string> root;  // cached once looked up
    bool root_found = false;
    std::string real_root;  // the root with its links resolved, once it exists; "" before
    std::optional<std::wstring> module_override;
    std::optional<std::string> program;  // /proc/self/exe, read once: the name the program was started under
    FolderListings folders;
};

// Never destroyed: threads may still open files (the log) while the process exits.
PathState& state() {
    static PathState* s = new PathState;
    return *s;
}

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::string strip_trailing_slashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string current_folder() {
    std::vector<char> buffer(PATH_MAX);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string make_absolute(const std::string& path) {
    if (path.empty() || path[0] == '/')
        return path;
    std::string cwd = current_folder();
    return cwd == "/" ? "/" + path : cwd + "/" + path;
}

std::string read_executable_path() {
    std::vector<char> buffer(1024);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (size_t(n) < buffer.size())
            return std::string(buffer.data(), size_t(n));
        buffer.resize(buffer.size() * 2);
    }
}

// Caller holds s.lock.
const std::string& executable_path(PathState& s) {
    if (!s.program)
        s.program = read_executable_path();
    return *s.program;
}

void look_up_root(PathState& s) {
    if (s.root)
        return;
    s.real_root.clear();
    const char* env = std::getenv("CHIMELY_ROOT");
    if (env && *env) {
        s.root = strip_trailing_slashes(make_absolute(env));
        s.root_found = true;
    } else if (std::string from_exe = root_from_program_path(executable_path(s)); !from_exe.empty()) {
        s.root = from_exe;
        s.root_found = true;
    } else {
        s.root = "/";
        s.root_found = false;
    }
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool exists(const std::string& path) {
    struct stat st{};
    return lstat(path.c_str(), &st) == 0;
}

uint64_t fnv1a(const std::string& text) {
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// A private folder: made with mode 0700 and refused unless it is a real
// folder of ours with no access for others.
bool make_private_folder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st{};
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return false;
    if ((st.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0)
        return false;
    return true;
}

} // namespace

std::string root_from_program_path(const std::string& program_path) {
    const std::string marker = "/Program Files/";
    size_t at = program_path.rfind(marker);
    if (at == std::string::npos)
        return {};
    return at == 0 ? std::string("/") : program_path.substr(0, at);
}

std::string device_root() {
    PathState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    look_up_root(s);
    return *s.root;
}

void set_device_root(const std::string& linux_path) {
    PathState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.root.reset();
    s.real_root.clear();
    if (!linux_path.empty()) {
        s.root = strip_trailing_slashes(make_absolute(linux_path));
        s.root_found = true;
    }
}

bool device_root_found() {
    PathState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    look_up_root(s);
    return s.root_found;
}

std::string device_root_problem(bool must_hold_program) {
    if (!device_root_found())
        return "no device root: set CHIMELY_ROOT to a device tree, or start the program from inside one "
               "(ROOT/Program Files/...)";
    if (!must_hold_program)
        return {};
    const std::string root = device_root();
    struct stat st{};
    if (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return "the device root " + root + " (CHIMELY_ROOT) is not a folder";
    if (!exists(native_path(L"\\Program Files")))
        return "the device root " + root + " has no program files (no " + join(root, "Program Files") +
               "); is CHIMELY_ROOT mistyped?";
    std::string program;
    {
        std::lock_guard<std::mutex> guard(state().lock);
        program = executable_path(state());
    }
    struct stat inside{};
    if (!program.empty() && (stat(native_path(module_file_name()).c_str(), &inside) != 0 ||
                             stat(program.c_str(), &st) != 0 || inside.st_ino != st.st_ino || inside.st_dev != st.st_dev))
        return "the device root " + root + " does not hold this program (" + program +
               "): set CHIMELY_ROOT to the device tree the program is in, or unset it";
    return {};
}

std::string native_path(std::wstring_view device_path) {
    if (device_path.empty())
        return {};
    const bool absolute = is_separator(device_path[0]);
    const std::string root = absolute ? device_root() : std::string();

    // Split into components; "." is dropped and ".." goes one up, never above
    // the root, so no device path leads outside it.
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= device_path.size()) {
        size_t end = start;
        while (end < device_path.size() && !is_separator(device_path[end]))
            ++end;
        std::wstring part(device_path.substr(start, end - start));
        if (part == L"..") {
            if (!parts.empty() && parts.back() != L"..")
                parts.pop_back();
            else if (!absolute)
                parts.push_back(part);
        } else if (!part.empty() && part != L".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }

    // The path as spelt, and where each component of it ends.
    std::string spelt_path = root;
    std::vector<size_t> ends;
    for (const std::wstring& part : parts) {
        spelt_path = join(spelt_path, to_utf8(part));
        ends.push_back(spelt_path.size());
    }
    // Components that exist as spelt need no lookup. A prefix exists only if every shorter one
    // does, so the longest existing one is found from the end: one call for a path that exists,
    // two for a missing name in an existing folder (whose lookup tells that the folder is there).
    const size_t count = parts.size();
    if (count == 0 || exists(spelt_path))
        return spelt_path.empty() ? (absolute ? root : ".") : spelt_path;
    const std::string parent = count > 1 ? spelt_path.substr(0, ends[count - 2]) : root;
    if (parts.back() != L"..") {
        FolderListings::Match last = state().folders.find_ignoring_case(parent, to_utf8(parts.back()));
        if (last.folder_exists)
            return join(parent, last.entry ? *last.entry : to_utf8(parts.back()));
    }
    size_t spelt = count - 1;
    while (spelt > 0 && !exists(spelt_path.substr(0, ends[spelt - 1])))
        --spelt;

    std::string result = spelt > 0 ? spelt_path.substr(0, ends[spelt - 1]) : root;
    bool folder_exists = true;  // once a component is missing, no later one can be found
    for (size_t i = spelt; i < count; ++i) {
        std::string name = to_utf8(parts[i]);
        // Component number spelt is known to be missing as spelt.
        if (folder_exists && parts[i] != L".." && (i == spelt || !exists(join(result, name)))) {
            if (auto other = state().folders.find_ignoring_case(result, name).entry)
                name = *other;
            else
                folder_exists = false;
        }
        result = join(result, name);
    }
    if (result.empty())
        result = absolute ? root : ".";
    return result;
}

namespace {

// The part of an absolute path inside the root ("/" for the root itself); false outside it.
bool path_inside(const std::string& path, const std::string& root, std::string& inside) {
    if (root.empty())
        return false;
    if (root == "/")
        inside = path;
    else if (path == root)
        inside = "/";
    else if (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/')
        inside = path.substr(root.size());
    else
        return false;
    return true;
}

// The root with its links resolved: the running program's own path (/proc/self/exe)
// has none, while CHIMELY_ROOT or a home folder may be reached through one.
std::string real_device_root() {
    const std::string root = device_root();
    PathState& s = state();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        if (!s.real_root.empty())
            return s.real_root;
    }
    char* real = realpath(root.c_str(), nullptr);
    if (!real)
        return {};
    std::string resolved = real;
    std::free(real);
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.root && *s.root == root)
        s.real_root = resolved;
    return resolved;
}

} // namespace

std::wstring device_path(const std::string& linux_path) {
    std::string path = make_absolute(linux_path);
    std::string inside;
    if (!path_inside(path, device_root(), inside) && !path_inside(path, real_device_root(), inside))
        return from_utf8(linux_path);
    std::wstring result = from_utf8(inside);
    for (wchar_t& c : result)
        if (c == L'/')
            c = L'\\';
    return result;
}

std::wstring module_file_name() {
    std::string exe;
    {
        PathState& s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        if (s.module_override)
            return *s.module_override;
        exe = executable_path(s);
    }
    return exe.empty() ? std::wstring() : device_path(exe);
}

void set_module_file_name(std::wstring_view device_path) {
    PathState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (device_path.empty())
        s.module_override.reset();
    else
        s.module_override = std::wstring(device_path);
}

std::wstring special_folder(int csidl) {
    switch (csidl) {
    case CSIDL_PERSONAL: return L"\\My Documents";
    case CSIDL_WINDOWS: return L"\\windows";
    case CSIDL_STARTUP: return L"\\windows\\StartUp";
    case CSIDL_PROGRAMS: return L"\\windows\\Start Menu\\Programs";
    case CSIDL_STARTMENU: return L"\\windows\\Start Menu";
    case CSIDL_PROGRAM_FILES: return L"\\Program Files";
    default: return {};
    }
}

std::string runtime_dir() {
    std::string base;
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    struct stat st{};
    if (xdg && *xdg == '/' && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) {
        base = join(xdg, "chimely");
    } else {
        base = "/tmp/chimely-" + std::to_string(getuid());
    }
    if (!make_private_folder(base))
        return {};

    // Two spellings of one root meet in the same folder.
    std::string root = real_device_root();
    if (root.empty())
        root = device_root();
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(root)));
    std::string folder = join(base, hash);
    if (!enter_runtime_folder(base, folder, make_private_folder))
        return {};
    return folder;
}

} // namespace plat
