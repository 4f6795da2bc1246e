#pragma once
#include <functional>
#include <string>
#include <string_view>

// The screen the user sees. start_screen, on the program's GUI thread, picks
// the presenter: an SDL window (CHIMELY_VIDEO=sdl, or unset with a display)
// zoomed by CHIMELY_ZOOM, or headless. Either way the compositor draws the
// visible top-level windows into the framebuffer in z-order with the top and
// bottom bands, CHIMELY_INPUT is read and applied line by line whenever the
// program is idle, and SIGUSR1 writes the screen to CHIMELY_SCREENSHOT.
namespace plat {

enum class PresenterKind { headless, sdl };

// The title is the program's name (the SDL window's caption). Calling it again does nothing.
void start_screen(std::wstring_view program_name);
void stop_screen();
PresenterKind presenter_kind();

// Composes the screen now and writes it as PNG; false when it cannot be written.
bool write_screenshot(const std::string& linux_path);

// The shell's back navigation: the program leaves the screen until one of
// its windows comes forward again.
void navigate_back();
bool presenter_shown();

// Called once, on the screen's thread, when every line of the input script
// has been applied and the program is idle again (a FIFO never ends). It runs
// inside the thread's wait, so it should post work rather than run a loop.
void set_input_script_end_handler(std::function<void()> handler);

} // namespace plat
