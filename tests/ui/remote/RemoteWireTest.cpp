#include "plat/Window.h"
#include "ui/RemoteListener.h"
#include "ui/RemoteWire.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

using namespace plat;
using namespace plat::ui;

namespace {

wire::Request copy_data_request() {
    wire::Request request;
    request.kind = wire::Kind::copy_data;
    request.window = 9;
    request.sender = reinterpret_cast<std::uintptr_t>(make_remote_handle(1234, 5));
    request.data_id = 0x0102030405060708u;
    request.bytes = std::string("x\0y", 3);
    return request;
}

bool parses(const std::string& frame) {
    wire::Request request;
    return wire::parse_request(wire::bytes_of(frame), request);
}

} // namespace

TEST(RemoteWire, CopyDataRecordRoundTripsLittleEndian) {
    const std::string frame = wire::encode_request(copy_data_request());
    EXPECT_EQ(frame.substr(0, 12), std::string("CWQ1\x04\0\0\0\x1b\0\0\0", 12));
    wire::Request back;
    ASSERT_TRUE(wire::parse_request(wire::bytes_of(frame), back));
    EXPECT_EQ(back.kind, wire::Kind::copy_data);
    EXPECT_EQ(back.window, 9u);
    EXPECT_EQ(back.sender, copy_data_request().sender);
    EXPECT_EQ(back.data_id, 0x0102030405060708u);
    EXPECT_EQ(back.bytes, std::string("x\0y", 3));
}

TEST(RemoteWire, MalformedRequestsAreRefused) {
    const std::string frame = wire::encode_request(copy_data_request());
    for (size_t size = 0; size < frame.size(); ++size)
        EXPECT_FALSE(parses(frame.substr(0, size))) << size;
    EXPECT_FALSE(parses(frame + 'z'));
    EXPECT_FALSE(parses(std::string(frame).replace(0, 1, "X")));               // magic
    EXPECT_FALSE(parses(std::string(frame).replace(4, 1, "\x05")));            // kind
    EXPECT_FALSE(parses(std::string(frame).replace(32, 1, "\x02")));           // cbData against the body
    EXPECT_FALSE(parses(std::string(frame).replace(8, 4, "\0\0\2\0", 4)));     // body length beyond the limit

    wire::Request list;
    EXPECT_TRUE(parses(wire::encode_request(list)));
    std::string with_tail = wire::encode_request(list) + "abcd";
    with_tail[8] = 4;
    EXPECT_FALSE(parses(with_tail));

    // The largest hand-over passes, one byte more does not.
    wire::Request big = copy_data_request();
    big.bytes.assign(max_copy_data_bytes, 'b');
    EXPECT_TRUE(parses(wire::encode_request(big)));
    big.bytes += 'b';
    EXPECT_FALSE(parses(wire::encode_request(big)));
}

TEST(RemoteWire, AnswersThatDoNotAddUpAreRefused) {
    std::vector<uint32_t> numbers;
    EXPECT_FALSE(wire::parse_list(wire::bytes_of(wire::encode_list({3, 7}) + "x"), numbers));
    EXPECT_FALSE(wire::parse_list(wire::bytes_of(std::string("\xff\xff\xff\xff", 4)), numbers));
    std::wstring text;
    EXPECT_FALSE(wire::parse_text(wire::bytes_of("abc"), text));
    uint32_t status = 0, length = 0;
    EXPECT_FALSE(wire::parse_answer_header(wire::bytes_of(std::string("CWA1\0\0\0\0\0\0\x20\0", 12)), status, length));
}

TEST(RemoteWire, HandlesCarryTheOwnerAndItsNumber) {
    HWND window = make_remote_handle(4194303, 0xFFFFFFFFu);
    EXPECT_TRUE(is_remote(window));
    int pid = 0;
    uint32_t number = 0;
    ASSERT_TRUE(split_remote_handle(window, pid, number));
    EXPECT_EQ(pid, 4194303);
    EXPECT_EQ(number, 0xFFFFFFFFu);
    for (std::uintptr_t bad : {remote_handle_bit | 5, remote_handle_bit | std::uintptr_t(7) << 32,
                               remote_handle_bit | std::uintptr_t(1) << 63 | std::uintptr_t(7) << 32 | 5,
                               std::uintptr_t(7) << 32 | 5})
        EXPECT_FALSE(split_remote_handle(reinterpret_cast<HWND>(bad), pid, number)) << std::hex << bad;

    EXPECT_EQ(pid_of_socket_name("4711.sock"), 4711);
    for (const char* name : {"0.sock", "047.sock", "4a.sock", ".sock", "4711.sock.new", "99999999999.sock"})
        EXPECT_EQ(pid_of_socket_name(name), 0) << name;
}
