#include "skinner/MenuManagerImpl.h"

namespace skinner {
namespace {

// Until the shell's bars are built, a form's menu shows nothing and no
// choice ever arrives; dirtiness is kept so that rebuilds stay cheap.
class MenuManagerImplPlain : public MenuManagerImpl {
public:
    void on_command(Form&, plat::WPARAM, plat::LPARAM) override {}
    void on_init_menu_popup(Form&, plat::WPARAM, plat::LPARAM) override {}
    void on_hotkey(Form&, plat::WPARAM, plat::LPARAM) override {}
    void set_dirty() override { dirty_ = true; }
    void rebuild(Form&) override { dirty_ = false; }
    void set_visible(Form&, bool visible) override {
        if (visible)
            dirty_ = true;
    }

private:
    bool dirty_ = false;
};

class MenuManagerImplPocket : public MenuManagerImplPlain {};
class MenuManagerImplSmartphone : public MenuManagerImplPlain {};

} // namespace

std::unique_ptr<MenuManagerImpl> create_menu_manager(bool smartphone, bool /*new_shell*/) {
    if (smartphone)
        return std::make_unique<MenuManagerImplSmartphone>();
    return std::make_unique<MenuManagerImplPocket>();
}

} // namespace skinner
