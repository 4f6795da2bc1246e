#include "RemotePeer.h"
#include "TempRoot.h"

#include "plat/Errors.h"
#include "plat/Text.h"
#include "plat/Window.h"
#include "ui/RemoteListener.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

using namespace plat;
using remote_test::Peer;

namespace {

LRESULT sender_proc(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COPYDATA)
        return def_window_proc(window, message, wparam, lparam);
    const auto& cds = *reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    return LRESULT(remote_test::digest(cds.dwData, cds.cbData, cds.lpData));
}

// This process's own published window, the sender of the hand-overs.
HWND make_sender() {
    WindowClass window_class;
    window_class.name = L"SenderClass";
    window_class.procedure = sender_proc;
    register_class(window_class);
    return create_window(0, L"SenderClass", L"Sender", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, 0, nullptr, nullptr);
}

std::vector<HWND> all_windows() {
    std::vector<HWND> found;
    enum_windows([&](HWND window) {
        found.push_back(window);
        return true;
    });
    return found;
}

std::vector<HWND> other_processes_windows() {
    std::vector<HWND> found = all_windows();
    std::erase_if(found, [](HWND window) { return !ui::is_remote(window); });
    return found;
}

LRESULT copy_data(HWND to, HWND from, std::uintptr_t data_id, const std::string& bytes) {
    COPYDATASTRUCT cds;
    cds.dwData = data_id;
    cds.cbData = uint32_t(bytes.size());
    cds.lpData = bytes.data();
    return send_message(to, WM_COPYDATA, WPARAM(from), LPARAM(&cds));
}

LRESULT expected(std::uintptr_t data_id, const std::string& bytes) {
    return LRESULT(remote_test::digest(data_id, uint32_t(bytes.size()), bytes.data()));
}

// Writes raw bytes to a process's window socket and reads until it hangs up.
std::string raw_exchange(pid_t pid, const std::string& bytes) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = ui::remote_socket_path(ui::remote_socket_folder(), pid);
    path.copy(address.sun_path, path.size());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::string answer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size())) {
        ::shutdown(fd, SHUT_WR);
        char buffer[256];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            answer.append(buffer, size_t(n));
    }
    ::close(fd);
    return answer;
}

// Each test starts with no window of this process published.
class RemoteWindows : public testing::Test {
protected:
    void TearDown() override {
        for (HWND window : all_windows())
            if (!ui::is_remote(window))
                destroy_window(window);
        unregister_class(L"SenderClass");
    }
};

} // namespace

TEST_F(RemoteWindows, OtherProcessWindowFollowsOwnWithItsClassAndText) {
    HWND sender = make_sender();
    Peer peer("serve");
    ASSERT_TRUE(peer.ready());

    // Only the peer's top-level unowned window is listed, after our own.
    std::vector<HWND> windows = all_windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0], sender);
    HWND remote = windows[1];
    EXPECT_TRUE(ui::is_remote(remote));
    EXPECT_EQ(get_class_name(remote), remote_test::peer_class);
    EXPECT_EQ(get_window_text(remote), remote_test::peer_title);
    EXPECT_EQ(find_window(L"skinnerclass_test", L""), remote);
    EXPECT_EQ(find_window(L"", L"Owned window"), nullptr);
    EXPECT_EQ(find_window(L"", L"Child window"), nullptr);

    // The command line hand-over: UTF-16 text, and the receiver can ask about the sender.
    const std::wstring text = L"-alarm \"Wake \u00e9\U0001D11E\"";
    EXPECT_EQ(copy_data(remote, sender, remote_test::retitle, to_utf16le(text)), 2);
    EXPECT_EQ(get_window_text(remote), text);

    // The receiver hands over to us while we wait for it: our thread handles that meanwhile.
    EXPECT_EQ(copy_data(remote, sender, remote_test::echo, "ping"), expected(remote_test::echoed_back, "ping"));
}

