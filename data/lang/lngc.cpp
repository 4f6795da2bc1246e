// lngc: the build's language-file compiler, and the lint's reader of the result.
//
//   lngc build OUT.lng SOURCE.txt...   joins UTF-8 sources ("key=text" lines; empty lines and
//                                      lines starting with '#' are skipped) into a UTF-16LE
//                                      language file with byte-order mark
//   lngc keys FILE.lng                 prints every key of the file as the program reads it
//                                      (FILE is a device path, as for every tool)
//
// A language file line is "key text": the reader skips the blanks after the key, so a text may
// not start with a blank, and a key alone on its line would take the next line as its text, so an
// empty text is written "key=". Keys hold no blank and no '='; a key starting with "//" would be
// a comment. The same key twice with different texts is an error (the later would silently win).
#include "base/StringTranslator.h"
#include "plat/Text.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::wstring text;
    std::string place;  // "file:line", for the error of a second, different text
};

bool fail(const std::string& message) {
    std::fprintf(stderr, "lngc: %s\n", message.c_str());
    return false;
}

bool has_space(std::wstring_view text) {
    for (wchar_t c : text)
        if (plat::is_space(c))
            return true;
    return false;
}

// entries keep the order of the sources; index finds a key's entry.
bool read_source(const std::string& path, std::vector<std::pair<std::wstring, Entry>>& entries,
                 std::map<std::wstring, size_t>& index) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail("cannot read " + path);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::wstring text = plat::from_utf8(bytes);
    if (plat::to_utf8(text) != bytes)
        return fail(path + ": not valid UTF-8");
    std::wistringstream lines(text);
    std::wstring line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string place = path + ":" + std::to_string(number);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (line.empty() || line[0] == L'#')
            continue;
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos)
            return fail(place + ": not a key=text line");
        const std::wstring key = line.substr(0, equals);
        const std::wstring value = line.substr(equals + 1);
        if (key.empty() || has_space(key) || key.starts_with(L"//"))
            return fail(place + ": the key must be one word without blanks, not starting with //");
        if (!value.empty() && plat::is_space(value[0]))
            return fail(place + ": a text cannot start with a blank");
        for (wchar_t c : value)
            if (c == L'\r' || c == L'\n' || c == 0)
                return fail(place + ": control character in the text");
        const auto earlier = index.find(key);
        if (earlier != index.end()) {
            const Entry& entry = entries[earlier->second].second;
            if (entry.text != value)
                return fail(place + ": " + plat::to_utf8(key) + " already has another text at " + entry.place);
            continue;
        }
        index.emplace(key, entries.size());
        entries.push_back({key, {value, place}});
    }
    return true;
}

bool build(const std::string& out, const std::vector<std::string>& sources) {
    std::vector<std::pair<std::wstring, Entry>> entries;
    std::map<std::wstring, size_t> index;
    for (const std::string& source : sources)
        if (!read_source(source, entries, index))
            return false;
    std::wstring text;
    for (const auto& [key, entry] : entries)
        text += entry.text.empty() ? key + L"=\r\n" : key + L" " + entry.text + L"\r\n";
    // Written beside the target and renamed over it, so a failed build never leaves half a file.
    const std::string temporary = out + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        const std::string bytes = "\xFF\xFE" + plat::to_utf16le(text);
        file.write(bytes.data(), std::streamsize(bytes.size()));
        if (!file.flush())
            return fail("cannot write " + temporary);
    }
    std::error_code error;
    std::filesystem::rename(temporary, out, error);
    if (error)
        return fail("cannot rename " + temporary + " to " + out + ": " + error.message());
    return true;
}

bool keys(const std::string& path) {
    liba::StringTranslator translator;
    if (!translator.load_file(plat::from_utf8(path)))
        return fail("cannot read " + path);
    for (const auto& [key, text] : translator.table())
        std::printf("%s\n", plat::to_utf8(key).c_str());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "build" && argc >= 4)
        return build(argv[2], std::vector<std::string>(argv + 3, argv + argc)) ? 0 : 1;
    if (command == "keys" && argc == 3)
        return keys(argv[2]) ? 0 : 1;
    std::fputs("usage: lngc build OUT.lng SOURCE.txt...\n       lngc keys FILE.lng\n", stderr);
    return 2;
}
