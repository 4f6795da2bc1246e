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
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr wchar_t application_name[] = L"Chimely";
// The stop request, posted to the main form's window.
constexpr uint32_t stop_request = plat::WM_APP + 1;

int g_signal_pipe[2] = {-1, -1};

void on_stop_signal(int) {
    const int saved = errno;
    const char byte = 's';
    (void)!::write(g_signal_pipe[1], &byte, 1);
    errno = saved;
}

// SIGTERM and SIGINT end the program as "close" does. The handler only writes
// to a pipe; a thread of its own reads it and posts the request to the main
// form's window, and the form window, on the GUI thread, hands "close" to the
// form. A signal before the window exists waits for it.
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
        const char byte = 'q';
        (void)!::write(g_signal_pipe[1], &byte, 1);
        reader_.join();
        ::close(g_signal_pipe[0]);
        ::close(g_signal_pipe[1]);
    }

    // From now on the requests go to the form (one waiting already is posted now).
    void deliver_to(FormMain& form) {
        form_ = &form;
        attach(form.get_window());
        std::lock_guard lock(mutex_);
        window_ = form.get_window();
        if (requested_)
            plat::post_message(window_, stop_request, 0, 0);
    }
    // Before the form goes.
    void stop_delivery() {
        {
            std::lock_guard lock(mutex_);
            window_ = nullptr;
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
        for (;;) {
            char byte = 0;
            const ssize_t n = ::read(g_signal_pipe[0], &byte, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || byte == 'q')
                return;
            std::lock_guard lock(mutex_);
            requested_ = true;
            if (window_)
                plat::post_message(window_, stop_request, 0, 0);
        }
    }

    std::thread reader_;
    std::mutex mutex_;
    plat::HWND window_ = nullptr;
    bool requested_ = false;
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
        return 0;
    // Nothing runs that "close" could end.
    if (command_line == FormMain::close_text)
        return 0;
    std::setlocale(LC_TIME, "");  // calendar controls name months and weekdays in the user's language
    plat::start_screen(application_name);
    run_resident(application, command_line, signals);
    plat::stop_screen();
    return 0;
}
