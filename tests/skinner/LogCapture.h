#pragma once
// Switches the trace log on for one test and reads back what it wrote.
#include "TempRoot.h"
#include "base/Log.h"
#include "plat/Paths.h"
#include "plat/Registry.h"
#include "plat/Text.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testing_support {

class LogCapture {
public:
    LogCapture() {
        std::filesystem::create_directories(process_root() + "/Program Files/Chimely");
        plat::set_module_file_name(L"\\Program Files\\Chimely\\Chimely");
        file_ = process_root() + "/Program Files/Chimely/Chimely.txt";
        set(0);
        liba::get_log();
        set(1);  // switching on starts an empty file
        liba::get_log();
    }
    ~LogCapture() { set(0); }

    std::wstring text() const {
        std::ifstream in(file_, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return bytes.size() < 2 ? L"" : plat::from_utf16le(bytes.data() + 2, bytes.size() - 2);
    }

private:
    static void set(uint32_t value) {
        plat::RegKey key = 0;
        plat::reg_create_key(plat::HKEY_CURRENT_USER, L"Software\\QEVA", plat::KEY_ALL_ACCESS, &key);
        plat::reg_set_value(key, L"Log", plat::REG_DWORD, &value, 4);
        plat::reg_close_key(key);
    }

    std::string file_;
};

} // namespace testing_support
