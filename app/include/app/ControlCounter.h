#pragma once
#include "app/ControlEditCounter.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlPanel.h"

// A number field between a decrease and an increase button (skin names
// "editText", "btnDecrease", "btnIncrease" in the panel's template). Only the
// field takes the focus; its changes reach the parent with the counter as
// sender.
class ControlCounter : public skinner::ControlPanel {
public:
    ControlCounter(skinner::Container* parent, std::wstring_view name, int32_t minimum, int32_t maximum);
    ~ControlCounter() override;

    using skinner::ControlPanel::on_click;
    using skinner::ControlPanel::on_text_changed;
    int32_t on_click(skinner::Control* sender) override;
    int32_t on_text_changed(skinner::Control* sender, const std::wstring& text) override;
    // Digits type; left and right step, then take the panel's handling.
    int32_t on_key_down(int32_t code) override;
    void on_got_focus() override;

    ControlEditCounter& get_edit() { return edit_; }
    int32_t get_value() const { return edit_.get_value(); }
    void set_value(int32_t value) { edit_.set_value(value); }

private:
    ControlEditCounter edit_;
    skinner::ControlButton decrease_;
    skinner::ControlButton increase_;
};
