#include "base/Path.h"

#include "base/File.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <array>
#include <vector>

namespace liba {
namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

size_t last_separator(std::wstring_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (is_separator(path[i - 1]))
            return i - 1;
    return std::wstring_view::npos;
}

// The extension dot: the last '.' with no separator after it.
size_t extension_dot(std::wstring_view path) {
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos)
        return dot;
    size_t separator = last_separator(path);
    return (separator != std::wstring_view::npos && separator > dot) ? std::wstring_view::npos : dot;
}

struct SpecialFolderMacro {
    std::wstring_view name;
    int csidl;
};
constexpr std::array<SpecialFolderMacro, 6> kSpecialFolderMacros{{
    {L"%my_documents%", plat::CSIDL_PERSONAL},
    {L"%windows%", plat::CSIDL_WINDOWS},
    {L"%startup%", plat::CSIDL_STARTUP},
    {L"%programs%", plat::CSIDL_PROGRAMS},
    {L"%start_menu%", plat::CSIDL_STARTMENU},
    {L"%program_files%", plat::CSIDL_PROGRAM_FILES},
}};

// The special folders are fetched once, before main, and kept for the process.
const std::array<std::wstring, 6> kSpecialFolders = [] {
    std::array<std::wstring, 6> folders;
    for (size_t i = 0; i < folders.size(); ++i)
        folders[i] = plat::special_folder(kSpecialFolderMacros[i].csidl);
    return folders;
}();

// Components for relative_path: the first runs through the first "//" when
// there is one, else through the first '/'; text after the last '/' is none.
std::vector<std::wstring> path_components(std::wstring_view path) {
    std::wstring text = to_lower_case(expand_path_macros(path));
    for (wchar_t& c : text)
        if (c == L'\\')
            c = L'/';
    std::vector<std::wstring> parts;
    size_t first_end = text.find(L"//");
    if (first_end != std::wstring::npos) {
        first_end += 2;
    } else {
        first_end = text.find(L'/');
        if (first_end == std::wstring::npos)
            return parts;
        first_end += 1;
    }
    parts.push_back(text.substr(0, first_end));
    for (size_t start = first_end;;) {
        size_t slash = text.find(L'/', start);
        if (slash == std::wstring::npos)
            break;
        parts.push_back(text.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

} // namespace

std::wstring expand_path_macros(std::wstring_view path) {
    std::wstring result;
    size_t skip = 0;
    auto try_macro = [&](std::wstring_view macro, auto&& value) {
        if (skip == 0 && path.substr(0, macro.size()) == macro) {
            result = value();
            skip = macro.size();
        }
    };
    try_macro(L"%app_full_name%", [] { return module_file_name(); });
    try_macro(L"%app_path%", [] { return strip_trailing_separator(directory_part(module_file_name())); });
    try_macro(L"%app_name%", [] { return file_name_part(module_file_name()); });
    for (size_t i = 0; i < kSpecialFolderMacros.size(); ++i)
        try_macro(kSpecialFolderMacros[i].name, [i] { return kSpecialFolders[i]; });
    result.reserve(result.size() + path.size() - skip);
    for (wchar_t c : path.substr(skip))
        result += is_separator(c) ? L'\\' : c;
    return result;
}

std::wstring expanded_path(std::wstring_view path) { return expand_path_macros(path); }

std::wstring strip_trailing_separator(std::wstring_view path) {
    if (!path.empty() && is_separator(path.back()))
        path.remove_suffix(1);
    return std::wstring(path);
}

std::wstring directory_part(std::wstring_view path) {
    size_t separator = last_separator(path);
    return separator == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, separator + 1));
}

std::wstring file_name_part(std::wstring_view path) {
    size_t separator = last_separator(path);
    return std::wstring(separator == std::wstring_view::npos ? path : path.substr(separator + 1));
}

std::wstring extension_part(std::wstring_view path) {
    size_t dot = extension_dot(path);
    return dot == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(dot + 1));
}

std::wstring base_name_part(std::wstring_view path) {
    std::wstring name = file_name_part(path);
    size_t dot = extension_dot(name);
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring parent_directory(std::wstring_view path) {
    return directory_part(strip_trailing_separator(path));
}

std::wstring join_path(std::wstring_view folder, std::wstring_view name) {
    if (folder.empty())
        return std::wstring(name);
    return strip_trailing_separator(folder) + L'\\' + std::wstring(name);
}

std::wstring canonical_path(std::wstring_view path) {
    return to_lower_case(strip_trailing_separator(expand_path_macros(path)));
}

bool paths_equal(std::wstring_view a, std::wstring_view b) { return canonical_path(a) == canonical_path(b); }

std::wstring relative_path(std::wstring_view from_folder, std::wstring_view to_path) {
    std::vector<std::wstring> from = path_components(from_folder);
    std::vector<std::wstring> to = path_components(to_path);
    size_t common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common])
        ++common;
    if (common == 0)
        return {};
    std::wstring result;
    for (size_t i = common; i < from.size(); ++i)
        result = join_path(result, L"..");
    for (size_t i = common; i < to.size(); ++i)
        result = join_path(result, to[i]);
    return join_path(result, file_name_part(to_path));
}

std::wstring to_lower_case(std::wstring_view text) { return plat::to_lower(text); }

std::wstring to_upper_case(std::wstring_view text) { return plat::to_upper(text); }

bool is_blank(wchar_t c) { return plat::is_space(c); }

bool is_digit(wchar_t c) { return plat::is_digit(c); }

std::wstring module_file_name() { return plat::module_file_name(); }

std::wstring decode_text(ResourceReader& reader, uint32_t count) {
    uint32_t size = reader.get_size();
    uint32_t position = reader.tell();
    uint32_t left = size > position ? size - position : 0;
    uint32_t n = count < left ? count : left;

    std::string bytes(n, '\0');
    if (n % 2 == 1 || n < 2) {
        if (reader.read(bytes.data(), n) != n)
            return {};
        return plat::from_cp1252(bytes);
    }
    if (reader.read(bytes.data(), 2) != 2)
        return {};
    if (reader.read(bytes.data() + 2, n - 2) != n - 2)
        return {};
    if (static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        return plat::from_utf16le(bytes.data() + 2, n - 2);
    return plat::from_cp1252(bytes);
}

} // namespace liba
