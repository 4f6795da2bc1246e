#include "ui/WindowManager.h"

#include "MessageQueue.h"
#include "plat/Clock.h"
#include "plat/Errors.h"
#include "plat/Input.h"
#include "plat/Text.h"
#include "plat/Threads.h"
#include "ui/WindowTable.h"

#include <algorithm>
#include <functional>

// Geometry, visibility, enabled state, z-order and the searches over the window table.
namespace plat {
namespace ui {

HWND top_of(HWND hwnd) {
    WindowEntry* w = find(hwnd);
    while (w && w->parent) {
        hwnd = w->parent;
        w = find(hwnd);
    }
    return w ? hwnd : nullptr;
}

bool visible_locked(HWND hwnd) {
    WindowEntry* w = find(hwnd);
    for (; w; w = find(w->parent)) {
        if (!w->visible_flag())
            return false;
        if (!w->parent)
            return true;
    }
    return false;
}

bool accepts_input_locked(HWND hwnd) {
    WindowEntry* w = find(hwnd);
    for (; w; w = find(w->parent)) {
        if (!w->enabled_flag())
            return false;
        if (!w->parent)
            return true;
    }
    return false;
}

bool within(HWND hwnd, HWND ancestor) {
    if (!ancestor)
        return false;
    while (WindowEntry* w = find(hwnd)) {
        if (hwnd == ancestor)
            return true;
        hwnd = w->parent;
    }
    return false;
}

POINT offset_in_top(HWND hwnd) {
    POINT offset;
    for (WindowEntry* w = find(hwnd); w && w->parent; w = find(w->parent)) {
        offset.x += w->rect.left;
        offset.y += w->rect.top;
    }
    return offset;
}

RECT visible_client(HWND hwnd) {
    WindowEntry* w = find(hwnd);
    if (!w)
        return {};
    // In the top-level window's coordinates, narrowed by every ancestor's client area.
    POINT offset = offset_in_top(hwnd);
    RECT r{offset.x, offset.y, offset.x + w->width(), offset.y + w->height()};
    for (HWND a = w->parent; WindowEntry* aw = find(a); a = aw->parent) {
        POINT o = offset_in_top(a);
        r = intersect(r, RECT{o.x, o.y, o.x + aw->width(), o.y + aw->height()});
    }
    if (r.empty())
        return {};
    return RECT{r.left - offset.x, r.top - offset.y, r.right - offset.x, r.bottom - offset.y};
}

namespace {

bool dying(HWND hwnd) {
    for (WindowEntry* w = find(hwnd); w; w = find(w->owner ? w->owner : w->parent))
        if (w->destroying)
            return true;
    return false;
}

bool can_activate(HWND hwnd, HWND leaving) {
    WindowEntry* w = find(hwnd);
    return w && hwnd != leaving && !w->parent && w->visible_flag() && w->enabled_flag() && !dying(hwnd);
}

bool owned_by(HWND hwnd, HWND owner) {
    for (WindowEntry* w = find(hwnd); w && w->owner; w = find(w->owner))
        if (w->owner == owner)
            return true;
    return false;
}

std::shared_ptr<MessageQueue> queue_of_window(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w ? w->queue : nullptr;
}

} // namespace

HWND next_to_activate(HWND leaving) {
    WindowEntry* w = find(leaving);
    if (w && can_activate(w->owner, leaving))
        return w->owner;
    for (HWND candidate : table().z_order)
        if (can_activate(candidate, leaving) && !owned_by(candidate, leaving))
            return candidate;
    return nullptr;
}

void restack_locked(HWND hwnd, HWND after) {
    std::vector<HWND>& z = table().z_order;
    if (std::find(z.begin(), z.end(), hwnd) == z.end())
        return;
    // The window moves with the windows it owns, keeping their order above it.
    std::vector<HWND> group;
    for (HWND other : z)
        if (other == hwnd || owned_by(other, hwnd))
            group.push_back(other);
    std::erase_if(z, [&](HWND other) { return std::find(group.begin(), group.end(), other) != group.end(); });
    auto at = z.begin();
    if (after == HWND_BOTTOM)
        at = z.end();
    else if (after != HWND_TOP && after != HWND_TOPMOST && after != HWND_NOTOPMOST)
        if (auto it = std::find(z.begin(), z.end(), after); it != z.end())
            at = it + 1;
    z.insert(at, group.begin(), group.end());
    // Owned windows stay above their owners wherever the move put them.
    for (bool moved = true; moved;) {
        moved = false;
        for (size_t i = 0; i < z.size() && !moved; ++i) {
            WindowEntry* w = find(z[i]);
            if (!w || !w->owner)
                continue;
            auto owner = std::find(z.begin(), z.begin() + ptrdiff_t(i), w->owner);
            if (owner != z.begin() + ptrdiff_t(i)) {
                HWND misplaced = z[i];
                z.erase(z.begin() + ptrdiff_t(i));
                z.insert(std::find(z.begin(), z.end(), w->owner), misplaced);
                moved = true;
            }
        }
    }
}

std::vector<HWND> top_level_windows(bool visible_only) {
    std::lock_guard lock(table().mutex);
    std::vector<HWND> out;
    for (HWND hwnd : table().z_order)
        if (!visible_only || find(hwnd)->visible_flag())
            out.push_back(hwnd);
    return out;
}

HBITMAP window_surface(HWND top_level) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(top_level);
    // An empty window keeps a 1x1 surface of its own but shows nothing.
    return w && !w->parent && w->width() > 0 && w->height() > 0 ? w->surface.get() : nullptr;
}

namespace {

// The window's rectangle in screen coordinates. Locked.
RECT screen_rect_locked(HWND hwnd) {
    WindowEntry* w = find(hwnd);
    if (!w)
        return {};
    RECT r = w->rect;
    for (WindowEntry* p = find(w->parent); p; p = find(p->parent)) {
        r.left += p->rect.left;
        r.right += p->rect.left;
        r.top += p->rect.top;
        r.bottom += p->rect.top;
    }
    return r;
}

} // namespace

RECT screen_rect(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    return screen_rect_locked(hwnd);
}

bool accepts_input(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    return accepts_input_locked(hwnd);
}

HWND top_level_of(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    return top_of(hwnd);
}

bool queue_input(const MSG& msg) {
    std::shared_ptr<MessageQueue> queue = queue_of_window(msg.hwnd);
    MSG stamped = msg;
    if (stamped.time == 0)
        stamped.time = tick_count();
    return queue && queue->post(stamped, true);
}

void queue_front(const MSG& msg) { own_queue()->post_front(msg); }

bool queued_key_state(uint32_t virtual_key, bool& held) {
    // A thread without a queue has no key input waiting; none is made for it.
    std::shared_ptr<MessageQueue> queue = queue_of_thread(native_thread_id());
    return queue && queue->key_state_before_queued(virtual_key, held);
}

bool thread_is_idle() {
    const std::shared_ptr<MessageQueue>& queue = own_queue();
    return queue->nothing_queued() && !paint_pending(*queue, nullptr, nullptr);
}

void set_wait_hooks(WaitHooks hooks) { own_queue()->set_hooks(std::move(hooks)); }

void wake_thread(int thread_id) {
    if (std::shared_ptr<MessageQueue> queue = queue_of_thread(thread_id))
        queue->wake();
}

} // namespace ui

