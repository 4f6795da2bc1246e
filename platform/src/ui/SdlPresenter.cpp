#include "ui/SdlPresenter.h"

#include "plat/Input.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "plat/Text.h"
#include "plat/UiTest.h"
#include "plat/Window.h"
#include "ui/Keyboard.h"
#include "ui/WindowManager.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plat::ui {
namespace {

// After input, answers that come by other channels (an input method's text
// over its own bus) are looked for this often, for this long.
constexpr int32_t follow_up_slice_ms = 10;
constexpr uint32_t follow_up_ms = 500;
// The desktop entry's StartupWMClass.
constexpr const char* window_class = "Chimely";

uint32_t virtual_key_of(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z)
        return VK_A + uint32_t(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return VK_0 + uint32_t(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return VK_F1 + uint32_t(key - SDLK_F1);
    switch (key) {
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_TAB: return VK_TAB;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    default: return 0;
    }
}

SDL_SystemCursor system_cursor_of(int id) {
    switch (id) {
    case IDC_IBEAM: return SDL_SYSTEM_CURSOR_IBEAM;
    case IDC_WAIT: return SDL_SYSTEM_CURSOR_WAIT;
    case IDC_CROSS: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case IDC_SIZENWSE: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case IDC_SIZENESW: return SDL_SYSTEM_CURSOR_SIZENESW;
    case IDC_SIZEWE: return SDL_SYSTEM_CURSOR_SIZEWE;
    case IDC_SIZENS: return SDL_SYSTEM_CURSOR_SIZENS;
    case IDC_SIZEALL: return SDL_SYSTEM_CURSOR_SIZEALL;
    case IDC_NO: return SDL_SYSTEM_CURSOR_NO;
    case IDC_HAND: return SDL_SYSTEM_CURSOR_HAND;
    case IDC_APPSTARTING: return SDL_SYSTEM_CURSOR_WAITARROW;
    default: return SDL_SYSTEM_CURSOR_ARROW;  // the help cursor too: SDL has none
    }
}

// The window that the close button asks to close: the foreground one, else the top visible one.
HWND window_to_close() {
    if (HWND foreground = get_foreground_window())
        return foreground;
    std::vector<HWND> windows = top_level_windows(true);
    return windows.empty() ? nullptr : windows.front();
}

} // namespace

SdlPresenter::~SdlPresenter() {
    for (auto& [id, cursor] : cursors_)
        SDL_FreeCursor(cursor);
    if (window_) {
        SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool SdlPresenter::open(std::wstring_view title, int zoom) {
    zoom_ = zoom;
    // Ctrl-C must end the program as usual, not become an SDL event.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The frame goes into the window's own surface (shared memory on X11). A renderer would load
    // the whole GL stack, some 80 MB resident all day, to copy a picture of a few hundred pixels.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The desktop knows the program by its window class, whichever of its names started it (the
    // wake-up starts it under the device's program name). SDL reads these when video starts.
    setenv("SDL_VIDEO_X11_WMCLASS", window_class, 1);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", window_class, 1);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "screen: SDL video does not start: %s\n", SDL_GetError());
        return false;
    }
    const ScreenProfile& screen = screen_profile();
    window_ = SDL_CreateWindow(to_utf8(title).c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                               screen.width * zoom_, screen.height * zoom_, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (!window_ || !SDL_GetWindowSurface(window_)) {
        std::fprintf(stderr, "screen: no SDL window: %s\n", SDL_GetError());
        if (window_)
            SDL_DestroyWindow(window_);
        window_ = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    connection_fd_ = sdl_connection_fd(window_);
    return true;
}

void SdlPresenter::show(bool shown) {
    if (shown == shown_)
        return;
    shown_ = shown;
    if (shown) {
        SDL_ShowWindow(window_);
        stale_ = true;
        present();
    } else {
        SDL_HideWindow(window_);
    }
}

void SdlPresenter::raise() { SDL_RaiseWindow(window_); }

void SdlPresenter::present() {
    if (!shown_)
        return;
    compose_screen();
    BitmapInfo frame;
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!get_bitmap_info(screen_bitmap(), frame) || !surface)
        return;
    if (frame.width != frame_width_ || frame.height != frame_height_) {
        frame_width_ = frame.width;
        frame_height_ = frame.height;
        stale_ = true;
    }
    // Only the band of rows that changed is drawn and sent: the clock's second hand, mostly.
    const size_t stride = size_t(frame.stride);
    auto same_row = [&](int32_t y) {
        return std::memcmp(last_frame_.data() + size_t(y) * stride, frame.bits + size_t(y) * stride, stride) == 0;
    };
    int32_t first = 0, end = frame.height;
    if (!stale_) {
        while (first < end && same_row(first))
            ++first;
        if (first == end)
            return;
        while (same_row(end - 1))
            --end;
    }
    last_frame_.assign(frame.bits, frame.bits + stride * size_t(frame.height));
    if (stale_)
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    // Whole zoom steps, so every device pixel is a square and the pointer maps back exactly.
    const int32_t width = std::min(frame.width * zoom_, surface->w);
    const int32_t bottom = std::min(end * zoom_, surface->h);
    zoomed_row_.resize(size_t(width));
    for (int32_t row = first; row * zoom_ < bottom; ++row) {
        const auto* source = reinterpret_cast<const uint32_t*>(frame.bits + size_t(row) * stride);
        for (int32_t x = 0; x < width; ++x)
            zoomed_row_[size_t(x)] = source[x / zoom_];
        // The frame's bytes (B, G, R, unused) are SDL's RGB888; the surface has the window's format.
        for (int32_t y = row * zoom_; y < std::min((row + 1) * zoom_, bottom); ++y)
            SDL_ConvertPixels(width, 1, SDL_PIXELFORMAT_RGB888, zoomed_row_.data(), width * 4,
                              surface->format->format,
                              static_cast<uint8_t*>(surface->pixels) + size_t(y) * size_t(surface->pitch),
                              surface->pitch);
    }
    const SDL_Rect changed = stale_ ? SDL_Rect{0, 0, surface->w, surface->h}
                                    : SDL_Rect{0, first * zoom_, width, std::max(bottom - first * zoom_, 0)};
    SDL_UpdateWindowSurfaceRects(window_, &changed, 1);
    stale_ = false;
}

void SdlPresenter::pump_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        last_event_ticks_ = SDL_GetTicks();
        handle(event);
    }
}

int32_t SdlPresenter::plan(std::vector<int>& fds) {
    // Reads what the connection already holds, so a poll on it misses nothing.
    SDL_PumpEvents();
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT))
        return 0;
    if (connection_fd_ < 0 || SDL_GetTicks() - last_event_ticks_ < follow_up_ms)
        return follow_up_slice_ms;
    fds.push_back(connection_fd_);
    return -1;
}

