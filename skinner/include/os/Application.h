#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CActiveScheduler;

namespace plat {
class NamedMutex;
}

namespace os {

// The running program inside the framework: it owns the scheduler that
// drives every timer, names the window class of all form windows and
// brackets start-up so that a second start hands its command line to the
// first one. One object per process, made first and destroyed last.
class Application {
public:
    static constexpr std::wstring_view class_prefix = L"SkinnerClass_";
    // The longest class name (and so mutex name) the shell takes.
    static constexpr size_t max_class_name = 38;
    // How long a start waits for the single-instance lock before it gives up.
    static constexpr uint32_t lock_wait_ms = 5000;

    // A second object is a fatal report.
    explicit Application(void* instance);
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* get_instance();
    static CActiveScheduler* get_scheduler();

    // True when a running instance was found and handed the command line,
    // or when this start gave up (gave_up); the caller then ends at once.
    // Otherwise the bracket stays open (later starts wait) until
    // show_running_instance_close_bracket.
    bool show_running_instance_open_bracket(std::wstring_view command_line, std::wstring_view application_name);
    void show_running_instance_close_bracket();

    void* get_module_instance() const { return instance_; }
    const std::wstring& get_class_name() const { return class_name_; }
    bool found() const { return found_; }
    // The last open bracket gave up, with one log line and a message on
    // standard error: another start kept the lock for lock_wait_ms (it hangs
    // before its main window exists), or the running instance did not take
    // the command line in time.
    bool gave_up() const { return gave_up_; }

private:
    bool hand_over(std::wstring_view command_line);
    void give_up(std::wstring_view application_name, const char* reason);

    void* instance_ = nullptr;
    std::unique_ptr<plat::NamedMutex> instance_mutex_;
    std::wstring class_name_{class_prefix};
    std::unique_ptr<CActiveScheduler> scheduler_;
    bool found_ = false;
    bool gave_up_ = false;
    std::wstring command_line_;
};

} // namespace os