using ui::find;
using ui::find_or_fail;
using ui::table;
using ui::WindowEntry;

bool set_window_pos(HWND hwnd, HWND insert_after, int32_t x, int32_t y, int32_t width, int32_t height,
                    uint32_t flags) {
    bool moved = false, sized = false, top_level = false;
    RECT now;
    std::shared_ptr<MessageQueue> wake;
    {
        std::lock_guard lock(table().mutex);
        WindowEntry* w = find_or_fail(hwnd);
        if (!w)
            return false;
        top_level = !w->parent;
        RECT old = w->rect;
        now = old;
        if (!(flags & SWP_NOMOVE))
            now = RECT{x, y, x + old.right - old.left, y + old.bottom - old.top};
        if (!(flags & SWP_NOSIZE)) {
            now.right = int32_t(int64_t(now.left) + std::max(width, 0));
            now.bottom = int32_t(int64_t(now.top) + std::max(height, 0));
        }
        moved = now.left != old.left || now.top != old.top;
        sized = now.right - now.left != old.right - old.left || now.bottom - now.top != old.bottom - old.top;
        w->rect = now;
        if (sized && top_level)
            ui::resize_surface_locked(*w);
        if (!(flags & SWP_NOZORDER)) {
            if (top_level) {
                ui::restack_locked(hwnd, insert_after);
            } else if (WindowEntry* parent = find(w->parent)) {
                std::vector<HWND>& siblings = parent->children;
                std::erase(siblings, hwnd);
                auto at = siblings.begin();
                if (insert_after == HWND_BOTTOM)
                    at = siblings.end();
                else if (auto it = std::find(siblings.begin(), siblings.end(), insert_after); it != siblings.end())
                    at = it + 1;
                siblings.insert(at, hwnd);
            }
        }
        if (!(flags & SWP_NOREDRAW) && (moved || sized) && w->visible_flag()) {
            if (top_level) {
                if (sized)
                    wake = ui::invalidate_locked(hwnd, RECT{0, 0, w->width(), w->height()}, true);
            } else {
                // The parent repaints where the child was and where it is now (and so the child too).
                HWND parent = w->parent;
                ui::invalidate_locked(parent, old, true);
                wake = ui::invalidate_locked(parent, now, true);
            }
        }
    }
    if (wake)
        wake->wake();
    if (moved)
        send_message(hwnd, WM_MOVE, 0, point_lparam(now.left, now.top));
    if (sized)
        send_message(hwnd, WM_SIZE, SIZE_RESTORED,
                     LPARAM(uint32_t(now.right - now.left) & 0xFFFF) | LPARAM(uint32_t(now.bottom - now.top) & 0xFFFF) << 16);
    if (flags & SWP_SHOWWINDOW)
        show_window(hwnd, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW)
        show_window(hwnd, SW_HIDE);
    if (top_level && !(flags & (SWP_NOACTIVATE | SWP_HIDEWINDOW)) && is_window_visible(hwnd))
        ui::activate(hwnd, WA_ACTIVE);
    return true;
}

