#pragma once
#include "app/ControlCounter.h"
#include "app/PanelSelectable.h"
#include "base/TimeStamp.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlComboBoxStringReadonly.h"
#include "skinner/controls/ControlFrame.h"

// The alarm's hour, minute, date and repeat rule. Left and right walk the
// panel's controls (before the counters see them, so walking never changes
// the time); up and down leave for the neighbour panels.
class PanelTime : public PanelSelectable {
public:
    explicit PanelTime(skinner::Container* parent);
    ~PanelTime() override;

    using PanelSelectable::on_click;
    int32_t on_click(skinner::Control* sender) override;
    int32_t on_key_down(int32_t code) override;

    // The date, the time of day from it, rule 0.
    void set_date(const liba::TimeStamp& date);
    const liba::TimeStamp& get_date() const { return date_; }
    // 0 every day, 1 the date's weekday, 2 its day of the month, 3 once; a
    // selection outside them counts as every day.
    int get_rule();
    void set_rule(int rule);
    // The picker, run modally; Cancel keeps the date.
    void choose_date();

    ControlCounter& get_hour() { return hour_; }
    ControlCounter& get_minute() { return minute_; }
    skinner::ControlComboBoxStringReadonly& get_period() { return period_; }
    skinner::ControlFrame& get_date_frame() { return date_frame_; }
    skinner::ControlButton& get_date_button() { return date_button_; }

private:
    // The rule texts follow the date; the selection stays.
    void rebuild_rules();

    ControlCounter hour_;
    ControlCounter minute_;
    skinner::ControlFrame date_frame_;
    skinner::ControlComboBoxStringReadonly period_;
    skinner::ControlButton date_button_;
    liba::TimeStamp date_ = liba::TimeStamp::now();
};
