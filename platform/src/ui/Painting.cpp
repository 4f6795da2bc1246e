#include "plat/Paint.h"

#include "GdiObjects.h"
#include "MessageQueue.h"
#include "plat/Errors.h"
#include "plat/Screen.h"
#include "plat/UiTest.h"
#include "plat/Window.h"
#include "ui/WindowTable.h"

#include <algorithm>
#include <cstring>
#include <mutex>

// Update regions, the surfaces of top-level windows and the contexts that draw into them.
namespace plat {
namespace ui {
namespace {

RECT bounding_box(const RECT& a, const RECT& b) {
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

RECT client_of(const WindowEntry& w) { return RECT{0, 0, w.width(), w.height()}; }

RECT shifted(const RECT& r, int32_t dx, int32_t dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// A context over the top-level surface at the window's offset, reaching only `area`. Locked.
HDC window_dc_locked(HWND hwnd, const RECT& area) {
    WindowEntry* top = find(top_of(hwnd));
    HDC dc = create_compatible_dc(nullptr);
    if (!dc || !top || !top->surface)
        return dc;
    // Many contexts may draw into one window surface, as into the screen.
    dc->surface = top->surface.get();
    set_dc_origin(dc, offset_in_top(hwnd));
    set_dc_bounds(dc, intersect(area, visible_client(hwnd)));
    return dc;
}

// The first window of the queue's thread, parents before children, that waits for painting. Locked.
bool paint_search(HWND hwnd, const MessageQueue& queue, HWND filter, HWND* out) {
    WindowEntry* w = find(hwnd);
    if (!w || !w->visible_flag())
        return false;
    if (w->queue.get() == &queue && !w->update.empty() && (!filter || filter == hwnd)) {
        if (out)
            *out = hwnd;
        return true;
    }
    // Bottom-most sibling first, so the upper ones end up drawn over it.
    for (auto child = w->children.rbegin(); child != w->children.rend(); ++child)
        if (paint_search(*child, queue, filter, out))
            return true;
    return false;
}

// Siblings above the window (and above each of its ancestors) that overlap
// what it paints now are drawn over it again afterwards. Locked.
std::shared_ptr<MessageQueue> invalidate_siblings_above_locked(HWND hwnd, RECT box, bool erase) {
    std::shared_ptr<MessageQueue> wake;
    for (WindowEntry* w = find(hwnd); w && w->parent; hwnd = w->parent, w = find(hwnd)) {
        WindowEntry* parent = find(w->parent);
        if (!parent)
            break;
        box = shifted(box, w->rect.left, w->rect.top);
        for (HWND sibling : parent->children) {
            if (sibling == hwnd)
                break;  // the rest lie below
            WindowEntry* s = find(sibling);
            if (s && s->visible_flag())
                if (auto queue = invalidate_locked(sibling, shifted(box, -s->rect.left, -s->rect.top), erase))
                    wake = queue;
        }
    }
    return wake;
}

} // namespace

void SurfaceDeleter::operator()(Surface* surface) const { delete_bitmap(surface); }

void resize_surface_locked(WindowEntry& w) {
    SurfacePtr made(create_bitmap(std::max(w.width(), 1), std::max(w.height(), 1)));
    if (!made)
        return;  // out of memory: the old surface stays, clipped to the new size by the contexts
    if (w.surface) {
        int32_t width = std::min(made->width(), w.surface->width());
        int32_t height = std::min(made->height(), w.surface->height());
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(made->row(y), w.surface->row(y), size_t(width) * sizeof(uint32_t));
    }
    w.surface = std::move(made);
}

std::shared_ptr<MessageQueue> invalidate_locked(HWND hwnd, const RECT& rect, bool erase) {
    WindowEntry* w = find(hwnd);
    if (!w)
        return nullptr;
    RECT r = intersect(rect, client_of(*w));
    if (r.empty())
        return nullptr;
    w->update = bounding_box(w->update, r);
    w->erase_pending = w->erase_pending || erase;
    for (HWND child : w->children) {
        WindowEntry* c = find(child);
        if (c && c->visible_flag())
            invalidate_locked(child, shifted(r, -c->rect.left, -c->rect.top), erase);
    }
    return w->queue;
}

bool erase_with_class_brush(HWND hwnd, HDC dc) {
    std::uintptr_t brush = 0;
    RECT client;
    {
        std::lock_guard lock(table().mutex);
        WindowEntry* w = find(hwnd);
        if (!w)
            return false;
        brush = w->window_class->window_class.background;
        client = client_of(*w);
    }
    if (brush == 0)
        return false;
    fill_rect(dc, client, COLORREF(brush - 1));
    return true;
}

} // namespace ui

bool paint_pending(const MessageQueue& queue, HWND filter, HWND* window) {
    std::lock_guard lock(ui::table().mutex);
    for (HWND top : ui::table().z_order)
        if (ui::paint_search(top, queue, filter, window))
            return true;
    return false;
}

using ui::find;
using ui::find_or_fail;
using ui::table;
using ui::WindowEntry;

bool invalidate_rect(HWND hwnd, const RECT* rect, bool erase) {
    std::vector<std::shared_ptr<MessageQueue>> wake;
    {
        std::lock_guard lock(table().mutex);
        // No window: every top-level window of the process.
        std::vector<HWND> targets = hwnd ? std::vector<HWND>{hwnd} : table().z_order;
        if (hwnd && !find_or_fail(hwnd))
            return false;
        for (HWND target : targets) {
            WindowEntry* w = find(target);
            if (auto queue = ui::invalidate_locked(target, rect ? *rect : ui::client_of(*w), erase))
                wake.push_back(queue);
        }
    }
    for (const auto& queue : wake)
        queue->wake();
    return true;
}

bool validate_rect(HWND hwnd, const RECT* rect) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    if (!w)
        return false;
    // One box cannot lose a part; it goes when the rectangle covers it.
    const RECT& u = w->update;
    if (!rect || (rect->left <= u.left && rect->top <= u.top && rect->right >= u.right && rect->bottom >= u.bottom)) {
        w->update = RECT{};
        w->erase_pending = false;
    }
    return true;
}

bool get_update_rect(HWND hwnd, RECT* rect, bool) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    if (!w)
        return false;
    if (rect)
        *rect = w->update;
    return !w->update.empty();
}

bool update_window(HWND hwnd) {
    {
        std::lock_guard lock(table().mutex);
        WindowEntry* w = find_or_fail(hwnd);
        if (!w)
            return false;
        if (w->update.empty() || !ui::visible_locked(hwnd))
            return true;
    }
    send_message(hwnd, WM_PAINT, 0, 0);
    return true;
}

HDC begin_paint(HWND hwnd, PAINTSTRUCT& paint) {
    bool erase = false;
    HDC dc = nullptr;
    std::shared_ptr<MessageQueue> wake;
    {
        std::lock_guard lock(table().mutex);
        WindowEntry* w = find_or_fail(hwnd);
        if (!w)
            return nullptr;
        RECT box = w->update;
        erase = w->erase_pending;
        w->update = RECT{};
        w->erase_pending = false;
        // Children lie over what the parent paints now, so they paint after it.
        for (HWND child : w->children) {
            WindowEntry* c = find(child);
            if (c && c->visible_flag())
                if (auto queue = ui::invalidate_locked(child, ui::shifted(box, -c->rect.left, -c->rect.top), erase))
                    wake = queue;
        }
        if (auto queue = ui::invalidate_siblings_above_locked(hwnd, box, erase))
            wake = queue;
        dc = ui::window_dc_locked(hwnd, box);
        paint.paint = box;
    }
    if (wake && wake != own_queue())
        wake->wake();
    paint.hdc = dc;
    paint.erase = erase && send_message(hwnd, WM_ERASEBKGND, WPARAM(dc), 0) == 0;
    return dc;
}

bool end_paint(HWND, const PAINTSTRUCT& paint) {
    delete_dc(paint.hdc);
    return true;
}

HDC get_dc(HWND hwnd) {
    if (!hwnd)
        return get_screen_dc();
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find_or_fail(hwnd);
    if (!w)
        return nullptr;
    return ui::window_dc_locked(hwnd, ui::client_of(*w));
}

int release_dc(HWND, HDC dc) {
    if (!dc)
        return 0;
    delete_dc(dc);
    return 1;
}

COLORREF window_pixel(HWND hwnd, int32_t x, int32_t y) {
    std::lock_guard lock(table().mutex);
    WindowEntry* w = find(hwnd);
    if (!w || !ui::client_of(*w).contains(x, y))
        return CLR_INVALID;
    WindowEntry* top = find(ui::top_of(hwnd));
    POINT offset = ui::offset_in_top(hwnd);
    x += offset.x;
    y += offset.y;
    if (!top->surface || x < 0 || y < 0 || x >= top->surface->width() || y >= top->surface->height())
        return CLR_INVALID;
    return colour_of(top->surface->row(y)[x]);
}

} // namespace plat
