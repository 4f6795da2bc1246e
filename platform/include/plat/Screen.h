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
// A new screen size at run time: the profile takes it (dots per inch by the
// shorter side, as make_screen_profile) and the framebuffer is made anew at
// that size (blank).
// False, with nothing changed, for a side outside 1..max_surface_dimension
// (last error ERROR_INVALID_PARAMETER) or when the new framebuffer cannot be
// made (ERROR_NOT_ENOUGH_MEMORY). Window notification is
// set_screen_size's ("plat/System.h").
bool resize_screen(int width, int height);

// The framebuffer, made on first use at the profile's size; the handle lives
// as long as the process. A resize gives it new pixels, so contexts over it
// follow the new size; pixel pointers from get_bitmap_info are then stale, so
// resize on the screen's thread, between compositions.
HBITMAP screen_bitmap();
// A context over the current framebuffer; free it with delete_dc.
HDC get_screen_dc();

} // namespace plat
