#pragma once
#include "app/AboutControls.h"
#include "skinner/Form.h"
#include "skinner/MenuMainControl.h"

namespace dialogs {

// The About box: the controls, then the soft-key bar "MenuMain". "btnOk"
// closes it; the link buttons open their addresses in the browser.
class FormAbout : public skinner::Form {
public:
    FormAbout(skinner::Form* parent, skinner::Properties& skin, std::wstring_view form_name,
              const std::wstring& caption);
    ~FormAbout() override;

    using skinner::Form::on_click;
    int32_t on_click(skinner::Control* sender) override;

    AboutControls& get_controls() { return controls_; }

private:
    AboutControls controls_;
    skinner::ControlMenuMain menu_;
};

} // namespace dialogs
