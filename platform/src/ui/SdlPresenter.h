#pragma once
#include "plat/Gdi.h"

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

struct SDL_Window;
struct SDL_Cursor;
union SDL_Event;

namespace plat::ui {

// The descriptor of the window system's connection, readable when it has
// events for SDL; -1 when the video driver does not say.
int sdl_connection_fd(SDL_Window* window);

// The device screen in one SDL window, zoomed; SDL's events become device input.
class SdlPresenter {
public:
    SdlPresenter() = default;
    ~SdlPresenter();
    SdlPresenter(const SdlPresenter&) = delete;
    SdlPresenter& operator=(const SdlPresenter&) = delete;

    // False when SDL's video does not start or the window cannot be made.
    bool open(std::wstring_view title, int zoom);
    void show(bool shown);
    void raise();
    // Composes the screen and shows it when it differs from what is shown.
    void present();
    // Takes SDL's pending events and queues them as device input.
    void pump_events();
    // Before the screen's thread waits: 0 when SDL has events, else the
    // connection to watch, or a short slice where there is none to watch or
    // input was just handled.
    int32_t plan(std::vector<int>& fds);
    void set_cursor(int id);

private:
    void handle(const SDL_Event& event);
    void handle_window_event(const SDL_Event& event);

    SDL_Window* window_ = nullptr;
    int zoom_ = 2;
    int connection_fd_ = -1;
    uint32_t last_event_ticks_ = 0;  // SDL ticks of the last event handled
    bool shown_ = false;
    bool shortcut_held_ = false;  // the last key went down with Control or (left) Alt held
    bool stale_ = true;  // the window needs the whole frame again even where it did not change
    int32_t frame_width_ = 0, frame_height_ = 0;  // of the frame last shown
    std::vector<uint8_t> last_frame_;
    std::vector<uint32_t> zoomed_row_;
    POINT pointer_{-1, -1};  // device pixel of the last move
    std::map<int, SDL_Cursor*> cursors_;
};

} // namespace plat::ui
