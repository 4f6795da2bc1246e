#include "plat/Window.h"

#include "MessageQueue.h"
#include "plat/Clock.h"
#include "plat/Errors.h"
#include "plat/Text.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace plat {
namespace {

struct ClassEntry {
    WindowClass window_class;
    uint16_t atom = 0;
};

struct WindowEntry {
    std::shared_ptr<const ClassEntry> window_class;
    WNDPROC procedure = nullptr;
    uint32_t style = 0;
    uint32_t ex_style = 0;
    std::wstring text;
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::intptr_t id = 0;
    std::intptr_t user_data = 0;
    std::shared_ptr<MessageQueue> queue;
    bool destroying = false;
};

struct WindowTable {
    std::mutex mutex;
    std::map<std::wstring, std::shared_ptr<const ClassEntry>> classes;  // by lower-case name
    std::map<HWND, WindowEntry> windows;
    std::uintptr_t next_handle = 0x10000;
    uint16_t next_atom = 0xC000;
};

// Never destroyed: windows of other threads may outlive static destruction.
WindowTable& table() {
    static auto* t = new WindowTable;
    return *t;
}

// Caller holds the table's mutex.
WindowEntry* find(HWND hwnd) {
    auto it = table().windows.find(hwnd);
    return it == table().windows.end() ? nullptr : &it->second;
}

std::shared_ptr<MessageQueue> queue_of(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w ? w->queue : nullptr;
}

} // namespace

LRESULT call_window(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    WNDPROC procedure = get_window_proc(hwnd);
    return procedure ? procedure(hwnd, message, wparam, lparam) : 0;
}

