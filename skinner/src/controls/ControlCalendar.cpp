#include "skinner/controls/ControlCalendar.h"

#include "skinner/Container.h"
#include "base/Log.h"
#include "plat/CommonControls.h"
#include "plat/Input.h"
#include "plat/Window.h"

namespace skinner {

namespace {


bool held(uint32_t virtual_key) { return plat::get_key_state(virtual_key) < 0; }

} // namespace

ControlCalendarImpl::ControlCalendarImpl(ControlCalendar* owner, plat::HWND window) : owner_(owner) {
    attach(window);
}

ControlCalendarImpl::~ControlCalendarImpl() {
    const plat::HWND window = get_window();
    detach();
    plat::destroy_window(window);
}

plat::LRESULT ControlCalendarImpl::handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM, bool&) {
    if (message == plat::WM_SETFOCUS) {
        owner_->take_focus();
    } else if (message == plat::WM_KEYDOWN && wparam == plat::VK_TAB && !held(plat::VK_CONTROL)) {
        // Ctrl+Tab stays with the device window.
        owner_->get_parent()->focus_next(!held(plat::VK_SHIFT));
    }
    return 0;
}

ControlCalendar::ControlCalendar(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : Control(parent, name_or_kind, creation_mode) {
    read_skin();
}

ControlCalendar::~ControlCalendar() = default;

void ControlCalendar::load_skin() {
    Control::load_skin();
    read_skin();
}

void ControlCalendar::read_skin() {
    const liba::TimeStamp kept = get_date();
    appearance_ = get_string_property(L"Appearance", appearance_calendar);
    if (appearance_ != appearance_calendar && appearance_ != appearance_date_picker &&
        appearance_ != appearance_time_picker) {
        liba::get_log() << L"ControlCalendar: Appearance {" << appearance_ << L"} taken as Calendar\n";
        appearance_ = appearance_calendar;
    }
    background_ = get_color_property(L"Background", SkinColour{});
    title_background_ = get_color_property(L"TitleBackground", SkinColour{});
    text_ = get_color_property(L"Text", SkinColour{});
    title_text_ = get_color_property(L"TitleText", SkinColour{});

    plat::InitCommonControlsEx init;
    init.flags = plat::ICC_DATE_CLASSES;
    plat::init_common_controls_ex(init);

    const plat::HWND form_window = get_parent()->get_form_services() ? get_parent()->get_form_services()->get_window()
                                                                     : nullptr;
    uint32_t style = plat::WS_CHILD | plat::WS_BORDER;
    if (appearance_ == appearance_time_picker)
        style |= plat::DTS_TIMEFORMAT;
    const plat::HWND window =
        plat::create_window(0, is_month_calendar() ? plat::MONTHCAL_CLASS : plat::DATETIMEPICK_CLASS, window_text,
                            style, 0, 0, 0, 0, form_window, 0, nullptr, nullptr);
    if (!window) {
        liba::get_log() << L"ControlCalendar: no device window for {" << get_name() << L"}\n";
        impl_.reset();
        date_ = kept;
        return;
    }
    auto impl = std::make_unique<ControlCalendarImpl>(this, window);

    const plat::HWND target =
        is_month_calendar() ? window
                            : reinterpret_cast<plat::HWND>(plat::send_message(window, plat::DTM_GETMONTHCAL, 0, 0));
    if (target) {
        plat::send_message(target, plat::MCM_SETCOLOR, plat::MCSC_TEXT, plat::LPARAM(plat::skin_colour(text_)));
        plat::send_message(target, plat::MCM_SETCOLOR, plat::MCSC_TITLETEXT, plat::LPARAM(plat::skin_colour(title_text_)));
        plat::send_message(target, plat::MCM_SETCOLOR, plat::MCSC_MONTHBK, plat::LPARAM(plat::skin_colour(background_)));
        plat::send_message(target, plat::MCM_SETCOLOR, plat::MCSC_TITLEBK,
                           plat::LPARAM(plat::skin_colour(title_background_)));
    }

    impl_ = std::move(impl);  // the old window goes here
    plat::show_window(window, is_visible() ? plat::SW_SHOW : plat::SW_HIDE);
    set_date(kept);
    place_window(get_position(), get_size());
}

liba::TimeStamp ControlCalendar::get_date() const {
    const plat::HWND window = get_native_window();
    if (!window)
        return date_;
    plat::SystemTime time;
    liba::TimeStamp date;
    if (is_month_calendar()) {
        if (plat::send_message(window, plat::MCM_GETCURSEL, 0, reinterpret_cast<plat::LPARAM>(&time)) == 0)
            return date;
    } else if (plat::send_message(window, plat::DTM_GETSYSTEMTIME, 0, reinterpret_cast<plat::LPARAM>(&time)) !=
               plat::LRESULT(plat::GDT_VALID)) {
        return date;
    }
    date.set_system_time(time);
    return date;
}

void ControlCalendar::set_date(const liba::TimeStamp& date) {
    date_ = date;
    if (const plat::HWND window = get_native_window()) {
        plat::SystemTime time = date.system_time();
        plat::send_message(window, is_month_calendar() ? plat::MCM_SETCURSEL : plat::DTM_SETSYSTEMTIME,
                           plat::GDT_VALID, reinterpret_cast<plat::LPARAM>(&time));
    }
}

void ControlCalendar::on_got_focus() {
    Control::on_got_focus();
    const plat::HWND window = get_native_window();
    if (window && plat::get_focus() != window)
        plat::set_focus(window);
}

void ControlCalendar::on_lost_focus() {
    Control::on_lost_focus();
    FormServices* form = get_parent()->get_form_services();
    if (form && form->get_window() && plat::get_focus() == get_native_window())
        plat::set_focus(form->get_window());
}

void ControlCalendar::on_visible_changed(bool visible) {
    if (const plat::HWND window = get_native_window())
        plat::show_window(window, visible ? plat::SW_SHOW : plat::SW_HIDE);
}

void ControlCalendar::set_rect(plat::POINT position, plat::POINT size) {
    place_window(position, size);
    // A picker keeps the given rectangle too, so its focus picture, hit
    // test and invalidation follow the window.
    Control::set_rect(position, size);
}

void ControlCalendar::place_window(plat::POINT position, plat::POINT size) {
    const plat::HWND window = get_native_window();
    if (!window)
        return;
    constexpr uint32_t flags = plat::SWP_NOZORDER | plat::SWP_NOACTIVATE;
    if (!is_month_calendar()) {
        plat::set_window_pos(window, nullptr, position.x, position.y, size.x, size.y, flags);
        return;
    }
    plat::RECT need{};
    plat::send_message(window, plat::MCM_GETMINREQRECT, 0, reinterpret_cast<plat::LPARAM>(&need));
    const int32_t width = need.right - need.left;
    const int32_t height = need.bottom - need.top;
    plat::set_window_pos(window, nullptr, position.x + (size.x - width) / 2, position.y + (size.y - height) / 2, width,
                         height, flags);
}

} // namespace skinner
