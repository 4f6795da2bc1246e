#include "plat/Screen.h"
#include "GdiObjects.h"
#include "Switches.h"
#include "plat/Errors.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>

namespace plat {
namespace {

std::mutex g_mutex;

// The framebuffer keeps its handle for the life of the process; a resize
// gives it new pixels, so every context over it follows.
HBITMAP g_framebuffer = nullptr;  // guarded by g_mutex

int dpi_for(int width, int height) { return std::min(width, height) >= 480 ? 192 : 96; }

bool read_dimension(std::string_view text, int& value) {
    int v = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || v <= 0 || v > max_surface_dimension)
        return false;
    value = v;
    return true;
}

// "WxH"; false, leaving the profile as it is, for anything else.
bool read_screen_size(std::string_view screen, ScreenProfile& profile) {
    size_t x = screen.find_first_of("xX");
    int width = 0, height = 0;
    if (x == std::string_view::npos || !read_dimension(screen.substr(0, x), width) ||
        !read_dimension(screen.substr(x + 1), height))
        return false;
    profile.width = width;
    profile.height = height;
    return true;
}

bool read_platform(std::string_view platform, ScreenProfile& profile) {
    if (platform == "pocketpc")
        profile.platform = PlatformType::pocketpc;
    else if (platform == "pocketpc-old")
        profile.platform = PlatformType::pocketpc_old;
    else if (platform == "smartphone")
        profile.platform = PlatformType::smartphone;
    else
        return false;
    return true;
}

ScreenProfile& current() {
    static ScreenProfile profile = [] {
        const std::string screen = switches::value("CHIMELY_SCREEN");
        const std::string platform = switches::value("CHIMELY_PLATFORM");
        ScreenProfile read;
        if (!screen.empty() && !read_screen_size(screen, read))
            switches::warn("CHIMELY_SCREEN", "is not a screen size WxH of 1 to " +
                                                 std::to_string(max_surface_dimension) + " pixels; using " +
                                                 std::to_string(read.width) + "x" + std::to_string(read.height));
        if (!platform.empty() && !read_platform(platform, read))
            switches::warn("CHIMELY_PLATFORM", "is not pocketpc, pocketpc-old or smartphone; using pocketpc");
        return make_screen_profile(screen, platform);
    }();
    return profile;
}

} // namespace

ScreenProfile make_screen_profile(std::string_view screen, std::string_view platform) {
    ScreenProfile profile;
    read_screen_size(screen, profile);
    read_platform(platform, profile);
    profile.dpi_x = profile.dpi_y = dpi_for(profile.width, profile.height);
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

bool resize_screen(int width, int height) {
    if (width < 1 || height < 1 || width > max_surface_dimension || height > max_surface_dimension) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    // The new pixels are made before anything changes, so running out of memory loses nothing.
    HBITMAP fresh = create_bitmap(width, height);
    if (!fresh) {
        set_last_error(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    std::lock_guard lock(g_mutex);
    ScreenProfile& profile = current();
    profile.width = width;
    profile.height = height;
    profile.dpi_x = profile.dpi_y = dpi_for(width, height);
    if (!g_framebuffer) {
        g_framebuffer = fresh;
        return true;
    }
    DeviceContext* selected_into = g_framebuffer->selected_into;
    *g_framebuffer = std::move(*fresh);
    g_framebuffer->selected_into = selected_into;
    delete_bitmap(fresh);
    return true;
}

HBITMAP screen_bitmap() {
    std::lock_guard lock(g_mutex);
    if (!g_framebuffer)
        g_framebuffer = create_bitmap(current().width, current().height);
    return g_framebuffer;
}

HDC get_screen_dc() {
    HDC dc = create_compatible_dc(nullptr);
    HBITMAP bitmap = screen_bitmap();
    // The framebuffer may be selected into many contexts at once, as a screen is.
    if (dc && bitmap)
        dc->surface = bitmap;
    return dc;
}

} // namespace plat
