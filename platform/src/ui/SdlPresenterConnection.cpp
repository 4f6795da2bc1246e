// Apart from the presenter, so the X11 headers' macros stay out of the rest of the window half.
#include "ui/SdlPresenter.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace plat::ui {

int sdl_connection_fd(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info))
        return -1;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (info.subsystem == SDL_SYSWM_X11 && info.info.x11.display)
        return ConnectionNumber(info.info.x11.display);
#endif
    return -1;
}

} // namespace plat::ui
