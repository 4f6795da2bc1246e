#include "app/ControlCounter.h"

using namespace skinner;

ControlCounter::ControlCounter(Container* parent, std::wstring_view name, int32_t minimum, int32_t maximum)
    : ControlPanel(parent, name),
      edit_(get_container(), L"editText", minimum, maximum),
      decrease_(get_container(), L"btnDecrease"),
      increase_(get_container(), L"btnIncrease") {
    decrease_.set_wants_focus(false);
    increase_.set_wants_focus(false);
}

ControlCounter::~ControlCounter() = default;

int32_t ControlCounter::on_click(Control* sender) {
    if (sender == &increase_)
        edit_.step(1);
    else if (sender == &decrease_)
        edit_.step(-1);
    else
        return ControlPanel::on_click(sender);
    return 1;
}

int32_t ControlCounter::on_text_changed(Control* sender, const std::wstring& text) {
    return ControlPanel::on_text_changed(sender == &edit_ ? this : sender, text);
}

int32_t ControlCounter::on_key_down(int32_t code) {
    if (code >= key::digit_0 && code <= key::digit_0 + 9) {
        edit_.type_digit(code - key::digit_0);
        return 1;
    }
    if (code == key::left)
        edit_.step(-1);
    else if (code == key::right)
        edit_.step(1);
    return ControlPanel::on_key_down(code);
}

void ControlCounter::on_got_focus() {
    edit_.reset_cursor();
    ControlPanel::on_got_focus();
}
