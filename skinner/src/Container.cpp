#include "skinner/Container.h"

#include "skinner/Control.h"
#include "skinner/ControlFactory.h"
#include "skinner/Properties.h"
#include "base/Log.h"

#include <algorithm>

namespace skinner {

namespace {

bool meets(plat::POINT position, plat::POINT size, plat::POINT clip_position, plat::POINT clip_size) {
    return position.x < clip_position.x + clip_size.x && clip_position.x < position.x + size.x &&
           position.y < clip_position.y + clip_size.y && clip_position.y < position.y + size.y;
}

plat::HCURSOR arrow_cursor() {
    static const plat::HCURSOR arrow = plat::load_cursor(plat::IDC_ARROW);
    return arrow;
}

} // namespace

Container::Container(FormServices* form, Properties* properties, std::wstring_view name_or_kind, int creation_mode,
                     Listener* listener)
    : creation_mode_(creation_mode), properties_(properties), listener_(listener), form_(form) {
    if (creation_mode == creation_kind)
        kind_ = name_or_kind;
    else
        name_ = name_or_kind;
    read_reference_size();
    size_ = reference_size_;
}

Container::~Container() {
    // A child's destructor unregisters it and may delete other children.
    while (!children_.empty())
        delete children_.back();
}

int32_t Container::on_click(Control* sender) { return listener_ ? listener_->on_click(sender) : 0; }
int32_t Container::on_event_1(Control*, std::intptr_t) { return 0; }
int32_t Container::on_item_click(Control* sender, int32_t column, int32_t row) {
    return listener_ ? listener_->on_item_click(sender, column, row) : 0;
}
int32_t Container::on_event_3(Control*, std::intptr_t) { return 0; }
int32_t Container::on_item_context_click(Control* sender, int32_t column, int32_t row) {
    return listener_ ? listener_->on_item_context_click(sender, column, row) : 0;
}
int32_t Container::on_event_5(Control*, std::intptr_t) { return 0; }
int32_t Container::on_event_6(Control*, std::intptr_t) { return 0; }
int32_t Container::on_event_7(Control*, std::intptr_t) { return 0; }
int32_t Container::on_event_8(Control*, std::intptr_t) { return 0; }
int32_t Container::on_event_9(Control* sender, int32_t column, int32_t row, bool commit) {
    return listener_ ? listener_->on_event_9(sender, column, row, commit) : 0;
}
int32_t Container::on_event_10(Control*, std::intptr_t) { return 0; }
int32_t Container::on_event_11(Control* sender, std::intptr_t data) {
    return listener_ ? listener_->on_event_11(sender, data) : 0;
}
int32_t Container::on_scroll(Control* sender, int32_t position) {
    return listener_ ? listener_->on_scroll(sender, position) : 0;
}
int32_t Container::on_menu_command(Control* sender, const std::wstring& command) {
    return listener_ ? listener_->on_menu_command(sender, command) : 0;
}
int32_t Container::on_slider_moved(Control* sender, double value) {
    return listener_ ? listener_->on_slider_moved(sender, value) : 0;
}
int32_t Container::on_slider_released(Control* sender, double value) {
    return listener_ ? listener_->on_slider_released(sender, value) : 0;
}
int32_t Container::on_text_changed(Control* sender, const std::wstring& text) {
    return listener_ ? listener_->on_text_changed(sender, text) : 0;
}
int32_t Container::on_header_click(Control* sender, int32_t column, int32_t row) {
    return listener_ ? listener_->on_header_click(sender, column, row) : 0;
}
int32_t Container::on_header_context_click(Control* sender, int32_t column, int32_t row) {
    return listener_ ? listener_->on_header_context_click(sender, column, row) : 0;
}
int32_t Container::on_selection_changed(Control* sender) {
    return listener_ ? listener_->on_selection_changed(sender) : 0;
}
int32_t Container::on_highlight_changed(Control* sender) {
    return listener_ ? listener_->on_highlight_changed(sender) : 0;
}
int32_t Container::on_focus_changed(Control* sender) { return listener_ ? listener_->on_focus_changed(sender) : 0; }
int32_t Container::on_create_menu(Control* sender, MenuRecord& menu) {
    return listener_ ? listener_->on_create_menu(sender, menu) : 0;
}
int32_t Container::on_popup_closed(Control* sender) { return listener_ ? listener_->on_popup_closed(sender) : 0; }

void Container::set_focused_child(Control* child, bool) {
    if (child == focused_)
        return;
    if (focused_ && active_)
        focused_->on_lost_focus();
    focused_ = child;
    if (focused_ && active_)
        focused_->on_got_focus();
}

bool Container::is_focused_child(const Control* child) const {
    return active_ && child && child == focused_;
}

void Container::activate(bool active, bool) {
    if (active == active_)
        return;
    active_ = active;
    if (!active) {
        if (focused_)
            focused_->on_lost_focus();
    } else if (!focused_) {
        focus_next(true);  // the new focused child is told by set_focused_child
    } else {
        focused_->on_got_focus();
    }
}

void Container::set_rect(plat::POINT position, plat::POINT size) {
    position_ = position;
    size_ = size;
    for (size_t i = 0; i < children_.size(); ++i)
        layout(*children_[i]);
}

void Container::reload_skin() {
    while (!auto_children_.empty())
        delete auto_children_.back();  // unregistering takes it out of both lists
    read_reference_size();
    create_controls();
    for (size_t i = 0; i < children_.size(); ++i)
        children_[i]->load_skin();
    sort_children();
}

int32_t Container::on_char(const std::wstring& text) { return focused_ ? focused_->on_char(text) : 0; }

int32_t Container::on_key_down(int32_t code) {
    if (focused_ && focused_->on_key_down(code) != 0)
        return 1;
    switch (code) {
    case key::down: return focus_next(true) ? 1 : 0;
    case key::up: return focus_next(false) ? 1 : 0;
    case key::tab: {
        const auto held = [this](int32_t modifier) { return form_ && form_->is_key_pressed(modifier); };
        if (held(key::control) || held(key::alt))
            return 0;
        return focus_next(!held(key::shift)) ? 1 : 0;
    }
    default: return 0;
    }
}

int32_t Container::on_key_up(int32_t code) { return focused_ ? focused_->on_key_up(code) : 0; }

void Container::on_timer(int32_t id) {
    // A timer handler may delete controls: only those still registered are called.
    const std::vector<Control*> children = children_;
    for (Control* child : children)
        if (std::find(children_.begin(), children_.end(), child) != children_.end())
            child->on_timer(id);
}

void Container::create_controls() {
    if (creation_mode_ != creation_named || name_.empty())
        return;
    const uint32_t count = properties_->get_form_control_count(name_);
    for (uint32_t i = 0; i < count; ++i) {
        const auto entry = properties_->get_form_control(name_, i);
        if (!entry) {
            liba::get_log() << L"Container::create_controls form {" << name_ << L"} entry " << unsigned(i)
                            << L" unreadable\n";
            continue;
        }
        std::unique_ptr<Control> control = ControlFactory::create(entry->second, *this, entry->first);
        if (control)
            auto_children_.push_back(control.release());
    }
}

void Container::register_control(Control* control) {
    const std::wstring& name = control->get_name();
    if (!name.empty())
        for (const Control* child : children_)
            if (child->get_name() == name)
                liba::report_error(L"Container::register_control",
                                   L"control with id {" + name + L"} already exists in container");
    const auto at = std::upper_bound(children_.begin(), children_.end(), control->get_z_order(),
                                     [](int32_t z, const Control* child) { return z < child->get_z_order(); });
    children_.insert(at, control);
    layout(*control);
}

void Container::unregister_control(Control* control) {
    if (focused_ == control)
        focused_ = nullptr;
    if (hovered_ == control)
        hovered_ = nullptr;
    if (captured_ == control) {
        captured_ = nullptr;
        pressed_ = {};
    }
    control->stop_timer();
    std::erase(children_, control);
    std::erase(auto_children_, control);
}

bool Container::focus_next(bool forward) {
    std::vector<Control*> candidates;
    for (Control* child : children_)
        if (child->wants_focus() && child->is_visible() && child->is_enabled())
            candidates.push_back(child);
    if (candidates.empty()) {
        set_focused_child(nullptr);
        return false;
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Control* a, const Control* b) { return a->get_tab_order() < b->get_tab_order(); });
    const auto at = std::find(candidates.begin(), candidates.end(), focused_);
    Control* next = nullptr;
    if (forward)
        next = (at == candidates.end() || at + 1 == candidates.end()) ? candidates.front() : *(at + 1);
    else
        next = (at == candidates.end() || at == candidates.begin()) ? candidates.back() : *(at - 1);
    set_focused_child(next);
    return true;
}

