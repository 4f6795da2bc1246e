#include "skinner/ControlSubclass.h"

#include "plat/Window.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace skinner {

namespace {

struct Attached {
    ControlSubclass* object = nullptr;
    uint64_t serial = 0;
    bool operator==(const Attached&) const = default;
};

struct Entry {
    plat::WNDPROC previous = nullptr;
    std::vector<Attached> objects;  // in attach order
};

// Lives for the whole process (never destroyed, so objects detaching at exit find it).
std::map<plat::HWND, Entry>& table() {
    static auto* entries = new std::map<plat::HWND, Entry>;
    return *entries;
}

uint64_t next_serial = 0;

bool still_attached(plat::HWND window, const Attached& attached) {
    const auto it = table().find(window);
    return it != table().end() &&
           std::find(it->second.objects.begin(), it->second.objects.end(), attached) != it->second.objects.end();
}

} // namespace

ControlSubclass::~ControlSubclass() {
    detach();
}

plat::LRESULT ControlSubclass::handle_message(uint32_t, plat::WPARAM, plat::LPARAM, bool&) {
    return 0;
}

void ControlSubclass::attach(plat::HWND window) {
    detach();
    if (!window)
        return;
    auto [it, created] = table().try_emplace(window);
    if (created)
        it->second.previous = plat::set_window_proc(window, &ControlSubclass::window_procedure);
    window_ = window;
    serial_ = ++next_serial;
    it->second.objects.push_back({this, serial_});
}

void ControlSubclass::detach() {
    if (!window_)
        return;
    const auto it = table().find(window_);
    if (it != table().end()) {
        std::erase(it->second.objects, Attached{this, serial_});
        if (it->second.objects.empty()) {
            plat::set_window_proc(window_, it->second.previous);
            table().erase(it);
        }
    }
    window_ = nullptr;
    serial_ = 0;
}

size_t ControlSubclass::attached_count(plat::HWND window) {
    const auto it = table().find(window);
    return it == table().end() ? 0 : it->second.objects.size();
}

plat::LRESULT ControlSubclass::window_procedure(plat::HWND window, uint32_t message, plat::WPARAM wparam,
                                                plat::LPARAM lparam) {
    const auto it = table().find(window);
    if (it == table().end())
        return 0;
    const plat::WNDPROC previous = it->second.previous;
    // A handler may detach itself or others, or destroy them: walk a copy
    // and skip whoever is no longer attached when their turn comes.
    const std::vector<Attached> objects = it->second.objects;
    bool pass_on = true;
    plat::LRESULT result = 0;
    for (auto object = objects.rbegin(); object != objects.rend(); ++object) {
        if (!still_attached(window, *object))
            continue;
        bool own_pass_on = true;
        const plat::LRESULT answer = object->object->handle_message(message, wparam, lparam, own_pass_on);
        if (!own_pass_on) {
            pass_on = false;
            result = answer;  // the earliest attached, called last, wins
        }
    }
    if (message == plat::WM_DESTROY) {
        for (;;) {
            const auto entry = table().find(window);
            if (entry == table().end() || entry->second.objects.empty())
                break;
            entry->second.objects.back().object->detach();
        }
    }
    if (pass_on)
        return plat::call_window_proc(previous, window, message, wparam, lparam);
    return result;
}

} // namespace skinner
