#include "skinner/controls/ControlProgress.h"

#include <algorithm>
#include <cmath>

namespace skinner {
namespace {

double clamp_unit(double value) {
    // NaN would pass a clamp and reach the integer rectangles.
    if (!std::isfinite(value))
        return 0.0;
    return std::clamp(value, 0.0, 1.0);
}

// Offset along an axis, truncated as the bar's integer rectangles need.
int32_t part(int32_t extent, double f) {
    return int32_t(double(extent) * f);
}

} // namespace

ControlProgressBase::ControlProgressBase(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : Control(parent, name_or_kind, creation_mode) {
    read_skin();
}

ControlProgressBase::~ControlProgressBase() = default;

void ControlProgressBase::load_skin() {
    Control::load_skin();
    read_skin();
}

void ControlProgressBase::read_skin() {
    background_ = get_picture_property(L"Background", Picture());
    track_ = get_picture_property(L"Track", Picture());
    track_disabled_ = get_picture_property(L"TrackDisabled", Picture());
}

void ControlProgressBase::raise_proposed_value(double value) {
    on_slider_moved(this, clamp_unit(value));
}

void ControlProgressBase::raise_change() {
    on_slider_released(this, value_);
}

void ControlProgressBase::set_value(double value) {
    value = clamp_unit(value);
    if (value == value_)
        return;
    value_ = value;
    raise_change();
    invalidate();
}

void ControlProgressBase::on_mouse_down(plat::POINT point, bool double_click) {
    if (double_click)
        return;
    dragging_ = true;
    raise_proposed_value(value_at(point));
}

void ControlProgressBase::on_mouse_move(plat::POINT point) {
    if (dragging_)
        raise_proposed_value(value_at(point));
}

void ControlProgressBase::on_mouse_up(plat::POINT, bool) {
    dragging_ = false;
}

ControlProgress::ControlProgress(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : ControlProgressBase(parent, name_or_kind, creation_mode) {
    read_skin();
}

ControlProgress::~ControlProgress() = default;

void ControlProgress::load_skin() {
    ControlProgressBase::load_skin();
    read_skin();
}

void ControlProgress::read_skin() {
    progress_ = get_picture_property(L"Progress", Picture());
    orientation_ = get_int_property(L"Orientation", progress_orientation::right);
    if (orientation_ < progress_orientation::down || orientation_ > progress_orientation::right)
        orientation_ = progress_orientation::right;
    track_size_ = get_scaled_int_property(L"TrackSize", 0);
}

double ControlProgress::value_at(plat::POINT point) {
    const plat::POINT at = get_position();
    const plat::POINT size = get_size();
    const int32_t t = track_size_;
    int32_t offset = 0;
    int32_t divisor = 0;
    switch (orientation_) {
    case progress_orientation::down: offset = point.y - t / 2 - at.y; divisor = size.y - t; break;
    case progress_orientation::left: offset = at.x + size.x - t / 2 - point.x; divisor = size.x - t; break;
    case progress_orientation::up: offset = at.y + size.y - t / 2 - point.y; divisor = size.y - t; break;
    default: offset = point.x - t / 2 - at.x; divisor = size.x - t; break;
    }
    if (divisor == 0)
        return 0.0;
    return clamp_unit(double(offset) / double(divisor));
}

ControlProgress::Box ControlProgress::filled_vertical(double f) const {
    const plat::POINT size = get_size();
    return {get_position(), {size.x, part(size.y - track_size_, f)}};
}

ControlProgress::Box ControlProgress::filled_horizontal(double f) const {
    const plat::POINT size = get_size();
    return {get_position(), {part(size.x - track_size_, f), size.y}};
}

ControlProgress::Box ControlProgress::thumb() const {
    const plat::POINT at = get_position();
    const plat::POINT size = get_size();
    const int32_t t = track_size_;
    switch (orientation_) {
    case progress_orientation::down: return {{at.x, at.y + part(size.y - t, value_)}, {size.x, t}};
    case progress_orientation::left: return {{at.x + part(size.x - t, 1.0 - value_), at.y}, {t, size.y}};
    case progress_orientation::up: return {{at.x, at.y + part(size.y - t, 1.0 - value_)}, {size.x, t}};
    default: return {{at.x + part(size.x - t, value_), at.y}, {t, size.y}};
    }
}

void ControlProgress::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    const plat::POINT at = get_position();
    const plat::POINT size = get_size();
    Box box;
    switch (orientation_) {
    case progress_orientation::down:
        background_.draw_shifted(canvas, at, size);
        box = filled_vertical(value_);
        progress_.draw_shifted(canvas, box.position, box.size);
        break;
    case progress_orientation::up:
        // The full bar, then the unfilled top part over it.
        progress_.draw_shifted(canvas, at, size);
        box = filled_vertical(1.0 - value_);
        background_.draw_shifted(canvas, box.position, box.size);
        break;
    case progress_orientation::left:
        progress_.draw_shifted(canvas, at, size);
        box = filled_horizontal(1.0 - value_);
        background_.draw_shifted(canvas, box.position, box.size);
        break;
    default:
        background_.draw_shifted(canvas, at, size);
        box = filled_horizontal(value_);
        progress_.draw_shifted(canvas, box.position, box.size);
        break;
    }
    const Box t = thumb();
    (is_enabled() ? track_ : track_disabled_).draw_shifted(canvas, t.position, t.size);
    Control::paint(canvas, clip_position, clip_size);
}

} // namespace skinner
