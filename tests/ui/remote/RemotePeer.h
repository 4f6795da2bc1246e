#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

// A second process for the hand-over tests: this test program started again
// in peer mode. The peer shows one window of peer_class, plus an owned and a
// child window that must never be listed.
namespace remote_test {

constexpr wchar_t peer_class[] = L"SkinnerClass_Test";
constexpr wchar_t peer_title[] = L"Peer window";
// Copy-data with this dwData retitles the peer's window with the bytes
// (cbData / 2 UTF-16 units) and answers 2 when the sending window's class
// reads "SenderClass", else 1. Any other dwData answers digest().
constexpr std::uintptr_t retitle = 0;
// Copy-data with this dwData is handed back to the sending window (dwData
// echoed_back) while the sender still waits; the peer answers its answer.
constexpr std::uintptr_t echo = 1;
constexpr std::uintptr_t echoed_back = 2;

uint64_t digest(std::uintptr_t data_id, uint32_t size, const void* bytes);

class Peer {
public:
    // mode: "serve" waits in get_message; "sending" waits for its own send to
    // another thread; "deaf" never looks at its queue. A non-empty root is its CHIMELY_ROOT.
    explicit Peer(const char* mode, const std::string& root = {});
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    pid_t pid() const { return pid_; }
    // True once its windows exist.
    bool ready() const { return ready_; }
    // Ends it at once (no clean-up) and reaps it.
    void kill();

private:
    pid_t pid_ = -1;
    int control_ = -1;  // closing it asks the peer to exit
    bool ready_ = false;
};

} // namespace remote_test
