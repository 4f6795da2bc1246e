#include "app/PanelActions.h"

using namespace skinner;

PanelActions::PanelActions(Container* parent)
    : PanelSelectable(parent, L"panelActions"),
      attention_(get_container(), L"btnAttention"),
      time_(get_container(), L"btnTime"),
      pause_(get_container(), L"btnPause") {}

PanelActions::~PanelActions() = default;

int32_t PanelActions::on_key_down(int32_t code) {
    if (code == key::down)
        return pause_.is_focused() ? focus_panel(true) : focus_inside(true);
    if (code == key::up)
        return attention_.is_focused() ? focus_panel(false) : focus_inside(false);
    return PanelSelectable::on_key_down(code);
}

AlarmEvents PanelActions::get_events() const {
    return {attention_.is_checked(), time_.is_checked(), pause_.is_checked()};
}

void PanelActions::set_events(const AlarmEvents& events) {
    attention_.set_checked(events.attention);
    time_.set_checked(events.time);
    pause_.set_checked(events.pause);
}
