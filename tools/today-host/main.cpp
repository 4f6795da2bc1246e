// today-host [ITEM-LIBRARY ...]: a home screen of our own. Loads each item
// library named by its device path (by default the installed Chimely item),
// shows the items under the task bar, refreshes them every 2 s, moves the
// highlight with up and down and selects with the action key or a tap. With
// an input script (CHIMELY_INPUT) it ends once the script's last line is done.
#include "HomeScreen.h"

#include "plat/Paths.h"
#include "plat/Presenter.h"
#include "plat/Text.h"
#include "plat/Window.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr wchar_t default_item[] = L"\\Program Files\\Chimely\\QevaChimelyToday.so";
}

int main(int argc, char** argv) {
    if (const std::string problem = plat::device_root_problem(true); !problem.empty()) {
        std::fprintf(stderr, "today-host: %s\n", problem.c_str());
        return 2;
    }
    plat::start_screen(L"Today");
    int rc = 0;
    {
        HomeScreen screen;
        int loaded = 0;
        if (argc < 2)
            loaded += screen.load(default_item) ? 1 : 0;
        for (int i = 1; i < argc; ++i)
            loaded += screen.load(plat::from_utf8(argv[i])) ? 1 : 0;
        if (loaded == 0)
            std::fprintf(stderr, "today-host: no item loaded\n");
        screen.start();
        const plat::HWND window = screen.window();
        if (std::getenv("CHIMELY_INPUT"))
            plat::set_input_script_end_handler([window] { plat::post_message(window, plat::WM_CLOSE, 0, 0); });
        rc = screen.run();
    }
    plat::stop_screen();
    return rc;
}
