#include "ui/MenuTracker.h"

#include "plat/Input.h"
#include "plat/Paint.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "ui/WindowManager.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace plat::ui {
namespace {

constexpr wchar_t class_name[] = L"ChimelyPopupMenu";

// Sizes at 96 dots per inch; high-resolution screens double them.
constexpr int font_pixels = 12;
constexpr int row_padding = 4;
constexpr int separator_height = 7;
constexpr int check_column = 16;
constexpr int shortcut_gap = 16;
constexpr int arrow_column = 12;
constexpr int right_margin = 8;
constexpr int min_width = 80;

constexpr COLORREF background_colour = rgb(255, 255, 255);
constexpr COLORREF frame_colour = band_colour;
constexpr COLORREF text_colour = rgb(0, 0, 0);
constexpr COLORREF greyed_colour = rgb(0x9C, 0x9C, 0x9C);
constexpr COLORREF hot_colour = rgb(0x1F, 0x4E, 0x8C);
constexpr COLORREF hot_text_colour = rgb(255, 255, 255);
constexpr COLORREF hot_greyed_colour = rgb(0xE4, 0xE4, 0xE4);
constexpr COLORREF separator_colour = rgb(0xC8, 0xC8, 0xC8);

constexpr wchar_t check_mark[] = L"\u2713";
constexpr wchar_t submenu_arrow[] = L"\u25B8";

thread_local MenuTracker* t_running = nullptr;
std::atomic<HWND> g_window{nullptr};

bool is_key_message(uint32_t message) { return message >= WM_KEYDOWN && message <= WM_IME_COMPOSITION; }
bool is_pointer_message(uint32_t message) { return message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL; }

int text_width(HDC dc, std::wstring_view text) {
    SIZE size;
    return !text.empty() && get_text_extent(dc, text, size) ? size.cx : 0;
}

// The part of the screen a menu may cover: between the bands.
RECT menu_area() {
    const ScreenProfile& p = screen_profile();
    const int bottom = full_screen_mode() ? 0 : bottom_band_height();
    return RECT{0, top_band_height(), p.width, std::max(top_band_height(), p.height - bottom)};
}

} // namespace

MenuTracker::MenuTracker(HMENU menu, uint32_t flags, POINT at, HWND owner)
    : owner_(owner), menu_(menu), flags_(flags), at_(at) {
    scale_ = std::max(1, screen_profile().dpi_y / 96);
    LogFont log_font;
    log_font.height = -font_pixels * scale_;
    log_font.face_name = L"Tahoma";
    font_ = create_font(log_font);
    HDC dc = create_compatible_dc(nullptr);
    select_font(dc, font_);
    SIZE line;
    get_text_extent(dc, L"Ag", line);
    delete_dc(dc);
    row_height_ = line.cy + 2 * row_padding * scale_;
}

MenuTracker::~MenuTracker() {
    close_all();
    delete_font(font_);
}

void MenuTracker::close_all() {
    close_levels_after(0);
    if (!levels_.empty() && levels_[0].window && is_window(levels_[0].window))
        destroy_window(levels_[0].window);
    levels_.clear();
    if (t_running == this) {
        t_running = outer_;
        g_window = nullptr;
    }
}

MenuTracker* MenuTracker::running() { return t_running; }
HWND MenuTracker::window() { return g_window.load(); }

RECT MenuTracker::entry_screen_rect(size_t level, size_t entry) const {
    if (level >= levels_.size() || entry >= levels_[level].rows.size())
        return {};
    const Level& l = levels_[level];
    const RECT& r = l.rows[entry];
    return {l.frame.left + r.left, l.frame.top + r.top, l.frame.left + r.right, l.frame.top + r.bottom};
}

std::uintptr_t MenuTracker::run() {
    register_class(WindowClass{0, &MenuTracker::procedure, nullptr, 0, 0, 0, class_name});
    for (uint32_t key = 1; key < held_at_open_.size(); ++key)
        held_at_open_[key] = get_async_key_state(key) < 0;
    outer_ = t_running;
    t_running = this;
    if (!open_level(menu_, at_, flags_))
        return 0;

    bool quit = false;
    WPARAM exit_code = 0;
    MSG msg;
    while (!done_) {
        const int got = get_message(msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            exit_code = msg.wparam;
            break;
        }
        if (got < 0)
            break;
        if (!is_window(owner_)) {
            finish(0);
            break;
        }
        const bool ours = std::any_of(levels_.begin(), levels_.end(), [&](const Level& l) { return l.window == msg.hwnd; });
        if (is_key_message(msg.message)) {
            if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)
                on_key_down(uint32_t(msg.wparam & 0xFF));
            else if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP)
                held_at_open_[msg.wparam & 0xFF] = false;
        } else if (is_pointer_message(msg.message)) {
            // Only the shell's hook addresses our windows, in screen coordinates;
            // input queued for others before the menu opened is dropped.
            if (ours)
                on_pointer(msg.message, lparam_point(msg.lparam));
        } else if (ours && msg.message == menu_choose_message) {
            choose_nth(int(msg.wparam));
        } else {
            dispatch_message(msg);
        }
    }
    const std::uintptr_t chosen = quit ? 0 : chosen_;
    close_all();
    if (quit)
        post_quit_message(int(exit_code));
    return chosen;
}

