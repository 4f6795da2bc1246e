#include "plat/WakeUp.h"

#include "PosixIo.h"
#include "WakeUpDetail.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plat {
namespace {

constexpr char registration_suffix[] = ".wakeup";
constexpr size_t max_registration_size = 64 * 1024;

std::mutex waker_mutex;
bool waker_overridden = false;
std::string waker_override;

// Whatever takes a registration's name, only a regular file is read: a FIFO would block.
bool read_file(const std::string& path, std::string& bytes) {
    const int fd = open_regular_file(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bytes.clear();
    char buffer[4096];
    ssize_t n = 0;
    while (bytes.size() <= max_registration_size && (n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, size_t(n));
    ::close(fd);
    return n >= 0 && bytes.size() <= max_registration_size;
}

// The file holds the time on its first line and the program on the second.
bool parse_registration(const std::string& bytes, WakeUpRegistration& reg) {
    size_t eol = bytes.find('\n');
    if (eol == std::string::npos || !parse_local_time(std::string_view(bytes).substr(0, eol), reg.time))
        return false;
    std::string program = bytes.substr(eol + 1);
    while (!program.empty() && (program.back() == '\n' || program.back() == '\r'))
        program.pop_back();
    if (program.empty())
        return false;
    reg.program = from_utf8(program);
    return true;
}

bool is_registration_name(const std::string& name) {
    return name.size() > sizeof registration_suffix && name[0] != '.' &&
           name.compare(name.size() - (sizeof registration_suffix - 1), std::string::npos, registration_suffix) == 0;
}


void start_service() {
    std::string waker = waker_program();
    if (waker.empty() || ::access(waker.c_str(), X_OK) != 0 || wake_up_detail::service_running())
        return;
    if (!wake_up_detail::spawn_detached(waker, {}))
        std::fprintf(stderr, "wake-up: cannot start %s\n", waker.c_str());
}

} // namespace

std::string format_local_time(const SystemTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

bool parse_local_time(std::string_view text, SystemTime& time) {
    // Exactly "YYYY-MM-DD HH:MM:SS".
    static constexpr char pattern[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof pattern - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == 'd' ? !digit : text[i] != pattern[i])
            return false;
    }
    auto number = [&](size_t at, size_t length) {
        uint16_t value = 0;
        for (size_t i = at; i < at + length; ++i)
            value = static_cast<uint16_t>(value * 10 + (text[i] - '0'));
        return value;
    };
    SystemTime parsed;
    parsed.year = number(0, 4);
    parsed.month = number(5, 2);
    parsed.day = number(8, 2);
    parsed.hour = number(11, 2);
    parsed.minute = number(14, 2);
    parsed.second = number(17, 2);
    uint64_t file_time = 0;
    if (!system_time_to_file_time(parsed, file_time) || !file_time_to_system_time(file_time, parsed))
        return false;
    time = parsed;
    return true;
}

std::optional<SystemTime> wake_up_due_time() {
    const char* text = std::getenv(wake_up_detail::wake_due_variable);
    SystemTime due;
    if (!text || !parse_local_time(text, due))
        return std::nullopt;
    return due;
}

std::string wake_up_folder() { return native_path(L"\\windows\\WakeUp"); }

bool register_wake_up(std::wstring_view program, const SystemTime& local_time) {
    SystemTime time = local_time;
    time.milliseconds = 0;
    uint64_t file_time = 0;
    // Registrations are device state: outside a device tree there is no root to keep them in.
    if (program.empty() || !system_time_to_file_time(time, file_time) || !device_root_found())
        return false;
    std::error_code ec;
    std::filesystem::create_directories(wake_up_folder(), ec);
    std::string bytes = format_local_time(time) + "\n" + to_utf8(program) + "\n";
    if (!write_whole_file_atomically(wake_up_detail::registration_file(program), bytes))
        return false;
    start_service();
    return true;
}

bool cancel_wake_up(std::wstring_view program) {
    return device_root_found() && ::unlink(wake_up_detail::registration_file(program).c_str()) == 0;
}

bool read_wake_up(std::wstring_view program, SystemTime& local_time) {
    WakeUpRegistration reg;
    if (!wake_up_detail::read_registration(wake_up_detail::registration_file(program), reg))
        return false;
    local_time = reg.time;
    return true;
}

std::vector<WakeUpRegistration> list_wake_ups() {
    std::vector<WakeUpRegistration> result;
    for (auto& entry : wake_up_detail::list_registrations())
        result.push_back(std::move(entry.reg));
    return result;
}

void set_waker_program(const std::string& linux_path) {
    std::lock_guard lock(waker_mutex);
    waker_overridden = true;
    waker_override = linux_path;
}

std::string waker_program() {
    {
        std::lock_guard lock(waker_mutex);
        if (waker_overridden)
            return waker_override;
    }
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return (self.parent_path() / "chimely-waker").string();
}

namespace wake_up_detail {

// One file per program, named after a hash of its path ignoring case, so a new
// registration for the same program replaces the old one by a plain rename.
std::string registration_file(std::wstring_view program) {
    std::string key = to_utf8(to_lower(program));
    std::replace(key.begin(), key.end(), '/', '\\');
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : key) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return wake_up_folder() + "/" + name + registration_suffix;
}

bool read_registration(const std::string& path, WakeUpRegistration& reg) {
    std::string bytes;
    return read_file(path, bytes) && parse_registration(bytes, reg);
}

std::vector<RegistrationFile> list_registrations() {
    std::vector<std::pair<uint64_t, RegistrationFile>> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(wake_up_folder(), ec), end; !ec && it != end; it.increment(ec)) {
        if (!is_registration_name(it->path().filename().string()))
            continue;
        RegistrationFile file{it->path().string(), {}};
        uint64_t file_time = 0;
        if (read_registration(file.path, file.reg) && system_time_to_file_time(file.reg.time, file_time))
            found.emplace_back(file_time, std::move(file));
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RegistrationFile> result;
    for (auto& entry : found)
        result.push_back(std::move(entry.second));
    return result;
}

std::string service_lock_path() { return runtime_dir() + "/waker.lock"; }
std::string service_status_path() { return runtime_dir() + "/waker.status"; }

// Asks without taking the lock: a probe that held it for a moment would make a
// service starting just then believe another one serves the root, and leave.
bool service_running() {
    int fd = ::open(wake_up_detail::service_lock_path().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    struct flock query{};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    bool running = ::fcntl(fd, F_OFD_GETLK, &query) == 0 && query.l_type != F_UNLCK;
    ::close(fd);
    return running;
}

bool spawn_detached(const std::string& program, const std::vector<std::string>& args, const std::string& wake_due) {
    // Everything the children need is built before fork: after it only
    // async-signal-safe calls are allowed in a threaded program.
    const std::string due_prefix = std::string(wake_due_variable) + "=";
    std::vector<std::string> env_text;
    for (char** e = environ; *e; ++e) {
        std::string_view entry(*e);
        // An input script belongs to the program it was given to, never to the ones it starts.
        if (!entry.starts_with("CHIMELY_ROOT=") && !entry.starts_with("CHIMELY_NOW=") && !entry.starts_with(due_prefix) &&
            !entry.starts_with("CHIMELY_INPUT="))
            env_text.emplace_back(entry);
    }
    env_text.push_back("CHIMELY_ROOT=" + device_root());
    if (fake_clock_active())
        env_text.push_back("CHIMELY_NOW=" + format_local_time(local_time()));
    if (!wake_due.empty())
        env_text.push_back(due_prefix + wake_due);
    std::vector<char*> envp;
    for (auto& e : env_text)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> arg_text{program};
    arg_text.insert(arg_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : arg_text)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // The grandchild reports a failed exec through a close-on-exec pipe. It
    // must not hold our standard streams: a caller reading our output to its
    // end would wait for it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    int null_fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_t middle = null_fd < 0 ? -1 : ::fork();
    if (middle < 0) {
        ::close(report[0]);
        ::close(report[1]);
        if (null_fd >= 0)
            ::close(null_fd);
        return false;
    }
    if (middle == 0) {
        ::close(report[0]);
        ::setsid();
        pid_t child = ::fork();
        if (child == 0) {
            ::dup2(null_fd, STDIN_FILENO);
            ::dup2(null_fd, STDOUT_FILENO);
            ::dup2(null_fd, STDERR_FILENO);
            ::execve(argv[0], argv.data(), envp.data());
            int error = errno;
            (void)!::write(report[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(child < 0 ? 1 : 0);
    }
    ::close(report[1]);
    ::close(null_fd);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n = 0;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

} // namespace wake_up_detail
} // namespace plat
