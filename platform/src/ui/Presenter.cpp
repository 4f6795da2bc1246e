#include "ui/Presenter.h"
#include "Switches.h"

#include "plat/Clock.h"
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

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace plat::ui {
namespace {

constexpr int default_zoom = 2;
constexpr int max_zoom = 16;
constexpr int32_t ms_per_minute = 60000;

ScriptMenuHooks g_menu_hooks;
volatile std::sig_atomic_t g_screenshot_requested = 0;
// The signal's handler writes here, so a sleeping screen thread wakes to serve it.
int g_signal_pipe[2] = {-1, -1};

void on_screenshot_signal(int) {
    const int saved = errno;
    g_screenshot_requested = 1;
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(g_signal_pipe[1], &byte, 1);
    errno = saved;
}

void drain_signal_pipe() {
    char bytes[64];
    while (::read(g_signal_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

// Until the band's clock shows the next minute.
int32_t ms_to_next_minute() {
    const SystemTime now = local_time();
    return ms_per_minute - (int32_t(now.second) * 1000 + int32_t(now.milliseconds));
}

int32_t earlier(int32_t a, int32_t b) {
    if (a < 0)
        return b;
    return b < 0 ? a : std::min(a, b);
}

std::string environment(const char* name) { return switches::value(name); }

int zoom_from_environment() {
    const std::string text = environment("CHIMELY_ZOOM");
    int zoom = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), zoom);
    if (error == std::errc() && end == text.data() + text.size() && zoom >= 1 && zoom <= max_zoom)
        return zoom;
    if (!text.empty())
        switches::warn("CHIMELY_ZOOM", "is not a zoom of 1 to " + std::to_string(max_zoom) + "; using " +
                                           std::to_string(default_zoom));
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
        switches::warn("CHIMELY_VIDEO", "is neither sdl nor headless; choosing by the display");
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
        if (g_signal_pipe[0] < 0 && ::pipe2(g_signal_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
            std::fprintf(stderr, "CHIMELY_SCREENSHOT: no wake-up pipe: %s\n", std::strerror(errno));
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
    hooks.plan = [this](std::vector<int>& fds) { return plan(fds); };
    hooks.slice_ms = 0;
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
    if (sdl_)
        sdl_->present();
}

// Nothing here wakes the thread on a clock of its own except a shown band's
// minute, the script's wait or hold, and SDL's follow-up after input.
int32_t Presenter::plan(std::vector<int>& fds) {
    int32_t due = -1;
    if (g_screenshot_requested)
        return 0;
    if (g_signal_pipe[0] >= 0)
        fds.push_back(g_signal_pipe[0]);
    if (sdl_) {
        due = sdl_->plan(fds);
        if (shown_)
            due = earlier(due, ms_to_next_minute());
    }
    // The script only steps while the thread is idle; until then it has nothing to wait for.
    if (script_ && thread_is_idle()) {
        if (!script_->finished())
            due = earlier(due, script_->plan(fds));
        else if (script_end_)
            due = 0;
    }
    return due;
}

void Presenter::pump() {
    if (sdl_)
        sdl_->pump_events();
    serve_screenshot_signal();
    step_script();
    follow_windows();
    // Shows what changed while waiting, such as the band's clock; an unchanged frame is not sent again.
    if (sdl_)
        sdl_->present();
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
    if (g_signal_pipe[0] >= 0)
        drain_signal_pipe();
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
