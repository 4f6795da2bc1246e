// chimely-reg get|set|del KEY NAME [sz|dword VALUE]
// Reads and writes one registry value of the device root in CHIMELY_ROOT.
#include "plat/Paths.h"
#include "plat/Registry.h"
#include "plat/Text.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fputs("usage: chimely-reg get KEY NAME\n"
               "       chimely-reg set KEY NAME sz TEXT\n"
               "       chimely-reg set KEY NAME dword NUMBER\n"
               "       chimely-reg del KEY NAME\n"
               "KEY is a full path such as HKEY_CURRENT_USER\\Software\\QEVA\n",
               stderr);
    return 2;
}

int fail(const std::string& text) {
    std::fprintf(stderr, "chimely-reg: %s\n", text.c_str());
    return 1;
}

// "HKEY_CURRENT_USER\Software\QEVA" -> root and "Software\QEVA".
bool split_key(const std::wstring& path, plat::RegKey& root, std::wstring& sub_key) {
    static const struct {
        const wchar_t* name;
        plat::RegKey key;
    } roots[] = {{L"HKEY_CLASSES_ROOT", plat::HKEY_CLASSES_ROOT},
                 {L"HKEY_CURRENT_CONFIG", plat::HKEY_CURRENT_CONFIG},
                 {L"HKEY_LOCAL_MACHINE", plat::HKEY_LOCAL_MACHINE},
                 {L"HKEY_USERS", plat::HKEY_USERS},
                 {L"HKEY_CURRENT_USER", plat::HKEY_CURRENT_USER}};
    for (const auto& r : roots) {
        std::wstring name = r.name;
        if (path == name || (path.size() > name.size() && path.compare(0, name.size(), name) == 0 &&
                             path[name.size()] == L'\\')) {
            root = r.key;
            sub_key = path.size() > name.size() ? path.substr(name.size() + 1) : L"";
            return true;
        }
    }
    return false;
}

// Decimal, or hexadecimal with 0x; the whole text must be a 32-bit number.
bool parse_dword(const std::string& text, uint32_t& value) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    size_t i = hex ? 2 : 0;
    if (i >= text.size())
        return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit = c >= '0' && c <= '9' ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                   : -1;
        if (digit < 0)
            return false;
        v = v * (hex ? 16 : 10) + uint64_t(digit);
        if (v > 0xFFFFFFFFu)
            return false;
    }
    value = uint32_t(v);
    return true;
}

int get_value(plat::RegKey key, const std::wstring& name) {
    uint32_t type = 0;
    uint32_t size = 0;
    if (plat::reg_query_value(key, name, &type, nullptr, &size) != plat::ERROR_SUCCESS)
        return fail("value not found");
    std::vector<unsigned char> data(size);
    if (plat::reg_query_value(key, name, &type, data.data(), &size) != plat::ERROR_SUCCESS)
        return fail("value not readable");
    if (type == plat::REG_DWORD && size == 4) {
        uint32_t v = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
        std::printf("%u\n", v);
    } else if (type == plat::REG_SZ || type == plat::REG_EXPAND_SZ) {
        std::wstring text = plat::from_utf16le(data.data(), size);
        text = text.substr(0, text.find(L'\0'));
        std::printf("%s\n", plat::to_utf8(text).c_str());
    } else {
        std::printf("type %u:", type);
        for (unsigned char b : data)
            std::printf(" %02x", b);
        std::printf("\n");
    }
    return 0;
}

int set_value(plat::RegKey key, const std::wstring& name, const std::string& kind, const std::string& value) {
    uint32_t rc = 0;
    if (kind == "sz") {
        std::string bytes = plat::to_utf16le(plat::from_utf8(value));
        bytes.append(2, '\0');
        rc = plat::reg_set_value(key, name, plat::REG_SZ, bytes.data(), uint32_t(bytes.size()));
    } else if (kind == "dword") {
        uint32_t v = 0;
        if (!parse_dword(value, v))
            return fail("not a 32-bit number: " + value);
        unsigned char bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        rc = plat::reg_set_value(key, name, plat::REG_DWORD, bytes, 4);
    } else {
        return usage();
    }
    return rc == plat::ERROR_SUCCESS ? 0 : fail("cannot write the value (error " + std::to_string(rc) + ")");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return usage();
    std::string command = argv[1];
    bool is_set = command == "set";
    if ((is_set && argc != 6) || (!is_set && argc != 4) || (command != "get" && command != "del" && !is_set))
        return usage();
    if (const std::string problem = plat::device_root_problem(false); !problem.empty())
        return fail(problem);

    plat::RegKey root = 0;
    std::wstring sub_key;
    if (!split_key(plat::from_utf8(argv[2]), root, sub_key))
        return fail(std::string("unknown root key in ") + argv[2]);
    std::wstring name = plat::from_utf8(argv[3]);

    plat::RegKey key = 0;
    uint32_t rc = is_set ? plat::reg_create_key(root, sub_key, plat::KEY_ALL_ACCESS, &key)
                     : plat::reg_open_key(root, sub_key, command == "del" ? plat::KEY_ALL_ACCESS : plat::KEY_READ, &key);
    if (rc != plat::ERROR_SUCCESS)
        return fail(is_set ? "cannot create the key" : "key not found");
    int result = command == "get" ? get_value(key, name)
                 : is_set         ? set_value(key, name, argv[4], argv[5])
                 : plat::reg_delete_value(key, name) == plat::ERROR_SUCCESS ? 0
                                                                              : fail("value not found");
    plat::reg_close_key(key);
    return result;
}
