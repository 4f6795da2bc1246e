#pragma once
#include "skinner/controls/ControlButtonBase.h"

namespace skinner {

// A skinned button with the implementation the device's table gives it.
class ControlButton : public ControlButtonBase {
public:
    ControlButton(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);

    // The implementation depends on the flag, so it is made again.
    void set_wants_focus(bool wants) override;
    void load_skin() override;
};

} // namespace skinner