bool move_window(HWND hwnd, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
    return set_window_pos(hwnd, HWND_TOP, x, y, width, height,
                          SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

bool get_window_rect(HWND hwnd, RECT& rect) {
    std::lock_guard lock(table().mutex);
    if (!find_or_fail(hwnd))
        return false;
    rect = ui::screen_rect_locked(hwnd);
    return true;
}

bool get_client_rect(HWND hwnd, RECT& rect) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    if (!w)
        return false;
    rect = RECT{0, 0, w->width(), w->height()};
    return true;
}

bool client_to_screen(HWND hwnd, POINT& point) {
    std::lock_guard lock(table().mutex);
    if (!find_or_fail(hwnd))
        return false;
    RECT r = ui::screen_rect_locked(hwnd);
    point.x += r.left;
    point.y += r.top;
    return true;
}

bool screen_to_client(HWND hwnd, POINT& point) {
    std::lock_guard lock(table().mutex);
    if (!find_or_fail(hwnd))
        return false;
    RECT r = ui::screen_rect_locked(hwnd);
    point.x -= r.left;
    point.y -= r.top;
    return true;
}

bool show_window(HWND hwnd, int command) {
    const bool hide = command == SW_HIDE || command == SW_MINIMIZE;
    bool was_visible = false, top_level = false, enabled = false;
    {
        std::lock_guard lock(table().mutex);
        WindowEntry* w = find_or_fail(hwnd);
        if (!w)
            return false;
        was_visible = w->visible_flag();
        top_level = !w->parent;
        enabled = w->enabled_flag();
    }
    if (hide) {
        if (was_visible) {
            send_message(hwnd, WM_SHOWWINDOW, 0, 0);
            std::shared_ptr<MessageQueue> wake;
            {
                std::lock_guard lock(table().mutex);
                WindowEntry* w = find(hwnd);
                if (!w)
                    return true;
                w->style &= ~WS_VISIBLE;
                if (w->parent)
                    wake = ui::invalidate_locked(w->parent, w->rect, true);
            }
            if (wake)
                wake->wake();
            ui::window_leaving(hwnd);
        }
        if (command == SW_MINIMIZE)
            send_message(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
        return was_visible;
    }
    if (!was_visible) {
        send_message(hwnd, WM_SHOWWINDOW, 1, 0);
        std::shared_ptr<MessageQueue> wake;
        {
            std::lock_guard lock(table().mutex);
            WindowEntry* w = find(hwnd);
            if (!w)
                return false;
            w->style |= WS_VISIBLE;
            wake = ui::invalidate_locked(hwnd, RECT{0, 0, w->width(), w->height()}, true);
        }
        if (wake)
            wake->wake();
    }
    if (top_level && enabled && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE) {
        {
            std::lock_guard lock(table().mutex);
            ui::restack_locked(hwnd, HWND_TOP);
        }
        ui::activate(hwnd, WA_ACTIVE);
    }
    return was_visible;
}

bool is_window_visible(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    return ui::visible_locked(hwnd);
}

bool enable_window(HWND hwnd, bool enable) {
    bool was_disabled = false, lose_focus = false;
    {
        std::lock_guard lock(table().mutex);
        WindowEntry* w = find_or_fail(hwnd);
        if (!w)
            return false;
        was_disabled = !w->enabled_flag();
        if (was_disabled != enable)
            return was_disabled;
        if (enable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
        lose_focus = !enable && ui::within(table().focus, hwnd);
    }
    // A disabled window keeps no focus, nor do windows inside it.
    if (lose_focus)
        set_focus(nullptr);
    send_message(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
    return was_disabled;
}

bool is_window_enabled(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    return w && w->enabled_flag();
}

bool bring_window_to_top(HWND hwnd) {
    bool top_level = false;
    {
        std::lock_guard lock(table().mutex);
        WindowEntry* w = find_or_fail(hwnd);
        if (!w)
            return false;
        top_level = !w->parent;
        if (top_level) {
            ui::restack_locked(hwnd, HWND_TOP);
        } else if (WindowEntry* parent = find(w->parent)) {
            std::erase(parent->children, hwnd);
            parent->children.insert(parent->children.begin(), hwnd);
        }
    }
    if (top_level)
        ui::activate(hwnd, WA_ACTIVE);
    return true;
}

bool enum_windows(const std::function<bool(HWND)>& visit) {
    for (HWND hwnd : ui::top_level_windows(false))
        if (!visit(hwnd))
            return true;
    for (HWND hwnd : ui::remote_windows())
        if (!visit(hwnd))
            return true;
    return true;
}

HWND find_window(std::wstring_view class_name, std::wstring_view title) {
    const std::wstring wanted_class = to_lower(class_name);
    auto matches = [&](const std::wstring& cls, const std::wstring& text) {
        return (wanted_class.empty() || to_lower(cls) == wanted_class) && (title.empty() || text == title);
    };
    {
        std::lock_guard lock(table().mutex);
        for (HWND hwnd : table().z_order) {
            WindowEntry* w = find(hwnd);
            if (matches(w->window_class->window_class.name, w->text))
                return hwnd;
        }
    }
    for (HWND hwnd : ui::remote_windows())
        if (matches(ui::remote_class_name(hwnd), ui::remote_window_text(hwnd)))
            return hwnd;
    return nullptr;
}

bool is_child(HWND parent, HWND hwnd) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    return w && parent && ui::within(w->parent, parent);
}

namespace {

// The deepest visible child under a point in the window's client coordinates. Locked.
HWND deepest_at(HWND hwnd, POINT point) {
    WindowEntry* w = find(hwnd);
    for (HWND child : w->children) {
        WindowEntry* c = find(child);
        if (c && c->visible_flag() && c->rect.contains(point.x, point.y))
            return deepest_at(child, POINT{point.x - c->rect.left, point.y - c->rect.top});
    }
    return hwnd;
}

} // namespace

HWND window_from_point(POINT point) {
    std::lock_guard lock(table().mutex);
    for (HWND hwnd : table().z_order) {
        WindowEntry* w = find(hwnd);
        if (w->visible_flag() && w->rect.contains(point.x, point.y))
            return deepest_at(hwnd, POINT{point.x - w->rect.left, point.y - w->rect.top});
    }
    return nullptr;
}

} // namespace plat
