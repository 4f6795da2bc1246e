#include "skinner/controls/ControlButtonBase.h"

#include "skinner/Container.h"

namespace skinner {

namespace {
constexpr std::array<std::wstring_view, 3> horizontal_words{L"LEFT", L"CENTER", L"RIGHT"};
constexpr std::array<std::wstring_view, 3> vertical_words{L"TOP", L"VCENTER", L"BOTTOM"};
constexpr int alignment_centre = 1;
} // namespace

int alignment_from_word(std::wstring_view word, bool vertical) {
    const auto& words = vertical ? vertical_words : horizontal_words;
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i] == word)
            return int(i);
    return alignment_centre;
}

ControlButtonBase::ControlButtonBase(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : Control(parent, name_or_kind, creation_mode) {
    read_skin();
}

ControlButtonBase::~ControlButtonBase() { impl_.reset(); }

void ControlButtonBase::load_skin() {
    Control::load_skin();
    read_skin();
}

ButtonStyles ControlButtonBase::read_styles(std::wstring_view prefix) const {
    using namespace button_state;
    ButtonStyles styles;
    const auto read = [&](size_t state, const ButtonStyle& fallback) {
        const std::wstring key = std::wstring(prefix) + std::wstring(names[state]);
        styles[state] = {get_picture_property(key, fallback.picture), get_font_property(key, fallback.font),
                         get_color_property(key, fallback.colour)};
    };
    read(normal, ButtonStyle{});
    read(highlighted, styles[normal]);
    read(highlighted_focus, styles[highlighted]);
    read(normal_focus, styles[normal]);
    read(pressed, styles[normal]);
    read(disabled, styles[normal]);
    return styles;
}

void ControlButtonBase::read_skin() {
    if (get_creation_mode() == creation_none)
        return;
    border_min_ = get_point_property(L"BorderMin", {0, 0});
    border_max_ = get_point_property(L"BorderMax", border_min_);
    styles_ = read_styles(L"");
    text_ = get_string_property(L"Text", L"");
    h_alignment_ = alignment_centre;
    v_alignment_ = alignment_centre;
    h_alignment_ = alignment_from_word(get_string_property(L"HAlignment", L""), false);
    v_alignment_ = alignment_from_word(get_string_property(L"VAlignment", L""), true);
    const std::wstring action = get_string_property(L"Action", button_action::words[button_action::nothing]);
    for (size_t i = 0; i < button_action::words.size(); ++i)
        if (button_action::words[i] == action)
            action_ = int32_t(i);
}

void ControlButtonBase::set_impl(std::unique_ptr<ControlButtonImpl> impl) {
    // The old entry leaves the menu before the new one joins it.
    impl_.reset();
    impl_ = std::move(impl);
}

int32_t ControlButtonBase::on_menu_command(Control*, const std::wstring& command) {
    if (command != get_name())
        return 0;
    click();
    return 1;
}

bool ControlButtonBase::wants_focus() const { return Control::wants_focus() && impl_ && impl_->may_focus(); }

void ControlButtonBase::on_lost_focus() {
    pressed_by_key_ = false;
    Control::on_lost_focus();
}

void ControlButtonBase::on_visible_changed(bool visible) {
    if (impl_)
        impl_->on_visible_changed(visible);
}

void ControlButtonBase::on_enabled_changed(bool enabled) {
    if (impl_)
        impl_->on_enabled_changed(enabled);
}

const ButtonStyles& ControlButtonBase::get_styles() const { return styles_; }

const ButtonStyle& ControlButtonBase::current_style() const {
    using namespace button_state;
    const ButtonStyles& styles = get_styles();
    const Container* parent = get_parent();
    const bool focused = parent->get_focused_child() == this;
    if (!is_enabled())
        return styles[disabled];
    if (is_pressed())
        return styles[pressed];
    if (parent->get_hovered_child() == this)
        return styles[focused ? highlighted_focus : highlighted];
    return styles[focused ? normal_focus : normal];
}

void ControlButtonBase::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    if (!impl_ || !impl_->draws())
        return;
    const ButtonStyle& style = current_style();
    const plat::POINT position = get_position();
    const plat::POINT size = get_size();
    style.picture.draw_shifted(canvas, position, size);
    Control::paint(canvas, clip_position, clip_size);
    style.font.draw_text(canvas, style.colour, text_, {position.x + border_min_.x, position.y + border_min_.y},
                         {size.x - border_min_.x - border_max_.x, size.y - border_min_.y - border_max_.y},
                         h_alignment_, v_alignment_);
}

bool ControlButtonBase::hit_test(plat::POINT point) {
    if (!impl_ || !impl_->draws() || !Control::hit_test(point))
        return false;
    const Picture& picture = current_style().picture;
    return !picture.loaded() || !picture.is_transparent(point, get_position(), get_size());
}

void ControlButtonBase::on_mouse_move(plat::POINT point) {
    if (impl_)
        impl_->on_pointer_move(point);
}

void ControlButtonBase::on_mouse_down(plat::POINT point, bool) {
    pressed_by_pointer_ = true;
    invalidate();
    if (impl_)
        impl_->on_pointer_down(point);
}

void ControlButtonBase::on_mouse_up(plat::POINT point, bool) {
    const bool was_pressed = is_pressed();
    const bool other_hold = pressed_by_key_ || held_;
    pressed_by_pointer_ = false;
    if (impl_)
        impl_->on_pointer_up(point);
    invalidate();
    if (was_pressed && !other_hold && hit_test(point) && is_enabled())
        press(point);
}

int32_t ControlButtonBase::on_key_down(int32_t code) {
    if (code != key::action)
        return 0;
    pressed_by_key_ = true;
    invalidate();
    return 1;
}

int32_t ControlButtonBase::on_key_up(int32_t code) {
    if (code != key::action)
        return 0;
    const bool was_pressed = is_pressed();
    pressed_by_key_ = false;
    invalidate();
    if (was_pressed && !pressed_by_pointer_ && !held_)
        click();
    return 1;
}

void ControlButtonBase::set_text(const std::wstring& text) { show_text(text); }

void ControlButtonBase::show_text(const std::wstring& text) {
    if (text == text_)
        return;
    text_ = text;
    if (impl_)
        impl_->set_text(text_);
    invalidate();
}

void ControlButtonBase::press(plat::POINT point) {
    if (impl_)
        impl_->on_press(point);
    on_click(this);
}

void ControlButtonBase::click() {
    if (!is_enabled())
        return;
    const plat::POINT position = get_position();
    const plat::POINT size = get_size();
    press({position.x + size.x / 2, position.y + size.y / 2});
}

void ControlButtonBase::set_held(bool held) {
    const bool was_pressed = is_pressed();
    held_ = held;
    invalidate();
    if (was_pressed && !is_pressed())
        click();
}

} // namespace skinner
