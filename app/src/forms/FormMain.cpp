#include "app/FormMain.h"

#include "app/FormAbout.h"
#include "app/FormAlarm.h"
#include "app/FormAttention.h"
#include "app/FormEvent.h"
#include "app/FormSchedule.h"
#include "app/SkinChoice.h"
#include "base/Finder.h"
#include "base/Log.h"
#include "base/Path.h"
#include "skinner/Capabilities.h"
#include "skinner/FormImpl.h"
#include "skinner/MenuMainControl.h"
#include "skinner/MenuMainSubMenu.h"
#include "skinner/MenuRecord.h"
#include "skinner/Properties.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlWatch.h"
#include "plat/Text.h"
#include "plat/Window.h"

#include <array>
#include <utility>

namespace {

struct VolumeChoice {
    const wchar_t* command;
    const wchar_t* setting;
};
constexpr std::array<VolumeChoice, 3> volume_choices{{
    {L"mitVolumeLow", L"VolumeLow"},
    {L"mitVolumeMedium", L"VolumeMedium"},
    {L"mitVolumeHi", L"VolumeHi"},
}};

// The file sub-menus: the command is the prefix of each entry's command, which
// goes on with the file's path relative to the folder.
struct FileMenu {
    const wchar_t* command;
    const wchar_t* folder;
    const wchar_t* mask;
    bool subfolders;
};
constexpr FileMenu script_menu{L"mitScript", L"%app_path%/data/", L"*.script", true};
constexpr FileMenu skin_menu{L"mitSkin", L"%app_path%/skin/", L"*.skin", true};
// Language files live in the program's folder itself: the settings look there only.
constexpr FileMenu language_menu{L"mitLanguage", L"%app_path%/", L"*.lng", false};
constexpr std::array<FileMenu, 3> file_menus{script_menu, skin_menu, language_menu};

constexpr wchar_t close_command[] = L"Close";
constexpr wchar_t menu_command[] = L"Menu";
constexpr wchar_t pronounce_command[] = L"mitPronounce";
constexpr wchar_t about_command[] = L"About";
constexpr int32_t close_priority = 1;
constexpr int32_t menu_priority = 2;

Document& document() { return *Document::instance(); }
Settings& settings() { return document().get_settings(); }

// A notice about alarms.ini in the program's language; %file% is the name it was kept under.
std::wstring notice_text(const Document::Notice& notice, const skinner::Properties& texts) {
    static constexpr std::wstring_view file_marker = L"%file%";
    switch (notice.kind) {
    case Document::Notice::kept_aside: {
        std::wstring text = texts.translate(L"message_alarms_kept_text");
        if (const size_t at = text.find(file_marker); at != std::wstring::npos)
            text.replace(at, file_marker.size(), notice.file);
        return text;
    }
    case Document::Notice::unsaved: return texts.translate(L"message_alarms_unsaved_text");
    case Document::Notice::save_failed: return texts.translate(L"message_alarms_save_failed_text");
    }
    return {};
}

// A sub-menu of the files in the folder, the one in use checked; only when
// there is a choice, more than one file.
void add_file_menu(skinner::MenuRecord& menu, const FileMenu& kind, const std::wstring& current,
                   const skinner::Properties& texts) {
    os::FinderCollector found;
    os::Finder::find(found, kind.folder, kind.mask, L"*", kind.subfolders);
    if (found.files.size() < 2)
        return;
    skinner::MenuRecord files(kind.command, texts.translate(kind.command));
    for (const std::wstring& file : found.files) {
        skinner::MenuRecord item(kind.command + liba::relative_path(kind.folder, file), liba::base_name_part(file));
        item.checked = liba::paths_equal(file, current);
        files.entries.append(item);
    }
    menu.entries.append(files);
}

} // namespace

FormMain::FormMain(skinner::Properties& properties) : Form(nullptr, &properties, form_name) {
    menu_ = new skinner::ControlMenuMain(this, L"menu", skinner::creation_named);
    close_item_ = new skinner::MenuMainButton(this, close_command, close_command, close_priority,
                                              skinner::MenuManager::place_ok);
    menu_item_ = new skinner::MenuMainSubMenu(this, menu_command, menu_command, menu_priority,
                                              skinner::MenuManager::place_menu);
    watch_ = new skinner::ControlWatch(this, L"frmWatch");
    background_ = new skinner::ControlButton(this, L"btnBackground");
    document().set_notice_listener([this](const Document::Notice& notice) {
        notices_.push_back(notice);
        notice_timer_.start(0);
    });
}