LRESULT MenuTracker::procedure(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    MenuTracker* tracker = t_running;
    size_t level = 0;
    if (tracker)
        while (level < tracker->levels_.size() && tracker->levels_[level].window != window)
            ++level;
    if (!tracker || level == tracker->levels_.size())
        return def_window_proc(window, message, wparam, lparam);
    switch (message) {
    case WM_PAINT:
        tracker->paint(level);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_DESTROY:
        // Gone with its owner: the menu ends without a choice.
        tracker->levels_[level].window = nullptr;
        tracker->finish(0);
        return 0;
    default:
        return def_window_proc(window, message, wparam, lparam);
    }
}

void MenuTracker::lay_out(Level& level, POINT at, uint32_t flags) const {
    const int s = scale_;
    HDC dc = create_compatible_dc(nullptr);
    select_font(dc, font_);
    int text = 0, shortcut = 0;
    for (const MenuEntry& e : level.entries) {
        text = std::max(text, text_width(dc, e.text));
        shortcut = std::max(shortcut, text_width(dc, e.shortcut));
    }
    delete_dc(dc);
    const RECT area = menu_area();
    const int width = std::min<int>(area.right - area.left, std::max(min_width * s, check_column * s + text + (shortcut ? shortcut_gap * s + shortcut : 0) +
                                                  arrow_column * s + right_margin * s));
    level.rows.clear();
    int y = s;  // inside the frame
    for (const MenuEntry& e : level.entries) {
        const int height = e.separator() ? separator_height * s : row_height_;
        level.rows.push_back(RECT{s, y, width - s, y + height});
        y += height;
    }
    const int height = y + s;

    int left = (flags & TPM_RIGHTALIGN) ? at.x - width : at.x;
    int top = (flags & TPM_BOTTOMALIGN) ? at.y - height : at.y;
    left = std::max(area.left, std::min(left, area.right - width));
    top = std::max(area.top, std::min(top, area.bottom - height));
    level.frame = RECT{left, top, left + width, top + height};
}

bool MenuTracker::open_level(HMENU menu, POINT at, uint32_t flags) {
    Level level;
    level.menu = menu;
    if (!menu_entries(menu, level.entries) || level.entries.empty())
        return false;
    lay_out(level, at, flags);
    // A sub-menu that does not fit on the right of its parent opens on the left.
    if (!levels_.empty() && !(flags & TPM_RIGHTALIGN) && level.frame.left < at.x)
        lay_out(level, POINT{levels_.back().frame.left + scale_, at.y}, flags | TPM_RIGHTALIGN);
    for (size_t i = 0; i < level.entries.size() && level.hot < 0; ++i)
        if (!level.entries[i].separator())
            level.hot = int(i);
    const RECT f = level.frame;
    levels_.push_back(std::move(level));
    HWND window = create_window(0, class_name, L"", WS_POPUP | WS_DISABLED, f.left, f.top, f.right - f.left,
                                f.bottom - f.top, top_level_of(owner_), 0, nullptr, nullptr);
    levels_.back().window = window;
    if (!window) {
        levels_.pop_back();
        return false;
    }
    set_window_pos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    invalidate_rect(window, nullptr, false);
    if (levels_.size() == 1)
        g_window = window;
    return true;
}

void MenuTracker::close_levels_after(size_t level) {
    while (levels_.size() > level + 1) {
        HWND window = levels_.back().window;
        levels_.pop_back();
        if (window && is_window(window))
            destroy_window(window);
    }
}

void MenuTracker::set_hot(size_t level, int entry) {
    if (level >= levels_.size() || levels_[level].hot == entry)
        return;
    levels_[level].hot = entry;
    if (levels_[level].window)
        invalidate_rect(levels_[level].window, nullptr, false);
}

void MenuTracker::on_key_down(uint32_t key) {
    if (held_at_open_[key] || levels_.empty())
        return;
    const size_t inner = levels_.size() - 1;
    const Level& level = levels_[inner];
    const int count = int(level.entries.size());
    switch (key) {
    case VK_UP:
    case VK_DOWN: {
        const int step = key == VK_DOWN ? 1 : count - 1;
        int at = level.hot < 0 ? (key == VK_DOWN ? count - 1 : 0) : level.hot;
        for (int tries = 0; tries < count; ++tries) {
            at = (at + step) % count;
            if (!level.entries[size_t(at)].separator())
                break;
        }
        set_hot(inner, at);
        break;
    }
    case VK_RIGHT:
        if (level.hot >= 0 && level.entries[size_t(level.hot)].submenu())
            activate_entry(inner, level.hot);
        break;
    case VK_LEFT:
        if (inner > 0)
            close_levels_after(inner - 1);
        break;
    case VK_RETURN:
        if (level.hot >= 0)
            activate_entry(inner, level.hot);
        break;
    case VK_ESCAPE:
        if (inner > 0)
            close_levels_after(inner - 1);
        else
            finish(0);
        break;
    default:
        break;
    }
}

