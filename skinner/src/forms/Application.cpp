#include "os/Application.h"

#include "skinner/Form.h"

#include "base/Log.h"
#include "base/Scheduler.h"
#include "plat/Clock.h"
#include "plat/Errors.h"
#include "plat/Input.h"
#include "plat/Text.h"
#include "plat/Threads.h"
#include "plat/Window.h"

#include <algorithm>
#include <cstdio>

namespace os {
namespace {

Application* g_application = nullptr;

// The owner of the fatal report's box: the modal form's window, else the first form's.
plat::HWND main_window() {
    if (skinner::Form* form = skinner::Form::modal_form())
        return form->get_window();
    const auto& forms = skinner::Form::all_forms();
    return forms.empty() ? nullptr : forms.front()->get_window();
}

void log_tick(const wchar_t* text) { liba::get_log() << plat::tick_count() << text; }

} // namespace

Application::Application(void* instance) : instance_(instance) {
    if (g_application)
        liba::report_error(L"Application::Application", L"instance != 0");
    g_application = this;
    scheduler_ = std::make_unique<CActiveScheduler>();
    set_active_scheduler(scheduler_.get());
    liba::set_main_window_query(main_window);
}

Application::~Application() {
    log_tick(L" Application::~Application 1\n");
    set_active_scheduler(nullptr);
    scheduler_.reset();
    log_tick(L" Application::~Application 2\n");
    show_running_instance_close_bracket();
    log_tick(L" Application::~Application 3\n");
    // COM has no counterpart here: nothing to uninitialise.
    log_tick(L" Application::~Application 4\n");
    liba::set_main_window_query(nullptr);
    g_application = nullptr;
}

Application* Application::get_instance() { return g_application; }

CActiveScheduler* Application::get_scheduler() { return g_application ? g_application->scheduler_.get() : nullptr; }

bool Application::show_running_instance_open_bracket(std::wstring_view command_line,
                                                     std::wstring_view application_name) {
    class_name_.assign(class_prefix).append(application_name);
    if (class_name_.size() > max_class_name)
        liba::report_error(L"Application::Application", L"Application name is too long. Sorry.");
    found_ = false;
    gave_up_ = false;
    auto mutex = std::make_unique<plat::NamedMutex>(class_name_);
    if (!mutex->valid() || !mutex->lock_for(lock_wait_ms)) {
        if (plat::last_error() == plat::ERROR_TIMEOUT) {
            give_up(application_name, "an earlier start of the program holds the single-instance lock");
            return true;
        }
        liba::get_log() << L"Application::show_running_instance_open_bracket mutex==0\n";
        return false;
    }
    instance_mutex_ = std::move(mutex);
    // Held until the close bracket: a start that comes meanwhile searches
    // only after this one has made its main window.
    command_line_.assign(command_line);
    found_ = hand_over(command_line_);
    if (found_ && plat::last_error() == plat::ERROR_TIMEOUT)
        give_up(application_name, "the running program does not take the command line");
    plat::set_cursor(plat::load_cursor(plat::IDC_WAIT));
    return found_ || gave_up_;
}

void Application::give_up(std::wstring_view application_name, const char* reason) {
    gave_up_ = true;
    liba::get_log() << L"Application::show_running_instance_open_bracket gave up: " << reason << L"\n";
    std::fprintf(stderr, "%s: %s; this start gives up after %u s\n", plat::to_utf8(application_name).c_str(),
                 reason, unsigned(lock_wait_ms / 1000));
}

bool Application::hand_over(std::wstring_view command_line) {
    // UTF-16LE on the wire, so characters beyond 16 bits arrive whole.
    std::string bytes = plat::to_utf16le(command_line);
    if (bytes.size() > plat::max_copy_data_bytes)
        bytes.resize(plat::max_copy_data_bytes);
    plat::COPYDATASTRUCT data;
    data.dwData = 0;
    data.cbData = uint32_t(bytes.size());
    data.lpData = bytes.data();

    bool found = false;
    uint32_t error = plat::ERROR_SUCCESS;
    plat::enum_windows([&](plat::HWND window) {
        // Only the running instance's main window: neither parent nor owner.
        if (plat::get_class_name(window) != class_name_ || plat::get_parent(window) || plat::get_owner(window))
            return true;
        liba::get_log() << L"Application::EnumProc window found\n";
        found = true;
        // Whatever the send answers, this start ends: an instance that hangs
        // (the send times out, and this start gives up) or that ends on this
        // very text ("close") before its answer arrives still runs on, or ran,
        // on the same files. Dead instances were dropped from the list already.
        plat::set_last_error(plat::ERROR_SUCCESS);
        if (!plat::send_message(window, plat::WM_COPYDATA, 0, reinterpret_cast<plat::LPARAM>(&data)))
            error = plat::last_error();
        return false;
    });
    plat::set_last_error(error);
    return found;
}

void Application::show_running_instance_close_bracket() {
    plat::set_cursor(nullptr);
    if (instance_mutex_) {
        instance_mutex_->unlock();
        instance_mutex_.reset();
    }
}

} // namespace os
