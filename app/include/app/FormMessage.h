#pragma once
#include "skinner/Form.h"
#include "skinner/MenuMainControl.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlFrame.h"

#include <string>
#include <string_view>

// A small modal question: a caption, a text and the buttons of its skin
// form. It ends at the first button pressed; run answers that button's skin
// name ("btnYes", "btnNo", "btnCancel"), empty when the form was closed
// another way.
class FormMessage : public skinner::Form {
public:
    static constexpr std::wstring_view yes = L"btnYes";
    static constexpr std::wstring_view no = L"btnNo";
    static constexpr std::wstring_view cancel = L"btnCancel";

    FormMessage(skinner::Form* parent, skinner::Properties& properties, std::wstring_view caption,
                std::wstring_view text, std::wstring_view form_name);
    ~FormMessage() override;

    int32_t on_click(skinner::Control* sender) override;
    std::wstring run();
    const std::wstring& get_pressed() const { return pressed_; }

private:
    skinner::ControlMenuMain menu_;
    skinner::ControlButton caption_;
    skinner::ControlFrame text_;
    std::wstring pressed_;
};
