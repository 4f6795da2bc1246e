#include "skinner/controls/ControlTabElement.h"

#include "skinner/controls/ControlTabBase.h"

namespace skinner {

ControlTabElement::ControlTabElement(ControlTabBase& tab, std::wstring_view name_or_kind, int creation_mode,
                                     Properties* properties)
    : ControlPanel(tab.get_container(), name_or_kind, creation_mode, properties), tab_(tab) {
    caption_ = get_string_property(L"Text", L"");
    tab_.register_page(this);
}

ControlTabElement::~ControlTabElement() { tab_.unregister_page(this); }

void ControlTabElement::on_visible_changed(bool visible) {
    ControlPanel::on_visible_changed(visible);
    if (visible)
        tab_.on_page_shown(this);
}

int32_t ControlTabElement::on_key_down(int32_t code) {
    if (const int32_t used = ControlPanel::on_key_down(code))
        return used;
    switch (code) {
    case key::left: tab_.previous_page(); return 1;
    case key::right: tab_.next_page(); return 1;
    default: return 0;
    }
}

void ControlTabElement::load_skin() {
    ControlPanel::load_skin();
    caption_ = get_string_property(L"Text", L"");
}

} // namespace skinner
