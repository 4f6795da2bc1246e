#pragma once
#include "skinner/controls/ControlFrame.h"

#include <cstdint>
#include <string>

// The number field of a counter: a value within [minimum, maximum] shown
// with as many digits as the maximum has, typed digit by digit at a cursor
// that the focused field shows highlighted.
class ControlEditCounter : public skinner::ControlFrame {
public:
    // A maximum below the minimum counts as the minimum; the value starts at
    // the minimum when 0 lies outside the range.
    ControlEditCounter(skinner::Container* parent, std::wstring_view name, int32_t minimum, int32_t maximum);

    bool wants_focus() const override { return true; }
    // Unlike a frame, a tap on the field reaches it: it takes the focus for typing.
    bool hit_test(plat::POINT point) override { return Control::hit_test(point); }
    void on_got_focus() override;
    void on_lost_focus() override;
    void paint(skinner::Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
    void load_skin() override;

    int32_t get_value() const { return value_; }
    // Clamped into the range; raises nothing.
    void set_value(int32_t value);
    // Wraps around the range; raises on_text_changed when the value changed.
    void step(int32_t delta);
    // Replaces the digit at the cursor (once the field had the focus), then
    // clamps; the cursor moves on and returns to 0 past the last digit.
    void type_digit(int32_t digit);
    // The cursor back on the first digit, as when the field gets the focus.
    void reset_cursor();

    // The value as shown: padded with zeros to the digits of the maximum.
    std::wstring text() const;
    int32_t get_cursor() const { return cursor_; }
    int32_t get_minimum() const { return minimum_; }
    int32_t get_maximum() const { return maximum_; }
    int32_t digit_count() const { return last_digit_ + 1; }

private:
    void read_skin();
    void changed(int32_t old_value);

    int32_t last_digit_ = 0;
    int32_t cursor_ = -1;
    int32_t value_ = 0;
    int32_t minimum_ = 0;
    int32_t maximum_ = 0;
    skinner::SkinColour normal_colour_{};
    skinner::SkinColour selection_colour_{};
    skinner::SkinColour selection_focused_colour_{};
    skinner::Picture selection_picture_;
    skinner::Picture normal_picture_;
    skinner::Picture normal_focused_picture_;
    skinner::Font normal_font_;
};
