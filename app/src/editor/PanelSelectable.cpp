#include "app/PanelSelectable.h"

#include "skinner/Container.h"

PanelSelectable::PanelSelectable(skinner::Container* parent, std::wstring_view name)
    : ControlPanel(parent, name), selection_(get_container(), L"frameSelection") {
    selection_.set_visible(false);
}

PanelSelectable::~PanelSelectable() = default;

void PanelSelectable::on_got_focus() {
    selection_.set_visible(true);
    ControlPanel::on_got_focus();
}

void PanelSelectable::on_lost_focus() {
    selection_.set_visible(false);
    ControlPanel::on_lost_focus();
}

int32_t PanelSelectable::focus_panel(bool forward) {
    get_parent()->focus_next(forward);
    return 1;
}

int32_t PanelSelectable::focus_inside(bool forward) {
    get_container()->focus_next(forward);
    return 1;
}
