#pragma once
#include "plat/Clock.h"
#include "plat/CommonControls.h"
#include "plat/Font.h"
#include "plat/Window.h"

#include <array>
#include <cstdint>
#include <functional>

namespace plat::ui::controls {

// The "SysMonthCal32" window: one month with its title, weekday header and
// 6 x 7 days (see "plat/CommonControls.h"). A date/time picker also runs one
// as its drop-down: the calendar then holds the pointer capture, a tap
// outside it or Escape closes it unchanged, Enter or a tap on a day takes
// the date.
class MonthCalendar {
public:
    MonthCalendar(HWND window, const CreateStruct& create);
    ~MonthCalendar();
    MonthCalendar(const MonthCalendar&) = delete;
    MonthCalendar& operator=(const MonthCalendar&) = delete;

    static void register_class();
    static MonthCalendar* of(HWND window);
    LRESULT handle(uint32_t message, WPARAM wparam, LPARAM lparam);

    SystemTime selection() const;
    // False, with nothing changed, for a date the device does not have.
    bool select(const SystemTime& date);
    SIZE min_size() const;

    // The picker's drop-down: `closed` hears whether the date was taken.
    using Closed = std::function<void(bool taken)>;
    void drop_down(Closed closed);
    bool dropped() const { return dropped_; }
    void close_drop_down(bool taken);
    void key_down(uint32_t key);

private:
    struct Layout {
        RECT title, previous, next;
        int header_top = 0, grid_left = 0, grid_top = 0, cell_width = 0, cell_height = 0;
    };
    enum class Hit { none, previous, next, day };

    Layout lay_out() const;
    Hit hit(POINT point, int& cell) const;
    int64_t first_shown_day() const;
    bool select_day(int64_t day);
    void move_months(int months);
    void on_pointer_down(POINT point);
    void on_pointer_up(POINT point);
    void paint();
    int border() const;

    HWND window_ = nullptr;
    int scale_ = 1;
    HFONT font_ = nullptr;
    HFONT title_font_ = nullptr;
    std::array<COLORREF, 6> colours_{};  // by MCSC_ index
    int64_t selected_ = 0;               // days since 1 January 1601
    bool dropped_ = false;
    Closed closed_;
    int pressed_cell_ = -1;  // the day cell a tap went down on
};

} // namespace plat::ui::controls
