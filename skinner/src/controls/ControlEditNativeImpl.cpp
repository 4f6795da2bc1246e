#include "skinner/controls/ControlEditNativeImpl.h"

#include "skinner/Capabilities.h"
#include "skinner/Container.h"
#include "skinner/Form.h"
#include "skinner/controls/ControlEdit.h"
#include "base/Log.h"
#include "plat/CommonControls.h"
#include "plat/Window.h"

#include <cstdint>

namespace skinner {

namespace {

constexpr int32_t start_width = 100;
constexpr int32_t start_height = 30;

std::uintptr_t handle_number(plat::HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

} // namespace

ControlEditNativeImpl::ControlEditNativeImpl(ControlEdit* owner) : ControlEditImpl(false), owner_(owner) {
    FormServices* form = owner->get_parent()->get_form_services();
    form_window_ = form ? form->get_window() : nullptr;
    const plat::HWND window = plat::create_window(
        0, plat::EDIT_CLASS, L"", plat::WS_CHILD | plat::WS_BORDER | plat::WS_TABSTOP | plat::ES_AUTOHSCROLL, 0, 0,
        start_width, start_height, form_window_, 0, nullptr, nullptr);
    edit_hook_.attach(window);
    liba::get_log() << L"ControlEditNativeImpl::ControlEditNativeImpl hwnd=" << handle_number(window)
                    << L" form_hwnd=" << handle_number(form_window_) << L"\n";
    if (form_window_)
        monitor_.attach(form_window_);
}

ControlEditNativeImpl::~ControlEditNativeImpl() {
    monitor_.detach();
    const plat::HWND window = edit_hook_.get_window();
    edit_hook_.detach();
    if (window)
        plat::destroy_window(window);
}

void ControlEditNativeImpl::set_input_mode(const std::wstring& name) {
    if (!is_smartphone())
        return;
    if (name == input_mode_text)
        plat::send_message(get_window(), plat::EM_SETINPUTMODE, 0, plat::EIM_TEXT);
    else if (name == input_mode_numbers)
        plat::send_message(get_window(), plat::EM_SETINPUTMODE, 0, plat::EIM_NUMBERS);
}

void ControlEditNativeImpl::set_text(const std::wstring& text) {
    // Its change notification finds the control's text equal: no second event.
    plat::send_message(get_window(), plat::WM_SETTEXT, 0, reinterpret_cast<plat::LPARAM>(text.c_str()));
}

void ControlEditNativeImpl::focus() {
    if (get_window() && plat::get_focus() != get_window())
        plat::set_focus(get_window());
}

void ControlEditNativeImpl::set_selection(int32_t first, int32_t last) {
    plat::send_message(get_window(), plat::EM_SETSEL, plat::WPARAM(first), plat::LPARAM(last));
}

void ControlEditNativeImpl::set_read_only(bool read_only) {
    plat::send_message(get_window(), plat::EM_SETREADONLY, read_only ? 1 : 0, 0);
}

void ControlEditNativeImpl::set_visible(bool visible) {
    plat::show_window(get_window(), visible ? plat::SW_SHOW : plat::SW_HIDE);
}

void ControlEditNativeImpl::on_got_focus() {
    focus();
    set_selection(0, owner_->get_caret());
}

void ControlEditNativeImpl::on_lost_focus() {
    // Only a focus still on the edit goes back: another window may hold it by now.
    if (form_window_ && plat::get_focus() == get_window()) {
        liba::get_log() << L"FormImpl::set_focus_if_activated\n";
        plat::set_focus(form_window_);
    }
}

void ControlEditNativeImpl::set_rect(plat::POINT position, plat::POINT size) {
    plat::set_window_pos(get_window(), nullptr, position.x, position.y, size.x, size.y,
                         plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
}

void ControlEditNativeImpl::on_set_focus(plat::HWND previous) {
    if (!is_smartphone())
        return;
    liba::get_log() << L"ControlEditNativeImpl::WM_SETFOCUS hwnd=" << handle_number(get_window())
                    << L" old_hwnd=" << handle_number(previous)
                    << L" par=" << handle_number(previous ? plat::get_parent(previous) : nullptr) << L"\n";
    if (previous && (previous == form_window_ || plat::is_child(form_window_, previous))) {
        liba::get_log() << L"ControlEditNativeImpl::WM_SETFOCUS from us\n";
    } else {
        liba::get_log() << L"ControlEditNativeImpl::WM_SETFOCUS from another app\n";
        if (form_window_)
            plat::set_active_window(form_window_);
    }
    owner_->take_focus();
}

void ControlEditNativeImpl::on_kill_focus(plat::HWND next) {
    if (!is_smartphone())
        return;
    liba::get_log() << L"ControlEditNativeImpl::WM_KILLFOCUS hwnd=" << handle_number(get_window())
                    << L" new_hwnd=" << handle_number(next)
                    << L" par=" << handle_number(next ? plat::get_parent(next) : nullptr) << L"\n";
    const bool ours = next && (next == form_window_ || plat::is_child(form_window_, next));
    liba::get_log() << (ours ? L"ControlEditNativeImpl::WM_KILLFOCUS to us\n"
                             : L"ControlEditNativeImpl::WM_KILLFOCUS to another app\n");
}

void ControlEditNativeImpl::on_change() {
    const std::wstring text = plat::get_window_text(get_window());
    if (owner_->take_native_text(text))
        liba::get_log() << L"ControlEditNativeImpl::on_en_change text=" << text << L"\n";
}

plat::LRESULT ControlEditNativeImpl::EditHook::handle_message(uint32_t message, plat::WPARAM wparam,
                                                              plat::LPARAM, bool&) {
    switch (message) {
    case plat::WM_SETFOCUS: impl_->on_set_focus(reinterpret_cast<plat::HWND>(wparam)); break;
    case plat::WM_KILLFOCUS: impl_->on_kill_focus(reinterpret_cast<plat::HWND>(wparam)); break;
    case plat::WM_KEYDOWN:
        if (Form* form = impl_->owner_->get_form())
            form->on_key_down(key_code_from_virtual(uint32_t(wparam)));
        break;
    case plat::WM_KEYUP:
        if (Form* form = impl_->owner_->get_form())
            form->on_key_up(key_code_from_virtual(uint32_t(wparam)));
        break;
    default: break;
    }
    return 0;
}

plat::LRESULT ControlEditNativeImpl::ControlEditParentMonitor::handle_message(uint32_t message, plat::WPARAM wparam,
                                                                             plat::LPARAM lparam, bool& pass_on) {
    if (message == plat::WM_COMMAND && ((wparam >> 16) & 0xFFFF) == plat::EN_CHANGE &&
        reinterpret_cast<plat::HWND>(lparam) == impl_->get_window()) {
        pass_on = false;  // the form's menus have no use for it
        impl_->on_change();
    }
    return 0;
}

} // namespace skinner
