// The wake-up service of one device root, and a small front end to its
// registrations for scripts:
//   chimely-waker                      serve until no registration is left
//   chimely-waker register PROGRAM "YYYY-MM-DD HH:MM:SS"
//   chimely-waker cancel PROGRAM
//   chimely-waker list                 one line per registration, earliest first
//   chimely-waker status               whether the service runs, its clock and next wake-up
#include "plat/Paths.h"
#include "plat/Text.h"
#include "plat/WakeUp.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fputs("usage: chimely-waker              serve the root's registrations until none is left\n"
               "       chimely-waker register PROGRAM \"YYYY-MM-DD HH:MM:SS\"\n"
               "       chimely-waker cancel PROGRAM\n"
               "       chimely-waker list\n"
               "       chimely-waker status\n"
               "PROGRAM is a device path such as '\\Program Files\\Chimely\\Bellcue.exe'; the device root is\n"
               "CHIMELY_ROOT, or the tree the service lies in.\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const char* command = argc > 1 ? argv[1] : "";
    const bool known = (argc == 1) || (std::strcmp(command, "register") == 0 && argc == 4) ||
                       (std::strcmp(command, "cancel") == 0 && argc == 3) ||
                       ((std::strcmp(command, "list") == 0 || std::strcmp(command, "status") == 0 ||
                         std::strcmp(command, "--status") == 0) &&
                        argc == 2);
    if (!known)
        return usage();
    // Every command reads or writes the registrations of a device root, never of "/".
    if (const std::string problem = plat::device_root_problem(false); !problem.empty()) {
        std::fprintf(stderr, "chimely-waker: %s\n", problem.c_str());
        return 2;
    }
    if (argc == 1)
        return plat::run_wake_up_service();
    if (std::strcmp(command, "register") == 0) {
        plat::SystemTime time;
        if (!plat::parse_local_time(argv[3], time)) {
            std::fprintf(stderr, "chimely-waker: not a local time: %s\n", argv[3]);
            return 1;
        }
        if (!plat::register_wake_up(plat::from_utf8(argv[2]), time)) {
            std::fprintf(stderr, "chimely-waker: cannot register %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (std::strcmp(command, "cancel") == 0)
        return plat::cancel_wake_up(plat::from_utf8(argv[2])) ? 0 : 1;
    if (std::strcmp(command, "list") == 0) {
        for (const auto& reg : plat::list_wake_ups())
            std::printf("%s %s\n", plat::format_local_time(reg.time).c_str(), plat::to_utf8(reg.program).c_str());
        return 0;
    }
    std::fputs(plat::wake_up_service_status().c_str(), stdout);
    for (const auto& reg : plat::list_wake_ups())
        std::printf("registered: %s %s\n", plat::format_local_time(reg.time).c_str(), plat::to_utf8(reg.program).c_str());
    return 0;
}