void MenuTracker::on_pointer(uint32_t message, POINT screen) {
    size_t level = 0;
    int entry = -1;
    const bool over = hit(screen, level, entry);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!over) {
            finish(0);  // a tap outside
            return;
        }
        pressed_ = true;
        close_levels_after(level);
        set_hot(level, entry);
        if (levels_[level].entries[size_t(entry)].submenu())
            activate_entry(level, entry);
        break;
    case WM_MOUSEMOVE:
        if (pressed_ && over)
            set_hot(level, entry);
        break;
    case WM_LBUTTONUP:
        // The release of a press that opened the menu chooses nothing.
        if (!pressed_)
            return;
        pressed_ = false;
        if (over && !levels_[level].entries[size_t(entry)].submenu())
            activate_entry(level, entry);
        break;
    default:
        break;
    }
}

void MenuTracker::choose_nth(int n) {
    if (levels_.empty())
        return;
    const size_t inner = levels_.size() - 1;
    const std::vector<MenuEntry>& entries = levels_[inner].entries;
    int seen = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].separator() || ++seen != n)
            continue;
        if (entries[i].greyed())
            std::fprintf(stderr, "choose %d: the entry is greyed; skipped\n", n);
        set_hot(inner, int(i));
        activate_entry(inner, int(i));
        return;
    }
    std::fprintf(stderr, "choose %d: the menu has %d entries; skipped\n", n, seen);
}

void MenuTracker::activate_entry(size_t level, int entry) {
    close_levels_after(level);
    const MenuEntry e = levels_[level].entries[size_t(entry)];
    if (e.separator() || e.greyed())
        return;
    if (HMENU submenu = e.submenu()) {
        const RECT row = entry_screen_rect(level, size_t(entry));
        open_level(submenu, POINT{levels_[level].frame.right - scale_, row.top - scale_}, TPM_LEFTALIGN);
        return;
    }
    finish(e.id);
}

bool MenuTracker::hit(POINT screen, size_t& level, int& entry) const {
    for (size_t l = levels_.size(); l-- > 0;) {
        if (!levels_[l].frame.contains(screen.x, screen.y))
            continue;
        for (size_t e = 0; e < levels_[l].rows.size(); ++e) {
            const RECT r = entry_screen_rect(l, e);
            if (r.contains(screen.x, screen.y) && !levels_[l].entries[e].separator()) {
                level = l;
                entry = int(e);
                return true;
            }
        }
        // On the frame or a separator: inside the menu, but no entry.
        level = l;
        entry = -1;
        return false;
    }
    return false;
}

void MenuTracker::finish(std::uintptr_t chosen) {
    chosen_ = chosen;
    done_ = true;
}

void MenuTracker::paint(size_t index) {
    Level& level = levels_[index];
    PAINTSTRUCT ps;
    HDC dc = begin_paint(level.window, ps);
    if (!dc) {
        validate_rect(level.window, nullptr);
        return;
    }
    const int s = scale_;
    const RECT client{0, 0, level.frame.right - level.frame.left, level.frame.bottom - level.frame.top};
    fill_rect(dc, client, background_colour);
    fill_rect(dc, {0, 0, client.right, s}, frame_colour);
    fill_rect(dc, {0, client.bottom - s, client.right, client.bottom}, frame_colour);
    fill_rect(dc, {0, 0, s, client.bottom}, frame_colour);
    fill_rect(dc, {client.right - s, 0, client.right, client.bottom}, frame_colour);
    set_bk_mode(dc, TRANSPARENT);
    select_font(dc, font_);
    for (size_t i = 0; i < level.entries.size(); ++i) {
        const MenuEntry& e = level.entries[i];
        const RECT row = level.rows[i];
        if (e.separator()) {
            const int middle = (row.top + row.bottom) / 2;
            fill_rect(dc, {row.left + 2 * s, middle, row.right - 2 * s, middle + s}, separator_colour);
            continue;
        }
        const bool hot = int(i) == level.hot;
        if (hot)
            fill_rect(dc, row, e.greyed() ? hot_greyed_colour : hot_colour);
        set_text_color(dc, e.greyed() ? greyed_colour : hot ? hot_text_colour : text_colour);
        RECT check{row.left, row.top, row.left + check_column * s, row.bottom};
        if (e.checked())
            draw_text(dc, check_mark, check, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        RECT text{check.right, row.top, row.right - arrow_column * s, row.bottom};
        draw_text(dc, e.text, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        RECT shortcut{check.right, row.top, row.right - arrow_column * s, row.bottom};
        if (!e.shortcut.empty())
            draw_text(dc, e.shortcut, shortcut, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        RECT arrow{row.right - arrow_column * s, row.top, row.right, row.bottom};
        if (e.submenu())
            draw_text(dc, submenu_arrow, arrow, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    end_paint(level.window, ps);
}

} // namespace plat::ui
