#include "skinner/MenuManagerImplSmartphone.h"

#include "skinner/Control.h"
#include "skinner/Form.h"
#include "skinner/MenuCommands.h"
#include "base/Log.h"
#include "plat/Presenter.h"
#include "plat/Text.h"
#include "plat/Window.h"

namespace skinner {
namespace {

constexpr uint32_t back_key_flags = plat::SHMBOF_NODEFAULT | plat::SHMBOF_NOTIFY;
constexpr size_t class_name_chars = 10;
constexpr wchar_t edit_class[] = L"EDIT";
constexpr wchar_t caps_edit_class[] = L"CAPEDIT";

bool focus_is_edit() {
    plat::HWND focus = plat::get_focus();
    if (!focus)
        return false;
    const std::wstring name = plat::get_class_name(focus).substr(0, class_name_chars);
    return plat::equal_no_case(name, edit_class) || plat::equal_no_case(name, caps_edit_class);
}

} // namespace

MenuManagerImplSmartphone::~MenuManagerImplSmartphone() {
    if (info_.bar && plat::is_window(info_.bar))
        plat::destroy_window(info_.bar);
}

bool MenuManagerImplSmartphone::create_bar(Form& form) {
    void* library = plat::load_library_ex(plat::SHELL_RESOURCE_LIBRARY, plat::LOAD_LIBRARY_AS_DATAFILE);
    info_ = plat::MenuBarInfo();
    info_.owner = form.get_window();
    info_.template_id = plat::MENU_BAR_SOFT_KEYS;
    info_.instance = library;
    const bool created = plat::create_menu_bar(info_);
    if (library)
        plat::free_library(library);
    if (!created) {
        info_.bar = nullptr;
        return false;
    }
    plat::menu_bar_set_button_text(info_.bar, plat::SOFT_KEY_LEFT, L"");
    plat::menu_bar_set_button_text(info_.bar, plat::SOFT_KEY_RIGHT, L"");
    plat::override_menu_bar_key(info_.bar, plat::VK_TBACK, back_key_flags, back_key_flags);
    return true;
}

void MenuManagerImplSmartphone::rebuild(Form& form) {
    if (!dirty_)
        return;
    dirty_ = false;
    if (!info_.bar && plat::is_window_visible(form.get_window()))
        create_bar(form);
    if (!info_.bar)
        return;
    const MenuRecord left = MenuManager::action_collection(form, placeholder_left);
    const MenuRecord right = MenuManager::menu_collection(form, placeholder_right);
    plat::menu_bar_set_button_text(info_.bar, plat::SOFT_KEY_LEFT, left.caption);
    plat::menu_bar_set_button_text(info_.bar, plat::SOFT_KEY_RIGHT, right.caption);
    plat::menu_bar_enable_button(info_.bar, plat::SOFT_KEY_LEFT, true);
    plat::menu_bar_enable_button(info_.bar, plat::SOFT_KEY_RIGHT, true);
}

void MenuManagerImplSmartphone::on_command(Form& form, plat::WPARAM wparam, plat::LPARAM) {
    const uint32_t id = uint16_t(wparam);
    if (id != plat::SOFT_KEY_LEFT && id != plat::SOFT_KEY_RIGHT)
        return;
    const bool left = id == plat::SOFT_KEY_LEFT;
    const MenuRecord collection =
        left ? MenuManager::action_collection(form, placeholder) : MenuManager::menu_collection(form, placeholder);
    if (collection.entries.empty()) {
        if (collection.enabled)
            raise_menu_command(collection.owner, collection.command);
        return;
    }
    MenuCommands commands;
    commands.reset(1);  // 0 is no choice
    plat::HMENU menu = plat::create_popup_menu();
    commands.fill_menu(menu, collection.entries);
    const plat::RECT work = Form::work_area();
    plat::POINT at{left ? 0 : work.right - work.left, work.bottom - work.top + 1};
    plat::client_to_screen(form.get_window(), at);
    const uint32_t flags = (left ? plat::TPM_LEFTALIGN : plat::TPM_RIGHTALIGN) | plat::TPM_BOTTOMALIGN |
                           plat::TPM_RETURNCMD;
    const int chosen = plat::track_popup_menu(menu, flags, at.x, at.y, form.get_window());
    plat::destroy_menu(menu);
    if (chosen > 0)
        raise_menu_command(commands.target(size_t(chosen)), commands.command(size_t(chosen)));
}

void MenuManagerImplSmartphone::on_hotkey(Form& form, plat::WPARAM wparam, plat::LPARAM lparam) {
    if (uint32_t(lparam) >> 16 != plat::VK_TBACK)
        return;
    // A focused edit box deletes a character; nothing else hears the key.
    if (focus_is_edit()) {
        plat::send_back_to_focus_window(plat::WM_HOTKEY, wparam, lparam);
        return;
    }
    if (lparam & plat::MOD_KEYUP) {
        form.on_key_up(key::escape);
        form.on_key_up(key::back_space);
        if (want_to_go_back_) {
            want_to_go_back_ = false;
            liba::get_log() << L"SHSendBackToFocusWindow\n";
            plat::navigate_back();
        }
        return;
    }
    const int32_t escape = form.on_key_down(key::escape);
    const int32_t back_space = form.on_key_down(key::back_space);
    if (!escape && !back_space && !form.get_parent_form()) {
        liba::get_log() << L"want_to_go_back = true\n";
        want_to_go_back_ = true;
    }
}

void MenuManagerImplSmartphone::set_visible(Form&, bool visible) {
    if (visible)
        dirty_ = true;
    if (info_.bar)
        plat::show_window(info_.bar, visible ? plat::SW_SHOW : plat::SW_HIDE);
}

} // namespace skinner
