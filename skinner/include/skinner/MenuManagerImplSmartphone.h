#pragma once
#include "skinner/MenuManagerImpl.h"
#include "plat/Menu.h"

namespace skinner {

// The smartphone's two soft keys: the left one carries the action
// collection, the right one the menu collection; a key that stands for
// several entries opens a popup menu. It also takes the Back key, which
// serves the form first, then a focused edit box, and only then the shell.
class MenuManagerImplSmartphone : public MenuManagerImpl {
public:
    static constexpr wchar_t placeholder_left[] = L"#FakeIdSoft1#";
    static constexpr wchar_t placeholder_right[] = L"#FakeIdSoft2#";
    static constexpr wchar_t placeholder[] = L"#FakeId#";

    ~MenuManagerImplSmartphone() override;

    void on_command(Form& form, plat::WPARAM wparam, plat::LPARAM lparam) override;
    void on_init_menu_popup(Form&, plat::WPARAM, plat::LPARAM) override {}
    void on_hotkey(Form& form, plat::WPARAM wparam, plat::LPARAM lparam) override;
    void set_dirty() override { dirty_ = true; }
    void rebuild(Form& form) override;
    void set_visible(Form& form, bool visible) override;

    plat::HWND bar() const { return info_.bar; }

private:
    bool create_bar(Form& form);

    plat::MenuBarInfo info_;
    bool dirty_ = false;
    bool want_to_go_back_ = false;
};

} // namespace skinner
