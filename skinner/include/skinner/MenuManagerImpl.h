#pragma once
#include "skinner/MenuManager.h"
#include "plat/Messages.h"

#include <memory>
#include <vector>

namespace skinner {

class Form;

// The per-form half of the menu bar that talks to the shell: it builds the
// bar from the form's menu items and turns the user's choice back into the
// form's on_menu_command. Slots in this order. It also holds the form's
// item list, which lives exactly as long as the form's window object.
class MenuManagerImpl {
public:
    virtual ~MenuManagerImpl() = default;
    virtual void on_command(Form& form, plat::WPARAM wparam, plat::LPARAM lparam) = 0;
    // menu is the popup menu handle as WM_INITMENUPOPUP carries it.
    virtual void on_init_menu_popup(Form& form, plat::WPARAM menu, plat::LPARAM lparam) = 0;
    virtual void on_hotkey(Form& form, plat::WPARAM wparam, plat::LPARAM lparam) = 0;
    virtual void set_dirty() = 0;
    // Rebuilds the bar when it is dirty.
    virtual void rebuild(Form& form) = 0;
    virtual void set_visible(Form& form, bool visible) = 0;

    std::vector<MenuManager::Item*>& items() { return items_; }

private:
    std::vector<MenuManager::Item*> items_;
};

// The manager of the device: the soft-key bar on a smartphone, the menu bar
// on a Pocket PC (new_shell: the shell with two soft buttons).
std::unique_ptr<MenuManagerImpl> create_menu_manager(bool smartphone, bool new_shell);

} // namespace skinner