TEST_F(RemoteWindows, CopyDataArrivesWholeUpToTheLimit) {
    HWND sender = make_sender();
    Peer peer("serve");
    ASSERT_TRUE(peer.ready());
    HWND remote = find_window(remote_test::peer_class, L"");
    ASSERT_NE(remote, nullptr);

    std::string full(max_copy_data_bytes, '\0');
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = char(i * 7 + i / 251);
    const std::uintptr_t id = 0xFEDCBA9876543210u;
    EXPECT_EQ(copy_data(remote, sender, id, full), expected(id, full));
    EXPECT_EQ(copy_data(remote, nullptr, 7, ""), expected(7, ""));

    set_last_error(0);
    EXPECT_EQ(copy_data(remote, sender, id, full + 'x'), 0);
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    COPYDATASTRUCT no_bytes{1, 4, nullptr};
    EXPECT_EQ(send_message(remote, WM_COPYDATA, 0, LPARAM(&no_bytes)), 0);
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
}

TEST_F(RemoteWindows, ReceiverSurvivesGarbageOnItsSocket) {
    Peer peer("serve");
    ASSERT_TRUE(peer.ready());
    HWND remote = find_window(remote_test::peer_class, L"");
    ASSERT_NE(remote, nullptr);

    ui::wire::Request request;
    request.kind = ui::wire::Kind::copy_data;
    request.bytes = "abc";
    const std::string good = ui::wire::encode_request(request);
    const std::string refused = ui::wire::encode_answer(ERROR_INVALID_PARAMETER, {});
    EXPECT_EQ(raw_exchange(peer.pid(), "garbage that is no request"), refused);
    EXPECT_EQ(raw_exchange(peer.pid(), good.substr(0, good.size() - 1)), refused);  // sender gone mid-way
    EXPECT_EQ(raw_exchange(peer.pid(), std::string(good).replace(8, 4, "\xff\xff\xff\x7f", 4)), refused);
    EXPECT_EQ(raw_exchange(peer.pid(), good.substr(0, 5)), "");

    // A well-formed record for a window number nobody has.
    EXPECT_EQ(raw_exchange(peer.pid(), good), ui::wire::encode_answer(ERROR_INVALID_WINDOW_HANDLE, {}));
    EXPECT_EQ(copy_data(remote, nullptr, 5, "still here"), expected(5, "still here"));
}

TEST_F(RemoteWindows, CopyDataIsHandledWhileTheReceiverWaitsForItsOwnSend) {
    HWND sender = make_sender();
    Peer peer("sending");
    ASSERT_TRUE(peer.ready());
    HWND remote = find_window(remote_test::peer_class, L"");
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(copy_data(remote, sender, 3, "nested"), expected(3, "nested"));
}

TEST_F(RemoteWindows, SenderGivesUpWhenTheReceiverDoesNotServiceItsQueue) {
    HWND sender = make_sender();
    Peer peer("deaf");
    ASSERT_TRUE(peer.ready());
    HWND remote = find_window(remote_test::peer_class, L"");
    ASSERT_NE(remote, nullptr);  // its socket answers without its window's thread

    ui::set_copy_data_timeout_ms(300);
    auto start = std::chrono::steady_clock::now();
    set_last_error(0);
    EXPECT_EQ(copy_data(remote, sender, 3, "anyone?"), 0);
    EXPECT_EQ(last_error(), ERROR_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
}

TEST_F(RemoteWindows, KilledProcessIsDroppedWithoutWaiting) {
    ui::set_copy_data_timeout_ms(60000);
    Peer peer("serve");
    ASSERT_TRUE(peer.ready());
    HWND remote = find_window(remote_test::peer_class, L"");
    ASSERT_NE(remote, nullptr);
    const std::string socket = ui::remote_socket_path(ui::remote_socket_folder(), peer.pid());
    peer.kill();
    ASSERT_EQ(::access(socket.c_str(), F_OK), 0);  // left behind

    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(other_processes_windows().empty());
    EXPECT_NE(::access(socket.c_str(), F_OK), 0);
    set_last_error(0);
    EXPECT_EQ(copy_data(remote, nullptr, 3, "gone"), 0);
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(get_class_name(remote), L"");
    // Far below the time-out: a dead socket refuses at once.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(RemoteWindows, ProcessesOfAnotherDeviceRootAreNeverSeen) {
    testing_support::TempRoot other_root;
    Peer stranger("serve", other_root.path());
    ASSERT_TRUE(stranger.ready());
    EXPECT_TRUE(other_processes_windows().empty());
    Peer neighbour("serve");
    ASSERT_TRUE(neighbour.ready());
    EXPECT_EQ(other_processes_windows().size(), 1u);
}
