#include "ui/controls/DateTimePicker.h"

#include "plat/Input.h"
#include "plat/Paint.h"
#include "ui/controls/CalendarNames.h"
#include "ui/controls/ControlWindow.h"
#include "ui/controls/MonthCalendar.h"

#include <array>

namespace plat::ui::controls {
namespace {

using Window = ControlWindow<DateTimePicker>;

// Sizes at 96 dots per inch.
constexpr int padding = 4;
constexpr int button_width = 18;
constexpr int arrow_size = 4;

constexpr int field_limits[] = {24, 60, 60};

std::wstring two_digits(int value) { return std::wstring{wchar_t(L'0' + value / 10), wchar_t(L'0' + value % 10)}; }

} // namespace

void DateTimePicker::register_class() {
    MonthCalendar::register_class();
    Window::register_class_once(DATETIMEPICK_CLASS);
}

DateTimePicker::DateTimePicker(HWND window, const CreateStruct& create)
    : window_(window), parent_(create.parent), style_(create.style) {
    scale_ = screen_scale();
    font_ = make_font(scale_, FW_NORMAL);
    set_value(local_time());
}

DateTimePicker::~DateTimePicker() { delete_font(font_); }

bool DateTimePicker::time_format() const { return (style_ & DTS_TIMEFORMAT) == DTS_TIMEFORMAT; }

int DateTimePicker::border() const { return (get_window_long(window_, GWL_STYLE) & WS_BORDER) ? scale_ : 0; }

void DateTimePicker::make_calendar() {
    // A child picker's drop-down is its sibling, so it may reach past the picker over the form.
    if ((style_ & WS_CHILD) && parent_)
        calendar_ = create_window(0, MONTHCAL_CLASS, L"", WS_CHILD | WS_BORDER, 0, 0, 0, 0, parent_, 0, nullptr,
                                  nullptr);
    else
        calendar_ = create_window(0, MONTHCAL_CLASS, L"", WS_POPUP | WS_BORDER, 0, 0, 0, 0, window_, 0, nullptr,
                                  nullptr);
    if (MonthCalendar* calendar = MonthCalendar::of(calendar_))
        calendar->select(value_);
}

bool DateTimePicker::set_value(const SystemTime& value) {
    uint64_t file_time = 0;
    SystemTime checked;
    if (!system_time_to_file_time(value, file_time) || !file_time_to_system_time(file_time, checked))
        return false;
    value_ = checked;  // with its weekday
    if (MonthCalendar* calendar = MonthCalendar::of(calendar_))
        calendar->select(value_);
    invalidate_rect(window_, nullptr, false);
    return true;
}

void DateTimePicker::drop_down() {
    MonthCalendar* calendar = MonthCalendar::of(calendar_);
    if (!calendar || calendar->dropped())
        return;
    const SIZE size = calendar->min_size();
    // Under the picker, or above it when there is no room below, kept inside the parent (or the screen).
    RECT picker, area;
    get_window_rect(window_, picker);
    HWND parent = get_parent(calendar_);
    if (parent) {
        POINT top_left{picker.left, picker.top}, bottom_right{picker.right, picker.bottom};
        screen_to_client(parent, top_left);
        screen_to_client(parent, bottom_right);
        picker = {top_left.x, top_left.y, bottom_right.x, bottom_right.y};
        get_client_rect(parent, area);
    } else {
        area = {0, 0, screen_profile().width, screen_profile().height};
    }
    int y = picker.bottom;
    if (y + size.cy > area.bottom && picker.top - size.cy >= area.top)
        y = picker.top - size.cy;
    y = std::max<int>(area.top, std::min<int>(y, area.bottom - size.cy));
    const int x = std::max<int>(area.left, std::min<int>(picker.left, area.right - size.cx));
    calendar->select(value_);
    set_window_pos(calendar_, HWND_TOP, x, y, size.cx, size.cy, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    calendar->drop_down([this](bool taken) { on_closed(taken); });
    invalidate_rect(window_, nullptr, false);
}

void DateTimePicker::on_closed(bool taken) {
    show_window(calendar_, SW_HIDE);
    MonthCalendar* calendar = MonthCalendar::of(calendar_);
    if (taken && calendar) {
        const SystemTime date = calendar->selection();
        SystemTime value = value_;
        value.year = date.year;
        value.month = date.month;
        value.day = date.day;
        set_value(value);
    } else if (calendar) {
        calendar->select(value_);
    }
    invalidate_rect(window_, nullptr, false);
}

void DateTimePicker::step_field(int by) {
    uint16_t* fields[] = {&value_.hour, &value_.minute, &value_.second};
    const int limit = field_limits[field_];
    *fields[field_] = uint16_t((*fields[field_] + by + limit) % limit);
    invalidate_rect(window_, nullptr, false);
}

void DateTimePicker::key_down(uint32_t key) {
    MonthCalendar* calendar = MonthCalendar::of(calendar_);
    if (calendar && calendar->dropped()) {
        calendar->key_down(key);  // the picker keeps the focus; its drop-down takes the keys
        return;
    }
    if (!time_format()) {
        if (key == VK_RETURN)
            drop_down();
        return;
    }
    switch (key) {
    case VK_LEFT: field_ = (field_ + field_count - 1) % field_count; break;
    case VK_RIGHT: field_ = (field_ + 1) % field_count; break;
    case VK_UP: step_field(1); return;
    case VK_DOWN: step_field(-1); return;
    default: return;
    }
    invalidate_rect(window_, nullptr, false);
}

RECT DateTimePicker::button_rect() const {
    RECT client;
    get_client_rect(window_, client);
    const int b = border();
    return {client.right - b - button_width * scale_, b, client.right - b, client.bottom - b};
}

std::wstring DateTimePicker::field_text(int field) const {
    const uint16_t values[] = {value_.hour, value_.minute, value_.second};
    return two_digits(values[field]);
}

std::wstring DateTimePicker::date_text() const {
    const CalendarNames& names = calendar_names();
    return names.short_weekdays[value_.day_of_week] + L" " + std::to_wstring(value_.day) + L" " +
           names.short_months[value_.month - 1] + L" " + std::to_wstring(value_.year);
}

void DateTimePicker::on_pointer_down(POINT p) {
    if (get_focus() != window_)
        set_focus(window_);
    if (!time_format()) {
        drop_down();
        return;
    }
    const RECT button = button_rect();
    if (button.contains(p.x, p.y)) {
        step_field(p.y < (button.top + button.bottom) / 2 ? 1 : -1);
        return;
    }
    // The field whose text (with the colon after it) lies under the tap.
    HDC dc = create_compatible_dc(nullptr);
    select_font(dc, font_);
    int x = border() + padding * scale_;
    const int colon = text_width(dc, L":");
    int chosen = field_count - 1;
    for (int f = 0; f < field_count; ++f) {
        x += text_width(dc, field_text(f)) + colon;
        if (p.x < x) {
            chosen = f;
            break;
        }
    }
    delete_dc(dc);
    field_ = chosen;
    invalidate_rect(window_, nullptr, false);
}

LRESULT DateTimePicker::handle(uint32_t message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: make_calendar(); return 0;
    case WM_DESTROY:
        if (calendar_ && is_window(calendar_))
            destroy_window(calendar_);
        calendar_ = nullptr;
        return 0;
    case WM_PAINT: paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_KEYDOWN: key_down(uint32_t(wparam)); return 0;
    case WM_LBUTTONDOWN: on_pointer_down(lparam_point(lparam)); return 0;
    case WM_KILLFOCUS:
    case WM_SHOWWINDOW:
        if (MonthCalendar* calendar = MonthCalendar::of(calendar_); calendar && (message == WM_KILLFOCUS || !wparam))
            calendar->close_drop_down(false);
        invalidate_rect(window_, nullptr, false);
        return 0;
    case WM_SETFOCUS:
    case WM_ENABLE:
        invalidate_rect(window_, nullptr, false);
        return 0;
    case DTM_GETSYSTEMTIME:
        if (!lparam)
            return GDT_ERROR;
        *reinterpret_cast<SystemTime*>(lparam) = value_;
        return GDT_VALID;
    case DTM_SETSYSTEMTIME:
        return wparam == GDT_VALID && lparam && set_value(*reinterpret_cast<const SystemTime*>(lparam)) ? 1 : 0;
    case DTM_GETMONTHCAL: return LRESULT(calendar_);
    default: return def_window_proc(window_, message, wparam, lparam);
    }
}

void DateTimePicker::paint() {
    PAINTSTRUCT ps;
    HDC dc = begin_paint(window_, ps);
    if (!dc) {
        validate_rect(window_, nullptr);
        return;
    }
    const int s = scale_, b = border();
    RECT client;
    get_client_rect(window_, client);
    fill_rect(dc, client, field_colour);
    if (b)
        frame_rect(dc, client, b, frame_colour);

    // The button: the drop-down's arrow, or the time's up and down arrows.
    const RECT button = button_rect();
    fill_rect(dc, button, button_colour);
    fill_rect(dc, {button.left, button.top, button.left + s, button.bottom}, frame_colour);
    const bool enabled = is_window_enabled(window_);
    const COLORREF text = enabled ? text_colour : disabled_text_colour;
    if (time_format()) {
        const int middle = (button.top + button.bottom) / 2;
        draw_arrow(dc, {button.left, button.top, button.right, middle}, arrow_size * s, Pointing::up, text);
        draw_arrow(dc, {button.left, middle, button.right, button.bottom}, arrow_size * s, Pointing::down, text);
    } else {
        draw_arrow(dc, button, arrow_size * s, Pointing::down, text);
    }

    // The text; while focused the date, or the chosen time field, is highlighted.
    set_bk_mode(dc, TRANSPARENT);
    select_font(dc, font_);
    const bool focused = get_focus() == window_ && enabled;
    SIZE line;
    get_text_extent(dc, L"Ag", line);
    const int top = (client.bottom - line.cy) / 2;
    RECT area{b + padding * s, b, button.left - s, client.bottom - b};
    select_clip_rect(dc, &area);
    int x = area.left;
    auto draw_piece = [&](const std::wstring& piece, bool highlighted) {
        const int width = text_width(dc, piece);
        if (highlighted)
            fill_rect(dc, {x - s, top, x + width + s, top + line.cy}, highlight_colour);
        set_text_color(dc, highlighted ? highlight_text_colour : text);
        RECT r{x, top, x + width + 1, top + line.cy};
        draw_text(dc, piece, r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        x += width;
    };
    if (time_format()) {
        for (int f = 0; f < field_count; ++f) {
            if (f)
                draw_piece(L":", false);
            draw_piece(field_text(f), focused && f == field_);
        }
    } else {
        draw_piece(date_text(), focused);
    }
    select_clip_rect(dc, nullptr);
    end_paint(window_, ps);
}

} // namespace plat::ui::controls
