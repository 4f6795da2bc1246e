#include "skinner/controls/ControlButton.h"

namespace skinner {

ControlButton::ControlButton(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : ControlButtonBase(parent, name_or_kind, creation_mode) {
    set_wants_focus(own_wants_focus());
}

void ControlButton::set_wants_focus(bool wants) {
    ControlButtonBase::set_wants_focus(wants);
    set_impl(create_button_impl(*this));
}

void ControlButton::load_skin() {
    ControlButtonBase::load_skin();
    set_wants_focus(own_wants_focus());
}

} // namespace skinner