void Container::sort_children() {
    std::stable_sort(children_.begin(), children_.end(),
                     [](const Control* a, const Control* b) { return a->get_z_order() < b->get_z_order(); });
}

int32_t Container::set_native_focus() { return focused_ ? focused_->set_native_focus() : 0; }

plat::POINT Container::get_needed_size() {
    plat::POINT needed = reference_size_;
    for (Control* child : children_) {
        const plat::POINT preferred = child->get_preferred_size();
        const plat::POINT skin = child->get_skin_size();
        if (child->get_anchor_x() == anchor_both_side)
            needed.x = std::max(needed.x, reference_size_.x + preferred.x - skin.x);
        if (child->get_anchor_y() == anchor_both_side)
            needed.y = std::max(needed.y, reference_size_.y + preferred.y - skin.y);
    }
    return needed;
}

Control* Container::child_at(plat::POINT point) const {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
        if ((*it)->is_visible() && (*it)->hit_test(point))
            return *it;
    return nullptr;
}

bool Container::hit_any(plat::POINT point) { return child_at(point) != nullptr; }

bool Container::has_gestures_at(plat::POINT point) {
    Control* child = child_at(point);
    return child && child->get_gestures(point);
}

void Container::pointer_down(int kind, plat::POINT point, bool double_click) {
    last_pointer_ = point;
    if (kind < 0 || kind >= pointer_kinds)
        return;
    if (!captured_) {
        if (Control* child = child_at(point)) {
            if (child->is_enabled()) {
                set_hovered(child);
                captured_ = child;
                if (child->wants_focus())
                    set_focused_child(child);
            } else {
                set_hovered(nullptr);
            }
        }
    }
    if (!captured_)
        return;
    pressed_[size_t(kind)] = true;
    switch (kind) {
    case pointer_tap: captured_->on_mouse_down(point, double_click); break;
    case pointer_third: captured_->on_button3_down(point, double_click); break;
    default: captured_->on_context_down(point, double_click); break;
    }
}

