// The SDL library is loaded only when the SDL screen is opened. Linked directly, it and the
// desktop libraries it needs (X11, Wayland, the sound server, D-Bus: some 40 in all) are loaded
// and relocated at every start, and a headless or hidden resident program carried them for
// nothing: several megabytes of resident memory. Every SDL function the device layer calls is
// defined here with SDL's own declaration and forwards to the library; one missing here shows as
// an undefined reference when the programs are linked.
#include <SDL.h>
#include <SDL_syswm.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* sdl_library_name = "libSDL2-2.0.so.0";

void* sdl_library() {
    static void* library = dlopen(sdl_library_name, RTLD_NOW | RTLD_LOCAL);
    return library;
}

// Null when the library or the function is missing.
void* find(const char* name) { return sdl_library() ? dlsym(sdl_library(), name) : nullptr; }

// Only opening the screen (SDL_InitSubSystem) and its error text can come before the library is
// known to be there; every other call follows a successful opening.
[[noreturn]] void missing(const char* name) {
    std::fprintf(stderr, "screen: %s is missing from %s\n", name, sdl_library_name);
    std::abort();
}

template <typename Function>
struct Result;
template <typename R, typename... Arguments>
struct Result<R(Arguments...)> {
    using type = R;
};

template <typename Function>
Function* resolve(const char* name) {
    void* found = find(name);
    if (!found)
        missing(name);
    return reinterpret_cast<Function*>(found);
}

} // namespace

#define CHIMELY_SDL_FORWARD(name, params, args)                                          \
    Result<decltype(name)>::type SDLCALL name params {                                  \
        static auto* function = resolve<decltype(name)>(#name);                         \
        return function args;                                                            \
    }

extern "C" {

int SDLCALL SDL_InitSubSystem(Uint32 flags) {
    static auto* function = reinterpret_cast<decltype(SDL_InitSubSystem)*>(find("SDL_InitSubSystem"));
    return function ? function(flags) : -1;
}

const char* SDLCALL SDL_GetError(void) {
    static auto* function = reinterpret_cast<decltype(SDL_GetError)*>(find("SDL_GetError"));
    return function ? function() : "the SDL library cannot be loaded";
}

CHIMELY_SDL_FORWARD(SDL_QuitSubSystem, (Uint32 flags), (flags))
CHIMELY_SDL_FORWARD(SDL_SetHint, (const char* name, const char* value), (name, value))
CHIMELY_SDL_FORWARD(SDL_GetTicks, (void), ())
CHIMELY_SDL_FORWARD(SDL_free, (void* memory), (memory))
CHIMELY_SDL_FORWARD(SDL_CreateWindow, (const char* title, int x, int y, int w, int h, Uint32 flags),
                    (title, x, y, w, h, flags))
CHIMELY_SDL_FORWARD(SDL_DestroyWindow, (SDL_Window * window), (window))
CHIMELY_SDL_FORWARD(SDL_ShowWindow, (SDL_Window * window), (window))
CHIMELY_SDL_FORWARD(SDL_HideWindow, (SDL_Window * window), (window))
CHIMELY_SDL_FORWARD(SDL_RaiseWindow, (SDL_Window * window), (window))
CHIMELY_SDL_FORWARD(SDL_GetWindowWMInfo, (SDL_Window * window, SDL_SysWMinfo* info), (window, info))
CHIMELY_SDL_FORWARD(SDL_GetWindowSurface, (SDL_Window * window), (window))
CHIMELY_SDL_FORWARD(SDL_UpdateWindowSurfaceRects, (SDL_Window * window, const SDL_Rect* rects, int count),
                    (window, rects, count))
CHIMELY_SDL_FORWARD(SDL_FillRect, (SDL_Surface * surface, const SDL_Rect* rect, Uint32 colour),
                    (surface, rect, colour))
CHIMELY_SDL_FORWARD(SDL_MapRGB, (const SDL_PixelFormat* format, Uint8 r, Uint8 g, Uint8 b), (format, r, g, b))
CHIMELY_SDL_FORWARD(SDL_ConvertPixels,
                    (int w, int h, Uint32 from_format, const void* from, int from_pitch, Uint32 to_format, void* to,
                     int to_pitch),
                    (w, h, from_format, from, from_pitch, to_format, to, to_pitch))
CHIMELY_SDL_FORWARD(SDL_PollEvent, (SDL_Event * event), (event))
CHIMELY_SDL_FORWARD(SDL_PumpEvents, (void), ())
CHIMELY_SDL_FORWARD(SDL_HasEvents, (Uint32 first, Uint32 last), (first, last))
CHIMELY_SDL_FORWARD(SDL_GetMouseState, (int* x, int* y), (x, y))
CHIMELY_SDL_FORWARD(SDL_CreateSystemCursor, (SDL_SystemCursor id), (id))
CHIMELY_SDL_FORWARD(SDL_SetCursor, (SDL_Cursor * cursor), (cursor))
CHIMELY_SDL_FORWARD(SDL_FreeCursor, (SDL_Cursor * cursor), (cursor))
CHIMELY_SDL_FORWARD(SDL_HasClipboardText, (void), ())
CHIMELY_SDL_FORWARD(SDL_GetClipboardText, (void), ())
CHIMELY_SDL_FORWARD(SDL_SetClipboardText, (const char* text), (text))

} // extern "C"
