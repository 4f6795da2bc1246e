#include "ui/RemoteWire.h"

#include "plat/Text.h"

namespace plat::ui::wire {
namespace {

void put_u32(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += char(value >> shift & 0xFF);
}

void put_u64(std::string& out, uint64_t value) {
    put_u32(out, uint32_t(value));
    put_u32(out, uint32_t(value >> 32));
}

// Reads little-endian numbers and byte runs; any read past the end fails and
// every later one too.
class Cursor {
public:
    explicit Cursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool u32(uint32_t& value) {
        if (!take(4))
            return false;
        value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | bytes_[at_ - 4 + size_t(i)];
        return true;
    }
    bool u64(uint64_t& value) {
        uint32_t low = 0, high = 0;
        if (!u32(low) || !u32(high))
            return false;
        value = uint64_t(high) << 32 | low;
        return true;
    }
    bool run(size_t count, std::string& out) {
        if (!take(count))
            return false;
        out.assign(reinterpret_cast<const char*>(bytes_.data() + at_ - count), count);
        return true;
    }
    size_t left() const { return ok_ ? bytes_.size() - at_ : 0; }
    bool at_end() const { return ok_ && at_ == bytes_.size(); }

private:
    bool take(size_t count) {
        ok_ = ok_ && count <= bytes_.size() - at_;
        if (ok_)
            at_ += count;
        return ok_;
    }

    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

std::string frame(uint32_t magic, uint32_t second, std::string_view body) {
    std::string out;
    out.reserve(header_bytes + body.size());
    put_u32(out, magic);
    put_u32(out, second);
    put_u32(out, uint32_t(body.size()));
    out += body;
    return out;
}

bool known_kind(uint32_t kind) {
    return kind >= uint32_t(Kind::list) && kind <= uint32_t(Kind::copy_data);
}

// The only body length each kind can have (copy-data: at least its fixed part).
bool body_length_fits(Kind kind, uint32_t length) {
    switch (kind) {
    case Kind::list: return length == 0;
    case Kind::class_name:
    case Kind::window_text: return length == 4;
    case Kind::copy_data: return length >= copy_data_fixed_bytes && length <= max_request_body;
    }
    return false;
}

} // namespace

std::string encode_request(const Request& request) {
    std::string body;
    if (request.kind != Kind::list)
        put_u32(body, request.window);
    if (request.kind == Kind::copy_data) {
        put_u64(body, request.sender);
        put_u64(body, request.data_id);
        put_u32(body, uint32_t(request.bytes.size()));
        body += request.bytes;
    }
    return frame(request_magic, uint32_t(request.kind), body);
}

bool parse_request_header(std::span<const uint8_t> header, uint32_t& body_length) {
    Cursor in(header);
    uint32_t magic = 0, kind = 0;
    if (!in.u32(magic) || !in.u32(kind) || !in.u32(body_length) || !in.at_end())
        return false;
    return magic == request_magic && known_kind(kind) && body_length_fits(Kind(kind), body_length);
}

bool parse_request(std::span<const uint8_t> frame, Request& request) {
    uint32_t body_length = 0;
    if (frame.size() < header_bytes || !parse_request_header(frame.first(header_bytes), body_length) ||
        frame.size() - header_bytes != body_length)
        return false;
    Cursor in(frame);
    uint32_t magic = 0, kind = 0, length = 0;
    in.u32(magic);
    in.u32(kind);
    in.u32(length);
    request = Request{};
    request.kind = Kind(kind);
    if (request.kind == Kind::list)
        return in.at_end();
    if (!in.u32(request.window))
        return false;
    if (request.kind != Kind::copy_data)
        return in.at_end();
    uint32_t count = 0;
    if (!in.u64(request.sender) || !in.u64(request.data_id) || !in.u32(count))
        return false;
    return count <= max_copy_data_bytes && count == in.left() && in.run(count, request.bytes) && in.at_end();
}

std::string encode_answer(uint32_t status, std::string_view body) { return frame(answer_magic, status, body); }

bool parse_answer_header(std::span<const uint8_t> header, uint32_t& status, uint32_t& body_length) {
    Cursor in(header);
    uint32_t magic = 0;
    if (!in.u32(magic) || !in.u32(status) || !in.u32(body_length) || !in.at_end())
        return false;
    return magic == answer_magic && body_length <= max_answer_body;
}

std::string encode_list(const std::vector<uint32_t>& windows) {
    std::string body;
    put_u32(body, uint32_t(windows.size()));
    for (uint32_t number : windows)
        put_u32(body, number);
    return body;
}

bool parse_list(std::span<const uint8_t> body, std::vector<uint32_t>& windows) {
    Cursor in(body);
    uint32_t count = 0;
    if (!in.u32(count) || uint64_t(count) * 4 != in.left())
        return false;
    windows.assign(count, 0);
    for (uint32_t& number : windows)
        in.u32(number);
    return in.at_end();
}

std::string encode_text(std::wstring_view text) { return to_utf16le(text); }

bool parse_text(std::span<const uint8_t> body, std::wstring& text) {
    if (body.size() % 2 != 0)
        return false;
    text = from_utf16le(body.data(), body.size());
    return true;
}

std::string encode_result(LRESULT result) {
    std::string body;
    put_u64(body, uint64_t(result));
    return body;
}

bool parse_result(std::span<const uint8_t> body, LRESULT& result) {
    Cursor in(body);
    uint64_t value = 0;
    if (!in.u64(value) || !in.at_end())
        return false;
    result = LRESULT(value);
    return true;
}

} // namespace plat::ui::wire
