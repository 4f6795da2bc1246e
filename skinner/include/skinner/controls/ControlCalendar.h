#pragma once
#include "skinner/Control.h"
#include "skinner/ControlSubclass.h"
#include "base/TimeStamp.h"

#include <memory>
#include <string>
#include <string_view>

namespace skinner {

class ControlCalendar;

// Watches the device's calendar window for its owner: the window's focus
// becomes the framework's, and Tab (without Ctrl) moves on through the form.
class ControlCalendarImpl : public ControlSubclass {
public:
    ControlCalendarImpl(ControlCalendar* owner, plat::HWND window);
    // Detaches and destroys the window.
    ~ControlCalendarImpl() override;
    plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam, bool& pass_on) override;
    ControlCalendar* get_owner() const { return owner_; }

private:
    ControlCalendar* owner_ = nullptr;
};

// A month calendar, date picker or time picker of the device laid over the
// control's rectangle in the form window. It draws nothing itself: it keeps
// the device window placed, focused, shown and coloured, and reads and
// writes its date.
class ControlCalendar : public Control {
public:
    static constexpr std::wstring_view appearance_calendar = L"Calendar";
    static constexpr std::wstring_view appearance_date_picker = L"DatePicker";
    static constexpr std::wstring_view appearance_time_picker = L"TimePicker";
    static constexpr std::wstring_view window_text = L"DateTime";

    ControlCalendar(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlCalendar() override;

    void on_got_focus() override;
    void on_lost_focus() override;
    void on_visible_changed(bool visible) override;
    void set_rect(plat::POINT position, plat::POINT size) override;
    void load_skin() override;

    // The device window's date when there is one, else the stored value; an
    // unreadable answer gives the default (1 January 1601).
    liba::TimeStamp get_date() const;
    void set_date(const liba::TimeStamp& date);

    const std::wstring& get_appearance() const { return appearance_; }
    plat::HWND get_native_window() const { return impl_ ? impl_->get_window() : nullptr; }
    bool is_month_calendar() const { return appearance_ == appearance_calendar; }

private:
    void read_skin();
    // Puts the device window over the rectangle: a month calendar at its
    // minimum size, centred; a picker filling it.
    void place_window(plat::POINT position, plat::POINT size);

    SkinColour background_{};
    SkinColour title_background_{};
    SkinColour text_{};
    SkinColour title_text_{};
    std::wstring appearance_{appearance_calendar};
    std::unique_ptr<ControlCalendarImpl> impl_;
    liba::TimeStamp date_;
};

} // namespace skinner
