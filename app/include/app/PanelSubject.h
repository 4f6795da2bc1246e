#pragma once
#include "app/PanelSelectable.h"
#include "skinner/controls/ControlEdit.h"

// The alarm's subject: up and down leave for the neighbour panels, every
// other key goes to the edit.
class PanelSubject : public PanelSelectable {
public:
    explicit PanelSubject(skinner::Container* parent);
    ~PanelSubject() override;

    int32_t on_key_down(int32_t code) override;
    skinner::ControlEdit& get_edit() { return edit_; }

private:
    skinner::ControlEdit edit_;
};
