#include "base/StringTranslator.h"

#include "base/File.h"
#include "base/Path.h"
#include "plat/Text.h"

namespace liba {
namespace {

bool is_line_end(wchar_t c) { return c == L'\r' || c == L'\n'; }

} // namespace

StringTranslator::StringTranslator(std::wstring_view path) : file_name_(path) { load_file(path); }

bool StringTranslator::load_file(std::wstring_view path) {
    os::File file(path, os::File::mode_read);
    if (file.has_error())
        return false;
    load_text(decode_text(file, file.get_size()));
    file_name_ = path;
    return true;
}

void StringTranslator::load_text(std::wstring_view text) {
    size_t pos = 0;
    const size_t end = text.size();
    auto skip_blanks = [&] {
        while (pos < end && plat::is_space(text[pos]))
            ++pos;
    };
    auto rest_of_line = [&] {
        size_t start = pos;
        while (pos < end && !is_line_end(text[pos]))
            ++pos;
        return std::wstring(text.substr(start, pos - start));
    };

    for (;;) {
        skip_blanks();
        if (pos >= end)
            break;
        size_t start = pos;
        while (pos < end && !plat::is_space(text[pos]))
            ++pos;
        std::wstring key(text.substr(start, pos - start));

        if (key.starts_with(L"//")) {
            rest_of_line();
            continue;
        }
        if (key.ends_with(L'=')) {
            key.pop_back();
        } else {
            skip_blanks();
        }
        std::wstring value = rest_of_line();
        if (!key.empty())
            table_[key] = std::move(value);
    }
}

std::wstring StringTranslator::translate(std::wstring_view key, std::wstring_view default_text) const {
    auto it = table_.find(std::wstring(key));
    return it != table_.end() ? it->second : std::wstring(default_text);
}

} // namespace liba
