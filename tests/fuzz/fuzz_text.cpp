// The text codec and decode_text over arbitrary bytes, checked by round trips:
// valid UTF-8 and UTF-16LE come back byte for byte, invalid input becomes
// U+FFFD and is stable from then on, and every Windows-1252 byte round-trips.
#include "base/Convert.h"
#include "base/File.h"
#include "base/Path.h"
#include "plat/Text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr wchar_t replacement = 0xFFFD;

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool is_scalar(uint32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

// Well-formed UTF-8 by the table of byte ranges, written apart from the codec.
bool is_valid_utf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
        auto in = [&](size_t k, int lo, int hi) { return k < s.size() && b(k) >= lo && b(k) <= hi; };
        const int c = b(i);
        if (c < 0x80) {
            i += 1;
        } else if (c >= 0xC2 && c <= 0xDF && in(i + 1, 0x80, 0xBF)) {
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF && in(i + 1, c == 0xE0 ? 0xA0 : 0x80, c == 0xED ? 0x9F : 0xBF) &&
                   in(i + 2, 0x80, 0xBF)) {
            i += 3;
        } else if (c >= 0xF0 && c <= 0xF4 && in(i + 1, c == 0xF0 ? 0x90 : 0x80, c == 0xF4 ? 0x8F : 0xBF) &&
                   in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF)) {
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

bool has_lone_surrogate(const uint8_t* data, size_t units) {
    auto unit = [&](size_t i) { return uint32_t(data[2 * i] | data[2 * i + 1] << 8); };
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF)
            ++i;
        else if (u >= 0xD800 && u <= 0xDFFF)
            return true;
    }
    return false;
}

void check_utf8(std::string_view bytes) {
    std::wstring text = plat::from_utf8(bytes);
    for (wchar_t c : text)
        check(is_scalar(uint32_t(c)));
    check(text.size() <= bytes.size());
    std::string again = plat::to_utf8(text);
    check((again == bytes) == is_valid_utf8(bytes));
    check(plat::from_utf8(again) == text);
}

void check_utf16(const uint8_t* data, size_t size) {
    std::wstring text = plat::from_utf16le(data, size);
    for (wchar_t c : text)
        check(is_scalar(uint32_t(c)));
    // Every unit is one character or half of a pair, so the UTF-16 length is the unit count.
    check(plat::utf16_length(text) == size / 2);
    std::string again = plat::to_utf16le(text);
    check(again.size() == size / 2 * 2);
    check((std::memcmp(again.data(), data, again.size()) == 0) == !has_lone_surrogate(data, size / 2));
    check(plat::from_utf16le(again.data(), again.size()) == text);
}

void check_cp1252(std::string_view bytes) {
    std::wstring text = plat::from_cp1252(bytes);
    check(text.size() == bytes.size());
    check(plat::to_cp1252(text) == bytes);
}

// Any 32-bit values, even ones that are no character: each encoder writes
// U+FFFD for those, and the decoders give back exactly what was written.
void check_wide(const uint8_t* data, size_t size) {
    std::wstring text(size / 4, L'\0');
    std::memcpy(text.data(), data, text.size() * 4);
    std::wstring clean = text;
    for (wchar_t& c : clean)
        if (!is_scalar(uint32_t(c)))
            c = replacement;
    std::string utf16 = plat::to_utf16le(text);
    check(utf16.size() == plat::utf16_length(text) * 2);
    check(plat::from_utf16le(utf16.data(), utf16.size()) == clean);
    check(plat::from_utf8(plat::to_utf8(text)) == clean);
    check(plat::to_cp1252(text).size() == text.size());

    std::wstring lower = plat::to_lower(text);
    std::wstring upper = plat::to_upper(text);
    check(lower.size() == text.size() && upper.size() == text.size());
    for (wchar_t c : text) {
        plat::is_alpha(c);
        plat::is_space(c);
        check(plat::is_digit(c) == (c >= L'0' && c <= L'9'));
    }
    const size_t half = text.size() / 2;
    std::wstring_view a(text.data(), half);
    std::wstring_view b(text.data() + half, text.size() - half);
    check(plat::compare_no_case(a, a) == 0 && plat::equal_no_case(b, b));
    check(plat::compare_no_case(a, b) == -plat::compare_no_case(b, a));
    check(plat::equal_no_case(text, lower));
}

