#include "skinner/Capabilities.h"

#include "base/Log.h"
#include "plat/System.h"
#include "plat/Text.h"

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

} // namespace

bool is_smartphone() {
    static const bool answer = ask_is_smartphone();
    return answer;
}

bool is_pocket_pc_new_os() {
    static const bool answer = !is_smartphone() && plat::os_version().major > 4;
    return answer;
}

} // namespace skinner
