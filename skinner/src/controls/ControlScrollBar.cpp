#include "skinner/controls/ControlScrollBar.h"

#include <algorithm>

namespace skinner {

namespace {

// A held part steps again once this many repeat ticks have passed.
constexpr int32_t repeat_delay_ticks = 5;

// Along and across the bar's axis.
int32_t along(plat::POINT p, bool vertical) { return vertical ? p.y : p.x; }
int32_t across(plat::POINT p, bool vertical) { return vertical ? p.x : p.y; }
plat::POINT make(int32_t along_value, int32_t across_value, bool vertical) {
    return vertical ? plat::POINT{across_value, along_value} : plat::POINT{along_value, across_value};
}

} // namespace

ControlScrollBar::Button::Button(ControlScrollBar& owner, std::wstring_view kind)
    : ControlButton(owner.get_container(), kind, creation_kind), owner_(owner) {}

void ControlScrollBar::Button::press(plat::POINT) {}

void ControlScrollBar::Button::on_mouse_down(plat::POINT point, bool double_click) {
    if (repeat_interval_ != 0) {
        repeat_countdown_ = repeat_delay_ticks;
        repeat_timer_.start(repeat_interval_);
    }
    grab_offset_ = {point.x - get_position().x, point.y - get_position().y};
    owner_.step(*this);
    ControlButton::on_mouse_down(point, double_click);
}

void ControlScrollBar::Button::on_mouse_move(plat::POINT point) {
    if (this == &owner_.thumb_ && is_pressed())
        owner_.drag_thumb(along(point, owner_.vertical_) - along(grab_offset_, owner_.vertical_));
    ControlButton::on_mouse_move(point);
}

void ControlScrollBar::Button::on_mouse_up(plat::POINT point, bool double_click) {
    repeat_timer_.stop();
    ControlButton::on_mouse_up(point, double_click);
}

void ControlScrollBar::Button::on_timer(liba::Timer*) {
    if (!is_pressed())
        return;
    repeat_timer_.start(repeat_interval_);
    on_timer_elapsed();
}

void ControlScrollBar::Button::on_timer_elapsed() {
    if (!is_pressed())
        return;
    --repeat_countdown_;
    if (repeat_countdown_ < 0 && owner_.is_enabled())
        owner_.step(*this);
}

ControlScrollBar::ControlScrollBar(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : ControlPanel(parent, name_or_kind, creation_mode),
      button_min_(*this, get_string_property(L"KindMin", L"")),
      button_max_(*this, get_string_property(L"KindMax", L"")),
      space_before_(*this, get_string_property(L"KindSpace", L"")),
      space_after_(*this, get_string_property(L"KindSpace", L"")),
      thumb_(*this, get_string_property(L"KindTrack", L"")) {
    read_skin();
    layout();
}

ControlScrollBar::~ControlScrollBar() = default;

void ControlScrollBar::read_skin() {
    vertical_ = get_int_property(L"Vertical", 0) != 0;
    const int32_t min_size = get_scaled_int_property(L"MinButtonSize", 0);
    const int32_t max_size = get_scaled_int_property(L"MaxButtonSize", 0);
    min_button_size_ = {min_size, min_size};
    max_button_size_ = {max_size, max_size};
    // Range and page belong to the program's code.
    check_unsupported(L"Min", false);
    check_unsupported(L"Max", false);
    check_unsupported(L"Page", false);
}

void ControlScrollBar::load_skin() {
    ControlPanel::load_skin();
    read_skin();
    layout();
}

void ControlScrollBar::set_rect(plat::POINT position, plat::POINT size) {
    ControlPanel::set_rect(position, size);
    layout();
}

int32_t ControlScrollBar::free_length() const {
    const bool v = vertical_;
    const int32_t thumb_length = along(thumb_.get_styles()[button_state::normal].picture.get_size(), v);
    return std::max(0, along(get_size(), v) - along(max_button_size_, v) - thumb_length - along(min_button_size_, v));
}

void ControlScrollBar::layout() {
    const bool v = vertical_;
    double ratio = 0;
    double page_fraction = 1;
    if (max_ != min_) {
        ratio = double(position_ - min_) / double(max_ - min_);
        page_fraction = double(page_) / double(max_ - min_);
    }
    const int32_t start = along(Control::get_position(), v);
    const int32_t length = along(get_size(), v);
    const int32_t side = across(Control::get_position(), v);
    const int32_t width = across(get_size(), v);
    const int32_t min_length = along(min_button_size_, v);
    const int32_t max_length = along(max_button_size_, v);
    const int32_t max_top = start + length - max_length;
    const int32_t free = free_length();
    const int32_t thumb_top = start + min_length + int32_t(ratio * free);
    const int32_t thumb_bottom = max_top - int32_t((1 - ratio - page_fraction) * free);

    const auto place = [&](Button& part, int32_t from, int32_t to) {
        part.set_rect(make(from, side, v), make(std::max(0, to - from), width, v));
    };
    place(button_min_, start, start + min_length);
    place(button_max_, max_top, start + length);
    place(space_before_, start + min_length, thumb_top);
    place(space_after_, thumb_bottom, max_top);
    place(thumb_, thumb_top, thumb_bottom);
}

void ControlScrollBar::raise_scroll() { on_scroll(this, position_); }

void ControlScrollBar::set_range(int32_t min, int32_t max) {
    if (min == min_ && max == max_)
        return;
    min_ = min;
    max_ = max;
    set_position(position_, true);
    invalidate();
}

void ControlScrollBar::set_page(int32_t page) {
    if (page == page_)
        return;
    page_ = page;
    set_position(position_, true);
}

void ControlScrollBar::set_position(int32_t value, bool force) {
    max_ = std::max(max_, min_);
    page_ = std::clamp(page_, 0, max_ - min_);
    value = std::clamp(value, min_, max_ - page_);
    if (value != position_) {
        position_ = value;
        raise_scroll();
        layout();
    } else if (force) {
        layout();
    }
}

void ControlScrollBar::step(const Button& part) {
    int32_t value = position_;
    if (&part == &button_min_)
        value -= line_;
    else if (&part == &button_max_)
        value += line_;
    else if (&part == &space_before_)
        value -= page_;
    else if (&part == &space_after_)
        value += page_;
    set_position(value);
}

void ControlScrollBar::drag_thumb(int32_t lead) {
    const int32_t free = free_length();
    double v = 0;
    if (free != 0)
        v = std::clamp(double(lead - along(min_button_size_, vertical_) - along(Control::get_position(), vertical_)) / free,
                       0.0, 1.0);
    set_position(min_ + int32_t(double(max_ - min_) * v));
}

} // namespace skinner
