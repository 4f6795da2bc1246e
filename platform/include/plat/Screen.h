#pragma once
#include "plat/Gdi.h"

#include <string_view>

// The device screen: its profile, read once from CHIMELY_SCREEN ("WxH",
// default 240x320) and CHIMELY_PLATFORM (pocketpc, pocketpc-old,
// smartphone; default pocketpc), and the framebuffer surface it shows.
namespace plat {

enum class PlatformType { pocketpc, pocketpc_old, smartphone };

struct ScreenProfile {
    int width = 240;
    int height = 320;
    int bits_per_pixel = 32;  // the framebuffer's surfaces
    int dpi_x = 96;
    int dpi_y = 96;
    PlatformType platform = PlatformType::pocketpc;
};

// The profile the texts give; an unreadable or missing text keeps its default.
// Screens whose shorter side is 480 or more are high-resolution (192 dots per inch).
ScreenProfile make_screen_profile(std::string_view screen, std::string_view platform);
const ScreenProfile& screen_profile();
// Test seam: replaces the process's profile (the framebuffer keeps its size).
void set_screen_profile(const ScreenProfile& profile);

// The framebuffer, made on first use at the profile's size; it lives as long as the process.
HBITMAP screen_bitmap();
// A context over the framebuffer; free it with delete_dc.
HDC get_screen_dc();

} // namespace plat
