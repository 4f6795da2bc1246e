#pragma once
#include "app/PanelFileExplorer.h"
#include "audio/FilePlayer.h"
#include "skinner/Form.h"
#include "skinner/MenuMainControl.h"
#include "skinner/controls/ControlButton.h"

#include <memory>
#include <string>

// The chooser of the attention sound: a list of the device's sound files
// (built on the dialogs skin), a preview played at the settings' volume, and
// Apply or Cancel. run answers the chosen file, empty for none.
class FormAttention : public skinner::Form {
public:
    FormAttention(skinner::Form* parent, skinner::Properties& skin, const std::wstring& path);
    ~FormAttention() override;

    std::wstring run();

    using skinner::Form::on_click;
    using skinner::Form::on_menu_command;
    using skinner::Form::on_selection_changed;
    int32_t on_click(skinner::Control* sender) override;
    // The file list asks for "Ok" when the action key lands on a file.
    int32_t on_menu_command(skinner::Control* sender, const std::wstring& command) override;
    int32_t on_selection_changed(skinner::Control* sender) override;
    int32_t on_key_down(int32_t code) override;

    ControlFiles& get_files() { return list_.get_files(); }
    const std::wstring& get_result() const { return result_; }
    FilePlayer* get_player() const { return player_.get(); }

private:
    void enable_for_selection();
    void apply();
    void play();

    std::wstring result_;
    skinner::ControlMenuMain menu_;
    skinner::ControlButton stop_;
    skinner::ControlButton play_;
    skinner::ControlButton apply_;
    skinner::ControlButton cancel_;
    PanelFileExplorer list_;
    std::unique_ptr<FilePlayer> player_;
};
