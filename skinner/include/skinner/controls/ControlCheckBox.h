#pragma once
#include "skinner/controls/ControlButtonBase.h"

namespace skinner {

// A button with a checked state: pressing toggles it, the checked state
// draws with its own six styles and may show its own caption. On a
// smartphone a focusable check box of a form is a checkable soft-key menu
// entry instead.
class ControlCheckBox : public ControlButtonBase {
public:
    ControlCheckBox(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlCheckBox() override;

    void load_skin() override;
    // Both captions become the text.
    void set_text(const std::wstring& text) override;
    // Toggles, then clicks.
    void press(plat::POINT point) override;
    const ButtonStyles& get_styles() const override;
    virtual void set_checked(bool checked);
    virtual void set_caption(const std::wstring& text, bool for_checked);

    bool is_checked() const { return checked_; }
    const std::wstring& get_caption(bool for_checked) const { return for_checked ? checked_text_ : unchecked_text_; }

private:
    void read_skin();
    void make_impl();

    std::wstring unchecked_text_;
    std::wstring checked_text_;
    bool checked_ = false;
    ButtonStyles checked_styles_;
};

} // namespace skinner
