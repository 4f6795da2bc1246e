#pragma once
#include "plat/Clock.h"
#include "plat/Font.h"
#include "plat/Input.h"
#include "plat/Screen.h"
#include "plat/Window.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <unordered_map>

// What the drawn common controls share: the object behind each window, the
// scale of the screen and a few drawing helpers.
namespace plat::ui::controls {

// Sizes are given at 96 dots per inch; a 192 dpi screen doubles them.
inline int screen_scale() { return std::max(1, screen_profile().dpi_y / 96); }

// The fields' palette, one for every control.
constexpr COLORREF field_colour = rgb(255, 255, 255);
constexpr COLORREF text_colour = rgb(0, 0, 0);
constexpr COLORREF disabled_text_colour = rgb(0x90, 0x90, 0x90);
constexpr COLORREF highlight_colour = rgb(0x1F, 0x4E, 0x8C);
constexpr COLORREF highlight_text_colour = rgb(255, 255, 255);
constexpr COLORREF button_colour = rgb(0xE4, 0xE4, 0xE4);
constexpr COLORREF frame_colour = rgb(0, 0, 0);

// Controls share the device's standard font, 12 pixels at 96 dpi.
constexpr int font_pixels = 12;

inline HFONT make_font(int scale, int weight) {
    LogFont font;
    font.height = -font_pixels * scale;
    font.weight = weight;
    font.face_name = L"Tahoma";
    return create_font(font);
}

inline int text_width(HDC dc, std::wstring_view text) {
    SIZE size;
    return get_text_extent(dc, text, size) ? size.cx : 0;
}

inline void frame_rect(HDC dc, const RECT& r, int thickness, COLORREF colour) {
    fill_rect(dc, {r.left, r.top, r.right, r.top + thickness}, colour);
    fill_rect(dc, {r.left, r.bottom - thickness, r.right, r.bottom}, colour);
    fill_rect(dc, {r.left, r.top, r.left + thickness, r.bottom}, colour);
    fill_rect(dc, {r.right - thickness, r.top, r.right, r.bottom}, colour);
}

enum class Pointing { left, right, up, down };

// A solid arrow head centred in the box, `size` pixels from base to tip.
inline void draw_arrow(HDC dc, const RECT& box, int size, Pointing towards, COLORREF colour) {
    const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    for (int i = 0; i < size; ++i) {
        const int half = size - 1 - i;  // the base is widest
        const int along = i - size / 2;
        switch (towards) {
        case Pointing::left: fill_rect(dc, {cx - along - 1, cy - half, cx - along, cy + half + 1}, colour); break;
        case Pointing::right: fill_rect(dc, {cx + along, cy - half, cx + along + 1, cy + half + 1}, colour); break;
        case Pointing::up: fill_rect(dc, {cx - half, cy - along - 1, cx + half + 1, cy - along}, colour); break;
        case Pointing::down: fill_rect(dc, {cx - half, cy + along, cx + half + 1, cy + along + 1}, colour); break;
        }
    }
}

inline bool shift_held() { return get_key_state(VK_SHIFT) < 0; }

// Dates as days since 1 January 1601, through the device's own calendar
// rules; false for a date it does not have. Time fields do not count.
inline bool day_number(const SystemTime& date, int64_t& day) {
    uint64_t file_time = 0;
    if (!system_time_to_file_time(SystemTime{date.year, date.month, 0, date.day}, file_time))
        return false;
    day = int64_t(file_time / file_time_per_day);
    return true;
}
// The date of a day number, weekday filled, time fields 0.
inline SystemTime date_of_day(int64_t day) {
    SystemTime date;
    file_time_to_system_time(uint64_t(day) * file_time_per_day, date);
    return date;
}
inline int days_in_month(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// The object behind each window of a control class. Its messages always run
// on the window's own thread, so each thread keeps its own table. T is made
// at WM_NCCREATE from the creation record and goes after WM_NCDESTROY.
template <class T>
class ControlWindow {
public:
    static T* of(HWND window) {
        auto it = objects().find(window);
        return it == objects().end() ? nullptr : it->second.get();
    }

    static LRESULT procedure(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NCCREATE)
            objects()[window] = std::make_unique<T>(window, *reinterpret_cast<const CreateStruct*>(lparam));
        T* control = of(window);
        if (!control)
            return def_window_proc(window, message, wparam, lparam);
        if (message == WM_NCDESTROY) {
            auto kept = std::move(objects()[window]);
            objects().erase(window);
            return def_window_proc(window, message, wparam, lparam);
        }
        return control->handle(message, wparam, lparam);
    }

    // Registers the class once per process.
    static void register_class_once(const wchar_t* name) {
        WindowClass wc;
        wc.style = 0;  // every press is a plain one
        wc.procedure = &procedure;
        wc.name = name;
        register_class(wc);  // a second call finds it there
    }

private:
    static std::unordered_map<HWND, std::unique_ptr<T>>& objects() {
        thread_local std::unordered_map<HWND, std::unique_ptr<T>> table;
        return table;
    }
};

} // namespace plat::ui::controls
