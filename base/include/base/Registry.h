#pragma once
#include "plat/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>

// One registry value addressed by a full key path such as
// "HKEY_CURRENT_USER\Software\QEVA".
namespace liba {

// Splits a key path into its root key and sub-key. The root name is matched
// as a case-sensitive prefix; an unknown root gives an empty sub-key and
// false, leaving root untouched (the caller's platform call then fails).
bool parse_root_key(std::wstring_view key_path, std::wstring& sub_key, plat::RegKey& root);

// Creates or opens the key and stores text as REG_SZ with its terminating zero.
bool write_registry_string(std::wstring_view key_path, std::wstring_view name, std::wstring_view text);

// True when the key opened (a missing key is created empty). value is set
// only from a REG_DWORD of exactly 4 bytes; otherwise it keeps the caller's default.
bool read_registry_dword(std::wstring_view key_path, std::wstring_view name, uint32_t& value);

// True when a text was read: a REG_SZ up to its first zero, never past its
// stored size; a value of at most one byte reads as empty text.
bool read_registry_string(std::wstring_view key_path, std::wstring_view name, std::wstring& text);

} // namespace liba
