#pragma once
#include "skinner/Form.h"

namespace skinner {

// The drop-down of a combo box: a popup form over a tool window of its own,
// owned by the combo's form window, at a screen position. It holds the
// pointer capture while open; losing it (or a tap outside) closes it. Run
// it with run_plain_loop.
class FormCombo : public Form {
public:
    FormCombo(Form& owner, Properties* properties, std::wstring_view form_name, Listener* listener,
              plat::POINT screen_position, plat::POINT size);

    int32_t can_close() override;
};

} // namespace skinner
