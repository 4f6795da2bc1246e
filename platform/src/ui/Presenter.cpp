#include "ui/Presenter.h"

#include "plat/Input.h"
#include "plat/PngWriter.h"
#include "plat/Screen.h"
#include "plat/Window.h"
#include "plat/MessageBox.h"
#include "ui/InputScript.h"
#include "ui/MessageBoxWindow.h"
#include "ui/SdlPresenter.h"
#include "ui/WindowManager.h"
#include "ui/WindowTable.h"

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plat::ui {
namespace {

constexpr int default_zoom = 2;
constexpr int max_zoom = 16;
// While the thread only waits, the screen is still looked at this often (the band's clock).
constexpr auto waiting_frame_interval = std::chrono::milliseconds(250);

ScriptMenuHooks g_menu_hooks;
volatile std::sig_atomic_t g_screenshot_requested = 0;

void on_screenshot_signal(int) { g_screenshot_requested = 1; }

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int zoom_from_environment() {
    const std::string text = environment("CHIMELY_ZOOM");
    int zoom = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), zoom);
    if (error == std::errc() && end == text.data() + text.size() && zoom >= 1 && zoom <= max_zoom)
        return zoom;
    if (!text.empty())
        std::fprintf(stderr, "CHIMELY_ZOOM=%s is not a zoom of 1 to %d; using %d\n", text.c_str(), max_zoom,
                     default_zoom);
    return default_zoom;
}

bool display_available() { return !environment("DISPLAY").empty() || !environment("WAYLAND_DISPLAY").empty(); }

} // namespace

void set_script_menu_hooks(ScriptMenuHooks hooks) { g_menu_hooks = std::move(hooks); }
const ScriptMenuHooks& script_menu_hooks() { return g_menu_hooks; }

Presenter& Presenter::instance() {
    // Never destroyed: windows and their threads may outlive static destruction.
    static auto* presenter = new Presenter;
    return *presenter;
}

Presenter::~Presenter() = default;

void Presenter::start(std::wstring_view program_name) {
    if (started_)
        return;
    started_ = true;
    const std::string video = environment("CHIMELY_VIDEO");
    bool want_sdl = video == "sdl";
    if (video.empty()) {
        want_sdl = display_available();
    } else if (video != "sdl" && video != "headless") {
        std::fprintf(stderr, "CHIMELY_VIDEO=%s is neither sdl nor headless; choosing by the display\n", video.c_str());
        want_sdl = display_available();
    }
    if (want_sdl) {
        sdl_ = std::make_unique<SdlPresenter>();
        if (sdl_->open(program_name, zoom_from_environment())) {
            kind_ = PresenterKind::sdl;
            sdl_->set_cursor(cursor_id(get_cursor()));
            // With a screen the user answers message boxes; headless they answer at once.
            set_message_box_handler(drawn_message_box_handler());
        } else {
            sdl_.reset();
            if (video == "sdl")
                std::fprintf(stderr, "screen: running headless instead\n");
        }
    }

    screenshot_path_ = environment("CHIMELY_SCREENSHOT");
    if (!screenshot_path_.empty()) {
        struct sigaction action {};
        action.sa_handler = on_screenshot_signal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(SIGUSR1, &action, nullptr);
    }
    const std::string script = environment("CHIMELY_INPUT");
    if (!script.empty())
        start_script(script);

    WaitHooks hooks;
    hooks.idle = [this] { idle(); };
    hooks.pump = [this] { pump(); };
    set_wait_hooks(std::move(hooks));
    follow_windows();
}

void Presenter::stop() {
    if (!started_)
        return;
    set_wait_hooks(WaitHooks{});
    if (sdl_)
        set_message_box_handler({});
    sdl_.reset();
    script_.reset();
    started_ = false;
    kind_ = PresenterKind::headless;
    shown_ = false;
    backed_out_ = false;
    foreground_ = nullptr;
}

void Presenter::navigate_back() {
    // The user went to another program: none of ours is in front any more.
    activate(nullptr, WA_INACTIVE);
    backed_out_ = true;
    foreground_ = nullptr;
    follow_windows();
}

bool Presenter::write_screenshot(const std::string& linux_path) {
    compose_screen();
    BitmapInfo frame;
    return get_bitmap_info(screen_bitmap(), frame) &&
           write_png(linux_path, frame.bits, frame.width, frame.height, frame.stride);
}

void Presenter::show_cursor(int id) {
    if (sdl_)
        sdl_->set_cursor(id);
}

void Presenter::idle() {
    follow_windows();
    serve_screenshot_signal();
    step_script();
    if (sdl_) {
        sdl_->present();
        last_frame_ = std::chrono::steady_clock::now();
    }
}

void Presenter::pump() {
    if (sdl_)
        sdl_->pump_events();
    serve_screenshot_signal();
    step_script();
    follow_windows();
    const auto now = std::chrono::steady_clock::now();
    if (sdl_ && now - last_frame_ >= waiting_frame_interval) {
        sdl_->present();
        last_frame_ = now;
    }
}

void Presenter::start_script(const std::string& linux_path) {
    script_ = std::make_unique<InputScript>();
    script_->open(linux_path);
}

bool Presenter::script_finished() const { return !script_ || script_->finished(); }

// Shown while a window of the program is visible, unless the user went back
// and no window has come forward since.
void Presenter::follow_windows() {
    HWND foreground = get_foreground_window();
    const bool came_forward = foreground && foreground != foreground_;
    foreground_ = foreground;
    if (came_forward)
        backed_out_ = false;
    shown_ = !backed_out_ && !top_level_windows(true).empty();
    if (sdl_) {
        sdl_->show(shown_);
        if (shown_ && came_forward)
            sdl_->raise();
    }
}

void Presenter::serve_screenshot_signal() {
    if (!g_screenshot_requested)
        return;
    g_screenshot_requested = 0;
    if (!write_screenshot(screenshot_path_))
        std::fprintf(stderr, "CHIMELY_SCREENSHOT: cannot write %s\n", screenshot_path_.c_str());
}

void Presenter::step_script() {
    if (!script_ || !thread_is_idle())
        return;
    if (!script_->finished()) {
        script_->step();
    } else if (script_end_) {
        auto handler = std::move(script_end_);
        script_end_ = nullptr;
        handler();
    }
}

} // namespace plat::ui

namespace plat {

void start_screen(std::wstring_view program_name) { ui::Presenter::instance().start(program_name); }
void stop_screen() { ui::Presenter::instance().stop(); }
PresenterKind presenter_kind() { return ui::Presenter::instance().kind(); }
bool write_screenshot(const std::string& linux_path) { return ui::Presenter::instance().write_screenshot(linux_path); }
void navigate_back() { ui::Presenter::instance().navigate_back(); }
void set_input_script_end_handler(std::function<void()> handler) {
    ui::Presenter::instance().set_script_end_handler(std::move(handler));
}
bool presenter_shown() { return ui::Presenter::instance().shown(); }

} // namespace plat