FormMain::~FormMain() {
    document().set_notice_listener({});
    delete event_;
    delete schedule_;
    delete attention_;
    delete editor_;
    delete about_;
}

void FormMain::post_command_line(const std::wstring& text) {
    const std::string bytes = plat::to_utf16le(text);
    plat::COPYDATASTRUCT data;
    data.cbData = uint32_t(bytes.size());
    data.lpData = bytes.data();
    plat::send_message(get_window(), plat::WM_COPYDATA, 0, reinterpret_cast<plat::LPARAM>(&data));
}

// Opening rules: the ringing form waits only for the attention chooser (it may
// open over the editor or the schedule); the editor and the other screens also
// wait for the ringing form. Once the program is closing nothing opens.
bool FormMain::event_blocked() const { return closing_ || attention_; }
bool FormMain::screen_blocked() const { return closing_ || attention_ || event_; }

void FormMain::run_child(skinner::Form*& slot) {
    slot->do_modal();
    delete slot;
    slot = nullptr;
}

void FormMain::process_pending() {
    if (closing_)
        return;
    if (event_deferred_)
        activate_form_event();
    else if (!pending_.empty())
        new_alarm();
}

void FormMain::activate_form_event() {
    liba::get_log() << L"FormMain::activate_form_event 0\n";
    if (event_blocked() || (event_ && event_->is_finished())) {
        // A form that already closed itself cannot show a new alarm: the next one opens after it.
        liba::get_log() << L"FormMain::activate_form_event 1\n";
        event_deferred_ = true;
    } else if (event_) {
        liba::get_log() << L"FormMain::activate_form_event 2\n";
        event_->refresh();
        event_deferred_ = false;
    } else {
        liba::get_log() << L"FormMain::activate_form_event 3\n";
        event_ = new FormEvent(*get_properties());
        if (!event_->is_finished())
            event_->do_modal();
        delete event_;
        event_ = nullptr;
        event_deferred_ = false;
        process_pending();
    }
    liba::get_log() << L"FormMain::activate_form_event 4\n";
}

void FormMain::on_other_instance_started(const std::wstring& command_line) {
    liba::get_log() << L"FormMain::on_other_instance_started ='" << command_line << L"' "
                    << liba::TimeStamp::now().to_text() << L"\n";
    Form::on_other_instance_started(command_line);
    if (command_line == close_text) {
        close_program();
        return;
    }
    if (command_line == run_at_time_text) {
        liba::get_log() << L"in FormMain 'AppRunAtTime' 0 \n";
        if (document().get_queue().has_missed_alarm() == -1) {
            liba::get_log() << L"in FormMain 'AppRunAtTime' 2\n";
        } else {
            liba::get_log() << L"in FormMain 'AppRunAtTime' 1\n";
            show(true);
            activate_form_event();
        }
        liba::get_log() << L"in FormMain 'AppRunAtTime' 3\n";
        return;
    }
    show(true);
    if (command_line == run_after_wakeup_text) {
        if (!power_.is_display_on()) {
            liba::get_log() << L"AppRunAfterWakeup display off\n";
            return;
        }
        liba::get_log() << L"AppRunAfterWakeup display on\n";
        if (document().get_queue().has_missed_alarm() != -1)
            activate_form_event();
        else
            wake_up_and_say();
    } else if (!command_line.empty()) {
        // A file handed over becomes the new alarm's note, now or once the screen in the way closes.
        pending_ = command_line;
        new_alarm();
    }
}

void FormMain::close_program() {
    closing_ = true;
    if (event_)
        event_->set_program_closing();
    const std::vector<skinner::Form*> forms = all_forms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
        if (*it != this)
            plat::post_message((*it)->get_window(), skinner::form_message::close, 0, 0);
    close();
    // A loop that no form's close ends (a popup menu being tracked) ends on the
    // quit request, which comes only once the closes above are handled.
    plat::post_quit_message(0);
}

int32_t FormMain::can_close() {
    if (closing_)
        return 1;
    show(false);
    return 0;
}

