#include "plat/Window.h"

#include "MessageQueue.h"
#include "plat/Clock.h"
#include "plat/Errors.h"
#include "plat/Paint.h"
#include "plat/System.h"
#include "plat/Text.h"
#include "ui/WindowManager.h"
#include "ui/WindowTable.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace plat {
namespace ui {

WindowTable& table() {
    // Never destroyed: windows of other threads may outlive static destruction.
    static auto* t = [] {
        auto* made = new WindowTable;
        // The built-in class of plain windows; its procedure is the default one.
        auto entry = std::make_shared<ClassEntry>();
        entry->window_class.name = STATIC_CLASS;
        entry->window_class.procedure = def_window_proc;
        entry->atom = made->next_atom++;
        made->classes[to_lower(STATIC_CLASS)] = entry;
        return made;
    }();
    return *t;
}

WindowEntry* find(HWND hwnd) {
    auto it = table().windows.find(hwnd);
    return it == table().windows.end() ? nullptr : &it->second;
}

WindowEntry* find_or_fail(HWND hwnd) {
    WindowEntry* w = find(hwnd);
    if (!w)
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

} // namespace ui

using ui::find;
using ui::find_or_fail;
using ui::table;
using ui::WindowEntry;
using ui::ClassEntry;
using ui::WindowTable;

namespace {

std::shared_ptr<MessageQueue> queue_of(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w ? w->queue : nullptr;
}

bool is_static_class(std::wstring_view name) { return to_lower(name) == to_lower(STATIC_CLASS); }

// Where a new window lies: a top-level window of default size fills the work area.
RECT initial_rect(bool child, int32_t x, int32_t y, int32_t width, int32_t height) {
    RECT work = child ? RECT{} : work_area();
    if (x == CW_USEDEFAULT) {
        x = work.left;
        y = work.top;
    }
    if (y == CW_USEDEFAULT)
        y = work.top;
    if (width == CW_USEDEFAULT) {
        width = work.right - work.left;
        height = work.bottom - work.top;
    }
    if (height == CW_USEDEFAULT)
        height = work.bottom - work.top;
    width = std::max(width, 0);
    height = std::max(height, 0);
    return RECT{x, y, int32_t(int64_t(x) + width), int32_t(int64_t(y) + height)};
}

bool published(const WindowEntry& w) { return !(w.style & WS_CHILD) && !w.parent && !w.owner; }

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
    if (is_static_class(name)) {
        set_last_error(ERROR_ACCESS_DENIED);
        return false;
    }
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
    const bool child = (style & WS_CHILD) != 0;
    RECT rect = initial_rect(child, x, y, width, height);
    HWND hwnd = nullptr;
    bool publish = false;
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
        if (!parent && child) {
            set_last_error(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        hwnd = reinterpret_cast<HWND>(table().next_handle);
        table().next_handle += 4;
        WindowEntry& w = table().windows[hwnd];
        w.window_class = it->second;
        w.procedure = it->second->window_class.procedure;
        // Shown only once created, so the show sends its messages.
        w.style = style & ~WS_VISIBLE;
        w.ex_style = ex_style;
        w.text = window_name;
        // A window owned by a child is owned by that child's top-level window.
        if (child)
            w.parent = parent;
        else
            w.owner = ui::top_of(parent);
        w.id = child ? std::intptr_t(menu_or_id) : 0;
        w.queue = own_queue();
        w.rect = rect;
        if (child) {
            find(parent)->children.push_back(hwnd);
        } else {
            w.surface.reset(create_bitmap(std::max(w.width(), 1), std::max(w.height(), 1)));
            table().z_order.insert(table().z_order.begin(), hwnd);
        }
        publish = published(w);
    }
    if (publish)
        ui::publish_window(hwnd);
    CreateStruct cs;
    cs.create_params = create_params;
    cs.instance = instance;
    cs.menu = menu_or_id;
    cs.parent = parent;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.width = rect.right - rect.left;
    cs.height = rect.bottom - rect.top;
    cs.style = style;
    cs.name = window_name;
    cs.class_name = class_name;
    cs.ex_style = ex_style;
    LPARAM lparam = reinterpret_cast<LPARAM>(&cs);
    if (!send_message(hwnd, WM_NCCREATE, 0, lparam) || send_message(hwnd, WM_CREATE, 0, lparam) == -1) {
        destroy_window(hwnd);
        return nullptr;
    }
    if (style & WS_VISIBLE)
        show_window(hwnd, SW_SHOW);
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
    ui::window_leaving(hwnd);
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
    std::shared_ptr<MessageQueue> queue, parent_queue;
    bool withdraw = false;
    {
        std::lock_guard lock(table().mutex);
        WindowTable& t = table();
        auto it = t.windows.find(hwnd);
        WindowEntry& w = it->second;
        queue = w.queue;
        withdraw = published(w);
        for (HWND* held : {&t.focus, &t.active, &t.capture})
            if (*held == hwnd)
                *held = nullptr;
        if (WindowEntry* parent = find(w.parent)) {
            std::erase(parent->children, hwnd);
            if (w.visible_flag())
                parent_queue = ui::invalidate_locked(w.parent, w.rect, true);
        }
        std::erase(t.z_order, hwnd);
        t.windows.erase(it);
    }
    if (withdraw)
        ui::withdraw_window(hwnd);
    queue->forget_window(hwnd);
    if (parent_queue)
        parent_queue->wake();
    return true;
}

bool is_window(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    return find(hwnd) != nullptr;
}

LRESULT def_window_proc(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_NCCREATE: return 1;
    case WM_CLOSE: destroy_window(hwnd); return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        begin_paint(hwnd, paint);
        end_paint(hwnd, paint);
        return 0;
    }
    case WM_ERASEBKGND: return ui::erase_with_class_brush(hwnd, reinterpret_cast<HDC>(wparam)) ? 1 : 0;
    case WM_ACTIVATE: ui::default_activate(hwnd, wparam); return 0;
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
    WindowEntry* w = find_or_fail(hwnd);
    if (!w)
        return nullptr;
    std::swap(w->procedure, procedure);
    return procedure;
}

LRESULT call_window_proc(WNDPROC procedure, HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    return procedure ? procedure(hwnd, message, wparam, lparam) : 0;
}

std::intptr_t get_window_long(HWND hwnd, int index) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    if (!w)
        return 0;
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
    WindowEntry* w = find_or_fail(hwnd);
    if (!w)
        return 0;
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
    WindowEntry* w = find_or_fail(hwnd);
    return w ? w->queue->thread_id() : 0;
}

std::wstring get_class_name(HWND hwnd) {
    if (ui::is_remote(hwnd))
        return ui::remote_class_name(hwnd);
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    return w ? w->window_class->window_class.name : std::wstring();
}

std::wstring get_window_text(HWND hwnd) {
    if (ui::is_remote(hwnd))
        return ui::remote_window_text(hwnd);
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    return w ? w->text : std::wstring();
}

bool set_window_text(HWND hwnd, std::wstring_view text) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    if (!w)
        return false;
    w->text = text;
    return true;
}

HWND get_parent(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    return w ? w->parent : nullptr;
}

HWND get_owner(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
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
    if (ui::is_remote(hwnd)) {
        if (message == WM_COPYDATA)
            return ui::remote_send_copy_data(hwnd, reinterpret_cast<HWND>(wparam),
                                             reinterpret_cast<const void*>(lparam));
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::shared_ptr<MessageQueue> queue = queue_of(hwnd);
    if (!queue) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
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
