#include "skinner/controls/ControlPanel.h"

#include <algorithm>

namespace skinner {

ControlPanel::ControlPanel(Container* parent, std::wstring_view name_or_kind, int creation_mode,
                           Properties* properties)
    : Control(parent, name_or_kind, creation_mode) {
    if (creation_mode != creation_none)
        template_ = get_string_property(L"FormTemplate", L"");
    container_ = std::make_unique<Container>(parent->get_form_services(),
                                             properties ? properties : parent->get_properties(), template_,
                                             creation_named, this);
    read_background();
    const plat::POINT position = get_position();
    const plat::POINT size = get_size();
    container_->set_rect(position, size);
    // Without a template the container holds nothing and asks the skin nothing.
    container_->create_controls();
}

ControlPanel::~ControlPanel() {
    background_ = Picture();
    container_.reset();
}

void ControlPanel::read_background() {
    background_ = get_creation_mode() != creation_none ? get_picture_property(L"Background", Picture()) : Picture();
    if (!template_.empty())
        background_ = container_->get_picture_property(L"Background", background_);
}

void ControlPanel::load_skin() {
    Control::load_skin();
    // A new skin may lay the panel out from another template.
    if (get_creation_mode() != creation_none)
        template_ = get_string_property(L"FormTemplate", L"");
    container_->set_name(template_);
    container_->reload_skin();
    read_background();
}

void ControlPanel::on_got_focus() {
    invalidate();
    container_->activate(true);
}

void ControlPanel::on_lost_focus() {
    container_->activate(false);
    invalidate();
}

void ControlPanel::on_visible_changed(bool visible) { container_->set_visible(visible); }
void ControlPanel::on_enabled_changed(bool enabled) { container_->set_enabled(enabled); }
bool ControlPanel::get_gestures(plat::POINT point) { return container_->has_gestures_at(point); }

void ControlPanel::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    background_.draw_shifted(canvas, get_position(), get_size());
    container_->paint(canvas, clip_position, clip_size);
    Control::paint(canvas, clip_position, clip_size);
}

bool ControlPanel::hit_test(plat::POINT point) {
    if (container_->hit_any(point))
        return true;
    return Control::hit_test(point) && !background_.is_transparent(point, get_position(), get_size());
}

void ControlPanel::on_mouse_move(plat::POINT point) { container_->pointer_move(point); }
void ControlPanel::on_mouse_leave() { container_->pointer_left(); }
void ControlPanel::on_mouse_down(plat::POINT point, bool double_click) {
    container_->pointer_down(pointer_tap, point, double_click);
}
void ControlPanel::on_mouse_up(plat::POINT point, bool double_click) {
    container_->pointer_up(pointer_tap, point, double_click);
}
void ControlPanel::on_context_down(plat::POINT point, bool flag) { container_->pointer_down(pointer_hold, point, flag); }
void ControlPanel::on_context_up(plat::POINT point, bool flag) { container_->pointer_up(pointer_hold, point, flag); }
void ControlPanel::on_button3_down(plat::POINT point, bool flag) {
    container_->pointer_down(pointer_third, point, flag);
}
void ControlPanel::on_button3_up(plat::POINT point, bool flag) { container_->pointer_up(pointer_third, point, flag); }
int32_t ControlPanel::on_wheel(plat::POINT point, int32_t steps) { return container_->pointer_wheel(point, steps); }
int32_t ControlPanel::on_char(const std::wstring& text) { return container_->on_char(text); }
int32_t ControlPanel::on_key_down(int32_t code) { return container_->on_key_down(code); }
int32_t ControlPanel::on_key_up(int32_t code) { return container_->on_key_up(code); }

void ControlPanel::on_timer(int32_t id) {
    Control::on_timer(id);
    container_->on_timer(id);
}

int32_t ControlPanel::set_native_focus() { return container_->set_native_focus(); }

void ControlPanel::set_rect(plat::POINT position, plat::POINT size) {
    Control::set_rect(position, size);
    if (container_)
        container_->set_rect(position, size);
}

plat::POINT ControlPanel::get_preferred_size() {
    const plat::POINT skin = Control::get_preferred_size();
    const plat::POINT needed = container_->get_needed_size();
    return {std::max(skin.x, needed.x), std::max(skin.y, needed.y)};
}

} // namespace skinner
