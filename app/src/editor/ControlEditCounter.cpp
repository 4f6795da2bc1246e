#include "app/ControlEditCounter.h"

#include <algorithm>

using namespace skinner;

namespace {

int32_t digits_of(int32_t number) {
    int32_t digits = 1;
    for (; number >= 10; number /= 10)
        ++digits;
    return digits;
}

} // namespace

ControlEditCounter::ControlEditCounter(Container* parent, std::wstring_view name, int32_t minimum, int32_t maximum)
    : ControlFrame(parent, name), minimum_(minimum), maximum_(std::max(minimum, maximum)) {
    // Negative limits keep their digits count of the maximum's magnitude; the
    // field never shows a sign.
    last_digit_ = digits_of(std::max(0, maximum_)) - 1;
    value_ = std::clamp(0, minimum_, maximum_);
    read_skin();
}

void ControlEditCounter::read_skin() {
    normal_colour_ = get_color_property(L"Normal", SkinColour{});
    selection_colour_ = get_color_property(L"Selection", normal_colour_);
    selection_focused_colour_ = get_color_property(L"SelectionFocused", selection_colour_);
    selection_picture_ = get_picture_property(L"Selection", Picture());
    normal_picture_ = get_picture_property(L"Normal", Picture());
    normal_focused_picture_ = get_picture_property(L"NormalFocused", normal_picture_);
    normal_font_ = get_font_property(L"Normal", Font());
}

void ControlEditCounter::load_skin() {
    ControlFrame::load_skin();
    read_skin();
}

void ControlEditCounter::on_got_focus() {
    reset_cursor();
    ControlFrame::on_got_focus();
}

void ControlEditCounter::on_lost_focus() {
    invalidate();
    ControlFrame::on_lost_focus();
}

void ControlEditCounter::reset_cursor() {
    cursor_ = 0;
    invalidate();
}

std::wstring ControlEditCounter::text() const {
    std::wstring digits = std::to_wstring(std::max(0, value_));
    if (int32_t(digits.size()) < digit_count())
        digits.insert(0, size_t(digit_count()) - digits.size(), L'0');
    return digits;
}

void ControlEditCounter::set_value(int32_t value) {
    value_ = std::clamp(value, minimum_, maximum_);
    invalidate();
}

void ControlEditCounter::changed(int32_t old_value) {
    invalidate();
    if (value_ != old_value)
        Control::on_text_changed(this, text());
}

void ControlEditCounter::step(int32_t delta) {
    if (delta == 0)
        return;
    const int64_t span = int64_t(maximum_) - minimum_ + 1;
    const int64_t offset = ((int64_t(value_) - minimum_ + delta) % span + span) % span;
    const int32_t old_value = value_;
    value_ = int32_t(minimum_ + offset);
    changed(old_value);
}

void ControlEditCounter::type_digit(int32_t digit) {
    if (cursor_ < 0 || digit < 0 || digit > 9)
        return;
    std::wstring digits = text();
    digits[size_t(cursor_)] = wchar_t(L'0' + digit);
    cursor_ = cursor_ + 1 > last_digit_ ? 0 : cursor_ + 1;
    int64_t number = 0;
    for (wchar_t c : digits)
        number = std::min<int64_t>(number * 10 + (c - L'0'), INT32_MAX);
    const int32_t old_value = value_;
    value_ = int32_t(std::clamp<int64_t>(number, minimum_, maximum_));
    changed(old_value);
}

void ControlEditCounter::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    const plat::POINT position = get_position();
    const plat::POINT size = get_size();
    const std::wstring digits = text();
    const plat::POINT text_size{size.x, size.y - 2};
    if (!is_focused() || cursor_ < 0) {
        normal_picture_.draw_shifted(canvas, position, size);
        normal_font_.draw_text(canvas, normal_colour_, digits, position, text_size, 1, 1);
    } else {
        normal_focused_picture_.draw_shifted(canvas, position, size);
        const int32_t width = normal_font_.get_text_extent(digits).x;
        const int32_t box = width / digit_count();
        const int32_t x0 = position.x + (size.x - width) / 2;
        for (int32_t i = 0; i < digit_count(); ++i) {
            const plat::POINT at{x0 + i * box, position.y};
            if (i == cursor_)
                selection_picture_.draw_shifted(canvas, {at.x, position.y + 1}, {box, size.y - 2});
            normal_font_.draw_text(canvas, i == cursor_ ? selection_focused_colour_ : normal_colour_,
                                   std::wstring_view(digits).substr(size_t(i), 1), at, {box, size.y - 2}, 1, 1);
        }
    }
    // The focus picture; the frame's own background would cover the digits.
    Control::paint(canvas, clip_position, clip_size);
}
