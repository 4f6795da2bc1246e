#include "skinner/controls/ControlCheckBox.h"

#include "skinner/Capabilities.h"

namespace skinner {

ControlCheckBox::ControlCheckBox(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : ControlButtonBase(parent, name_or_kind, creation_mode) {
    read_skin();
    make_impl();
}

ControlCheckBox::~ControlCheckBox() = default;

void ControlCheckBox::load_skin() {
    ControlButtonBase::load_skin();
    read_skin();
    make_impl();
}

// While the skin loads only the state is stored: the implementation made
// afterwards takes it as it stands.
void ControlCheckBox::read_skin() {
    if (get_creation_mode() == creation_none)
        return;
    checked_ = get_int_property(L"Checked", checked_ ? 1 : 0) != 0;
    checked_styles_ = read_styles(L"Checked");
    unchecked_text_ = get_text();
    checked_text_ = get_string_property(L"CheckedText", L"");
    if (checked_text_.empty())
        checked_text_ = unchecked_text_;
    show_text(checked_ ? checked_text_ : unchecked_text_);
}

void ControlCheckBox::make_impl() {
    if (current_button_shell() == ButtonShell::smartphone && get_action() != button_action::no_menu) {
        if (get_creation_mode() == creation_named && own_wants_focus())
            set_impl(std::make_unique<ControlCheckBoxImplMenuSmartphone>(*this));
        else
            set_impl(std::make_unique<ControlButtonImpl>(*this, true, false));
    } else {
        set_impl(std::make_unique<ControlButtonImpl>(*this, true, true));
    }
}

void ControlCheckBox::set_text(const std::wstring& text) {
    unchecked_text_ = text;
    checked_text_ = text;
    show_text(text);
}

void ControlCheckBox::press(plat::POINT point) {
    set_checked(!checked_);
    ControlButtonBase::press(point);
}

const ButtonStyles& ControlCheckBox::get_styles() const {
    return checked_ ? checked_styles_ : ControlButtonBase::get_styles();
}

void ControlCheckBox::set_checked(bool checked) {
    if (checked == checked_)
        return;
    checked_ = checked;
    if (ControlButtonImpl* impl = get_impl())
        impl->on_check_changed();
    if (unchecked_text_ != checked_text_)
        show_text(checked_ ? checked_text_ : unchecked_text_);
    invalidate();
}

void ControlCheckBox::set_caption(const std::wstring& text, bool for_checked) {
    (for_checked ? checked_text_ : unchecked_text_) = text;
    show_text(checked_ ? checked_text_ : unchecked_text_);
}

} // namespace skinner
