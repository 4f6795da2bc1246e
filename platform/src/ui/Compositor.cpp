#include "ui/WindowManager.h"

// Placeholder until the compositor lands.
namespace plat::ui {
void compose_screen() {}
void set_bottom_band_painter(BandPainter) {}
} // namespace plat::ui
