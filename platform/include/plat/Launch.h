#pragma once
#include <string_view>

namespace plat {

// Opens a link with the desktop's handler: starts "xdg-open" with the URL as
// its one argument (no shell). Only http:, https: and mailto: links are
// opened; anything else is refused. Headless (CHIMELY_VIDEO=headless, or no
// display at all) the link is only written to standard error. True when the
// handler was started (or, headless, when the link was accepted).
bool open_url(std::wstring_view url);

// True when the URL has one of the schemes that open_url accepts.
bool is_openable_url(std::wstring_view url);

// The shell's execute for a device program: starts the file at the device
// path itself (no shell in between), detached, with the arguments as one
// command-line argument when not empty. The program gets CHIMELY_ROOT and,
// when a fake clock runs here, CHIMELY_NOW continuing from it, as the
// wake-up service passes them on. Nothing waits for it. False when the path
// is empty or the program cannot be started.
bool execute_program(std::wstring_view device_path, std::wstring_view arguments);

} // namespace plat
