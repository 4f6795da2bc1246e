#include "skinner/Capabilities.h"

#include "base/Log.h"
#include "plat/System.h"
#include "plat/Text.h"

#include <mutex>
#include <optional>
#include <string>

namespace skinner {
namespace {

constexpr int platform_type_chars = 200;

bool ask_is_smartphone() {
    wchar_t buffer[platform_type_chars] = {};
    std::wstring text;
    if (plat::system_parameters_info(plat::SPI_GETPLATFORMTYPE, sizeof(buffer), buffer, 0))
        text.assign(buffer);
    liba::get_log() << L"static_capability_is_smartphone=" << text << L"\n";
    return plat::equal_no_case(text, L"smartphone");
}

std::mutex g_lock;
std::optional<bool> g_smartphone;
std::optional<bool> g_new_os;

} // namespace

bool is_smartphone() {
    std::lock_guard lock(g_lock);
    if (!g_smartphone)
        g_smartphone = ask_is_smartphone();
    return *g_smartphone;
}

bool is_pocket_pc_new_os() {
    const bool smartphone = is_smartphone();
    std::lock_guard lock(g_lock);
    if (!g_new_os)
        g_new_os = !smartphone && plat::os_version().major > 4;
    return *g_new_os;
}

void forget_capabilities() {
    std::lock_guard lock(g_lock);
    g_smartphone.reset();
    g_new_os.reset();
}

} // namespace skinner
