#pragma once
#include "base/TimeStamp.h"
#include "skinner/Form.h"
#include "skinner/MenuMainControl.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlCalendar.h"

// Picks a date in a month calendar. Ok keeps the calendar's date; Cancel,
// or a control named "btnOk2", leaves the date given at construction.
class FormCalendar : public skinner::Form {
public:
    FormCalendar(skinner::Form* parent, skinner::Properties& properties, const liba::TimeStamp& date);
    ~FormCalendar() override;

    int32_t on_click(skinner::Control* sender) override;
    const liba::TimeStamp& get_date() const { return date_; }
    skinner::ControlCalendar& get_calendar() { return calendar_; }

private:
    liba::TimeStamp date_;
    skinner::ControlMenuMain menu_;
    skinner::ControlButton ok_;
    skinner::ControlButton cancel_;
    skinner::ControlCalendar calendar_;
};
