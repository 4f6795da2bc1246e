// The records another process writes to a window socket: whatever the
// parsers accept must encode back to the very same bytes.
#include "ui/RemoteWire.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace plat::ui::wire;
    const std::span<const uint8_t> input(data, size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    Request request;
    if (parse_request(input, request)) {
        check(request.bytes.size() <= plat::max_copy_data_bytes);
        check(encode_request(request) == bytes);
    }
    uint32_t body_length = 0;
    if (size >= header_bytes && parse_request_header(input.first(header_bytes), body_length))
        check(body_length <= max_request_body);

    uint32_t status = 0;
    if (size >= header_bytes && parse_answer_header(input.first(header_bytes), status, body_length))
        check(body_length <= max_answer_body && encode_answer(status, {}).substr(0, 8) == bytes.substr(0, 8));
    std::vector<uint32_t> numbers;
    if (parse_list(input, numbers))
        check(encode_list(numbers) == bytes);
    plat::LRESULT result = 0;
    if (parse_result(input, result))
        check(encode_result(result) == bytes);
    std::wstring text;
    if (parse_text(input, text))
        check(text.size() <= size / 2);
    return 0;
}
