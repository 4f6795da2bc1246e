#pragma once
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlFrame.h"
#include "skinner/controls/ControlTabElement.h"

#include <cstdint>
#include <string>
#include <string_view>

class FormSchedule;

// A schedule page that shows one period (a week, a month) of the shared
// date: a caption, Previous and Next buttons that turn the period, and the
// first-day sub-menu that both pages offer.
class PanelSchedulePeriod : public skinner::ControlTabElement {
public:
    PanelSchedulePeriod(FormSchedule& schedule, skinner::ControlTabBase& tab, std::wstring_view name);
    ~PanelSchedulePeriod() override;

    // Rebuilds the page: from the shared date's period, or (false) the period turned to.
    virtual void update(bool from_shared_date) = 0;
    // The first day of the week the settings choose; Monday without a document.
    static uint8_t startday();

    using ControlTabElement::on_click;
    int32_t on_click(skinner::Control* sender) override;
    using ControlTabElement::on_menu_command;
    int32_t on_menu_command(skinner::Control* sender, const std::wstring& command) override;
    using ControlTabElement::on_create_menu;
    int32_t on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) override;
    void on_visible_changed(bool visible) override;

    skinner::ControlFrame& get_caption() { return caption_; }
    skinner::ControlButton& get_prev() { return prev_; }
    skinner::ControlButton& get_next() { return next_; }
    FormSchedule& get_schedule() { return schedule_; }

protected:
    // Moves the shown period one step back (-1) or forward (1).
    virtual void turn(int step) = 0;

    FormSchedule& schedule_;
    skinner::ControlFrame caption_;
    skinner::ControlButton prev_;
    skinner::ControlButton next_;
};
