#include "app/FormAttention.h"

#include "app/Document.h"

using namespace skinner;

namespace {

constexpr const wchar_t* sound_extensions[] = {L"mp3", L"wav", L"ogg"};

Properties& dialogs_skin() { return Document::instance()->get_dialogs_skin(); }

} // namespace

FormAttention::FormAttention(Form* parent, Properties& skin, const std::wstring& path)
    : Form(parent, &skin, L"FormAttention"),
      result_(path),
      menu_(this, L"menu"),
      stop_(this, L"btnStop"),
      play_(this, L"btnPlay"),
      apply_(this, L"btnApply"),
      cancel_(this, L"btnCancel"),
      list_(this, L"listFiles", &dialogs_skin()) {
    for (const wchar_t* extension : sound_extensions)
        get_files().add_extension(extension);
    get_files().select_path(path, true);
    enable_for_selection();
    list_.take_focus();
    // Escape or Back leaves the chooser as Cancel does; in the list it goes up a folder first.
    set_back_button(&cancel_);
}

FormAttention::~FormAttention() {
    if (player_)
        player_->stop();
    player_.reset();
}

std::wstring FormAttention::run() {
    do_modal();
    return result_;
}

void FormAttention::enable_for_selection() {
    const bool file = get_files().get_selected_kind() == ControlFiles::kind_file;
    apply_.set_enabled(file);
    play_.set_enabled(file);
}

void FormAttention::apply() {
    result_.clear();
    if (get_files().get_selected_kind() == ControlFiles::kind_file)
        result_ = get_files().get_selected_path();
    close();
}

void FormAttention::play() {
    player_.reset();
    if (get_files().get_selected_kind() != ControlFiles::kind_file)
        return;
    player_ = std::make_unique<FilePlayer>(get_files().get_selected_path(),
                                           Document::instance()->get_settings().volume_factor());
    player_->start();
}

int32_t FormAttention::on_click(Control* sender) {
    if (sender == &play_) {
        play();
    } else if (sender == &stop_) {
        if (player_)
            player_->stop();
    } else if (sender == &cancel_) {
        result_.clear();
        close();
    } else if (sender == &apply_ || (sender && sender->get_name() == L"btnOk")) {
        apply();
    } else {
        return Form::on_click(sender);
    }
    return 1;
}

int32_t FormAttention::on_menu_command(Control* sender, const std::wstring& command) {
    if (sender == &get_files() && command == ControlFiles::ok_command) {
        apply();
        return 1;
    }
    return Form::on_menu_command(sender, command);
}

int32_t FormAttention::on_selection_changed(Control* sender) {
    if (sender == &get_files())
        enable_for_selection();
    return Form::on_selection_changed(sender);
}

int32_t FormAttention::on_key_down(int32_t code) {
    switch (code) {
    case key::left:
    case key::right: focus_next(code == key::right); return 1;
    case key::up:
    case key::down:
        if (!list_.is_focused())
            list_.take_focus();
        Form::on_key_down(code);
        list_.take_focus();
        return 1;
    default: return Form::on_key_down(code);
    }
}
