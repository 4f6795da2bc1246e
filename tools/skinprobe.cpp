// skinprobe SKIN LANGUAGE FORM: builds the skin's form FORM, runs it
// modally on the device screen under the input script CHIMELY_INPUT and
// prints every event the form receives as "EVENT <operation> sender=<name>
// <payload>". It ends when the form closes or, once the script's last line
// has been applied and the program is idle, by itself.
#include "ProbeForm.h"

#include "os/Application.h"
#include "skinner/Properties.h"
#include "plat/Presenter.h"
#include "plat/Text.h"
#include "plat/Window.h"

#include <clocale>
#include <cstdio>
#include <string>

namespace {

void print_line(std::FILE* to, const std::wstring& line) {
    const std::string text = plat::to_utf8(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), to);
    std::fflush(to);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: skinprobe SKIN LANGUAGE FORM\n");
        return 2;
    }
    os::Application application(nullptr);
    skinner::Properties properties;
    properties.load_skin(plat::from_utf8(argv[1]), skinner::get_screen_size());
    if (!properties.load_language(plat::from_utf8(argv[2]))) {
        std::fprintf(stderr, "skinprobe: cannot read the language file %s\n", argv[2]);
        return 1;
    }
    std::setlocale(LC_TIME, "");  // the calendar controls' names, as the program shows them
    plat::start_screen(L"skinprobe");
    {
        probe::ProbeForm form(
            &properties, plat::from_utf8(argv[3]), [](const std::wstring& line) { print_line(stdout, line); },
            [](const std::wstring& line) { print_line(stderr, L"skinprobe: " + line); });
        // Once the script's last line has been applied and handled, the probe is done.
        const plat::HWND window = form.get_window();
        plat::set_input_script_end_handler([window] { plat::post_message(window, plat::WM_CLOSE, 0, 0); });
        plat::set_foreground_window(form.get_window());
        plat::set_focus(form.get_window());
        form.do_modal();
    }
    plat::stop_screen();
    return 0;
}
