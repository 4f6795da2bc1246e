#include "app/PanelSubject.h"

using namespace skinner;

PanelSubject::PanelSubject(Container* parent) : PanelSelectable(parent, L"panelSubject"), edit_(get_container(), L"editSubject") {}

PanelSubject::~PanelSubject() = default;

int32_t PanelSubject::on_key_down(int32_t code) {
    if (code == key::up || code == key::down)
        return focus_panel(code == key::down);
    return PanelSelectable::on_key_down(code);
}
