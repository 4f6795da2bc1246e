#pragma once
#include "plat/Errors.h"

#include <cstdint>
#include <string>
#include <string_view>

// The device registry, kept inside the device root: a key is a folder, a value
// is one file holding its type and its bytes exactly as the device stores them.
// Names are matched ignoring case. Every write replaces the value file by
// rename, so another process reads the old or the new value, never a mix.
namespace plat {

// Key handles: the five roots are fixed numbers, opened keys get small ids.
using RegKey = std::uintptr_t;
constexpr RegKey HKEY_CLASSES_ROOT = 0x80000000u;
constexpr RegKey HKEY_CURRENT_USER = 0x80000001u;
constexpr RegKey HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr RegKey HKEY_USERS = 0x80000003u;
constexpr RegKey HKEY_CURRENT_CONFIG = 0x80000005u;

// Value types.
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_MULTI_SZ = 7;

// Access rights.
constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

// Results are the device's error codes of "plat/Errors.h", plus this one:
// the buffer was too small and the needed size was returned.
constexpr uint32_t ERROR_MORE_DATA = 234;

// Creates the key (and the keys above it) when missing and opens it.
// sub_key uses '\' separators; an empty sub-key opens the root itself.
uint32_t reg_create_key(RegKey root, std::wstring_view sub_key, uint32_t access, RegKey* result);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it is missing.
uint32_t reg_open_key(RegKey root, std::wstring_view sub_key, uint32_t access, RegKey* result);
uint32_t reg_close_key(RegKey key);

// Reads a value as the device does: *type (when given) gets its type; with
// data null, *size gets the byte count; with a buffer too small, *size gets
// the byte count and the answer is ERROR_MORE_DATA; otherwise the bytes
// are copied and *size set to their count.
uint32_t reg_query_value(RegKey key, std::wstring_view name, uint32_t* type, void* data, uint32_t* size);
// Stores the bytes as they are (a REG_SZ caller passes (n + 1) * 2 bytes).
uint32_t reg_set_value(RegKey key, std::wstring_view name, uint32_t type, const void* data, uint32_t size);
uint32_t reg_delete_value(RegKey key, std::wstring_view name);

// Linux folder of the store for the current device root ("<root>/windows/registry");
// empty when no device root was found: then keys neither open nor get created.
std::string registry_folder();

} // namespace plat
