#include "skinner/MenuMainControl.h"

#include "skinner/Form.h"

namespace skinner {

ControlMenuMain::ControlMenuMain(Form* form, std::wstring_view name, int creation_mode)
    : Control(form, name, creation_mode), form_(form) {
    form_->register_menu_main(this);
}

ControlMenuMain::~ControlMenuMain() { form_->unregister_menu_main(this); }

} // namespace skinner
