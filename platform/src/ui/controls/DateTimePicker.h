#pragma once
#include "plat/Clock.h"
#include "plat/CommonControls.h"
#include "plat/Font.h"
#include "plat/Window.h"

#include <string>

namespace plat::ui::controls {

// The "SysDateTimePick32" window (see "plat/CommonControls.h"). Its month
// calendar is made with it, as a hidden sibling (or, for a top-level picker,
// a popup it owns), so the drop-down can lie over the rest of the form.
class DateTimePicker {
public:
    DateTimePicker(HWND window, const CreateStruct& create);
    ~DateTimePicker();
    DateTimePicker(const DateTimePicker&) = delete;
    DateTimePicker& operator=(const DateTimePicker&) = delete;

    static void register_class();
    LRESULT handle(uint32_t message, WPARAM wparam, LPARAM lparam);

private:
    enum Field { hour, minute, second, field_count };

    bool time_format() const;
    void make_calendar();
    void drop_down();
    void on_closed(bool taken);
    void key_down(uint32_t key);
    void step_field(int by);
    void on_pointer_down(POINT point);
    bool set_value(const SystemTime& value);
    std::wstring field_text(int field) const;
    std::wstring date_text() const;
    RECT button_rect() const;
    int border() const;
    void paint();

    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    uint32_t style_ = 0;
    int scale_ = 1;
    HFONT font_ = nullptr;
    SystemTime value_;
    int field_ = hour;
    HWND calendar_ = nullptr;
};

} // namespace plat::ui::controls
