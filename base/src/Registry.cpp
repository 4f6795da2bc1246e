#include "base/Registry.h"

#include "base/Log.h"
#include "plat/Text.h"

#include <vector>

namespace liba {
namespace {

// Closes the key on every way out.
class OpenKey {
public:
    OpenKey(std::wstring_view key_path, uint32_t access) {
        std::wstring sub_key;
        plat::RegKey root = 0;
        parse_root_key(key_path, sub_key, root);
        if (plat::reg_create_key(root, sub_key, access, &key_) != plat::ERROR_SUCCESS)
            key_ = 0;
    }
    ~OpenKey() {
        if (key_)
            plat::reg_close_key(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool is_open() const { return key_ != 0; }
    plat::RegKey handle() const { return key_; }

private:
    plat::RegKey key_ = 0;
};

} // namespace

bool parse_root_key(std::wstring_view key_path, std::wstring& sub_key, plat::RegKey& root) {
    static const struct {
        std::wstring_view name;
        plat::RegKey key;
    } roots[] = {
        {L"HKEY_CLASSES_ROOT", plat::HKEY_CLASSES_ROOT}, {L"HKEY_CURRENT_CONFIG", plat::HKEY_CURRENT_CONFIG},
        {L"HKEY_LOCAL_MACHINE", plat::HKEY_LOCAL_MACHINE}, {L"HKEY_USERS", plat::HKEY_USERS},
        {L"HKEY_CURRENT_USER", plat::HKEY_CURRENT_USER},
    };
    for (const auto& r : roots) {
        if (key_path.starts_with(r.name)) {
            root = r.key;
            // The root name and one separator.
            size_t start = r.name.size() + 1;
            sub_key = start < key_path.size() ? std::wstring(key_path.substr(start)) : std::wstring();
            return true;
        }
    }
    sub_key.clear();
    return false;
}

bool write_registry_string(std::wstring_view key_path, std::wstring_view name, std::wstring_view text) {
    get_log() << "xxxxx 0\n";
    OpenKey key(key_path, plat::KEY_ALL_ACCESS);
    if (!key.is_open())
        return false;
    get_log() << "xxxxx 1\n";
    std::string bytes = plat::to_utf16le(text);
    bytes.append(2, '\0');
    if (plat::reg_set_value(key.handle(), name, plat::REG_SZ, bytes.data(), uint32_t(bytes.size())) !=
        plat::ERROR_SUCCESS) {
        get_log() << "xxxxx 2\n";
        return false;
    }
    get_log() << "xxxxx 3\n";
    return true;
}

bool read_registry_dword(std::wstring_view key_path, std::wstring_view name, uint32_t& value) {
    OpenKey key(key_path, plat::KEY_READ);
    if (!key.is_open())
        return false;
    uint32_t type = 0;
    uint32_t size = 0;
    unsigned char probe = 0;
    size = 1;
    if (plat::reg_query_value(key.handle(), name, &type, &probe, &size) != plat::ERROR_MORE_DATA ||
        type != plat::REG_DWORD || size != sizeof(uint32_t))
        return true;
    unsigned char bytes[4] = {};
    if (plat::reg_query_value(key.handle(), name, &type, bytes, &size) == plat::ERROR_SUCCESS &&
        type == plat::REG_DWORD && size == sizeof bytes)
        value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    return true;
}

bool read_registry_string(std::wstring_view key_path, std::wstring_view name, std::wstring& text) {
    OpenKey key(key_path, plat::KEY_READ);
    if (!key.is_open())
        return false;
    uint32_t type = 0;
    unsigned char probe = 0;
    uint32_t size = 1;
    uint32_t answer = plat::reg_query_value(key.handle(), name, &type, &probe, &size);
    if (answer == plat::ERROR_SUCCESS) {
        text.clear();
        return true;
    }
    if (answer != plat::ERROR_MORE_DATA || type != plat::REG_SZ)
        return false;
    std::vector<char> bytes(size);
    if (plat::reg_query_value(key.handle(), name, &type, bytes.data(), &size) != plat::ERROR_SUCCESS ||
        type != plat::REG_SZ || size > bytes.size())
        return false;
    std::wstring stored = plat::from_utf16le(bytes.data(), size);
    text = stored.substr(0, stored.find(L'\0'));
    return true;
}

} // namespace liba
