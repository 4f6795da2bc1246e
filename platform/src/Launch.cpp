#include "plat/Launch.h"

#include "WakeUpDetail.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace plat {
namespace {

bool starts_with_no_case(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && equal_no_case(text.substr(0, prefix.size()), prefix);
}

// As the screen decides: headless when asked for, or when no display is there to show a browser.
bool headless() {
    const char* video = std::getenv("CHIMELY_VIDEO");
    if (video && std::strcmp(video, "headless") == 0)
        return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return !(x11 && *x11) && !(wayland && *wayland);
}

} // namespace

bool is_openable_url(std::wstring_view url) {
    for (wchar_t c : url)
        if (c < 0x20 || c == 0x7F)
            return false;
    return (starts_with_no_case(url, L"http://") && url.size() > 7) ||
           (starts_with_no_case(url, L"https://") && url.size() > 8) ||
           (starts_with_no_case(url, L"mailto:") && url.size() > 7);
}

bool open_url(std::wstring_view url) {
    std::string text = to_utf8(url);
    if (!is_openable_url(url)) {
        std::fprintf(stderr, "open_url: refused \"%s\"\n", text.c_str());
        return false;
    }
    if (headless()) {
        std::fprintf(stderr, "open_url: %s\n", text.c_str());
        return true;
    }
    char program[] = "xdg-open";
    char* argv[] = {program, text.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "open_url: could not start xdg-open\n");
        return false;
    }
    // Reap the handler when it ends, without making the caller wait for it.
    std::thread([child] {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool execute_program(std::wstring_view device_path, std::wstring_view arguments) {
    if (device_path.empty())
        return false;
    std::vector<std::string> args;
    if (!arguments.empty())
        args.push_back(to_utf8(arguments));
    return wake_up_detail::spawn_detached(native_path(device_path), args);
}

} // namespace plat
