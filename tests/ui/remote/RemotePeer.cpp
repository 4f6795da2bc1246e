#include "RemotePeer.h"

#include "plat/Text.h"
#include "plat/Threads.h"
#include "plat/Window.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace remote_test {
namespace {

using namespace plat;

constexpr int ready_fd = 3;
constexpr uint32_t wait_for_peer_ms = 30000;

// Never destroyed: the peer exits from another thread while its windows still run.
Event& copy_data_arrived() {
    static auto* arrived = new Event;
    return *arrived;
}

LRESULT peer_proc(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COPYDATA)
        return def_window_proc(window, message, wparam, lparam);
    const auto& cds = *reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    copy_data_arrived().set();
    if (cds.dwData == echo) {
        COPYDATASTRUCT back{echoed_back, cds.cbData, cds.lpData};
        return send_message(reinterpret_cast<HWND>(wparam), WM_COPYDATA, WPARAM(window), LPARAM(&back));
    }
    if (cds.dwData != retitle)
        return LRESULT(digest(cds.dwData, cds.cbData, cds.lpData));
    set_window_text(window, from_utf16le(cds.lpData, cds.cbData));
    return get_class_name(reinterpret_cast<HWND>(wparam)) == L"SenderClass" ? 2 : 1;
}

// Holds the thread in a send of its own until the hand-over has arrived.
LRESULT helper_proc(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP)
        return copy_data_arrived().wait_for(wait_for_peer_ms);
    return def_window_proc(window, message, wparam, lparam);
}

HWND make_window(const wchar_t* class_name, const wchar_t* title, uint32_t style, HWND parent) {
    return create_window(0, class_name, title, style, 0, 0, 50, 50, parent, 0, nullptr, nullptr);
}

int run_peer(const std::string& mode) {
    // The test closes our standard input to end us; exit cleans up like a normal end.
    std::thread([] {
        char c;
        while (::read(0, &c, 1) > 0) {
        }
        std::exit(0);
    }).detach();

    WindowClass window_class;
    window_class.name = peer_class;
    window_class.procedure = peer_proc;
    WindowClass helper_class;
    helper_class.name = L"PeerHelper";
    helper_class.procedure = helper_proc;
    if (!register_class(window_class) || !register_class(helper_class))
        return 2;
    HWND main = make_window(peer_class, peer_title, WS_OVERLAPPED, nullptr);
    if (!main || !make_window(peer_class, L"Owned window", WS_POPUP, main) ||
        !make_window(peer_class, L"Child window", WS_CHILD, main))
        return 3;

    HWND helper = nullptr;
    if (mode == "sending") {
        Event made;
        std::thread([&helper, &made] {
            helper = make_window(L"PeerHelper", L"Helper", WS_OVERLAPPED, nullptr);
            made.set();
            MSG msg;
            while (get_message(msg, nullptr, 0, 0) > 0)
                dispatch_message(msg);
        }).detach();
        made.wait();
    }
    if (::write(ready_fd, "r", 1) != 1)
        return 4;
    if (mode == "deaf") {
        for (;;)
            ::pause();
    }
    if (helper)
        send_message(helper, WM_APP, 0, 0);
    MSG msg;
    while (get_message(msg, nullptr, 0, 0) > 0)
        dispatch_message(msg);
    return 0;
}

// The peer runs before the test main, when this program is started as one.
const bool g_peer_mode = [] {
    if (const char* mode = std::getenv("CHIMELY_REMOTE_PEER"))
        std::exit(run_peer(mode));
    return false;
}();

} // namespace

uint64_t digest(std::uintptr_t data_id, uint32_t size, const void* bytes) {
    uint64_t hash = 0xCBF29CE484222325ull;
    auto mix = [&hash](const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            hash = (hash ^ p[i]) * 0x100000001B3ull;
    };
    uint64_t id = data_id;
    mix(reinterpret_cast<const uint8_t*>(&id), sizeof id);
    mix(reinterpret_cast<const uint8_t*>(&size), sizeof size);
    mix(static_cast<const uint8_t*>(bytes), bytes ? size : 0);
    return hash;
}

Peer::Peer(const char* mode, const std::string& root) {
    int control[2], ready[2];
    if (::pipe2(control, O_CLOEXEC) != 0 || ::pipe2(ready, O_CLOEXEC) != 0)
        return;
    // Everything the child needs is built before fork.
    std::vector<std::string> settings = {std::string("CHIMELY_REMOTE_PEER=") + mode};
    if (!root.empty())
        settings.push_back("CHIMELY_ROOT=" + root);
    std::vector<char*> env;
    for (std::string& s : settings)
        env.push_back(s.data());
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "CHIMELY_REMOTE_PEER=", 20) != 0 && (root.empty() || std::strncmp(*e, "CHIMELY_ROOT=", 13) != 0))
            env.push_back(*e);
    env.push_back(nullptr);
    char self[] = "/proc/self/exe";
    char* argv[] = {self, nullptr};

    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(control[0], 0);
        ::dup2(ready[1], ready_fd);
        ::execve(self, argv, env.data());
        ::_exit(127);
    }
    ::close(control[0]);
    ::close(ready[1]);
    control_ = control[1];
    pollfd entry{ready[0], POLLIN, 0};
    char c = 0;
    ready_ = pid_ > 0 && ::poll(&entry, 1, int(wait_for_peer_ms)) == 1 && ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
}

Peer::~Peer() {
    if (control_ >= 0)
        ::close(control_);
    if (pid_ <= 0)
        return;
    // A clean end removes the peer's socket; a stuck peer is killed after a while.
    for (int i = 0; i < 500; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
            return;
        ::usleep(10000);
    }
    kill();
}

void Peer::kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

} // namespace remote_test