void Container::pointer_up(int kind, plat::POINT point, bool flag) {
    last_pointer_ = point;
    if (!captured_ || kind < 0 || kind >= pointer_kinds)
        return;
    pressed_[size_t(kind)] = false;
    switch (kind) {
    case pointer_tap: captured_->on_mouse_up(point, flag); break;
    case pointer_third: captured_->on_button3_up(point, flag); break;
    default: captured_->on_context_up(point, flag); break;
    }
    if (std::none_of(pressed_.begin(), pressed_.end(), [](bool held) { return held; }))
        captured_ = nullptr;
}

void Container::pointer_move(plat::POINT point) {
    last_pointer_ = point;
    if (captured_) {
        captured_->on_mouse_move(point);
        return;
    }
    Control* child = child_at(point);
    // A disabled child under the pointer hovers nothing and hears nothing.
    set_hovered(child && child->is_enabled() ? child : nullptr);
    if (hovered_)
        hovered_->on_mouse_move(point);
}

void Container::pointer_left() {
    if (!captured_)
        set_hovered(nullptr);
}

int32_t Container::pointer_wheel(plat::POINT point, int32_t steps) {
    Control* target = captured_ ? captured_ : child_at(point);
    return target && target->is_enabled() ? target->on_wheel(point, steps) : 0;
}

