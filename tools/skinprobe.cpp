// skinprobe SKIN LANGUAGE FORM: builds the skin's form FORM, runs it
// modally on the device screen under the input script CHIMELY_INPUT and
// prints every event the form receives as "EVENT <operation> sender=<name>
// <payload>". It ends when the form closes or, once the script's last line
// has been applied and the program is idle, by itself.
#include "ProbeForm.h"

#include "os/Application.h"
#include "skinner/ControlSubclass.h"
#include "skinner/Properties.h"
#include "plat/Input.h"
#include "plat/Presenter.h"
#include "plat/Text.h"
#include "plat/Window.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The probe appends a lone release of F12 (a key nothing here uses) to a
// script file: its arrival means every line before it has been applied and handled.
constexpr uint32_t end_of_script_key = plat::VK_F12;

void print_line(std::FILE* to, const std::wstring& line) {
    const std::string text = plat::to_utf8(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), to);
    std::fflush(to);
}

// The script as given, with the end key as its last line; a FIFO is left
// alone (it never ends). Answers the copy's path, empty when none was made.
std::string script_with_end_key() {
    const char* script = std::getenv("CHIMELY_INPUT");
    struct stat info{};
    if (!script || !*script || ::stat(script, &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    std::ifstream in(script, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    char path[] = "/tmp/skinprobe-script-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return {};
    std::string copy = text.str();
    if (!copy.empty() && copy.back() != '\n')
        copy += '\n';
    copy += "keyup " + std::to_string(end_of_script_key) + "\n";
    const bool written = ::write(fd, copy.data(), copy.size()) == ssize_t(copy.size());
    ::close(fd);
    if (!written) {
        ::unlink(path);
        return {};
    }
    ::setenv("CHIMELY_INPUT", path, 1);
    return path;
}

// Closes the form when the end key comes up.
class EndOfScript : public skinner::ControlSubclass {
public:
    explicit EndOfScript(skinner::Form& form) : form_(form) { attach(form.get_window()); }
    plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM, bool&) override {
        if (message == plat::WM_KEYUP && wparam == end_of_script_key)
            form_.close();
        return 0;
    }

private:
    skinner::Form& form_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: skinprobe SKIN LANGUAGE FORM\n");
        return 2;
    }
    const std::string script_copy = script_with_end_key();
    os::Application application(nullptr);
    skinner::Properties properties;
    properties.load_skin(plat::from_utf8(argv[1]), skinner::get_screen_size());
    if (!properties.load_language(plat::from_utf8(argv[2]))) {
        std::fprintf(stderr, "skinprobe: cannot read the language file %s\n", argv[2]);
        return 1;
    }
    plat::start_screen(L"skinprobe");
    {
        probe::ProbeForm form(
            &properties, plat::from_utf8(argv[3]), [](const std::wstring& line) { print_line(stdout, line); },
            [](const std::wstring& line) { print_line(stderr, L"skinprobe: " + line); });
        EndOfScript end(form);
        plat::set_foreground_window(form.get_window());
        plat::set_focus(form.get_window());
        form.do_modal();
    }
    plat::stop_screen();
    if (!script_copy.empty())
        ::unlink(script_copy.c_str());
    return 0;
}
