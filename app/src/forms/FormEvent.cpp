#include "app/FormEvent.h"

#include "audio/PlayChain.h"
#include "base/Log.h"
#include "skinner/MenuMainControl.h"
#include "skinner/MenuMainSubMenu.h"
#include "skinner/MenuRecord.h"
#include "skinner/Properties.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlFrame.h"

#include <array>
#include <cwchar>
#include <iterator>

namespace {

struct SnoozeChoice {
    const wchar_t* command;
    const wchar_t* caption_key;
    int minutes;
};
constexpr std::array<SnoozeChoice, 5> snooze_choices{{
    {L"mitSnooze5", L"5minutes", 5},
    {L"mitSnooze10", L"10minutes", 10},
    {L"mitSnooze15", L"15minutes", 15},
    {L"mitSnooze30", L"30minutes", 30},
    {L"mitSnooze60", L"1hour", 60},
}};

constexpr wchar_t snooze_menu_name[] = L"Snooze";
constexpr wchar_t snooze_caption_key[] = L"eSnooze";
constexpr int repeat_minutes = 5;
constexpr int dismiss_minutes = 0;

// "09 : 05".
std::wstring clock_text(const liba::TimeStamp& time) {
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"%02d : %02d", time.hour(), time.minute());
    return text;
}

Document& document() { return *Document::instance(); }

} // namespace

FormEvent::FormEvent(skinner::Properties& properties) : Form(nullptr, &properties, form_name) {
    menu_ = new skinner::ControlMenuMain(this, L"menu", skinner::creation_named);
    snooze_menu_ = new skinner::MenuMainSubMenu(this, snooze_menu_name, properties.translate(snooze_caption_key), 1,
                                                skinner::MenuManager::place_menu);
    snooze_menu_->set_caption(properties.translate(snooze_caption_key));
    time_ = new skinner::ControlFrame(this, L"frmTime");
    message_ = new skinner::ControlButton(this, L"frmMessage");
    repeat_ = new skinner::ControlButton(this, L"btnRepeat");
    close_ = new skinner::ControlButton(this, L"btnClose");
    show_missed(true);
}

FormEvent::~FormEvent() = default;

void FormEvent::refresh() { show_missed(false); }

// first: nothing is on show yet, so whatever the queue reserves now rings,
// even an alarm left reserved by a form that closed without snooze or dismiss.
void FormEvent::show_missed(bool first) {
    AlarmQueue& queue = document().get_queue();
    const int old = queue.reserved();
    const int fresh = queue.next_missed();
    liba::get_log() << L"form event old ='" << old << L"' new = '" << fresh << L"'\n";
    if (!first && (fresh == -1 || fresh == old))
        return;
    form_activate(fresh, false);
}

void FormEvent::form_activate(int index, bool silent) {
    liba::get_log() << L"FormEvent::form_activate  alarm = '" << index << L"'\n";
    Document& doc = document();
    if (index < 0 || index >= doc.alarm_count()) {
        liba::get_log() << L"MEGA BUG !!!\n";
        finish();
        return;
    }
    message_->set_text(L"");
    const Alarm alarm = doc.alarm_vector_at(index);
    AudioPlayerQueue& player = doc.get_player();
    player.stop();
    player.set_volume(doc.get_settings().volume_factor());

    const liba::TimeStamp now = liba::TimeStamp::now();
    time_->set_text(clock_text(now));
    message_->set_text(alarm.get_subject());
    invalidate({0, 0}, get_size());
    if (silent)
        return;

    const AlarmEvents events = alarm.get_events();
    if (events.attention)
        player.play(playable_or_chime(doc.get_settings().get_attention()));
    if (events.time && doc.get_script())
        doc.get_script()->compose(now.hour(), now.minute());
    if (!events.pause && !alarm.get_note().empty())
        player.play(playable_or_chime(alarm.get_note()));
}

void FormEvent::snooze(int minutes) {
    if (finished_)
        return;
    AlarmQueue& queue = document().get_queue();
    document().get_player().stop();
    if (minutes <= 0)
        queue.dismiss();
    else
        queue.hide_to_repeat(minutes);
    const int next = queue.next_missed();
    if (next == -1)
        finish();
    else
        form_activate(next, true);
}

std::wstring FormEvent::playable_or_chime(const std::wstring& path) {
    if (path.empty() || !audio::open_play_chain(path))
        return fallback_attention;
    return path;
}

void FormEvent::replay_note() {
    Document& doc = document();
    const int reserved = doc.get_queue().reserved();
    if (reserved < 0 || reserved >= doc.alarm_count())
        return;
    const std::wstring note = doc.alarm_vector_at(reserved).get_note();
    if (note.empty())
        return;
    doc.get_player().stop();
    doc.get_player().play(playable_or_chime(note));
}

void FormEvent::finish() {
    finished_ = true;
    close();
}

int32_t FormEvent::on_click(skinner::Control* sender) {
    if (sender == repeat_) {
        snooze(repeat_minutes);
        return 1;
    }
    if (sender == close_ || (sender && sender->get_name() == L"btnOk")) {
        snooze(dismiss_minutes);
        return 1;
    }
    if (sender == message_) {
        replay_note();
        return 1;
    }
    return Form::on_click(sender);
}

int32_t FormEvent::on_menu_command(skinner::Control* sender, const std::wstring& command) {
    for (const SnoozeChoice& choice : snooze_choices)
        if (command == choice.command) {
            snooze(choice.minutes);
            return 1;
        }
    return Form::on_menu_command(sender, command);
}

int32_t FormEvent::on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) {
    if (sender != snooze_menu_)
        return Form::on_create_menu(sender, menu);
    for (const SnoozeChoice& choice : snooze_choices)
        menu.entries.append(skinner::MenuRecord(choice.command, get_properties()->translate(choice.caption_key)));
    return 1;
}

int32_t FormEvent::on_key_down(int32_t code) {
    if (code == skinner::key::action) {
        message_->click();
        return 1;
    }
    return Form::on_key_down(code);
}

int32_t FormEvent::can_close() { return finished_ || program_closing_ ? 1 : 0; }

void FormEvent::reload_skin() {
    Form::reload_skin();
    // The sub-menu is named "Snooze" but captioned with the text of "eSnooze", which a new language changes.
    snooze_menu_->set_caption(get_properties()->translate(snooze_caption_key));
}
