#include "skinner/controls/ControlButtonImpl.h"

#include "skinner/Capabilities.h"
#include "skinner/Container.h"
#include "skinner/Form.h"
#include "skinner/controls/ControlButtonBase.h"
#include "skinner/controls/ControlCheckBox.h"
#include "base/Log.h"
#include "plat/Menu.h"
#include "plat/MessageBox.h"
#include "plat/Window.h"

namespace skinner {

namespace {
constexpr std::wstring_view placement_ok = L"#smartphone_ok#";
constexpr std::wstring_view placement_menu = L"#smartphone_menu#";
// The shell's title bar: a window of this class and title redraws on WM_USER with wParam 4.
constexpr std::wstring_view tray_window = L"tray";
constexpr plat::WPARAM tray_redraw = 4;
} // namespace

plat::HWND ControlButtonImpl::form_window() const {
    FormServices* form = owner_.get_parent()->get_form_services();
    return form ? form->get_window() : nullptr;
}

ControlButtonImplCaptionPocket::ControlButtonImplCaptionPocket(ControlButtonBase& owner)
    : ControlButtonImpl(owner, false, false) {}

void ControlButtonImplCaptionPocket::set_text(const std::wstring& text) { show_title(text); }

void ControlButtonImplCaptionPocket::show_title(const std::wstring& text) {
    if (plat::HWND window = form_window())
        plat::set_window_text(window, text);
}

ControlButtonImplCaptionSmartphone::ControlButtonImplCaptionSmartphone(ControlButtonBase& owner)
    : ControlButtonImplCaptionPocket(owner) {}

void ControlButtonImplCaptionSmartphone::show_title(const std::wstring& text) {
    plat::HWND window = form_window();
    liba::get_log() << L"Setting gext of hwnd=" << reinterpret_cast<std::uintptr_t>(window) << L" to {" << text
                    << L"\n";
    ControlButtonImplCaptionPocket::show_title(text);
    if (plat::HWND tray = plat::find_window(tray_window, tray_window))
        plat::post_message(tray, plat::WM_USER, tray_redraw, 0);
}

void ControlButtonImplClosePocket::on_press(plat::POINT) {
    liba::get_log() << L"ControlButtonImplClosePocket WM_CLOSE sent\n";
    if (plat::HWND window = form_window())
        plat::post_message(window, plat::WM_CLOSE, 0, 0);
}

ControlButtonImplMenu::ControlButtonImplMenu(ControlButtonBase& owner, std::wstring_view placement, bool draws,
                                             bool may_focus)
    : ControlButtonImpl(owner, draws, may_focus), placement_(placement) {
    if (owner.is_own_visible())
        list(true);
}

ControlButtonImplMenu::~ControlButtonImplMenu() { list(false); }

// Listing marks the form's menu dirty.
void ControlButtonImplMenu::list(bool listed) {
    if (listed == listed_)
        return;
    listed_ = listed;
    Form* form = owner().get_form();
    if (!form)
        return;
    if (listed)
        MenuManager::insert_item(*form, this);
    else
        MenuManager::remove_item(*form, this);
}

void ControlButtonImplMenu::fill_record(MenuRecord& record) {
    ControlButtonBase& button = owner();
    record.command = button.get_name();
    record.caption = button.get_text();
    record.enabled = button.is_enabled();
    record.checked = is_checked();
    record.owner = &button;
}

void ControlButtonImplMenu::mark_menu_dirty() const {
    if (Form* form = owner().get_form())
        form->mark_menu_dirty();
}

int32_t ControlButtonImplMenu::get_priority() { return owner().get_z_order() + priority_offset; }

void ControlButtonImplMenu::set_text(const std::wstring&) { mark_menu_dirty(); }
void ControlButtonImplMenu::on_visible_changed(bool visible) { list(visible); }
void ControlButtonImplMenu::on_enabled_changed(bool) { mark_menu_dirty(); }

ControlButtonCloseSmartphone::ControlButtonCloseSmartphone(ControlButtonBase& owner)
    : ControlButtonImplMenu(owner, L"", false, false) {}

void ControlButtonCloseSmartphone::on_press(plat::POINT) {
    liba::get_log() << L"ControlButtonCloseSmartphone WM_CLOSE sent\n";
    if (plat::HWND window = form_window())
        plat::post_message(window, plat::WM_CLOSE, 0, 0);
}

TitleOkWatch::TitleOkWatch(ControlButtonBase& owner, plat::HWND window) : owner_(owner) {
    attach(window);
    plat::sh_done_button(window, plat::SHDB_SHOW);
}

TitleOkWatch::~TitleOkWatch() {
    if (plat::is_window(get_window()))
        plat::sh_done_button(get_window(), plat::SHDB_HIDE);
}

plat::LRESULT TitleOkWatch::handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM, bool&) {
    if (message == plat::WM_COMMAND && (wparam & 0xFFFF) == plat::WPARAM(plat::IDOK))
        owner_.click();
    return 0;
}

namespace {
std::unique_ptr<TitleOkWatch> watch_title_ok(ControlButtonBase& owner, plat::HWND window) {
    return window ? std::make_unique<TitleOkWatch>(owner, window) : nullptr;
}
} // namespace

