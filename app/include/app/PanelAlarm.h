#pragma once
#include "app/PanelActions.h"
#include "app/PanelAudioControls.h"
#include "app/PanelSubject.h"
#include "app/PanelTime.h"
#include "skinner/controls/ControlPanel.h"

// The editor's four panels, in their focus order: voice note, time,
// subject, actions.
class PanelAlarm : public skinner::ControlPanel {
public:
    explicit PanelAlarm(skinner::Container* parent);
    ~PanelAlarm() override;

    PanelAudioControls& get_audio() { return audio_; }
    PanelTime& get_time() { return time_; }
    PanelSubject& get_subject() { return subject_; }
    PanelActions& get_actions() { return actions_; }

private:
    PanelAudioControls audio_;
    PanelTime time_;
    PanelSubject subject_;
    PanelActions actions_;
};