void SdlPresenter::handle(const SDL_Event& event) {
    // Window pixels to device pixels, rounding down on both sides of the origin.
    auto device = [this](int value) { return value >= 0 ? value / zoom_ : -((zoom_ - 1 - value) / zoom_); };
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        // SDL's repeats arrive as further downs while the key is held, as the device's do. What
        // a key types comes as SDL's text, with the layout, dead keys and input method applied.
        if (const uint32_t key = virtual_key_of(event.key.keysym.sym))
            Keyboard::instance().key(key, event.type == SDL_KEYDOWN, true);
        // Control and Alt combinations type nothing on the device; AltGr (right Alt) is the
        // layout's third level, which does type.
        if (event.type == SDL_KEYDOWN)
            shortcut_held_ = (event.key.keysym.mod & (KMOD_CTRL | KMOD_LALT)) != 0;
        break;
    case SDL_TEXTINPUT:
        // Text that an input method is still composing (SDL_TEXTEDITING) shows nothing; it comes
        // here whole once it is committed.
        if (!shortcut_held_)
            inject_text(from_utf8(event.text.text));
        break;
    case SDL_MOUSEMOTION: {
        // Only moves to another device pixel: a zoomed pixel holds several window pixels.
        const POINT at{device(event.motion.x), device(event.motion.y)};
        if (at.x != pointer_.x || at.y != pointer_.y)
            inject_pointer_move(at.x, at.y);
        pointer_ = at;
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT)
            inject_pointer_down(device(event.button.x), device(event.button.y));
        else if (event.button.button == SDL_BUTTON_RIGHT)
            inject_right_click(device(event.button.x), device(event.button.y));
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT)
            inject_pointer_up(device(event.button.x), device(event.button.y));
        break;
    case SDL_MOUSEWHEEL: {
        const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        if (notches)
            inject_wheel(device(x), device(y), notches);
        break;
    }
    case SDL_WINDOWEVENT:
        handle_window_event(event);
        break;
    default:
        break;
    }
}

void SdlPresenter::handle_window_event(const SDL_Event& event) {
    switch (event.window.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        const int width = std::max(1, event.window.data1 / zoom_);
        const int height = std::max(1, event.window.data2 / zoom_);
        const ScreenProfile& screen = screen_profile();
        if (width != screen.width || height != screen.height)
            set_screen_size(width, height);
        stale_ = true;
        break;
    }
    case SDL_WINDOWEVENT_EXPOSED:
        stale_ = true;
        break;
    case SDL_WINDOWEVENT_CLOSE:
        // Closing hides the program as on the device: the form decides what WM_CLOSE does.
        if (HWND window = window_to_close())
            post_message(window, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void SdlPresenter::set_cursor(int id) {
    const SDL_SystemCursor shape = system_cursor_of(id);
    auto found = cursors_.find(int(shape));
    if (found == cursors_.end())
        found = cursors_.emplace(int(shape), SDL_CreateSystemCursor(shape)).first;
    if (found->second)
        SDL_SetCursor(found->second);
}

} // namespace plat::ui
