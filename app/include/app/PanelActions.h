#pragma once
#include "alarm/Alarm.h"
#include "app/PanelSelectable.h"
#include "skinner/controls/ControlCheckBox.h"

// The alarm's three actions as check boxes: attention, time, pause. Down
// past the last one and up past the first leave for the neighbour panels.
class PanelActions : public PanelSelectable {
public:
    explicit PanelActions(skinner::Container* parent);
    ~PanelActions() override;

    int32_t on_key_down(int32_t code) override;
    AlarmEvents get_events() const;
    void set_events(const AlarmEvents& events);

    skinner::ControlCheckBox& get_attention() { return attention_; }
    skinner::ControlCheckBox& get_time() { return time_; }
    skinner::ControlCheckBox& get_pause() { return pause_; }

private:
    skinner::ControlCheckBox attention_;
    skinner::ControlCheckBox time_;
    skinner::ControlCheckBox pause_;
};