ControlButtonImplOKPocket::ControlButtonImplOKPocket(ControlButtonBase& owner, bool draws, bool may_focus)
    : ControlButtonImpl(owner, draws, may_focus), watch_(watch_title_ok(owner, form_window())) {}

ControlButtonImplMenu5PocketOK::ControlButtonImplMenu5PocketOK(ControlButtonBase& owner, bool draws, bool may_focus)
    : ControlButtonImplMenu(owner, placement_ok, draws, may_focus), watch_(watch_title_ok(owner, form_window())) {}

ControlCheckBoxImplMenuSmartphone::ControlCheckBoxImplMenuSmartphone(ControlCheckBox& owner)
    : ControlButtonImplMenu(owner, L"", false, false), check_box_(owner) {}

void ControlCheckBoxImplMenuSmartphone::on_check_changed() { mark_menu_dirty(); }

bool ControlCheckBoxImplMenuSmartphone::is_checked() const { return check_box_.is_checked(); }

ButtonShell current_button_shell() {
    if (is_smartphone())
        return ButtonShell::smartphone;
    return is_pocket_pc_new_os() ? ButtonShell::pocket_new : ButtonShell::pocket_old;
}

ButtonImplChoice choose_button_impl(int32_t action, ButtonShell shell, bool named, bool wants_focus) {
    using K = ButtonImplKind;
    namespace a = button_action;
    const bool phone = shell == ButtonShell::smartphone;
    const ButtonImplChoice plain_drawn{K::plain, true, true, L""};
    const ButtonImplChoice plain_hidden{K::plain, false, false, L""};
    if (action == a::nothing) {
        if (!phone)
            return plain_drawn;
        if (named && wants_focus)
            return {K::menu_smartphone, false, false, L""};
        return {K::plain, true, false, L""};
    }
    if (action == a::caption)
        return {phone ? K::caption_smartphone : K::caption_pocket, false, false, L""};
    if (action >= a::border_first && action <= a::border_last)
        return plain_hidden;
    if (action == a::close)
        return phone ? ButtonImplChoice{K::close_smartphone, false, false, L""}
                     : ButtonImplChoice{K::close_pocket, true, true, L""};
    if (action == a::minimize || action == a::maximize)
        return phone ? plain_hidden : plain_drawn;
    // Nothing fits the system menu on any shell; it neither draws nor takes focus.
    if (action == a::sysmenu)
        return plain_hidden;
    if (action == a::ok) {
        if (phone)
            return {K::menu_smartphone, false, false, placement_ok};
        return {shell == ButtonShell::pocket_new ? K::menu5_pocket_ok : K::ok_pocket, false, false,
                shell == ButtonShell::pocket_new ? placement_ok : L""};
    }
    if (action == a::cancel) {
        if (phone)
            return {K::menu_smartphone, false, false, placement_menu};
        if (shell == ButtonShell::pocket_new)
            return {K::menu5_pocket, true, true, placement_menu};
        return plain_drawn;
    }
    if (action == a::yes) {
        if (phone)
            return {K::menu_smartphone, false, false, placement_ok};
        if (shell == ButtonShell::pocket_new)
            return {K::menu5_pocket_ok, true, true, placement_ok};
        return {K::ok_pocket, true, true, L""};
    }
    return plain_drawn;
}

std::unique_ptr<ControlButtonImpl> create_button_impl(ControlButtonBase& button) {
    const ButtonImplChoice choice = choose_button_impl(button.get_action(), current_button_shell(),
                                                       button.get_creation_mode() == creation_named,
                                                       button.own_wants_focus());
    using K = ButtonImplKind;
    switch (choice.kind) {
    case K::caption_pocket: {
        auto impl = std::make_unique<ControlButtonImplCaptionPocket>(button);
        impl->set_text(button.get_text());
        return impl;
    }
    case K::caption_smartphone: {
        auto impl = std::make_unique<ControlButtonImplCaptionSmartphone>(button);
        impl->set_text(button.get_text());
        return impl;
    }
    case K::close_pocket: return std::make_unique<ControlButtonImplClosePocket>(button, choice.draws, choice.may_focus);
    case K::menu_smartphone:
        return std::make_unique<ControlButtonImplMenuSmartphone>(button, choice.placement, choice.draws,
                                                                 choice.may_focus);
    case K::menu5_pocket:
        return std::make_unique<ControlButtonImplMenu5Pocket>(button, choice.placement, choice.draws,
                                                              choice.may_focus);
    case K::close_smartphone: return std::make_unique<ControlButtonCloseSmartphone>(button);
    case K::ok_pocket: return std::make_unique<ControlButtonImplOKPocket>(button, choice.draws, choice.may_focus);
    case K::menu5_pocket_ok:
        return std::make_unique<ControlButtonImplMenu5PocketOK>(button, choice.draws, choice.may_focus);
    case K::plain: break;
    }
    return std::make_unique<ControlButtonImpl>(button, choice.draws, choice.may_focus);
}

} // namespace skinner
