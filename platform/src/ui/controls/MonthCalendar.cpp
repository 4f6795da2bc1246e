#include "ui/controls/MonthCalendar.h"

#include "plat/Input.h"
#include "plat/Paint.h"
#include "ui/controls/CalendarNames.h"
#include "ui/controls/ControlWindow.h"

#include <string>

namespace plat::ui::controls {
namespace {

using Window = ControlWindow<MonthCalendar>;

// Sizes at 96 dots per inch.
constexpr int cell_width = 24;
constexpr int cell_height = 18;
constexpr int title_height = 24;
constexpr int header_height = 18;
constexpr int margin = 2;
constexpr int arrow_size = 5;
constexpr int columns = 7, rows = 6;

// The header shows at most this much of each weekday's short name ("Su" of "Sun").
constexpr size_t weekday_letters = 2;

constexpr std::array<COLORREF, 6> default_colours = {
    rgb(255, 255, 255),     // background
    rgb(0, 0, 0),           // text
    rgb(0x1F, 0x4E, 0x8C),  // title background
    rgb(255, 255, 255),     // title text
    rgb(255, 255, 255),     // month background
    rgb(0x90, 0x90, 0x90),  // trailing text
};

int64_t last_day() {
    int64_t day = 0;
    day_number(SystemTime{30827, 12, 0, 31}, day);
    return day;
}

} // namespace

void MonthCalendar::register_class() { Window::register_class_once(MONTHCAL_CLASS); }

MonthCalendar* MonthCalendar::of(HWND window) { return Window::of(window); }

MonthCalendar::MonthCalendar(HWND window, const CreateStruct&) : window_(window), colours_(default_colours) {
    scale_ = screen_scale();
    font_ = make_font(scale_, FW_NORMAL);
    title_font_ = make_font(scale_, FW_BOLD);
    day_number(local_time(), selected_);
}

MonthCalendar::~MonthCalendar() {
    delete_font(font_);
    delete_font(title_font_);
}

int MonthCalendar::border() const { return (get_window_long(window_, GWL_STYLE) & WS_BORDER) ? scale_ : 0; }

SIZE MonthCalendar::min_size() const {
    const int s = scale_, b = border();
    return SIZE{2 * b + 2 * margin * s + columns * cell_width * s,
                2 * b + title_height * s + header_height * s + rows * cell_height * s + margin * s};
}

SystemTime MonthCalendar::selection() const { return date_of_day(selected_); }

bool MonthCalendar::select(const SystemTime& date) {
    int64_t day = 0;
    return day_number(date, day) && select_day(day);
}

bool MonthCalendar::select_day(int64_t day) {
    if (day < 0 || day > last_day())
        return false;
    if (day != selected_) {
        selected_ = day;
        invalidate_rect(window_, nullptr, false);
    }
    return true;
}

// By whole months, the day clamped to the new month's length (31 January + 1 is 28 or 29 February).
void MonthCalendar::move_months(int months) {
    const SystemTime now = selection();
    int index = int(now.year) * 12 + (now.month - 1) + months;
    const int year = index / 12, month = index % 12 + 1;
    const int day = std::min<int>(now.day, days_in_month(year, month));
    select(SystemTime{uint16_t(year), uint16_t(month), 0, uint16_t(day)});
}

int64_t MonthCalendar::first_shown_day() const {
    const SystemTime now = selection();
    int64_t first = 0;
    day_number(SystemTime{now.year, now.month, 0, 1}, first);
    return first - date_of_day(first).day_of_week;  // weeks start on Sunday
}

MonthCalendar::Layout MonthCalendar::lay_out() const {
    const int s = scale_, b = border();
    RECT client;
    get_client_rect(window_, client);
    const int inner_width = client.right - 2 * b;
    const int inner_height = client.bottom - 2 * b;
    Layout l;
    l.title = {b, b, client.right - b, b + title_height * s};
    l.previous = {b, b, b + title_height * s, l.title.bottom};
    l.next = {client.right - b - title_height * s, b, client.right - b, l.title.bottom};
    l.header_top = l.title.bottom;
    // A window larger than one month spreads the days over it.
    l.cell_width = std::max(1, (inner_width - 2 * margin * s) / columns);
    l.cell_height = std::max(1, (inner_height - (title_height + header_height + margin) * s) / rows);
    l.grid_left = b + (inner_width - columns * l.cell_width) / 2;
    l.grid_top = l.header_top + header_height * s;
    return l;
}

MonthCalendar::Hit MonthCalendar::hit(POINT p, int& cell) const {
    const Layout l = lay_out();
    cell = -1;
    if (l.previous.contains(p.x, p.y))
        return Hit::previous;
    if (l.next.contains(p.x, p.y))
        return Hit::next;
    if (p.x < l.grid_left || p.y < l.grid_top)
        return Hit::none;
    const int column = (p.x - l.grid_left) / l.cell_width, row = (p.y - l.grid_top) / l.cell_height;
    if (column >= columns || row >= rows)
        return Hit::none;
    const int64_t day = first_shown_day() + row * columns + column;
    if (day < 0 || day > last_day())
        return Hit::none;
    cell = row * columns + column;
    return Hit::day;
}

void MonthCalendar::key_down(uint32_t key) {
    switch (key) {
    case VK_LEFT: select_day(selected_ - 1); break;
    case VK_RIGHT: select_day(selected_ + 1); break;
    case VK_UP: select_day(selected_ - columns); break;
    case VK_DOWN: select_day(selected_ + columns); break;
    case VK_PRIOR: move_months(-1); break;
    case VK_NEXT: move_months(1); break;
    case VK_RETURN:
        if (dropped_)
            close_drop_down(true);
        break;
    case VK_ESCAPE:
        if (dropped_)
            close_drop_down(false);
        break;
    default: break;
    }
}

void MonthCalendar::drop_down(Closed closed) {
    closed_ = std::move(closed);
    dropped_ = true;
    pressed_cell_ = -1;
    set_capture(window_);
    invalidate_rect(window_, nullptr, false);
}

void MonthCalendar::close_drop_down(bool taken) {
    if (!dropped_)
        return;
    dropped_ = false;  // first, so the capture's release below does not close it again
    pressed_cell_ = -1;
    if (get_capture() == window_)
        release_capture();
    Closed closed = std::move(closed_);
    closed_ = nullptr;
    if (closed)
        closed(taken);
}

void MonthCalendar::on_pointer_down(POINT p) {
    RECT client;
    get_client_rect(window_, client);
    if (dropped_ && !client.contains(p.x, p.y)) {
        close_drop_down(false);
        return;
    }
    if (!dropped_ && get_focus() != window_)
        set_focus(window_);
    int cell = -1;
    switch (hit(p, cell)) {
    case Hit::previous: move_months(-1); break;
    case Hit::next: move_months(1); break;
    case Hit::day:
        pressed_cell_ = cell;
        select_day(first_shown_day() + cell);
        break;
    case Hit::none: break;
    }
}

void MonthCalendar::on_pointer_up(POINT p) {
    const int pressed = pressed_cell_;
    pressed_cell_ = -1;
    // The press may have moved to another month: the same cell still means the day it chose.
    int cell = -1;
    if (dropped_ && pressed >= 0 && hit(p, cell) == Hit::day && cell == pressed)
        close_drop_down(true);
}

LRESULT MonthCalendar::handle(uint32_t message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT: paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_KEYDOWN: key_down(uint32_t(wparam)); return 0;
    case WM_LBUTTONDOWN: on_pointer_down(lparam_point(lparam)); return 0;
    case WM_LBUTTONUP: on_pointer_up(lparam_point(lparam)); return 0;
    case WM_CAPTURECHANGED:
        if (dropped_ && HWND(lparam) != window_)
            close_drop_down(false);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        invalidate_rect(window_, nullptr, false);
        return 0;
    case MCM_GETCURSEL:
        if (!lparam)
            return 0;
        *reinterpret_cast<SystemTime*>(lparam) = selection();
        return 1;
    case MCM_SETCURSEL: return lparam && select(*reinterpret_cast<const SystemTime*>(lparam)) ? 1 : 0;
    case MCM_GETMINREQRECT: {
        if (!lparam)
            return 0;
        const SIZE size = min_size();
        *reinterpret_cast<RECT*>(lparam) = RECT{0, 0, size.cx, size.cy};
        return 1;
    }
    case MCM_SETCOLOR: {
        if (wparam >= colours_.size())
            return LRESULT(CLR_INVALID);
        const COLORREF previous = colours_[wparam];
        colours_[wparam] = COLORREF(lparam) & 0xFFFFFF;
        invalidate_rect(window_, nullptr, false);
        return LRESULT(previous);
    }
    default: return def_window_proc(window_, message, wparam, lparam);
    }
}