// A reader over memory, for decode_text from any position.
class MemoryReader : public liba::ResourceReader {
public:
    MemoryReader(const uint8_t* data, uint32_t size) : data_(data), size_(size) {}
    uint32_t read(void* buffer, uint32_t count) override {
        uint32_t n = std::min(count, size_ - position_);
        std::memcpy(buffer, data_ + position_, n);
        position_ += n;
        return n;
    }
    uint32_t skip(uint32_t count) override {
        uint32_t n = std::min(count, size_ - position_);
        position_ += n;
        return n;
    }
    uint32_t get_size() override { return size_; }
    bool seek(uint32_t position) override {
        if (position > size_)
            return false;
        position_ = position;
        return true;
    }
    uint32_t tell() override { return position_; }

private:
    const uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t position_ = 0;
};

void check_decode_text(const uint8_t* data, size_t size) {
    if (size < 3)
        return;
    const uint32_t start = data[0] % (size - 2);
    const uint32_t count = data[1] == 0xFF ? 0xFFFFFFFFu : data[1] * 4u;
    data += 2;
    size -= 2;
    MemoryReader reader(data, uint32_t(size));
    reader.skip(start);
    std::wstring text = liba::decode_text(reader, count);
    const uint32_t n = std::min<uint64_t>(count, size - start);
    check(reader.tell() == start + n);
    const uint8_t* bytes = data + start;
    if (n >= 2 && n % 2 == 0 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        check(text == plat::from_utf16le(bytes + 2, n - 2));
    else
        check(text == plat::from_cp1252(std::string_view(reinterpret_cast<const char*>(bytes), n)));
}

// Numbers of the system's text files: the reader stops inside the range and
// agrees with a plain digit loop (wrapping modulo 2^32).
void check_read_int(std::wstring_view text) {
    const wchar_t* first = text.data();
    const wchar_t* last = first + text.size();
    int32_t value = 77;
    const wchar_t* end = liba::read_int(value, first, last);
    const wchar_t* p = liba::skip_blanks(first, last);
    const bool negative = p != last && *p == L'-';
    if (p != last && (*p == L'-' || *p == L'+'))
        ++p;
    uint32_t magnitude = 0;
    const wchar_t* digits = p;
    for (; p != last && *p >= L'0' && *p <= L'9'; ++p)
        magnitude = magnitude * 10 + uint32_t(*p - L'0');
    if (p == digits) {
        check(end == nullptr);
    } else {
        check(end == p && value == int32_t(negative ? 0u - magnitude : magnitude));
    }
    std::wstring token;
    check(liba::copy_token(token, first, last) == first + token.size());
}

// Path parts of any text (zip entry names and paths from files reach these).
void check_path(std::wstring_view path, std::wstring_view other) {
    const std::wstring folder = liba::directory_part(path);
    const std::wstring name = liba::file_name_part(path);
    check(folder + name == path);
    check(name.find_first_of(L"\\/") == std::wstring::npos);
    const std::wstring extension = liba::extension_part(path);
    const std::wstring base = liba::base_name_part(path);
    check(name.find(L'.') == std::wstring::npos ? base == name && extension.empty()
                                                : base + L"." + extension == name);
    check(liba::paths_equal(path, path));
    liba::parent_directory(path);
    liba::join_path(path, other);
    liba::relative_path(path, other);
    liba::relative_path(other, path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check_utf8(bytes);
    check_utf16(data, size);
    check_cp1252(bytes);
    check_wide(data, size);
    check_decode_text(data, size);
    check_read_int(plat::from_cp1252(bytes));
    const std::wstring wide = plat::from_utf8(bytes);
    const size_t split = wide.find(L'|');
    check_path(std::wstring_view(wide).substr(0, split),
               split == std::wstring::npos ? std::wstring_view() : std::wstring_view(wide).substr(split + 1));
    return 0;
}
