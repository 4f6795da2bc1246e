#include "FormMainTodayImpl.h"

#include "FormMainToday.h"
#include "today/TodayShell.h"

#include "skinner/Canvas.h"
#include "skinner/Control.h"
#include "skinner/HDCSelector.h"
#include "plat/Font.h"
#include "plat/NamedEvent.h"
#include "plat/Paint.h"
#include "plat/Window.h"

#include <algorithm>

namespace {

bool same_size(plat::HBITMAP bitmap, int32_t width, int32_t height) {
    plat::BitmapInfo info;
    return plat::get_bitmap_info(bitmap, info) && info.width == width && info.height == height;
}

} // namespace

FormMainTodayImpl::FormMainTodayImpl(plat::HWND window) : FormImpl(Existing{}, window, false, false) {}

FormMainTodayImpl::~FormMainTodayImpl() {
    plat::delete_bitmap(snapshot_);
    plat::delete_bitmap(working_);
}

plat::LRESULT FormMainTodayImpl::handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam,
                                                bool& pass_on) {
    pass_on = false;
    skinner::Form* form = get_form();
    switch (message) {
    case plat::WM_DESTROY: return 0;
    case plat::WM_PAINT: paint_item(); return 0;
    case plat::WM_ERASEBKGND: return erase_background(reinterpret_cast<plat::HDC>(wparam));
    case plat::WM_LBUTTONDOWN:
        if (lparam != today::action_point)
            break;
        if (form)
            form->on_key_down(skinner::key::action);
        return 1;
    case plat::WM_LBUTTONUP:
        if (lparam != today::action_point)
            break;
        if (form)
            form->on_key_up(skinner::key::action);
        return 1;
    case today::WM_TODAYCUSTOM_QUERYREFRESHCACHE: return query_refresh(reinterpret_cast<today::TodayListItem*>(wparam));
    default: break;
    }
    return FormImpl::handle_message(message, wparam, lparam, pass_on);
}

void FormMainTodayImpl::add_to_dirty(const plat::RECT& rect) {
    if (rect.empty())
        return;
    plat::RECT box = rect;
    const plat::POINT position = dirty_position();
    const plat::POINT size = dirty_size();
    if (size.x > 0 && size.y > 0)
        box = {std::min(box.left, position.x), std::min(box.top, position.y),
               std::max(box.right, position.x + size.x), std::max(box.bottom, position.y + size.y)};
    set_dirty({box.left, box.top}, {box.right - box.left, box.bottom - box.top});
}

void FormMainTodayImpl::drop_working() {
    plat::delete_bitmap(working_);
    working_ = nullptr;
}

void FormMainTodayImpl::paint_item() {
    skinner::Form* form = get_form();
    plat::PAINTSTRUCT paint;
    plat::HDC dc = plat::begin_paint(window(), paint);
    plat::set_bk_mode(dc, plat::TRANSPARENT);
    plat::RECT client;
    plat::get_client_rect(window(), client);
    const int32_t w = client.right;
    const int32_t h = client.bottom;
    if (dc && form && !client.empty()) {
        // A new size needs a new background too.
        if (working_ && !same_size(working_, w, h))
            drop_working();
        if (!working_) {
            plat::delete_bitmap(snapshot_);
            snapshot_ = plat::create_bitmap(w, h);
            if (snapshot_) {
                skinner::HDCSelector snapshot(dc, snapshot_);
                plat::bit_blt(snapshot.dc(), 0, 0, w, h, dc, 0, 0, plat::SRCCOPY);
            }
            working_ = plat::create_bitmap(w, h);
            set_dirty({0, 0}, form->get_size());
        }
        if (snapshot_ && working_) {
            // What the system asks to repaint is composed too, not only what the form marked.
            add_to_dirty(paint.paint);
            skinner::HDCSelector working(dc, working_);
            {
                skinner::HDCSelector snapshot(dc, snapshot_);
                plat::bit_blt(working.dc(), 0, 0, w, h, snapshot.dc(), 0, 0, plat::SRCCOPY);
            }
            const plat::POINT position = dirty_position();
            const plat::POINT size = dirty_size();
            if (size.x > 0 && size.y > 0) {
                skinner::CanvasImpl canvas_impl(working.dc(), position, size);
                skinner::Canvas canvas(&canvas_impl);
                form->paint(canvas, position, size);
                set_dirty(position, {0, 0});
            }
            plat::bit_blt(dc, 0, 0, w, h, working.dc(), 0, 0, plat::SRCCOPY);
        }
    }
    plat::end_paint(window(), paint);
}

plat::LRESULT FormMainTodayImpl::erase_background(plat::HDC dc) {
    drop_working();
    today::TodayDrawWatermarkInfo info;
    info.dc = dc;
    plat::get_client_rect(window(), info.rect);
    info.window = window();
    plat::send_message(plat::get_parent(window()), today::TODAYM_DRAWWATERMARK, 0, reinterpret_cast<plat::LPARAM>(&info));
    return 1;
}

plat::LRESULT FormMainTodayImpl::query_refresh(today::TodayListItem* item) {
    auto* form = dynamic_cast<FormMainToday*>(get_form());
    if (form)
        form->refresh();
    if (!item || !form)
        return 0;
    // Before the shell is ready its layout would not stand; an event that
    // cannot be opened does not hold the item back.
    if (auto ready = plat::NamedEvent::open(today::shell_ready_event); ready && !ready->wait_for(0))
        return 0;
    if (item->cyp != 0)
        return 0;
    item->cyp = uint32_t(form->get_reference_size().y);
    return 1;
}
