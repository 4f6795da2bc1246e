#pragma once
#include "app/PanelSelectable.h"
#include "audio/FilePlayer.h"
#include "audio/FileRecorder.h"
#include "base/Timer.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlProgress.h"

#include <memory>
#include <string>
#include <vector>

// The alarm's voice note: record, play, stop. Recording never writes into
// a file the editor was given (a user's sound, a note another alarm
// shares): it records into a new generated file, and every file recorded
// here is deleted again unless the editor keeps it.
class PanelAudioControls : public PanelSelectable, public liba::Timer::Listener {
public:
    static constexpr double poll_seconds = 0.5;

    explicit PanelAudioControls(skinner::Container* parent);
    ~PanelAudioControls() override;

    using PanelSelectable::on_click;
    using PanelSelectable::on_timer;
    int32_t on_click(skinner::Control* sender) override;
    int32_t on_key_down(int32_t code) override;
    void on_timer(liba::Timer* timer) override;

    // The note the alarm has now (empty for none); recordings of before are dropped.
    void set_note(const std::wstring& path);
    // Stops everything. The new recording when one was made and plays,
    // otherwise the note as it was given.
    std::wstring get_note();
    // The note that get_note answers stays; the other recordings go.
    void keep(const std::wstring& note);
    // Every file recorded here goes.
    void discard();

    void record();
    void play();
    void stop_all();

    // The file that play and record use now.
    const std::wstring& get_path() const { return path_; }
    const std::vector<std::wstring>& get_recorded() const { return recorded_; }
    bool is_busy() const { return player_ || recorder_; }
    skinner::ControlButton& get_record() { return record_; }
    skinner::ControlButton& get_play() { return play_; }
    skinner::ControlButton& get_stop() { return stop_; }

private:
    void idle();
    void busy();
    bool is_recorded(const std::wstring& path) const;

    skinner::ControlButton record_;
    skinner::ControlButton play_;
    skinner::ControlButton stop_;
    skinner::ControlProgress progress_;
    std::wstring given_;
    std::wstring path_;
    std::vector<std::wstring> recorded_;
    std::unique_ptr<FilePlayer> player_;
    std::unique_ptr<FileRecorder> recorder_;
    liba::Timer timer_{this};
};
