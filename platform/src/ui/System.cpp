#include "plat/System.h"

#include "plat/Errors.h"
#include "plat/Input.h"
#include "plat/Window.h"
#include "ui/WindowManager.h"

#include <algorithm>
#include <string_view>

namespace plat {
namespace {

constexpr int icon_size_at_96_dpi = 16;
constexpr std::wstring_view oem_info_text = L"Chimely device layer";

// The text with its terminator into a caller's buffer of `bytes` bytes.
bool copy_text(std::wstring_view text, uint32_t bytes, void* data) {
    if (!data) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    const uint64_t needed = (uint64_t(text.size()) + 1) * sizeof(wchar_t);
    if (bytes < needed) {
        set_last_error(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    auto* out = static_cast<wchar_t*>(data);
    text.copy(out, text.size());
    out[text.size()] = L'\0';
    return true;
}

} // namespace

int get_system_metrics(int index) {
    const ScreenProfile& p = screen_profile();
    switch (index) {
    case SM_CXSCREEN: return p.width;
    case SM_CYSCREEN: return p.height;
    case SM_CXICON: return icon_size_at_96_dpi * p.dpi_x / 96;
    case SM_CYICON: return icon_size_at_96_dpi * p.dpi_y / 96;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return double_click_distance;
    default: return 0;
    }
}

bool system_parameters_info(uint32_t action, uint32_t param, void* data, uint32_t) {
    switch (action) {
    case SPI_GETPLATFORMTYPE: return copy_text(platform_type_text(), param, data);
    case SPI_GETOEMINFO: return copy_text(oem_info_text, param, data);
    case SPI_GETWORKAREA:
        if (!data)
            break;
        *static_cast<RECT*>(data) = work_area();
        return true;
    default: break;
    }
    set_last_error(ERROR_INVALID_PARAMETER);
    return false;
}

std::wstring platform_type_text() {
    return screen_profile().platform == PlatformType::smartphone ? L"SmartPhone" : L"PocketPC";
}

OsVersion os_version() {
    OsVersion version;
    version.major = screen_profile().platform == PlatformType::pocketpc ? 5 : 4;
    return version;
}

int band_height(const ScreenProfile& profile) {
    if (profile.platform == PlatformType::smartphone) {
        switch (profile.width) {
        case 176: return 20;
        case 240: return 27;
        case 352: return 40;
        case 480: return 54;
        default: return 0;
        }
    }
    return profile.width == 480 || profile.width == 640 ? 52 : 26;
}

RECT work_area() {
    const ScreenProfile& p = screen_profile();
    if (full_screen_mode())
        return RECT{0, 0, p.width, p.height};
    const int band = band_height(p);
    // Twice the band: the task bar above and the menu bar below.
    return RECT{0, band, p.width, band + std::max(0, p.height - 2 * band)};
}

int ext_escape(HDC, int, int, const void*, int, void*) {
    // No escape is supported: the support query answers 0 for every one, and
    // the display power calls fail, so callers count the display as on.
    return 0;
}

bool set_screen_size(int width, int height) {
    const ScreenProfile& p = screen_profile();
    if (width == p.width && height == p.height)
        return true;
    if (!resize_screen(width, height))
        return false;
    for (HWND window : ui::top_level_windows(false))
        send_message(window, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
    return true;
}

} // namespace plat

namespace plat::ui {
// The task bar is not drawn under a full-screen window; the menu bar is.
int top_band_height() { return full_screen_mode() ? 0 : band_height(screen_profile()); }
int bottom_band_height() { return band_height(screen_profile()); }
} // namespace plat::ui
