#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Path text: every operation takes '\' and '/' as separators; expansion
// writes '\'. Paths may begin with one of the macros "%app_full_name%",
// "%app_path%", "%app_name%", "%my_documents%", "%windows%", "%startup%",
// "%programs%", "%start_menu%", "%program_files%" (letter case counts).
namespace liba {

class ResourceReader;

// A leading macro replaced by its value, then every separator written as '\'.
std::wstring expand_path_macros(std::wstring_view path);
std::wstring expanded_path(std::wstring_view path);

// Without one final separator.
std::wstring strip_trailing_separator(std::wstring_view path);
// Up to and including the last separator; empty without one.
std::wstring directory_part(std::wstring_view path);
// After the last separator; the whole path without one.
std::wstring file_name_part(std::wstring_view path);
// After the last '.' that has no separator after it; empty without one.
std::wstring extension_part(std::wstring_view path);
// The file name without its extension and its dot.
std::wstring base_name_part(std::wstring_view path);
// The parent of a folder path (given with or without its final separator).
std::wstring parent_directory(std::wstring_view path);
// folder, '\', name (one separator); the name alone when folder is empty.
std::wstring join_path(std::wstring_view folder, std::wstring_view name);
// Expanded, without a final separator, in lower case.
std::wstring canonical_path(std::wstring_view path);
bool paths_equal(std::wstring_view a, std::wstring_view b);
// to_path seen from the folder from_folder ("..\b\x"); empty when they share
// no first component.
std::wstring relative_path(std::wstring_view from_folder, std::wstring_view to_path);

std::wstring to_lower_case(std::wstring_view text);
std::wstring to_upper_case(std::wstring_view text);
bool is_blank(wchar_t c);
bool is_digit(wchar_t c);

// Device path of the running program, asked for at every call.
std::wstring module_file_name();

// The next count bytes of reader as text: UTF-16LE after an FF FE mark,
// otherwise 8-bit text of the device code page.
std::wstring decode_text(ResourceReader& reader, uint32_t count);

} // namespace liba
