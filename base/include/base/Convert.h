#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Small conversions shared by the whole system. Numbers are always written and read in the
// C locale's form (decimal point '.'), whatever locale the user runs under.
namespace liba {

std::string format_int_text(int32_t value);                       // "%d"
// The same as wide text, without the C library's slow wide formatting (long alarm lists write
// tens of thousands of numbers).
std::wstring format_int_wtext(int32_t value);
std::string format_long_text(long value);                         // "%ld"
std::string format_double_text(double value);                     // "%f", six decimals
std::string format_double_decimals_text(double value, int decimals);  // "%.Nf", N clamped to 0..99

// The value with the given decimals, zero-padded in front until its integer part has at least
// integer_digits digits: 5.0 with (0, 2) is "05", 0.5 with (1, 2) is "00.5". For non-negative values.
std::wstring format_fixed(double value, int decimals, int integer_digits);

// Between 8-bit text in the system code page (Windows-1252) and wide text.
std::wstring to_wide(std::string_view text);
std::string to_narrow(std::wstring_view text);

// Readers of wide text over [first, last).
// The first position that is not white space, or last.
const wchar_t* skip_blanks(const wchar_t* first, const wchar_t* last);
// Appends characters to out up to the first white space; returns where it stopped.
const wchar_t* copy_token(std::wstring& out, const wchar_t* first, const wchar_t* last);
// A signed decimal integer after optional blanks and one optional sign. Returns the position
// after its last digit, or nullptr when there is no digit; in that case value becomes 0 when a
// character other than a digit followed, and stays untouched for an empty, blank or sign-only
// range. Too many digits wrap modulo 2^32, as on the device.
const wchar_t* read_int(int32_t& value, const wchar_t* first, const wchar_t* last);

} // namespace liba
