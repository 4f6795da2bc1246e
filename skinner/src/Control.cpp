#include "skinner/Control.h"

#include "skinner/Container.h"
#include "skinner/Properties.h"
#include "base/Log.h"

#include <array>
#include <utility>

namespace skinner {

namespace {

constexpr std::array<std::wstring_view, 5> anchor_texts{L"MIN_SIDE", L"BOTH_SIDE", L"MAX_SIDE", L"RATIO", L"CENTER"};

// Present in the skin when the value differs from this impossible default.
constexpr int32_t unsupported_probe = 199901;
constexpr std::wstring_view unsupported_probe_text = L"199901";

constexpr std::array<std::pair<uint32_t, int32_t>, 21> key_codes{{
    {plat::VK_SHIFT, key::shift},     {plat::VK_CONTROL, key::control}, {plat::VK_MENU, key::alt},
    {plat::VK_LEFT, key::left},       {plat::VK_RIGHT, key::right},     {plat::VK_UP, key::up},
    {plat::VK_DOWN, key::down},       {plat::VK_ESCAPE, key::escape},   {plat::VK_RETURN, key::action},
    {plat::VK_SPACE, key::space},     {plat::VK_BACK, key::back_space}, {plat::VK_DELETE, key::del},
    {plat::VK_INSERT, key::insert},   {plat::VK_HOME, key::home},       {plat::VK_END, key::end},
    {plat::VK_NEXT, key::page_down},  {plat::VK_PRIOR, key::page_up},   {plat::VK_TAB, key::tab},
    {plat::VK_APPS, key::applications}, {plat::VK_F1 + 2, key::soft_left}, {plat::VK_F1 + 3, key::soft_right},
}};

} // namespace

int32_t anchor_from_text(std::wstring_view text) {
    for (size_t i = 0; i < anchor_texts.size(); ++i)
        if (anchor_texts[i] == text)
            return int32_t(i);
    return anchor_min_side;
}

AnchorResult anchor_axis(int32_t anchor, int32_t origin, int32_t extent, int32_t reference, int32_t skin_offset,
                         int32_t skin_extent) {
    // 64 bits: skin offsets times screen extents can pass 32 bits on large screens.
    const int64_t o = skin_offset;
    const int64_t e = skin_extent;
    const int64_t c = extent;
    const int64_t r = reference;
    if (r == 0 && (anchor == anchor_ratio || anchor == anchor_center))
        anchor = anchor_min_side;
    switch (anchor) {
    case anchor_both_side: return {int32_t(origin + o), int32_t(e + (c - r))};
    case anchor_max_side: return {int32_t(origin + c + o - r), int32_t(e)};
    case anchor_ratio: return {int32_t(origin + o * c / r), int32_t((o + e) * c / r - o * c / r)};
    case anchor_center: return {int32_t(origin + (o + e / 2) * c / r - e / 2), int32_t(e)};
    default: return {int32_t(origin + o), int32_t(e)};
    }
}

int32_t key_code_from_virtual(uint32_t virtual_key) {
    if (virtual_key >= plat::VK_A && virtual_key < plat::VK_A + 26)
        return key::letter_a + int32_t(virtual_key - plat::VK_A);
    if (virtual_key >= plat::VK_0 && virtual_key < plat::VK_0 + 10)
        return key::digit_0 + int32_t(virtual_key - plat::VK_0);
    for (const auto& [vk, code] : key_codes)
        if (vk == virtual_key)
            return code;
    return key::none;
}

Control::Control(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : parent_(parent), creation_mode_(creation_mode) {
    if (creation_mode == creation_kind)
        kind_ = name_or_kind;
    else
        name_ = name_or_kind;
    Control::load_skin();
    parent_->register_control(this);
}

Control::~Control() {
    parent_->unregister_control(this);
}

int32_t Control::on_click(Control* sender) { return parent_->on_click(sender); }
int32_t Control::on_event_1(Control*, std::intptr_t) { return 0; }
int32_t Control::on_item_click(Control* sender, int32_t column, int32_t row) {
    return parent_->on_item_click(sender, column, row);
}
int32_t Control::on_event_3(Control*, std::intptr_t) { return 0; }
int32_t Control::on_item_context_click(Control* sender, int32_t column, int32_t row) {
    return parent_->on_item_context_click(sender, column, row);
}
int32_t Control::on_event_5(Control*, std::intptr_t) { return 0; }
int32_t Control::on_event_6(Control*, std::intptr_t) { return 0; }
int32_t Control::on_event_7(Control*, std::intptr_t) { return 0; }
int32_t Control::on_event_8(Control*, std::intptr_t) { return 0; }
int32_t Control::on_event_9(Control* sender, int32_t column, int32_t row, bool commit) {
    return parent_->on_event_9(sender, column, row, commit);
}
int32_t Control::on_event_10(Control*, std::intptr_t) { return 0; }
int32_t Control::on_event_11(Control* sender, std::intptr_t data) { return parent_->on_event_11(sender, data); }
int32_t Control::on_scroll(Control* sender, int32_t position) { return parent_->on_scroll(sender, position); }
int32_t Control::on_menu_command(Control* sender, const std::wstring& command) {
    return parent_->on_menu_command(sender, command);
}
int32_t Control::on_slider_moved(Control* sender, double value) { return parent_->on_slider_moved(sender, value); }
int32_t Control::on_slider_released(Control* sender, double value) {
    return parent_->on_slider_released(sender, value);
}
int32_t Control::on_text_changed(Control* sender, const std::wstring& text) {
    return parent_->on_text_changed(sender, text);
}
int32_t Control::on_header_click(Control* sender, int32_t column, int32_t row) {
    return parent_->on_header_click(sender, column, row);
}
int32_t Control::on_header_context_click(Control* sender, int32_t column, int32_t row) {
    return parent_->on_header_context_click(sender, column, row);
}
int32_t Control::on_selection_changed(Control* sender) { return parent_->on_selection_changed(sender); }
int32_t Control::on_highlight_changed(Control* sender) { return parent_->on_highlight_changed(sender); }
int32_t Control::on_focus_changed(Control*) { return 0; }
int32_t Control::on_create_menu(Control* sender, MenuRecord& menu) { return parent_->on_create_menu(sender, menu); }
int32_t Control::on_popup_closed(Control* sender) { return parent_->on_popup_closed(sender); }

void Control::set_z_order(int32_t z_order) {
    z_order_ = z_order;
    parent_->sort_children();
}

void Control::set_wants_focus(bool wants) {
    wants_focus_ = wants;
    if (!wants && parent_->get_focused_child() == this)
        parent_->focus_next(true);
}

bool Control::wants_focus() const { return wants_focus_; }
int32_t Control::set_native_focus() { return 0; }
void Control::on_got_focus() { invalidate(); }
void Control::on_lost_focus() { invalidate(); }
void Control::on_visible_changed(bool) {}
bool Control::get_gestures(plat::POINT) { return gestures_; }
void Control::on_enabled_changed(bool) {}

void Control::paint(Canvas& canvas, plat::POINT, plat::POINT) {
    if (parent_->is_focused_child(this))
        focus_picture_.draw_shifted(canvas, position_, size_);
}

plat::HCURSOR Control::get_cursor() { return cursor_; }

bool Control::hit_test(plat::POINT point) {
    return position_.x <= point.x && point.x < position_.x + size_.x && position_.y <= point.y &&
           point.y < position_.y + size_.y;
}

void Control::on_mouse_enter() {}
void Control::on_mouse_move(plat::POINT) {}
void Control::on_mouse_leave() {}
void Control::on_mouse_down(plat::POINT, bool) {}
void Control::on_mouse_up(plat::POINT, bool) {}
void Control::on_context_down(plat::POINT, bool) {}
void Control::on_context_up(plat::POINT, bool) {}
void Control::on_button3_down(plat::POINT, bool) {}
void Control::on_button3_up(plat::POINT, bool) {}
int32_t Control::on_wheel(plat::POINT, int32_t) { return 0; }
int32_t Control::on_char(const std::wstring&) { return 0; }
int32_t Control::on_key_down(int32_t) { return 0; }
int32_t Control::on_key_up(int32_t) { return 0; }
void Control::on_timer_elapsed() {}

void Control::on_timer(int32_t id) {
    if (timer_id_ != 0 && id == timer_id_)
        on_timer_elapsed();
}

void Control::set_rect(plat::POINT position, plat::POINT size) {
    if (position.x == position_.x && position.y == position_.y && size.x == size_.x && size.y == size_.y)
        return;
    invalidate();
    position_ = position;
    size_ = size;
    invalidate();
}

plat::POINT Control::get_preferred_size() { return skin_size_; }

void Control::load_skin() {
    if (creation_mode_ == creation_none)
        return;
    cursor_ = get_cursor_property(L"Cursor", nullptr);
    anchor_x_ = anchor_from_text(get_string_property(L"AnchorX", L""));
    anchor_y_ = anchor_from_text(get_string_property(L"AnchorY", L""));
    focus_picture_ = get_picture_property(L"Focus", Picture());
    tab_order_ = get_int_property(L"TabOrder", 0);
    skin_position_ = get_point_property(L"Position", {0, 0});
    skin_size_ = get_point_property(L"Size", {0, 0});
    check_unsupported(L"Visible", false);
    check_unsupported(L"Enabled", false);
    check_unsupported(L"Gestures", false);
    z_order_ = get_int_property(L"ZOrder", 0);
    check_unsupported(L"WantFocus", false);
}

Container* Control::get_container() { return nullptr; }

Form* Control::get_form() const { return parent_->get_form(); }
Properties* Control::get_properties() const { return parent_->get_properties(); }

std::wstring Control::translate(std::wstring_view key) const {
    return get_properties()->translate(key);
}

std::wstring Control::translate(std::wstring_view key, std::wstring_view default_text) const {
    return get_properties()->translate_or(key, default_text);
}

void Control::take_focus() {
    parent_->set_focused_child(this);
    parent_->on_focus_changed(this);
}

bool Control::is_focused() const { return parent_->is_focused_child(this); }
bool Control::is_visible() const { return visible_ && parent_->is_visible(); }
bool Control::is_enabled() const { return enabled_ && parent_->is_enabled(); }

void Control::invalidate() {
    if (is_visible())
        add_dirty();
}

void Control::add_dirty() const {
    if (FormServices* form = parent_->get_form_services())
        form->invalidate(position_, size_);
}

void Control::set_visible(bool visible) {
    const bool was_visible = is_visible();
    visible_ = visible;
    if (was_visible != visible) {
        on_visible_changed(visible && parent_->is_visible());
        add_dirty();  // also when hidden, so the area under it is redrawn
    }
    if (!is_visible() && parent_->get_focused_child() == this)
        parent_->focus_next(true);
    if (is_visible() && is_enabled() && wants_focus() && !parent_->get_focused_child())
        parent_->set_focused_child(this);
}

void Control::set_enabled(bool enabled) {
    const bool was_enabled = is_enabled();
    enabled_ = enabled;
    if (was_enabled != enabled) {
        on_enabled_changed(enabled && parent_->is_enabled());
        add_dirty();
    }
    if (!is_enabled() && parent_->get_focused_child() == this)
        parent_->focus_next(true);
}

void Control::refresh_visible() {
    if (visible_)
        on_visible_changed(parent_->is_visible());
}

void Control::refresh_enabled() {
    if (enabled_) {
        on_enabled_changed(parent_->is_enabled());
        invalidate();
    }
}

void Control::start_timer(int32_t seconds) {
    stop_timer();
    if (FormServices* form = parent_->get_form_services())
        timer_id_ = form->start_timer(seconds);
}

void Control::stop_timer() {
    if (timer_id_ != 0)
        if (FormServices* form = parent_->get_form_services())
            form->kill_timer(timer_id_);
    timer_id_ = 0;
}

bool Control::is_modifier_pressed(int32_t code) const {
    FormServices* form = parent_->get_form_services();
    return form && form->is_key_pressed(code);
}

std::wstring_view Control::lookup_form() const {
    return creation_mode_ == creation_kind ? std::wstring_view() : std::wstring_view(parent_->get_name());
}

std::wstring_view Control::lookup_name() const {
    return creation_mode_ == creation_kind ? kind_ : name_;
}

// A control without a skin node (creation_none) answers every default.
SkinColour Control::get_color_property(std::wstring_view key, const SkinColour& default_value) const {
    if (creation_mode_ == creation_none)
        return default_value;
    return get_properties()->get_color(lookup_form(), lookup_name(), key, default_value);
}

std::wstring Control::get_string_property(std::wstring_view key, std::wstring_view default_value) const {
    if (creation_mode_ == creation_none)
        return std::wstring(default_value);
    return get_properties()->get_string(lookup_form(), lookup_name(), key, default_value);
}

int32_t Control::get_int_property(std::wstring_view key, int32_t default_value) const {
    if (creation_mode_ == creation_none)
        return default_value;
    return get_properties()->get_int(lookup_form(), lookup_name(), key, default_value);
}

int32_t Control::get_scaled_int_property(std::wstring_view key, int32_t default_value) const {
    if (creation_mode_ == creation_none)
        return default_value;
    return get_properties()->get_scaled_int(lookup_form(), lookup_name(), key, default_value);
}

plat::POINT Control::get_point_property(std::wstring_view key, plat::POINT default_value) const {
    if (creation_mode_ == creation_none)
        return default_value;
    return get_properties()->get_point(lookup_form(), lookup_name(), key, default_value);
}

plat::HCURSOR Control::get_cursor_property(std::wstring_view key, plat::HCURSOR default_value) const {
    if (creation_mode_ == creation_none)
        return default_value;
    return get_properties()->get_cursor(lookup_form(), lookup_name(), key, default_value);
}

Picture Control::get_picture_property(std::wstring_view key, const Picture& default_value) const {
    if (creation_mode_ == creation_none)
        return default_value;
    return get_properties()->get_picture(lookup_form(), lookup_name(), key, default_value);
}

Font Control::get_font_property(std::wstring_view key, const Font& default_value) const {
    if (creation_mode_ == creation_none)
        return default_value;
    return get_properties()->get_font(lookup_form(), lookup_name(), key, default_value);
}

bool Control::has_property(std::wstring_view key) const {
    return creation_mode_ != creation_none && get_properties()->get_impl().has_property(lookup_form(), lookup_name(), key);
}

void Control::check_unsupported(std::wstring_view key, bool string_form) const {
    const bool present = string_form ? get_string_property(key, unsupported_probe_text) != unsupported_probe_text
                                     : get_int_property(key, unsupported_probe) != unsupported_probe;
    if (!present)
        return;
    const std::wstring text = L"Form {" + parent_->get_name() + L"}\nControl {" + std::wstring(lookup_name()) +
                              L"}\n" + (string_form ? L"String Property {" : L"Count Property {") +
                              std::wstring(key) + L"}\n";
    liba::get_log() << L"Unsupported: " << text;
    if (FormServices* form = parent_->get_form_services())
        form->message_box(L"Unsupported", text);
}

} // namespace skinner
