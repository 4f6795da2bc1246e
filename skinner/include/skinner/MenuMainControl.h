#pragma once
#include "skinner/Control.h"

#include <string_view>

namespace skinner {

class Form;

// The form's main menu: an invisible control whose presence gives the form a
// menu bar; it registers with the form for its lifetime.
class ControlMenuMain : public Control {
public:
    explicit ControlMenuMain(Form* form, std::wstring_view name = L"mnuMain", int creation_mode = creation_none);
    ~ControlMenuMain() override;

    void paint(Canvas&, plat::POINT, plat::POINT) override {}
    bool hit_test(plat::POINT) override { return false; }
    bool wants_focus() const override { return false; }

private:
    Form* form_ = nullptr;
};

} // namespace skinner
