// Chimely: the resident talking alarm clock. A later start of the program
// (the wake-up, the home-screen item, the user) hands its command line to the
// running instance and ends; the first start builds the model, the skin and
// the main form and runs until a start hands it "close" (or SIGTERM/SIGINT).
#include "app/Document.h"
#include "app/FormMain.h"
#include "app/SkinChoice.h"
#include "base/Log.h"
#include "base/TimeStamp.h"
#include "os/Application.h"
#include "skinner/ControlSubclass.h"
#include "skinner/Properties.h"
#include "plat/Messages.h"
#include "plat/Paths.h"
#include "plat/Presenter.h"
#include "plat/Text.h"

#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr wchar_t application_name[] = L"Chimely";
// A start that could neither become the running program nor hand its command line over.
constexpr int gave_up_exit_code = 75;
// The stop request, posted to the main form's window.
constexpr uint32_t stop_request = plat::WM_APP + 1;

// What a graceful end may take after the first SIGTERM or SIGINT before the
// program is ended anyway.
constexpr int graceful_end_ms = 1000;
// Written to the pipe when the program ends on its own: the reader stops.
constexpr char quit_byte = 0;

int g_signal_pipe[2] = {-1, -1};

void on_stop_signal(int signal_number) {
    const int saved = errno;
    const char byte = char(signal_number);
    (void)!::write(g_signal_pipe[1], &byte, 1);
    errno = saved;
}

// SIGTERM and SIGINT end the program as "close" does. The handler only writes
// to a pipe; a thread of its own reads it and posts the request to the main
// form's window, and the form window, on the GUI thread, hands "close" to the
// form. Whatever the program waits for, it ends within a second all the same:
// at once when no main window exists yet (nothing has changed that could be
// lost), and when the graceful end takes longer than that or a second signal
// comes, as the signal ends a program that does not handle it.
class StopSignals : public skinner::ControlSubclass {
public:
    StopSignals() {
        if (::pipe2(g_signal_pipe, O_CLOEXEC) != 0)
            return;
        struct sigaction action {};
        action.sa_handler = on_stop_signal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
        reader_ = std::thread([this] { read_signals(); });
    }
    ~StopSignals() override {
        if (!reader_.joinable())
            return;
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
        (void)!::write(g_signal_pipe[1], &quit_byte, 1);
        reader_.join();
        ::close(g_signal_pipe[0]);
        ::close(g_signal_pipe[1]);
    }

    // From now on the requests go to the form.
    void deliver_to(FormMain& form) {
        form_ = &form;
        attach(form.get_window());
        std::lock_guard lock(mutex_);
        window_ = form.get_window();
    }
    // Before the form goes: the program is ending by itself.
    void stop_delivery() {
        {
            std::lock_guard lock(mutex_);
            window_ = nullptr;
            ending_ = true;
        }
        detach();
        form_ = nullptr;
    }

    plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam, bool& pass_on) override {
        if (message != stop_request || !form_)
            return ControlSubclass::handle_message(message, wparam, lparam, pass_on);
        pass_on = false;
        form_->post_command_line(FormMain::close_text);
        return 0;
    }

private:
    void read_signals() {
        int first_signal = 0;
        for (;;) {
            pollfd entry{g_signal_pipe[0], POLLIN, 0};
            const int ready = ::poll(&entry, 1, first_signal ? graceful_end_ms : -1);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready == 0)
                end_now(first_signal);  // the graceful end takes too long
            char byte = quit_byte;
            if (ready < 0 || ::read(g_signal_pipe[0], &byte, 1) != 1 || byte == quit_byte)
                return;
            std::lock_guard lock(mutex_);
            if (first_signal || (!window_ && !ending_))
                end_now(byte);
            first_signal = byte;
            if (window_)
                plat::post_message(window_, stop_request, 0, 0);
        }
    }

    [[noreturn]] static void end_now(int signal_number) {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        sigaction(signal_number, &action, nullptr);
        ::kill(::getpid(), signal_number);
        std::_Exit(128 + signal_number);  // not reached: the signal ends the process
    }

    std::thread reader_;
    std::mutex mutex_;
    plat::HWND window_ = nullptr;
    bool ending_ = false;
    FormMain* form_ = nullptr;
};

// The arguments joined by blanks, as the device hands a command line over.
std::wstring command_line_of(int argc, char** argv) {
    std::wstring text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += L' ';
        text += plat::from_utf8(argv[i]);
    }
    return text;
}

void run_resident(os::Application& application, const std::wstring& command_line, StopSignals& signals) {
    skinner::Properties properties;
    Document document;
    // Counted from a little before now, so a wake-up that started the program finds its alarm missed.
    document.get_queue().fill_from(Document::fill_start(liba::TimeStamp::now()));
    const plat::POINT screen = skinner::get_screen_size();
    Settings& settings = document.get_settings();
    skin_choice::load_first_skin(properties, settings, screen);
    if (!properties.load_language(settings.get_language()))
        liba::get_log() << L"language {" << settings.get_language() << L"} does not load\n";
    FormMain form(properties);
    application.show_running_instance_close_bracket();

    form.show(true);
    signals.deliver_to(form);
    // The first start acts on its own text as it would on a later start's, inside the loop.
    if (!command_line.empty())
        form.post_command_line(command_line);
    form.do_modal();
    signals.stop_delivery();
}

} // namespace

int main(int argc, char** argv) {
    if (const std::string problem = plat::device_root_problem(true); !problem.empty()) {
        std::fprintf(stderr, "Chimely: %s\n", problem.c_str());
        return 1;
    }
    StopSignals signals;
    const std::wstring command_line = command_line_of(argc, argv);
    os::Application application(nullptr);
    if (application.show_running_instance_open_bracket(command_line, application_name))
        return application.gave_up() ? gave_up_exit_code : 0;
    // Nothing runs that "close" could end.
    if (command_line == FormMain::close_text)
        return 0;
    std::setlocale(LC_TIME, "");  // calendar controls name months and weekdays in the user's language
    plat::start_screen(application_name);
    run_resident(application, command_line, signals);
    plat::stop_screen();
    return 0;
}
