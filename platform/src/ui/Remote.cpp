#include "ui/WindowManager.h"

#include "plat/Errors.h"
#include "plat/Window.h"
#include "ui/RemoteListener.h"
#include "ui/RemoteWire.h"

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>

// The asking side of the hand-over between processes: one connection per
// question to the owner's socket, every wait bounded by the time-out.
namespace plat::ui {
namespace {

using Clock = std::chrono::steady_clock;

// A start handing its command line over gives up after this: a few seconds, never for ever.
std::atomic<uint32_t> g_timeout_ms{5000};
// While a copy-data waits, the calling thread still handles messages sent to
// it this often, so two processes handing over to each other do not stall.
constexpr int service_slice_ms = 10;
// A full socket backlog is retried this often until the time-out.
constexpr int busy_retry_ms = 5;

class Connection {
public:
    Connection(Clock::time_point deadline, bool service_sent) : deadline_(deadline), service_sent_(service_sent) {}
    ~Connection() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // 0, or the device error: a socket nobody listens on is a dead process
    // (its socket is removed); a full backlog is retried until the time-out.
    uint32_t open(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path)
            return ERROR_INVALID_WINDOW_HANDLE;
        path.copy(address.sun_path, path.size());
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return ERROR_TOO_MANY_OPEN_FILES;
        for (;;) {
            if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
                return 0;
            if (errno == EINTR)
                continue;
            if (errno == ECONNREFUSED) {
                ::unlink(path.c_str());
                return ERROR_INVALID_WINDOW_HANDLE;
            }
            if (errno != EAGAIN)
                return ERROR_INVALID_WINDOW_HANDLE;
            if (Clock::now() >= deadline_)
                return ERROR_TIMEOUT;
            pause_a_little(busy_retry_ms);
        }
    }

    uint32_t send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n > 0) {
                bytes.remove_prefix(size_t(n));
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (uint32_t error = wait(POLLOUT))
                    return error;
            } else {
                return ERROR_INVALID_WINDOW_HANDLE;  // the owner went away
            }
        }
        return 0;
    }

    uint32_t receive(std::string& out, size_t size) {
        out.assign(size, '\0');
        size_t have = 0;
        while (have < size) {
            ssize_t n = ::recv(fd_, out.data() + have, size - have, 0);
            if (n > 0) {
                have += size_t(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (uint32_t error = wait(POLLIN))
                    return error;
            } else {
                return ERROR_INVALID_WINDOW_HANDLE;
            }
        }
        return 0;
    }

private:
    uint32_t wait(short events) {
        for (;;) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
            if (left <= 0)
                return ERROR_TIMEOUT;
            pollfd entry{fd_, events, 0};
            int slice = int(service_sent_ ? std::min<long long>(left, service_slice_ms) : left);
            int ready = ::poll(&entry, 1, slice);
            if (ready > 0)
                return 0;
            if (ready < 0 && errno != EINTR)
                return ERROR_INVALID_WINDOW_HANDLE;
            if (service_sent_)
                handle_sent_messages();
        }
    }

    void pause_a_little(int ms) {
        ::poll(nullptr, 0, ms);
        if (service_sent_)
            handle_sent_messages();
    }

    // A peek that matches nothing still handles the messages sent to the thread.
    static void handle_sent_messages() {
        MSG msg;
        peek_message(msg, HWND_THREAD_MESSAGES, WM_COPYDATA, WM_COPYDATA, PM_NOREMOVE);
    }

    Clock::time_point deadline_;
    bool service_sent_ = false;
    int fd_ = -1;
};

// Asks the process and waits for its answer; 0 or the device error.
uint32_t exchange(int pid, const wire::Request& request, wire::Answer& answer) {
    const std::string folder = remote_socket_folder();
    if (folder.empty())
        return ERROR_INVALID_WINDOW_HANDLE;
    const bool service_sent = request.kind == wire::Kind::copy_data;
    Connection connection(Clock::now() + std::chrono::milliseconds(g_timeout_ms.load()), service_sent);
    std::string header;
    uint32_t body_length = 0;
    if (uint32_t error = connection.open(remote_socket_path(folder, pid)))
        return error;
    if (uint32_t error = connection.send(wire::encode_request(request)))
        return error;
    if (uint32_t error = connection.receive(header, wire::header_bytes))
        return error;
    if (!wire::parse_answer_header(wire::bytes_of(header), answer.status, body_length))
        return ERROR_GEN_FAILURE;
    return connection.receive(answer.body, body_length);
}

