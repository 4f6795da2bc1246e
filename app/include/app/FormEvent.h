#pragma once
#include "app/Document.h"
#include "skinner/Form.h"

#include <string>

namespace skinner {
class ControlButton;
class ControlFrame;
class ControlMenuMain;
class MenuMainSubMenu;
} // namespace skinner

// The screen of a ringing alarm: the time now and the alarm's subject, its
// sounds as its actions ask, and snooze, dismiss or the note once more. The
// alarm shown is the queue's reserved one; when several were missed they
// follow one another, each after the first without sound. Only a snooze or a
// dismiss ends it (or the program's end): closing it otherwise would leave
// the alarm reserved and silent.
class FormEvent : public skinner::Form, public liba::Document<Document, HintNewAlarm>::View {
public:
    static constexpr wchar_t form_name[] = L"FormEvent";
    // Played when the settings name no attention sound, or one that cannot be played, and in
    // place of a note that cannot be played (gone, or no sound file at all): an alarm never
    // rings silently for its note.
    static constexpr wchar_t fallback_attention[] = L"%app_path%/sounds/chime.wav";

    // Shows the missed alarm with sound, or closes at once when none is missed.
    explicit FormEvent(skinner::Properties& properties);
    ~FormEvent() override;

    // A newly missed alarm is shown with sound; the one on show stays as it is.
    void refresh();
    // Shows the alarm at index (sounds unless silent); -1 closes the form.
    void form_activate(int index, bool silent);
    // Minutes <= 0 dismisses; then the next missed alarm, or the form closes.
    void snooze(int minutes);

    // The form closed itself: nothing is left to ring.
    bool is_finished() const { return finished_; }
    // The program is ending: a close request now ends the form.
    void set_program_closing() { program_closing_ = true; }

    int32_t on_click(skinner::Control* sender) override;
    int32_t on_menu_command(skinner::Control* sender, const std::wstring& command) override;
    int32_t on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) override;
    int32_t on_key_down(int32_t code) override;
    int32_t can_close() override;
    void reload_skin() override;

    // The sound at path, or the chime when that cannot be played (or path is empty).
    static std::wstring playable_or_chime(const std::wstring& path);

private:
    void show_missed(bool first);
    void replay_note();
    void finish();

    // The controls belong to the form (it deletes its children).
    skinner::ControlMenuMain* menu_ = nullptr;
    skinner::MenuMainSubMenu* snooze_menu_ = nullptr;
    skinner::ControlFrame* time_ = nullptr;
    skinner::ControlButton* message_ = nullptr;
    skinner::ControlButton* repeat_ = nullptr;
    skinner::ControlButton* close_ = nullptr;
    bool finished_ = false;
    bool program_closing_ = false;
};
