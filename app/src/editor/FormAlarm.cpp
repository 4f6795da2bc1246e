#include "app/FormAlarm.h"

#include "app/Document.h"
#include "app/MessageAlarmAction.h"
#include "base/Path.h"
#include "plat/Files.h"

using namespace skinner;

namespace {

Document& document() { return *Document::instance(); }

bool same_rule(const Alarm& a, const Alarm& b) {
    const AlarmPeriodicityInterface* x = a.get_periodicity();
    const AlarmPeriodicityInterface* y = b.get_periodicity();
    return x && y ? x->equals(*y) : x == y;
}

// Exception dates are not compared: the editor never shows them.
bool same_alarm(const Alarm& a, const Alarm& b) {
    return a.hour() * 60 + a.minute() == b.hour() * 60 + b.minute() && a.get_events() == b.get_events() &&
           a.get_subject() == b.get_subject() && a.get_note() == b.get_note() && same_rule(a, b);
}

bool is_once(const Alarm& alarm) {
    return alarm.get_periodicity() && alarm.get_periodicity()->type() == periodicity_once;
}

} // namespace

FormAlarm::FormAlarm(Form* parent, Properties& skin)
    : Form(parent, &skin, L"FormAlarm"),
      menu_(this, L"menu"),
      ok_(this, L"btnOk"),
      cancel_(this, L"btnCancel"),
      panel_(this) {
    // Escape or Back leaves the editor as Cancel does.
    set_back_button(&cancel_);
}

FormAlarm::~FormAlarm() = default;

void FormAlarm::prepare() {
    saved_ = false;
    panel_.take_focus();
    panel_.get_audio().take_focus();
}

void FormAlarm::set_new_alarm(const liba::TimeStamp& date, const std::wstring& note) {
    prepare();
    panel_.get_audio().set_note(note);
    panel_.get_time().set_date(date);
    panel_.get_subject().get_edit().set_text(L"");
    panel_.get_actions().set_events({});
    index_ = -1;
    opened_date_ = date;
}

void FormAlarm::set_alarm(const liba::TimeStamp& date, int index, bool edit) {
    if (index < 0 || index >= document().alarm_count()) {
        set_new_alarm(date, L"");
        return;
    }
    prepare();
    const Alarm alarm = document().alarm_vector_at(index);
    panel_.get_audio().set_note(alarm.get_note());
    PanelTime& time = panel_.get_time();
    time.set_date(date);
    time.set_rule(alarm.get_periodicity() ? alarm.get_periodicity()->type() : periodicity_everyday);
    time.get_hour().set_value(alarm.hour());
    time.get_minute().set_value(alarm.minute());
    panel_.get_subject().get_edit().set_text(alarm.get_subject());
    panel_.get_actions().set_events(alarm.get_events());
    index_ = edit ? index : -1;
    opened_date_ = date;
}

Alarm FormAlarm::get_alarm() {
    Alarm alarm;
    PanelTime& time = panel_.get_time();
    alarm.set_time(time.get_hour().get_value(), time.get_minute().get_value());
    alarm.set_periodicity(time.get_rule(), time.get_date());
    alarm.set_events(panel_.get_actions().get_events());
    alarm.set_subject(panel_.get_subject().get_edit().get_text());
    alarm.set_note(panel_.get_audio().get_note());
    return alarm;
}

bool FormAlarm::run() {
    do_modal();
    if (!saved_)
        panel_.get_audio().discard();
    return saved_;
}

std::wstring FormAlarm::ask(const std::wstring& title, const std::wstring& text, const Alarm& alarm,
                            const liba::TimeStamp& date, bool with_cancel) {
    // The question stands over the main form, beside the editor. Its form is the dialogs skin's,
    // which serves every application skin: an application skin need not hold message forms.
    MessageAlarmAction question(get_parent_form(), document().get_dialogs_skin(), title, text, alarm, date, with_cancel);
    return question.run();
}

void FormAlarm::commit_note(const std::wstring& old_note, const std::wstring& new_note) {
    panel_.get_audio().keep(new_note);
    if (old_note.empty() || liba::paths_equal(old_note, new_note) || !Document::is_generated_note(old_note))
        return;
    for (const Alarm& alarm : document().get_alarms())
        if (liba::paths_equal(alarm.get_note(), old_note))
            return;
    plat::delete_file(liba::expand_path_macros(old_note));
}

void FormAlarm::ok_new() {
    const Alarm alarm = get_alarm();
    if (alarm.get_subject().empty()) {
        const std::wstring answer = ask(get_properties()->translate(L"message_create_alarm_title"),
                                        get_properties()->translate(L"message_create_alarm_text"), alarm,
                                        liba::TimeStamp::now(), false);
        if (answer == FormMessage::yes) {
            panel_.take_focus();
            panel_.get_subject().take_focus();
            panel_.get_subject().get_edit().take_focus();
            return;
        }
        saved_ = false;
        close();
        return;
    }
    document().add_alarm(alarm);
    commit_note({}, alarm.get_note());
    saved_ = true;
    close();
}

void FormAlarm::ok_existing() {
    Alarm alarm = get_alarm();
    const Alarm current = document().alarm_vector_at(index_);
    if (same_alarm(alarm, current)) {
        close();
        return;
    }
    const std::wstring answer =
        ask(get_properties()->translate(L"message_update_alarm_title"),
            get_properties()->translate(L"message_update_alarm_text"), alarm, opened_date_, true);
    if (answer == FormMessage::yes) {
        document().change_alarm(index_, alarm, true);
    } else if (answer == FormMessage::no) {
        // Only this day: the occurrence opened is skipped and a once alarm
        // rings on the chosen date. A once alarm simply becomes the new one.
        alarm.set_periodicity(periodicity_once, panel_.get_time().get_date());
        if (is_once(current))
            document().change_alarm(index_, alarm, true);
        else
            document().change_alarm(index_, alarm, false, opened_date_);
    } else {
        return;
    }
    commit_note(current.get_note(), alarm.get_note());
    saved_ = true;
    close();
}

int32_t FormAlarm::on_click(Control* sender) {
    if (sender == &cancel_) {
        close();
        return 1;
    }
    if (sender == &ok_) {
        if (index_ < 0 || index_ >= document().alarm_count())
            ok_new();
        else
            ok_existing();
        return 1;
    }
    return Form::on_click(sender);
}
