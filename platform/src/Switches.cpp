#include "Switches.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace plat::switches {

std::string value(const char* name) {
    const char* text = std::getenv(name);
    return text ? text : "";
}

void warn(const char* name, const std::string& why) {
    // Never destroyed: a thread may still warn while the process exits.
    static auto* mutex = new std::mutex;
    static auto* warned = new std::set<std::string>;
    std::lock_guard lock(*mutex);
    if (!warned->emplace(name).second)
        return;
    std::fprintf(stderr, "%s=%s %s\n", name, value(name).c_str(), why.c_str());
}

} // namespace plat::switches
