#pragma once
#include "app/Document.h"
#include "base/TimeStamp.h"
#include "base/Timer.h"
#include "skinner/Form.h"
#include "skinner/PowerManager.h"

#include <string>
#include <string_view>
#include <vector>

class FormEvent;

namespace skinner {
class ControlButton;
class ControlMenuMain;
class ControlWatch;
class MenuMainButton;
class MenuMainSubMenu;
} // namespace skinner

// The resident main screen: the analog clock, a background that speaks the
// time, and the menu of every command. It is also the program's dispatcher:
// it takes the command lines of later starts ("close", "AppRunAtTime",
// "AppRunAfterWakeup", a file, or nothing), opens the ringing-alarm form when
// an alarm is due and every other screen modally, one of each kind at most.
class FormMain : public skinner::Form,
                 public liba::Document<Document, HintNewAlarm>::View,
                 public liba::Timer::Listener {
public:
    static constexpr wchar_t form_name[] = L"FormMain";
    static constexpr wchar_t close_text[] = L"close";
    static constexpr wchar_t run_at_time_text[] = L"AppRunAtTime";
    static constexpr wchar_t run_after_wakeup_text[] = L"AppRunAfterWakeup";
    static constexpr wchar_t silence_sound[] = L"%app_path%/silence.mp3";
    // Wake-ups closer together than this speak the time once.
    static constexpr int64_t say_again_seconds = 5;

    explicit FormMain(skinner::Properties& properties);
    // Deletes the child screens still open.
    ~FormMain() override;

    // Hands the text to this form's window as a later start of the program
    // would; it reaches on_other_instance_started from the message loop.
    void post_command_line(const std::wstring& text);

    // Opens the ringing-alarm form, or refreshes the open one, or defers it
    // while the attention chooser is open.
    void activate_form_event();
    void wake_up_and_say();
    // After a child screen's loop: the deferred ringing form, else the pending file.
    void process_pending();

    // The screens of the menu, each opened only when the rules allow it.
    void new_alarm();
    void new_alarm_at(const liba::TimeStamp& date, int32_t alarm_index, int32_t mode);
    void show_schedule();
    void choose_attention();
    void show_about();

    int32_t on_click(skinner::Control* sender) override;
    int32_t on_menu_command(skinner::Control* sender, const std::wstring& command) override;
    int32_t on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) override;
    int32_t on_key_down(int32_t code) override;
    // The window's close button hides the form; only "close" ends it.
    int32_t can_close() override;
    void on_other_instance_started(const std::wstring& command_line) override;
    void update(const HintNewAlarm& hint) override;
    using Form::on_timer;
    // Shows the model's notices about alarms.ini, each in a message box.
    void on_timer(liba::Timer* timer) override;

    bool is_closing() const { return closing_; }
    bool is_event_deferred() const { return event_deferred_; }
    const std::wstring& pending_file() const { return pending_; }
    FormEvent* event_form() const { return event_; }

protected:
    // The screens opened from here. Each is made in its one place below, on
    // the application skin (the About box on the dialogs skin); null while
    // that screen is not part of the program, and the request then opens nothing.
    virtual skinner::Form* make_editor();
    // Fills the editor, new or already open, for the request with note as the new alarm's note.
    virtual void prepare_editor(skinner::Form& editor, const HintNewAlarm& request, const std::wstring& note);
    virtual skinner::Form* make_schedule();
    virtual skinner::Form* make_attention(const std::wstring& current);
    // The path the chooser's loop ended with; empty when the user chose none.
    virtual std::wstring attention_chosen(skinner::Form& chooser);
    virtual skinner::Form* make_about();

private:
    bool event_blocked() const;
    // The editor, the schedule, the attention chooser and the About box.
    bool screen_blocked() const;
    // Runs the child modally, then deletes it (the slot is empty again).
    static void run_child(skinner::Form*& slot);
    // Every other form first, newest first (their loops nest inside this
    // one's), then this one.
    void close_program();
    void speak_time();
    // A choice of the script, skin or language sub-menu: the file's path relative to folder.
    void apply_file_command(std::wstring_view command, std::wstring_view folder, std::wstring_view relative);

    // The controls belong to the form (it deletes its children).
    skinner::ControlMenuMain* menu_ = nullptr;
    skinner::MenuMainButton* close_item_ = nullptr;
    skinner::MenuMainSubMenu* menu_item_ = nullptr;
    skinner::ControlWatch* watch_ = nullptr;
    skinner::ControlButton* background_ = nullptr;
    skinner::PowerManager power_{this};
    liba::TimeStamp last_spoken_ = liba::TimeStamp::now();
    bool closing_ = false;
    bool event_deferred_ = false;
    std::wstring pending_;
    // The model's notices wait for the loop: the first comes before the form is shown.
    std::vector<Document::Notice> notices_;
    liba::Timer notice_timer_{this};
    // The open child screens, owned while their loops run.
    skinner::Form* editor_ = nullptr;
    skinner::Form* attention_ = nullptr;
    skinner::Form* schedule_ = nullptr;
    skinner::Form* about_ = nullptr;
    FormEvent* event_ = nullptr;
};
