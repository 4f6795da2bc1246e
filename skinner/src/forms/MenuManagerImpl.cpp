#include "skinner/MenuManagerImpl.h"

#include "skinner/MenuManagerImplPocket.h"
#include "skinner/MenuManagerImplSmartphone.h"

namespace skinner {

std::unique_ptr<MenuManagerImpl> create_menu_manager(bool smartphone, bool new_shell) {
    if (smartphone)
        return std::make_unique<MenuManagerImplSmartphone>();
    return std::make_unique<MenuManagerImplPocket>(new_shell);
}

} // namespace skinner
