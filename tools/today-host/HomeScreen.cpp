#include "HomeScreen.h"

#include "plat/Input.h"
#include "plat/NamedEvent.h"
#include "plat/Paint.h"
#include "plat/Paths.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "plat/Text.h"
#include "plat/Window.h"

#include <dlfcn.h>

#include <cstdio>

namespace {

HomeScreen* g_screen = nullptr;

uint8_t mix(uint8_t a, uint8_t b, int32_t at, int32_t of) {
    return uint8_t(a + (int32_t(b) - int32_t(a)) * at / (of > 1 ? of - 1 : 1));
}

bool is_key(uint32_t message) {
    return message == plat::WM_KEYDOWN || message == plat::WM_KEYUP || message == plat::WM_CHAR;
}

} // namespace

HomeScreen::HomeScreen() {
    g_screen = this;
    plat::WindowClass window_class;
    window_class.procedure = &HomeScreen::procedure;
    window_class.name = class_name;
    plat::register_class(window_class);
    const plat::ScreenProfile& profile = plat::screen_profile();
    window_ = plat::create_window(0, class_name, L"Today", plat::WS_POPUP | plat::WS_VISIBLE | plat::WS_CLIPCHILDREN,
                                  0, 0, profile.width, profile.height, nullptr, 0, nullptr, nullptr);
    // The shell's items look for this event; it is set once they exist.
    ready_ = plat::NamedEvent::create(today::shell_ready_event, true, false);
}

HomeScreen::~HomeScreen() {
    unload();
    if (plat::is_window(window_))
        plat::destroy_window(window_);
    plat::unregister_class(class_name);
    g_screen = nullptr;
}

bool HomeScreen::load(const std::wstring& path) {
    Item item;
    item.path = path;
    const std::string file = plat::native_path(path);
    item.library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!item.library) {
        std::fprintf(stderr, "today-host: cannot load %s: %s\n", file.c_str(), ::dlerror());
        return false;
    }
    // One library makes one item: entering it again would replace the first item's form.
    for (const Item& other : items_)
        if (other.library == item.library) {
            std::fprintf(stderr, "today-host: %s is loaded already\n", file.c_str());
            ::dlclose(item.library);
            return false;
        }
    item.dll_main = reinterpret_cast<today::DllMain>(::dlsym(item.library, today::dll_main_name));
    auto initialize =
        reinterpret_cast<today::InitializeCustomItem>(::dlsym(item.library, today::initialize_item_name));
    if (!item.dll_main || !initialize) {
        std::fprintf(stderr, "today-host: %s has no item entries\n", file.c_str());
        ::dlclose(item.library);
        return false;
    }
    item.dll_main(item.library, today::reason_process_attach, nullptr);
    item.window = initialize(&item.record, window_);
    if (!item.window) {
        std::fprintf(stderr, "today-host: %s made no item\n", file.c_str());
        item.dll_main(item.library, today::reason_process_detach, nullptr);
        ::dlclose(item.library);
        return false;
    }
    items_.push_back(item);
    return true;
}

void HomeScreen::start() {
    ready_->set();
    refresh();
    plat::set_timer(window_, refresh_timer, refresh_interval_ms);
    plat::set_foreground_window(window_);
    plat::set_focus(window_);
}

int HomeScreen::run() {
    plat::MSG msg;
    for (;;) {
        const int got = plat::get_message(msg, nullptr, 0, 0);
        if (got <= 0)
            return got == 0 ? int(msg.wparam) : 1;
        plat::translate_message(msg);
        // The screen owns the keys, whichever of its windows has the focus.
        if (is_key(msg.message) && msg.hwnd && msg.hwnd != window_ && item_of(msg.hwnd) >= 0) {
            handle(msg.message, msg.wparam, msg.lparam);
            continue;
        }
        // A tap on an item selects it; the item takes the tap itself.
        if (msg.message == plat::WM_LBUTTONDOWN && msg.hwnd && msg.hwnd != window_)
            if (int index = item_of(msg.hwnd); index >= 0)
                select(index);
        plat::dispatch_message(msg);
    }
}

plat::LRESULT HomeScreen::procedure(plat::HWND window, uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam) {
    if (g_screen && window == g_screen->window_)
        return g_screen->handle(message, wparam, lparam);
    return plat::def_window_proc(window, message, wparam, lparam);
}

