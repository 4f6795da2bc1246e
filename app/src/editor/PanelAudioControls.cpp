#include "app/PanelAudioControls.h"

#include "app/Document.h"
#include "base/Path.h"
#include "plat/Files.h"

#include <algorithm>

using namespace skinner;

PanelAudioControls::PanelAudioControls(Container* parent)
    : PanelSelectable(parent, L"panelAudioControls"),
      record_(get_container(), L"btnRecord"),
      play_(get_container(), L"btnPlay"),
      stop_(get_container(), L"btnStop"),
      progress_(get_container(), L"progress") {
    progress_.set_visible(false);
    idle();
}

PanelAudioControls::~PanelAudioControls() {
    stop_all();
    discard();
}

bool PanelAudioControls::is_recorded(const std::wstring& path) const {
    return std::any_of(recorded_.begin(), recorded_.end(),
                       [&](const std::wstring& file) { return liba::paths_equal(file, path); });
}

void PanelAudioControls::set_note(const std::wstring& path) {
    stop_all();
    discard();
    given_ = path;
    path_ = path;
    progress_.set_visible(false);
    idle();
}

std::wstring PanelAudioControls::get_note() {
    stop_all();
    if (is_recorded(path_) && play_.is_own_enabled())
        return path_;
    return given_;
}

void PanelAudioControls::keep(const std::wstring& note) {
    std::erase_if(recorded_, [&](const std::wstring& file) { return liba::paths_equal(file, note); });
    discard();
}

void PanelAudioControls::discard() {
    // A recorder still writing would keep the file open.
    recorder_.reset();
    for (const std::wstring& file : recorded_)
        plat::delete_file(liba::expand_path_macros(file));
    recorded_.clear();
}

void PanelAudioControls::record() {
    stop_all();
    // Only a file of this editor's own making is recorded over.
    if (!is_recorded(path_)) {
        path_ = Document::new_note_path(liba::TimeStamp::now());
        recorded_.push_back(path_);
    }
    recorder_ = std::make_unique<FileRecorder>(path_);
    recorder_->start();
    busy();
}

void PanelAudioControls::play() {
    stop_all();
    player_ = std::make_unique<FilePlayer>(path_, 0.0);
    player_->start();
    busy();
    timer_.start(poll_seconds);
}

void PanelAudioControls::stop_all() {
    timer_.stop();
    if (player_) {
        player_->stop();
        player_.reset();
    }
    if (recorder_) {
        recorder_->stop();
        recorder_.reset();
    }
    idle();
}

void PanelAudioControls::idle() {
    bool playable = false;
    if (!path_.empty()) {
        FilePlayer probe(path_, 0.0);
        playable = probe.is_open();
    }
    play_.set_enabled(playable);
    record_.set_enabled(true);
    stop_.set_enabled(false);
    if (get_container()->is_active())
        (playable ? play_ : record_).take_focus();
}

void PanelAudioControls::busy() {
    play_.set_enabled(false);
    record_.set_enabled(false);
    stop_.set_enabled(true);
    if (get_container()->is_active())
        stop_.take_focus();
}

void PanelAudioControls::on_timer(liba::Timer*) {
    if (!player_)
        return;
    if (player_->is_playing()) {
        timer_.start(poll_seconds);
        return;
    }
    stop_all();
}

int32_t PanelAudioControls::on_click(Control* sender) {
    if (sender == &record_)
        record();
    else if (sender == &play_)
        play();
    else if (sender == &stop_)
        stop_all();
    else
        return PanelSelectable::on_click(sender);
    return 1;
}

int32_t PanelAudioControls::on_key_down(int32_t code) {
    switch (code) {
    case key::left:
    case key::right: return focus_inside(code == key::right);
    case key::up:
    case key::down: return focus_panel(code == key::down);
    default: return PanelSelectable::on_key_down(code);
    }
}