void MonthCalendar::paint() {
    PAINTSTRUCT ps;
    HDC dc = begin_paint(window_, ps);
    if (!dc) {
        validate_rect(window_, nullptr);
        return;
    }
    const int s = scale_, b = border();
    const Layout l = lay_out();
    RECT client;
    get_client_rect(window_, client);
    fill_rect(dc, client, colours_[MCSC_BACKGROUND]);
    const RECT month{b, l.header_top, client.right - b, client.bottom - b};
    fill_rect(dc, month, colours_[MCSC_MONTHBK]);
    if (b)
        frame_rect(dc, client, b, colours_[MCSC_TEXT]);
    set_bk_mode(dc, TRANSPARENT);
    constexpr uint32_t centred = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

    // Title: month and year between the arrows.
    fill_rect(dc, l.title, colours_[MCSC_TITLEBK]);
    draw_arrow(dc, l.previous, arrow_size * s, Pointing::left, colours_[MCSC_TITLETEXT]);
    draw_arrow(dc, l.next, arrow_size * s, Pointing::right, colours_[MCSC_TITLETEXT]);
    const SystemTime shown = selection();
    select_font(dc, title_font_);
    set_text_color(dc, colours_[MCSC_TITLETEXT]);
    RECT title = l.title;
    const CalendarNames& names = calendar_names();
    draw_text(dc, names.months[shown.month - 1] + L" " + std::to_wstring(shown.year), title, centred);

    // Weekday header, underlined.
    select_font(dc, font_);
    set_text_color(dc, colours_[MCSC_TEXT]);
    for (int c = 0; c < columns; ++c) {
        RECT r{l.grid_left + c * l.cell_width, l.header_top, l.grid_left + (c + 1) * l.cell_width, l.grid_top};
        draw_text(dc, names.short_weekdays[c].substr(0, weekday_letters), r, centred);
    }
    fill_rect(dc, {l.grid_left, l.grid_top - s, l.grid_left + columns * l.cell_width, l.grid_top},
              colours_[MCSC_TRAILINGTEXT]);

    // Days. The selection is filled while the calendar has the keys, framed otherwise.
    const bool active = dropped_ || get_focus() == window_;
    const int64_t first = first_shown_day();
    for (int cell = 0; cell < rows * columns; ++cell) {
        const int64_t day = first + cell;
        if (day < 0 || day > last_day())
            continue;
        const SystemTime date = date_of_day(day);
        const int x = l.grid_left + (cell % columns) * l.cell_width, y = l.grid_top + (cell / columns) * l.cell_height;
        RECT r{x, y, x + l.cell_width, y + l.cell_height};
        COLORREF text = date.month == shown.month ? colours_[MCSC_TEXT] : colours_[MCSC_TRAILINGTEXT];
        if (day == selected_) {
            const RECT mark{r.left + s, r.top + s, r.right - s, r.bottom - s};
            if (active) {
                fill_rect(dc, mark, colours_[MCSC_TITLEBK]);
                text = colours_[MCSC_TITLETEXT];
            } else {
                frame_rect(dc, mark, s, colours_[MCSC_TITLEBK]);
            }
        }
        set_text_color(dc, text);
        draw_text(dc, std::to_wstring(date.day), r, centred);
    }
    end_paint(window_, ps);
}

} // namespace plat::ui::controls
