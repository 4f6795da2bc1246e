#pragma once
#include "plat/Messages.h"
#include "ui/RemoteWire.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// The owning side of the hand-over between processes: this process's
// published windows and the socket, runtime_dir()/windows/<pid>.sock, whose
// thread answers other processes about them. The socket itself is the
// entry: a process that lists windows asks every socket of the folder.
namespace plat::ui {

// runtime_dir()/windows, made on demand (0700); "" when it cannot be made.
std::string remote_socket_folder();
std::string remote_socket_path(const std::string& folder, int pid);
// "<pid>.sock" -> pid; 0 for any other name.
int pid_of_socket_name(const std::string& name);

// Handles are the same in every process: the remote bit, the owner's process
// id and the owner's number for the window (never 0).
HWND make_remote_handle(int pid, uint32_t number);
bool split_remote_handle(HWND window, int& pid, uint32_t& number);

class RemoteListener {
public:
    // One per process; a child made by fork starts with none published.
    static RemoteListener& instance();

    // The first publication opens the socket and starts its thread.
    void publish(HWND window);
    void withdraw(HWND window);
    // 0 when the window is not published.
    uint32_t number_of(HWND window);
    // Null when no published window has that number.
    HWND window_of(uint32_t number);
    // Answers one request as the owner of the windows (on a connection's thread).
    std::string respond(const wire::Request& request);

private:
    static void before_fork();
    static void after_fork_parent();
    static void after_fork_child();
    static void at_exit();
    bool start_listening();  // with mutex_ held
    void follow_device_root();  // with mutex_ held
    void accept_loop(int listen_fd);
    void serve(int connection);

    std::mutex mutex_;
    std::map<uint32_t, HWND> windows_;  // by number, in the order of publication
    std::map<HWND, uint32_t> numbers_;
    uint32_t next_number_ = 1;
    int listen_fd_ = -1;
    int owner_pid_ = 0;
    std::string socket_path_;
    std::atomic<int> connections_{0};
};

} // namespace plat::ui
