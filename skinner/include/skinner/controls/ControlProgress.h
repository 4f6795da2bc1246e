#pragma once
#include "skinner/Control.h"

#include <cstdint>
#include <string_view>

namespace skinner {


// A value between 0 and 1 that the user may drag. The control never changes
// its own value from input: it proposes the value at the stylus to its
// listener, and the owner sets it.
class ControlProgressBase : public Control {
public:
    ControlProgressBase(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlProgressBase() override;

    void on_mouse_down(plat::POINT point, bool double_click) override;
    void on_mouse_move(plat::POINT point) override;
    void on_mouse_up(plat::POINT point, bool double_click) override;
    void load_skin() override;

    // on_slider_moved with the value.
    virtual void raise_proposed_value(double value);
    // on_slider_released with the value.
    virtual void raise_change();
    // The value the point stands for, in [0, 1].
    virtual double value_at(plat::POINT point) = 0;

    // Clamped to [0, 1] (a value that is not a number counts as 0); a new
    // value raises the change and repaints.
    void set_value(double value);
    double get_value() const { return value_; }
    bool is_dragging() const { return dragging_; }

protected:
    Picture background_;
    Picture track_;
    Picture track_disabled_;
    double value_ = 0.0;
    bool dragging_ = false;

private:
    void read_skin();
};

// Orientations of the skin key "Orientation": the direction the bar fills.
namespace progress_orientation {
constexpr int32_t down = 0;    // vertical, from the top
constexpr int32_t left = 1;    // horizontal, from the right edge
constexpr int32_t up = 2;      // vertical, from the bottom
constexpr int32_t right = 3;   // horizontal, from the left edge
} // namespace progress_orientation

// The bar of pictures: "Background" empty, "Progress" full, "Track" the thumb
// of "TrackSize" pixels along the bar.
class ControlProgress : public ControlProgressBase {
public:
    ControlProgress(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlProgress() override;

    void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
    void load_skin() override;
    double value_at(plat::POINT point) override;

    int32_t get_orientation() const { return orientation_; }
    int32_t get_track_size() const { return track_size_; }

    struct Box {
        plat::POINT position;
        plat::POINT size;
    };
    // The part that stands for a fraction f: from the top (vertical) or from
    // the left (horizontal), the thumb's extent left out.
    Box filled_vertical(double f) const;
    Box filled_horizontal(double f) const;
    Box thumb() const;

private:
    void read_skin();

    Picture progress_;
    int32_t orientation_ = progress_orientation::right;
    int32_t track_size_ = 0;
};

} // namespace skinner
