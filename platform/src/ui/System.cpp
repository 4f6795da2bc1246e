#include "plat/System.h"
#include "ui/WindowManager.h"

// Placeholder until the system information lands.
namespace plat {

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
    int band = band_height(p);
    return RECT{0, band, p.width, p.height - band};
}

} // namespace plat

namespace plat::ui {
int top_band_height() { return band_height(screen_profile()); }
int bottom_band_height() { return band_height(screen_profile()); }
} // namespace plat::ui
