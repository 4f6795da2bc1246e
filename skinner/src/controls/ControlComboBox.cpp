#include "skinner/controls/ControlComboBox.h"

#include "skinner/Form.h"
#include "plat/Window.h"

namespace skinner {

int32_t ControlComboBox::CBForm::on_key_down(int32_t code) {
    const int32_t used = FormCombo::on_key_down(code);
    if (used == 0 && (code == key::escape || code == key::action)) {
        close();
        return 1;
    }
    return used;
}

ControlComboBox::ControlComboBox(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : ControlPanel(parent, name_or_kind, creation_mode),
      button_(get_container(), get_string_property(L"ButtonKind", L""), creation_kind) {
    read_skin();
}

ControlComboBox::~ControlComboBox() = default;

void ControlComboBox::read_skin() {
    dropdown_size_ = get_point_property(L"DropdownSize", {0, 0});
    button_width_ = get_scaled_int_property(L"ButtonWidth", 0);
    dropdown_form_ = get_string_property(L"DropdownForm", L"");
}

void ControlComboBox::load_skin() {
    ControlPanel::load_skin();
    read_skin();
}

int32_t ControlComboBox::on_click(Control* sender) {
    if (sender != &button_)
        return 0;
    open();
    return 1;
}

void ControlComboBox::on_got_focus() { invalidate(); }

int32_t ControlComboBox::on_key_down(int32_t code) {
    const int32_t used = ControlPanel::on_key_down(code);
    if (used != 0 || code != key::action)
        return used;
    on_click(&button_);
    return 1;
}

void ControlComboBox::set_rect(plat::POINT position, plat::POINT size) {
    ControlPanel::set_rect(position, size);
    if (Control* edit = get_edit_part())
        edit->set_rect(position, {size.x - button_width_, size.y});
    button_.set_rect({position.x + size.x - button_width_, position.y}, {button_width_, size.y});
}

void ControlComboBox::create_dropdown(plat::POINT screen_position, plat::POINT size) {
    dropdown_ = std::make_unique<CBForm>(*get_form(), get_properties(), dropdown_form_, this, screen_position, size);
    // The form placed its window by the skin's start position; the drop-down belongs at the combo box.
    dropdown_->set_window_rect(screen_position, size);
}

void ControlComboBox::open() {
    if (dropdown_) {
        dropdown_->close();
        return;
    }
    const plat::POINT position = get_position();
    const plat::POINT own = get_size();
    const plat::POINT size{dropdown_size_.x == 0 ? own.x : dropdown_size_.x, dropdown_size_.y};
    plat::RECT client{};
    plat::get_client_rect(get_form()->get_window(), client);
    plat::POINT at{position.x, position.y + own.y};
    if (at.y + size.y > client.bottom && position.y - size.y > 0)
        at.y = position.y - size.y;
    plat::client_to_screen(get_form()->get_window(), at);
    create_dropdown(at, size);
    dropdown_->run_plain_loop();
    on_popup_closed(this);
    dropdown_.reset();
}

} // namespace skinner