void Container::set_hovered(Control* child) {
    if (child == hovered_)
        return;
    Control* old = hovered_;
    hovered_ = child;
    if (old) {
        old->on_mouse_leave();
        old->invalidate();
    }
    if (child) {
        child->on_mouse_enter();
        child->invalidate();
    }
    if (form_) {
        const plat::HCURSOR cursor = child ? child->get_cursor() : nullptr;
        form_->set_cursor(cursor ? cursor : arrow_cursor());
    }
}

void Container::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    for (size_t i = 0; i < children_.size(); ++i) {
        Control* child = children_[i];
        if (child->is_visible() && meets(child->get_position(), child->get_size(), clip_position, clip_size))
            child->paint(canvas, clip_position, clip_size);
    }
}

void Container::set_visible(bool visible) {
    if (visible == visible_)
        return;
    visible_ = visible;
    for (size_t i = 0; i < children_.size(); ++i)
        children_[i]->refresh_visible();
}

void Container::set_enabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!enabled) {
        set_hovered(nullptr);
        release_capture();
    }
    for (size_t i = 0; i < children_.size(); ++i)
        children_[i]->refresh_enabled();
}

void Container::release_capture() {
    for (int kind = 0; kind < pointer_kinds && captured_; ++kind)
        if (pressed_[size_t(kind)])
            pointer_up(kind, last_pointer_, false);
    captured_ = nullptr;
    pressed_ = {};
}

int32_t Container::get_int_property(std::wstring_view key, int32_t default_value) const {
    if (creation_mode_ == creation_named)
        return properties_->get_form_int(name_, key, default_value);
    if (creation_mode_ == creation_kind)
        return properties_->get_int(L"", kind_, key, default_value);
    return default_value;
}

plat::POINT Container::get_point_property(std::wstring_view key, plat::POINT default_value) const {
    if (creation_mode_ == creation_named)
        return properties_->get_form_point(name_, key, default_value);
    if (creation_mode_ == creation_kind)
        return properties_->get_point(L"", kind_, key, default_value);
    return default_value;
}

Picture Container::get_picture_property(std::wstring_view key, const Picture& default_value) const {
    if (creation_mode_ == creation_named)
        return properties_->get_form_picture(name_, key, default_value);
    if (creation_mode_ == creation_kind)
        return properties_->get_picture(L"", kind_, key, default_value);
    return default_value;
}

Form* Container::get_form() const { return form_ ? form_->as_form() : nullptr; }

void Container::read_reference_size() {
    if (creation_mode_ == creation_none || name_.empty())
        return;
    reference_size_ = properties_->get_form_point(name_, L"Size", {0, 0});
    if (properties_->get_impl().is_smartphone())
        reference_size_ = properties_->get_form_point(name_, L"SizeNoButtons", reference_size_);
}

void Container::layout(Control& control) {
    const plat::POINT skin_position = control.get_skin_position();
    const plat::POINT skin_size = control.get_skin_size();
    const AnchorResult y =
        anchor_axis(control.get_anchor_y(), position_.y, size_.y, reference_size_.y, skin_position.y, skin_size.y);
    const AnchorResult x =
        anchor_axis(control.get_anchor_x(), position_.x, size_.x, reference_size_.x, skin_position.x, skin_size.x);
    control.set_rect({x.position, y.position}, {x.extent, y.extent});
}

} // namespace skinner
