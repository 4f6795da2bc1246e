#pragma once
#include "skinner/FormCombo.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlPanel.h"

#include <memory>
#include <string>

namespace skinner {

// A value part and a button; the button (or the action key) drops down a
// form of the skin below the control, or above it when it fits there
// only, and runs it until it closes. The derived class fills the form.
class ControlComboBox : public ControlPanel {
public:
    // The drop-down: the back and action keys that nothing in it used close it.
    class CBForm : public FormCombo {
    public:
        using FormCombo::FormCombo;
        int32_t on_key_down(int32_t code) override;
    };

    ControlComboBox(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlComboBox() override;

    // The button opens the drop-down, or closes it when open; other clicks end here.
    int32_t on_click(Control* sender) override;
    // Only repaints: the inner controls take no focus.
    void on_got_focus() override;
    int32_t on_key_down(int32_t code) override;
    void set_rect(plat::POINT position, plat::POINT size) override;
    void load_skin() override;

    // The control that shows the current value, or none.
    virtual Control* get_edit_part() = 0;
    // The drop-down at a screen position.
    virtual void create_dropdown(plat::POINT screen_position, plat::POINT size);

    CBForm* get_dropdown() const { return dropdown_.get(); }
    ControlButton& get_button() { return button_; }

protected:
    std::unique_ptr<CBForm> dropdown_;

private:
    void read_skin();
    void open();

    int32_t button_width_ = 0;
    plat::POINT dropdown_size_{0, 0};
    std::wstring dropdown_form_;
    ControlButton button_;
};

} // namespace skinner