plat::LRESULT HomeScreen::handle(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam) {
    switch (message) {
    case plat::WM_PAINT: {
        plat::PAINTSTRUCT paint;
        plat::HDC dc = plat::begin_paint(window_, paint);
        draw_background(dc, {paint.paint.left, paint.paint.top}, paint.paint);
        plat::end_paint(window_, paint);
        return 0;
    }
    case plat::WM_ERASEBKGND: return 1;
    case plat::WM_TIMER:
        if (wparam == refresh_timer)
            refresh();
        return 0;
    case plat::WM_KEYDOWN:
        if (wparam == plat::VK_UP)
            select(selected_ - 1);
        else if (wparam == plat::VK_DOWN)
            select(selected_ + 1);
        else if (wparam == plat::VK_RETURN)
            act();
        return 0;
    case today::TODAYM_GETCOLOR: return wparam == today::TODAYCOLOR_TEXT ? plat::LRESULT(text_colour) : 0;
    case today::TODAYM_DRAWWATERMARK:
        if (lparam)
            draw_watermark(*reinterpret_cast<const today::TodayDrawWatermarkInfo*>(lparam));
        return 1;
    case plat::WM_CLOSE: plat::destroy_window(window_); return 0;
    case plat::WM_DESTROY: plat::post_quit_message(0); return 0;
    default: return plat::def_window_proc(window_, message, wparam, lparam);
    }
}

void HomeScreen::refresh() {
    bool changed = false;
    for (Item& item : items_)
        if (plat::send_message(item.window, today::WM_TODAYCUSTOM_QUERYREFRESHCACHE,
                               reinterpret_cast<plat::WPARAM>(&item.record), 0))
            changed = true;
    if (changed)
        layout();
}

void HomeScreen::layout() {
    int32_t y = plat::work_area().top;
    const int32_t width = plat::screen_profile().width;
    for (Item& item : items_) {
        item.top = y;
        plat::move_window(item.window, 0, y, width, int32_t(item.record.cyp), true);
        y += int32_t(item.record.cyp);
    }
    plat::invalidate_rect(window_, nullptr, true);
    for (Item& item : items_)
        plat::invalidate_rect(item.window, nullptr, true);
}

void HomeScreen::select(int index) {
    if (items_.empty() || index < 0 || index >= int(items_.size()) || index == selected_)
        return;
    const int previous = selected_;
    selected_ = index;
    // The highlight lies in the background, which each item takes anew after an erase.
    for (int i : {previous, selected_}) {
        plat::RECT rect{0, items_[size_t(i)].top, plat::screen_profile().width,
                        items_[size_t(i)].top + int32_t(items_[size_t(i)].record.cyp)};
        plat::invalidate_rect(window_, &rect, true);
        plat::invalidate_rect(items_[size_t(i)].window, nullptr, true);
    }
}

void HomeScreen::act() {
    if (items_.empty())
        return;
    const plat::HWND window = items_[size_t(selected_)].window;
    plat::send_message(window, plat::WM_LBUTTONDOWN, 0, today::action_point);
    plat::send_message(window, plat::WM_LBUTTONUP, 0, today::action_point);
}

void HomeScreen::draw_background(plat::HDC dc, plat::POINT at, const plat::RECT& area) {
    const int32_t height = plat::screen_profile().height;
    const Item* selected = items_.empty() ? nullptr : &items_[size_t(selected_)];
    for (int32_t y = area.top; y < area.bottom; ++y) {
        plat::COLORREF colour = plat::rgb(mix(plat::red_of(top_colour), plat::red_of(bottom_colour), y, height),
                                          mix(plat::green_of(top_colour), plat::green_of(bottom_colour), y, height),
                                          mix(plat::blue_of(top_colour), plat::blue_of(bottom_colour), y, height));
        // The highlight lets the background show through.
        if (selected && y >= selected->top && y < selected->top + int32_t(selected->record.cyp))
            colour = plat::rgb(mix(plat::red_of(colour), plat::red_of(highlight_colour), 1, 3),
                               mix(plat::green_of(colour), plat::green_of(highlight_colour), 1, 3),
                               mix(plat::blue_of(colour), plat::blue_of(highlight_colour), 1, 3));
        const int32_t row = at.y + (y - area.top);
        plat::fill_rect(dc, {at.x, row, at.x + (area.right - area.left), row + 1}, colour);
    }
}

void HomeScreen::draw_watermark(const today::TodayDrawWatermarkInfo& info) {
    plat::RECT screen_rect;
    plat::get_window_rect(info.window, screen_rect);
    const plat::RECT area{screen_rect.left + info.rect.left, screen_rect.top + info.rect.top,
                          screen_rect.left + info.rect.right, screen_rect.top + info.rect.bottom};
    draw_background(info.dc, {info.rect.left, info.rect.top}, area);
}

int HomeScreen::item_of(plat::HWND window) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (window == items_[i].window || plat::is_child(items_[i].window, window))
            return int(i);
    return -1;
}

// The screen's windows go first, then the libraries that drew them.
void HomeScreen::unload() {
    for (Item& item : items_)
        if (plat::is_window(item.window))
            plat::destroy_window(item.window);
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        it->dll_main(it->library, today::reason_process_detach, nullptr);
        ::dlclose(it->library);
    }
    items_.clear();
}
