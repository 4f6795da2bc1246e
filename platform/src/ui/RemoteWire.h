#pragma once
#include "plat/Window.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The records that the processes of one device root exchange over their
// window sockets. Every frame is a header (magic, kind or status, body
// length; little-endian 32-bit numbers) and its body. The magic names the
// layout, so a peer of another layout is refused rather than misread.
namespace plat::ui::wire {

constexpr uint32_t request_magic = 0x31515743;  // "CWQ1"
constexpr uint32_t answer_magic = 0x31415743;   // "CWA1"
constexpr size_t header_bytes = 12;

enum class Kind : uint32_t { list = 1, class_name = 2, window_text = 3, copy_data = 4 };

// A copy-data body: window number, sender handle, dwData, cbData, then the bytes.
constexpr size_t copy_data_fixed_bytes = 4 + 8 + 8 + 4;
constexpr uint32_t max_request_body = uint32_t(copy_data_fixed_bytes) + max_copy_data_bytes;
// Window texts and lists are far smaller; anything longer is a broken peer.
constexpr uint32_t max_answer_body = 1024 * 1024;

struct Request {
    Kind kind = Kind::list;
    uint32_t window = 0;   // the owner's number for its window (not for a list)
    uint64_t sender = 0;   // copy-data: the sending window as the receiver names it, or 0
    uint64_t data_id = 0;  // copy-data: dwData
    std::string bytes;     // copy-data: cbData bytes
};

struct Answer {
    uint32_t status = 0;   // 0, or the device error code of the failure
    std::string body;
};

std::string encode_request(const Request& request);
// The body length the header announces; false for a bad magic, kind or length.
bool parse_request_header(std::span<const uint8_t> header, uint32_t& body_length);
// A whole frame, every length checked against the bytes present.
bool parse_request(std::span<const uint8_t> frame, Request& request);

std::string encode_answer(uint32_t status, std::string_view body);
bool parse_answer_header(std::span<const uint8_t> header, uint32_t& status, uint32_t& body_length);

// Answer bodies: a list of window numbers, a UTF-16LE text, a procedure's result.
std::string encode_list(const std::vector<uint32_t>& windows);
bool parse_list(std::span<const uint8_t> body, std::vector<uint32_t>& windows);
std::string encode_text(std::wstring_view text);
bool parse_text(std::span<const uint8_t> body, std::wstring& text);
std::string encode_result(LRESULT result);
bool parse_result(std::span<const uint8_t> body, LRESULT& result);

inline std::span<const uint8_t> bytes_of(std::string_view s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

} // namespace plat::ui::wire