void FormMain::wake_up_and_say() {
    // A ringing alarm has the sound to itself.
    if (!settings().get_pronounce() || event_)
        return;
    const liba::TimeStamp now = liba::TimeStamp::now();
    liba::get_log() << L"FormMain::wake_up_and_say date_now = '" << now.to_text() << L"'\n";
    const int64_t seconds = now.seconds_since(last_spoken_);
    liba::get_log() << L"FormMain::wake_up_and_say seconds = '" << long(seconds) << L"'\n";
    if (seconds > say_again_seconds) {
        liba::get_log() << L"FormMain::wake_up_and_say SAY\n";
        AudioPlayerQueue& player = document().get_player();
        player.stop();
        player.set_volume(settings().volume_factor());
        player.play(silence_sound);
        if (SpeechScript* script = document().get_script())
            script->compose(now.hour(), now.minute());
    }
    last_spoken_ = now;
}

void FormMain::speak_time() {
    AudioPlayerQueue& player = document().get_player();
    player.set_volume(settings().volume_factor());
    player.stop();
    const liba::TimeStamp now = liba::TimeStamp::now();
    if (SpeechScript* script = document().get_script())
        script->compose(now.hour(), now.minute());
}

void FormMain::new_alarm() { new_alarm_at(liba::TimeStamp::now(), -1, 0); }

void FormMain::new_alarm_at(const liba::TimeStamp& date, int32_t alarm_index, int32_t mode) {
    if (screen_blocked())
        return;
    const HintNewAlarm request{date, alarm_index, mode};
    if (editor_) {
        prepare_editor(*editor_, request, pending_);
        pending_.clear();
        return;
    }
    editor_ = make_editor();
    if (editor_) {
        prepare_editor(*editor_, request, pending_);
        run_child(editor_);
    }
    pending_.clear();
    process_pending();
}

void FormMain::show_schedule() {
    if (screen_blocked() || schedule_)
        return;
    schedule_ = make_schedule();
    if (schedule_)
        run_child(schedule_);
    process_pending();
}

void FormMain::choose_attention() {
    if (screen_blocked())
        return;
    attention_ = make_attention(settings().get_attention());
    if (attention_) {
        attention_->do_modal();
        const std::wstring chosen = attention_chosen(*attention_);
        if (!chosen.empty())
            settings().set_attention(chosen);
        delete attention_;
        attention_ = nullptr;
    }
    process_pending();
}

void FormMain::show_about() {
    if (screen_blocked() || about_)
        return;
    about_ = make_about();
    if (about_)
        run_child(about_);
    process_pending();
}

void FormMain::on_timer(liba::Timer*) {
    const skinner::Properties& texts = *get_properties();
    for (const Document::Notice& notice : std::exchange(notices_, {}))
        message_box(texts.translate(L"message_alarms_title"), notice_text(notice, texts));
}

void FormMain::update(const HintNewAlarm& hint) { new_alarm_at(hint.date, hint.alarm_index, hint.mode); }

// The alarm editor's place: FormAlarm on the application skin.
skinner::Form* FormMain::make_editor() { return new FormAlarm(this, *get_properties()); }

// The editor takes a new alarm at request.date (index -1), or the indexed
// alarm to edit (mode 1) or to copy (mode 0); a new alarm gets note as its note.
void FormMain::prepare_editor(skinner::Form& form, const HintNewAlarm& request, const std::wstring& note) {
    FormAlarm& editor = static_cast<FormAlarm&>(form);
    if (request.alarm_index < 0)
        editor.set_new_alarm(request.date, note);
    else
        editor.set_alarm(request.date, request.alarm_index, request.mode == 1);
}

// The schedule's place: FormSchedule on the application skin.
skinner::Form* FormMain::make_schedule() { return new FormSchedule(this, *get_properties()); }

// The attention chooser's place: FormAttention on the application skin, starting at current.
skinner::Form* FormMain::make_attention(const std::wstring& current) {
    return new FormAttention(this, *get_properties(), current);
}

// The chooser's chosen path.
std::wstring FormMain::attention_chosen(skinner::Form& chooser) {
    return static_cast<FormAttention&>(chooser).get_result();
}

