#include "skinner/FormCombo.h"

#include "skinner/FormImpl.h"
#include "base/Log.h"
#include "plat/Input.h"
#include "plat/Window.h"

namespace skinner {
namespace {

std::unique_ptr<FormImpl> drop_down_window(Form& owner, plat::POINT position, plat::POINT size) {
    plat::HWND window = plat::create_window(plat::WS_EX_TOOLWINDOW, plat::STATIC_CLASS, L"", plat::WS_POPUP,
                                            position.x, position.y, size.x, size.y, owner.get_window(), 0, nullptr,
                                            nullptr);
    return std::make_unique<FormImpl>(FormImpl::Existing{}, window, true, true);
}

} // namespace

FormCombo::FormCombo(Form& owner, Properties* properties, std::wstring_view form_name, Listener* listener,
                     plat::POINT screen_position, plat::POINT size)
    : Form(drop_down_window(owner, screen_position, size), properties, form_name, listener) {
    liba::get_log() << L"FormCombo::FormCombo 1\n";
    set_rect({0, 0}, size);
    liba::get_log() << L"FormCombo::FormCombo 2\n";
    plat::set_focus(get_window());
    plat::set_capture(get_window());
    plat::show_window(get_window(), plat::SW_SHOW);
    liba::get_log() << L"FormCombo::FormCombo 3\n";
}

int32_t FormCombo::can_close() {
    liba::get_log() << L"FormCombo::can_close 1\n";
    return 1;
}

} // namespace skinner
