#pragma once
#include <map>
#include <string>
#include <string_view>

namespace liba {

// One language file as a key-to-text table. Keys are case-sensitive.
//
// File format: UTF-16LE after an FF FE mark, otherwise 8-bit device code
// page. Lines end at CR or LF. Each entry is a key token (up to white space)
// and a text that runs to the end of its line:
//   "key= text"  the text starts right after '=' (the blank is kept);
//   "key text"   the text starts after the blanks, which may include line
//                ends, so a key alone on its line takes the next line;
//   "//..."      a comment line.
// Later entries of a key replace earlier ones; an empty key is not stored.
class StringTranslator {
public:
    StringTranslator() = default;
    // Loads the file; a failed load leaves the table empty.
    explicit StringTranslator(std::wstring_view path);
    virtual ~StringTranslator() = default;

    // Adds the file's entries to the table (path macros allowed). False, and
    // nothing changed, when the file cannot be read.
    bool load_file(std::wstring_view path);
    // Adds the entries of text in the file format.
    void load_text(std::wstring_view text);

    // The stored text, or the default. Returned by value: a reference to a
    // caller's temporary default would dangle.
    std::wstring translate(std::wstring_view key, std::wstring_view default_text) const;

    const std::map<std::wstring, std::wstring>& table() const { return table_; }
    const std::wstring& file_name() const { return file_name_; }

private:
    std::map<std::wstring, std::wstring> table_;
    std::wstring file_name_;
};

} // namespace liba