// The text of a window of another process; the owner reads it now.
std::wstring ask_text(HWND window, wire::Kind kind) {
    int pid = 0;
    uint32_t number = 0;
    if (!split_remote_handle(window, pid, number)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return {};
    }
    if (pid == ::getpid()) {
        HWND local = RemoteListener::instance().window_of(number);
        if (!local)
            return {};
        return kind == wire::Kind::class_name ? get_class_name(local) : get_window_text(local);
    }
    wire::Request request;
    request.kind = kind;
    request.window = number;
    wire::Answer answer;
    std::wstring text;
    uint32_t error = exchange(pid, request, answer);
    if (!error)
        error = answer.status;
    if (!error && !wire::parse_text(wire::bytes_of(answer.body), text))
        error = ERROR_GEN_FAILURE;
    if (error) {
        set_last_error(error);
        return {};
    }
    return text;
}

} // namespace

void publish_window(HWND window) { RemoteListener::instance().publish(window); }

void withdraw_window(HWND window) { RemoteListener::instance().withdraw(window); }

std::vector<HWND> remote_windows() {
    std::vector<HWND> found;
    const std::string folder = remote_socket_folder();
    DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
    if (!dir)
        return found;
    std::vector<int> pids;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        int pid = pid_of_socket_name(name);
        if (pid > 0 && pid != ::getpid())
            pids.push_back(pid);
        // A process that died while opening its socket leaves it under its first name.
        const std::string fresh = ".new";
        if (name.size() > fresh.size() && name.ends_with(fresh)) {
            pid = pid_of_socket_name(name.substr(0, name.size() - fresh.size()));
            if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
                ::unlink((folder + "/" + name).c_str());
        }
    }
    ::closedir(dir);
    std::sort(pids.begin(), pids.end());
    for (int pid : pids) {
        wire::Answer answer;
        std::vector<uint32_t> numbers;
        if (exchange(pid, wire::Request{}, answer) != 0 || answer.status != 0 ||
            !wire::parse_list(wire::bytes_of(answer.body), numbers))
            continue;
        for (uint32_t number : numbers)
            if (number != 0)
                found.push_back(make_remote_handle(pid, number));
    }
    return found;
}

std::wstring remote_class_name(HWND window) { return ask_text(window, wire::Kind::class_name); }

std::wstring remote_window_text(HWND window) { return ask_text(window, wire::Kind::window_text); }

LRESULT remote_send_copy_data(HWND window, HWND sender, const void* copy_data_struct) {
    const auto* cds = static_cast<const COPYDATASTRUCT*>(copy_data_struct);
    if (!cds || cds->cbData > max_copy_data_bytes || (cds->cbData > 0 && !cds->lpData)) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int pid = 0;
    uint32_t number = 0;
    if (!split_remote_handle(window, pid, number)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    RemoteListener& own = RemoteListener::instance();
    if (pid == ::getpid()) {
        HWND local = own.window_of(number);
        return local ? send_message(local, WM_COPYDATA, WPARAM(sender), LPARAM(cds)) : 0;
    }
    wire::Request request;
    request.kind = wire::Kind::copy_data;
    request.window = number;
    // Handles name the same window in every process; an unpublished sender is named by none.
    if (is_remote(sender)) {
        request.sender = reinterpret_cast<std::uintptr_t>(sender);
    } else if (uint32_t own_number = sender ? own.number_of(sender) : 0) {
        request.sender = reinterpret_cast<std::uintptr_t>(make_remote_handle(::getpid(), own_number));
    }
    request.data_id = cds->dwData;
    if (cds->cbData > 0)
        request.bytes.assign(static_cast<const char*>(cds->lpData), cds->cbData);
    wire::Answer answer;
    LRESULT result = 0;
    uint32_t error = exchange(pid, request, answer);
    if (!error)
        error = answer.status;
    if (!error && !wire::parse_result(wire::bytes_of(answer.body), result))
        error = ERROR_GEN_FAILURE;
    if (error) {
        set_last_error(error);
        return 0;
    }
    return result;
}

void set_copy_data_timeout_ms(uint32_t ms) { g_timeout_ms = ms; }

} // namespace plat::ui
