// Language files over arbitrary bytes, read from a file (UTF-16LE with mark or
// 8-bit) and as text; the table must hold only what the format allows.
#include "base/StringTranslator.h"
#include "fuzz_root.h"
#include "plat/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool is_line_end(wchar_t c) { return c == L'\r' || c == L'\n'; }

void check_table(const liba::StringTranslator& translator) {
    for (const auto& [key, text] : translator.table()) {
        if (key.empty() || key.starts_with(L"//"))
            __builtin_trap();
        for (wchar_t c : key)
            if (plat::is_space(c))
                __builtin_trap();
        for (wchar_t c : text)
            if (is_line_end(c))
                __builtin_trap();
        if (translator.translate(key, L"\x1F") != text)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::write_input("in.lng", data, size);
    liba::StringTranslator from_file;
    if (!from_file.load_file(L"\\in.lng"))
        __builtin_trap();
    check_table(from_file);
    // Loading the same entries again changes nothing.
    auto first = from_file.table();
    from_file.load_file(L"\\in.lng");
    if (from_file.table() != first)
        __builtin_trap();

    liba::StringTranslator from_text;
    from_text.load_text(plat::from_utf16le(data, size));
    check_table(from_text);
    if (from_text.translate(L"", L"default") != L"default")
        __builtin_trap();
    return 0;
}
