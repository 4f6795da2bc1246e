#pragma once
#include "plat/Messages.h"
#include "plat/Presenter.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat::ui {

class InputScript;
class SdlPresenter;

// The shell's menu bar and popup menus answer the input script's `soft N`
// (1 left, 2 right) and `choose N` (popup entry); without them those lines
// are reported as not available. They are called from the screen thread's
// wait hooks, which never run inside themselves: a hook that opens a popup
// posts that work rather than running the popup's loop there.
struct ScriptMenuHooks {
    std::function<void(int key)> soft;
    std::function<void(int entry)> choose;
};
void set_script_menu_hooks(ScriptMenuHooks hooks);
const ScriptMenuHooks& script_menu_hooks();

// The screen of this process: which presenter shows it, whether it is shown,
// the input script and the screenshot signal. Everything but the signal
// handler runs on the screen's thread, the one that called start.
class Presenter {
public:
    static Presenter& instance();
    ~Presenter();

    void start(std::wstring_view program_name);
    void stop();
    PresenterKind kind() const { return kind_; }
    bool shown() const { return shown_; }
    void navigate_back();
    bool write_screenshot(const std::string& linux_path);
    void show_cursor(int id);

    // What the screen's thread runs before its queue blocks, what it watches
    // while it waits, and what it runs whenever the wait wakes.
    void idle();
    int32_t plan(std::vector<int>& fds);
    void pump();

    // Test seam: input lines are read from this file or FIFO from now on.
    void start_script(const std::string& linux_path);
    bool script_finished() const;
    void set_script_end_handler(std::function<void()> handler) { script_end_ = std::move(handler); }

private:
    void follow_windows();
    void serve_screenshot_signal();
    void step_script();

    bool started_ = false;
    PresenterKind kind_ = PresenterKind::headless;
    std::unique_ptr<SdlPresenter> sdl_;
    std::unique_ptr<InputScript> script_;
    std::function<void()> script_end_;  // called once when the script is done
    std::string screenshot_path_;
    bool shown_ = false;
    bool backed_out_ = false;
    HWND foreground_ = nullptr;  // as last seen, to notice a window coming forward
};

} // namespace plat::ui
