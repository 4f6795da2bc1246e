#include "plat/Screen.h"
#include "GdiObjects.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <mutex>

namespace plat {
namespace {

std::mutex g_mutex;

ScreenProfile& current() {
    static ScreenProfile profile = [] {
        const char* screen = std::getenv("CHIMELY_SCREEN");
        const char* platform = std::getenv("CHIMELY_PLATFORM");
        return make_screen_profile(screen ? screen : "", platform ? platform : "");
    }();
    return profile;
}

bool read_dimension(std::string_view text, int& value) {
    int v = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || v <= 0 || v > max_surface_dimension)
        return false;
    value = v;
    return true;
}

} // namespace

ScreenProfile make_screen_profile(std::string_view screen, std::string_view platform) {
    ScreenProfile profile;
    size_t x = screen.find_first_of("xX");
    int width = 0, height = 0;
    if (x != std::string_view::npos && read_dimension(screen.substr(0, x), width) &&
        read_dimension(screen.substr(x + 1), height)) {
        profile.width = width;
        profile.height = height;
    }
    if (platform == "pocketpc-old")
        profile.platform = PlatformType::pocketpc_old;
    else if (platform == "smartphone")
        profile.platform = PlatformType::smartphone;
    const int dpi = std::min(profile.width, profile.height) >= 480 ? 192 : 96;
    profile.dpi_x = profile.dpi_y = dpi;
    return profile;
}

const ScreenProfile& screen_profile() {
    std::lock_guard lock(g_mutex);
    return current();
}

void set_screen_profile(const ScreenProfile& profile) {
    std::lock_guard lock(g_mutex);
    current() = profile;
}

HBITMAP screen_bitmap() {
    static HBITMAP bitmap = create_bitmap(screen_profile().width, screen_profile().height);
    return bitmap;
}

HDC get_screen_dc() {
    HDC dc = create_compatible_dc(nullptr);
    // The framebuffer may be selected into many contexts at once, as a screen is.
    if (dc && screen_bitmap())
        dc->surface = screen_bitmap();
    return dc;
}

} // namespace plat