// The About box's place: dialogs::FormAbout on the Document's dialogs skin,
// given "About" and Document::app_title().
skinner::Form* FormMain::make_about() {
    return new dialogs::FormAbout(this, document().get_dialogs_skin(), L"About", Document::app_title());
}

int32_t FormMain::on_click(skinner::Control* sender) {
    if (sender == background_) {
        speak_time();
        return 1;
    }
    return Form::on_click(sender);
}

int32_t FormMain::on_key_down(int32_t code) {
    if (code == skinner::key::action) {
        speak_time();
        return 1;
    }
    return Form::on_key_down(code);
}

int32_t FormMain::on_menu_command(skinner::Control* sender, const std::wstring& command) {
    if (command == skinner::screen_resolution_command) {
        const plat::POINT screen = skinner::get_screen_size();
        skin_choice::load_app_skin(*get_properties(), settings(), screen);
        document().get_dialogs_skin().load_skin(skin_choice::dialogs_skin, screen);
        return 1;
    }
    if (command == close_command) {
        show(false);
        return 1;
    }
    if (command == pronounce_command) {
        settings().set_pronounce(!settings().get_pronounce());
        return 1;
    }
    for (const VolumeChoice& choice : volume_choices)
        if (command == choice.command) {
            settings().set_volume(choice.setting);
            return 1;
        }
    if (command == L"mitNewAlarm") {
        new_alarm();
        return 1;
    }
    if (command == L"mitAlarms") {
        show_schedule();
        return 1;
    }
    if (command == L"mitAttention") {
        choose_attention();
        return 1;
    }
    if (command == about_command) {
        show_about();
        return 1;
    }
    for (const FileMenu& menu : file_menus) {
        const std::wstring_view prefix = menu.command;
        if (command.size() > prefix.size() && command.starts_with(prefix)) {
            apply_file_command(prefix, menu.folder, std::wstring_view(command).substr(prefix.size()));
            return 1;
        }
    }
    return Form::on_menu_command(sender, command);
}

void FormMain::apply_file_command(std::wstring_view command, std::wstring_view folder, std::wstring_view relative) {
    const std::wstring path = liba::join_path(folder, relative);
    Settings& choices = settings();
    if (command == script_menu.command) {
        choices.set_script(path);
        document().load_script();
    } else if (command == skin_menu.command) {
        // Stored only once it shows: a skin that cannot be shown would stop every later start.
        const plat::POINT screen = skinner::get_screen_size();
        if (!skin_choice::fits(path, screen)) {
            liba::get_log() << L"FormMain: skin {" << path << L"} does not load for this screen\n";
            return;
        }
        get_properties()->load_skin(path, screen);
        choices.set_skin(path);
    } else if (command == language_menu.command) {
        if (!get_properties()->load_language(path)) {
            liba::get_log() << L"FormMain: language {" << path << L"} does not load\n";
            return;
        }
        document().get_dialogs_skin().load_language(path);
        choices.set_language(path);
    }
}

int32_t FormMain::on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) {
    if (sender != menu_item_)
        return Form::on_create_menu(sender, menu);
    skinner::Properties& texts = *get_properties();
    const auto entry = [&](std::wstring_view command) { return skinner::MenuRecord(command, texts.translate(command)); };
    const Settings& choices = settings();

    menu.entries.append(entry(L"mitNewAlarm"));
    menu.entries.append(entry(L"mitAlarms"));
    skinner::MenuRecord volume = entry(L"mitVolume");
    for (const VolumeChoice& choice : volume_choices) {
        skinner::MenuRecord item = entry(choice.command);
        item.checked = choices.get_volume() == choice.setting;
        volume.entries.append(item);
    }
    menu.entries.append(volume);
    menu.entries.append(entry(L"mitAttention"));
    if (!skinner::is_smartphone()) {
        skinner::MenuRecord pronounce = entry(pronounce_command);
        pronounce.checked = choices.get_pronounce();
        menu.entries.append(pronounce);
    }
    menu.entries.mark_last();

    add_file_menu(menu, script_menu, choices.get_script(), texts);
    add_file_menu(menu, skin_menu, choices.get_skin(), texts);
    add_file_menu(menu, language_menu, choices.get_language(), texts);
    menu.entries.mark_last();

    menu.entries.append(entry(about_command));
    menu.entries.mark_last();
    return 1;
}
