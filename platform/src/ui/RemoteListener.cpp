#include "ui/RemoteListener.h"

#include "plat/Errors.h"
#include "plat/Paths.h"
#include "plat/Window.h"
#include "ui/WindowManager.h"

#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>

namespace plat::ui {
namespace {

constexpr int pid_bits = 30;
constexpr std::uintptr_t pid_mask = (std::uintptr_t(1) << pid_bits) - 1;
constexpr int listen_backlog = 16;
// Connections served at once; more are closed at once, so a flood of
// stalled senders cannot pile up threads.
constexpr int max_connections = 32;
// A sender has its whole record ready when it connects; one that stalls
// longer than this gives up its connection.
constexpr int receive_timeout_s = 10;

RemoteListener* g_listener = nullptr;

// Reads exactly size bytes; false on end of file, error or time-out.
bool read_exactly(int fd, void* data, size_t size) {
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::recv(fd, bytes, size, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

bool send_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

bool fill_address(const std::string& path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    path.copy(address.sun_path, path.size());
    return true;
}

} // namespace

std::string remote_socket_folder() {
    std::string base = runtime_dir();
    if (base.empty())
        return {};
    std::string folder = base + "/windows";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return folder;
}

std::string remote_socket_path(const std::string& folder, int pid) {
    return folder + "/" + std::to_string(pid) + ".sock";
}

int pid_of_socket_name(const std::string& name) {
    const std::string suffix = ".sock";
    if (name.size() <= suffix.size() || name.size() > suffix.size() + 10 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0 || name[0] == '0')
        return 0;
    uint64_t pid = 0;
    for (size_t i = 0; i + suffix.size() < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        pid = pid * 10 + uint64_t(name[i] - '0');
    }
    return pid <= pid_mask ? int(pid) : 0;
}

HWND make_remote_handle(int pid, uint32_t number) {
    return reinterpret_cast<HWND>(remote_handle_bit | (std::uintptr_t(pid) & pid_mask) << 32 | number);
}

bool split_remote_handle(HWND window, int& pid, uint32_t& number) {
    const auto value = reinterpret_cast<std::uintptr_t>(window);
    if ((value & ~(remote_handle_bit | pid_mask << 32 | 0xFFFFFFFFu)) != 0 || !(value & remote_handle_bit))
        return false;
    pid = int(value >> 32 & pid_mask);
    number = uint32_t(value);
    return pid > 0 && number != 0;
}

RemoteListener& RemoteListener::instance() {
    static bool ready = [] {
        g_listener = new RemoteListener;  // never destroyed: connection threads may outlive exit
        pthread_atfork(before_fork, after_fork_parent, after_fork_child);
        std::atexit(at_exit);
        return true;
    }();
    (void)ready;
    return *g_listener;
}

void RemoteListener::before_fork() { g_listener->mutex_.lock(); }
void RemoteListener::after_fork_parent() { g_listener->mutex_.unlock(); }

// The child has none of the parent's threads and publishes its own windows
// under its own process id; the parent's socket stays the parent's.
void RemoteListener::after_fork_child() {
    if (g_listener->listen_fd_ >= 0)
        ::close(g_listener->listen_fd_);
    g_listener = new RemoteListener;
}

void RemoteListener::at_exit() {
    std::lock_guard lock(g_listener->mutex_);
    if (g_listener->owner_pid_ == ::getpid() && !g_listener->socket_path_.empty())
        ::unlink(g_listener->socket_path_.c_str());
}

void RemoteListener::publish(HWND window) {
    std::lock_guard lock(mutex_);
    if (!window || numbers_.count(window))
        return;
    // Numbers are not reused before they wrap, so a stale handle rarely names a new window.
    uint32_t number = next_number_;
    while (number == 0 || windows_.count(number))
        ++number;
    next_number_ = number + 1;
    windows_[number] = window;
    numbers_[window] = number;
    if (listen_fd_ < 0)
        start_listening();
    else
        follow_device_root();
}

// A process whose device root is replaced (a test program gives each test its
// own) moves its socket into the new root's folder: it answers under the new name.
void RemoteListener::follow_device_root() {
    const std::string folder = remote_socket_folder();
    if (folder.empty())
        return;
    const std::string path = remote_socket_path(folder, ::getpid());
    if (path != socket_path_ && ::rename(socket_path_.c_str(), path.c_str()) == 0)
        socket_path_ = path;
}

void RemoteListener::withdraw(HWND window) {
    std::lock_guard lock(mutex_);
    auto it = numbers_.find(window);
    if (it == numbers_.end())
        return;
    windows_.erase(it->second);
    numbers_.erase(it);
}

uint32_t RemoteListener::number_of(HWND window) {
    std::lock_guard lock(mutex_);
    auto it = numbers_.find(window);
    return it == numbers_.end() ? 0 : it->second;
}

HWND RemoteListener::window_of(uint32_t number) {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(number);
    return it == windows_.end() ? nullptr : it->second;
}

// Bound under a temporary name and renamed once listening, so a reader never
// meets a socket that refuses because it is not listening yet (and drops it).
bool RemoteListener::start_listening() {
    const std::string folder = remote_socket_folder();
    if (folder.empty())
        return false;
    const int pid = ::getpid();
    const std::string path = remote_socket_path(folder, pid);
    const std::string fresh = path + ".new";
    sockaddr_un address;
    if (!fill_address(fresh, address))
        return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::unlink(fresh.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, listen_backlog) != 0 || ::rename(fresh.c_str(), path.c_str()) != 0) {
        ::close(fd);
        ::unlink(fresh.c_str());
        return false;
    }
    try {
        std::thread([this, fd] { accept_loop(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    listen_fd_ = fd;
    owner_pid_ = pid;
    socket_path_ = path;
    return true;
}

void RemoteListener::accept_loop(int listen_fd) {
    for (;;) {
        int connection = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                continue;
            }
            return;
        }
        if (connections_.fetch_add(1) >= max_connections) {
            connections_.fetch_sub(1);
            ::close(connection);
            continue;
        }
        try {
            std::thread([this, connection] { serve(connection); }).detach();
        } catch (const std::system_error&) {
            connections_.fetch_sub(1);
            ::close(connection);
        }
    }
}

// One request, one answer. The record is outside data: it is taken apart
// only by the checked parser, and anything it refuses gets an error answer.
void RemoteListener::serve(int connection) {
    timeval limit{receive_timeout_s, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    std::string frame(wire::header_bytes, '\0');
    uint32_t body_length = 0;
    wire::Request request;
    // Nothing to answer when the sender went away before its header.
    if (read_exactly(connection, frame.data(), frame.size())) {
        bool valid = wire::parse_request_header(wire::bytes_of(frame), body_length);
        if (valid) {
            frame.resize(wire::header_bytes + body_length);
            valid = read_exactly(connection, frame.data() + wire::header_bytes, body_length) &&
                    wire::parse_request(wire::bytes_of(frame), request);
        }
        send_all(connection, valid ? respond(request) : wire::encode_answer(ERROR_INVALID_PARAMETER, {}));
    }
    ::close(connection);
    connections_.fetch_sub(1);
}

std::string RemoteListener::respond(const wire::Request& request) {
    if (request.kind == wire::Kind::list) {
        std::vector<uint32_t> numbers;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [number, window] : windows_)
                numbers.push_back(number);
        }
        return wire::encode_answer(0, wire::encode_list(numbers));
    }
    HWND window = window_of(request.window);
    if (!window)
        return wire::encode_answer(ERROR_INVALID_WINDOW_HANDLE, {});
    switch (request.kind) {
    case wire::Kind::class_name:
    case wire::Kind::window_text: {
        std::wstring text = request.kind == wire::Kind::class_name ? get_class_name(window) : get_window_text(window);
        if (!is_window(window))
            return wire::encode_answer(ERROR_INVALID_WINDOW_HANDLE, {});
        return wire::encode_answer(0, wire::encode_text(text));
    }
    case wire::Kind::copy_data: {
        int pid = 0;
        uint32_t number = 0;
        HWND sender = reinterpret_cast<HWND>(std::uintptr_t(request.sender));
        if (sender && !split_remote_handle(sender, pid, number))
            return wire::encode_answer(ERROR_INVALID_PARAMETER, {});
        COPYDATASTRUCT cds;
        cds.dwData = std::uintptr_t(request.data_id);
        cds.cbData = uint32_t(request.bytes.size());
        cds.lpData = request.bytes.empty() ? nullptr : request.bytes.data();
        // Handled by the window's thread in whatever loop it runs; a window
        // destroyed meanwhile answers 0.
        LRESULT result = send_message(window, WM_COPYDATA, WPARAM(sender), LPARAM(&cds));
        return wire::encode_answer(0, wire::encode_result(result));
    }
    case wire::Kind::list: break;
    }
    return wire::encode_answer(ERROR_INVALID_PARAMETER, {});
}

} // namespace plat::ui
