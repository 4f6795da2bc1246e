#pragma once
#include "skinner/controls/ControlFrame.h"
#include "skinner/controls/ControlPanel.h"

// A panel of the alarm editor: its "frameSelection" shows while it has the
// focus, and it can hand the focus to its neighbour panels.
class PanelSelectable : public skinner::ControlPanel {
public:
    PanelSelectable(skinner::Container* parent, std::wstring_view name);
    ~PanelSelectable() override;

    void on_got_focus() override;
    void on_lost_focus() override;

protected:
    // The previous or next panel of the editor takes the focus.
    int32_t focus_panel(bool forward);
    // The previous or next control inside this panel.
    int32_t focus_inside(bool forward);

private:
    skinner::ControlFrame selection_;
};
