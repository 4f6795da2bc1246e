#pragma once
#include "skinner/MenuMainButton.h"

namespace skinner {

// A sub-menu of the form's menu bar: the application fills its entries in
// on_create_menu each time it opens.
class MenuMainSubMenu : public MenuMainButton {
public:
    using MenuMainButton::MenuMainButton;
    int32_t has_submenu() override { return 1; }
};

} // namespace skinner
