// The cost of one trace line: the log re-reads "Log" from the registry on every access, so this
// is the price every traced operation pays, with the log off and on.
#include "base/Log.h"
#include "plat/Paths.h"
#include "plat/Registry.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

void set_log_switch(uint32_t value) {
    plat::RegKey key{};
    plat::reg_create_key(plat::HKEY_CURRENT_USER, L"Software\\QEVA", plat::KEY_ALL_ACCESS, &key);
    plat::reg_set_value(key, L"Log", plat::REG_DWORD, &value, sizeof value);
    plat::reg_close_key(key);
}

double microseconds_per_line(int lines) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < lines; ++i)
        liba::get_log() << L"Bench::line " << i << L"\n";
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / lines;
}

} // namespace

int main() {
    char pattern[] = "/tmp/chimely-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    plat::set_device_root(pattern);
    plat::set_module_file_name(L"\\Program Files\\Chimely\\Chimely");
    std::filesystem::create_directories(std::string(pattern) + "/Program Files/Chimely");

    const int lines = 20000;
    set_log_switch(0);
    microseconds_per_line(1000);  // warm the registry cache
    std::printf("trace line, log off: %.2f us\n", microseconds_per_line(lines));
    set_log_switch(1);
    microseconds_per_line(1000);
    std::printf("trace line, log on:  %.2f us (UTF-16 file, unbuffered)\n", microseconds_per_line(lines));
    std::filesystem::remove_all(pattern);
    return 0;
}
