#pragma once
#include "alarm/Alarm.h"
#include "app/PanelAlarm.h"
#include "base/TimeStamp.h"
#include "skinner/Form.h"
#include "skinner/MenuMainControl.h"
#include "skinner/controls/ControlButton.h"

#include <string>

// The screen that creates, edits or copies an alarm. Ok hands the alarm to
// the Document, after a question where needed; run answers whether the
// Document was changed. Whatever the editor recorded and did not keep is
// deleted when it closes.
class FormAlarm : public skinner::Form {
public:
    FormAlarm(skinner::Form* parent, skinner::Properties& skin);
    ~FormAlarm() override;

    // A new alarm at date's time, with note (a handed-over file) or none.
    void set_new_alarm(const liba::TimeStamp& date, const std::wstring& note);
    // Alarm index as it falls on date: edited when edit is set, else copied.
    void set_alarm(const liba::TimeStamp& date, int index, bool edit);
    // The alarm the panels describe, without exception dates.
    Alarm get_alarm();
    bool run();

    using skinner::Form::on_click;
    int32_t on_click(skinner::Control* sender) override;

    int get_index() const { return index_; }
    bool is_saved() const { return saved_; }
    PanelAlarm& get_panel() { return panel_; }

private:
    void prepare();
    void ok_new();
    void ok_existing();
    // The question's answer: the skin name of the button pressed.
    std::wstring ask(const std::wstring& title, const std::wstring& text, const Alarm& alarm,
                     const liba::TimeStamp& date, bool with_cancel);
    // The note is kept; the one it replaced goes when the program made it
    // and no alarm uses it any more.
    void commit_note(const std::wstring& old_note, const std::wstring& new_note);

    skinner::ControlMenuMain menu_;
    skinner::ControlButton ok_;
    skinner::ControlButton cancel_;
    int index_ = -1;
    bool saved_ = false;
    // The occurrence the editor was opened on: the day "only this day" skips.
    liba::TimeStamp opened_date_;
    PanelAlarm panel_;
};
