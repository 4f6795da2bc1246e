#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The one text codec of the device layer: UTF-16LE (the byte form of every
// file and hand-over the system defines as "Unicode"), UTF-8 (names for Linux
// system calls) and Windows-1252 (the device's "ANSI" code page), plus
// character classes and case mapping that never depend on the C locale.
namespace plat {

// UTF-16LE bytes, surrogate pairs above U+FFFF, no byte-order mark.
std::string to_utf16le(std::wstring_view text);
// An odd last byte is ignored; lone surrogates become U+FFFD.
std::wstring from_utf16le(const void* bytes, size_t count);
// Length of the text in UTF-16 code units.
size_t utf16_length(std::wstring_view text);

std::string to_utf8(std::wstring_view text);
// Invalid, overlong or truncated sequences become U+FFFD.
std::wstring from_utf8(std::string_view bytes);

// Windows-1252; characters it cannot hold become '?'.
std::string to_cp1252(std::wstring_view text);
std::wstring from_cp1252(std::string_view bytes);

// Locale-free classes: Latin-1, Latin Extended, Greek, Cyrillic and the
// common Unicode blanks are known; everything else is "other".
bool is_space(wchar_t c);
bool is_digit(wchar_t c);   // '0'..'9' only
bool is_alpha(wchar_t c);
wchar_t to_lower(wchar_t c);
wchar_t to_upper(wchar_t c);

std::wstring to_lower(std::wstring_view text);
std::wstring to_upper(std::wstring_view text);
// Comparison after to_lower of each character: <0, 0 or >0.
int compare_no_case(std::wstring_view a, std::wstring_view b);
bool equal_no_case(std::wstring_view a, std::wstring_view b);

} // namespace plat