uint16_t register_class(const WindowClass& window_class) {
    if (window_class.name.empty()) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard lock(table().mutex);
    auto& slot = table().classes[to_lower(window_class.name)];
    if (slot) {
        set_last_error(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto entry = std::make_shared<ClassEntry>();
    entry->window_class = window_class;
    entry->atom = table().next_atom++;
    slot = entry;
    return entry->atom;
}

bool unregister_class(std::wstring_view name) {
    std::lock_guard lock(table().mutex);
    auto it = table().classes.find(to_lower(name));
    if (it == table().classes.end()) {
        set_last_error(ERROR_CANNOT_FIND_WND_CLASS);
        return false;
    }
    for (const auto& [hwnd, w] : table().windows) {
        if (w.window_class == it->second) {
            set_last_error(ERROR_CLASS_HAS_WINDOWS);
            return false;
        }
    }
    table().classes.erase(it);
    return true;
}

HWND create_window(uint32_t ex_style, std::wstring_view class_name, std::wstring_view window_name, uint32_t style,
                   int32_t x, int32_t y, int32_t width, int32_t height, HWND parent, std::uintptr_t menu_or_id,
                   void* instance, void* create_params) {
    HWND hwnd = nullptr;
    {
        std::lock_guard lock(table().mutex);
        auto it = table().classes.find(to_lower(class_name));
        if (it == table().classes.end()) {
            set_last_error(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (parent && !find(parent)) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (!parent && (style & WS_CHILD)) {
            set_last_error(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        hwnd = reinterpret_cast<HWND>(table().next_handle);
        table().next_handle += 4;
        WindowEntry& w = table().windows[hwnd];
        w.window_class = it->second;
        w.procedure = it->second->window_class.procedure;
        w.style = style;
        w.ex_style = ex_style;
        w.text = window_name;
        (style & WS_CHILD ? w.parent : w.owner) = parent;
        w.id = (style & WS_CHILD) ? std::intptr_t(menu_or_id) : 0;
        w.queue = own_queue();
    }
    CreateStruct cs;
    cs.create_params = create_params;
    cs.instance = instance;
    cs.menu = menu_or_id;
    cs.parent = parent;
    cs.x = x == CW_USEDEFAULT ? 0 : x;
    cs.y = y == CW_USEDEFAULT ? 0 : y;
    cs.width = width == CW_USEDEFAULT ? 0 : width;
    cs.height = height == CW_USEDEFAULT ? 0 : height;
    cs.style = style;
    cs.name = window_name;
    cs.class_name = class_name;
    cs.ex_style = ex_style;
    LPARAM lparam = reinterpret_cast<LPARAM>(&cs);
    if (!send_message(hwnd, WM_NCCREATE, 0, lparam) || send_message(hwnd, WM_CREATE, 0, lparam) == -1) {
        destroy_window(hwnd);
        return nullptr;
    }
    return hwnd;
}

bool destroy_window(HWND hwnd) {
    std::vector<HWND> dependants;
    {
        std::lock_guard lock(table().mutex);
        WindowEntry* w = find(hwnd);
        if (!w || w->destroying || w->queue != own_queue()) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        w->destroying = true;
    }
    send_message(hwnd, WM_DESTROY, 0, 0);
    {
        std::lock_guard lock(table().mutex);
        for (const auto& [other, w] : table().windows)
            if (w.parent == hwnd || w.owner == hwnd)
                dependants.push_back(other);
    }
    for (HWND other : dependants)
        destroy_window(other);
    send_message(hwnd, WM_NCDESTROY, 0, 0);
    std::shared_ptr<MessageQueue> queue;
    {
        std::lock_guard lock(table().mutex);
        auto it = table().windows.find(hwnd);
        queue = it->second.queue;
        table().windows.erase(it);
    }
    queue->forget_window(hwnd);
    return true;
}

bool is_window(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    return find(hwnd) != nullptr;
}

LRESULT def_window_proc(HWND hwnd, uint32_t message, WPARAM, LPARAM) {
    switch (message) {
    case WM_NCCREATE: return 1;
    case WM_CLOSE: destroy_window(hwnd); return 0;
    default: return 0;
    }
}

WNDPROC get_window_proc(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w ? w->procedure : nullptr;
}

WNDPROC set_window_proc(HWND hwnd, WNDPROC procedure) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    if (!w) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::swap(w->procedure, procedure);
    return procedure;
}

LRESULT call_window_proc(WNDPROC procedure, HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    return procedure ? procedure(hwnd, message, wparam, lparam) : 0;
}

std::intptr_t get_window_long(HWND hwnd, int index) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    if (!w) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWL_ID: return w->id;
    case GWL_STYLE: return std::intptr_t(w->style);
    case GWL_EXSTYLE: return std::intptr_t(w->ex_style);
    case GWL_USERDATA: return w->user_data;
    default: set_last_error(ERROR_INVALID_PARAMETER); return 0;
    }
}

std::intptr_t set_window_long(HWND hwnd, int index, std::intptr_t value) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    if (!w) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::intptr_t old = 0;
    switch (index) {
    case GWL_ID: old = w->id; w->id = value; break;
    case GWL_STYLE: old = std::intptr_t(w->style); w->style = uint32_t(value); break;
    case GWL_EXSTYLE: old = std::intptr_t(w->ex_style); w->ex_style = uint32_t(value); break;
    case GWL_USERDATA: old = w->user_data; w->user_data = value; break;
    default: set_last_error(ERROR_INVALID_PARAMETER); break;
    }
    return old;
}

int get_window_thread_id(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w ? w->queue->thread_id() : 0;
}

std::wstring get_class_name(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w ? w->window_class->window_class.name : std::wstring();
}

std::wstring get_window_text(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w ? w->text : std::wstring();
}

bool set_window_text(HWND hwnd, std::wstring_view text) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    if (!w)
        return false;
    w->text = text;
    return true;
}

HWND get_parent(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w ? w->parent : nullptr;
}

HWND get_owner(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w ? w->owner : nullptr;
}

bool post_message(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    std::shared_ptr<MessageQueue> queue = hwnd ? queue_of(hwnd) : own_queue();
    if (!queue || !queue->post(MSG{hwnd, message, wparam, lparam, tick_count()})) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

LRESULT send_message(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    std::shared_ptr<MessageQueue> queue = queue_of(hwnd);
    if (!queue)
        return 0;
    if (queue == own_queue())
        return call_window(hwnd, message, wparam, lparam);
    return queue->send(hwnd, message, wparam, lparam);
}

bool set_timer(HWND hwnd, std::uintptr_t id, uint32_t interval_ms) {
    std::shared_ptr<MessageQueue> queue = queue_of(hwnd);
    if (!queue) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    queue->set_timer(hwnd, id, interval_ms);
    return true;
}

bool kill_timer(HWND hwnd, std::uintptr_t id) {
    std::shared_ptr<MessageQueue> queue = queue_of(hwnd);
    return queue && queue->kill_timer(hwnd, id);
}

} // namespace plat
