#pragma once
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlPanel.h"
#include "base/Timer.h"

#include <cstdint>

namespace skinner {

// A skinned scroll bar of five parts: the two arrows, the page areas before
// and after the thumb, and the thumb. Range, page and position are set by
// program code; the skin gives only the looks and the arrow sizes.
class ControlScrollBar : public ControlPanel {
public:
    // One part. Pressing it steps the bar at once, and holding it repeats
    // the step; dragging the thumb moves the position. Parts raise no click.
    class Button : public ControlButton, public liba::Timer::Listener {
    public:
        Button(ControlScrollBar& owner, std::wstring_view kind);
        void on_mouse_move(plat::POINT point) override;
        void on_mouse_down(plat::POINT point, bool double_click) override;
        void on_mouse_up(plat::POINT point, bool double_click) override;
        void on_timer_elapsed() override;
        void press(plat::POINT point) override;
        // The repeat ticks come from a timer of their own: the window timers count whole seconds.
        using Control::on_timer;
        void on_timer(liba::Timer* timer) override;

    private:
        ControlScrollBar& owner_;
        plat::POINT grab_offset_;
        double repeat_interval_ = 0.1;
        int32_t repeat_countdown_ = 0;
        liba::Timer repeat_timer_{this};
    };

    ControlScrollBar(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlScrollBar() override;

    void set_rect(plat::POINT position, plat::POINT size) override;
    void load_skin() override;
    // Raises on_scroll with the bar as sender and the new position.
    virtual void raise_scroll();

    void set_range(int32_t min, int32_t max);
    void set_page(int32_t page);
    // Clamps to min .. max - page; a change raises on_scroll, then lays out.
    void set_position(int32_t value, bool force = false);
    // One arrow step or one page, by the part pressed.
    void step(const Button& part);

    int32_t get_min() const { return min_; }
    int32_t get_max() const { return max_; }
    int32_t get_page() const { return page_; }
    // The scroll position (Control::get_position is the place on the form).
    int32_t get_position() const { return position_; }
    bool is_vertical() const { return vertical_; }
    Button& button_min() { return button_min_; }
    Button& button_max() { return button_max_; }
    Button& space_before() { return space_before_; }
    Button& space_after() { return space_after_; }
    Button& thumb() { return thumb_; }

private:
    friend class Button;
    void read_skin();
    void layout();
    // The room the thumb travels in, along the bar.
    int32_t free_length() const;
    // The thumb dragged so that its leading edge lies at `lead` (bar coordinates along the axis).
    void drag_thumb(int32_t lead);

    plat::POINT min_button_size_;
    plat::POINT max_button_size_;
    Button button_min_;
    Button button_max_;
    Button space_before_;
    Button space_after_;
    Button thumb_;
    int32_t min_ = 0;
    int32_t max_ = 0;
    int32_t page_ = 1;
    int32_t line_ = 1;
    int32_t position_ = 0;
    bool vertical_ = false;
};

} // namespace skinner
