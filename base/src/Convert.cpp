#include "base/Convert.h"

#include "plat/Text.h"

#include <algorithm>
#include <charconv>

namespace liba {
namespace {

// std::to_chars writes what printf writes in the C locale, never the user's decimal comma.
template <typename... Format>
std::string chars_text(Format... format) {
    // Room for "%.99f" of the largest double: 309 digits, the point, 99 decimals and a sign.
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, format...);
    if (result.ec != std::errc())
        return {};
    return std::string(buffer, result.ptr);
}

} // namespace

std::string format_int_text(int32_t value) { return chars_text(value); }

std::wstring format_int_wtext(int32_t value) {
    const std::string text = chars_text(value);
    return std::wstring(text.begin(), text.end());
}

std::string format_long_text(long value) { return chars_text(value); }

std::string format_double_text(double value) { return format_double_decimals_text(value, 6); }

std::string format_double_decimals_text(double value, int decimals) {
    return chars_text(value, std::chars_format::fixed, std::clamp(decimals, 0, 99));
}

std::wstring format_fixed(double value, int decimals, int integer_digits) {
    const std::string text = format_double_decimals_text(value, decimals);
    // Count the digits as written, so a value that rounds up (9.96 -> "10.0") is not over-padded.
    const size_t sign = text.empty() || text[0] != '-' ? 0 : 1;
    const size_t point = std::min(text.find('.'), text.size());
    const size_t digits = point - sign;
    std::string padded = text.substr(0, sign);
    if (digits < size_t(std::max(integer_digits, 0)))
        padded.append(size_t(integer_digits) - digits, '0');
    padded.append(text, sign);
    return std::wstring(padded.begin(), padded.end());
}

std::wstring to_wide(std::string_view text) { return plat::from_cp1252(text); }

std::string to_narrow(std::wstring_view text) { return plat::to_cp1252(text); }

const wchar_t* skip_blanks(const wchar_t* first, const wchar_t* last) {
    while (first != last && plat::is_space(*first))
        ++first;
    return first;
}

const wchar_t* copy_token(std::wstring& out, const wchar_t* first, const wchar_t* last) {
    const wchar_t* end = first;
    while (end != last && !plat::is_space(*end))
        ++end;
    out.append(first, end);
    return end;
}

const wchar_t* read_int(int32_t& value, const wchar_t* first, const wchar_t* last) {
    first = skip_blanks(first, last);
    if (first == last)
        return nullptr;
    const bool negative = *first == L'-';
    if (negative || *first == L'+') {
        if (++first == last)
            return nullptr;
    }
    // Unsigned arithmetic: an overlong number wraps instead of overflowing.
    uint32_t magnitude = 0;
    const wchar_t* digits = first;
    while (first != last && *first >= L'0' && *first <= L'9') {
        magnitude = magnitude * 10 + uint32_t(*first - L'0');
        ++first;
    }
    value = int32_t(negative ? 0u - magnitude : magnitude);
    return first == digits ? nullptr : first;
}

} // namespace liba
