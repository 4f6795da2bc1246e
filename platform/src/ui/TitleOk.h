#pragma once
#include "plat/Gdi.h"
#include "plat/Messages.h"

// The title-bar OK of the top band: shown for the windows that asked for it
// while one of them is in front (and the band is drawn).
namespace plat::ui {

class TitleOk {
public:
    // The foreground window when it shows the OK; null otherwise.
    static HWND shown_for();
    // The OK's place on the screen; empty when none is shown.
    static RECT place();
    // Draws it at the right end of the band; answers the width it took.
    static int paint(HDC dc, const RECT& band);
};

} // namespace plat::ui
